#include "source/chd/chd_metadata.h"

#include <array>
#include <optional>

#include "common/bytes.h"
#include "source/disc_toc.h"

namespace quillon {
namespace {

constexpr std::uint32_t kTrackTag = chdTag("CHT2");
constexpr std::uint32_t kOldTrackTag = chdTag("CHTR");
constexpr std::uint32_t kOldestTrackTag = chdTag("CHCD");
constexpr std::uint32_t kGdTrackTag = chdTag("CHGT");
constexpr std::uint32_t kGdOldTrackTag = chdTag("CHGD");
// Far more entries than a disc of 99 tracks has: a chain that goes on loops.
constexpr int kMaxEntries = 4096;
// A track's text is about 90 bytes.
constexpr std::uint32_t kMaxTrackText = 1024;

std::optional<std::uint32_t> decimal(std::string_view text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : text) value = value * 10 + static_cast<std::uint32_t>(c - '0');
    return value;
}

// The value of `key` in the text's KEY:value pairs; nullopt when it has none.
std::optional<std::string_view> valueOf(std::string_view text, std::string_view key) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view pair = text.substr(start, end - start);
        if (pair.size() > key.size() && pair.starts_with(key) && pair[key.size()] == ':') {
            return pair.substr(key.size() + 1);
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<ChdTrackType> trackTypeOf(std::string_view name) {
    if (name == "MODE1_RAW" || name == "MODE1/2352") return ChdTrackType::Mode1Raw;
    if (name == "MODE2_RAW" || name == "MODE2/2352") return ChdTrackType::Mode2Raw;
    if (name == "AUDIO") return ChdTrackType::Audio;
    return std::nullopt;
}

// What the chain holds: the track texts of each kind, and whether other kinds of track
// lists were met.
struct Chain {
    std::vector<std::string> tracks, oldTracks;
    bool oldestTracks = false, gdTracks = false;
};

Status readEntryText(const ChdFileReader& read, std::uint64_t position, std::uint32_t length,
                     std::vector<std::string>& texts, const std::string& path) {
    if (length > kMaxTrackText) return chdDamaged(path, "an entry of its track list is too long");
    std::string text(length, '\0');
    const std::span<std::uint8_t> bytes(reinterpret_cast<std::uint8_t*>(text.data()), text.size());
    if (Status st = read(position, bytes); !st) return st;
    texts.push_back(std::move(text));
    return {};
}

Expected<Chain> walkChain(const ChdHeader& header, std::uint64_t fileSize, const ChdFileReader& read,
                          const std::string& path) {
    Chain chain;
    std::uint64_t position = header.metaOffset;
    for (int entries = 0; position != 0; ++entries) {
        if (entries == kMaxEntries) return chdDamaged(path, "its metadata chain does not end");
        std::array<std::uint8_t, kChdMetadataHeadSize> head{};
        if (!fitsIn(fileSize, position, head.size())) return chdDamaged(path, "its metadata lies outside the file");
        if (Status st = read(position, head); !st) return st.error();
        const std::uint32_t tag = loadBe32(&head[0]);
        const std::uint32_t length = static_cast<std::uint32_t>(loadBe(&head[5], 3));
        const std::uint64_t data = position + head.size();
        if (!fitsIn(fileSize, data, length)) return chdDamaged(path, "its metadata lies outside the file");
        if (tag == kTrackTag || tag == kOldTrackTag) {
            auto& texts = tag == kTrackTag ? chain.tracks : chain.oldTracks;
            if (Status st = readEntryText(read, data, length, texts, path); !st) return st.error();
        }
        chain.oldestTracks = chain.oldestTracks || tag == kOldestTrackTag;
        chain.gdTracks = chain.gdTracks || tag == kGdTrackTag || tag == kGdOldTrackTag;
        position = loadBe64(&head[8]);
    }
    return chain;
}

Status checkTracks(const std::vector<ChdTrack>& tracks, const ChdHeader& header, const std::string& path) {
    if (tracks.size() > static_cast<std::size_t>(kMaxTracks)) return chdDamaged(path, "it lists more than 99 tracks");
    std::uint64_t frames = 0;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].number != static_cast<int>(i + 1)) {
            return chdDamaged(path, "its tracks are not numbered in order");
        }
        frames += tracks[i].paddedFrames();
    }
    if (frames * kChdFrameSize != header.logicalBytes) {
        return chdDamaged(path, "its track list does not match the size of its data");
    }
    return {};
}

}  // namespace

Expected<ChdTrack> parseChdTrack(std::string_view text, const std::string& path) {
    text = text.substr(0, text.find('\0'));
    const auto broken = [&] { return chdDamaged(path, "an entry of its track list is not valid"); };
    const auto number = valueOf(text, "TRACK");
    const auto type = valueOf(text, "TYPE");
    const auto frames = valueOf(text, "FRAMES");
    if (!number || !type || !frames) return broken();
    ChdTrack track;
    const auto trackNumber = decimal(*number);
    const auto frameCount = decimal(*frames);
    const auto pregap = decimal(valueOf(text, "PREGAP").value_or("0"));
    if (!trackNumber || !frameCount || !pregap || *trackNumber > static_cast<std::uint32_t>(kMaxTracks)) {
        return broken();
    }
    track.number = static_cast<int>(*trackNumber);
    const auto trackType = trackTypeOf(*type);
    if (!trackType) {
        return chdUnreadable(path, "track " + trackNumberText(track.number) + " is of the type " + std::string(*type) +
                                       ", and only tracks of raw sectors (MODE1_RAW, MODE2_RAW) and AUDIO are read");
    }
    track.type = *trackType;
    track.frames = *frameCount;
    track.pregap = *pregap;
    track.pregapStored = valueOf(text, "PGTYPE").value_or("").starts_with('V');
    // A track needs a sector of its own at INDEX 01, behind a pregap that it stores.
    const std::uint32_t storedPregap = track.pregapStored ? track.pregap : 0;
    if (track.frames > kChdMaxFrames || track.pregap > kChdMaxFrames || track.frames <= storedPregap) {
        return broken();
    }
    return track;
}

Expected<std::vector<ChdTrack>> readChdTracks(const ChdHeader& header, std::uint64_t fileSize,
                                              const ChdFileReader& read, const std::string& path) {
    const auto chain = walkChain(header, fileSize, read, path);
    if (!chain) return chain.error();
    const std::vector<std::string>& texts = chain->tracks.empty() ? chain->oldTracks : chain->tracks;
    if (texts.empty()) {
        if (chain->gdTracks) return chdUnreadable(path, "it holds a GD-ROM image, not a CD image");
        if (chain->oldestTracks) {
            return chdUnreadable(path, "its track list is of the oldest kind (CHCD), which is not read");
        }
        return chdUnreadable(path, "it holds no CD track list");
    }
    std::vector<ChdTrack> tracks;
    for (const std::string& text : texts) {
        auto track = parseChdTrack(text, path);
        if (!track) return track.error();
        tracks.push_back(*track);
    }
    if (Status st = checkTracks(tracks, header, path); !st) return st.error();
    return tracks;
}

}  // namespace quillon
