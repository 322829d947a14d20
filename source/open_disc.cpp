#include "source/open_disc.h"

#include "common/file_io.h"
#include "source/playlist.h"
#include "source/source_kinds.h"

namespace quillon {

Expected<std::unique_ptr<DiscReader>> openDisc(const std::string& path) {
    if (auto problem = discKindProblem(path)) return Error::format(*problem + ".");
    auto file = InputFile::open(path);
    if (!file) return file.error();
    auto head = file->readUpTo(0, longestSignature());
    if (!head) return head.error();
    return sourceFormatOfFile(path, *head).open(std::move(*file));
}

Expected<SourceDiscs> SourceDiscs::list(const std::string& source) {
    SourceDiscs discs;
    discs.source_ = source;
    discs.fromPlaylist_ = sourceTypeOf(source) == SourceType::Playlist;
    if (discs.fromPlaylist_) {
        auto paths = readPlaylist(source);
        if (!paths) return paths.error();
        discs.paths_ = std::move(*paths);
    } else {
        discs.paths_ = {source};
    }
    discs.discs_.resize(discs.paths_.size());
    return discs;
}

Expected<DiscReader*> SourceDiscs::disc(std::size_t index) {
    if (!discs_[index]) {
        auto opened = openDisc(paths_[index]);
        if (!opened) return opened.error();
        discs_[index] = std::move(*opened);
    }
    return discs_[index].get();
}

Expected<SourceDiscs*> OpenedSource::discsOf(const std::string& source) {
    if (!discs_ || discs_->source() != source) {
        forget();
        auto listed = SourceDiscs::list(source);
        if (!listed) return listed.error();
        discs_ = std::move(*listed);
    }
    return &*discs_;
}

}  // namespace quillon
