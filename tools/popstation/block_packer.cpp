#include "tools/popstation/block_packer.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "common/digest.h"

namespace quillon::popstation {
namespace {

// Blocks are taken, read and appended a run at a time: one read, one write and one turn
// of the locks per run instead of per block keeps level 0 close to a plain copy.
constexpr std::uint32_t kBlocksPerRun = 16;

// A run of consecutive blocks as one thread packs it.
struct BlockRun {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    Bytes image = Bytes(std::size_t{kBlocksPerRun} * kImageBlockSize);
    Bytes deflated;                   // the stored blocks at levels 1 to 9
    std::vector<IndexEntry> entries;  // offsets from the start of the run's stored blocks

    // The blocks as they are stored: at level 0 the image itself, without a copy.
    std::span<const std::uint8_t> stored(int level) const {
        if (level > 0) return deflated;
        return std::span(image).first(std::size_t{count} * kImageBlockSize);
    }
};

// The threads take runs in image order under one lock and append them in the same
// order under another: a thread that finishes a run early waits for its turn.
class BlockPacker {
public:
    BlockPacker(DiscImage& image, std::uint32_t blockCount, OutputFile& out,
                const PackSettings& settings)
        : image_(image), blockCount_(blockCount), out_(out), settings_(settings) {
        entries_.reserve(blockCount);
    }

    Expected<std::vector<IndexEntry>> run() {
        const std::uint32_t runs = (blockCount_ + kBlocksPerRun - 1) / kBlocksPerRun;
        const unsigned threads = std::clamp(settings_.threads, 1u, std::max(runs, 1u));
        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < threads; ++i) helpers.emplace_back([this] { work(); });
        work();
        for (std::thread& helper : helpers) helper.join();
        if (failure_) return *failure_;
        return std::move(entries_);
    }

private:
    void work() {
        BlockRun run;
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(readMutex_);
                if (failed_) return;
                if (nextToRead_ == blockCount_) return;
                run.first = nextToRead_;
                run.count = std::min(kBlocksPerRun, blockCount_ - nextToRead_);
                nextToRead_ += run.count;
                if (Status st = readRun(run); !st) return fail(st.error());
            }
            if (!pack(run)) return;
            if (!appendInTurn(run)) return;
        }
    }

    // The run's blocks of the image; the part past the end of the image (its last
    // block's rest and the blocks that follow it) stays zero.
    Status readRun(BlockRun& run) {
        const std::uint64_t position = std::uint64_t{run.first} * kImageBlockSize;
        const std::uint64_t wanted = std::uint64_t{run.count} * kImageBlockSize;
        const std::uint64_t left = position < image_.size() ? image_.size() - position : 0;
        const std::size_t length = static_cast<std::size_t>(std::min(wanted, left));
        std::fill(run.image.begin() + static_cast<std::ptrdiff_t>(length), run.image.end(), 0);
        if (length == 0) return {};
        return image_.readExactAt(position, std::span(run.image.data(), length));
    }

    // Digests and stores each block, deflated at levels 1 to 9; false when the packing
    // failed or was stopped meanwhile.
    bool pack(BlockRun& run) {
        run.deflated.clear();
        run.entries.clear();
        for (std::uint32_t i = 0; i < run.count; ++i) {
            if (failed_) return false;
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
        return true;
    }

    bool appendInTurn(const BlockRun& run) {
        std::unique_lock<std::mutex> lock(writeMutex_);
        turn_.wait(lock, [&] { return failed_ || entries_.size() == run.first; });
        if (failed_) return false;
        const std::span<const std::uint8_t> stored = run.stored(settings_.level);
        if (Status st = out_.write(stored); !st) {
            failLocked(st.error());
            return false;
        }
        for (IndexEntry entry : run.entries) {
            entry.offset += static_cast<std::uint32_t>(dataWritten_);
            entries_.push_back(entry);
            if (!reportProgress()) {
                failLocked(Error::cancelled());
                return false;
            }
        }
        dataWritten_ += stored.size();
        turn_.notify_all();
        return true;
    }

    // Once per block written, so that the progress moves in even steps however the
    // blocks are grouped into runs.
    bool reportProgress() const {
        if (!settings_.progress) return true;
        const std::uint64_t packed = std::uint64_t{entries_.size()} * kImageBlockSize;
        return settings_.progress(
            {.status = {}, .done = std::min(packed, image_.size()), .total = image_.size()});
    }

    void fail(const Error& error) {
        std::lock_guard<std::mutex> lock(writeMutex_);
        failLocked(error);
    }
    void failLocked(const Error& error) {
        if (!failure_) failure_ = error;
        failed_ = true;
        turn_.notify_all();
    }

    DiscImage& image_;
    const std::uint32_t blockCount_;
    OutputFile& out_;
    const PackSettings& settings_;

    std::mutex readMutex_;
    std::uint32_t nextToRead_ = 0;

    std::mutex writeMutex_;
    std::condition_variable turn_;
    std::vector<IndexEntry> entries_;
    std::uint64_t dataWritten_ = 0;
    std::optional<Error> failure_;
    std::atomic<bool> failed_{false};
};

}  // namespace

Expected<std::vector<IndexEntry>> packImageBlocks(DiscImage& image, std::uint32_t blockCount,
                                                  OutputFile& out, const PackSettings& settings) {
    return BlockPacker(image, blockCount, out, settings).run();
}

}  // namespace quillon::popstation
