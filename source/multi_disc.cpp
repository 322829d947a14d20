#include "source/multi_disc.h"

#include "common/text.h"
#include "source/pbp.h"

namespace quillon {
namespace {

Error tableError(const InputFile& container, const std::string& what) {
    return Error::format("The disc table of " + inQuotes(container.path()) + " is damaged: " + what + ".");
}

std::string startsInside(const std::string& disc) { return disc + " starts inside the disc before it"; }

// Each disc's stored blocks, as its block index names them, end before the next disc's
// block starts.
Status checkDiscsApart(InputFile& container, const std::vector<std::uint64_t>& positions) {
    for (std::size_t i = 1; i < positions.size(); ++i) {
        auto blocksEnd = readStoredBlocksEnd(container, positions[i - 1]);
        if (!blocksEnd) return blocksEnd.error();
        if (positions[i - 1] + kImageDataOffset + *blocksEnd > positions[i]) {
            return tableError(container, startsInside("disc " + std::to_string(i + 1)));
        }
    }
    return {};
}

// Reads the disc table and checks that it names at least one disc, each after the table
// and inside the file, ascending, each past the head of the one before it (0x100000
// bytes), each at a "PSISOIMG" marker.
Expected<DiscTable> decodeDiscTable(InputFile& container, std::uint64_t dataPsarOffset) {
    auto bytes = container.readUpTo(dataPsarOffset + kDiscTableOffset, kMaxDiscs * 4);
    if (!bytes) return bytes.error();
    DiscTable table;
    if (bytes->size() < kMaxDiscs * 4) {
        table.fault = "the file ends inside it";
        return table;
    }
    for (std::size_t disc = 0; disc < kMaxDiscs; ++disc) {
        const std::uint32_t offset = loadLe32(bytes->data() + 4 * disc);
        if (offset == 0) break;
        const std::uint64_t position = dataPsarOffset + offset;
        const std::string name = "disc " + std::to_string(disc + 1);
        if (offset < kDiscTableOffset + kMaxDiscs * 4) {
            table.fault = name + " does not come after the disc table";
            return table;
        }
        if (!table.positions.empty() && position <= table.positions.back()) {
            table.fault = name + " does not come after the disc before it";
            return table;
        }
        if (!table.positions.empty() && position < table.positions.back() + kImageDataOffset) {
            table.fault = startsInside(name);
            return table;
        }
        if (!fitsIn(container.size(), position, kIsoMarker.size())) {
            table.fault = name + " lies past the end of the file";
            return table;
        }
        auto marker = hasIsoMarkerAt(container, position, container.size());
        if (!marker) return marker.error();
        if (!*marker) {
            table.fault = name + " does not start with a disc-image block";
            return table;
        }
        table.positions.push_back(position);
    }
    if (table.positions.empty()) table.fault = "it names no disc";
    return table;
}

}  // namespace

bool hasTitleImageMarker(std::span<const std::uint8_t> head) { return ByteReader(head).matches(0, kTitleImageMarker); }

std::optional<std::vector<DiscBlock>> discBlocks(const std::vector<std::uint64_t>& positions,
                                                 std::optional<std::uint64_t> startDat) {
    if (!startDat || *startDat <= positions.back() + kImageDataOffset) return std::nullopt;
    std::vector<DiscBlock> blocks;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        blocks.push_back({positions[i], i + 1 < positions.size() ? positions[i + 1] : *startDat});
    }
    return blocks;
}

Bytes discTable(const std::vector<std::uint32_t>& discOffsets) {
    Bytes table(kMaxDiscs * 4, 0);
    for (std::size_t i = 0; i < discOffsets.size(); ++i) storeLe32(&table[4 * i], discOffsets[i]);
    return table;
}

Status padToDiscAlignment(OutputFile& output, std::uint64_t dataPsarOffset) {
    const std::uint64_t used = (output.written() - dataPsarOffset) % kDiscAlignment;
    return used == 0 ? Status{} : output.writeZeros(kDiscAlignment - used);
}

Expected<std::vector<std::uint64_t>> readDiscTable(InputFile& container, std::uint64_t dataPsarOffset) {
    auto table = decodeDiscTable(container, dataPsarOffset);
    if (!table) return table.error();
    if (!table->fault.empty()) return tableError(container, table->fault);
    return std::move(table->positions);
}

Expected<std::optional<DiscTable>> locateDiscBlocks(InputFile& container, std::uint64_t dataPsarOffset) {
    using Found = std::optional<DiscTable>;
    auto marker = hasIsoMarkerAt(container, dataPsarOffset, container.size());
    if (!marker) return marker.error();
    if (*marker) return Found(DiscTable{{dataPsarOffset}, {}});
    auto head = container.readUpTo(dataPsarOffset, kTitleImageMarker.size());
    if (!head) return head.error();
    if (!hasTitleImageMarker(*head)) return Found();
    auto table = decodeDiscTable(container, dataPsarOffset);
    if (!table) return table.error();
    return Found(std::move(*table));
}

Expected<std::optional<std::vector<std::uint64_t>>> findDiscBlocks(InputFile& container, std::uint64_t dataPsarOffset) {
    using Found = std::optional<std::vector<std::uint64_t>>;
    auto discs = locateDiscBlocks(container, dataPsarOffset);
    if (!discs) return discs.error();
    if (!*discs) return Found();
    if (!(*discs)->fault.empty()) return tableError(container, (*discs)->fault);
    if (auto apart = checkDiscsApart(container, (*discs)->positions); !apart) return apart.error();
    return Found(std::move((*discs)->positions));
}

}  // namespace quillon
