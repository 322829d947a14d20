#include "source/disc_toc.h"

#include <optional>

#include "source/image_index.h"

namespace quillon {
namespace {

constexpr std::uint8_t kDiscTypeByte = 0x20;
constexpr std::uint8_t kFirstTrackPoint = 0xA0;
constexpr std::uint8_t kLastTrackPoint = 0xA1;
constexpr std::uint8_t kLeadOutPoint = 0xA2;
constexpr std::size_t kRelativeTime = 3;
constexpr std::size_t kAbsoluteTime = 7;

// Two decimal digits in one byte. Minutes past 99 (only images near the index's limit
// reach them) keep counting in the high nibble, as readers that decode tens * 10 + ones
// expect.
std::uint8_t bcd(std::uint64_t value) { return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10)); }

std::optional<unsigned> fromBcd(std::uint8_t byte, unsigned highestTens) {
    const unsigned tens = byte >> 4;
    const unsigned ones = byte & 0x0F;
    if (ones > 9 || tens > highestTens) return std::nullopt;
    return tens * 10 + ones;
}

// A time as a table entry holds it: three BCD bytes.
struct Msf {
    std::uint8_t minutes = 0, seconds = 0, frames = 0;
};

Msf msfOf(std::uint64_t sectors) {
    const DiscTime time = DiscTime::ofSectors(sectors);
    return {bcd(time.minutes), bcd(time.seconds), bcd(time.frames)};
}

std::optional<std::uint64_t> sectorsOf(const std::uint8_t* time) {
    const auto minutes = fromBcd(time[0], 15);
    const auto seconds = fromBcd(time[1], 9);
    const auto frames = fromBcd(time[2], 9);
    if (!minutes || !seconds || !frames) return std::nullopt;
    return DiscTime{*minutes, *seconds, *frames}.sectors();
}

std::uint8_t typeByte(const DiscTrack& track) {
    return track.type == TrackType::Audio ? kAudioTrackType : kDataTrackType;
}

void putEntry(std::uint8_t* entry, std::uint8_t type, std::uint8_t point, Msf relative, Msf absolute) {
    entry[0] = type;
    entry[2] = point;
    entry[kRelativeTime] = relative.minutes;
    entry[kRelativeTime + 1] = relative.seconds;
    entry[kRelativeTime + 2] = relative.frames;
    entry[kAbsoluteTime] = absolute.minutes;
    entry[kAbsoluteTime + 1] = absolute.seconds;
    entry[kAbsoluteTime + 2] = absolute.frames;
}

// The track number in the first byte of an A0 or A1 entry's absolute time.
std::optional<int> trackNumberAt(const std::uint8_t* entry) {
    const auto number = fromBcd(entry[kAbsoluteTime], 9);
    if (!number || *number < 1) return std::nullopt;
    return static_cast<int>(*number);
}

Expected<DiscTrack> decodeTrackEntry(const std::uint8_t* entry, int number) {
    const std::string name = "the entry of track " + std::to_string(number);
    if (entry[2] != bcd(static_cast<std::uint64_t>(number))) return Error::format(name + " is missing");
    if (entry[0] != kDataTrackType && entry[0] != kAudioTrackType) {
        return Error::format(name + " has an unknown type");
    }
    const auto relative = sectorsOf(entry + kRelativeTime);
    const auto absolute = sectorsOf(entry + kAbsoluteTime);
    if (!relative || !absolute) return Error::format(name + " holds a time that is not BCD");
    if (*absolute != *relative + kLeadInSectors) {
        return Error::format(name + " gives relative and absolute times that disagree");
    }
    DiscTrack track;
    track.number = number;
    track.type = entry[0] == kAudioTrackType ? TrackType::Audio : TrackType::Data;
    track.start = *relative;
    return track;
}

}  // namespace

Bytes encodeToc(const std::vector<DiscTrack>& tracks, std::uint64_t imageSize) {
    Bytes toc(tocSize(tracks.size()), 0);
    const DiscTrack& first = tracks.front();
    const DiscTrack& last = tracks.back();
    const std::uint64_t sectors = (imageSize + kSectorSize - 1) / kSectorSize;
    putEntry(&toc[0], typeByte(first), kFirstTrackPoint, {},
             {bcd(static_cast<std::uint64_t>(first.number)), kDiscTypeByte, 0});
    putEntry(&toc[kTocEntrySize], typeByte(last), kLastTrackPoint, {},
             {bcd(static_cast<std::uint64_t>(last.number)), 0, 0});
    putEntry(&toc[2 * kTocEntrySize], kDataTrackType, kLeadOutPoint, {}, msfOf(sectors + kLeadInSectors));
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const DiscTrack& track = tracks[i];
        putEntry(&toc[(3 + i) * kTocEntrySize], typeByte(track), bcd(static_cast<std::uint64_t>(track.number)),
                 msfOf(track.start), msfOf(track.start + kLeadInSectors));
    }
    return toc;
}

Expected<DiscToc> decodeToc(std::span<const std::uint8_t> blockHead) {
    const ByteReader reader(blockHead);
    const auto head = reader.bytes(kTocOffset, tocSize(0));
    if (!head) return Error::format("the disc-image block ends before it");
    const std::uint8_t* a0 = head->data();
    const std::uint8_t* a1 = a0 + kTocEntrySize;
    const std::uint8_t* a2 = a1 + kTocEntrySize;
    if (a0[2] != kFirstTrackPoint || a1[2] != kLastTrackPoint || a2[2] != kLeadOutPoint) {
        return Error::format("its entries A0, A1 and A2 are not in place");
    }
    const auto first = trackNumberAt(a0);
    const auto last = trackNumberAt(a1);
    if (!first || !last || *first > *last) {
        return Error::format("the first and last track numbers do not fit");
    }
    DiscToc toc;
    const auto leadOut = sectorsOf(a2 + kAbsoluteTime);
    if (!leadOut) return Error::format("the lead-out is not a BCD time");
    toc.leadOut = *leadOut;

    const auto entries = reader.bytes(kTocOffset, tocSize(static_cast<std::size_t>(*last - *first + 1)));
    if (!entries) return Error::format("the disc-image block ends before its last track");
    for (int number = *first; number <= *last; ++number) {
        const std::size_t at = (3 + static_cast<std::size_t>(number - *first)) * kTocEntrySize;
        auto track = decodeTrackEntry(entries->data() + at, number);
        if (!track) return track.error();
        if (!toc.tracks.empty() && track->start <= toc.tracks.back().start) {
            return Error::format("track " + std::to_string(number) + " does not start after track " +
                                 std::to_string(number - 1));
        }
        toc.tracks.push_back(*track);
    }
    if (toc.leadOut <= toc.tracks.back().start + kLeadInSectors) {
        return Error::format("the lead-out does not come after the last track");
    }
    return toc;
}

Expected<std::optional<DiscToc>> readToc(InputFile& container, std::uint64_t blockPosition) {
    auto head = container.readUpTo(blockPosition, kTocOffset + tocSize(kMaxTracks));
    if (!head) return head.error();
    auto toc = decodeToc(*head);
    if (!toc) return std::optional<DiscToc>();
    return std::optional<DiscToc>(std::move(*toc));
}

}  // namespace quillon
