#include "extract/image_data.h"

#include <algorithm>
#include <string>

#include "common/block_copy.h"
#include "common/digest.h"
#include "common/text.h"
#include "source/pbp.h"

namespace quillon {
namespace {

bool matchesPrefix(const Sha1& digest, const std::array<std::uint8_t, 16>& prefix) {
    return std::equal(prefix.begin(), prefix.end(), digest.begin());
}

Error damagedBlock(const InputFile& container, std::size_t block, std::uint64_t position,
                   const std::string& reason) {
    return Error::format("Cannot extract the disc image from " + inQuotes(container.path()) +
                         ". Its block " + std::to_string(block + 1) + " (at byte " +
                         std::to_string(position) + ") " + reason + ".");
}

}  // namespace

Status copyStoredImage(InputFile& container, const ImageDataExtent& extent, OutputFile& output,
                       const AfterBlock& afterBlock) {
    return copyUnchanged({container, output, extent.begin, extent.end}, false, afterBlock);
}

Status writeDecodedImage(InputFile& container, const ImageDataExtent& extent,
                         const std::vector<IndexEntry>& index, OutputFile& output,
                         const AfterBlock& afterBlock) {
    for (std::size_t i = 0; i < index.size(); ++i) {
        const IndexEntry& entry = index[i];
        const std::uint64_t position = extent.begin + entry.offset;
        auto stored = container.readBytes(position, entry.storedSize);
        if (!stored) return stored.error();
        std::optional<Bytes> image = entry.isCompressed()
                                         ? inflateRaw(*stored, kImageBlockSize)
                                         : std::optional<Bytes>(std::move(*stored));
        if (!image) {
            return damagedBlock(
                container, i, position,
                "is damaged: it does not inflate to " + std::to_string(kImageBlockSize) + " bytes");
        }
        if (!matchesPrefix(sha1(*image), entry.sha1Prefix)) {
            return damagedBlock(container, i, position, "does not match its SHA-1 checksum");
        }
        if (auto written = output.write(*image); !written) return written;
        const bool last = i + 1 == index.size();
        if (!last && !afterBlock(position + entry.storedSize)) return Error::cancelled();
    }
    return {};
}

}  // namespace quillon
