#include "cli/batch_run.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <thread>

#include "common/file_io.h"
#include "common/text.h"

namespace quillon {
namespace {

using Clock = std::chrono::steady_clock;

// In the output folder: held while a batch writes there.
constexpr const char* kBatchLockName = ".quillon-batch.lock";

const char* outcomeWord(const BatchWords& words, ItemOutcome outcome) {
    switch (outcome) {
        case ItemOutcome::Done: return words.done;
        case ItemOutcome::Skipped: return "skipped";
        case ItemOutcome::Failed: return "failed";
        case ItemOutcome::Stopped: break;
    }
    return "stopped";
}

void count(BatchTotals& totals, const ItemResult& result) {
    switch (result.outcome) {
        case ItemOutcome::Done: ++totals.done; break;
        case ItemOutcome::Skipped: ++totals.skipped; break;
        case ItemOutcome::Failed: ++totals.failed; break;
        case ItemOutcome::Stopped: ++totals.stopped; break;
    }
    totals.bytesIn += result.bytesIn;
    totals.bytesOut += result.bytesOut;
}

std::string sizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kGibibyte = std::uint64_t{1} << 30;
    if (bytes < kGibibyte) return mebibyteText(bytes) + " MiB";
    return mebibyteText(bytes / 1024) + " GiB";
}

// What the threads of a run share: the next item to start, the results that have come
// in and not been printed yet, and the bytes worked through of each item.
class RunState {
public:
    RunState(std::size_t items, const ItemStages& stages) : done_(items), stages_(stages) {}

    std::optional<std::size_t> nextItem() {
        if (CliHost::stopRequested()) return std::nullopt;
        const std::size_t index = next_++;
        if (index >= done_.size()) return std::nullopt;
        return index;
    }
    std::atomic<std::uint64_t>* doneBytes(std::size_t index) { return &done_[index]; }
    int stages(std::size_t index) const { return stages_(index); }

    void report(std::size_t index, ItemResult result) {
        const std::lock_guard lock(mutex_);
        results_.emplace_back(index, std::move(result));
        changed_.notify_one();
    }
    // Waits up to `timeout` for results; gives those that came.
    std::deque<std::pair<std::size_t, ItemResult>> take(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [this] { return !results_.empty(); });
        return std::exchange(results_, {});
    }
    std::uint64_t bytesDone() const {
        std::uint64_t sum = 0;
        for (const auto& bytes : done_) sum += bytes.load();
        return sum;
    }
    // Items never started: after a stop, those that the threads did not take.
    std::size_t unstarted() const { return done_.size() - std::min(next_.load(), done_.size()); }

private:
    std::atomic<std::size_t> next_{0};
    std::vector<std::atomic<std::uint64_t>> done_;
    const ItemStages& stages_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<std::size_t, ItemResult>> results_;
};

void runJobs(RunState& state, const std::vector<BatchItem>& items, const ItemWork& work) {
    while (const auto index = state.nextItem()) {
        JobHost host(state.doneBytes(*index), items[*index].bytes, state.stages(*index));
        ItemResult result = work(*index, host);
        if (result.outcome != ItemOutcome::Skipped) state.doneBytes(*index)->store(items[*index].bytes);
        state.report(*index, std::move(result));
    }
}

std::string progressStatus(std::size_t ended, std::size_t items, const BatchWords& words) {
    return std::to_string(ended) + " of " + std::to_string(items) + " " + words.plural;
}

}  // namespace

JobHost::JobHost(std::atomic<std::uint64_t>* doneBytes, std::uint64_t itemBytes, int stages)
    : doneBytes_(doneBytes), itemBytes_(itemBytes), stages_(std::max(1, stages)) {}

void JobHost::answerExtraction(std::string saveName, bool replace) {
    saveName_ = std::move(saveName);
    replace_ = replace;
}

void JobHost::showMessage(const std::string& text, const std::string&) { messages_.push_back(text); }

void JobHost::showProgress(const ProgressReport& report) {
    if (report.total == 0) return;
    // A new amount of work is the job's next stage.
    if (stageTotal_ != 0 && report.total != stageTotal_) stage_ = std::min(stage_ + 1, stages_ - 1);
    stageTotal_ = report.total;
    const double share = (stage_ + static_cast<double>(std::min(report.done, report.total)) / report.total) / stages_;
    const auto bytes = static_cast<std::uint64_t>(share * static_cast<double>(itemBytes_));
    if (bytes > doneBytes_->load()) doneBytes_->store(bytes);
}

void JobHost::pump() {
    if (CliHost::stopRequested() && busy_) busy_->requestAbort();
}

std::optional<std::string> JobHost::chooseIsoSaveName(const std::string&) {
    if (saveName_.empty()) return std::nullopt;
    return saveName_;
}

bool JobHost::confirmReplace(const std::vector<std::string>& paths) {
    if (!replace_) showMessage(existingFilesText(paths) + "; use --redo to replace.", kErrorCaption);
    return replace_;
}

std::vector<std::string> JobHost::takeMessages() { return std::exchange(messages_, {}); }

std::string itemLine(const BatchWords& words, const std::string& name, const ItemResult& result) {
    if (result.report) return *result.report;
    std::string line = outcomeWord(words, result.outcome);
    line.resize(std::max<std::size_t>(line.size() + 1, 10), ' ');
    line += name;
    if (!result.detail.empty()) line += (result.outcome == ItemOutcome::Done ? " -> " : ": ") + result.detail;
    line += "\n";
    for (const std::string& more : result.lines) {
        for (const std::string_view part : splitLines(more)) line += "    " + std::string(part) + "\n";
    }
    return line;
}

std::string closingTable(const BatchWords& words, const BatchTotals& totals) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {words.done, std::to_string(totals.done)}, {"skipped", std::to_string(totals.skipped)},
        {"failed", std::to_string(totals.failed)}, {"stopped", std::to_string(totals.stopped)},
        {"read", sizeText(totals.bytesIn)},        {"written", sizeText(totals.bytesOut)},
        {"time", durationText(totals.seconds)},
    };
    std::string table;
    for (const auto& [key, value] : rows) {
        std::string row = key + ":";
        row.resize(std::max<std::size_t>(row.size() + 1, 11), ' ');
        table += row + value + "\n";
    }
    return table;
}

int reportPlan(const char* would, const std::vector<std::pair<std::string, ItemResult>>& planned) {
    BatchTotals totals;
    for (const auto& [name, result] : planned) {
        std::cout << itemLine({would, ""}, name, result);
        count(totals, result);
    }
    std::cout << std::flush;
    return batchStatus(totals);
}

int batchStatus(const BatchTotals& totals) {
    if (totals.stopped > 0) return CliHost::stoppedStatus();
    return totals.failed > 0 ? 1 : 0;
}

ItemResult failedWith(const std::vector<std::string>& messages) {
    ItemResult result;
    for (const std::string& message : messages) {
        for (const std::string_view line : splitLines(message)) {
            if (line.empty()) continue;
            if (result.detail.empty()) {
                result.detail = line;
            } else {
                result.lines.emplace_back(line);
            }
        }
    }
    return result;
}

std::vector<std::optional<std::string>> sharedTargets(const BatchWords& words, const std::vector<std::string>& targets,
                                                      const std::vector<std::string>& sources) {
    std::map<std::string, std::vector<std::size_t>> byTarget;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (!targets[i].empty()) byTarget[toLowerAscii(targets[i])].push_back(i);
    }
    std::vector<std::optional<std::string>> why(targets.size());
    for (const auto& [target, items] : byTarget) {
        if (items.size() < 2) continue;
        std::string named;
        for (const std::size_t i : items) named += (named.empty() ? "" : ", ") + inQuotes(sources[i]);
        const std::string text = std::string("these ") + words.plural + " would all write " + targets[items[0]] +
                                 ", so none is " + words.done + ": " + named;
        std::cerr << "quillon-cli: " << text << std::endl;
        for (const std::size_t i : items) why[i] = text;
    }
    return why;
}

std::optional<FileLock> holdOutput(Host& host, const std::string& output, const std::string& kind) {
    std::error_code ec;
    std::filesystem::create_directories(toFsPath(output), ec);
    if (!isFolder(output)) {
        host.showMessage("Cannot create the output folder " + inQuotes(output) + ". " + ec.message(), kErrorCaption);
        return std::nullopt;
    }
    auto lock = FileLock::tryLock(output + kPathSeparator + kBatchLockName);
    if (!lock) {
        host.showMessage(lock.error().message, kErrorCaption);
        return std::nullopt;
    }
    if (!*lock) {
        host.showMessage(
            "Another batch " + kind + " is writing into " + inQuotes(output) + ". Start this one when it has ended.",
            kErrorCaption);
        return std::nullopt;
    }
    return std::move(**lock);
}

std::uint64_t fileBytes(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(toFsPath(path), ec);
    return ec ? 0 : size;
}

int runBatch(CliHost& host, const std::vector<BatchItem>& items, unsigned jobs, const BatchWords& words,
             const ItemWork& work, const ItemStages& stages) {
    const auto start = Clock::now();
    // Folders without a single source are most likely the wrong folders: say so rather
    // than end with a table of zeros alone.
    if (items.empty()) std::cerr << "quillon-cli: no " << words.plural << " found.\n";
    RunState state(items.size(), stages);
    std::uint64_t totalBytes = 0;
    for (const BatchItem& item : items) totalBytes += item.bytes;
    std::vector<std::thread> threads;
    const std::size_t threadCount = std::clamp<std::size_t>(jobs, 1, std::max<std::size_t>(items.size(), 1));
    for (std::size_t i = 0; i < threadCount; ++i) threads.emplace_back([&] { runJobs(state, items, work); });

    BatchTotals totals;
    std::size_t ended = 0;
    while (ended < items.size()) {
        for (auto& [index, result] : state.take(std::chrono::milliseconds(100))) {
            host.eraseProgressLine();
            std::cout << itemLine(words, items[index].name, result) << std::flush;
            count(totals, result);
            ++ended;
        }
        if (CliHost::stopRequested() && ended + state.unstarted() >= items.size()) break;
        host.showProgress({progressStatus(ended, items.size(), words), state.bytesDone(), totalBytes});
    }
    for (std::thread& thread : threads) thread.join();
    // Results that came in while the last ones were waited for.
    for (auto& [index, result] : state.take(std::chrono::milliseconds(0))) {
        host.eraseProgressLine();
        std::cout << itemLine(words, items[index].name, result);
        count(totals, result);
    }
    host.eraseProgressLine();
    totals.stopped += state.unstarted();
    totals.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (items.size() > 1 || words.tableForOne) std::cout << closingTable(words, totals);
    std::cout.flush();
    return batchStatus(totals);
}

}  // namespace quillon
