#include "inspect/inspect_source.h"

#include <array>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "common/file_io.h"
#include "inspect/artwork_library.h"
#include "source/disc_id.h"
#include "source/multi_disc.h"
#include "source/param_sfo.h"
#include "source/pbp.h"
#include "state/artwork_kinds.h"
#include "state/busy_state.h"
#include "state/default_fields.h"

namespace quillon {
namespace {

constexpr const char* kWarningFileName = "warning.png";

// The start-screen picture of a container: absent, present, or named by a block that
// lies too close to the end of the file to hold one.
struct StartScreen {
    enum class State { Absent, Found, Damaged } state = State::Absent;
    Bytes picture;
};

Expected<StartScreen> readStartScreen(InputFile& file) {
    const auto block = findStartDat(file);
    if (!block) return block.error();
    if (!*block) return StartScreen{};
    const auto extent = startScreenPicture(**block, file.size());
    if (!extent) return StartScreen{StartScreen::State::Damaged, {}};
    auto picture = file.readBytes(extent->offset, static_cast<std::size_t>(extent->length));
    if (!picture) return picture.error();
    return StartScreen{StartScreen::State::Found, std::move(*picture)};
}

// File name without its extension: Foo.Bar.bin gives Foo.Bar.
std::string titleFromFileName(const std::string& path) { return withoutExtension(fileNameOf(path)); }

// The bytes of a disc that its ID is looked for in: the first data track's, for a disc
// of a cue sheet or a CHD; the file's first bytes for any other image.
Expected<Bytes> identificationBytes(SourceDiscs& discs) {
    auto disc = discs.disc(0);
    if (!disc) return disc.error();
    return (*disc)->readFirstDataTrack(kIdentificationReadSize);
}

class Inspection {
public:
    Inspection(FieldState& fields, const GameList& gameList, const ProgramFolder& folder, const WorkFolders& workplace,
               OpenedSource& opened)
        : fields_(fields),
          gameList_(gameList),
          folder_(folder),
          workplace_(workplace),
          opened_(opened),
          source_(fields.text(Field::sourcePath)) {}

    // Runs the case that the source calls for; the first file error stops it.
    Status run() {
        opened_.forget();
        applyDefaultFields(fields_);
        switch (classifySource(source_)) {
            case SourceKind::Missing: inspectMissing(); return {};
            case SourceKind::Image: return inspectImage();
            case SourceKind::Pbp: return inspectPbp();
        }
        return {};
    }

    // One message naming the parts of a damaged container that were left out; empty
    // when nothing was.
    std::string damageMessage() const {
        if (skipped_.empty()) return {};
        std::string text = "The PBP file " + inQuotes(damagedFile_) + " is damaged. Skipped: ";
        for (std::size_t i = 0; i < skipped_.size(); ++i) {
            text += (i ? ", " : "") + skipped_[i];
        }
        return text + ".";
    }

private:
    void inspectMissing() {
        setUnidentified();
        setTitles(titleFromFileName(source_));
    }

    // A disc image, a cue sheet (the disc it describes) or a playlist (its first disc).
    Status inspectImage() {
        auto discs = opened_.discsOf(source_);
        if (!discs) return discs.error();
        // A playlist's title is its first disc's without the disc's number.
        const std::string titleFromName = (*discs)->fromPlaylist()
                                              ? withoutDiscMarker(titleFromFileName((*discs)->path(0)))
                                              : titleFromFileName(source_);
        auto head = identificationBytes(**discs);
        if (!head) return head.error();
        const std::optional<std::string> discId = scanDiscId(*head);
        if (!discId) {
            setUnidentified();
            setTitles(titleFromName);
        } else {
            fields_.setText(Field::discIdPrefix, idPrefixOf(*discId));
            fields_.setText(Field::discIdNumber, idNumberOf(*discId));
            lookUpArtwork(fields_, folder_, *discId);
            fields_.setText(Field::regionCaption, kUnknownRegionLabel);
            if (const auto entry = findGameEntry(gameList_, lookupKey(*discId))) {
                const std::string& line = gameList_[*entry];
                fields_.setText(Field::title, titleOf(line));
                fields_.setText(Field::saveTitle, saveTitleOf(titleOf(line)));
                fields_.setText(Field::regionCaption, regionLabel(regionWordOf(line)));
            } else {
                // Keeping the titles would leave the previous game's on this one.
                setTitles(titleFromName);
            }
        }
        if (auto st = takeDefaultWarning(); !st) return st;
        appendGameFolder(fields_);
        return {};
    }

    // The start-screen picture of Files/base.pbp, written to warning.png in the program
    // folder, is the warning picture unless defWarning names one.
    Status takeDefaultWarning() {
        const std::string basePbp = folder_.baseContainer();
        if (!isFile(basePbp)) return {};
        removeUnlessSource(takenOutPath(kWarningFileName));
        auto file = InputFile::open(basePbp);
        if (!file) return file.error();
        auto startScreen = readStartScreen(*file);
        if (!startScreen) return startScreen.error();
        if (startScreen->state == StartScreen::State::Damaged) {
            skip(basePbp, "the start-screen picture");
            return {};
        }
        if (startScreen->state == StartScreen::State::Absent) return {};
        const std::string warningFile = workplace_.defaultWarningFolder + kWarningFileName;
        folder_.makeUserFolder(workplace_.defaultWarningFolder);
        if (auto st = writeUnlessSource(warningFile, startScreen->picture); !st) return st;
        const std::string defWarning = fields_.text(Field::defaultWarning);
        fields_.setPath(Field::warning, defWarning.empty() ? warningFile : defWarning);
        return {};
    }

    Status inspectPbp() {
        Bytes start;  // the container up to 4,780 bytes past DATA.PSAR
        std::optional<PbpHeader> header;
        std::string discId;
        std::optional<Bytes> discHead;  // the head of (the first) disc's disc-image block
        {
            auto file = InputFile::open(source_);
            if (!file) return file.error();
            auto head = file->readUpTo(0, kIdentificationReadSize);
            if (!head) return head.error();
            header = decodePbpHeader(*head);
            ParamFields param;
            if (!header) {
                skip(source_, "the PBP header");
            } else {
                param = readParamFields(*head, header->paramSfo);
                if (param.outOfBounds) skip(source_, "PARAM.SFO");
            }
            discId = param.discId;
            const std::string& title = param.title;
            fields_.setText(Field::discIdPrefix, idPrefixOf(discId));
            fields_.setText(Field::discIdNumber, idNumberOf(discId));
            fields_.setText(Field::title, title);

            if (auto st = takeContainerWarning(*file); !st) return st;

            if (header) {
                auto bytes = file->readUpTo(0, header->dataPsar + kImageHeadSize);
                if (!bytes) return bytes.error();
                start = std::move(*bytes);
                if (header->dataPsar > file->size()) skip(source_, "DATA.PSAR");
                auto head = readDiscHead(*file, *header, start);
                if (!head) return head.error();
                discHead = std::move(*head);
            }
        }
        for (const ArtworkKind& kind : kArtworkKinds) removeUnlessSource(takenOutPath(kind.takenOutAs));
        if (header) {
            if (auto st = writeSections(*header, start); !st) return st;
        }
        fields_.composePreview();

        fields_.setText(Field::saveTitle, "");
        fields_.setText(Field::regionCaption, kUnknownRegionLabel);
        if (!discHead) return {};
        if (discHead->size() < kImageHeadSize) {
            skip(source_, "the save title");
        } else {
            fields_.setText(Field::saveTitle, readSaveTitle(*discHead, 0));
        }
        if (!discId.empty()) {
            if (const auto entry = findGameEntry(gameList_, lookupKey(discId))) {
                fields_.setText(Field::regionCaption, regionLabel(regionWordOf(gameList_[*entry])));
            }
        }
        appendGameFolder(fields_);
        return {};
    }

    // The head of the disc-image block at DATA.PSAR, or of the first disc's block that the
    // disc table of a container of several discs names; nullopt when DATA.PSAR holds
    // neither. `start` holds the container up to 4,780 bytes past DATA.PSAR.
    Expected<std::optional<Bytes>> readDiscHead(InputFile& file, const PbpHeader& header, const Bytes& start) {
        const ByteReader bytes(start);
        if (bytes.matches(header.dataPsar, kIsoMarker)) {
            return std::optional<Bytes>(Bytes(start.begin() + header.dataPsar, start.end()));
        }
        if (!bytes.matches(header.dataPsar, kTitleImageMarker)) return std::optional<Bytes>();
        const auto discs = readDiscTable(file, header.dataPsar);
        if (!discs) {
            skip(source_, "the disc table");
            return std::optional<Bytes>();
        }
        auto head = file.readUpTo(discs->front(), kImageHeadSize);
        if (!head) return head.error();
        return std::optional<Bytes>(std::move(*head));
    }

    // The container's own start-screen picture, written to Pics/warning.png, is the
    // warning picture.
    Status takeContainerWarning(InputFile& file) {
        const std::string warningFile = takenOutPath(kWarningFileName);
        removeUnlessSource(warningFile);
        auto startScreen = readStartScreen(file);
        if (!startScreen) return startScreen.error();
        if (startScreen->state == StartScreen::State::Damaged) {
            skip(source_, "the start-screen picture");
        }
        if (startScreen->state != StartScreen::State::Found) return {};
        if (auto st = writePicsFile(warningFile, startScreen->picture); !st) return st;
        fields_.setPath(Field::warning, warningFile);
        return {};
    }

    // Each non-empty section that lies in order within `start` goes into its file in
    // Pics and its path into the field; an empty one leaves the field at its default.
    Status writeSections(const PbpHeader& header, const Bytes& start) {
        for (std::size_t i = 0; i < kArtworkKinds.size(); ++i) {
            const ArtworkKind& kind = kArtworkKinds[i];
            const PbpSection section = artworkSection(i);
            const std::uint64_t from = header.offset(section);
            const std::uint64_t to = header.offset(nextSection(section));
            if (from == to) continue;
            if (to < from || to > start.size()) {
                skip(source_, kind.sectionName);
                continue;
            }
            const std::string path = takenOutPath(kind.takenOutAs);
            const auto bytes = std::span(start).subspan(from, to - from);
            if (auto st = writePicsFile(path, bytes); !st) return st;
            fields_.setPath(kind.field, path);
        }
        return {};
    }

    std::string takenOutPath(std::string_view name) const { return workplace_.takenOutFolder + std::string(name); }

    Status writePicsFile(const std::string& path, std::span<const std::uint8_t> bytes) {
        const std::string& pics = workplace_.takenOutFolder;
        std::error_code ec;
        std::filesystem::create_directories(toFsPath(pics), ec);
        if (ec) return Error::write("Cannot create folder " + inQuotes(pics) + ". " + ec.message());
        return writeUnlessSource(path, bytes);
    }

    // The files that inspection replaces never include the source itself, whatever
    // the user named as source.
    bool isSource(const std::string& path) const { return sameFile(path, source_); }
    void removeUnlessSource(const std::string& path) const {
        if (!isSource(path)) removeFile(path);
    }
    Status writeUnlessSource(const std::string& path, std::span<const std::uint8_t> bytes) const {
        if (isSource(path)) {
            return Error::write("Cannot create file " + inQuotes(path) + ". It is the chosen source.");
        }
        return writeFileAtomically(path, bytes);
    }

    void setUnidentified() {
        fields_.setText(Field::regionCaption, kUnknownRegionLabel);
        fields_.setText(Field::discIdPrefix, "");
        fields_.setText(Field::discIdNumber, "");
    }

    void setTitles(const std::string& title) {
        fields_.setText(Field::title, title);
        fields_.setText(Field::saveTitle, fields_.text(Field::title));
    }

    void skip(const std::string& file, std::string part) {
        damagedFile_ = file;
        skipped_.push_back(std::move(part));
    }

    FieldState& fields_;
    const GameList& gameList_;
    const ProgramFolder& folder_;
    const WorkFolders& workplace_;
    OpenedSource& opened_;
    const std::string source_;
    std::string damagedFile_;
    std::vector<std::string> skipped_;
};

}  // namespace

SourceKind classifySource(const std::string& path) {
    if (!isFile(path)) return SourceKind::Missing;
    return isPbpPath(path) ? SourceKind::Pbp : SourceKind::Image;
}

Status inspectSource(FieldState& fields, Host& host, const GameList& gameList, const ProgramFolder& folder,
                     const WorkFolders& workplace, OpenedSource& opened) {
    Inspection inspection(fields, gameList, folder, workplace, opened);
    if (const Status st = inspection.run(); !st) {
        host.showMessage(st.error().message, kProgramTitle);
        return st;
    }
    if (const std::string message = inspection.damageMessage(); !message.empty()) {
        host.showMessage(message, kProgramTitle);
    }
    return {};
}

}  // namespace quillon
