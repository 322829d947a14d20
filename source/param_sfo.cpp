#include "source/param_sfo.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace quillon {
namespace {

constexpr std::array<std::uint8_t, 4> kSfoMagic{0x00, 'P', 'S', 'F'};
constexpr std::uint32_t kSfoVersion = 0x101;
constexpr std::uint64_t kKeyTableField = 8;
constexpr std::uint64_t kDataTableField = 12;
constexpr std::uint64_t kEntryCountField = 16;
constexpr std::uint64_t kTableFieldsEnd = kDataTableField + 4;
constexpr std::uint64_t kIndexStart = 20;
constexpr std::uint64_t kEntrySize = 16;
// Fields of an index entry.
constexpr std::uint64_t kKeyOffsetField = 0;
constexpr std::uint64_t kFormatField = 2;
constexpr std::uint64_t kLengthField = 4;
constexpr std::uint64_t kRoomField = 8;
constexpr std::uint64_t kValueOffsetField = 12;
constexpr std::uint32_t kIntegerSize = 4;

constexpr std::string_view kDiscIdKey = "DISC_ID";
constexpr std::string_view kTitleKey = "TITLE";

// The entry numbers of the two keys, found by walking the key table.
struct ParamKeys {
    std::uint64_t dataTable = 0;  // from the start of PARAM.SFO
    std::optional<std::uint64_t> discIdEntry;
    std::optional<std::uint64_t> titleEntry;
};

// Walks the bytes from the key table's start through the data table's start, both
// included. Every zero byte ends a key and counts an entry, the key table's padding too.
// The last byte is the data table's first; a table that ends with its key table (no
// values) does not have it, which is no fault of the key table.
std::optional<ParamKeys> findParamKeys(ByteReader head, std::uint64_t sfo, bool& outOfBounds) {
    if (!head.fits(sfo, kTableFieldsEnd)) {
        outOfBounds = true;
        return std::nullopt;
    }
    ParamKeys keys;
    keys.dataTable = *head.le32(sfo + kDataTableField);
    const std::uint64_t last = sfo + keys.dataTable;
    std::string key;
    std::uint64_t entry = 0;
    for (std::uint64_t position = sfo + *head.le32(sfo + kKeyTableField); position <= last; ++position) {
        const auto byte = head.u8(position);
        if (!byte) {
            outOfBounds = position < last;  // the key table runs past the bytes given
            break;
        }
        if (*byte != 0) {
            key.push_back(static_cast<char>(*byte));
            continue;
        }
        if (key == kDiscIdKey) keys.discIdEntry = entry;
        if (key == kTitleKey) keys.titleEntry = entry;
        key.clear();
        ++entry;
    }
    return keys;
}

struct EntryFields {
    std::uint64_t position = 0;  // of the index entry in the head
    std::uint32_t length = 0;    // data length, terminating zero included
    std::uint32_t room = 0;      // bytes reserved for the value
    std::uint64_t value = 0;     // position of the value in the head
};

std::optional<EntryFields> entryFields(ByteReader head, std::uint64_t sfo, const ParamKeys& keys, std::uint64_t entry) {
    const std::uint64_t position = sfo + kIndexStart + kEntrySize * entry;
    if (!head.fits(position, kEntrySize)) return std::nullopt;
    return EntryFields{position, *head.le32(position + kLengthField), *head.le32(position + kRoomField),
                       sfo + keys.dataTable + *head.le32(position + kValueOffsetField)};
}

// The text bytes of a value: its data length less the terminating zero; what lies
// outside the head is left out.
std::string readValue(ByteReader head, const EntryFields& fields, bool& outOfBounds) {
    if (fields.length <= 1) return {};
    const std::uint64_t wanted = fields.length - 1;
    const std::uint64_t available = fields.value < head.size() ? head.size() - fields.value : 0;
    if (available < wanted) outOfBounds = true;
    const auto bytes = head.bytes(fields.value, std::min(wanted, available));
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// How much of a text fits into `room` bytes together with its terminating zero.
std::size_t keptLength(std::string_view text, std::uint32_t room) {
    return room == 0 ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(text.size(), room - 1));
}

// Stores `text` into the `room` bytes at `position`, cut so that its terminating zero
// stays inside the room, zero bytes after it. Gives the data length that agrees with
// the bytes stored, or nullopt (nothing written) when the room lies outside the buffer.
std::optional<std::uint32_t> storeText(ByteWriter& out, std::uint64_t position, std::string_view text,
                                       std::uint32_t room) {
    const std::size_t kept = keptLength(text, room);
    if (!out.putPaddedText(position, text.substr(0, kept), room)) return std::nullopt;
    return room == 0 ? 0 : static_cast<std::uint32_t>(kept + 1);
}

// The value of one index entry; empty (and flagged) when the entry lies outside.
std::string readEntry(ByteReader head, std::uint64_t sfo, const ParamKeys& keys, std::uint64_t entry,
                      bool& outOfBounds) {
    const auto fields = entryFields(head, sfo, keys, entry);
    if (!fields) {
        outOfBounds = true;
        return {};
    }
    return readValue(head, *fields, outOfBounds);
}

// Stores the value of one index entry; true when it had to be cut.
bool writeEntry(std::span<std::uint8_t> head, std::uint64_t sfo, const ParamKeys& keys, std::uint64_t entry,
                std::string_view value, bool& outOfBounds) {
    const auto fields = entryFields(ByteReader(head), sfo, keys, entry);
    ByteWriter out(head);
    const auto length = fields ? storeText(out, fields->value, value, fields->room) : std::nullopt;
    if (!length) {
        outOfBounds = true;
        return false;
    }
    out.putLe32(fields->position + kLengthField, *length);
    return keptLength(value, fields->room) < value.size();
}

std::uint32_t roomOf(const SfoEntry& entry) {
    return entry.isInteger ? std::max(entry.maxLength, kIntegerSize) : entry.maxLength;
}

std::uint64_t alignedTo4(std::uint64_t count) { return (count + 3) / 4 * 4; }

// The zero-terminated text at `position`; nullopt when no zero ends it within the bytes.
std::optional<std::string> zeroTerminated(std::span<const std::uint8_t> bytes, std::uint64_t position) {
    if (position >= bytes.size()) return std::nullopt;
    const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(position);
    const auto zero = std::find(begin, bytes.end(), std::uint8_t{0});
    if (zero == bytes.end()) return std::nullopt;
    return std::string(begin, zero);
}

Expected<SfoParam> readParam(std::span<const std::uint8_t> sfo, std::uint64_t entry) {
    const ByteReader reader(sfo);
    const std::uint64_t at = kIndexStart + kEntrySize * entry;
    const std::string name = "entry " + std::to_string(entry + 1);
    const auto key =
        zeroTerminated(sfo, std::uint64_t{*reader.le32(kKeyTableField)} + *reader.le16(at + kKeyOffsetField));
    if (!key) return Error::format("the key of " + name + " lies outside it");
    SfoParam param;
    param.key = *key;
    param.format = *reader.le16(at + kFormatField);
    const std::uint64_t value = std::uint64_t{*reader.le32(kDataTableField)} + *reader.le32(at + kValueOffsetField);
    const auto bytes = reader.bytes(value, *reader.le32(at + kLengthField));
    if (!bytes) return Error::format("the value of " + param.key + " lies outside it");
    if (param.format == kSfoIntegerFormat) {
        if (bytes->size() != kIntegerSize) return Error::format("the integer " + param.key + " is not 4 bytes long");
        param.integer = loadLe32(bytes->data());
    } else {
        param.text = std::string(asText(*bytes).substr(0, asText(*bytes).find('\0')));
    }
    return param;
}

}  // namespace

Expected<std::vector<SfoParam>> readParamEntries(std::span<const std::uint8_t> sfo) {
    const ByteReader reader(sfo);
    if (!reader.matches(0, asText(kSfoMagic))) return Error::format("its magic is missing");
    const auto count = reader.le32(kEntryCountField);
    if (!count || !reader.fits(kIndexStart, kEntrySize * *count)) return Error::format("its index lies outside it");
    std::vector<SfoParam> params;
    for (std::uint64_t entry = 0; entry < *count; ++entry) {
        auto param = readParam(sfo, entry);
        if (!param) return param.error();
        params.push_back(std::move(*param));
    }
    return params;
}

ParamFields readParamFields(std::span<const std::uint8_t> head, std::uint64_t sfoPosition) {
    ParamFields fields;
    const ByteReader reader(head);
    const auto keys = findParamKeys(reader, sfoPosition, fields.outOfBounds);
    if (!keys) return fields;
    if (keys->discIdEntry) {
        fields.discId = readEntry(reader, sfoPosition, *keys, *keys->discIdEntry, fields.outOfBounds);
    }
    if (keys->titleEntry) {
        fields.title = readEntry(reader, sfoPosition, *keys, *keys->titleEntry, fields.outOfBounds);
    }
    return fields;
}

ParamWriteResult writeParamFields(std::span<std::uint8_t> head, std::uint64_t sfoPosition, std::string_view title,
                                  std::string_view discId) {
    ParamWriteResult result;
    const auto keys = findParamKeys(ByteReader(head), sfoPosition, result.outOfBounds);
    if (!keys) return result;
    if (keys->discIdEntry) {
        result.discIdCut = writeEntry(head, sfoPosition, *keys, *keys->discIdEntry, discId, result.outOfBounds);
    }
    if (keys->titleEntry) {
        result.titleCut = writeEntry(head, sfoPosition, *keys, *keys->titleEntry, title, result.outOfBounds);
    }
    return result;
}

Bytes buildParamSfo(std::vector<SfoEntry> entries) {
    std::sort(entries.begin(), entries.end(), [](const SfoEntry& a, const SfoEntry& b) { return a.key < b.key; });
    std::uint64_t keyBytes = 0;
    std::uint64_t dataBytes = 0;
    for (const SfoEntry& entry : entries) {
        keyBytes += entry.key.size() + 1;
        dataBytes += roomOf(entry);
    }
    const std::uint64_t keyTable = kIndexStart + kEntrySize * entries.size();
    const std::uint64_t dataTable = keyTable + alignedTo4(keyBytes);
    Bytes sfo(dataTable + dataBytes, 0);
    ByteWriter out(sfo);
    out.putBytes(0, kSfoMagic);
    out.putLe32(4, kSfoVersion);
    out.putLe32(kKeyTableField, static_cast<std::uint32_t>(keyTable));
    out.putLe32(kDataTableField, static_cast<std::uint32_t>(dataTable));
    out.putLe32(kEntryCountField, static_cast<std::uint32_t>(entries.size()));

    std::uint64_t keyOffset = 0;
    std::uint64_t valueOffset = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const SfoEntry& entry = entries[i];
        const std::uint64_t index = kIndexStart + kEntrySize * i;
        const std::uint32_t room = roomOf(entry);
        std::uint32_t length = kIntegerSize;
        if (entry.isInteger) {
            out.putLe32(dataTable + valueOffset, entry.integer);
        } else {
            length = *storeText(out, dataTable + valueOffset, entry.text, room);
        }
        out.putLe16(index + kKeyOffsetField, static_cast<std::uint16_t>(keyOffset));
        out.putLe16(index + kFormatField, entry.isInteger ? kSfoIntegerFormat : kSfoTextFormat);
        out.putLe32(index + kLengthField, length);
        out.putLe32(index + kRoomField, room);
        out.putLe32(index + kValueOffsetField, static_cast<std::uint32_t>(valueOffset));
        out.putPaddedText(keyTable + keyOffset, entry.key, entry.key.size() + 1);
        keyOffset += entry.key.size() + 1;
        valueOffset += room;
    }
    return sfo;
}

}  // namespace quillon
