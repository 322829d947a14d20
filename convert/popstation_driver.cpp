#include "convert/popstation_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numeric>

#include "common/file_io.h"
#include "common/file_system.h"
#include "common/text.h"
#include "convert/tool_output.h"
#include "source/image_index.h"
#include "source/multi_disc.h"
#include "source/pbp.h"

namespace quillon {
namespace {

constexpr const char* kToolErrorCaption = "Error from popstation.exe";
constexpr const char* kConvertingStatus = "Converting file to PBP... (This may take some minutes)";
constexpr const char* kToolOutputName = "info.txt";
constexpr int kPollMilliseconds = 10;

// Reads the output file once the tool has ended, then deletes it. A file that cannot be
// read counts as empty output.
ToolOutput takeToolOutput(const std::string& path) {
    auto content = readWholeFile(path);
    removeFile(path);
    if (!content) return {};
    return readToolOutput(asText(*content));
}

// How a tool ended that did not end by itself: by a signal, such as SIGSEGV where the
// system names it; on Windows, which has no signals, ended from outside or crashed, with
// the exception code in hexadecimal as Windows writes it.
std::string abnormalEnd(int code) {
#ifdef _WIN32
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
    return std::string("abnormally (code ") + hex + ")";
#else
    std::string name = "signal " + std::to_string(code);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 32)
    if (const char* abbreviation = ::sigabbrev_np(code)) name = std::string("SIG") + abbreviation;
#endif
    return "by the signal " + name + " (" + std::to_string(code) + ")";
#endif
}

// The tool's output, and how it ended where that is not plain from the output: a tool
// that a signal ended or that wrote nothing at all never gives an empty message.
std::string failureText(std::string output, const ToolEnd& end) {
    if (!end.bySignal && !output.empty()) return output;
    const std::string how = end.bySignal ? abnormalEnd(end.code) : "with exit code " + std::to_string(end.code);
    if (output.empty()) return "The popstation tool ended " + how + " and wrote nothing.";
    return output + "The popstation tool ended " + how + ".";
}

// The sizes of the discs a source holds: a disc image's, a cue sheet's disc, a
// playlist's discs. The error says why one of them cannot be read, as the tool would.
Expected<std::vector<std::uint64_t>> discSizes(const std::string& source, OpenedSource& opened) {
    auto discs = opened.discsOf(source);
    if (!discs) return discs.error();
    std::vector<std::uint64_t> sizes;
    for (std::size_t i = 0; i < (*discs)->count(); ++i) {
        auto disc = (*discs)->disc(i);
        if (!disc) return disc.error();
        sizes.push_back((*disc)->size());
    }
    return sizes;
}

// The most bytes that the tool's container of discs of `sizes` can take: the front part
// up to the last place of DATA.PSAR; each disc's block (its head and its stored blocks)
// on a round offset; the start-screen block, which lies within the final bytes in which
// readers look for it.
std::uint64_t mostToolContainerBytes(const std::vector<std::uint64_t>& sizes) {
    std::uint64_t bytes = kDataPsarBoundaries.back() + kStartDatWindow;
    for (const std::uint64_t size : sizes) bytes += kDiscAlignment + kImageDataOffset + mostStoredBytes(size);
    return bytes;
}

// Lets the window work and polls the tool every 10 ms until it has ended, passing on
// the share of its work that it reports in `outputPath` (against the `work` of its
// discs' bytes). An abort interrupts the tool once; the stage still waits for it to
// end, so that it has released its output file and removed its partial container.
void waitForTool(const std::string& outputPath, std::uint64_t work, BusyState& busy, ToolProcess& tool) {
    const Progress progress = busy.progress();
    ToolProgressFollower follower(outputPath, work);
    ProgressReport report;
    bool interrupted = false;
    for (int pass = 0;; ++pass) {
        constexpr int kPassesPerLook = 10;
        if (pass % kPassesPerLook == 0 && work > 0) {
            if (const auto latest = follower.latest()) report = {{}, latest->done, latest->total};
        }
        if (!progress(report) && !interrupted) {
            tool.interrupt();
            interrupted = true;
        }
        if (tool.waitForEnd(kPollMilliseconds)) return;
    }
}

}  // namespace

std::vector<std::string> popstationArguments(const ToolJob& job) {
    std::vector<std::string> arguments;
    if (!job.baseContainer.empty()) arguments = {"--base", job.baseContainer};
    if (job.compression == ToolCompression::Strongest) {
        arguments.emplace_back(kStrongestOption);
    } else if (!job.compressionLevel.empty()) {
        arguments.insert(arguments.end(), {kPlaceholderTitle, kPlaceholderDiscId, job.compressionLevel});
    }
    arguments.push_back(job.source);
    return arguments;
}

bool isOwnTool(const std::string& tool) {
    auto file = InputFile::open(tool);
    if (!file) return false;
    const Bytes mark(std::begin(kStrongestOptionHelp), std::end(kStrongestOptionHelp) - 1);
    const std::boyer_moore_horspool_searcher searcher(mark.begin(), mark.end());
    // The pieces overlap by the mark's length less one: a mark across an edge is seen whole.
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    for (std::uint64_t at = 0; at < file->size(); at += kPiece - (mark.size() - 1)) {
        auto piece = file->readUpTo(at, kPiece);
        if (!piece) return false;
        if (std::search(piece->begin(), piece->end(), searcher) != piece->end()) return true;
    }
    return false;
}

std::string strongestNeedsOwnTool(const std::string& tool) {
    return "The popstation tool " + inQuotes(tool) +
           " is not Quillon's own: only Quillon's tool packs at the strongest compression "
           "(--compression max). Choose a level from 0 to 9, or put Quillon's tool back.";
}

std::string toolContainerPath(const ToolJob& job) { return job.workFolder + kEbootName; }

StageOutcome runPopstation(const ToolJob& job, OpenedSource& opened, BusyState& busy, ToolProcess& tool) {
    const std::string outputPath = job.workFolder + kToolOutputName;
    if (!isFile(job.tool)) {
        busy.showError(ErrorCode::ToolMissing);
        return StageOutcome::EndWithSummary;
    }
    // A source whose discs cannot be read, or a workplace without room for the tool's
    // container, is refused here rather than by the tool.
    const auto sizes = discSizes(job.source, opened);
    if (!sizes) {
        busy.showFileError(sizes.error());
        return StageOutcome::EndWithoutSummary;
    }
    if (auto room = checkRoomFor(toolContainerPath(job), mostToolContainerBytes(*sizes)); !room) {
        busy.showFileError(room.error());
        return StageOutcome::EndWithoutSummary;
    }
    if (!tool.start(job.tool, popstationArguments(job), job.workFolder, outputPath)) {
        removeFile(outputPath);
        busy.showError(ErrorCode::ToolDidNotStart);
        return StageOutcome::EndWithSummary;
    }
    busy.setStatus(kConvertingStatus);

    waitForTool(outputPath, std::accumulate(sizes->begin(), sizes->end(), std::uint64_t{0}), busy, tool);
    // A tool that was killed could not remove its partial container.
    removeStaleTemporaries(job.workFolder);
    const ToolOutput output = takeToolOutput(outputPath);
    if (busy.abortRequested()) {
        removeFile(toolContainerPath(job));
        return StageOutcome::EndWithoutSummary;
    }
    if (output.lastLine == kStatusDone) return StageOutcome::Proceed;
    busy.showMessage(failureText(output.messageText, tool.end()), kToolErrorCaption);
    return StageOutcome::EndWithSummary;
}

}  // namespace quillon
