// The container readers on any bytes: header, layout check, sections, DATA.PSP length,
// PARAM.SFO in both directions, the disc ID and save title, the new layout, and the two
// block searches over the bytes as a file.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_file.h"
#include "source/disc_id.h"
#include "source/param_sfo.h"
#include "source/pbp.h"

namespace quillon {
namespace {

// A section's length: up to the next section's offset, within the file; 0 when the
// offsets are out of order.
std::uint64_t sectionLength(const PbpHeader& header, PbpSection section, std::uint64_t fileSize) {
    const std::uint64_t start = header.offset(section);
    const std::uint64_t next = std::min<std::uint64_t>(header.offset(nextSection(section)), fileSize);
    return next > start ? next - start : 0;
}

void checkSections(std::span<const std::uint8_t> file, const PbpHeader& header) {
    (void)checkPbpLayout(header, file.size());
    FUZZ_REQUIRE(dataPspLength(file, header) <= sectionLength(header, PbpSection::DataPsp, file.size()));
}

void checkNewLayout(std::span<const std::uint8_t> file, const PbpHeader& header) {
    const auto length = [&](PbpSection section) { return sectionLength(header, section, file.size()); };
    ArtworkLengths pieces{};
    for (std::size_t i = 0; i < pieces.size(); ++i) pieces[i] = length(artworkSection(i));
    const std::uint64_t dataPsp = dataPspLength(file, header);
    const auto layout = layOutContainer(header.icon0(), pieces, dataPsp);
    if (!layout) return;
    FUZZ_REQUIRE(layout->end == layout->dataPsp + dataPsp);
    FUZZ_REQUIRE(layout->dataPsar > layout->end);
    FUZZ_REQUIRE(layout->fillerLength == layout->dataPsar - layout->end);

    Bytes head(file.begin(), file.end());
    FUZZ_REQUIRE(writeLayoutOffsets(head, *layout));
    const auto rewritten = decodePbpHeader(head);
    FUZZ_REQUIRE(rewritten->paramSfo == header.paramSfo && rewritten->icon0() == header.icon0());
    FUZZ_REQUIRE(rewritten->artwork == layout->artwork && rewritten->dataPsp == layout->dataPsp &&
                 rewritten->dataPsar == layout->dataPsar);
}

void checkIdentification(std::span<const std::uint8_t> file, const PbpHeader& header) {
    readParamFields(file, header.paramSfo);
    const std::string saveTitle = readSaveTitle(file, header.dataPsar);
    FUZZ_REQUIRE(saveTitle.size() <= kSaveTitleSize);
    const std::string scanned = scanDiscId(file).value_or("");
    FUZZ_REQUIRE(scanned.size() <= 9);
    Bytes head(file.begin(), file.end());
    writeParamFields(head, header.paramSfo, saveTitle, scanned);
}

// The input as a file: as it is, or followed by zero bytes up to one byte less than,
// exactly, or one byte more than the start-screen window, as its last byte chooses.
// Scanning a whole window is slow under coverage tracing, so most inputs stay short.
Bytes asFile(std::span<const std::uint8_t> input) {
    Bytes file(input.begin(), input.end());
    const int choice = input.empty() ? 0 : input.back() % 16;
    if (choice >= 1 && choice <= 3) {
        file.resize(std::max<std::uint64_t>(file.size(), kStartDatWindow - 2 + choice), 0);
    }
    return file;
}

void checkSearches(const Bytes& content, const std::optional<PbpHeader>& header) {
    static const ScratchFile scratch("container.pbp");
    auto file = InputFile::open(scratch.hold(content));
    FUZZ_REQUIRE(file.ok() && file->size() == content.size());
    const ByteReader bytes(content);

    const auto startDat = findStartDat(*file);
    FUZZ_REQUIRE(startDat.ok());
    if (*startDat) {
        const std::uint64_t position = **startDat;
        FUZZ_REQUIRE(content.size() >= kStartDatWindow && position >= content.size() - kStartDatWindow);
        FUZZ_REQUIRE(bytes.matches(position, kStartDatMarker));
        if (const auto picture = startScreenPicture(position, content.size())) {
            FUZZ_REQUIRE(fitsIn(content.size(), picture->offset, picture->length));
        }
    }
    if (!header) return;
    const auto iso = hasIsoMarkerAt(*file, header->dataPsar, content.size());
    if (!iso.ok()) {
        FUZZ_REQUIRE(!bytes.fits(header->dataPsar, kIsoMarker.size()));
    } else {
        FUZZ_REQUIRE(*iso == bytes.matches(header->dataPsar, kIsoMarker));
    }
}

}  // namespace
}  // namespace quillon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    const std::span<const std::uint8_t> input(data, size);
    const auto header = decodePbpHeader(input);
    if (header) {
        checkSections(input, *header);
        checkNewLayout(input, *header);
        checkIdentification(input, *header);
    }
    checkSearches(asFile(input), header);
    return 0;
}
