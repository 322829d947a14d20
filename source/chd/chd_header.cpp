#include "source/chd/chd_header.h"

#include <algorithm>
#include <cstdio>

#include "common/bytes.h"
#include "common/text.h"

namespace quillon {
namespace {

constexpr std::uint32_t kChdVersion = 5;

std::string hexText(std::span<const std::uint8_t> bytes) {
    std::string text;
    char digits[3];
    for (const std::uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        text += digits;
    }
    return text;
}

// The numbers of the header that the map, the metadata and the hunks are found by.
Status checkLayout(const ChdHeader& header, std::span<const std::uint8_t> head, std::uint64_t fileSize,
                   const std::string& path) {
    const std::uint32_t unitBytes = loadBe32(&head[60]);
    if (header.hunkBytes == 0 || header.hunkBytes % kChdFrameSize != 0 || unitBytes != kChdFrameSize) {
        return chdUnreadable(path, "it holds no CD image (its hunks are " + std::to_string(header.hunkBytes) +
                                       " bytes and its units " + std::to_string(unitBytes) +
                                       ", where a CD's are whole frames of 2448 bytes)");
    }
    if (header.hunkBytes > kChdMaxHunkBytes) {
        return chdUnreadable(
            path, "its hunks of " + std::to_string(header.hunkBytes) + " bytes are larger than any CD image has");
    }
    if (header.logicalBytes == 0 || header.logicalBytes % kChdFrameSize != 0 ||
        header.logicalBytes / kChdFrameSize > kChdMaxFrames) {
        return chdDamaged(
            path, "it gives a size of " + std::to_string(header.logicalBytes) + " bytes, which is no CD image's");
    }
    if (header.mapOffset < kChdHeaderSize || header.mapOffset >= fileSize) {
        return chdDamaged(path, "its hunk map lies outside the file");
    }
    if (header.metaOffset != 0 && (header.metaOffset < kChdHeaderSize || header.metaOffset >= fileSize)) {
        return chdDamaged(path, "its metadata lies outside the file");
    }
    return {};
}

}  // namespace

Error chdDamaged(const std::string& path, const std::string& reason) {
    return Error::format("The CHD " + inQuotes(path) + " is damaged: " + reason + ".");
}

Error chdUnreadable(const std::string& path, const std::string& reason) {
    return Error::format("The CHD " + inQuotes(path) + " cannot be read: " + reason + ".");
}

std::string chdCodecName(std::uint32_t tag) {
    std::string name;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>(tag >> shift);
        if (c < 0x21 || c > 0x7E) {
            char hex[11];
            std::snprintf(hex, sizeof hex, "0x%08x", tag);
            return hex;
        }
        name += c;
    }
    return name;
}

bool hasChdSignature(std::span<const std::uint8_t> head) { return ByteReader(head).matches(0, kChdSignature); }

Expected<ChdHeader> parseChdHeader(std::span<const std::uint8_t> head, std::uint64_t fileSize,
                                   const std::string& path) {
    if (!hasChdSignature(head)) return chdDamaged(path, "it does not start with the CHD signature");
    if (head.size() < 16) return chdDamaged(path, "it ends inside its header");
    const std::uint32_t version = loadBe32(&head[12]);
    if (version != kChdVersion) {
        return chdUnreadable(path,
                             "it is a CHD of version " + std::to_string(version) + ", and only version 5 is read");
    }
    if (loadBe32(&head[8]) != kChdHeaderSize) return chdDamaged(path, "its header length is wrong");
    if (head.size() < kChdHeaderSize || fileSize < kChdHeaderSize) {
        return chdDamaged(path, "it ends inside its header");
    }
    const auto parent = std::span(head).subspan(104, 20);
    if (std::any_of(parent.begin(), parent.end(), [](std::uint8_t b) { return b != 0; })) {
        return chdUnreadable(path, "it holds only its differences from a parent CHD (whose SHA-1 is " +
                                       hexText(parent) + "), and parent CHDs are not read");
    }
    ChdHeader header;
    for (std::size_t slot = 0; slot < header.codecs.size(); ++slot) {
        header.codecs[slot] = loadBe32(&head[16 + 4 * slot]);
    }
    header.logicalBytes = loadBe64(&head[32]);
    header.mapOffset = loadBe64(&head[40]);
    header.metaOffset = loadBe64(&head[48]);
    header.hunkBytes = loadBe32(&head[56]);
    std::copy_n(head.begin() + 64, header.rawSha1.size(), header.rawSha1.begin());
    if (Status st = checkLayout(header, head, fileSize, path); !st) return st.error();
    return header;
}

}  // namespace quillon
