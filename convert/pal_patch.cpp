#include "convert/pal_patch.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "common/ordered_work.h"
#include "common/text.h"
#include "source/pbp.h"

namespace quillon {
namespace {

bool isOccurrence(const std::uint8_t* bytes) {
    return std::any_of(kPalPatterns.begin(), kPalPatterns.end(), [bytes](const auto& pattern) {
        return std::memcmp(bytes, pattern.data(), pattern.size()) == 0;
    });
}

}  // namespace

PatchWindow imageDataWindow(std::uint64_t dataPsarOffset, std::int64_t startDat) {
    return {static_cast<std::int64_t>(dataPsarOffset + kImageDataOffset) - 1, startDat};
}

int patchOccurrences(std::span<std::uint8_t> block, std::uint64_t blockPosition, std::size_t firstStart,
                     const PatchWindow& window) {
    if (block.size() < kPatchPatternSize) return 0;
    // The range of start indexes that are both whole in the block and in the window.
    const auto position = static_cast<std::int64_t>(blockPosition);
    const std::int64_t first =
        std::max<std::int64_t>(static_cast<std::int64_t>(firstStart), window.lowerBound + 1 - position);
    const std::int64_t last =
        std::min<std::int64_t>(static_cast<std::int64_t>(block.size() - kPatchPatternSize), window.end - 1 - position);
    int patched = 0;
    std::uint8_t* const data = block.data();
    for (std::int64_t k = first; k <= last;) {
        // Every occurrence starts with 0x13: jump from one such byte to the next.
        const void* found = std::memchr(data + k, kPalPatterns[0][0], static_cast<std::size_t>(last - k + 1));
        if (!found) break;
        k = static_cast<const std::uint8_t*>(found) - data;
        if (isOccurrence(data + k)) {
            for (std::size_t i : kPatchedBytes) data[k + static_cast<std::int64_t>(i)] = 0;
            ++patched;
        }
        ++k;
    }
    return patched;
}

Status copyPatchedImageData(const ImageCopy& copy, const PatchWindow& window, int& patchCount) {
    constexpr std::size_t kAdvance = kCopyBlockSize - kPatchPatternSize;  // 65,527
    return copyBlocks(copy.range, kAdvance, [&](CopyBlock& block) -> Expected<std::optional<std::size_t>> {
        if (!copy.progress(movingReport(block.position, copy.range.source.size()))) {
            return Error::cancelled();
        }
        // The first start of an overlap was examined in the block before; the overlap
        // reaches this block with that block's patches in it.
        patchCount += patchOccurrences(block.bytes, block.position, block.follows ? 1 : 0, window);
        const std::size_t count = countUpToEnd(copy.range, block);
        if (count != kCopyBlockSize) return std::optional<std::size_t>(count);
        return std::optional<std::size_t>();
    });
}

namespace {

// The whole of a block's image bytes: every start is in the window.
constexpr PatchWindow kWholeBlock{-1, std::numeric_limits<std::int64_t>::max()};

// A block on its way through the patch: its image bytes, and whether the patch changed
// them.
struct HeldBlock {
    IndexEntry entry;  // the source's; once stored anew, with the new size and checksum
    Bytes stored;
    Bytes image = Bytes(kImageBlockSize);
    bool changed = false;
};

// A run of consecutive blocks: read in one piece (the blocks of a valid index lie one
// after the other), then each block held on its own.
struct PatchedRun {
    PatchedRun() { stored.reserve(kStoredRunRoom); }

    std::size_t first = 0;
    Bytes stored;
    std::vector<HeldBlock> blocks;
    int patched = 0;  // occurrences inside the run's blocks and across their edges
};

// Patches the occurrences that start in the last 7 bytes of `before` and end in `after`.
int patchAcrossEdge(HeldBlock& before, HeldBlock& after) {
    constexpr std::size_t kReach = kPatchPatternSize - 1;
    Bytes edge(before.image.end() - kReach, before.image.end());
    edge.insert(edge.end(), after.image.begin(), after.image.begin() + kReach);
    const int patched = patchOccurrences(edge, 0, 0, kWholeBlock);
    if (patched == 0) return 0;
    std::copy_n(edge.begin(), kReach, before.image.end() - kReach);
    std::copy_n(edge.begin() + kReach, kReach, after.image.begin());
    before.changed = after.changed = true;
    return patched;
}

// Stores a changed block anew the way it was stored (as it is, or deflated at level 9:
// a deflated block never comes to the size of one stored as it is), with the checksum
// of its new bytes.
void storeAnew(HeldBlock& block) {
    block.stored = storeBlock(block.image, block.entry.isCompressed() ? 9 : 0);
    block.entry.storedSize = static_cast<std::uint16_t>(block.stored.size());
    block.entry.sha1Prefix = blockChecksum(block.image);
}

// The patch of the blocks of one disc: runs of blocks read and written in image order,
// inflated, patched and stored anew on all processor cores. The edge between two runs
// is patched as the later run is written: the last block of each run is held back until
// then.
class BlockPatch {
public:
    BlockPatch(const ImageCopy& copy, std::uint64_t imageDataStart, const std::vector<IndexEntry>& index)
        : copy_(copy), imageDataStart_(imageDataStart), index_(index) {}

    // Gives the output's index.
    Expected<std::vector<IndexEntry>> run(int& patchCount) {
        outputImageDataStart_ = copy_.range.output.written();
        const std::size_t runs = (index_.size() + kBlocksPerRun - 1) / kBlocksPerRun;
        const Status patched = runOrderedBatches<PatchedRun>(
            runs, processorCores(), [this](std::size_t number, PatchedRun& run) { return read(number, run); },
            [this](PatchedRun& run) { return patch(run); },
            [this](std::size_t, PatchedRun& run) { return write(run); });
        if (!patched) return patched.error();
        if (held_) {
            if (Status st = writeBlock(*held_); !st) return st.error();
        }
        patchCount += patched_;
        return std::move(written_);
    }

private:
    std::uint64_t positionOf(std::size_t block) const { return imageDataStart_ + index_[block].offset; }

    Status read(std::size_t number, PatchedRun& run) {
        run.first = number * kBlocksPerRun;
        run.blocks.resize(std::min(kBlocksPerRun, index_.size() - run.first));
        const IndexEntry& last = index_[run.first + run.blocks.size() - 1];
        run.stored.resize(
            static_cast<std::size_t>(imageDataStart_ + last.offset + last.storedSize - positionOf(run.first)));
        return copy_.range.source.readExactAt(positionOf(run.first), run.stored);
    }

    Status patch(PatchedRun& run) const {
        run.patched = 0;
        std::size_t at = 0;
        for (std::size_t i = 0; i < run.blocks.size(); ++i) {
            HeldBlock& block = run.blocks[i];
            block.entry = index_[run.first + i];
            block.stored.assign(run.stored.begin() + static_cast<std::ptrdiff_t>(at),
                                run.stored.begin() + static_cast<std::ptrdiff_t>(at + block.entry.storedSize));
            at += block.entry.storedSize;
            if (!loadBlock(block.stored, block.entry, block.image)) return undecodable(run.first + i);
            const int inside = patchOccurrences(block.image, 0, 0, kWholeBlock);
            block.changed = inside > 0;
            run.patched += inside;
            if (i > 0) run.patched += patchAcrossEdge(run.blocks[i - 1], block);
        }
        for (HeldBlock& block : run.blocks) {
            if (block.changed) storeAnew(block);
        }
        return {};
    }

    Error undecodable(std::size_t block) const {
        return Error::format("Cannot patch the disc image in " + inQuotes(copy_.range.source.path()) + ". Its block " +
                             std::to_string(block + 1) + " does not inflate to " + std::to_string(kImageBlockSize) +
                             " bytes.");
    }

    // The block held back from the run before, patched across its edge with this run,
    // then every block of this run but its last, which is held back in turn.
    Status write(PatchedRun& run) {
        patched_ += run.patched;
        if (held_) {
            if (const int across = patchAcrossEdge(*held_, run.blocks.front()); across > 0) {
                patched_ += across;
                storeAnew(*held_);
                storeAnew(run.blocks.front());
            }
            if (Status st = writeBlock(*held_); !st) return st;
        } else {
            held_.emplace();
        }
        const std::uint64_t size = copy_.range.source.size();
        for (std::size_t i = 0; i < run.blocks.size(); ++i) {
            if (!copy_.progress(movingReport(positionOf(run.first + i), size))) return Error::cancelled();
            if (i + 1 == run.blocks.size()) break;
            if (Status st = writeBlock(run.blocks[i]); !st) return st;
        }
        std::swap(*held_, run.blocks.back());  // the slot keeps the room of the block written
        return {};
    }

    Status writeBlock(const HeldBlock& block) {
        IndexEntry entry = block.entry;
        entry.offset = static_cast<std::uint32_t>(copy_.range.output.written() - outputImageDataStart_);
        if (Status st = copy_.range.output.write(block.stored); !st) return st;
        written_.push_back(entry);
        return {};
    }

    const ImageCopy& copy_;
    const std::uint64_t imageDataStart_;
    const std::vector<IndexEntry>& index_;
    std::uint64_t outputImageDataStart_ = 0;
    std::optional<HeldBlock> held_;
    std::vector<IndexEntry> written_;
    int patched_ = 0;
};

}  // namespace

Status copyPatchedBlocks(const ImageCopy& copy, std::uint64_t imageDataStart, const std::vector<IndexEntry>& index,
                         std::uint64_t outputIndexPosition, int& patchCount) {
    InputFile& source = copy.range.source;
    OutputFile& output = copy.range.output;
    if (auto head = copyImageData({{source, output, copy.range.start, imageDataStart}, copy.progress}); !head) {
        return head;
    }
    auto written = BlockPatch(copy, imageDataStart, index).run(patchCount);
    if (!written) return written.error();
    return output.writeAt(outputIndexPosition, encodeIndex(*written));
}

std::string patchSummary(int patchCount) {
    if (patchCount == 0) return "Done. Did not find any code in iso to patch.";
    if (patchCount == 1) return "Done. Patched iso in 1 place.";
    return "Done. Patched iso in " + std::to_string(patchCount) + " places.";
}

}  // namespace quillon
