#include "common/sha1.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/digest.h"

namespace quillon {
namespace {

std::string hex(const Sha1& digest) {
    std::string text;
    char pair[3];
    for (std::uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

Sha1 portableSha1(const std::string& text, std::size_t pieceSize) {
    PortableSha1 hasher;
    for (std::size_t at = 0; at < text.size(); at += pieceSize) {
        hasher.add(bytesOf(text.substr(at, pieceSize)));
    }
    return hasher.finish();
}

struct Vector {
    std::string message;
    std::string digest;
};

// The test vectors of FIPS 180 for SHA-1.
const Vector kVectors[] = {
    {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
};

TEST(Sha1Test, TheStandardVectorsWholeAndInPieces) {
    for (const Vector& vector : kVectors) {
        SCOPED_TRACE(vector.message.substr(0, 60));
        for (std::size_t pieceSize : {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{1000000}}) {
            EXPECT_EQ(hex(portableSha1(vector.message, pieceSize)), vector.digest) << "pieces of " << pieceSize;
        }
        EXPECT_EQ(hex(sha1(bytesOf(vector.message))), vector.digest);
        Sha1Hasher hasher;
        hasher.add(bytesOf(vector.message));
        EXPECT_EQ(hex(hasher.finish()), vector.digest);
    }
}

// Every length around the block's end, where the padding takes one block or two.
TEST(Sha1Test, EveryLengthUpToThreeBlocksAgreesWithThePlatformSha1) {
    std::string text;
    for (std::size_t length = 0; length <= 192; ++length) {
        SCOPED_TRACE(length);
        EXPECT_EQ(portableSha1(text, 7), sha1(bytesOf(text)));
        text += static_cast<char>('A' + length % 26);
    }
}

}  // namespace
}  // namespace quillon
