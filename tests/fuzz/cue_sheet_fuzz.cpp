// Cue sheets and playlists on any bytes, read without touching a file: a sheet's FILE
// named "a.bin" has three sectors and a bit, "b.bin" two sectors, any other is missing;
// every disc a playlist names is there. A sheet that reads lays out a disc whose tracks
// go forward and whose table of contents reads back; the same bytes as a table of
// contents and as a playlist are read without harm.
#include <map>

#include "common/file_io.h"
#include "fuzz/fuzz_check.h"
#include "source/cue_sheet.h"
#include "source/disc_toc.h"
#include "source/image_index.h"
#include "source/playlist.h"

namespace quillon {
namespace {

const std::string kSheetPath = "/discs/disc.cue";

Expected<std::uint64_t> sizeOf(const std::string& path) {
    static const std::map<std::string, std::uint64_t> sizes{{"a.bin", 3 * kSectorSize + 100},
                                                            {"b.bin", 2 * kSectorSize}};
    const auto size = sizes.find(fileNameOf(path));
    if (size == sizes.end()) return Error::read("FILE names a missing file: " + path);
    return size->second;
}

void checkDisc(const CueSheet& sheet) {
    const CueLayout layout = layOutCueSheet(sheet);
    const std::vector<DiscTrack>& tracks = layout.tracks;
    FUZZ_REQUIRE(tracks.size() == sheet.tracks.size() && tracks.size() <= kMaxTracks);
    std::uint64_t stretched = 0;
    for (const CueStretch& stretch : layout.stretches) {
        FUZZ_REQUIRE(!stretch.file || stretch.fileSector + stretch.sectors <= sheet.files[*stretch.file].sectors());
        stretched += stretch.sectors;
    }
    const std::uint64_t sectors = layout.sectors;
    FUZZ_REQUIRE(stretched == sectors);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        FUZZ_REQUIRE(tracks[i].number == static_cast<int>(i + 1));
        FUZZ_REQUIRE(tracks[i].pregap <= tracks[i].start && tracks[i].start < sectors);
        FUZZ_REQUIRE(i == 0 || tracks[i].start - tracks[i].pregap > tracks[i - 1].start);
    }

    // The table of contents is written only for a disc that the block index can hold;
    // the tool refuses a longer one (a sheet may ask for hours of pregap) before that.
    if (sectors > std::uint64_t{kMaxIndexEntries} * (kImageBlockSize / kSectorSize)) return;
    Bytes head(kTocOffset, 0);
    const Bytes toc = encodeToc(tracks, sectors * kSectorSize);
    head.insert(head.end(), toc.begin(), toc.end());
    const auto decoded = decodeToc(head);
    FUZZ_REQUIRE(decoded.ok() && decoded->imageSectors() == sectors);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        FUZZ_REQUIRE(decoded->tracks[i].start == tracks[i].start);
        FUZZ_REQUIRE(decoded->tracks[i].type == tracks[i].type);
    }
}

void readAsTableOfContents(std::span<const std::uint8_t> input) {
    Bytes head(kTocOffset, 0);
    head.insert(head.end(), input.begin(), input.end());
    const auto toc = decodeToc(head);
    if (!toc) return;
    FUZZ_REQUIRE(!toc->tracks.empty() && toc->tracks.size() <= kMaxTracks);
    FUZZ_REQUIRE(toc->leadOut > toc->tracks.back().start + kLeadInSectors);
}

}  // namespace
}  // namespace quillon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    const std::span<const std::uint8_t> input(data, size);
    if (const auto sheet = parseCueSheet(input, kSheetPath, sizeOf)) checkDisc(*sheet);
    const auto everyDiscThere = [](const std::string&) { return std::optional<std::string>(); };
    if (const auto discs = parsePlaylist(input, "/discs/game.m3u", everyDiscThere)) {
        FUZZ_REQUIRE(!discs->empty() && discs->size() <= 5);
    }
    readAsTableOfContents(input);
    return 0;
}
