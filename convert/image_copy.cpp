#include "convert/image_copy.h"

#include <algorithm>

#include "source/pbp.h"

namespace quillon {

std::string copyProgressText(std::uint64_t position, std::uint64_t sourceSize) {
    const double share = sourceSize == 0 ? 0.0
                                         : static_cast<double>(position) /
                                               static_cast<double>(sourceSize) * 100.0;
    return "Moving and modifying file... (" + std::to_string(static_cast<std::int64_t>(share)) +
           "%)";
}

Status pumpAndPollAbort(BusyState& busy) {
    busy.host().pump();
    if (busy.abortRequested) return Error::cancelled();
    return {};
}

Status copyImageData(const ImageCopy& copy) {
    Bytes block(kCopyBlockSize);
    // A block that comes out short is the last one; one that exactly reaches the end
    // is followed by an empty one, so the progress text is shown once more at the end.
    for (std::uint64_t position = copy.start;; position += kCopyBlockSize) {
        copy.busy.host().setStatus(copyProgressText(position, copy.source.size()));
        const auto count = static_cast<std::size_t>(
            std::min<std::uint64_t>(kCopyBlockSize, copy.end - position));
        const std::span<std::uint8_t> data(block.data(), count);
        if (auto read = copy.source.readExactAt(position, data); !read) return read;
        if (auto written = copy.output.write(data); !written) return written;
        if (count != kCopyBlockSize) return {};
        if (auto polled = pumpAndPollAbort(copy.busy); !polled) return polled;
    }
}

}  // namespace quillon
