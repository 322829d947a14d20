// Containers with given image data and block index, and the packing of an image into
// indexed blocks as the popstation tool does it.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/digest.h"
#include "source/image_index.h"
#include "source/pbp.h"
#include "support/pbp_builder.h"

namespace quillon::testing {

inline Bytes randomBytes(std::size_t count, unsigned seed = 1) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// Bytes that deflate well: runs of a few values.
inline Bytes compressibleBytes(std::size_t count, unsigned seed = 2) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; i += 64) {
        const auto value = static_cast<std::uint8_t>(random() % 4);
        for (std::size_t j = i; j < count && j < i + 64; ++j) bytes[j] = value;
    }
    return bytes;
}

struct PackedImage {
    Bytes data;  // the stored blocks, one after the other
    std::vector<IndexEntry> index;
};

// Cuts `image` into 0x9300-byte blocks (the last completed with zeros) and stores each
// deflated at `level` when that makes it smaller, else as it is (level 0: all stored).
inline PackedImage packImage(const Bytes& image, int level) {
    PackedImage packed;
    for (std::size_t at = 0; at < image.size(); at += kImageBlockSize) {
        Bytes block(kImageBlockSize, 0);
        std::copy(image.begin() + static_cast<std::ptrdiff_t>(at),
                  image.begin() +
                      static_cast<std::ptrdiff_t>(std::min(image.size(), at + kImageBlockSize)),
                  block.begin());
        Bytes stored = level > 0 ? deflateRaw(block, level) : block;
        if (stored.size() >= kImageBlockSize) stored = block;
        IndexEntry entry;
        entry.offset = static_cast<std::uint32_t>(packed.data.size());
        entry.storedSize = static_cast<std::uint16_t>(stored.size());
        const Sha1 digest = sha1(block);
        std::copy(digest.begin(), digest.begin() + 16, entry.sha1Prefix.begin());
        packed.index.push_back(entry);
        packed.data.insert(packed.data.end(), stored.begin(), stored.end());
    }
    return packed;
}

// `image` completed with zeros to whole blocks: what extraction gives back.
inline Bytes paddedImage(Bytes image) {
    image.resize((image.size() + kImageBlockSize - 1) / kImageBlockSize * kImageBlockSize, 0);
    return image;
}

// A container as the shared builder makes it, with the image data and block index
// given here.
struct TestContainer {
    Bytes imageData;                // the stored bytes from DATA.PSAR + 0x100000 on
    std::vector<IndexEntry> index;  // written at DATA.PSAR + 0x4000 when not empty
    bool startDat = true;

    Bytes build() const {
        ContainerRecipe parts;
        parts.imageDataSize = imageData.size();
        if (!startDat) parts.startPicture.reset();
        Bytes file = buildContainer(parts);
        const std::uint32_t psar = dataPsarOf(file);
        std::copy(imageData.begin(), imageData.end(), file.begin() + psar + kImageDataOffset);
        for (std::size_t i = 0; i < index.size(); ++i) {
            encodeIndexEntry(index[i], &file[psar + kIndexOffset + i * kIndexEntrySize]);
        }
        return file;
    }

    static std::uint32_t dataPsarOf(const Bytes& file) {
        return loadLe24(&file[headerField(PbpSection::DataPsar)]);
    }
    // Where the image data begins in the built file.
    std::uint64_t imageDataStart() const { return dataPsarOf(build()) + kImageDataOffset; }
};

inline TestContainer packedContainer(const PackedImage& packed) {
    TestContainer container;
    container.imageData = packed.data;
    container.index = packed.index;
    return container;
}

}  // namespace quillon::testing
