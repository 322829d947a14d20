#include "tools/popstation/disc_image_block.h"

#include "source/disc_id.h"
#include "source/pbp.h"

namespace quillon::popstation {
namespace {

// Frames are counted from the start of the disc, where two seconds of lead-in come
// before sector 0.
constexpr std::uint64_t kLeadInFrames = 150;
constexpr std::uint64_t kFramesPerSecond = 75;

// Two decimal digits in one byte. Minutes past 99 (only images near the index's limit
// reach them) keep counting in the high nibble, as readers that decode tens * 10 + ones
// expect.
std::uint8_t bcd(std::uint64_t value) {
    return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

void putTocEntry(std::uint8_t* entry, std::uint8_t point, std::uint8_t minutes,
                 std::uint8_t seconds, std::uint8_t frames) {
    entry[0] = 0x41;  // a data track
    entry[2] = point;
    entry[7] = minutes;
    entry[8] = seconds;
    entry[9] = frames;
}

}  // namespace

Expected<std::uint32_t> imageBlockCount(std::uint64_t imageSize, std::size_t maxBlocks) {
    if (imageSize == 0) return Error::format("The disc image is empty.");
    const std::uint64_t blocks = (imageSize + kImageBlockSize - 1) / kImageBlockSize;
    if (blocks > maxBlocks) {
        return Error::format("The disc image is too large: " + std::to_string(imageSize) +
                             " bytes make " + std::to_string(blocks) +
                             " blocks, but the container's index holds at most " +
                             std::to_string(maxBlocks) + " blocks (" +
                             std::to_string(maxBlocks * kImageBlockSize) + " bytes).");
    }
    return static_cast<std::uint32_t>(blocks);
}

std::string discIdText(std::string_view discId) {
    return "_" + idPrefixOf(discId) + "_" + idNumberOf(discId);
}

std::array<std::uint8_t, kTocSize> tableOfContents(std::uint64_t imageSize) {
    std::array<std::uint8_t, kTocSize> toc{};
    const std::uint64_t sectors = (imageSize + kSectorSize - 1) / kSectorSize;
    const std::uint64_t leadOut = sectors + kLeadInFrames;
    putTocEntry(&toc[0], 0xA0, 0x01, 0x20, 0x00);  // first track 1, disc type 0x20
    putTocEntry(&toc[10], 0xA1, 0x01, 0x00, 0x00);  // last track 1
    putTocEntry(&toc[20], 0xA2, bcd(leadOut / kFramesPerSecond / 60),
                bcd(leadOut / kFramesPerSecond % 60), bcd(leadOut % kFramesPerSecond));
    putTocEntry(&toc[30], 0x01, 0x00, 0x02, 0x00);  // track 1 at sector 0
    return toc;
}

Bytes imageBlockHead(std::string_view discId, std::string_view title, std::uint64_t imageSize) {
    Bytes head(kImageDataOffset, 0);
    ByteWriter writer(head);
    writer.putBytes(0, asBytes(kImageBlockMarker));
    writer.putPaddedText(kDiscIdTextOffset, discIdText(discId), kDiscIdTextSize);
    writer.putBytes(kTocOffset, tableOfContents(imageSize));
    writer.putPaddedText(kSaveTitleOffset, title, kSaveTitleSize);
    return head;
}


}  // namespace quillon::popstation
