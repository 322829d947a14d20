// The PAL patch through indexed blocks on any image: blocks stored as they are or
// deflated as the input chooses, PAL code at positions it chooses, now and then a stored
// byte damaged. The output's blocks must decode to the image patched as a plain scan
// patches it, with the same count, or the patch must fail with a message.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>

#include "convert/pal_patch.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_file.h"
#include "source/image_index.h"

namespace quillon {
namespace {

// The image as one scan over its bytes patches it, and the number of places.
int patchedByOneScan(Bytes& image) {
    int count = 0;
    for (std::size_t at = 0; at + kPatchPatternSize <= image.size(); ++at) {
        for (const auto& pattern : kPalPatterns) {
            if (std::memcmp(&image[at], pattern.data(), pattern.size()) != 0) continue;
            for (const std::size_t i : kPatchedBytes) image[at + i] = 0;
            ++count;
        }
    }
    return count;
}

Bytes imageFrom(FuzzedDataProvider& in, std::size_t blocks) {
    Bytes image(blocks * kImageBlockSize, 0);
    const std::size_t pieces = in.ConsumeIntegralInRange<std::size_t>(0, 16);
    for (std::size_t i = 0; i < pieces; ++i) {
        const auto at = in.ConsumeIntegralInRange<std::size_t>(0, image.size() - kPatchPatternSize);
        const auto& pattern = kPalPatterns[in.ConsumeIntegralInRange<std::size_t>(0, 1)];
        std::copy(pattern.begin(), pattern.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
    }
    const Bytes rest = in.ConsumeBytes<std::uint8_t>(image.size());
    std::copy(rest.begin(), rest.end(), image.begin());
    return image;
}

// The source file: a head of the index's room, then the blocks.
struct Source {
    Bytes file;
    std::uint64_t imageDataStart = 0;
    std::vector<IndexEntry> index;
    bool damaged = false;
};

Source packed(const Bytes& image, FuzzedDataProvider& in) {
    Source source;
    const std::size_t blocks = image.size() / kImageBlockSize;
    source.file.assign((blocks + 2) * kIndexEntrySize, 0);
    source.imageDataStart = source.file.size();
    for (std::size_t i = 0; i < blocks; ++i) {
        const auto block = std::span(image).subspan(i * kImageBlockSize, kImageBlockSize);
        const Bytes stored = storeBlock(block, in.ConsumeIntegralInRange<int>(0, 9));
        IndexEntry entry;
        entry.offset = static_cast<std::uint32_t>(source.file.size() - source.imageDataStart);
        entry.storedSize = static_cast<std::uint16_t>(stored.size());
        entry.sha1Prefix = blockChecksum(block);
        source.index.push_back(entry);
        source.file.insert(source.file.end(), stored.begin(), stored.end());
    }
    source.damaged = in.ConsumeBool();
    if (source.damaged) {
        const auto at = in.ConsumeIntegralInRange<std::size_t>(source.imageDataStart, source.file.size() - 1);
        source.file[at] ^= in.ConsumeIntegralInRange<std::uint8_t>(1, 255);
    }
    return source;
}

// The image that a container's blocks hold, as far as they decode; checksums checked
// when asked.
std::optional<Bytes> decodedBlocks(std::span<const std::uint8_t> file, std::uint64_t indexStart,
                                   std::uint64_t imageDataStart, bool checkSums) {
    Bytes image;
    for (std::size_t i = 0;; ++i) {
        const IndexEntry entry = decodeIndexEntry(&file[indexStart + i * kIndexEntrySize]);
        if (entry.isEnd()) return image;
        const auto block = loadBlock(file.subspan(imageDataStart + entry.offset, entry.storedSize), entry);
        if (!block) return std::nullopt;
        if (checkSums) FUZZ_REQUIRE(entry.sha1Prefix == blockChecksum(*block));
        image.insert(image.end(), block->begin(), block->end());
    }
}

}  // namespace
}  // namespace quillon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    static const ScratchFile sourceFile("patch-source.pbp");
    static const ScratchFile outputFile("patch-output.pbp");
    FuzzedDataProvider in(data, size);
    const Bytes image = imageFrom(in, in.ConsumeIntegralInRange<std::size_t>(1, 3));
    Source source = packed(image, in);
    // The source's own index, written into its head, tells how its blocks decode.
    const Bytes index = encodeIndex(source.index);
    std::copy(index.begin(), index.end(), source.file.begin());
    const auto sourceImage = decodedBlocks(source.file, 0, source.imageDataStart, false);

    auto input = InputFile::open(sourceFile.hold(source.file));
    auto output = OutputFile::create(outputFile.path());
    FUZZ_REQUIRE(input.ok() && output.ok());
    const Progress progress = [](const ProgressReport&) { return true; };
    const ImageCopy copy{{*input, *output, 0, source.file.size()}, progress};
    int count = 0;
    const Status patched = copyPatchedBlocks(copy, source.imageDataStart, source.index, 0, count);
    if (!patched) {
        FUZZ_REQUIRE(!sourceImage && patched.error().kind == Error::Kind::Format);
        return 0;
    }
    FUZZ_REQUIRE(sourceImage.has_value());
    FUZZ_REQUIRE(output->commit().ok());
    const auto written = readWholeFile(outputFile.path());
    FUZZ_REQUIRE(written.ok());

    Bytes expected = *sourceImage;
    FUZZ_REQUIRE(count == patchedByOneScan(expected));
    FUZZ_REQUIRE(decodedBlocks(*written, 0, source.imageDataStart, !source.damaged) == expected);
    return 0;
}
