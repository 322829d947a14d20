// Cue sheets: the text files that describe a disc of several tracks as one or more files
// of raw 2,352-byte sectors. Read: `FILE "name" BINARY`, `TRACK nn MODE2/2352 | MODE1/2352
// | AUDIO`, `INDEX 00 | 01 mm:ss:ff` (positions within the current file) and `PREGAP
// mm:ss:ff` (zero sectors that no file holds); keywords in any letter case, values in
// double quotes when they hold blanks. POSTGAP, FLAGS, CATALOG, ISRC, TITLE, PERFORMER,
// SONGWRITER and REM lines are ignored, INDEX 02 to 99 too. Anything else is refused with
// a message naming the sheet and the line.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/expected.h"
#include "source/disc_toc.h"
#include "source/image_index.h"

namespace quillon {

enum class TrackMode { Mode1, Mode2, Audio };

struct CueFile {
    std::string path;        // the FILE name, relative names joined to the sheet's folder
    std::uint64_t size = 0;  // in bytes

    // A file whose size is not a whole number of sectors counts its partial last sector
    // as a whole one; the bytes it lacks read as zero.
    std::uint64_t sectors() const { return (size + kSectorSize - 1) / kSectorSize; }
};

struct CueTrack {
    int number = 0;
    TrackMode mode = TrackMode::Mode2;
    std::size_t file = 0;                  // the FILE of its INDEX 01, an index into CueSheet::files
    std::optional<std::uint64_t> index00;  // sector of the file where its pregap starts
    std::uint64_t index01 = 0;             // sector of the file where the track starts
    std::uint64_t pregap = 0;              // PREGAP: zero sectors in front of it
    // Its INDEX 00 stands in the FILE before its own, whose sectors from there on are
    // the first of its pregap (the sectors of its own file in front of INDEX 01 follow).
    bool pregapInFileBefore = false;

    TrackType type() const { return mode == TrackMode::Audio ? TrackType::Audio : TrackType::Data; }
};

// A sheet as read: its files in order, and its tracks, numbered from 1 up by one, in the
// order of the sheet. Every file could be read and holds at least one track (or a track's
// INDEX 00 whose INDEX 01 comes in the next FILE, before any TRACK of that file); within
// a file the positions go forward, each track starting after the INDEX 01 of the track
// before it, and every position lies inside the file.
struct CueSheet {
    std::string path;
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;
};

// The size in bytes of the file at `path` that a FILE line names, or why it cannot be
// read (a message that the parser puts after the sheet and the line).
using CueFileSize = std::function<Expected<std::uint64_t>(const std::string& path)>;

// Reads the sheet `text` found at `sheetPath`. FILE names are joined to the sheet's
// folder unless they are absolute, and `sizeOf` tells the files' sizes, in the order of
// the sheet: the parser itself touches no file. Every error message names the sheet and
// the line.
Expected<CueSheet> parseCueSheet(std::span<const std::uint8_t> text, const std::string& sheetPath,
                                 const CueFileSize& sizeOf);

// The disc that a sheet describes, as stretches one after the other: its tracks in the
// sheet's order, each with its pregap in front of it (the bytes from INDEX 00, or from
// the start of its file for the first track of a file, up to INDEX 01, after the zero
// sectors of a PREGAP line), so that the disc runs from sector 0 to the lead-out.
struct CueStretch {
    std::uint64_t sectors = 0;
    std::optional<std::size_t> file;  // an index into CueSheet::files; none: zero sectors
    std::uint64_t fileSector = 0;
};
struct CueLayout {
    std::vector<CueStretch> stretches;
    std::vector<DiscTrack> tracks;  // INDEX 01 of each in disc sectors
    std::uint64_t sectors = 0;
};
CueLayout layOutCueSheet(const CueSheet& sheet);

// A sheet for `tracks` laid out in one file `binName` (which holds no double quote): one
// FILE line, then per track its TRACK line (MODE2/2352 or AUDIO), INDEX 00 when it has a
// pregap and INDEX 01; lines end with CR LF. Read back next to the image it describes,
// it gives the same tracks.
std::string cueSheetText(const std::vector<DiscTrack>& tracks, const std::string& binName);

}  // namespace quillon
