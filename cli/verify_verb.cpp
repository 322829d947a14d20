#include <algorithm>

#include "cli/batch_games.h"
#include "cli/batch_run.h"
#include "cli/cli_program.h"
#include "verify/verify_container.h"

namespace quillon {
namespace {

// Its lines as the report gives them: passed or not, the findings below.
ItemResult verifyOne(const std::string& path, JobHost& host) {
    BusyState busy(host);
    host.attach(busy);
    const auto verification = verifyContainer(path, busy.progress());
    if (!verification && verification.error().kind == Error::Kind::Cancelled) return endedAs(ItemOutcome::Stopped);
    const std::vector<std::string> lines =
        verification ? verification->lines(path) : std::vector{path + ": " + verification.error().message};
    ItemResult result = endedAs(verification && verification->passed() ? ItemOutcome::Done : ItemOutcome::Failed);
    result.report = std::string();
    for (const std::string& line : lines) *result.report += line + "\n";
    result.bytesIn = fileBytes(path);
    return result;
}

}  // namespace

int runVerifyVerb(const std::vector<std::string>& args) {
    std::vector<std::string> operands;
    unsigned jobs = 1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const OptionWord word = splitOption(args[i]);
        if (word.name == "--jobs") {
            const std::optional<std::string> value = optionValue(word, args, i);
            const auto count = value ? jobCount(*value) : std::nullopt;
            if (!count) return usageError("--jobs takes a number of verifications at once: 1, 2, ...");
            jobs = *count;
            continue;
        }
        if (args[i].starts_with("--")) return usageError("unknown option " + args[i]);
        operands.push_back(args[i]);
    }
    if (operands.empty()) return usageError("verify needs at least one CONTAINER");
    // The host only carries Ctrl+C to the jobs, which stop their verification.
    CliHost host;
    std::vector<BatchItem> items;
    for (const FoundGame& found : findGames(operands, "", GameKinds::Containers)) {
        items.push_back({found.source, fileBytes(found.source)});
    }
    const BatchWords words{"verified", "containers", false};
    return runBatch(
        host, items, jobs, words, [&](std::size_t index, JobHost& job) { return verifyOne(items[index].name, job); },
        [](std::size_t) { return 1; });
}

}  // namespace quillon
