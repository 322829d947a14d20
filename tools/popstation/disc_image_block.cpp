#include "tools/popstation/disc_image_block.h"

#include "source/disc_id.h"
#include "source/multi_disc.h"
#include "source/pbp.h"

namespace quillon::popstation {

Expected<std::uint32_t> imageBlockCount(std::uint64_t imageSize, std::size_t maxBlocks) {
    if (imageSize == 0) return Error::format("The disc image is empty.");
    const std::uint64_t blocks = indexBlocksFor((imageSize + kSectorSize - 1) / kSectorSize);
    if (blocks > maxBlocks) {
        const std::uint64_t largest =
            (maxBlocks * (kImageBlockSize / kSectorSize) - kSectorsPastImageEnd) * kSectorSize;
        return Error::format("The disc image is too large: " + std::to_string(imageSize) + " bytes make " +
                             std::to_string(blocks) + " blocks with the " + std::to_string(kSectorsPastImageEnd) +
                             " sectors that readers expect after it, but the container's index "
                             "holds at most " +
                             std::to_string(maxBlocks) + " blocks (" + std::to_string(largest) + " bytes of image).");
    }
    return static_cast<std::uint32_t>(blocks);
}

std::string discIdText(std::string_view discId) { return "_" + idPrefixOf(discId) + "_" + idNumberOf(discId); }

Bytes imageBlockHead(std::string_view discId, std::string_view title, std::span<const std::uint8_t> toc) {
    Bytes head(kImageDataOffset, 0);
    ByteWriter writer(head);
    writer.putBytes(0, asBytes(kImageBlockMarker));
    writer.putPaddedText(kDiscIdTextOffset, discIdText(discId), kDiscIdTextSize);
    writer.putBytes(kTocOffset, toc);
    writer.putLe32(kImageDataPositionOffset, static_cast<std::uint32_t>(kImageDataOffset));
    writer.putPaddedText(kSaveTitleOffset, storedSaveTitle(title), kSaveTitleSize);
    return head;
}

Bytes titleImageHead() {
    Bytes head(kDiscAlignment, 0);
    ByteWriter(head).putBytes(0, asBytes(kTitleImageMarker));
    return head;
}

}  // namespace quillon::popstation
