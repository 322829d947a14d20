#include "source/cue_sheet_disc.h"

#include <functional>

#include "common/text.h"
#include "source/text_lines.h"

namespace quillon {
namespace {

// Reads the sheet in `sheetFile`, opening each file it names once, for its size, and
// handing it to `keep`.
Expected<CueSheet> readSheet(InputFile& sheetFile, const std::function<void(InputFile)>& keep) {
    auto text = sheetFile.readBytes(0, static_cast<std::size_t>(sheetFile.size()));
    if (!text) return text.error();
    const CueFileSize openFile = [&keep](const std::string& path) -> Expected<std::uint64_t> {
        auto file = openEntry(path, "FILE names a missing file: " + inQuotes(path));
        if (!file) return file.error();
        const std::uint64_t size = file->size();
        keep(std::move(*file));
        return size;
    };
    return parseCueSheet(*text, sheetFile.path(), openFile);
}

}  // namespace

Expected<std::unique_ptr<DiscReader>> CueSheetDisc::open(InputFile sheetFile) {
    std::unique_ptr<CueSheetDisc> disc(new CueSheetDisc(sheetFile.path()));
    auto sheet = readSheet(sheetFile, [&disc](InputFile file) { disc->addFile(std::move(file)); });
    if (!sheet) return sheet.error();
    const CueLayout layout = layOutCueSheet(*sheet);
    for (const CueStretch& stretch : layout.stretches) {
        disc->addStretch(stretch.sectors, stretch.file, stretch.fileSector);
    }
    for (const DiscTrack& track : layout.tracks) disc->addTrack(track);
    return std::unique_ptr<DiscReader>(std::move(disc));
}

Expected<CueSheet> readCueSheet(const std::string& path) {
    auto sheetFile = InputFile::open(path);
    if (!sheetFile) return sheetFile.error();
    return readSheet(*sheetFile, [](InputFile) {});
}

}  // namespace quillon
