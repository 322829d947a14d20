// CHD files on any bytes: the header, the hunk map and the track list read from memory
// as the reader reads them from a file, and the same bytes as one track's text. A file
// that the reader opens lays out a disc whose tracks go forward; reads at its start,
// middle and end, and for a small disc the whole of it and the check of its SHA-1, end
// with the bytes or a message.
#include "common/file_io.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_file.h"
#include "source/chd/chd_disc.h"
#include "source/chd/chd_header.h"
#include "source/chd/chd_map.h"
#include "source/chd/chd_metadata.h"
#include "source/image_index.h"

namespace quillon {
namespace {

constexpr const char* kName = "fuzz.chd";

void parseFromMemory(std::span<const std::uint8_t> input) {
    (void)parseChdTrack(asText(input), kName);
    const auto header = parseChdHeader(input.first(std::min(input.size(), kChdHeaderSize)), input.size(), kName);
    if (!header) return;
    FUZZ_REQUIRE(header->hunkBytes > 0 && header->hunkBytes % kChdFrameSize == 0);
    FUZZ_REQUIRE(header->mapOffset < input.size());
    const auto hunks = parseChdMap(*header, input.subspan(header->mapOffset), input.size(), kName);
    if (hunks) {
        FUZZ_REQUIRE(hunks->size() == header->hunkCount());
        for (std::size_t h = 0; h < hunks->size(); ++h) {
            const ChdHunk& hunk = (*hunks)[h];
            if (hunk.kind == ChdHunk::Kind::Copy) {
                FUZZ_REQUIRE(hunk.offset < h && (*hunks)[hunk.offset].kind != ChdHunk::Kind::Copy);
            }
            if (hunk.kind == ChdHunk::Kind::Compressed || hunk.kind == ChdHunk::Kind::Stored) {
                FUZZ_REQUIRE(fitsIn(input.size(), hunk.offset, hunk.length) && hunk.length <= header->hunkBytes);
            }
        }
    }
    const ChdFileReader read = [input](std::uint64_t position, std::span<std::uint8_t> out) -> Status {
        if (!fitsIn(input.size(), position, out.size())) return Error::read("Read beyond end of file");
        std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(position), out.size(), out.begin());
        return {};
    };
    (void)readChdTracks(*header, input.size(), read, kName);
}

void readDisc(DiscReader& disc) {
    const std::vector<DiscTrack>& tracks = disc.tracks();
    FUZZ_REQUIRE(!tracks.empty() && disc.size() % kSectorSize == 0);
    const std::uint64_t sectors = disc.size() / kSectorSize;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        FUZZ_REQUIRE(tracks[i].number == static_cast<int>(i + 1));
        FUZZ_REQUIRE(tracks[i].pregap <= tracks[i].start && tracks[i].start < sectors);
        FUZZ_REQUIRE(i == 0 || tracks[i].start - tracks[i].pregap > tracks[i - 1].start);
    }
    Bytes bytes(3 * kSectorSize + 7);
    const std::uint64_t last = disc.size() - std::min<std::uint64_t>(disc.size(), bytes.size());
    for (const std::uint64_t at : {std::uint64_t{0}, disc.size() / 2, last}) {
        (void)disc.readExactAt(at, std::span(bytes).first(std::min<std::size_t>(bytes.size(), disc.size() - at)));
    }
    if (disc.size() > (4u << 20)) return;
    Bytes all(static_cast<std::size_t>(disc.size()));
    if (disc.readExactAt(0, all).ok()) (void)disc.checkAfterReadingAll();
}

}  // namespace
}  // namespace quillon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    static const ScratchFile file("chd");
    const std::span<const std::uint8_t> input(data, size);
    parseFromMemory(input);
    auto opened = InputFile::open(file.hold(input));
    if (!opened) return 0;
    auto disc = ChdDisc::open(std::move(*opened));
    if (disc) readDisc(**disc);
    return 0;
}
