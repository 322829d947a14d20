// Containers with given image data and block index, the packing of an image into
// indexed blocks as the popstation tool does it, and the decoding of such blocks.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/bytes.h"
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

// Cuts `image` into 0x9300-byte blocks (the last completed with zeros) and stores block
// i as the tool stores blocks at level `levelOf(i)`.
inline PackedImage packBlocks(const Bytes& image, const std::function<int(std::size_t)>& levelOf) {
    PackedImage packed;
    for (std::size_t at = 0; at < image.size(); at += kImageBlockSize) {
        Bytes block(kImageBlockSize, 0);
        std::copy(image.begin() + static_cast<std::ptrdiff_t>(at),
                  image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), at + kImageBlockSize)),
                  block.begin());
        const Bytes stored = storeBlock(block, levelOf(at / kImageBlockSize));
        IndexEntry entry;
        entry.offset = static_cast<std::uint32_t>(packed.data.size());
        entry.storedSize = static_cast<std::uint16_t>(stored.size());
        entry.sha1Prefix = blockChecksum(block);
        packed.index.push_back(entry);
        packed.data.insert(packed.data.end(), stored.begin(), stored.end());
    }
    return packed;
}

inline PackedImage packImage(const Bytes& image, int level) {
    return packBlocks(image, [level](std::size_t) { return level; });
}

// The disc image that the indexed blocks of a container hold (empty when a block does
// not decode).
inline Bytes decodedImage(const Bytes& container) {
    const std::uint64_t psar = loadLe24(&container[headerField(PbpSection::DataPsar)]);
    Bytes image;
    for (std::size_t i = 0;; ++i) {
        const IndexEntry entry = decodeIndexEntry(&container[psar + kIndexOffset + i * kIndexEntrySize]);
        if (entry.isEnd()) return image;
        const auto stored = std::span(container).subspan(psar + kImageDataOffset + entry.offset, entry.storedSize);
        const auto block = loadBlock(stored, entry);
        if (!block) return {};
        image.insert(image.end(), block->begin(), block->end());
    }
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

    static std::uint32_t dataPsarOf(const Bytes& file) { return loadLe24(&file[headerField(PbpSection::DataPsar)]); }
    // Where the image data begins in the built file.
    std::uint64_t imageDataStart() const { return dataPsarOf(build()) + kImageDataOffset; }
};

// A container of several discs as the popstation tool lays it out: DATA.PSAR starts with
// "PSTITLEIMG000000" and the disc table, and each disc's block (marker, ID text, index,
// blocks) starts on a multiple of 0x8000.
inline Bytes severalDiscsContainer(const std::vector<PackedImage>& discs) {
    Bytes psar(0x8000, 0);
    ByteWriter(psar).putBytes(0, asBytes("PSTITLEIMG000000"));
    for (std::size_t i = 0; i < discs.size(); ++i) {
        psar.resize((psar.size() + 0x7FFF) / 0x8000 * 0x8000, 0);
        storeLe32(&psar[0x200 + 4 * i], static_cast<std::uint32_t>(psar.size()));
        Bytes head(kImageDataOffset, 0);
        ByteWriter writer(head);
        writer.putPaddedText(0, "PSISOIMG0000", 12);
        writer.putPaddedText(kDiscIdTextOffset, "_SLUS_9900" + std::to_string(i + 1), kDiscIdTextSize);
        writer.putBytes(kIndexOffset, encodeIndex(discs[i].index));
        psar.insert(psar.end(), head.begin(), head.end());
        psar.insert(psar.end(), discs[i].data.begin(), discs[i].data.end());
    }
    ContainerRecipe parts;
    parts.imageDataSize = psar.size() - kImageDataOffset;
    Bytes file = buildContainer(parts);
    std::copy(psar.begin(), psar.end(), file.begin() + loadLe24(&file[headerField(PbpSection::DataPsar)]));
    return file;
}

inline TestContainer packedContainer(const PackedImage& packed) {
    TestContainer container;
    container.imageData = packed.data;
    container.index = packed.index;
    return container;
}

}  // namespace quillon::testing
