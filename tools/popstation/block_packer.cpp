#include "tools/popstation/block_packer.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "common/digest.h"

namespace quillon::popstation {
namespace {

// The threads take blocks in image order under one lock and append them in the same
// order under another: a thread that finishes a block early waits for its turn.
class BlockPacker {
public:
    BlockPacker(InputFile& image, std::uint32_t blockCount, OutputFile& out,
                const PackSettings& settings)
        : image_(image), blockCount_(blockCount), out_(out), settings_(settings) {
        entries_.reserve(blockCount);
    }

    Expected<std::vector<IndexEntry>> run() {
        const unsigned threads = std::clamp(settings_.threads, 1u, std::max(blockCount_, 1u));
        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < threads; ++i) helpers.emplace_back([this] { work(); });
        work();
        for (std::thread& helper : helpers) helper.join();
        if (failure_) return *failure_;
        if (entries_.size() < blockCount_) return Error::cancelled();
        return std::move(entries_);
    }

private:
    bool stopRequested() const { return settings_.stop && settings_.stop->load(); }

    void work() {
        Bytes block(kImageBlockSize);
        for (;;) {
            std::uint32_t number = 0;
            {
                std::lock_guard<std::mutex> lock(readMutex_);
                if (failed_ || stopRequested() || nextToRead_ == blockCount_) return;
                number = nextToRead_++;
                if (Status st = readBlock(number, block); !st) {
                    fail(st.error());
                    return;
                }
            }
            const Sha1 digest = sha1(block);
            Bytes deflated;
            std::span<const std::uint8_t> stored = block;
            if (settings_.level > 0) {
                deflated = deflateRaw(block, settings_.level);
                if (deflated.size() < kImageBlockSize) stored = deflated;
            }
            if (!appendInTurn(number, stored, digest)) return;
        }
    }

    // Block `number` of the image; the part past the end of the image stays zero.
    Status readBlock(std::uint32_t number, Bytes& block) {
        const std::uint64_t position = std::uint64_t{number} * kImageBlockSize;
        const std::uint64_t left = image_.size() - position;
        const std::size_t length = left < kImageBlockSize ? static_cast<std::size_t>(left)
                                                          : kImageBlockSize;
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(length), block.end(), 0);
        return image_.readExactAt(position, std::span(block.data(), length));
    }

    bool appendInTurn(std::uint32_t number, std::span<const std::uint8_t> stored,
                      const Sha1& digest) {
        std::unique_lock<std::mutex> lock(writeMutex_);
        turn_.wait(lock, [&] { return failed_ || entries_.size() == number; });
        if (failed_) return false;
        if (Status st = out_.write(stored); !st) {
            failLocked(st.error());
            return false;
        }
        IndexEntry entry;
        entry.offset = static_cast<std::uint32_t>(dataWritten_);
        entry.storedSize = static_cast<std::uint16_t>(stored.size());
        std::copy_n(digest.begin(), entry.sha1Prefix.size(), entry.sha1Prefix.begin());
        entries_.push_back(entry);
        dataWritten_ += stored.size();
        if (settings_.progress) settings_.progress(static_cast<std::uint32_t>(entries_.size()));
        turn_.notify_all();
        return true;
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

    InputFile& image_;
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

Expected<std::vector<IndexEntry>> packImageBlocks(InputFile& image, std::uint32_t blockCount,
                                                  OutputFile& out, const PackSettings& settings) {
    return BlockPacker(image, blockCount, out, settings).run();
}

}  // namespace quillon::popstation
