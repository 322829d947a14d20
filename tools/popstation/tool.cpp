#include "tools/popstation/tool.h"

#include <thread>

#include "source/disc_id.h"
#include "source/param_sfo.h"
#include "source/pbp.h"
#include "tools/popstation/base_parts.h"
#include "tools/popstation/block_packer.h"
#include "tools/popstation/disc_image_block.h"

namespace quillon::popstation {
namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

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

// The header: magic, version, PARAM.SFO at 0x28, then the section offsets.
Bytes containerHeader(const NewLayout& layout) {
    Bytes header(kPbpHeaderSize, 0);
    std::copy(kPbpMagic.begin(), kPbpMagic.end(), header.begin());
    storeLe32(&header[4], kContainerVersion);
    storeLe32(&header[8], kParamSfoOffset);
    const std::uint32_t offsets[] = {layout.icon0, layout.icon1, layout.pic0,    layout.pic1,
                                     layout.snd0,  layout.dataPsp, layout.dataPsar};
    for (std::size_t i = 0; i < std::size(offsets); ++i) storeLe32(&header[12 + 4 * i], offsets[i]);
    return header;
}

// The given disc ID, or the one found in the image's first bytes.
Expected<std::string> chooseDiscId(const ToolRequest& request, InputFile& image, const Say& say) {
    if (request.discId) {
        say("Disc ID: " + *request.discId);
        return *request.discId;
    }
    auto head = image.readUpTo(0, kIdentificationReadSize);
    if (!head) return head.error();
    if (auto found = scanDiscId(*head)) {
        say("Disc ID: " + *found + " (found in the image)");
        return *found;
    }
    say(std::string("Disc ID: ") + kUnknownDiscId + " (none found in the image)");
    return std::string(kUnknownDiscId);
}

// DATA.PSP and the start screen: from base.pbp when it serves, else placeholders; the
// picture from --start-screen when given.
Expected<ContainerParts> chooseParts(const ToolRequest& request, const Workplace& place,
                                     const Say& say) {
    const std::string basePath = place.folder + kBaseContainerName;
    ContainerParts parts;
    if (!isFile(basePath)) {
        say("No base.pbp: writing a placeholder DATA.PSP and start screen (the container will "
            "not start on a PSP).");
        parts = placeholderParts();
    } else if (auto base = readBaseParts(basePath)) {
        say("DATA.PSP and start screen taken from base.pbp.");
        parts = std::move(*base);
    } else {
        say("base.pbp cannot serve (" + base.error().message +
            "): writing a placeholder DATA.PSP and start screen.");
        parts = placeholderParts();
    }
    if (request.startScreenPath) {
        auto picture = readStartScreenPicture(*request.startScreenPath);
        if (!picture) return picture.error();
        parts.startScreen.picture = std::move(*picture);
        say("Start-screen picture taken from " + quoted(*request.startScreenPath) + ".");
    }
    return parts;
}

unsigned threadsFor(const Workplace& place) {
    if (place.threads > 0) return place.threads;
    return std::max(1u, std::thread::hardware_concurrency());
}

// Reports every tenth of the blocks written.
std::function<void(std::uint32_t)> progressReporter(std::uint32_t blockCount, const Say& say) {
    return [blockCount, &say, reported = 0u](std::uint32_t written) mutable {
        const unsigned tenths = static_cast<unsigned>(std::uint64_t{written} * 10 / blockCount);
        if (tenths > reported) {
            reported = tenths;
            say("Writing EBOOT.PBP... " + std::to_string(tenths * 10) + "%");
        }
    };
}

}  // namespace

Status makeEboot(const ToolRequest& request, const Workplace& place, const std::atomic<bool>& stop,
                 const Say& say) {
    auto image = InputFile::open(request.sourcePath);
    if (!image) return image.error();
    auto blockCount = imageBlockCount(image->size(), place.maxBlocks);
    if (!blockCount) {
        return Error::format(quoted(request.sourcePath) + ": " + blockCount.error().message);
    }
    say("Source: " + quoted(request.sourcePath) + ", " + std::to_string(image->size()) +
        " bytes, " + std::to_string(*blockCount) + " blocks");
    say("Title: " + quoted(request.title));
    auto discId = chooseDiscId(request, *image, say);
    if (!discId) return discId.error();
    say("Compression level: " + std::to_string(request.level) +
        (request.level == 0 ? " (blocks stored as they are)" : " (blocks deflated)"));
    auto parts = chooseParts(request, place, say);
    if (!parts) return parts.error();

    const Bytes paramSfo = containerParamSfo(request.title, *discId);
    // No artwork: the sections from ICON0.PNG to SND0.AT3 are empty.
    const auto layOut = [&] {
        return layOutContainer(kParamSfoOffset + static_cast<std::uint32_t>(paramSfo.size()),
                               PieceLengths{}, parts->dataPsp.size());
    };
    auto layout = layOut();
    if (!layout) {
        say("DATA.PSP of base.pbp is too large for a container: writing a placeholder.");
        parts->dataPsp = placeholderDataPsp();
        layout = layOut();
    }

    auto out = OutputFile::create(place.folder + kOutputName);
    if (!out) return out.error();
    say("Writing EBOOT.PBP...");
    for (const Bytes& piece : {containerHeader(*layout), paramSfo, parts->dataPsp}) {
        if (Status st = out->write(piece); !st) return st;
    }
    if (Status st = out->writeZeros(layout->fillerLength); !st) return st;
    if (Status st = out->write(imageBlockHead(*discId, request.title, image->size())); !st) return st;

    PackSettings settings{.level = request.level,
                          .threads = threadsFor(place),
                          .stop = &stop,
                          .progress = progressReporter(*blockCount, say)};
    auto entries = packImageBlocks(*image, *blockCount, *out, settings);
    if (!entries) return entries.error();
    if (Status st = out->writeAt(layout->dataPsar + kIndexOffset, encodeIndex(*entries)); !st) return st;
    if (Status st = out->write(startDatBlock(parts->startScreen)); !st) return st;
    if (stop.load()) return Error::cancelled();
    const std::uint64_t size = out->written();
    if (Status st = out->commit(); !st) return st;
    say("EBOOT.PBP written: " + std::to_string(size) + " bytes.");
    return {};
}

int runTool(const std::vector<std::string>& args, const Workplace& place,
            const std::atomic<bool>& stop, std::ostream& out) {
    const Say say = [&out](const std::string& line) { out << line << std::endl; };
    auto request = parseToolArguments(args);
    if (!request) {
        say(request.error().message);
        say(kToolUsage);
        return 2;
    }
    const Status st = makeEboot(*request, place, stop, say);
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
