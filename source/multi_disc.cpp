#include "source/multi_disc.h"

#include "common/text.h"
#include "source/pbp.h"

namespace quillon {
namespace {

Error tableError(const InputFile& container, const std::string& what) {
    return Error::format("The disc table of " + inQuotes(container.path()) + " is damaged: " + what +
                         ".");
}

}  // namespace

bool hasTitleImageMarker(std::span<const std::uint8_t> head) {
    return ByteReader(head).matches(0, kTitleImageMarker);
}

std::optional<std::vector<DiscBlock>> discBlocks(const std::vector<std::uint64_t>& positions,
                                                 std::int64_t startDat) {
    if (startDat <= static_cast<std::int64_t>(positions.back() + kImageDataOffset)) return std::nullopt;
    std::vector<DiscBlock> blocks;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        blocks.push_back({positions[i], i + 1 < positions.size() ? positions[i + 1]
                                                                 : static_cast<std::uint64_t>(startDat)});
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

Expected<std::vector<std::uint64_t>> readDiscTable(InputFile& container,
                                                   std::uint64_t dataPsarOffset) {
    auto table = container.readUpTo(dataPsarOffset + kDiscTableOffset, kMaxDiscs * 4);
    if (!table) return table.error();
    if (table->size() < kMaxDiscs * 4) return tableError(container, "the file ends inside it");
    std::vector<std::uint64_t> positions;
    for (std::size_t disc = 0; disc < kMaxDiscs; ++disc) {
        const std::uint32_t offset = loadLe32(table->data() + 4 * disc);
        if (offset == 0) break;
        const std::uint64_t position = dataPsarOffset + offset;
        const std::string name = "disc " + std::to_string(disc + 1);
        if (!positions.empty() && position <= positions.back()) {
            return tableError(container, name + " does not come after the disc before it");
        }
        if (!fitsIn(container.size(), position, kIsoMarker.size())) {
            return tableError(container, name + " lies past the end of the file");
        }
        auto marker = checkIsoMarker(container, static_cast<std::int64_t>(position),
                                     static_cast<std::int64_t>(container.size()));
        if (!marker) return marker.error();
        if (*marker < 0) {
            return tableError(container, name + " does not start with a disc-image block");
        }
        positions.push_back(position);
    }
    if (positions.empty()) return tableError(container, "it names no disc");
    return positions;
}

Expected<std::optional<std::vector<std::uint64_t>>> findDiscBlocks(InputFile& container,
                                                                   std::uint64_t dataPsarOffset) {
    using Found = std::optional<std::vector<std::uint64_t>>;
    const auto dataPsar = static_cast<std::int64_t>(dataPsarOffset);
    auto marker = checkIsoMarker(container, dataPsar, static_cast<std::int64_t>(container.size()));
    if (!marker) return marker.error();
    if (*marker == dataPsar) return Found(std::vector<std::uint64_t>{dataPsarOffset});
    auto head = container.readUpTo(dataPsarOffset, kTitleImageMarker.size());
    if (!head) return head.error();
    if (!hasTitleImageMarker(*head)) return Found();
    auto table = readDiscTable(container, dataPsarOffset);
    if (!table) return table.error();
    return Found(std::move(*table));
}

}  // namespace quillon
