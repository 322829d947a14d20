// The kinds of source the program takes, one row per file extension: what such a file
// is, how the window's file picker, the command line's help and the desktop name it,
// and the reader of the disc it holds. Everything that tells a source's kind from its
// name, or lists the accepted names, asks this table.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "common/expected.h"
#include "common/file_io.h"

namespace quillon {

class DiscReader;

enum class SourceType {
    DiscImage,  // a disc image taken as it is
    CueSheet,   // the disc that a cue sheet describes
    Chd,        // the CD image in a CHD file
    Playlist,   // the discs of a game of several discs, one path a line
    Pbp,        // a PSP container
};

// Reads the disc in the opened file.
using DiscOpener = Expected<std::unique_ptr<DiscReader>> (*)(InputFile file);

struct SourceFormat {
    std::string_view extension;  // in lower case, with its dot
    SourceType type;
    std::string_view pickerLabel;  // the file picker's filter for it; empty: not offered there
    std::string_view helpWords;    // how the command line's help names it; empty: not named
    std::string_view mimeType;     // the desktop's type of such files; empty: not claimed
    // First bytes that make a file of this format whatever its name; empty: known by
    // the name alone.
    std::string_view signature;
    DiscOpener open;  // none for a source that is no disc
};

// Every row, in the order the picker and the help list them.
std::span<const SourceFormat> sourceFormats();

// The row of the path's extension (any letter case); nullptr for any other.
const SourceFormat* sourceFormatOf(const std::string& path);

// The type that the path's extension names; a disc image for any other extension.
SourceType sourceTypeOf(const std::string& path);

// The format of the file at `path` whose first bytes are `head`: the one whose signature
// it starts with, else the one without signature that its extension names, else a disc
// image's.
const SourceFormat& sourceFormatOfFile(const std::string& path, std::span<const std::uint8_t> head);

// How many first bytes of a file sourceFormatOfFile needs.
std::size_t longestSignature();

// The source file picker's filter: "Supported Files|*.iso;...|ISO Files|*.iso|...".
std::string sourcePickerFilter();

// The sources as the command line's help names them: ".iso, .img, ..., or an .m3u
// playlist of a game's discs".
std::string sourceKindsInWords();

}  // namespace quillon
