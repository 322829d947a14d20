#include "convert/popstation_driver.h"

#include <cstring>
#include <string_view>

#include "common/file_io.h"
#include "common/text.h"

namespace quillon {
namespace {

constexpr const char* kToolErrorCaption = "Error from popstation.exe";
constexpr const char* kConvertingStatus = "Converting file to PBP... (This may take some minutes)";
constexpr const char* kToolOutputName = "info.txt";
constexpr const char* kToolContainerName = "EBOOT.PBP";
constexpr int kPollMilliseconds = 10;

// The tool's output as the stage keeps it: every line followed by CR LF, and the last
// line on its own.
struct ToolOutput {
    std::string text;
    std::string lastLine;
};

// Reads the output file once the tool has ended, then deletes it. A file that cannot be
// read counts as empty output.
ToolOutput takeToolOutput(const std::string& path) {
    auto content = readWholeFile(path);
    removeFile(path);
    ToolOutput output;
    if (!content) return output;
    for (const std::string_view line : splitLines(asText(*content))) {
        output.lastLine = std::string(line);
        output.text += output.lastLine + "\r\n";
    }
    return output;
}

// The name of a signal, such as SIGSEGV, where the system tells it.
std::string signalName(int signal) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 32)
    if (const char* name = ::sigabbrev_np(signal)) return std::string("SIG") + name;
#endif
    return "signal " + std::to_string(signal);
}

// The tool's output, and how it ended where that is not plain from the output: a tool
// that a signal ended or that wrote nothing at all never gives an empty message.
std::string failureText(std::string output, const ToolEnd& end) {
    if (!end.bySignal && !output.empty()) return output;
    const std::string how = end.bySignal ? "by the signal " + signalName(end.code) + " (" + std::to_string(end.code) + ")"
                                         : "with exit code " + std::to_string(end.code);
    if (output.empty()) return "The popstation tool ended " + how + " and wrote nothing.";
    return output + "The popstation tool ended " + how + ".";
}

// Lets the window work and polls the tool every 10 ms until it has ended. An abort
// interrupts the tool once; the stage still waits for it to end, so that it has
// released its output file and removed its partial container.
void waitForTool(BusyState& busy, ToolProcess& tool) {
    const Progress progress = busy.progress();
    bool interrupted = false;
    for (;;) {
        if (!progress({}) && !interrupted) {
            tool.interrupt();
            interrupted = true;
        }
        if (tool.waitForEnd(kPollMilliseconds)) return;
    }
}

}  // namespace

std::vector<std::string> popstationArguments(const std::string& compressionLevel,
                                             const std::string& sourcePath) {
    if (compressionLevel.empty()) return {sourcePath};
    return {"", "SLPM86023", compressionLevel, sourcePath};
}

std::string toolContainerPath(const ToolJob& job) { return job.workFolder + kToolContainerName; }

StageOutcome runPopstation(const ToolJob& job, BusyState& busy, ToolProcess& tool) {
    const std::string outputPath = job.workFolder + kToolOutputName;
    if (!isFile(job.tool)) {
        busy.showError(ErrorCode::ToolMissing);
        return StageOutcome::EndWithSummary;
    }
    if (!tool.start(job.tool, popstationArguments(job.compressionLevel, job.source), job.workFolder,
                    outputPath)) {
        removeFile(outputPath);
        busy.showError(ErrorCode::ToolDidNotStart);
        return StageOutcome::EndWithSummary;
    }
    busy.setStatus(kConvertingStatus);

    waitForTool(busy, tool);
    const ToolOutput output = takeToolOutput(outputPath);
    if (busy.abortRequested()) {
        removeFile(toolContainerPath(job));
        return StageOutcome::EndWithoutSummary;
    }
    if (output.lastLine == kStatusDone) return StageOutcome::Proceed;
    busy.showMessage(failureText(output.text, tool.end()), kToolErrorCaption);
    return StageOutcome::EndWithSummary;
}

}  // namespace quillon
