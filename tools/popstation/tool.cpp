#include "tools/popstation/tool.h"

#include <limits>

#include "common/digest.h"
#include "common/ordered_work.h"
#include "common/text.h"
#include "source/disc_id.h"
#include "source/disc_toc.h"
#include "source/multi_disc.h"
#include "source/open_disc.h"
#include "source/param_sfo.h"
#include "source/pbp.h"
#include "source/playlist.h"
#include "tools/popstation/base_parts.h"
#include "tools/popstation/block_packer.h"
#include "tools/popstation/disc_image_block.h"

namespace quillon::popstation {
namespace {

SfoEntry textEntry(std::string key, std::string text, std::uint32_t room) {
    SfoEntry entry;
    entry.key = std::move(key);
    entry.text = std::move(text);
    entry.maxLength = room;
    return entry;
}

SfoEntry integerEntry(std::string key, std::uint32_t value) {
    SfoEntry entry;
    entry.key = std::move(key);
    entry.isInteger = true;
    entry.integer = value;
    entry.maxLength = 4;
    return entry;
}

Bytes containerParamSfo(const std::string& title, const std::string& discId) {
    return buildParamSfo({
        integerEntry("BOOTABLE", 1),
        textEntry("CATEGORY", "ME", 4),
        textEntry("DISC_ID", discId, 16),
        textEntry("DISC_VERSION", "1.00", 8),
        textEntry("LICENSE", "", 512),
        integerEntry("PARENTAL_LEVEL", 1),
        textEntry("PSP_SYSTEM_VER", "3.01", 8),
        integerEntry("REGION", 0x8000),
        textEntry("TITLE", title, 128),
    });
}

// The header: PARAM.SFO at 0x28, the sections of the layout after it.
Bytes containerHeader(const NewLayout& layout) {
    PbpHeader header;
    header.magic = kPbpMagic;
    header.version = kContainerVersion;
    header.paramSfo = kParamSfoOffset;
    header.artwork = layout.artwork;
    header.dataPsp = layout.dataPsp;
    header.dataPsar = layout.dataPsar;
    return encodePbpHeader(header);
}

// The tool's messages and the packing's progress, through the one progress callback.
// A report answered with false leaves the tool stopped.
class Reporter {
public:
    explicit Reporter(const Progress& progress) : progress_(progress) {}

    void say(const std::string& line) { report({.status = line}); }

    // `done` image bytes of all discs' `total` packed: the percentage line when it rose.
    bool packed(std::uint64_t done, std::uint64_t total) {
        const int percent = percentOf(done, total);
        ProgressReport progress{.status = {}, .done = done, .total = total};
        if (percent > shownPercent_) {
            shownPercent_ = percent;
            progress.status = std::string(kPackingReport) + std::to_string(percent) + "%";
        }
        return report(progress);
    }

    bool stopped() const { return stopped_; }

private:
    bool report(const ProgressReport& progress) {
        if (!progress_(progress)) stopped_ = true;
        return !stopped_;
    }

    const Progress& progress_;
    int shownPercent_ = 0;
    bool stopped_ = false;
};

// One disc of the container.
struct Disc {
    std::unique_ptr<DiscReader> image;
    std::uint32_t blocks = 0;
    std::string discId;
};

// "Disc" for a container of one disc, "Disc 2" for the second of several.
std::string discName(std::size_t index, std::size_t count) {
    return count == 1 ? "Disc" : "Disc " + std::to_string(index + 1);
}

// The sources themselves, or the discs of a playlist given alone.
Expected<std::vector<std::string>> discPaths(const ToolRequest& request, Reporter& reporter) {
    for (const std::string& source : request.sources) {
        if (isPlaylistPath(source) && request.sources.size() > 1) {
            return Error::format("The playlist " + inQuotes(source) + " must be the only source.");
        }
    }
    if (!isPlaylistPath(request.sources.front())) {
        for (const std::string& source : request.sources) {
            if (auto problem = discKindProblem(source)) return Error::format(*problem + ".");
        }
        return request.sources;
    }
    auto discs = readPlaylist(request.sources.front());
    if (!discs) return discs.error();
    reporter.say("Playlist: " + inQuotes(request.sources.front()) + ", " + std::to_string(discs->size()) +
                 (discs->size() == 1 ? " disc" : " discs"));
    return discs;
}

void describeTracks(const DiscReader& image, Reporter& reporter) {
    if (image.tracks().size() < 2) return;
    for (const DiscTrack& track : image.tracks()) {
        reporter.say("Track " + trackNumberText(track.number) + ": " +
                     (track.type == TrackType::Audio ? "audio" : "data") + " from sector " +
                     std::to_string(track.start) +
                     (track.pregap > 0 ? " (pregap " + std::to_string(track.pregap) + " sectors)" : ""));
    }
}

Expected<std::vector<Disc>> openDiscs(const ToolRequest& request, const Workplace& place, Reporter& reporter) {
    auto paths = discPaths(request, reporter);
    if (!paths) return paths.error();
    std::vector<Disc> discs;
    for (std::size_t i = 0; i < paths->size(); ++i) {
        const std::string& path = (*paths)[i];
        auto image = openDisc(path);
        if (!image) return image.error();
        auto blocks = imageBlockCount((*image)->size(), place.maxBlocks);
        if (!blocks) return Error::format(inQuotes(path) + ": " + blocks.error().message);
        reporter.say((paths->size() == 1 ? std::string("Source") : discName(i, paths->size())) + ": " + inQuotes(path) +
                     ", " + std::to_string((*image)->size()) + " bytes, " + std::to_string(*blocks) + " blocks");
        describeTracks(**image, reporter);
        discs.push_back({std::move(*image), *blocks, {}});
    }
    return discs;
}

// Disc 1's given ID, or the one found in each disc's first data track.
Status chooseDiscIds(const ToolRequest& request, std::vector<Disc>& discs, Reporter& reporter) {
    for (std::size_t i = 0; i < discs.size(); ++i) {
        const std::string name = discName(i, discs.size()) + " ID: ";
        if (i == 0 && request.discId) {
            discs[i].discId = *request.discId;
            reporter.say(name + discs[i].discId);
            continue;
        }
        auto head = discs[i].image->readFirstDataTrack(kIdentificationReadSize);
        if (!head) return head.error();
        const auto found = scanDiscId(*head);
        discs[i].discId = found.value_or(kUnknownDiscId);
        reporter.say(name + discs[i].discId + (found ? " (found in the image)" : " (none found in the image)"));
    }
    return {};
}

// DATA.PSP and the start screen: from base.pbp when it serves, else placeholders; the
// picture from --start-screen when given.
Expected<ContainerParts> chooseParts(const ToolRequest& request, const Workplace& place, Reporter& reporter) {
    const std::string basePath = request.basePath.value_or(place.folder + kBaseContainerName);
    ContainerParts parts;
    if (!isFile(basePath)) {
        reporter.say(
            "No base.pbp: writing a placeholder DATA.PSP and start screen (the container will "
            "not start on a PSP).");
        parts = placeholderParts();
    } else if (auto base = readBaseParts(basePath)) {
        reporter.say("DATA.PSP and start screen taken from " + inQuotes(basePath) + ".");
        parts = std::move(*base);
    } else {
        reporter.say(inQuotes(basePath) + " cannot serve (" + base.error().message +
                     "): writing a placeholder DATA.PSP and start screen.");
        parts = placeholderParts();
    }
    if (request.startScreenPath) {
        auto picture = readStartScreenPicture(*request.startScreenPath);
        if (!picture) return picture.error();
        parts.startScreen.picture = std::move(*picture);
        reporter.say("Start-screen picture taken from " + inQuotes(*request.startScreenPath) + ".");
    }
    return parts;
}

std::string levelMeaning(int level) {
    if (level == 0) return " (blocks stored as they are)";
    if (level == kStrongestDeflateLevel) return " (blocks deflated at the strongest level)";
    return " (blocks deflated)";
}

unsigned threadsFor(const Workplace& place) {
    if (place.threads > 0) return place.threads;
    return processorCores();
}

// Where the packing of one disc stands among all discs' image bytes.
struct PackJob {
    int level = 0;
    unsigned threads = 1;
    std::uint64_t packedBefore = 0;  // image bytes of the discs before it
    std::uint64_t total = 0;         // image bytes of all discs
};

// The disc's block, from the current end of `out`: head, blocks, then its index.
Status writeDiscBlock(Disc& disc, const std::string& title, OutputFile& out, const PackJob& job, Reporter& reporter) {
    const std::uint64_t blockStart = out.written();
    const Bytes toc = encodeToc(disc.image->tracks(), disc.image->size());
    if (Status st = out.write(imageBlockHead(disc.discId, title, toc)); !st) return st;
    PackSettings settings{.level = job.level, .threads = job.threads, .progress = [&](const ProgressReport& r) {
                              return reporter.packed(job.packedBefore + r.done, job.total);
                          }};
    auto entries = packImageBlocks(*disc.image, disc.blocks, out, settings);
    if (!entries) return entries.error();
    if (Status st = disc.image->checkAfterReadingAll(); !st) return st;
    return out.writeAt(blockStart + kIndexOffset, encodeIndex(*entries));
}

// DATA.PSAR of several discs, from the current end of `out`: the title-image head, each
// disc's block on the next multiple of 0x8000, then the disc table filled in.
Status writeDiscSet(std::vector<Disc>& discs, const std::string& title, OutputFile& out, PackJob job,
                    Reporter& reporter) {
    const std::uint64_t psar = out.written();
    if (Status st = out.write(titleImageHead()); !st) return st;
    std::vector<std::uint32_t> offsets;
    for (Disc& disc : discs) {
        if (Status st = padToDiscAlignment(out, psar); !st) return st;
        const std::uint64_t offset = out.written() - psar;
        if (offset > std::numeric_limits<std::uint32_t>::max()) {
            return Error::format("The discs are too large for one container: disc " +
                                 std::to_string(offsets.size() + 1) + " would start " + std::to_string(offset) +
                                 " bytes into DATA.PSAR, past 4 GiB.");
        }
        offsets.push_back(static_cast<std::uint32_t>(offset));
        if (Status st = writeDiscBlock(disc, title, out, job, reporter); !st) return st;
        job.packedBefore += disc.image->size();
    }
    return out.writeAt(psar + kDiscTableOffset, discTable(offsets));
}

}  // namespace

Status makeEboot(const ToolRequest& request, const Workplace& place, const Progress& progress) {
    Reporter reporter(progress);
    auto discs = openDiscs(request, place, reporter);
    if (!discs) return discs.error();
    reporter.say("Title: " + inQuotes(request.title));
    if (Status st = chooseDiscIds(request, *discs, reporter); !st) return st;
    reporter.say("Compression level: " + std::to_string(request.level) + levelMeaning(request.level));
    auto parts = chooseParts(request, place, reporter);
    if (!parts) return parts.error();

    const Bytes paramSfo = containerParamSfo(request.title, discs->front().discId);
    // No artwork: the sections from ICON0.PNG to SND0.AT3 are empty.
    const auto layOut = [&] {
        return layOutContainer(kParamSfoOffset + static_cast<std::uint32_t>(paramSfo.size()), ArtworkLengths{},
                               parts->dataPsp.size());
    };
    auto layout = layOut();
    if (!layout) {
        reporter.say("DATA.PSP of base.pbp is too large for a container: writing a placeholder.");
        parts->dataPsp = placeholderDataPsp();
        layout = layOut();
    }
    if (reporter.stopped()) return Error::cancelled();

    auto out = OutputFile::create(place.folder + kEbootName);
    if (!out) return out.error();
    reporter.say("Writing EBOOT.PBP...");
    for (const Bytes& piece : {containerHeader(*layout), paramSfo, parts->dataPsp}) {
        if (Status st = out->write(piece); !st) return st;
    }
    if (Status st = out->writeZeros(layout->fillerLength); !st) return st;
    PackJob job{.level = request.level, .threads = threadsFor(place)};
    for (const Disc& disc : *discs) job.total += disc.image->size();
    const Status written = discs->size() == 1 ? writeDiscBlock(discs->front(), request.title, *out, job, reporter)
                                              : writeDiscSet(*discs, request.title, *out, job, reporter);
    if (!written) return written;
    if (Status st = out->write(startDatBlock(parts->startScreen)); !st) return st;
    if (reporter.stopped()) return Error::cancelled();
    const std::uint64_t size = out->written();
    if (Status st = out->commit(); !st) return st;
    reporter.say("EBOOT.PBP written: " + std::to_string(size) + " bytes.");
    return {};
}

int runTool(const std::vector<std::string>& args, const Workplace& place, const std::atomic<bool>& stop,
            std::ostream& out) {
    const auto say = [&out](const std::string& line) { out << line << std::endl; };
    auto request = parseToolArguments(args);
    if (!request) {
        say(request.error().message);
        out << kToolUsage << '\n' << kStrongestOptionHelp << std::endl;
        return 2;
    }
    const Progress progress = [&](const ProgressReport& report) {
        if (!report.status.empty()) say(report.status);
        return !stop.load();
    };
    const Status st = makeEboot(*request, place, progress);
    if (st) {
        say("Done.");
        return 0;
    }
    if (st.error().kind == Error::Kind::Cancelled) {
        say("Stopped by Ctrl+C: no EBOOT.PBP written.");
        return 130;
    }
    say("Error: " + st.error().message);
    return 1;
}

}  // namespace quillon::popstation
