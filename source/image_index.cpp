#include "source/image_index.h"

#include "common/digest.h"
#include "common/ordered_work.h"
#include "source/disc_toc.h"

namespace quillon {
namespace {

bool anyCompressed(const std::vector<IndexEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(), [](const IndexEntry& entry) { return entry.isCompressed(); });
}

// The entries before the end entry, and the end entry when it came within the index area.
struct IndexEntries {
    std::vector<IndexEntry> entries;
    std::optional<IndexEntry> end;
};

IndexEntries decodeEntries(std::span<const std::uint8_t> table) {
    IndexEntries found;
    for (std::size_t at = 0; at + kIndexEntrySize <= table.size(); at += kIndexEntrySize) {
        const IndexEntry entry = decodeIndexEntry(table.data() + at);
        if (entry.isEnd()) {
            found.end = entry;
            break;
        }
        found.entries.push_back(entry);
    }
    return found;
}

// The index area's entries of the disc-image block at `blockPosition`.
Expected<IndexEntries> readEntries(InputFile& container, std::uint64_t blockPosition) {
    auto table = container.readUpTo(blockPosition + kIndexOffset, (kMaxIndexEntries + 1) * kIndexEntrySize);
    if (!table) return table.error();
    return decodeEntries(*table);
}

// Why the entries do not tile `length` bytes of image data (or a start of them); empty
// when they do.
std::string tilingFault(const IndexEntries& found, std::uint64_t length, BlocksEnd blocksEnd) {
    if (!found.end) return "it has no end entry";
    std::uint64_t next = 0;
    for (std::size_t i = 0; i < found.entries.size(); ++i) {
        const IndexEntry& entry = found.entries[i];
        if (entry.offset != next) {
            return "entry " + std::to_string(i + 1) + " gives offset " + std::to_string(entry.offset) + " where " +
                   std::to_string(next) + " follows";
        }
        next += entry.storedSize;
        if (next > length) {
            return "block " + std::to_string(i + 1) + " ends past the image data (" + std::to_string(length) +
                   " bytes)";
        }
    }
    if (next != length && blocksEnd == BlocksEnd::AtExtentEnd) {
        return "its blocks end at " + std::to_string(next) + " of " + std::to_string(length) + " bytes of image data";
    }
    if (found.end->offset != 0 && found.end->offset != next) {
        return "its end entry gives offset " + std::to_string(found.end->offset) + " where " + std::to_string(next) +
               " follows";
    }
    return {};
}

// Whether the image data starts with a deflated block, which raw sectors never form.
Expected<bool> startsDeflated(InputFile& container, std::uint64_t begin, std::uint64_t length) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(length, kLongestStoredBlock));
    auto start = container.readUpTo(begin, count);
    if (!start) return start.error();
    return inflateRaw(*start, kImageBlockSize).has_value();
}

// What the entries say of `length` bytes of image data, as far as they go.
BlockIndex describeEntries(IndexEntries found, std::uint64_t length, BlocksEnd blocksEnd) {
    BlockIndex index;
    if (found.entries.empty()) return index;
    std::string fault = tilingFault(found, length, blocksEnd);
    if (fault.empty()) {
        index.state = BlockIndex::State::Valid;
        index.entries = std::move(found.entries);
        for (const IndexEntry& entry : index.entries) index.storedEnd += entry.storedSize;
        index.endOffset = found.end->offset;
        return index;
    }
    if (anyCompressed(found.entries)) index.state = BlockIndex::State::Damaged;
    index.fault = std::move(fault);
    return index;
}

// Why the image data cannot be read by `index`: deflated data that it does not
// describe, or fewer bytes of image than the table of contents of the block at
// `blockPosition` gives the disc. Empty when neither.
Expected<std::string> misfitFault(InputFile& container, std::uint64_t blockPosition, const ImageDataExtent& extent,
                                  const BlockIndex& index, std::uint64_t length) {
    if (!index.valid()) {
        auto deflated = startsDeflated(container, extent.begin, length);
        if (!deflated) return deflated.error();
        if (*deflated) return std::string("it does not describe the image data, which is deflated");
    }
    auto toc = readToc(container, blockPosition);
    if (!toc) return toc.error();
    const std::uint64_t covered = index.imageBytes(length);
    if (*toc && (*toc)->imageSectors() * kSectorSize > covered) {
        return "it gives " + std::to_string(covered) + " bytes of image where the table of contents gives the disc " +
               std::to_string((*toc)->imageSectors() * kSectorSize);
    }
    return std::string();
}

}  // namespace

Bytes storeBlock(std::span<const std::uint8_t> image, int level) {
    if (level == 0) return Bytes(image.begin(), image.end());
    Bytes stored = deflateRaw(image, level);
    if (stored.size() == kImageBlockSize) stored.push_back(0);
    return stored;
}

bool loadBlock(std::span<const std::uint8_t> stored, const IndexEntry& entry, std::span<std::uint8_t> image) {
    if (entry.isCompressed()) return inflateRaw(stored, image);
    if (stored.size() != image.size()) return false;
    std::copy(stored.begin(), stored.end(), image.begin());
    return true;
}

std::optional<Bytes> loadBlock(std::span<const std::uint8_t> stored, const IndexEntry& entry) {
    Bytes image(kImageBlockSize);
    if (!loadBlock(stored, entry, image)) return std::nullopt;
    return image;
}

std::array<std::uint8_t, 16> blockChecksum(std::span<const std::uint8_t> image) {
    const Sha1 digest = sha1(image);
    std::array<std::uint8_t, 16> prefix{};
    std::copy_n(digest.begin(), prefix.size(), prefix.begin());
    return prefix;
}

Bytes encodeIndex(const std::vector<IndexEntry>& entries) {
    Bytes index((entries.size() + 1) * kIndexEntrySize, 0);
    std::uint64_t end = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        encodeIndexEntry(entries[i], index.data() + i * kIndexEntrySize);
        end += entries[i].storedSize;
    }
    encodeIndexEntry(indexEndEntry(static_cast<std::uint32_t>(end)), index.data() + entries.size() * kIndexEntrySize);
    return index;
}

std::uint64_t mostStoredBytes(std::uint64_t imageBytes) {
    return indexBlocksFor((imageBytes + kSectorSize - 1) / kSectorSize) * kLongestStoredBlock;
}

bool BlockIndex::hasCompressedBlock() const { return anyCompressed(entries); }

std::uint64_t BlockIndex::imageBytes(std::uint64_t dataLength) const {
    if (!valid()) return dataLength;
    return hasCompressedBlock() ? entries.size() * kImageBlockSize : storedEnd;
}

Expected<std::uint64_t> readStoredBlocksEnd(InputFile& container, std::uint64_t blockPosition) {
    auto found = readEntries(container, blockPosition);
    if (!found) return found.error();
    std::uint64_t end = 0;
    for (const IndexEntry& entry : found->entries) end += entry.storedSize;
    return end;
}

Expected<BlockIndex> readBlockIndex(InputFile& container, std::uint64_t dataPsarOffset, const ImageDataExtent& extent,
                                    BlocksEnd blocksEnd) {
    auto found = readEntries(container, dataPsarOffset);
    if (!found) return found.error();
    const std::uint64_t length = extent.end > extent.begin ? extent.end - extent.begin : 0;
    return describeEntries(std::move(*found), length, blocksEnd);
}

Expected<BlockIndex> readDiscBlockIndex(InputFile& container, std::uint64_t blockPosition,
                                        const ImageDataExtent& extent, BlocksEnd blocksEnd) {
    auto index = readBlockIndex(container, blockPosition, extent, blocksEnd);
    if (!index || index->state == BlockIndex::State::Damaged) return index;
    const std::uint64_t length = extent.end > extent.begin ? extent.end - extent.begin : 0;
    auto fault = misfitFault(container, blockPosition, extent, *index, length);
    if (!fault) return fault.error();
    if (!fault->empty()) {
        BlockIndex damaged;
        damaged.state = BlockIndex::State::Damaged;
        damaged.fault = std::move(*fault);
        return damaged;
    }
    return index;
}

namespace {

// A run of consecutive blocks on their way through forEachBlock: each block's stored
// bytes (in room set aside once), then the block decoded. A read that fails ends the run
// before its block, whose failure comes after the blocks before it.
struct DecodedRun {
    std::vector<Bytes> stored = std::vector<Bytes>(kBlocksPerRun, Bytes(kImageBlockSize + 64));
    std::vector<DecodedBlock> blocks;
    Status readFailure;
};

Status readRun(InputFile& container, std::uint64_t imageDataBegin, std::span<const IndexEntry> entries,
               std::size_t number, DecodedRun& run) {
    const std::size_t first = number * kBlocksPerRun;
    run.blocks.resize(std::min(kBlocksPerRun, entries.size() - first));
    run.readFailure = {};
    for (std::size_t i = 0; i < run.blocks.size(); ++i) {
        DecodedBlock& block = run.blocks[i];
        block.number = first + i;
        block.entry = &entries[first + i];
        block.position = imageDataBegin + block.entry->offset;
        run.stored[i].resize(block.entry->storedSize);
        if (Status read = container.readExactAt(block.position, run.stored[i]); !read) {
            run.readFailure = read;
            run.blocks.resize(i);
            break;
        }
    }
    return {};
}

void decodeRun(DecodedRun& run) {
    for (std::size_t i = 0; i < run.blocks.size(); ++i) {
        DecodedBlock& block = run.blocks[i];
        if (!block.image) block.image.emplace(kImageBlockSize);
        if (!loadBlock(run.stored[i], *block.entry, *block.image)) block.image.reset();
        block.checksumDiffers =
            block.image && block.entry->hasChecksum() && blockChecksum(*block.image) != block.entry->sha1Prefix;
    }
}

}  // namespace

Status forEachBlock(InputFile& container, std::uint64_t imageDataBegin, std::span<const IndexEntry> entries,
                    const std::function<Status(const DecodedBlock& block)>& visit) {
    return runOrderedBatches<DecodedRun>(
        (entries.size() + kBlocksPerRun - 1) / kBlocksPerRun, processorCores(),
        [&](std::size_t number, DecodedRun& run) { return readRun(container, imageDataBegin, entries, number, run); },
        [](DecodedRun& run) {
            decodeRun(run);
            return Status();
        },
        [&](std::size_t, const DecodedRun& run) {
            for (const DecodedBlock& block : run.blocks) {
                if (Status visited = visit(block); !visited) return visited;
            }
            return run.readFailure;
        });
}

}  // namespace quillon
