// The common part of the readers whose disc is laid out of files of raw sectors: the
// disc as stretches one after the other, each some sectors of a file or zero sectors
// that no file holds. A file's partial last sector reads as a whole one, its missing
// bytes zero.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "source/disc_reader.h"

namespace quillon {

class StretchedDisc : public DiscReader {
public:
    const std::string& name() const override { return name_; }
    const std::vector<DiscTrack>& tracks() const override { return tracks_; }
    std::uint64_t size() const override { return size_; }
    // PREGAP sectors, and the bytes that a file's partial last sector lacks, read as
    // zero. When a file has become shorter, it fails.
    Status readExactAt(std::uint64_t position, std::span<std::uint8_t> out) override;

protected:
    explicit StretchedDisc(std::string name) : name_(std::move(name)) {}

    // The index of `file` among the disc's files.
    std::size_t addFile(InputFile file);
    const InputFile& file(std::size_t index) const { return files_[index]; }
    // `sectors` sectors from sector `fileSector` of file `file`, or zero sectors, at the
    // end of the disc laid out so far.
    void addStretch(std::uint64_t sectors, std::optional<std::size_t> file, std::uint64_t fileSector);
    // A stretch of the whole file's bytes, a partial last sector included.
    void addWholeFile(std::size_t file);
    void addTrack(const DiscTrack& track) { tracks_.push_back(track); }

private:
    struct Stretch {
        std::uint64_t start = 0;
        std::uint64_t length = 0;
        std::optional<std::size_t> file;  // none: zero bytes
        std::uint64_t fileOffset = 0;
    };

    Status readStretch(const Stretch& stretch, std::uint64_t position, std::span<std::uint8_t> out);
    Error readError(const std::string& reason) const;

    std::string name_;
    std::vector<InputFile> files_;
    std::vector<Stretch> stretches_;
    std::vector<DiscTrack> tracks_;
    std::uint64_t size_ = 0;
};

}  // namespace quillon
