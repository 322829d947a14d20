// Containers whose disc-image blocks carry a table of contents, and containers of
// several discs ("PSTITLEIMG"), laid out as the popstation tool lays them out.
#pragma once

#include <cstdint>
#include <vector>

#include "common/bytes.h"
#include "source/disc_toc.h"
#include "source/image_index.h"
#include "source/multi_disc.h"
#include "source/pbp.h"
#include "support/packed_container.h"
#include "support/pbp_builder.h"

namespace quillon::testing {

// A disc as a container holds it: its packed blocks and the table of contents of
// `tracks` for an image of `imageSize` bytes (none when `tracks` is empty).
struct TestDisc {
    PackedImage packed;
    std::vector<DiscTrack> tracks{DiscTrack{}};
    std::uint64_t imageSize = 0;
};

inline TestDisc testDisc(const Bytes& image, int level, std::vector<DiscTrack> tracks = {DiscTrack{}}) {
    return {packImage(image, level), std::move(tracks), image.size()};
}

// Writes the disc's table of contents, block index and blocks into the disc-image block
// at `block` of `file` (which reaches far enough).
inline void placeDisc(Bytes& file, std::uint64_t block, const TestDisc& disc) {
    if (!disc.tracks.empty()) {
        const Bytes toc = encodeToc(disc.tracks, disc.imageSize);
        std::copy(toc.begin(), toc.end(), file.begin() + static_cast<std::ptrdiff_t>(block + kTocOffset));
    }
    const Bytes index = encodeIndex(disc.packed.index);
    std::copy(index.begin(), index.end(), file.begin() + static_cast<std::ptrdiff_t>(block + kIndexOffset));
    std::copy(disc.packed.data.begin(), disc.packed.data.end(),
              file.begin() + static_cast<std::ptrdiff_t>(block + kImageDataOffset));
}

// A container of one disc whose block carries the disc's table of contents.
inline Bytes buildDiscContainer(const TestDisc& disc, ContainerRecipe parts = {}) {
    parts.imageDataSize = disc.packed.data.size();
    Bytes file = buildContainer(parts);
    placeDisc(file, TestContainer::dataPsarOf(file), disc);
    return file;
}

// The positions of the discs' blocks from the start of DATA.PSAR: the first at 0x8000,
// each next one on the first multiple of 0x8000 after the blocks before it.
inline std::vector<std::uint64_t> discOffsets(const std::vector<TestDisc>& discs) {
    std::vector<std::uint64_t> offsets;
    std::uint64_t at = kDiscAlignment;
    for (const TestDisc& disc : discs) {
        offsets.push_back(at);
        at = (at + kImageDataOffset + disc.packed.data.size() + kDiscAlignment - 1) / kDiscAlignment * kDiscAlignment;
    }
    return offsets;
}

// A container of several discs: DATA.PSAR starts with "PSTITLEIMG000000" and the disc
// table; the start-screen block follows the last disc's blocks.
inline Bytes buildDiscSet(const std::vector<TestDisc>& discs, ContainerRecipe parts = {}) {
    const std::vector<std::uint64_t> offsets = discOffsets(discs);
    parts.isoMarker = false;
    parts.imageDataSize = offsets.back() + discs.back().packed.data.size();
    Bytes file = buildContainer(parts);
    const std::uint64_t psar = TestContainer::dataPsarOf(file);
    std::fill(file.begin() + static_cast<std::ptrdiff_t>(psar),
              file.begin() + static_cast<std::ptrdiff_t>(psar + kImageDataOffset + parts.imageDataSize), 0);
    ByteWriter writer(file);
    writer.putBytes(psar, asBytes(kTitleImageMarker));
    for (std::size_t i = 0; i < discs.size(); ++i) {
        storeLe32(&file[psar + kDiscTableOffset + 4 * i], static_cast<std::uint32_t>(offsets[i]));
        writer.putBytes(psar + offsets[i], asBytes("PSISOIMG0000"));
        placeDisc(file, psar + offsets[i], discs[i]);
    }
    return file;
}

// A disc whose blocks go on past its image with zero bytes up to its sector count + 150,
// which readers that place the disc's end there read.
inline TestDisc discWithTail(const Bytes& image, int level, std::vector<DiscTrack> tracks = {DiscTrack{}}) {
    Bytes withTail = image;
    withTail.resize(indexBlocksFor((image.size() + kSectorSize - 1) / kSectorSize) * kImageBlockSize, 0);
    TestDisc disc = testDisc(withTail, level, std::move(tracks));
    disc.imageSize = image.size();
    return disc;
}

// The positions in `file` of the disc-image blocks of `discs` as buildDiscContainer (one
// disc) or buildDiscSet (several) lays them out.
inline std::vector<std::uint64_t> discBlockPositions(const Bytes& file, const std::vector<TestDisc>& discs) {
    const std::uint64_t psar = TestContainer::dataPsarOf(file);
    if (discs.size() == 1) return {psar};
    std::vector<std::uint64_t> positions = discOffsets(discs);
    for (std::uint64_t& position : positions) position += psar;
    return positions;
}

// A container of `discs` that has what every reader needs: BOOTABLE in PARAM.SFO and the
// image data's position at +0xBFC of each disc-image block.
inline Bytes readableContainer(const std::vector<TestDisc>& discs) {
    ContainerRecipe parts;
    parts.bootable = true;
    Bytes file = discs.size() == 1 ? buildDiscContainer(discs[0], parts) : buildDiscSet(discs, parts);
    for (const std::uint64_t block : discBlockPositions(file, discs)) {
        storeLe32(&file[block + kImageDataPositionOffset], static_cast<std::uint32_t>(kImageDataOffset));
    }
    return file;
}

}  // namespace quillon::testing
