#include "source/disc_id.h"

#include <algorithm>

#include "common/bytes.h"
#include "common/text.h"
#include "source/pbp.h"

namespace quillon {
namespace {

constexpr std::size_t kDiscIdLength = 9;
constexpr std::size_t kPrefixLength = 4;
constexpr std::size_t kNumberLength = 5;
// A disc ID is gathered from the 16 bytes at its prefix; a scan starts no later than 15
// bytes before the end of what was read.
constexpr std::size_t kDiscIdWindow = 16;
constexpr std::size_t kMinimumScanSize = 15;

bool isSeparator(std::uint8_t byte) { return byte == '-' || byte == '_' || byte == '.'; }

bool startsWithKnownPrefix(const ByteReader& head, std::size_t position) {
    return std::any_of(kKnownIdPrefixes.begin(), kKnownIdPrefixes.end(),
                       [&](std::string_view prefix) { return head.matches(position, prefix); });
}

std::string gatherDiscId(std::span<const std::uint8_t> window) {
    std::string discId;
    for (const std::uint8_t byte : window) {
        if (discId.size() == kDiscIdLength) break;
        if (!isSeparator(byte)) discId.push_back(static_cast<char>(byte));
    }
    return discId;
}

}  // namespace

std::optional<std::string> scanDiscId(std::span<const std::uint8_t> head) {
    if (head.size() < kMinimumScanSize) return std::nullopt;
    const ByteReader reader(head);
    for (std::size_t position = 0; position + kMinimumScanSize <= head.size(); ++position) {
        if (startsWithKnownPrefix(reader, position)) {
            return gatherDiscId(*reader.bytes(position, std::min(kDiscIdWindow, head.size() - position)));
        }
    }
    return std::nullopt;
}

std::string idPrefixOf(std::string_view discId) { return std::string(discId.substr(0, kPrefixLength)); }

std::string idNumberOf(std::string_view discId) {
    return discId.size() > kPrefixLength ? std::string(discId.substr(kPrefixLength, kNumberLength)) : std::string();
}

std::string lookupKey(std::string_view discId) { return idPrefixOf(discId) + "-" + idNumberOf(discId); }

std::string readSaveTitle(std::span<const std::uint8_t> bytes, std::uint64_t blockPosition) {
    if (blockPosition >= bytes.size()) return {};
    const std::uint64_t start = blockPosition + kSaveTitleOffset;
    const ByteReader reader(bytes);
    std::string title;
    for (std::uint64_t i = 0; i < kSaveTitleSize; ++i) {
        const auto byte = reader.u8(start + i);
        if (!byte || *byte == 0) break;
        title.push_back(static_cast<char>(*byte));
    }
    return title;
}

std::string withoutDiscMarker(std::string title) {
    std::string_view rest = title;
    const bool bracketed = rest.ends_with(')') || rest.ends_with(']');
    if (bracketed) rest.remove_suffix(1);
    const std::size_t digits = rest.size() - std::min(rest.size(), rest.find_last_not_of("0123456789") + 1);
    if (digits == 0) return title;
    rest.remove_suffix(digits);
    while (rest.ends_with(' ')) rest.remove_suffix(1);
    constexpr std::string_view kDisc = "disc";
    if (rest.size() < kDisc.size() || !equalIgnoringAsciiCase(rest.substr(rest.size() - kDisc.size()), kDisc)) {
        return title;
    }
    rest.remove_suffix(kDisc.size());
    if (bracketed) {
        const char opening = title.back() == ')' ? '(' : '[';
        if (!rest.ends_with(opening)) return title;
        rest.remove_suffix(1);
    }
    while (rest.ends_with(' ')) rest.remove_suffix(1);
    return std::string(rest);
}

std::string regionLabel(std::string_view regionWord) { return "Game region: " + std::string(regionWord); }

}  // namespace quillon
