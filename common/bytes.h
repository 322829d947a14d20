// Little-endian loads and stores, big-endian loads, and bounds-checked views over byte
// buffers.
// Every offset taken from a file goes through ByteReader/ByteWriter, which answer
// "does not fit" instead of reading or writing past the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t loadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t loadLe24(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16);
}
inline std::uint32_t loadLe32(const std::uint8_t* p) { return loadLe24(p) | (static_cast<std::uint32_t>(p[3]) << 24); }
inline void storeLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void storeLe24(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
}
inline void storeLe32(std::uint8_t* p, std::uint32_t v) {
    storeLe24(p, v);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// Big-endian loads, for the formats that store their numbers that way (CHD).
inline std::uint16_t loadBe16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
inline std::uint64_t loadBe(const std::uint8_t* p, std::size_t bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) value = (value << 8) | p[i];
    return value;
}
inline std::uint32_t loadBe32(const std::uint8_t* p) { return static_cast<std::uint32_t>(loadBe(p, 4)); }
inline std::uint64_t loadBe64(const std::uint8_t* p) { return loadBe(p, 8); }

// True when [offset, offset + count) lies within a buffer of `size` bytes; safe
// against overflow for any 64-bit inputs.
inline bool fitsIn(std::uint64_t size, std::uint64_t offset, std::uint64_t count) {
    return offset <= size && count <= size - offset;
}

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t size() const { return data_.size(); }
    bool fits(std::uint64_t offset, std::uint64_t count) const { return fitsIn(data_.size(), offset, count); }
    std::optional<std::uint8_t> u8(std::uint64_t offset) const {
        if (!fits(offset, 1)) return std::nullopt;
        return data_[offset];
    }
    std::optional<std::uint16_t> le16(std::uint64_t offset) const {
        if (!fits(offset, 2)) return std::nullopt;
        return loadLe16(data_.data() + offset);
    }
    std::optional<std::uint32_t> le24(std::uint64_t offset) const {
        if (!fits(offset, 3)) return std::nullopt;
        return loadLe24(data_.data() + offset);
    }
    std::optional<std::uint32_t> le32(std::uint64_t offset) const {
        if (!fits(offset, 4)) return std::nullopt;
        return loadLe32(data_.data() + offset);
    }
    std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t offset, std::uint64_t count) const {
        if (!fits(offset, count)) return std::nullopt;
        return data_.subspan(offset, count);
    }
    // True when the bytes at offset spell `text` exactly.
    bool matches(std::uint64_t offset, std::string_view text) const {
        return fits(offset, text.size()) && std::memcmp(data_.data() + offset, text.data(), text.size()) == 0;
    }

private:
    std::span<const std::uint8_t> data_;
};

class ByteWriter {
public:
    explicit ByteWriter(std::span<std::uint8_t> data) : data_(data) {}

    std::size_t size() const { return data_.size(); }
    bool fits(std::uint64_t offset, std::uint64_t count) const { return fitsIn(data_.size(), offset, count); }
    bool putLe16(std::uint64_t offset, std::uint16_t v) {
        if (!fits(offset, 2)) return false;
        storeLe16(data_.data() + offset, v);
        return true;
    }
    bool putLe24(std::uint64_t offset, std::uint32_t v) {
        if (!fits(offset, 3)) return false;
        storeLe24(data_.data() + offset, v);
        return true;
    }
    bool putLe32(std::uint64_t offset, std::uint32_t v) {
        if (!fits(offset, 4)) return false;
        storeLe32(data_.data() + offset, v);
        return true;
    }
    bool putBytes(std::uint64_t offset, std::span<const std::uint8_t> src) {
        if (!fits(offset, src.size())) return false;
        if (!src.empty()) std::memcpy(data_.data() + offset, src.data(), src.size());
        return true;
    }
    // Writes `text` into `room` bytes at offset: cut at `room`, zero bytes after it.
    bool putPaddedText(std::uint64_t offset, std::string_view text, std::size_t room) {
        if (!fits(offset, room)) return false;
        const std::size_t n = text.size() < room ? text.size() : room;
        std::memcpy(data_.data() + offset, text.data(), n);
        std::memset(data_.data() + offset + n, 0, room - n);
        return true;
    }

private:
    std::span<std::uint8_t> data_;
};

inline std::span<const std::uint8_t> asBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}
inline std::string_view asText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace quillon
