// The block index and the decoding of its blocks, as extraction reads them, on any
// bytes: a file with the index table at 0x4000 and the stored blocks right after it.
// A valid index tiles the image data and decodes to 0x9300 bytes a block or fails with
// a message; a damaged one says why.
#include <fuzzer/FuzzedDataProvider.h>

#include "extract/image_data.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_file.h"
#include "source/image_index.h"

namespace quillon {
namespace {

void checkIndex(const BlockIndex& index, const ImageDataExtent& extent) {
    if (index.state == BlockIndex::State::Damaged) {
        FUZZ_REQUIRE(!index.fault.empty() && index.entries.empty());
        return;
    }
    if (index.state == BlockIndex::State::Absent) {
        FUZZ_REQUIRE(index.entries.empty());
        return;
    }
    std::uint64_t next = 0;
    for (const IndexEntry& entry : index.entries) {
        FUZZ_REQUIRE(entry.offset == next && entry.storedSize > 0);
        next += entry.storedSize;
    }
    FUZZ_REQUIRE(next == extent.end - extent.begin);
}

void decode(InputFile& container, const BlockIndex& index, const ImageDataExtent& extent) {
    static const ScratchFile output("decoded.iso");
    auto out = OutputFile::create(output.path());
    FUZZ_REQUIRE(out.ok());
    StoredDisc image;
    image.stored = extent;
    image.blocks = index.entries;
    image.length = index.entries.size() * kImageBlockSize;
    std::size_t reports = 0;
    const auto written = writeDiscImage(container, image, *out, [&](std::uint64_t position) {
        FUZZ_REQUIRE(position > extent.begin && position <= extent.end);
        return ++reports < 3;  // an abort after a few blocks now and then
    });
    if (written) FUZZ_REQUIRE(out->written() == image.length);
    if (!written) FUZZ_REQUIRE(!written.error().message.empty());
    out->discard();
}

}  // namespace
}  // namespace quillon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    static const ScratchFile scratch("blocks.pbp");
    FuzzedDataProvider in(data, size);
    const std::size_t entries = in.ConsumeIntegralInRange<std::size_t>(0, 64);
    const Bytes table = in.ConsumeBytes<std::uint8_t>(entries * kIndexEntrySize);
    const Bytes stored = in.ConsumeRemainingBytes<std::uint8_t>();
    Bytes file(kIndexOffset, 0);
    file.insert(file.end(), table.begin(), table.end());
    const ImageDataExtent extent{file.size(), file.size() + stored.size()};
    file.insert(file.end(), stored.begin(), stored.end());

    auto container = InputFile::open(scratch.hold(file));
    FUZZ_REQUIRE(container.ok());
    const auto index = readBlockIndex(*container, 0, extent);
    FUZZ_REQUIRE(index.ok());
    checkIndex(*index, extent);
    if (index->valid()) decode(*container, *index, extent);
    return 0;
}
