// The block index of a disc-image block as the project's popstation tool writes it:
// the image cut into blocks of 16 sectors of 2,352 bytes, each stored as it is or
// deflated, one 32-byte index entry per block at 0x4000 from the start of DATA.PSAR, the
// blocks one after the other from 0x100000. An end entry closes the index: stored size
// 0, the end of the stored blocks (the sum of their sizes) as its offset, other bytes
// zero. Containers written before that rule end it with an all-zero entry.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/expected.h"
#include "common/file_io.h"

namespace quillon {

inline constexpr std::size_t kSectorSize = 2352;
inline constexpr std::size_t kImageBlockSize = 16 * kSectorSize;  // 0x9300
inline constexpr std::uint64_t kTocOffset = 0x800;
inline constexpr std::uint64_t kIndexOffset = 0x4000;
inline constexpr std::size_t kIndexEntrySize = 32;
inline constexpr std::size_t kIndexEntryChecksum = 8;  // where the SHA-1 prefix stands
inline constexpr std::size_t kMaxIndexEntries = (0x100000 - kIndexOffset) / kIndexEntrySize - 1;
// A block of 0x9300 image bytes is stored in at most this many as the project's tool
// writes it: a block deflates to at most its size and a few bytes of deflate's stored
// mode, and one zero byte may follow.
inline constexpr std::size_t kLongestStoredBlock = kImageBlockSize + 64;
// Packing, extraction and the PAL patch move blocks in runs of this many (about 0.6 MB
// of image): one read, one write and one hand-over between threads per run.
inline constexpr std::size_t kBlocksPerRun = 16;
// Room for the stored bytes of a run, set aside once for every run held. (Room that
// grew run by run would leave the memory allocator's freed pieces behind, more of them
// the larger the image.)
inline constexpr std::size_t kStoredRunRoom = kBlocksPerRun * kLongestStoredBlock;
// Emulators' readers place the end of the last track two seconds past the image's last
// sector and read up to there (one of them fails the whole disc on the first sector no
// entry holds), so the index goes on with blocks of zero bytes over that many sectors.
inline constexpr std::uint64_t kSectorsPastImageEnd = 150;

// The blocks of an image of `imageSectors` sectors together with the zero sectors that
// follow it, in whole blocks.
inline std::uint64_t indexBlocksFor(std::uint64_t imageSectors) {
    constexpr std::uint64_t sectorsPerBlock = kImageBlockSize / kSectorSize;
    return (imageSectors + kSectorsPastImageEnd + sectorsPerBlock - 1) / sectorsPerBlock;
}

struct IndexEntry {
    std::uint32_t offset = 0;      // of the stored block, from the start of the image data
    std::uint16_t storedSize = 0;  // kImageBlockSize: stored as it is; else raw deflate
    std::uint16_t flags = 1;
    std::array<std::uint8_t, 16> sha1Prefix{};  // of the block's 0x9300 image bytes

    // Readers stop at the first entry of size 0, whatever else it holds.
    bool isEnd() const { return storedSize == 0; }
    bool isCompressed() const { return storedSize != kImageBlockSize; }
    // Packers that do not fill in the checksum leave it zero.
    bool hasChecksum() const {
        return std::any_of(sha1Prefix.begin(), sha1Prefix.end(), [](std::uint8_t b) { return b != 0; });
    }
};

// The entry that closes an index whose blocks end at `storedEnd`.
inline IndexEntry indexEndEntry(std::uint32_t storedEnd) {
    IndexEntry end;
    end.offset = storedEnd;
    end.storedSize = 0;
    end.flags = 0;
    return end;
}

inline IndexEntry decodeIndexEntry(const std::uint8_t* p) {
    IndexEntry e;
    e.offset = loadLe32(p);
    e.storedSize = loadLe16(p + 4);
    e.flags = loadLe16(p + 6);
    std::copy(p + kIndexEntryChecksum, p + kIndexEntryChecksum + 16, e.sha1Prefix.begin());
    return e;
}

inline void encodeIndexEntry(const IndexEntry& e, std::uint8_t* p) {
    storeLe32(p, e.offset);
    storeLe16(p + 4, e.storedSize);
    storeLe16(p + 6, e.flags);
    std::copy(e.sha1Prefix.begin(), e.sha1Prefix.end(), p + kIndexEntryChecksum);
    std::fill(p + 24, p + 32, std::uint8_t{0});
}

// Where the image data lies in the container: from `begin` (DATA.PSAR + 0x100000) up to
// `end` (the start-screen block), end exclusive.
struct ImageDataExtent {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

// How a block of 0x9300 image bytes is stored at a compression level: as it is at level
// 0; at 1 to 9 (and at the strongest level, kStrongestDeflateLevel) always
// raw-deflated, also when that makes it no smaller, with one zero byte after the stream
// when its size would be exactly 0x9300 (which readers take for a block stored as it is).
Bytes storeBlock(std::span<const std::uint8_t> image, int level);

// Puts the 0x9300 image bytes of a stored block into `image` (0x9300 bytes): taken as
// they are or inflated, as the entry's size says; false when a deflated block does not
// inflate to exactly 0x9300 bytes.
bool loadBlock(std::span<const std::uint8_t> stored, const IndexEntry& entry, std::span<std::uint8_t> image);
// The same into bytes of their own: nullopt where the above gives false.
std::optional<Bytes> loadBlock(std::span<const std::uint8_t> stored, const IndexEntry& entry);

// The first 16 bytes of the SHA-1 of a block's image bytes.
std::array<std::uint8_t, 16> blockChecksum(std::span<const std::uint8_t> image);

// The most bytes that the blocks of an image of `imageBytes` take: its blocks and the
// zero blocks past it (indexBlocksFor), each stored in at most kLongestStoredBlock bytes.
std::uint64_t mostStoredBytes(std::uint64_t imageBytes);

// The index area's entries: `entries`, then the end entry whose offset is the end of
// the stored blocks.
Bytes encodeIndex(const std::vector<IndexEntry>& entries);

// Where the blocks that the index of the disc-image block at `blockPosition` names end,
// from the start of its image data: the sum of their stored sizes up to the end entry.
Expected<std::uint64_t> readStoredBlocksEnd(InputFile& container, std::uint64_t blockPosition);

// What the block index at DATA.PSAR + 0x4000 says about the image data.
struct BlockIndex {
    enum class State {
        Absent,   // no entries, or only blocks stored as they are that do not tile the
                  // image data: the image data is the disc image as it stands
        Valid,    // the entries tile the image data exactly
        Damaged,  // deflated blocks, but entries that do not tile the image data (and,
                  // as readDiscBlockIndex reads it, more that keep the disc from being read)
    };
    State state = State::Absent;
    std::vector<IndexEntry> entries;  // Valid: the blocks in image order
    std::uint64_t storedEnd = 0;      // Valid: where the blocks end, from the image data's start
    std::uint32_t endOffset = 0;      // Valid: the offset its end entry gives (0 in older containers)
    // Damaged, or Absent with entries that do not tile the image data: what is wrong, for
    // a user to read.
    std::string fault;

    bool valid() const { return state == State::Valid; }
    bool hasCompressedBlock() const;
    // The bytes of image that the image data gives by this index: the decoded blocks
    // when one is deflated, else the stored bytes (all `dataLength` of them without a
    // valid index).
    std::uint64_t imageBytes(std::uint64_t dataLength) const;
};

// Where the blocks of an index end: at the end of the image data's extent (one disc's
// container, whose start-screen block follows them), or anywhere within it (a disc of
// several, whose block the next disc's follows after zero bytes up to a round offset).
enum class BlocksEnd { AtExtentEnd, WithinExtent };

// Reads the index up to its end entry (stored size 0, its offset the end of the stored
// blocks, or 0 in older containers) and checks that its entries run in order and
// without gaps from the start of the image data to where they must end. An error only
// when a read fails.
Expected<BlockIndex> readBlockIndex(InputFile& container, std::uint64_t dataPsarOffset, const ImageDataExtent& extent,
                                    BlocksEnd blocksEnd = BlocksEnd::AtExtentEnd);

// The index of the disc-image block at `blockPosition` as reading the disc's image needs
// it: readBlockIndex's, and Damaged also when image data that starts with a deflated
// block has no entries that describe it, or when the entries give fewer bytes of image
// than the block's table of contents, when it decodes, gives the disc (the blocks may go
// on past it with zero bytes). An error only when a read fails.
Expected<BlockIndex> readDiscBlockIndex(InputFile& container, std::uint64_t blockPosition,
                                        const ImageDataExtent& extent, BlocksEnd blocksEnd);

// One block as read from the container and decoded.
struct DecodedBlock {
    std::size_t number = 0;      // in image order, counted from 0
    std::uint64_t position = 0;  // of its stored bytes in the container
    const IndexEntry* entry = nullptr;
    std::optional<Bytes> image;    // its 0x9300 image bytes; nullopt when it does not inflate to them
    bool checksumDiffers = false;  // its entry has a checksum, and the image bytes do not match it
};

// Reads the blocks of `entries` (offsets from the image data at `imageDataBegin`) one
// after the other and hands each to `visit`; stops at the first failed read or the first
// error that `visit` gives, and gives that. The blocks are read and visited in order on
// the calling thread, and inflated and checked against their checksums on all processor
// cores meanwhile, a few runs of blocks ahead.
Status forEachBlock(InputFile& container, std::uint64_t imageDataBegin, std::span<const IndexEntry> entries,
                    const std::function<Status(const DecodedBlock& block)>& visit);

}  // namespace quillon
