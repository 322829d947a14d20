#include "extract/extract_command.h"

#include <algorithm>
#include <optional>

#include "common/file_io.h"
#include "common/file_system.h"
#include "common/text.h"
#include "extract/image_data.h"
#include "source/cue_sheet.h"
#include "source/multi_disc.h"
#include "source/pbp.h"
#include "source/sbi_file.h"

namespace quillon {
namespace {

constexpr const char* kNotAPbpMessage = "You have to select a PBP file.";

ProgressReport savingReport(std::uint64_t position, std::uint64_t containerSize) {
    return {"Saving ISO file... (" + std::to_string(percentOf(position, containerSize)) + "%)", position,
            containerSize};
}

Error noSuchDisc(const InputFile& container, std::size_t discs, std::size_t wanted) {
    return Error::format(inQuotes(container.path()) + " holds " + std::to_string(discs) +
                         (discs == 1 ? " disc" : " discs") + ": there is no disc " + std::to_string(wanted) + ".");
}

// A small file beside a disc's image: its cue sheet, its LibCrypt sidecar.
struct FileBeside {
    std::string target;
    Bytes bytes;
};

// The files that one disc goes to.
struct DiscFiles {
    StoredDisc image;
    std::string target;
    std::vector<FileBeside> beside;
};

// Gives a disc of several tracks its cue sheet beside the image.
Status addCueSheet(DiscFiles& files) {
    const std::string imageName = fileNameOf(files.target);
    if (imageName.find('"') != std::string::npos) {
        return Error::format("Cannot write a cue sheet for " + inQuotes(files.target) +
                             ": a cue sheet cannot name a file whose name holds a double quote.");
    }
    const std::string text = cueSheetText(files.image.tracks, imageName);
    files.beside.push_back({withoutExtension(files.target) + ".cue", Bytes(text.begin(), text.end())});
    return {};
}

// The LibCrypt sidecar beside the container for disc `disc` of `discCount`, when there
// is one, goes beside the image under the image's name.
Status addSidecar(DiscFiles& files, const std::string& container, std::size_t disc, std::size_t discCount) {
    const std::string sidecar = sidecarPath(container, disc, discCount);
    if (!isFile(sidecar)) return {};
    auto bytes = readSbiFile(sidecar);
    if (!bytes) return bytes.error();
    files.beside.push_back({withoutExtension(files.target) + ".sbi", std::move(*bytes)});
    return {};
}

// The discs to write (all, or only disc `onlyDisc`) and their files: under `target` for
// a single disc, else under numbered names.
Expected<std::vector<DiscFiles>> planDiscs(InputFile& container, const std::vector<DiscBlock>& blocks,
                                           std::optional<std::size_t> onlyDisc, const std::string& target) {
    const bool several = blocks.size() > 1;
    std::vector<DiscFiles> discs;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (onlyDisc && *onlyDisc != i + 1) continue;
        auto image = readStoredDisc(container, blocks[i], several ? BlocksEnd::WithinExtent : BlocksEnd::AtExtentEnd,
                                    several ? i + 1 : 0);
        if (!image) return image.error();
        DiscFiles files{std::move(*image), onlyDisc ? target : discImageName(target, i + 1, blocks.size()), {}};
        if (files.image.tracks.size() > 1) {
            if (auto cue = addCueSheet(files); !cue) return cue.error();
        }
        if (auto sidecar = addSidecar(files, container.path(), i + 1, blocks.size()); !sidecar) {
            return sidecar.error();
        }
        discs.push_back(std::move(files));
    }
    return discs;
}

// Every file one disc goes to: its image, then the files beside it.
std::vector<std::string> targetsOf(const DiscFiles& files) {
    std::vector<std::string> targets{files.target};
    for (const FileBeside& file : files.beside) targets.push_back(file.target);
    return targets;
}

// Whether a file to be written is the container itself under another name: a link to
// it, or the same file by another path.
bool writesOverSource(const std::vector<DiscFiles>& discs, const std::string& source) {
    return std::any_of(discs.begin(), discs.end(), [&](const DiscFiles& files) {
        const std::vector<std::string> targets = targetsOf(files);
        return std::any_of(targets.begin(), targets.end(),
                           [&](const std::string& target) { return sameFile(target, source); });
    });
}

// Asks once before replacing files that exist, but for the one the save dialog asked
// about; true when there are none or the user agrees.
bool replaceAllowed(const std::vector<DiscFiles>& discs, const std::string& chosen, Host& host) {
    std::vector<std::string> existing;
    for (const DiscFiles& files : discs) {
        for (const std::string& path : targetsOf(files)) {
            if (path != chosen && isFile(path)) existing.push_back(path);
        }
    }
    return existing.empty() || host.confirmReplace(existing);
}

std::uint64_t bytesToWrite(const std::vector<DiscFiles>& discs) {
    std::uint64_t bytes = 0;
    for (const DiscFiles& files : discs) {
        bytes += files.image.length;
        for (const FileBeside& file : files.beside) bytes += file.bytes.size();
    }
    return bytes;
}

// The checksum mismatches of all discs written, and the disc of the first one.
struct MismatchTally {
    ChecksumMismatches blocks;
    std::size_t firstDisc = 0;

    void add(const ChecksumMismatches& found, std::size_t disc) {
        if (found.count == 0) return;
        if (blocks.count == 0) {
            blocks = found;
            firstDisc = disc;
        } else {
            blocks.count += found.count;
        }
    }
};

// One output file per disc image and file beside it, in the order of `discs`.
Expected<OutputFileSet> createOutputs(const std::vector<DiscFiles>& discs) {
    OutputFileSet outputs;
    for (const DiscFiles& files : discs) {
        for (const std::string& path : targetsOf(files)) {
            if (auto added = outputs.add(path); !added) return added.error();
        }
    }
    return outputs;
}

// Writes every disc (and the files beside it) into files that appear under their names only
// once all of them are complete.
Expected<MismatchTally> writeDiscs(InputFile& container, const std::vector<DiscFiles>& discs, BusyState& busy) {
    if (auto room = checkRoomFor(discs.front().target, bytesToWrite(discs)); !room) return room.error();
    auto outputs = createOutputs(discs);
    if (!outputs) return outputs.error();
    const Progress progress = busy.progress();
    const AfterBlock afterBlock = [&](std::uint64_t position) {
        return progress(savingReport(position, container.size()));
    };
    MismatchTally tally;
    auto output = outputs->begin();
    for (const DiscFiles& files : discs) {
        auto mismatches = writeDiscImage(container, files.image, *output++, afterBlock);
        if (!mismatches) return mismatches.error();
        tally.add(*mismatches, files.image.disc);
        for (const FileBeside& file : files.beside) {
            if (auto written = (output++)->write(file.bytes); !written) return written.error();
        }
    }
    if (auto committed = outputs->commit(); !committed) return committed.error();
    return tally;
}

// The user keeps what was written and learns that it may be damaged.
std::string mismatchMessage(const InputFile& container, const MismatchTally& tally, std::size_t images) {
    const ChecksumMismatches& blocks = tally.blocks;
    const std::string first = std::to_string(blocks.firstBlock) +
                              (tally.firstDisc > 0 ? " of disc " + std::to_string(tally.firstDisc) : "") +
                              " (at byte " + std::to_string(blocks.firstPosition) + ")";
    const std::string damaged =
        images > 1 ? ": the extracted disc images may be damaged." : ": the extracted disc image may be damaged.";
    if (blocks.count == 1) {
        return "Block " + first + " in " + inQuotes(container.path()) +
               " does not match its SHA-1 checksum. It was written as it is" + damaged;
    }
    return std::to_string(blocks.count) + " blocks in " + inQuotes(container.path()) +
           " do not match their SHA-1 checksums, the first block " + first + ". They were written as they are" +
           damaged;
}

// Everything between beginBusy and endBusy. Each way out closes the container and
// removes unfinished outputs before it returns.
void extractImage(const FieldState& fields, BusyState& busy, std::optional<std::size_t> onlyDisc) {
    const std::string source = fields.text(Field::sourcePath);
    if (!isPbpPath(source)) return busy.showMessage(kNotAPbpMessage);

    auto container = InputFile::open(source);
    if (!container) return busy.showFileError(container.error());
    auto head = container->readBytes(0, kPbpHeaderSize);
    if (!head) return busy.showFileError(head.error());
    const std::optional<PbpHeader> header = decodePbpHeader(*head);
    if (!header || !header->hasMagic()) return busy.showError(ErrorCode::NotAContainer);

    auto discs = findDiscBlocks(*container, header->dataPsar);
    if (!discs) return busy.showFileError(discs.error());
    if (!*discs) return busy.showError(ErrorCode::NoDiscImage);
    const std::vector<std::uint64_t>& positions = **discs;
    if (onlyDisc && (*onlyDisc == 0 || *onlyDisc > positions.size())) {
        return busy.showFileError(noSuchDisc(*container, positions.size(), *onlyDisc));
    }

    const auto chosen = busy.host().chooseIsoSaveName(fields.text(Field::defaultOutputFolder));
    if (!chosen) return;
    // The start-screen block is looked for only once the output is named.
    auto startDat = findStartDat(*container);
    if (!startDat) return busy.showFileError(startDat.error());
    const auto blocks = discBlocks(positions, *startDat);
    if (!blocks) return busy.showError(ErrorCode::NoEndOfImage);

    auto planned = planDiscs(*container, *blocks, onlyDisc, isoOutputName(*chosen));
    if (!planned) return busy.showFileError(planned.error());
    if (writesOverSource(*planned, source)) return busy.showMessage(kSameFileMessage);
    // The dialog asked about the name the user typed; a file under any other name is not
    // replaced without asking.
    if (!replaceAllowed(*planned, *chosen, busy.host())) return;

    const auto written = writeDiscs(*container, *planned, busy);
    if (!written) {
        if (written.error().kind != Error::Kind::Cancelled) busy.showFileError(written.error());
        return;
    }
    if (written->blocks.count > 0) {
        busy.showFileError(Error::format(mismatchMessage(*container, *written, planned->size())));
    }
}

}  // namespace

std::string isoOutputName(const std::string& chosenName) {
    if (toLowerAscii(extensionOf(chosenName)) == ".iso") return chosenName;
    return chosenName + ".iso";
}

std::string discImageName(const std::string& image, std::size_t disc, std::size_t discs) {
    if (discs < 2) return image;
    return withoutExtension(image) + " (Disc " + std::to_string(disc) + ")" + extensionOf(image);
}

OperationEnd runIsoExtraction(const FieldState& fields, BusyState& busy, std::optional<std::size_t> onlyDisc) {
    busy.begin(Operation::Extract);
    extractImage(fields, busy, onlyDisc);
    return busy.end();
}

}  // namespace quillon
