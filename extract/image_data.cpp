#include "extract/image_data.h"

#include <algorithm>
#include <optional>
#include <string>

#include "common/block_copy.h"
#include "common/text.h"
#include "source/pbp.h"

namespace quillon {
namespace {

// The pause of two seconds that usually stands in front of a track whose type differs
// from the track before it.
constexpr std::uint64_t kUsualPregap = 150;

Error cannotExtract(const InputFile& container, const StoredDisc& image, const std::string& why) {
    return Error::format("Cannot extract " + image.name() + " from " + inQuotes(container.path()) + ". " + why + ".");
}

Error damagedBlock(const InputFile& container, const StoredDisc& image, std::size_t block, std::uint64_t position,
                   const std::string& reason) {
    return cannotExtract(
        container, image,
        "Its block " + std::to_string(block + 1) + " (at byte " + std::to_string(position) + ") " + reason);
}

// The table records where each track's INDEX 01 stands, not its pregap: a track whose
// type differs from the one before it gets the usual pause when the track before keeps
// a sector of its own, and the sectors in front of the first track can only be its
// pregap.
std::vector<DiscTrack> withLikelyPregaps(std::vector<DiscTrack> tracks) {
    tracks.front().pregap = tracks.front().start;
    for (std::size_t i = 1; i < tracks.size(); ++i) {
        const DiscTrack& before = tracks[i - 1];
        DiscTrack& track = tracks[i];
        if (track.type != before.type && track.start - before.start > kUsualPregap) {
            track.pregap = kUsualPregap;
        }
    }
    return tracks;
}

Expected<ChecksumMismatches> writeDecodedImage(InputFile& container, const StoredDisc& image, OutputFile& output,
                                               const AfterBlock& afterBlock) {
    ChecksumMismatches mismatches;
    const std::size_t count =
        std::min(image.blocks.size(), static_cast<std::size_t>((image.length + kImageBlockSize - 1) / kImageBlockSize));
    std::uint64_t left = image.length;
    const Status written = forEachBlock(
        container, image.stored.begin, std::span(image.blocks).first(count), [&](const DecodedBlock& block) -> Status {
            if (!block.image) {
                return damagedBlock(container, image, block.number, block.position,
                                    "is damaged: it does not inflate to " + std::to_string(kImageBlockSize) + " bytes");
            }
            if (block.checksumDiffers && mismatches.count++ == 0) {
                mismatches.firstBlock = block.number + 1;
                mismatches.firstPosition = block.position;
            }
            const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(left, kImageBlockSize));
            if (auto out = output.write(std::span(*block.image).first(part)); !out) return out;
            left -= part;
            const bool more = block.number + 1 < count;
            if (more && !afterBlock(block.position + block.entry->storedSize)) return Error::cancelled();
            return {};
        });
    if (!written) return written.error();
    return mismatches;
}

}  // namespace

std::string StoredDisc::name() const { return disc == 0 ? "the disc image" : "disc " + std::to_string(disc); }

Expected<StoredDisc> readStoredDisc(InputFile& container, const DiscBlock& block, BlocksEnd blocksEnd,
                                    std::size_t disc) {
    StoredDisc image;
    image.disc = disc;
    const ImageDataExtent extent = block.imageData();
    auto index = readDiscBlockIndex(container, block.position, extent, blocksEnd);
    if (!index) return index.error();
    if (index->state == BlockIndex::State::Damaged) {
        return cannotExtract(container, image, "Its block index is damaged: " + index->fault);
    }
    // A disc of several ends with its blocks; zero bytes up to the next disc follow.
    const std::uint64_t end = index->valid() ? extent.begin + index->storedEnd : std::max(extent.begin, extent.end);
    image.stored = {extent.begin, end};
    image.length = index->imageBytes(end - extent.begin);
    if (index->valid() && index->hasCompressedBlock()) image.blocks = std::move(index->entries);

    // The index gives at least the disc that the table describes.
    auto toc = readToc(container, block.position);
    if (!toc) return toc.error();
    if (*toc) {
        image.length = (*toc)->imageSectors() * kSectorSize;
        image.tracks = withLikelyPregaps((*toc)->tracks);
    }
    if (image.blocks.empty()) image.stored.end = image.stored.begin + image.length;
    return image;
}

Expected<ChecksumMismatches> writeDiscImage(InputFile& container, const StoredDisc& image, OutputFile& output,
                                            const AfterBlock& afterBlock) {
    if (!image.blocks.empty()) return writeDecodedImage(container, image, output, afterBlock);
    const Status copied = copyUnchanged({container, output, image.stored.begin, image.stored.end}, false, afterBlock);
    if (!copied) return copied.error();
    return ChecksumMismatches{};
}

}  // namespace quillon
