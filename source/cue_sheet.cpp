#include "source/cue_sheet.h"

#include <array>
#include <charconv>

#include "common/bytes.h"
#include "common/file_io.h"
#include "common/text.h"
#include "source/text_lines.h"

namespace quillon {
namespace {

constexpr std::array<std::string_view, 8> kIgnoredKeywords{"POSTGAP", "FLAGS",     "CATALOG",    "ISRC",
                                                           "TITLE",   "PERFORMER", "SONGWRITER", "REM"};

std::optional<unsigned> decimal(std::string_view digits, std::size_t maxDigits) {
    unsigned value = 0;
    if (digits.empty() || digits.size() > maxDigits) return std::nullopt;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

// "mm:ss:ff" as a count of sectors.
std::optional<std::uint64_t> parseTime(std::string_view text) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto minutes = decimal(text.substr(0, first), 3);
    const auto seconds = decimal(text.substr(first + 1, second - first - 1), 2);
    const auto frames = decimal(text.substr(second + 1), 2);
    if (!minutes || !seconds || !frames) return std::nullopt;
    return DiscTime{*minutes, *seconds, *frames}.sectors();
}

std::string timeText(std::uint64_t sectors) {
    const DiscTime time = DiscTime::ofSectors(sectors);
    return twoDigits(time.minutes) + ":" + twoDigits(time.seconds) + ":" + twoDigits(time.frames);
}

// How far a file reaches, for a position past its end.
std::string extentText(const CueFile& file) {
    if (file.sectors() == 0) return "it holds no whole sector";
    return std::to_string(file.sectors()) + " sectors, the last at " + timeText(file.sectors() - 1);
}

class CueParser {
public:
    CueParser(const std::string& sheetPath, const CueFileSize& sizeOf) : sizeOf_(sizeOf) { sheet_.path = sheetPath; }

    Expected<CueSheet> parse(std::span<const std::uint8_t> text) {
        const std::vector<std::string_view> lines = textFileLines(asText(text));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            line_ = i + 1;
            auto words = splitWords(lines[i]);
            if (!words) return words.error();
            if (words->empty()) continue;
            if (Status st = onLine(*words); !st) return st.error();
        }
        line_ = std::max<std::size_t>(lines.size(), 1);
        if (Status st = closeFile(); !st) return st.error();
        if (sheet_.tracks.empty()) return error("the sheet names no TRACK");
        return std::move(sheet_);
    }

private:
    Error error(const std::string& what) const { return errorAt(line_, what); }
    Error errorAt(std::size_t line, const std::string& what) const {
        return lineError("Cue sheet", sheet_.path, line, what);
    }

    // The blank-separated words of a line; a word that starts with a double quote runs
    // to the next one, blanks included.
    Expected<std::vector<std::string>> splitWords(std::string_view line) const {
        std::vector<std::string> words;
        std::size_t at = 0;
        while ((at = line.find_first_not_of(" \t", at)) != std::string_view::npos) {
            if (line[at] == '"') {
                const std::size_t close = line.find('"', at + 1);
                if (close == std::string_view::npos) return error("a double quote is not closed");
                words.emplace_back(line.substr(at + 1, close - at - 1));
                at = close + 1;
            } else {
                const std::size_t end = line.find_first_of(" \t", at);
                words.emplace_back(line.substr(at, end - at));
                at = end;
            }
        }
        return words;
    }

    Status onLine(const std::vector<std::string>& words) {
        const std::string keyword = toUpperAscii(words[0]);
        if (keyword == "FILE") return onFile(words);
        if (keyword == "TRACK") return onTrack(words);
        if (keyword == "INDEX") return onIndex(words);
        if (keyword == "PREGAP") return onPregap(words);
        for (const std::string_view ignored : kIgnoredKeywords) {
            if (keyword == ignored) return {};
        }
        return error("unknown keyword " + inQuotes(words[0]));
    }

    Status onFile(const std::vector<std::string>& words) {
        // A track whose pregap runs to the end of this file takes its INDEX 01 in the next.
        const bool carry = !carried_ && inTrack() && !hasIndex01_ && sheet_.tracks.back().index00;
        if (!carry) {
            if (Status st = closeFile(); !st) return st;
        }
        if (words.size() != 3) {
            return error("FILE needs a file name and a type (FILE \"name\" BINARY)");
        }
        const std::string type = toUpperAscii(words[2]);
        if (type != "BINARY") {
            return error("FILE type " + words[2] +
                         " is not supported: the files must be BINARY files of raw 2,352-byte sectors");
        }
        std::filesystem::path name = toFsPath(words[1]);
        if (name.is_relative()) name = toFsPath(sheet_.path).parent_path() / name;
        CueFile file{fromFsPath(name), 0};
        auto size = sizeOf_(file.path);
        if (!size) return error(size.error().message);
        file.size = *size;
        sheet_.files.push_back(std::move(file));
        fileLine_ = line_;
        firstTrackOfFile_ = sheet_.tracks.size();
        carried_ = carry;
        return {};
    }

    Expected<TrackMode> trackMode(const std::string& text) const {
        const std::string mode = toUpperAscii(text);
        if (mode == "MODE2/2352") return TrackMode::Mode2;
        if (mode == "MODE1/2352") return TrackMode::Mode1;
        if (mode == "AUDIO") return TrackMode::Audio;
        if (mode == "MODE1/2048" || mode == "MODE2/2336") {
            return error("track mode " + text +
                         " is not supported: a PlayStation disc image needs raw 2,352-byte "
                         "sectors (MODE2/2352, MODE1/2352 or AUDIO)");
        }
        return error("unknown track mode " + inQuotes(text) + " (MODE2/2352, MODE1/2352 or AUDIO expected)");
    }

    Status onTrack(const std::vector<std::string>& words) {
        if (Status st = closeTrack(); !st) return st;
        if (sheet_.files.empty()) return error("TRACK comes before any FILE");
        if (words.size() != 3) {
            return error("TRACK needs a number and a mode (TRACK 01 MODE2/2352)");
        }
        const auto number = decimal(words[1], 3);
        if (!number) return error(inQuotes(words[1]) + " is not a track number");
        if (*number > static_cast<unsigned>(kMaxTracks)) {
            return error("track " + words[1] + ": a disc holds at most 99 tracks");
        }
        const int expected = static_cast<int>(sheet_.tracks.size()) + 1;
        if (static_cast<int>(*number) != expected) {
            return error("track " + words[1] + " comes where track " + trackNumberText(expected) +
                         " is due (tracks count up from 01 by one)");
        }
        auto mode = trackMode(words[2]);
        if (!mode) return mode.error();
        CueTrack track;
        track.number = expected;
        track.mode = *mode;
        track.file = sheet_.files.size() - 1;
        sheet_.tracks.push_back(track);
        trackLine_ = line_;
        hasIndex01_ = hasPregap_ = false;
        return {};
    }

    // The lowest position at which the current track's first INDEX may stand: after the
    // INDEX 01 of the track before it in the same file.
    // Whether a TRACK of the current FILE has begun; firstTrackOfFile_ is 0 before any FILE.
    bool inTrack() const { return sheet_.tracks.size() > firstTrackOfFile_; }

    std::uint64_t trackFloor() const {
        const std::size_t current = sheet_.tracks.size() - 1;
        if (current == firstTrackOfFile_) return 0;
        return sheet_.tracks[current - 1].index01 + 1;
    }

    Status onIndex(const std::vector<std::string>& words) {
        if (!inTrack() && !carried_) {
            return error("INDEX comes before any TRACK of its FILE");
        }
        if (words.size() != 3) {
            return error("INDEX needs a number and a position (INDEX 01 00:00:00)");
        }
        const auto number = decimal(words[1], 2);
        const auto position = parseTime(words[2]);
        if (!number) return error(inQuotes(words[1]) + " is not an index number");
        if (!position) return error(inQuotes(words[2]) + " is not a position (mm:ss:ff expected)");
        CueTrack& track = sheet_.tracks.back();
        if (*number > 1) return {};
        if (hasIndex01_) return error("INDEX " + words[1] + " comes after the track's INDEX 01");
        if (*number == 0 && track.index00) return error("the track has a second INDEX 00");
        if (carried_) takeCarriedTrack(track);
        const std::uint64_t floor = track.pregapInFileBefore ? 0 : track.index00.value_or(trackFloor());
        if (*position < floor) {
            return error("INDEX " + words[1] + " " + words[2] + " goes backwards: it must not come before " +
                         timeText(floor));
        }
        const CueFile& file = sheet_.files[track.file];
        if (*position >= file.sectors()) {
            return error("INDEX " + words[1] + " " + words[2] + " lies past the end of " + inQuotes(file.path) + " (" +
                         extentText(file) + ")");
        }
        if (*number == 0) {
            track.index00 = *position;
        } else {
            track.index01 = *position;
            hasIndex01_ = true;
        }
        return {};
    }

    // The track carried over from the file before becomes this file's first.
    void takeCarriedTrack(CueTrack& track) {
        track.file = sheet_.files.size() - 1;
        track.pregapInFileBefore = true;
        firstTrackOfFile_ = sheet_.tracks.size() - 1;
        carried_ = false;
    }

    Status onPregap(const std::vector<std::string>& words) {
        if (!inTrack()) {
            return error("PREGAP comes before any TRACK of its FILE");
        }
        if (hasPregap_) return error("the track has a second PREGAP");
        const auto length = words.size() == 2 ? parseTime(words[1]) : std::nullopt;
        if (!length) return error("PREGAP needs a length (PREGAP mm:ss:ff)");
        sheet_.tracks.back().pregap = *length;
        hasPregap_ = true;
        return {};
    }

    Status closeTrack() {
        if (hasIndex01_ || (!inTrack() && !carried_)) return {};
        return errorAt(trackLine_, "track " + trackNumberText(sheet_.tracks.back().number) + " has no INDEX 01");
    }

    Status closeFile() {
        if (Status st = closeTrack(); !st) return st;
        if (sheet_.files.empty() || inTrack()) return {};
        return errorAt(fileLine_, "FILE " + inQuotes(sheet_.files.back().path) + " holds no TRACK");
    }

    const CueFileSize& sizeOf_;
    CueSheet sheet_;
    std::size_t line_ = 0;
    std::size_t fileLine_ = 0;
    std::size_t trackLine_ = 0;
    std::size_t firstTrackOfFile_ = 0;  // index of the current file's first track
    bool hasIndex01_ = false;
    bool hasPregap_ = false;
    bool carried_ = false;  // the last track waits for its INDEX 01 in the current file
};

}  // namespace

Expected<CueSheet> parseCueSheet(std::span<const std::uint8_t> text, const std::string& sheetPath,
                                 const CueFileSize& sizeOf) {
    return CueParser(sheetPath, sizeOf).parse(text);
}

CueLayout layOutCueSheet(const CueSheet& sheet) {
    CueLayout layout;
    const auto add = [&layout](std::uint64_t sectors, std::optional<std::size_t> file, std::uint64_t fileSector) {
        layout.stretches.push_back({sectors, file, fileSector});
        layout.sectors += sectors;
    };
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
        add(track.pregap, std::nullopt, 0);
        std::uint64_t tail = 0;  // of the file before, in its pregap (all of it, when it holds no track)
        if (track.pregapInFileBefore) {
            const std::size_t before = track.file - 1;
            const std::uint64_t from = i > 0 && tracks[i - 1].file == before ? *track.index00 : 0;
            tail = sheet.files[before].sectors() - from;
            add(tail, before, from);
        }
        const std::uint64_t firstSector = layout.sectors;
        add(end - begin, track.file, begin);
        layout.tracks.push_back({track.number, track.type(), firstSector + track.index01 - begin,
                                 track.pregap + tail + track.index01 - begin});
    }
    return layout;
}

std::string cueSheetText(const std::vector<DiscTrack>& tracks, const std::string& binName) {
    std::string text = "FILE " + inQuotes(binName) + " BINARY\r\n";
    for (const DiscTrack& track : tracks) {
        text += "  TRACK " + trackNumberText(track.number) +
                (track.type == TrackType::Audio ? " AUDIO\r\n" : " MODE2/2352\r\n");
        if (track.pregap > 0) {
            text += "    INDEX 00 " + timeText(track.start - track.pregap) + "\r\n";
        }
        text += "    INDEX 01 " + timeText(track.start) + "\r\n";
    }
    return text;
}

}  // namespace quillon
