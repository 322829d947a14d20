#include "source/chd/chd_disc.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>

#include "common/digest.h"
#include "common/file_io.h"
#include "common/text.h"
#include "source/chd/chd_codecs.h"
#include "source/chd/chd_header.h"
#include "source/chd/chd_map.h"
#include "source/chd/chd_metadata.h"
#include "source/image_index.h"

namespace quillon {
namespace {

// Hunks that arrive ahead of the ones before them wait for the SHA-1 up to this many
// bytes in all (the packer's threads each hold a run of blocks, some 32 hunks); later
// ones are decoded again at the end.
constexpr std::size_t kMaxWaitingBytes = 32u << 20;
constexpr const char* kDataMismatch = "its data does not match the SHA-1 in its header";

// Sectors of the disc that come from one stretch of CHD frames, or zero sectors.
struct Stretch {
    std::uint64_t firstSector = 0;
    std::uint64_t sectors = 0;
    std::optional<std::uint64_t> firstFrame;  // none: a pregap that the CHD does not store
    bool audio = false;
};

// A reader's decoder and the last hunk it decoded.
struct Worker {
    explicit Worker(std::uint32_t hunkBytes) : decoder(hunkBytes), hunk(hunkBytes) {}

    ChdHunkDecoder decoder;
    Bytes compressed;
    Bytes hunk;
    std::optional<std::uint64_t> source;  // the hunk whose bytes `hunk` holds (never a copy)
    std::optional<std::uint64_t> last;    // the hunk last asked for (a copy of `source`, or it)
};

// The SHA-1 of the logical data, fed hunk by hunk in any order: a hunk is added when
// all before it have been, hunks ahead of that wait (up to a limit), hunks behind it
// are already in.
class OrderedHash {
public:
    OrderedHash(std::uint64_t hunkCount, std::uint32_t hunkBytes, std::uint64_t logicalBytes)
        : hunkCount_(hunkCount), hunkBytes_(hunkBytes), logicalBytes_(logicalBytes) {}

    bool wants(std::uint64_t h) {
        std::lock_guard<std::mutex> lock(mutex_);
        return h >= next_ && !waiting_.contains(h);
    }
    std::uint64_t next() {
        std::lock_guard<std::mutex> lock(mutex_);
        return next_;
    }

    void offer(std::uint64_t h, std::span<const std::uint8_t> hunk) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (h < next_ || waiting_.contains(h)) return;
        if (h > next_) {
            if (waitingBytes_ + hunk.size() > kMaxWaitingBytes) return;
            waiting_.emplace(h, Bytes(hunk.begin(), hunk.end()));
            waitingBytes_ += hunk.size();
            return;
        }
        add(hunk);
        for (auto it = waiting_.begin(); it != waiting_.end() && it->first == next_; it = waiting_.erase(it)) {
            add(it->second);
            waitingBytes_ -= it->second.size();
        }
    }

    // The digest, once every hunk is in.
    Sha1 finish() {
        std::lock_guard<std::mutex> lock(mutex_);
        return hasher_.finish();
    }

private:
    // The hunk `next_`, without the bytes of the last hunk past the logical data.
    void add(std::span<const std::uint8_t> hunk) {
        const std::uint64_t start = next_ * hunkBytes_;
        hasher_.add(hunk.first(static_cast<std::size_t>(std::min<std::uint64_t>(hunk.size(), logicalBytes_ - start))));
        ++next_;
    }

    const std::uint64_t hunkCount_;
    const std::uint32_t hunkBytes_;
    const std::uint64_t logicalBytes_;
    std::mutex mutex_;
    Sha1Hasher hasher_;
    std::uint64_t next_ = 0;
    std::map<std::uint64_t, Bytes> waiting_;
    std::size_t waitingBytes_ = 0;
};

bool recordsSha1(const ChdHeader& header) {
    return std::any_of(header.rawSha1.begin(), header.rawSha1.end(), [](std::uint8_t b) { return b != 0; });
}

}  // namespace

struct ChdDisc::State {
    State(InputFile file, ChdHeader header) : file(std::move(file)), header(header) {}

    void layOut(const std::vector<ChdTrack>& chdTracks);
    Status checkCodecs() const;

    std::unique_ptr<Worker> takeWorker(std::uint64_t firstHunk);
    void giveBack(std::unique_ptr<Worker> worker);
    Status load(Worker& worker, std::uint64_t h);
    Status decode(Worker& worker, std::uint64_t h);
    Status copySectors(Worker& worker, const Stretch& stretch, std::uint64_t position, std::span<std::uint8_t> out);

    InputFile file;
    const ChdHeader header;
    std::vector<ChdHunk> hunks;
    std::vector<Stretch> stretches;
    std::vector<DiscTrack> tracks;
    std::vector<bool> holdsDiscFrames;  // per hunk: false for hunks of padding alone
    std::uint64_t size = 0;
    std::optional<OrderedHash> hash;  // until checkAfterReadingAll() has compared it
    bool dataMismatch = false;

    std::mutex workersMutex;
    std::vector<std::unique_ptr<Worker>> idleWorkers;
};

ChdDisc::ChdDisc(std::unique_ptr<State> state) : state_(std::move(state)) {}
ChdDisc::~ChdDisc() = default;

const std::string& ChdDisc::name() const { return state_->file.path(); }
std::uint64_t ChdDisc::size() const { return state_->size; }
const std::vector<DiscTrack>& ChdDisc::tracks() const { return state_->tracks; }

Expected<std::unique_ptr<DiscReader>> ChdDisc::open(InputFile file) {
    const std::string path = file.path();
#ifdef QUILLON_WITHOUT_CHD
    return Error::format("The CHD " + inQuotes(path) + " cannot be read: CHD sources are not supported in this build.");
#endif
    auto head = file.readUpTo(0, kChdHeaderSize);
    if (!head) return head.error();
    auto header = parseChdHeader(*head, file.size(), path);
    if (!header) return header.error();
    auto state = std::make_unique<State>(std::move(file), *header);
    InputFile& input = state->file;
    const auto read = [&input](std::uint64_t position, std::span<std::uint8_t> out) {
        return input.readExactAt(position, out);
    };
    auto chdTracks = readChdTracks(*header, input.size(), read, path);
    if (!chdTracks) return chdTracks.error();
    auto mapHead = input.readUpTo(header->mapOffset, kChdMapHeaderSize);
    if (!mapHead) return mapHead.error();
    auto mapSize = chdMapSize(*header, *mapHead, input.size(), path);
    if (!mapSize) return mapSize.error();
    auto map = input.readBytes(header->mapOffset, static_cast<std::size_t>(*mapSize));
    if (!map) return map.error();
    auto hunks = parseChdMap(*header, *map, input.size(), path);
    if (!hunks) return hunks.error();
    state->hunks = std::move(*hunks);
    if (Status st = state->checkCodecs(); !st) return st.error();
    state->layOut(*chdTracks);
    if (recordsSha1(*header)) state->hash.emplace(header->hunkCount(), header->hunkBytes, header->logicalBytes);
    return std::unique_ptr<DiscReader>(new ChdDisc(std::move(state)));
}

Status ChdDisc::State::checkCodecs() const {
    for (const ChdHunk& hunk : hunks) {
        if (hunk.kind != ChdHunk::Kind::Compressed) continue;
        const std::uint32_t codec = header.codecs[hunk.codecSlot];
        if (!isChdCdCodec(codec)) {
            return chdUnreadable(file.path(), "its hunks are compressed with the codec " + chdCodecName(codec) +
                                                  ", and only the CD codecs cdlz, cdzl, cdfl and cdzs are read");
        }
    }
    return {};
}

// The disc as its cue sheet lays it out: per track a pregap of zero sectors when the
// CHD does not store it, then the track's frames; the padding frames are skipped.
void ChdDisc::State::layOut(const std::vector<ChdTrack>& chdTracks) {
    holdsDiscFrames.assign(hunks.size(), false);
    const std::uint32_t framesPerHunk = header.framesPerHunk();
    std::uint64_t frame = 0;
    for (const ChdTrack& track : chdTracks) {
        const bool audio = track.type == ChdTrackType::Audio;
        const std::uint64_t trackStart = size / kSectorSize;
        if (!track.pregapStored && track.pregap > 0) {
            stretches.push_back({trackStart, track.pregap, std::nullopt, audio});
        }
        const std::uint64_t firstSector = trackStart + (track.pregapStored ? 0 : track.pregap);
        stretches.push_back({firstSector, track.frames, frame, audio});
        tracks.push_back(
            {track.number, audio ? TrackType::Audio : TrackType::Data, trackStart + track.pregap, track.pregap});
        for (std::uint64_t h = frame / framesPerHunk; h <= (frame + track.frames - 1) / framesPerHunk; ++h) {
            holdsDiscFrames[h] = true;
        }
        size = (firstSector + track.frames) * kSectorSize;
        frame += track.paddedFrames();
    }
}

std::unique_ptr<Worker> ChdDisc::State::takeWorker(std::uint64_t firstHunk) {
    {
        std::lock_guard<std::mutex> lock(workersMutex);
        if (!idleWorkers.empty()) {
            // The one that holds the hunk to start with, if one does.
            auto chosen = std::find_if(idleWorkers.begin(), idleWorkers.end(),
                                       [&](const auto& w) { return w->last == firstHunk; });
            if (chosen == idleWorkers.end()) chosen = idleWorkers.end() - 1;
            std::unique_ptr<Worker> worker = std::move(*chosen);
            idleWorkers.erase(chosen);
            return worker;
        }
    }
    return std::make_unique<Worker>(header.hunkBytes);
}

void ChdDisc::State::giveBack(std::unique_ptr<Worker> worker) {
    std::lock_guard<std::mutex> lock(workersMutex);
    idleWorkers.push_back(std::move(worker));
}

// Decodes hunk `h` (no copy) into the worker and checks its CRC-16.
Status ChdDisc::State::decode(Worker& worker, std::uint64_t h) {
    const ChdHunk& hunk = hunks[h];
    worker.source.reset();
    const std::string& path = file.path();
    switch (hunk.kind) {
        case ChdHunk::Kind::Zero: std::fill(worker.hunk.begin(), worker.hunk.end(), 0); break;
        case ChdHunk::Kind::Stored:
            if (Status st = file.readExactAt(hunk.offset, worker.hunk); !st) return st;
            break;
        case ChdHunk::Kind::Compressed:
            worker.compressed.resize(hunk.length);
            if (Status st = file.readExactAt(hunk.offset, worker.compressed); !st) return st;
            if (!worker.decoder.decode(header.codecs[hunk.codecSlot], worker.compressed, worker.hunk)) {
                return chdDamaged(path, "hunk " + std::to_string(h) + " does not decode");
            }
            break;
        case ChdHunk::Kind::Copy: return chdDamaged(path, "hunk " + std::to_string(h) + " repeats a copy");
    }
    if (hunk.crc && chdCrc16(worker.hunk) != *hunk.crc) {
        return chdDamaged(path, "hunk " + std::to_string(h) + " does not match its checksum");
    }
    worker.source = h;
    return {};
}

// Puts hunk `h` into the worker, decoding it unless it holds it already, and adds it to
// the SHA-1 with the hunks of padding alone that no read asks for right before it.
Status ChdDisc::State::load(Worker& worker, std::uint64_t h) {
    if (worker.last == h) return {};
    if (hash && hash->wants(h)) {
        std::uint64_t padding = h;
        while (padding > 0 && !holdsDiscFrames[padding - 1]) --padding;
        for (; padding < h; ++padding) {
            if (!hash->wants(padding)) continue;
            if (Status st = load(worker, padding); !st) return st;
        }
    }
    const ChdHunk& hunk = hunks[h];
    const std::uint64_t source = hunk.kind == ChdHunk::Kind::Copy ? hunk.offset : h;
    worker.last.reset();
    if (worker.source != source) {
        if (Status st = decode(worker, source); !st) return st;
    }
    worker.last = h;
    if (hash) hash->offer(h, worker.hunk);
    return {};
}

// The part of `out` from `position` that lies in the stretch's sectors of the disc.
Status ChdDisc::State::copySectors(Worker& worker, const Stretch& stretch, std::uint64_t position,
                                   std::span<std::uint8_t> out) {
    const std::uint32_t framesPerHunk = header.framesPerHunk();
    while (!out.empty()) {
        const std::uint64_t sector = position / kSectorSize;
        const std::size_t offset = static_cast<std::size_t>(position % kSectorSize);
        const std::size_t take = std::min(out.size(), kSectorSize - offset);
        const std::uint64_t frame = *stretch.firstFrame + (sector - stretch.firstSector);
        if (Status st = load(worker, frame / framesPerHunk); !st) return st;
        const std::uint8_t* from = worker.hunk.data() + (frame % framesPerHunk) * kChdFrameSize;
        if (stretch.audio) {
            // The CHD holds big-endian samples: the two bytes of each swap places.
            for (std::size_t i = 0; i < take; ++i) out[i] = from[(offset + i) ^ 1];
        } else {
            std::copy_n(from + offset, take, out.begin());
        }
        out = out.subspan(take);
        position += take;
    }
    return {};
}

Status ChdDisc::readExactAt(std::uint64_t position, std::span<std::uint8_t> out) {
    State& state = *state_;
    if (!fitsIn(state.size, position, out.size())) {
        return Error::read("Cannot read the disc " + inQuotes(name()) + ". Read beyond end of file");
    }
    if (out.empty()) return {};
    const std::uint64_t firstSector = position / kSectorSize;
    const auto startsAfter = [](std::uint64_t sector, const Stretch& s) { return sector < s.firstSector; };
    const auto& stretches = state.stretches;
    auto stretch = std::prev(std::upper_bound(stretches.begin(), stretches.end(), firstSector, startsAfter));
    // A hint: the worker that holds the first hunk to read, if one does.
    const std::uint64_t firstFrame = stretch->firstFrame.value_or(0) + (firstSector - stretch->firstSector);
    std::unique_ptr<Worker> worker = state.takeWorker(firstFrame / state.header.framesPerHunk());
    Status result;
    while (!out.empty() && result) {
        const std::uint64_t end = (stretch->firstSector + stretch->sectors) * kSectorSize;
        const auto part = out.first(static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), end - position)));
        if (stretch->firstFrame) {
            result = state.copySectors(*worker, *stretch, position, part);
        } else {
            std::fill(part.begin(), part.end(), 0);
        }
        out = out.subspan(part.size());
        position += part.size();
        ++stretch;
    }
    state.giveBack(std::move(worker));
    return result;
}

Status ChdDisc::checkAfterReadingAll() {
    State& state = *state_;
    if (!state.hash) return state.dataMismatch ? chdDamaged(name(), kDataMismatch) : Status{};
    std::unique_ptr<Worker> worker = state.takeWorker(state.hash->next());
    Status result;
    for (std::uint64_t h = state.hash->next(); h < state.hunks.size() && result; h = state.hash->next()) {
        worker->last.reset();
        result = state.load(*worker, h);
    }
    state.giveBack(std::move(worker));
    if (!result) return result;
    state.dataMismatch = state.hash->finish() != state.header.rawSha1;
    state.hash.reset();
    return state.dataMismatch ? chdDamaged(name(), kDataMismatch) : Status{};
}

}  // namespace quillon
