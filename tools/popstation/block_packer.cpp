#include "tools/popstation/block_packer.h"

#include <algorithm>

#include "common/ordered_work.h"

namespace quillon::popstation {
namespace {

// A run at a time instead of a block at a time keeps level 0 close to a plain copy.
constexpr auto kRunBlocks = static_cast<std::uint32_t>(kBlocksPerRun);

// A run of consecutive blocks on its way through the packing.
struct BlockRun {
    BlockRun() { deflated.reserve(kStoredRunRoom); }

    std::uint32_t first = 0;
    std::uint32_t count = 0;
    Bytes image = Bytes(kBlocksPerRun * kImageBlockSize);
    Bytes deflated;                   // the stored blocks at levels above 0
    std::vector<IndexEntry> entries;  // offsets from the start of the run's stored blocks

    // The blocks as they are stored: at level 0 the image itself, without a copy.
    std::span<const std::uint8_t> stored(int level) const {
        if (level > 0) return deflated;
        return std::span(image).first(std::size_t{count} * kImageBlockSize);
    }
};

// The runs are taken and appended in image order on the calling thread, and read and
// packed on all threads at once: a CHD's hunks decode on every thread.
class BlockPacker {
public:
    BlockPacker(DiscReader& image, std::uint32_t blockCount, OutputFile& out, const PackSettings& settings)
        : image_(image), blockCount_(blockCount), out_(out), settings_(settings) {
        entries_.reserve(blockCount);
    }

    Expected<std::vector<IndexEntry>> run() {
        const std::uint32_t runs = (blockCount_ + kRunBlocks - 1) / kRunBlocks;
        const Status packed = runOrderedBatches<BlockRun>(
            runs, std::min(settings_.threads, runs),
            [this](std::size_t number, BlockRun& run) { return takeRun(number, run); },
            [this](BlockRun& run) {
                if (Status st = readRun(run); !st) return st;
                return pack(run);
            },
            [this](std::size_t, BlockRun& run) { return append(run); });
        if (!packed) return packed.error();
        return std::move(entries_);
    }

private:
    Status takeRun(std::size_t number, BlockRun& run) const {
        run.first = static_cast<std::uint32_t>(number) * kRunBlocks;
        run.count = std::min(kRunBlocks, blockCount_ - run.first);
        return {};
    }

    // The run's blocks of the image; the part past the end of the image (its last
    // block's rest and the blocks that follow it) stays zero.
    Status readRun(BlockRun& run) const {
        const std::uint64_t position = std::uint64_t{run.first} * kImageBlockSize;
        const std::uint64_t wanted = std::uint64_t{run.count} * kImageBlockSize;
        const std::uint64_t left = position < image_.size() ? image_.size() - position : 0;
        const std::size_t length = static_cast<std::size_t>(std::min(wanted, left));
        std::fill(run.image.begin() + static_cast<std::ptrdiff_t>(length), run.image.end(), 0);
        if (length == 0) return {};
        return image_.readExactAt(position, std::span(run.image.data(), length));
    }

    // Digests and stores each block, deflated at levels above 0.
    Status pack(BlockRun& run) const {
        run.deflated.clear();
        run.entries.clear();
        for (std::uint32_t i = 0; i < run.count; ++i) {
            const std::span<const std::uint8_t> block =
                std::span(run.image).subspan(std::size_t{i} * kImageBlockSize, kImageBlockSize);
            IndexEntry entry;
            entry.offset = i * static_cast<std::uint32_t>(kImageBlockSize);
            entry.storedSize = static_cast<std::uint16_t>(kImageBlockSize);
            if (settings_.level > 0) {
                const Bytes deflated = storeBlock(block, settings_.level);
                entry.offset = static_cast<std::uint32_t>(run.deflated.size());
                entry.storedSize = static_cast<std::uint16_t>(deflated.size());
                run.deflated.insert(run.deflated.end(), deflated.begin(), deflated.end());
            }
            entry.sha1Prefix = blockChecksum(block);
            run.entries.push_back(entry);
        }
        return {};
    }

    Status append(const BlockRun& run) {
        const std::span<const std::uint8_t> stored = run.stored(settings_.level);
        if (Status st = out_.write(stored); !st) return st;
        for (IndexEntry entry : run.entries) {
            entry.offset += static_cast<std::uint32_t>(dataWritten_);
            entries_.push_back(entry);
            if (!reportProgress()) return Error::cancelled();
        }
        dataWritten_ += stored.size();
        return {};
    }

    // Once per block written, so that the progress moves in even steps however the
    // blocks are grouped into runs.
    bool reportProgress() const {
        if (!settings_.progress) return true;
        const std::uint64_t packed = std::uint64_t{entries_.size()} * kImageBlockSize;
        return settings_.progress({.status = {}, .done = std::min(packed, image_.size()), .total = image_.size()});
    }

    DiscReader& image_;
    const std::uint32_t blockCount_;
    OutputFile& out_;
    const PackSettings& settings_;
    std::vector<IndexEntry> entries_;
    std::uint64_t dataWritten_ = 0;
};

}  // namespace

Expected<std::vector<IndexEntry>> packImageBlocks(DiscReader& image, std::uint32_t blockCount, OutputFile& out,
                                                  const PackSettings& settings) {
    return BlockPacker(image, blockCount, out, settings).run();
}

}  // namespace quillon::popstation
