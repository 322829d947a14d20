#include "source/disc_reader.h"

#include <algorithm>

#include "source/image_index.h"

namespace quillon {

Expected<Bytes> DiscReader::readFirstDataTrack(std::size_t count) {
    const std::vector<DiscTrack>& all = tracks();
    const auto data =
        std::find_if(all.begin(), all.end(), [](const DiscTrack& t) { return t.type == TrackType::Data; });
    if (data == all.end()) return Bytes{};
    const auto next = data + 1;
    const std::uint64_t begin = data->start * kSectorSize;
    const std::uint64_t end = next == all.end() ? size() : (next->start - next->pregap) * kSectorSize;
    Bytes bytes(static_cast<std::size_t>(std::min<std::uint64_t>(count, end - begin)));
    if (Status st = readExactAt(begin, bytes); !st) return st.error();
    return bytes;
}

}  // namespace quillon
