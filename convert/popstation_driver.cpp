#include "convert/popstation_driver.h"

#include <string_view>

#include "common/file_io.h"

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

// Splits as a text reader does: CR, LF and CR LF each end a line, and a line end at the
// very end of the text starts no further line.
ToolOutput collectLines(std::string_view text) {
    ToolOutput output;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        output.lastLine = std::string(text.substr(start, end - start));
        output.text += output.lastLine + "\r\n";
        if (end == std::string_view::npos) break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return output;
}

// Reads the output file once the tool has ended, then deletes it. A file that cannot be
// read counts as empty output.
ToolOutput takeToolOutput(const std::string& path) {
    auto content = readWholeFile(path);
    removeFile(path);
    if (!content) return {};
    return collectLines(std::string_view(reinterpret_cast<const char*>(content->data()),
                                         content->size()));
}

// Pumps the window and polls the tool every 10 ms until it has ended. An abort
// interrupts the tool once; the stage still waits for it to end, so that it has
// released its output file and removed its partial container.
void waitForTool(BusyState& busy, ToolProcess& tool) {
    bool interrupted = false;
    for (;;) {
        busy.host().pump();
        if (busy.abortRequested && !interrupted) {
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

StageOutcome runPopstation(ConversionJob& job, Workspace& fields, BusyState& busy,
                           ToolProcess& tool) {
    const std::string program = job.filesFolder + kPopstationFileName;
    const std::string outputPath = job.filesFolder + kToolOutputName;
    if (!isFile(program)) {
        busy.showError(1);
        return StageOutcome::ToEnd;
    }
    if (!tool.start(program,
                    popstationArguments(fields.text(Field::Compression), fields.text(Field::srcIso)),
                    job.filesFolder, outputPath)) {
        removeFile(outputPath);
        busy.showError(2);
        return StageOutcome::ToEnd;
    }
    busy.host().setStatus(kConvertingStatus);

    waitForTool(busy, tool);
    const ToolOutput output = takeToolOutput(outputPath);
    if (busy.abortRequested) {
        removeFile(job.filesFolder + kToolContainerName);
        busy.endBusy();
        return StageOutcome::Stopped;
    }
    if (output.lastLine == kStatusDone) return StageOutcome::Proceed;
    busy.showMessage(output.text, kToolErrorCaption);
    return StageOutcome::ToEnd;
}

}  // namespace quillon
