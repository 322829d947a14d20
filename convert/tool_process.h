// The outside tool as the conversion drives it: started with an argument list (never
// through a shell) in a working folder, its standard output going into a file.
#pragma once

#include <string>
#include <vector>

namespace quillon {

// How the tool ended: by a signal (its number) or with an exit code.
struct ToolEnd {
    bool bySignal = false;
    int code = 0;  // the signal's number or the exit code
};

class ToolProcess {
public:
    virtual ~ToolProcess() = default;

    // Starts `program` with `arguments` in `workingFolder`, its standard output written
    // into `outputFile`; false when it could not be started.
    virtual bool start(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingFolder, const std::string& outputFile) = 0;
    // Waits up to `milliseconds` for the tool to end; true once it has ended.
    virtual bool waitForEnd(int milliseconds) = 0;
    // Interrupts the tool as Ctrl+C in its console would.
    virtual void interrupt() = 0;
    // How the tool ended, once waitForEnd has told that it has.
    virtual ToolEnd end() const = 0;
};

}  // namespace quillon
