#include <iostream>

#include "cli/cli_program.h"
#include "verify/verify_container.h"

namespace quillon {

int runVerifyVerb(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg.starts_with("--")) return usageError("unknown option " + arg);
    }
    if (args.empty()) return usageError("verify needs at least one CONTAINER");
    // The busy state only carries Ctrl+C to the progress, which stops the verification.
    CliHost host;
    BusyState busy(host);
    host.attach(busy);
    const Progress progress = busy.progress();
    int status = 0;
    for (const std::string& path : args) {
        host.pump();
        if (busy.abortRequested()) return CliHost::stoppedStatus();
        host.setStatus("Verifying " + path);
        const auto verification = verifyContainer(path, progress);
        host.eraseProgressLine();
        if (!verification && verification.error().kind == Error::Kind::Cancelled) return CliHost::stoppedStatus();
        const std::vector<std::string> lines =
            verification ? verification->lines(path) : std::vector{path + ": " + verification.error().message};
        for (const std::string& line : lines) std::cout << line << "\n";
        std::cout.flush();
        if (!verification || !verification->passed()) status = 1;
    }
    return status;
}

}  // namespace quillon
