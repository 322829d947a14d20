// Disc data for tests: sectors whose bytes tell them apart, and the check of the error
// messages of the text files that name discs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "common/bytes.h"
#include "source/image_index.h"

namespace quillon::testing {

// `count` sectors of 2,352 bytes, no two alike (up to 65,536 sectors); the bytes of
// another seed differ from these at every position.
inline Bytes distinctSectors(std::size_t count, std::uint8_t seed) {
    Bytes bytes(count * kSectorSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t sector = i / kSectorSize;
        const std::size_t offset = i % kSectorSize;
        const std::size_t high = offset == 0 ? sector >> 8 : 0;
        bytes[i] = static_cast<std::uint8_t>(offset * 31 + sector * 7 + high + seed * 101u);
    }
    return bytes;
}

inline Bytes concatenated(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// `message` starts `KIND "PATH", line LINE: ` and holds `what` after that.
inline ::testing::AssertionResult isLineError(const std::string& message, const std::string& kind,
                                              const std::string& path, int line, const std::string& what) {
    const std::string prefix = kind + " \"" + path + "\", line " + std::to_string(line) + ": ";
    if (message.starts_with(prefix) && message.find(what, prefix.size()) != std::string::npos) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "message: " << message;
}

}  // namespace quillon::testing
