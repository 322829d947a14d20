#include "source/disc_image.h"

#include <algorithm>

#include "common/text.h"
#include "source/chd/chd_header.h"
#include "source/image_index.h"
#include "source/packed_files.h"

namespace quillon {

Expected<DiscImage> DiscImage::open(const std::string& path) {
    if (isCueSheetPath(path)) {
        auto sheet = readCueSheet(path);
        if (!sheet) return sheet.error();
        return fromCueSheet(*sheet);
    }
    auto file = InputFile::open(path);
    if (!file) return file.error();
    auto head = file->readUpTo(0, std::max(kChdSignature.size(), kPackedSignatureSize));
    if (!head) return head.error();
    if (hasChdSignature(*head)) return fromChd(path);
    if (auto problem = packedFileProblem(path, *head)) return Error::format(*problem);
    DiscImage image;
    image.path_ = path;
    image.size_ = file->size();
    image.pieces_.push_back({0, image.size_, 0, 0});
    image.files_.push_back(std::move(*file));
    image.tracks_.push_back(DiscTrack{});
    return image;
}

Expected<DiscImage> DiscImage::fromCueSheet(const CueSheet& sheet) {
    DiscImage image;
    image.path_ = sheet.path;
    for (const CueFile& cueFile : sheet.files) {
        auto file = InputFile::open(cueFile.path);
        if (!file) return file.error();
        image.files_.push_back(std::move(*file));
    }
    const auto& tracks = sheet.tracks;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const CueTrack& track = tracks[i];
        const CueTrack* next = i + 1 < tracks.size() ? &tracks[i + 1] : nullptr;
        const bool firstOfFile = i == 0 || tracks[i - 1].file != track.file;
        const bool lastOfFile = !next || next->file != track.file;
        // A track's bytes run from its pregap up to the next track's pregap; the first
        // track of a file also takes the bytes in front of it, the last one the rest of
        // the file unless the next track's pregap begins in it.
        const std::uint64_t begin = firstOfFile ? 0 : track.index00.value_or(track.index01);
        std::uint64_t end = lastOfFile ? sheet.files[track.file].sectors() : next->index00.value_or(next->index01);
        if (next && next->pregapInFileBefore && next->file == track.file + 1) end = *next->index00;
        image.addPiece(track.pregap, std::nullopt, 0);
        std::uint64_t tail = 0;  // of the file before, in its pregap (all of it, when it holds no track)
        if (track.pregapInFileBefore) {
            const std::size_t before = track.file - 1;
            const std::uint64_t from = i > 0 && tracks[i - 1].file == before ? *track.index00 : 0;
            tail = sheet.files[before].sectors() - from;
            image.addPiece(tail, before, from);
        }
        const std::uint64_t firstSector = image.size_ / kSectorSize;
        image.addPiece(end - begin, track.file, begin);
        image.tracks_.push_back({track.number, track.type(), firstSector + track.index01 - begin,
                                 track.pregap + tail + track.index01 - begin});
    }
    return image;
}

Expected<DiscImage> DiscImage::fromChd(const std::string& path) {
    auto chd = ChdDisc::open(path);
    if (!chd) return chd.error();
    DiscImage image;
    image.path_ = path;
    image.size_ = (*chd)->size();
    image.tracks_ = (*chd)->tracks();
    image.chd_ = std::move(*chd);
    return image;
}

void DiscImage::addPiece(std::uint64_t sectors, std::optional<std::size_t> file, std::uint64_t fileSector) {
    if (sectors == 0) return;
    const std::uint64_t length = sectors * kSectorSize;
    const std::uint64_t fileOffset = fileSector * kSectorSize;
    // Tracks that follow each other in one file make one piece.
    if (!pieces_.empty() && file && pieces_.back().file == file &&
        pieces_.back().fileOffset + pieces_.back().length == fileOffset) {
        pieces_.back().length += length;
    } else {
        pieces_.push_back({size_, length, file, fileOffset});
    }
    size_ += length;
}

Error DiscImage::readError(const std::string& reason) const {
    return Error::read("Cannot read the disc " + inQuotes(path_) + ". " + reason);
}

Status DiscImage::readPiece(const Piece& piece, std::uint64_t position, std::span<std::uint8_t> out) {
    if (!piece.file) {
        std::fill(out.begin(), out.end(), 0);
        return {};
    }
    InputFile& file = files_[*piece.file];
    const std::uint64_t filePosition = piece.fileOffset + (position - piece.start);
    const std::uint64_t inFile = filePosition < file.size() ? file.size() - filePosition : 0;
    const std::size_t fromFile = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), inFile));
    // What lies past the file's end within the piece is the rest of its partial last
    // sector.
    if (out.size() - fromFile >= kSectorSize) {
        return readError("A file of the disc has become shorter.");
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(fromFile), out.end(), 0);
    return file.readExactAt(filePosition, out.first(fromFile));
}

Status DiscImage::readExactAt(std::uint64_t position, std::span<std::uint8_t> out) {
    if (!fitsIn(size_, position, out.size())) return readError("Read beyond end of file");
    if (chd_) return chd_->readExactAt(position, out);
    if (out.empty()) return {};
    const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), position,
                                        [](std::uint64_t at, const Piece& p) { return at < p.start; });
    for (auto piece = std::prev(after); !out.empty(); ++piece) {
        const std::uint64_t take = std::min<std::uint64_t>(out.size(), piece->start + piece->length - position);
        const auto part = out.first(static_cast<std::size_t>(take));
        if (Status st = readPiece(*piece, position, part); !st) return st;
        out = out.subspan(part.size());
        position += take;
    }
    return {};
}

Status DiscImage::checkAfterReadingAll() {
    if (chd_) return chd_->checkData();
    return {};
}

Expected<Bytes> DiscImage::readFirstDataTrack(std::size_t count) {
    const auto data =
        std::find_if(tracks_.begin(), tracks_.end(), [](const DiscTrack& t) { return t.type == TrackType::Data; });
    if (data == tracks_.end()) return Bytes{};
    const auto next = data + 1;
    const std::uint64_t begin = data->start * kSectorSize;
    const std::uint64_t end = next == tracks_.end() ? size_ : (next->start - next->pregap) * kSectorSize;
    Bytes bytes(static_cast<std::size_t>(std::min<std::uint64_t>(count, end - begin)));
    if (Status st = readExactAt(begin, bytes); !st) return st.error();
    return bytes;
}

}  // namespace quillon
