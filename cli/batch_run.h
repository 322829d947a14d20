// Runs the items of a batch (games to convert, containers to verify or extract) on
// several threads at once, each item as a job of its own with a host of its own, and
// reports as the command line does: one line per item as it ends, a progress line for
// the whole run on a terminal, and a closing table.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_host.h"
#include "common/file_system.h"
#include "state/busy_state.h"
#include "state/host.h"

namespace quillon {

// How an item ended.
enum class ItemOutcome { Done, Skipped, Failed, Stopped };

struct ItemResult {
    ItemOutcome outcome = ItemOutcome::Failed;
    std::string detail;                 // after the item's name: where it went, or why
    std::vector<std::string> lines;     // printed below the item's line
    std::optional<std::string> report;  // the item's own lines, printed in place of all above
    std::uint64_t bytesIn = 0;          // what it read, when it was done
    std::uint64_t bytesOut = 0;         // what it wrote
};

// A result with no lines and no bytes: an item skipped, stopped, or planned.
inline ItemResult endedAs(ItemOutcome outcome, std::string detail = {}) {
    ItemResult result;
    result.outcome = outcome;
    result.detail = std::move(detail);
    return result;
}

// A failed item: the first line of the messages after its name, the others below it.
ItemResult failedWith(const std::vector<std::string>& messages);

// One item to work on: its name in the lines, and the bytes it reads, by which the
// progress line weighs it (0 for an item whose outcome is known without work).
struct BatchItem {
    std::string name;
    std::uint64_t bytes = 0;
};

// The words of a verb's lines and table: "converted", "verified", "extracted"; the
// table counts items under these words and "skipped", "failed", "stopped".
struct BatchWords {
    const char* done;
    const char* plural;       // "games", "containers"
    bool tableForOne = true;  // the closing table also after a single item
};

// The host of one job: keeps the messages that the window would show, follows the
// job's progress for the run's progress line, and asks its busy state to stop once a
// signal has asked the program to.
class JobHost : public Host {
public:
    // `doneBytes` receives the bytes of the item worked through so far (its share of
    // `itemBytes`); `stages` is how many operations with progress of their own the
    // job runs one after the other (the tool's packing, then the finishing).
    JobHost(std::atomic<std::uint64_t>* doneBytes, std::uint64_t itemBytes, int stages);

    void attach(BusyState& busy) { busy_ = &busy; }
    // How an extraction's questions are answered: the save name and whether existing
    // files may be replaced.
    void answerExtraction(std::string saveName, bool replace);

    void showMessage(const std::string& text, const std::string& caption) override;
    void setStatus(const std::string&) override {}
    void showProgress(const ProgressReport& report) override;
    void pump() override;
    void enterBusy(Operation) override {}
    void leaveBusy() override {}
    std::optional<std::string> chooseIsoSaveName(const std::string& initialFolder) override;
    bool confirmReplace(const std::vector<std::string>& paths) override;

    // The messages shown since the last call, which are forgotten.
    std::vector<std::string> takeMessages();

private:
    std::atomic<std::uint64_t>* doneBytes_;
    std::uint64_t itemBytes_;
    int stages_;
    int stage_ = 0;
    std::uint64_t stageTotal_ = 0;
    BusyState* busy_ = nullptr;
    std::vector<std::string> messages_;
    std::string saveName_;
    bool replace_ = false;
};

// The work on item `index`, on a thread of the run, with its job's host.
using ItemWork = std::function<ItemResult(std::size_t index, JobHost& host)>;
// How many jobs an item's host counts stages for.
using ItemStages = std::function<int(std::size_t index)>;

// Runs `work` over the items on `jobs` threads, in the items' order, printing each
// item's line to stdout as it ends, the progress line to `host`'s terminal, and the
// closing table. A signal stops the run: no item starts after it, the running ones stop.
// The exit status: 128 + the signal after a stop, 1 when an item failed, else 0.
int runBatch(CliHost& host, const std::vector<BatchItem>& items, unsigned jobs, const BatchWords& words,
             const ItemWork& work, const ItemStages& stages);

// The line of an item as it ends: its outcome's word, its name, its detail; the lines
// below it indented.
std::string itemLine(const BatchWords& words, const std::string& name, const ItemResult& result);

// A dry run's report: the line of each item as it would end (`would` is the word of
// the done: "would convert"), and the exit status the run would give.
int reportPlan(const char* would, const std::vector<std::pair<std::string, ItemResult>>& planned);

// The closing table of a run: the count of each outcome, the bytes read and written,
// and the time it took.
struct BatchTotals {
    std::size_t done = 0, skipped = 0, failed = 0, stopped = 0;
    std::uint64_t bytesIn = 0, bytesOut = 0;
    double seconds = 0;
};
std::string closingTable(const BatchWords& words, const BatchTotals& totals);

// The exit status of a run with these totals: 128 + the signal when one stopped it,
// else 1 when an item failed, else 0.
int batchStatus(const BatchTotals& totals);

// Why items are left out because another would write the same target: for each item of
// a group whose targets are the same but for letter case (as some file systems compare
// names), the text that names the group; nullopt for the others. Each group's text goes
// to stderr at once, before anything is written. `targets[i]` names item i's target as
// the text says it (empty: the item is left out already), `sources[i]` the item.
std::vector<std::optional<std::string>> sharedTargets(const BatchWords& words, const std::vector<std::string>& targets,
                                                      const std::vector<std::string>& sources);

// The output folder of a batch, made when it is not there and held by this run alone
// through a lock file in it; nullopt when it cannot be (the message shown). `kind`
// names the batch in the message: "conversion", "extraction".
std::optional<FileLock> holdOutput(Host& host, const std::string& output, const std::string& kind);

// The size of a file, 0 when it cannot be told.
std::uint64_t fileBytes(const std::string& path);

}  // namespace quillon
