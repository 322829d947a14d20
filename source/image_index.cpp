#include "source/image_index.h"

namespace quillon {

using BlockIndex = std::optional<std::vector<IndexEntry>>;

Expected<BlockIndex> readBlockIndex(InputFile& container, std::uint64_t dataPsarOffset,
                                    const ImageDataExtent& extent) {
    if (extent.end <= extent.begin) return BlockIndex{};
    const std::uint64_t dataLength = extent.end - extent.begin;
    auto table =
        container.readUpTo(dataPsarOffset + kIndexOffset, (kMaxIndexEntries + 1) * kIndexEntrySize);
    if (!table) return table.error();

    std::vector<IndexEntry> entries;
    std::uint64_t nextOffset = 0;
    for (std::size_t at = 0; at + kIndexEntrySize <= table->size(); at += kIndexEntrySize) {
        const IndexEntry entry = decodeIndexEntry(table->data() + at);
        if (entry.isEnd()) {
            if (entries.empty() || nextOffset != dataLength) return BlockIndex{};
            if (entry.offset != 0 && entry.offset != nextOffset) return BlockIndex{};
            return BlockIndex{std::move(entries)};
        }
        if (entry.offset != nextOffset) return BlockIndex{};
        nextOffset += entry.storedSize;
        if (nextOffset > dataLength) return BlockIndex{};
        entries.push_back(entry);
    }
    return BlockIndex{};  // no end entry within the index area
}

bool hasCompressedBlock(const std::vector<IndexEntry>& index) {
    return std::any_of(index.begin(), index.end(),
                       [](const IndexEntry& entry) { return entry.isCompressed(); });
}

}  // namespace quillon
