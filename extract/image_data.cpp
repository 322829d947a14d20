#include "extract/image_data.h"

#include <algorithm>
#include <string>

#include "common/digest.h"
#include "source/pbp.h"

namespace quillon {
namespace {

bool matchesPrefix(const Sha1& digest, const std::array<std::uint8_t, 16>& prefix) {
    return std::equal(prefix.begin(), prefix.end(), digest.begin());
}

Error damagedBlock(const InputFile& container, std::size_t block, std::uint64_t position,
                   const std::string& reason) {
    return Error::format("Cannot extract the disc image from \"" + container.path() +
                         "\". Its block " + std::to_string(block + 1) + " (at byte " +
                         std::to_string(position) + ") " + reason + ".");
}

}  // namespace

Status copyStoredImage(InputFile& container, const ImageDataExtent& extent, OutputFile& output,
                       const CopyProgress& progress) {
    // The bytes move in pieces of 256 KiB, which keep reads and writes on page boundaries
    // and few: pieces of 65,535 bytes would start one byte earlier in each page and make
    // the copy about half again as slow. Progress still follows the 65,535-byte blocks:
    // four or five reports after each full piece.
    constexpr std::size_t kPieceSize = 0x40000;
    const std::uint64_t length = extent.end > extent.begin ? extent.end - extent.begin : 0;
    Bytes buffer(kPieceSize);
    std::uint64_t fullBlocks = 0;  // reported so far
    for (std::uint64_t done = 0; done < length;) {
        const std::span<std::uint8_t> piece(
            buffer.data(), static_cast<std::size_t>(std::min<std::uint64_t>(kPieceSize, length - done)));
        if (auto read = container.readExactAt(extent.begin + done, piece); !read) return read;
        if (auto written = output.write(piece); !written) return written;
        done += piece.size();
        while ((fullBlocks + 1) * kCopyBlockSize <= done) {
            ++fullBlocks;
            if (!progress(extent.begin + fullBlocks * kCopyBlockSize)) return Error::cancelled();
        }
    }
    return {};
}

Status writeDecodedImage(InputFile& container, const ImageDataExtent& extent,
                         const std::vector<IndexEntry>& index, OutputFile& output,
                         const CopyProgress& progress) {
    for (std::size_t i = 0; i < index.size(); ++i) {
        const IndexEntry& entry = index[i];
        const std::uint64_t position = extent.begin + entry.offset;
        auto stored = container.readBytes(position, entry.storedSize);
        if (!stored) return stored.error();
        std::optional<Bytes> image = entry.isCompressed()
                                         ? inflateRaw(*stored, kImageBlockSize)
                                         : std::optional<Bytes>(std::move(*stored));
        if (!image) {
            return damagedBlock(
                container, i, position,
                "is damaged: it does not inflate to " + std::to_string(kImageBlockSize) + " bytes");
        }
        if (!matchesPrefix(sha1(*image), entry.sha1Prefix)) {
            return damagedBlock(container, i, position, "does not match its SHA-1 checksum");
        }
        if (auto written = output.write(*image); !written) return written;
        const bool last = i + 1 == index.size();
        if (!last && !progress(position + entry.storedSize)) return Error::cancelled();
    }
    return {};
}

}  // namespace quillon
