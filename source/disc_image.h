// A whole disc as one image, read at any position: a single image file as it is (one
// data track from sector 0), the tracks of a cue sheet laid one after the other in
// the sheet's order, each with its pregap in front of it (the bytes from INDEX 00, or
// from the start of its file for the first track of a file, up to INDEX 01, after the
// zero sectors of a PREGAP line), so that the image runs from sector 0 to the lead-out,
// or the CD image of a CHD file, laid out as from the cue sheet it was made of.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/expected.h"
#include "common/file_io.h"
#include "source/chd/chd_disc.h"
#include "source/cue_sheet.h"
#include "source/disc_toc.h"

namespace quillon {

class DiscImage {
public:
    // A path ending in ".cue" opens the disc its sheet describes; a file that starts
    // with the CHD signature the CD image it holds; any other the file as it is, unless
    // it is an archive or another packed form of a disc (refused, see packed_files.h).
    static Expected<DiscImage> open(const std::string& path);
    static Expected<DiscImage> fromCueSheet(const CueSheet& sheet);
    static Expected<DiscImage> fromChd(const std::string& path);

    std::uint64_t size() const { return size_; }
    // In image order; INDEX 01 of each in image sectors.
    const std::vector<DiscTrack>& tracks() const { return tracks_; }

    // Exactly out.size() bytes from `position`; PREGAP sectors, and the bytes that a
    // file's partial last sector lacks, read as zero. Past the end of the image, or when
    // a file has become shorter, it fails. Several threads may read at once.
    Status readExactAt(std::uint64_t position, std::span<std::uint8_t> out);

    // Once the whole image has been read: the checks that need all of it, the SHA-1 of
    // a CHD's data. Other images pass.
    Status checkAfterReadingAll();

    // Up to `count` bytes of the first data track from its INDEX 01 on, no further than
    // its end; none when the disc has no data track.
    Expected<Bytes> readFirstDataTrack(std::size_t count);

private:
    // A stretch of the image: bytes of a file, or zero bytes.
    struct Piece {
        std::uint64_t start = 0;
        std::uint64_t length = 0;
        std::optional<std::size_t> file;  // none: zero bytes
        std::uint64_t fileOffset = 0;
    };

    void addPiece(std::uint64_t sectors, std::optional<std::size_t> file, std::uint64_t fileSector);
    Status readPiece(const Piece& piece, std::uint64_t position, std::span<std::uint8_t> out);
    Error readError(const std::string& reason) const;

    std::string path_;
    std::unique_ptr<ChdDisc> chd_;  // the disc of a CHD; then no files and no pieces
    std::vector<InputFile> files_;
    std::vector<Piece> pieces_;
    std::vector<DiscTrack> tracks_;
    std::uint64_t size_ = 0;
};

}  // namespace quillon
