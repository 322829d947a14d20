// Cue sheets and playlists on any bytes, beside two files they may name ("a.bin", three
// sectors and a bit, and "b.bin", two sectors): a sheet that reads lays out a disc whose
// tracks go forward and whose table of contents reads back; the same bytes as a table of
// contents and as a playlist are read without harm.
#include <unistd.h>

#include <filesystem>

#include "common/file_io.h"
#include "fuzz/fuzz_check.h"
#include "source/cue_sheet.h"
#include "source/disc_image.h"
#include "source/disc_toc.h"
#include "source/image_index.h"
#include "source/playlist.h"

namespace quillon {
namespace {

class DiscFolder {
public:
    DiscFolder() : path_(std::filesystem::temp_directory_path() / ("quillon-fuzz-cue-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
        // A folder that cannot be written only leaves the sheets' files missing.
        (void)writeFileAtomically(file("a.bin"), Bytes(3 * kSectorSize + 100, 0x41));
        (void)writeFileAtomically(file("b.bin"), Bytes(2 * kSectorSize, 0x42));
    }
    ~DiscFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return fromFsPath(path_ / name); }

private:
    std::filesystem::path path_;
};

void checkDisc(const CueSheet& sheet) {
    auto image = DiscImage::fromCueSheet(sheet);
    FUZZ_REQUIRE(image.ok());
    const std::vector<DiscTrack>& tracks = image->tracks();
    FUZZ_REQUIRE(tracks.size() == sheet.tracks.size() && tracks.size() <= kMaxTracks);
    FUZZ_REQUIRE(image->size() % kSectorSize == 0);
    const std::uint64_t sectors = image->size() / kSectorSize;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        FUZZ_REQUIRE(tracks[i].number == static_cast<int>(i + 1));
        FUZZ_REQUIRE(tracks[i].pregap <= tracks[i].start && tracks[i].start < sectors);
        FUZZ_REQUIRE(i == 0 || tracks[i].start - tracks[i].pregap > tracks[i - 1].start);
    }
    Bytes sector(kSectorSize);
    FUZZ_REQUIRE(image->readExactAt(0, sector).ok());
    FUZZ_REQUIRE(image->readExactAt(image->size() - kSectorSize, sector).ok());
    FUZZ_REQUIRE(image->readFirstDataTrack(65535).ok());

    // The table of contents is written only for a disc that the block index can hold;
    // the tool refuses a longer one (a sheet may ask for hours of pregap) before that.
    if (sectors > std::uint64_t{kMaxIndexEntries} * (kImageBlockSize / kSectorSize)) return;
    Bytes head(kTocOffset, 0);
    const Bytes toc = encodeToc(tracks, image->size());
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
    static const DiscFolder folder;
    const std::span<const std::uint8_t> input(data, size);
    if (const auto sheet = parseCueSheet(input, folder.file("disc.cue"))) checkDisc(*sheet);
    if (const auto discs = parsePlaylist(input, folder.file("game.m3u"))) {
        FUZZ_REQUIRE(!discs->empty() && discs->size() <= 5);
    }
    readAsTableOfContents(input);
    return 0;
}
