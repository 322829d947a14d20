#include "convert/image_copy.h"

namespace quillon {

ProgressReport movingReport(std::uint64_t position, std::uint64_t sourceSize) {
    return {"Moving and modifying file... (" + std::to_string(percentOf(position, sourceSize)) + "%)", position,
            sourceSize};
}

Status copyImageData(const ImageCopy& copy) {
    const std::uint64_t size = copy.range.source.size();
    return copyUnchanged(copy.range, true,
                         [&](std::uint64_t position) { return copy.progress(movingReport(position, size)); });
}

}  // namespace quillon
