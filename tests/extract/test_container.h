// Containers made in the tests: a header with the magic, a disc-image block at the
// DATA.PSAR offset (marker, optional block index, image data from 0x100000) and a
// start-screen block at the end; and the packing of an image into indexed blocks as
// the popstation tool does it.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/digest.h"
#include "source/image_index.h"
#include "source/pbp.h"

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

struct TestContainer {
    std::uint32_t dataPsar = 0x50000;
    Bytes imageData;                // the stored bytes from DATA.PSAR + 0x100000 on
    std::vector<IndexEntry> index;  // written at DATA.PSAR + 0x4000 when not empty
    bool startDat = true;
    Bytes picture = Bytes(300, 0x89);

    Bytes build() const {
        Bytes file(dataPsar + kImageDataOffset, 0);
        std::copy(kPbpMagic.begin(), kPbpMagic.end(), file.begin());
        storeLe32(&file[4], 0x10000);
        storeLe32(&file[8], 40);
        for (std::size_t field = 12; field < 36; field += 4) storeLe32(&file[field], 40);
        storeLe32(&file[36], dataPsar);
        const std::string marker = "PSISOIMG0000";
        std::copy(marker.begin(), marker.end(), file.begin() + dataPsar);
        for (std::size_t i = 0; i < index.size(); ++i) {
            encodeIndexEntry(index[i], &file[dataPsar + kIndexOffset + i * kIndexEntrySize]);
        }
        file.insert(file.end(), imageData.begin(), imageData.end());
        if (startDat) {
            Bytes block(kStartDatPictureOffset, 0);
            std::copy(kStartDatMarker.begin(), kStartDatMarker.end(), block.begin());
            storeLe32(&block[kStartDatLengthField],
                      static_cast<std::uint32_t>(kStartDatPictureOffset + picture.size()));
            block.insert(block.end(), picture.begin(), picture.end());
            block.resize(block.size() + kStartDatTrailerSize, 0);
            file.insert(file.end(), block.begin(), block.end());
        }
        return file;
    }

    // Where the image data begins in the built file.
    std::uint64_t imageDataStart() const { return dataPsar + kImageDataOffset; }
};

inline TestContainer packedContainer(const PackedImage& packed) {
    TestContainer container;
    container.imageData = packed.data;
    container.index = packed.index;
    return container;
}

}  // namespace quillon::testing
