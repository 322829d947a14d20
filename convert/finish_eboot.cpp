#include "convert/finish_eboot.h"

#include <filesystem>
#include <optional>

#include "common/file_io.h"
#include "common/file_system.h"
#include "common/text.h"
#include "convert/disc_copy.h"
#include "convert/image_copy.h"
#include "convert/pal_patch.h"
#include "source/image_index.h"
#include "source/multi_disc.h"
#include "source/param_sfo.h"
#include "source/pbp.h"

namespace quillon {
namespace {

constexpr const char* kKeysName = "KEYS.BIN";

// A file to put into the container. A file that alone would make the front part too
// big is not read: only its length counts, and it ends the stage with error 10.
struct Piece {
    Bytes bytes;
    std::uint64_t length = 0;
};

// The artwork in the order of kArtworkKinds, which is the order of the sections; and
// the warning picture, the new start-screen picture.
struct Pieces {
    std::array<Piece, 5> artwork;
    Piece warning;
};

// The artwork is read in this order (PIC1, ICON0, PIC0, ICON1, SND0), as indexes into
// kArtworkKinds, then the warning picture.
constexpr std::array<std::size_t, 5> kArtworkReadOrder{3, 0, 2, 1, 4};

// How the rewrite of the container ended; every ending but Written and Aborted has
// shown its message already. Refused: the source is no container to finish, or a file
// failed. NotTaken: the user's inputs do not fit into the container.
enum class Rewrite { Written, Aborted, Refused, NotTaken };

Expected<Piece> readPiece(const std::string& path, std::uint64_t sizeLimit) {
    if (!isFile(path)) return Piece{};  // no file named: an empty piece, without a message
    auto file = InputFile::open(path);
    if (!file) return file.error();
    Piece piece;
    piece.length = file->size();
    if (piece.length >= sizeLimit) return piece;
    auto bytes = file->readBytes(0, static_cast<std::size_t>(piece.length));
    if (!bytes) return bytes.error();
    piece.bytes = std::move(*bytes);
    return piece;
}

Expected<Pieces> readPieces(const FinishJob& job) {
    Pieces pieces;
    for (const std::size_t kind : kArtworkReadOrder) {
        auto piece = readPiece(job.artwork[kind], kDataPsarBoundaries.back());
        if (!piece) return piece.error();
        pieces.artwork[kind] = std::move(*piece);
    }
    auto warning = readPiece(job.warning, kMaxStartScreenPicture + 1);
    if (!warning) return warning.error();
    pieces.warning = std::move(*warning);
    return pieces;
}

// Why the warning picture cannot go into a start-screen block, if it cannot: it holds
// the block's marker, or it is too large for the block to lie where readers look for it.
std::optional<std::string> warningPictureRefusal(const FinishJob& job, const Piece& warning) {
    const std::string picture = "The warning picture " + inQuotes(job.warning);
    if (auto clean = checkNoStartScreenMarker(warning.bytes, picture); !clean) return clean.error().message;
    if (warning.length > kMaxStartScreenPicture) {
        return "The warning picture is too large: " + std::to_string(warning.length) + " bytes, at most " +
               std::to_string(kMaxStartScreenPicture) + " fit.";
    }
    return std::nullopt;
}

ArtworkLengths lengthsOf(const Pieces& pieces) {
    ArtworkLengths lengths{};
    for (std::size_t i = 0; i < lengths.size(); ++i) lengths[i] = pieces.artwork[i].length;
    return lengths;
}

// A source whose bytes the stage cannot work with, reported as the file errors are.
Error damagedSource(const InputFile& source, const std::string& reason) {
    return Error::format("Cannot read file " + inQuotes(source.path()) + ". " + reason);
}

// The disc ID text and the save title for the head of each disc-image block.
DiscHeadFields discHeadFields(const FinishJob& job) { return {"_" + job.idPrefix + "_" + job.idNumber, job.saveTitle}; }

// Header and PARAM.SFO, the five pieces, DATA.PSP, the filler and the edited head of
// the disc-image block.
Status writeFrontPart(OutputFile& output, std::span<const std::uint8_t> head, const PbpHeader& header,
                      std::uint64_t dataPspLength, const Pieces& pieces, const NewLayout& layout) {
    if (auto written = output.write(head.first(header.icon0())); !written) return written;
    for (const Piece& piece : pieces.artwork) {
        if (auto written = output.write(piece.bytes); !written) return written;
    }
    if (auto written = output.write(head.subspan(header.dataPsp, dataPspLength)); !written) {
        return written;
    }
    if (auto written = output.writeZeros(layout.fillerLength); !written) return written;
    return output.write(head.subspan(header.dataPsar, kImageHeadSize));
}

// The source's start-screen block, with the warning picture in place of its own when
// one is given: the first 80 bytes (with 80 + the picture's length at 20), the
// picture, the trailer of the last 4,976 bytes.
Status writeStartScreenBlock(OutputFile& output, InputFile& source, std::uint64_t position, const Piece& warning) {
    auto tail = source.readBytes(position, static_cast<std::size_t>(source.size() - position));
    if (!tail) return tail.error();
    if (warning.length == 0) return output.write(*tail);
    const std::span<const std::uint8_t> block(*tail);
    return output.write(
        startScreenBlock(block.first(kStartDatPictureOffset), warning.bytes, block.last(kStartDatTrailerSize)));
}

// The rewrite of one container, from reading the pieces to the committed output. The
// source and the output are closed when it is destroyed.
class ContainerRewrite {
public:
    ContainerRewrite(const FinishJob& job, BusyState& busy, int& patchCount)
        : job_(job), busy_(busy), patchCount_(patchCount) {}

    Rewrite run() {
        auto pieces = readPieces(job_);
        if (!pieces) return fileError(pieces.error());
        pieces_ = std::move(*pieces);
        auto source = InputFile::open(job_.sourcePbp);
        if (!source) return fileError(source.error());
        source_.emplace(std::move(*source));
        if (auto refused = checkSource()) return *refused;
        if (auto refused = editHead()) return *refused;
        if (auto refused = findStartScreen()) return *refused;
        return write();
    }

private:
    // A disc-image block (or the disc table of several) and offsets that make sense.
    std::optional<Rewrite> checkSource() {
        InputFile& source = *source_;
        auto headerBytes = source.readBytes(0, kPbpHeaderSize);
        if (!headerBytes) return fileError(headerBytes.error());
        header_ = *decodePbpHeader(*headerBytes);
        // Without a disc-image block at DATA.PSAR or a disc table there is no disc image.
        auto discs = findDiscBlocks(source, header_.dataPsar);
        if (!discs) return fileError(discs.error());
        if (!*discs) return codedError(ErrorCode::NoDiscImage);
        discPositions_ = std::move(**discs);
        severalDiscs_ = discPositions_.front() != header_.dataPsar;
        if (auto layout = checkPbpLayout(header_, source.size()); !layout) {
            return fileError(damagedSource(source, layout.error().message));
        }
        return std::nullopt;
    }

    // The head bytes with the titles, the disc ID and the new offsets.
    std::optional<Rewrite> editHead() {
        auto head = source_->readBytes(0, static_cast<std::size_t>(imageStart()));
        if (!head) return fileError(head.error());
        head_ = std::move(*head);
        dataPspLength_ = dataPspLength(head_, header_);

        // PARAM.SFO lies in the bytes before ICON0.PNG, and only those are written out.
        const ParamWriteResult param = writeParamFields(std::span(head_).first(header_.icon0()), header_.paramSfo,
                                                        job_.title, job_.idPrefix + job_.idNumber);
        if (param.outOfBounds) {
            return fileError(damagedSource(*source_, "The PBP file is damaged: PARAM.SFO reaches past ICON0.PNG."));
        }
        if (param.titleCut) {
            busy_.showMessage("The game title is too long to fit into PARAM.SFO.");
            return Rewrite::NotTaken;
        }
        if (param.discIdCut) {
            busy_.showMessage("The save ID is too long to fit into PARAM.SFO.");
            return Rewrite::NotTaken;
        }
        if (const auto refusal = warningPictureRefusal(job_, pieces_.warning)) {
            busy_.showMessage(*refusal);
            return Rewrite::NotTaken;
        }
        if (!severalDiscs_) {
            const auto block = std::span(head_).subspan(header_.dataPsar);
            writeDiscHeadFields(block, discHeadFields(job_));
            markImageDataPosition(block);
        }

        const std::optional<NewLayout> layout = layOutContainer(header_.icon0(), lengthsOf(pieces_), dataPspLength_);
        if (!layout) {
            busy_.showError(ErrorCode::FrontPartTooBig);
            return Rewrite::NotTaken;
        }
        layout_ = *layout;
        writeLayoutOffsets(head_, layout_);
        return std::nullopt;
    }

    // The start-screen block after the image data, able to take the warning picture.
    std::optional<Rewrite> findStartScreen() {
        InputFile& source = *source_;
        auto startDat = findStartDat(source);
        if (!startDat) return fileError(startDat.error());
        auto discs = discBlocks(discPositions_, *startDat);
        if (!discs) return codedError(ErrorCode::NoEndOfImage);
        startDat_ = **startDat;
        discs_ = std::move(*discs);
        if (pieces_.warning.length > 0 && !startScreenPicture(startDat_, source.size())) {
            return fileError(damagedSource(source,
                                           "The PBP file is damaged: its start-screen block is "
                                           "too short to take a new picture."));
        }
        return readIndexForThePatch();
    }

    // The patch works through the blocks of a valid index; the bytes of blocks that a
    // damaged index says are deflated cannot be patched at all.
    std::optional<Rewrite> readIndexForThePatch() {
        if (!job_.palFix) return std::nullopt;
        const BlocksEnd end = severalDiscs_ ? BlocksEnd::WithinExtent : BlocksEnd::AtExtentEnd;
        for (const DiscBlock& disc : discs_) {
            auto index = readDiscBlockIndex(*source_, disc.position, disc.imageData(), end);
            if (!index) return fileError(index.error());
            if (index->state == BlockIndex::State::Damaged) {
                return fileError(Error::format("Cannot patch the disc image in " + inQuotes(source_->path()) +
                                               ". Its block index is damaged: " + index->fault + "."));
            }
            indexes_.push_back(std::move(*index));
        }
        return std::nullopt;
    }

    // The size of the new container: its front part, the disc-image block as it stands
    // (a patch changes a few bytes of it at most), the start-screen block.
    std::uint64_t outputSize() const {
        const std::uint64_t tail = pieces_.warning.length > 0
                                       ? kStartDatPictureOffset + pieces_.warning.length + kStartDatTrailerSize
                                       : source_->size() - startDat_;
        return layout_.dataPsar + (startDat_ - header_.dataPsar) + tail;
    }

    Rewrite write() {
        const std::string target = outputPbpPath(job_.outputFolder);
        if (auto room = checkRoomFor(target, outputSize()); !room) return fileError(room.error());
        auto outputs = createWithSidecars(target, job_.sidecars);
        if (!outputs) return fileError(outputs.error());
        OutputFile& output = *outputs->begin();
        Status written = writeFrontPart(output, head_, header_, dataPspLength_, pieces_, layout_);
        releaseFrontPart();
        if (written) written = copyImage(output);
        if (written) written = writeStartScreenBlock(output, *source_, startDat_, pieces_.warning);
        if (written) written = outputs->commit();
        if (written) {
            removeOtherSidecars(target, job_.sidecars);
            return Rewrite::Written;
        }
        if (written.error().kind == Error::Kind::Cancelled) return Rewrite::Aborted;
        return fileError(written.error());
    }

    void releaseFrontPart() {
        pieces_.artwork = {};
        head_ = Bytes();
    }

    Status copyImage(OutputFile& output) {
        const Progress progress = busy_.progress();
        const ImageCopy copy{{*source_, output, imageStart(), startDat_}, progress};
        if (!severalDiscs_) return copyDisc(copy);
        auto blocks = copySeveralDiscs(copy);
        if (!blocks) return blocks.error();
        if (Status st = writeDiscHeadFields(output, *blocks, discHeadFields(job_)); !st) return st;
        return markImageDataPositions(*source_, discPositions_, output, *blocks);
    }

    Status copyDisc(const ImageCopy& copy) {
        if (!job_.palFix) return copyImageData(copy);
        return copyPatchedDisc(copy, discs_.front(), indexes_.front(), layout_.dataPsar, patchCount_);
    }

    // The discs' blocks, and where they came to lie in the output.
    Expected<std::vector<std::uint64_t>> copySeveralDiscs(const ImageCopy& copy) {
        if (job_.palFix) return copyPatchedDiscs(copy, discs_, indexes_, layout_.dataPsar, patchCount_);
        if (auto copied = copyImageData(copy); !copied) return copied.error();
        std::vector<std::uint64_t> blocks;
        for (const std::uint64_t position : discPositions_)
            blocks.push_back(position - header_.dataPsar + layout_.dataPsar);
        return blocks;
    }

    std::uint64_t imageStart() const { return header_.dataPsar + kImageHeadSize; }

    Rewrite fileError(const Error& error) {
        busy_.showFileError(error);
        return Rewrite::Refused;
    }
    Rewrite codedError(ErrorCode code) {
        busy_.showError(code);
        return Rewrite::Refused;
    }

    const FinishJob& job_;
    BusyState& busy_;
    int& patchCount_;
    Pieces pieces_;
    std::optional<InputFile> source_;
    PbpHeader header_;
    std::uint64_t startDat_ = 0;  // known once the source's disc blocks are
    Bytes head_;
    std::uint64_t dataPspLength_ = 0;
    NewLayout layout_;
    // The disc-image blocks: the one at DATA.PSAR, or those of a disc table.
    std::vector<std::uint64_t> discPositions_;
    bool severalDiscs_ = false;
    std::vector<DiscBlock> discs_;
    std::vector<BlockIndex> indexes_;  // with the patch: one for each disc
};

// KEYS.BIN of the Files folder beside the output, unless one is there already; a
// missing one, or a failed copy, passes without a message.
void placeKeys(const std::string& keysFile, const std::string& outputFolder) {
    const std::string target = outputFolder + kPathSeparator + kKeysName;
    std::error_code ec;
    if (std::filesystem::exists(toFsPath(target), ec) || ec) return;
    auto keys = readWholeFile(keysFile);
    if (keys) (void)writeFileAtomically(target, *keys);
}

}  // namespace

std::string outputPbpPath(const std::string& outputFolder) { return outputFolder + kPathSeparator + kEbootName; }

StageOutcome checkPiecesAhead(const FinishJob& job, BusyState& busy) {
    auto pieces = readPieces(job);
    if (!pieces) {
        busy.showFileError(pieces.error());
        return StageOutcome::EndWithoutSummary;
    }
    if (const auto refusal = warningPictureRefusal(job, pieces->warning)) {
        busy.showMessage(*refusal);
        return StageOutcome::EndWithSummary;
    }
    // No container has less in front of ICON0.PNG than its header, nor a DATA.PSP
    // shorter than none.
    if (!layOutContainer(kPbpHeaderSize, lengthsOf(*pieces), 0)) {
        busy.showError(ErrorCode::FrontPartTooBig);
        return StageOutcome::EndWithSummary;
    }
    return StageOutcome::Proceed;
}

StageOutcome finishEboot(const FinishJob& job, BusyState& busy, int& patchCount) {
    const Rewrite rewrite = ContainerRewrite(job, busy, patchCount).run();
    switch (rewrite) {
        case Rewrite::Written: placeKeys(job.keysFile, job.outputFolder); return StageOutcome::Proceed;
        case Rewrite::Aborted: return StageOutcome::EndWithoutSummary;
        case Rewrite::Refused: return StageOutcome::EndWithoutSummary;
        case Rewrite::NotTaken: return StageOutcome::EndWithSummary;
    }
    return StageOutcome::EndWithSummary;
}

}  // namespace quillon
