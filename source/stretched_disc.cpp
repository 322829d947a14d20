#include "source/stretched_disc.h"

#include <algorithm>

#include "common/text.h"
#include "source/image_index.h"

namespace quillon {

std::size_t StretchedDisc::addFile(InputFile file) {
    files_.push_back(std::move(file));
    return files_.size() - 1;
}

void StretchedDisc::addStretch(std::uint64_t sectors, std::optional<std::size_t> file, std::uint64_t fileSector) {
    if (sectors == 0) return;
    const std::uint64_t length = sectors * kSectorSize;
    const std::uint64_t fileOffset = fileSector * kSectorSize;
    // Tracks that follow each other in one file make one stretch.
    if (!stretches_.empty() && file && stretches_.back().file == file &&
        stretches_.back().fileOffset + stretches_.back().length == fileOffset) {
        stretches_.back().length += length;
    } else {
        stretches_.push_back({size_, length, file, fileOffset});
    }
    size_ += length;
}

void StretchedDisc::addWholeFile(std::size_t file) {
    const std::uint64_t length = files_[file].size();
    stretches_.push_back({size_, length, file, 0});
    size_ += length;
}

Error StretchedDisc::readError(const std::string& reason) const {
    return Error::read("Cannot read the disc " + inQuotes(name_) + ". " + reason);
}

Status StretchedDisc::readStretch(const Stretch& stretch, std::uint64_t position, std::span<std::uint8_t> out) {
    if (!stretch.file) {
        std::fill(out.begin(), out.end(), 0);
        return {};
    }
    InputFile& file = files_[*stretch.file];
    const std::uint64_t filePosition = stretch.fileOffset + (position - stretch.start);
    const std::uint64_t inFile = filePosition < file.size() ? file.size() - filePosition : 0;
    const std::size_t fromFile = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), inFile));
    // What lies past the file's end within the stretch is the rest of its partial last
    // sector.
    if (out.size() - fromFile >= kSectorSize) {
        return readError("A file of the disc has become shorter.");
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(fromFile), out.end(), 0);
    return file.readExactAt(filePosition, out.first(fromFile));
}

Status StretchedDisc::readExactAt(std::uint64_t position, std::span<std::uint8_t> out) {
    if (!fitsIn(size_, position, out.size())) return readError("Read beyond end of file");
    if (out.empty()) return {};
    const auto after = std::upper_bound(stretches_.begin(), stretches_.end(), position,
                                        [](std::uint64_t at, const Stretch& s) { return at < s.start; });
    for (auto stretch = std::prev(after); !out.empty(); ++stretch) {
        const std::uint64_t take = std::min<std::uint64_t>(out.size(), stretch->start + stretch->length - position);
        const auto part = out.first(static_cast<std::size_t>(take));
        if (Status st = readStretch(*stretch, position, part); !st) return st;
        out = out.subspan(part.size());
        position += take;
    }
    return {};
}

}  // namespace quillon
