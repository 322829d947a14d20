// Opening a source: the one function that picks the reader of a disc, and the discs of
// a source as a conversion uses them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/expected.h"
#include "source/disc_reader.h"

namespace quillon {

// The disc at `path`, read by the reader of its format as sourceFormatOfFile
// (source_kinds.h) tells it from the file's first bytes and its name. A playlist or a
// PBP container is refused: it holds no disc of its own.
Expected<std::unique_ptr<DiscReader>> openDisc(const std::string& path);

// The discs of a source: a playlist's discs in its order, or the source itself as its
// one disc. Each disc is opened on first use and then kept open, so that whatever asks
// for it next reads the same files without opening them again.
class SourceDiscs {
public:
    // A playlist's list of discs is read here; no disc is opened yet.
    static Expected<SourceDiscs> list(const std::string& source);

    const std::string& source() const { return source_; }
    bool fromPlaylist() const { return fromPlaylist_; }
    std::size_t count() const { return paths_.size(); }
    const std::string& path(std::size_t index) const { return paths_[index]; }

    // Disc `index` (below count()), opened the first time it is asked for; a disc that
    // cannot be opened is tried again the next time.
    Expected<DiscReader*> disc(std::size_t index);

private:
    std::string source_;
    bool fromPlaylist_ = false;
    std::vector<std::string> paths_;
    std::vector<std::unique_ptr<DiscReader>> discs_;  // as paths_; null until opened
};

// The discs of the source chosen last, kept from its inspection for the conversion of
// the same source, so that a run opens the source's files once.
class OpenedSource {
public:
    // The discs kept for `source`, or else its discs listed anew and kept.
    Expected<SourceDiscs*> discsOf(const std::string& source);
    // Closes what is kept: the next discsOf reads the source anew.
    void forget() { discs_.reset(); }

private:
    std::optional<SourceDiscs> discs_;
};

}  // namespace quillon
