#include "cli/batch_convert.h"

#include <filesystem>
#include <iostream>
#include <random>

#include "cli/batch_games.h"
#include "cli/batch_run.h"
#include "common/file_io.h"
#include "common/file_system.h"
#include "common/ordered_work.h"
#include "common/text.h"
#include "convert/finish_eboot.h"
#include "process/qt_tool_process.h"
#include "source/pbp.h"
#include "state/default_fields.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

constexpr BatchWords kConvertWords{"converted", "games"};
// In the output folder: the jobs' work folders, removed when the run ends.
constexpr const char* kWorkFoldersName = ".quillon-work";

// A game as the run will treat it, decided before anything is written.
struct GamePlan {
    FoundGame game;
    std::string folder;            // its own folder below the output folder
    std::vector<std::string> why;  // why it cannot be converted; empty when it can
    bool upToDate = false;         // its container is not older than its sources
    std::uint64_t bytes = 0;       // of all its files
    bool throughTool = false;      // a disc image: the tool packs it before finishing

    std::string container() const { return outputPbpPath(folder); }
};

// The game's folder: the one that the folder option names; by the save ID when the
// option names none, by the title when there is no save ID either.
std::string gameFolder(FieldState& fields, const std::string& output) {
    chooseOutputFolder(fields, output);
    if (fields.text(Field::outputFolder) != output) return fields.text(Field::outputFolder);
    for (const std::string& name :
         {fields.text(Field::discIdPrefix) + fields.text(Field::discIdNumber), fields.text(Field::title),
          withoutExtension(fileNameOf(fields.text(Field::sourcePath)))}) {
        if (const std::string folder = gameFolderName(name); !isBlank(folder)) return output + kPathSeparator + folder;
    }
    return output + kPathSeparator + "game";
}

std::uint64_t bytesOf(const std::vector<std::string>& files) {
    std::uint64_t bytes = 0;
    for (const std::string& file : files) bytes += fileBytes(file);
    return bytes;
}

bool containerUpToDate(const std::string& container, const std::vector<std::string>& files) {
    const auto containerTime = newestChange({container});
    const auto sourceTime = newestChange(files);
    return containerTime && sourceTime && upToDate(*containerTime, *sourceTime);
}

// Inspects the game as choosing it in the window does, in `planner`'s work folder.
GamePlan planGame(Session& planner, JobHost& host, FoundGame game, const std::string& output) {
    GamePlan plan;
    plan.game = std::move(game);
    plan.bytes = bytesOf(plan.game.files);
    if (plan.game.missing) {
        plan.why = {"No such file or folder."};
        return plan;
    }
    FieldState& fields = planner.fields();
    chooseSource(fields, absolutePath(plan.game.source));
    if (planner.sourceRefused()) {
        plan.why = host.takeMessages();
        return plan;
    }
    static_cast<void>(host.takeMessages());  // the conversion shows them again
    plan.throughTool = !isPbpPath(plan.game.source);
    plan.folder = gameFolder(fields, output);
    plan.upToDate = containerUpToDate(plan.container(), plan.game.files);
    return plan;
}

// Games that would write one folder are all left out, so that none takes another's
// place.
void leaveOutSharedFolders(std::vector<GamePlan>& plans) {
    std::vector<std::string> folders, sources;
    for (const GamePlan& plan : plans) {
        folders.push_back(plan.why.empty() ? "the folder " + inQuotes(plan.folder) : "");
        sources.push_back(plan.game.source);
    }
    const auto shared = sharedTargets(kConvertWords, folders, sources);
    for (std::size_t i = 0; i < plans.size(); ++i) {
        if (shared[i]) plans[i].why = {*shared[i]};
    }
}

std::vector<GamePlan> planGames(CliProgram& program, const BatchConversion& batch, const std::string& planFolder) {
    JobHost host(nullptr, 0, 1);
    Session planner(program.session.folder(), host, WorkFolders::privateIn(planFolder));
    host.attach(planner.busy());
    planner.loadGameList();
    planner.loadOptions();
    std::vector<GamePlan> plans;
    const std::vector<FoundGame> games = findGames(batch.sources, batch.output, GameKinds::Sources);
    for (const FoundGame& game : games) {
        if (CliHost::stopRequested()) break;
        program.host.setStatus("Inspecting " + std::to_string(plans.size() + 1) + " of " +
                               std::to_string(games.size()) + " games");
        plans.push_back(planGame(planner, host, game, batch.output));
    }
    program.host.eraseProgressLine();
    leaveOutSharedFolders(plans);
    return plans;
}

// A folder made empty for the scope, and gone with everything in it when the scope ends.
struct TemporaryFolder {
    std::string path;
    explicit TemporaryFolder(std::string folder) : path(std::move(folder)) {
        std::error_code ec;
        fs::remove_all(toFsPath(path), ec);
        fs::create_directories(toFsPath(path), ec);
    }
    ~TemporaryFolder() {
        std::error_code ec;
        fs::remove_all(toFsPath(path), ec);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
};

std::string planFolderName() {
    std::random_device random;
    return fromFsPath(fs::temp_directory_path() / ("quillon-plan-" + std::to_string(random())));
}

// How the game would end as planned: failed or skipped, else converted.
ItemResult plannedEnd(const GamePlan& plan, bool redo) {
    if (!plan.why.empty()) return failedWith(plan.why);
    if (plan.upToDate && !redo) return endedAs(ItemOutcome::Skipped, "up to date: " + plan.container());
    ItemResult done = endedAs(ItemOutcome::Done, plan.container());
    done.bytesIn = plan.bytes;
    return done;
}

// Converts one game in its own work folder, as the window converts a chosen source.
ItemResult convertGame(const CliProgram& program, const BatchConversion& batch, const GamePlan& plan,
                       const std::string& workFolder, JobHost& host) {
    ItemResult done = plannedEnd(plan, batch.redo);
    if (done.outcome != ItemOutcome::Done) return done;
    const TemporaryFolder work(workFolder);
    Session session(program.session.folder(), host, WorkFolders::privateIn(work.path));
    host.attach(session.busy());
    session.loadGameList();
    session.loadOptions();
    FieldState& fields = session.fields();
    chooseSource(fields, absolutePath(plan.game.source));
    std::vector<std::string> notes = host.takeMessages();
    if (session.sourceRefused()) return failedWith(notes);
    fields.setPath(Field::outputFolder, plan.folder);
    if (batch.compressionLevel) fields.setText(Field::compressionLevel, *batch.compressionLevel);
    fields.setPalFix(batch.palFix);
    QtToolProcess tool;
    const OperationEnd ending = session.convert(tool, batch.compression);
    const std::vector<std::string> errors = host.takeMessages();
    // A tool that the signal reached itself ends with a message, not as aborted.
    if (ending == OperationEnd::Aborted || (CliHost::stopRequested() && !errors.empty())) {
        return endedAs(ItemOutcome::Stopped);
    }
    if (!errors.empty()) return failedWith(errors);
    done.lines = std::move(notes);
    done.bytesOut = fileBytes(plan.container());
    return done;
}

}  // namespace

unsigned defaultJobs(const std::string& level, ToolCompression compression, unsigned cores) {
    const bool stored = compression == ToolCompression::Setting && level == "0";
    return stored ? std::max(1u, cores) : std::max(1u, cores / 2);
}

bool upToDate(std::int64_t containerTime, std::int64_t newestSource) {
    return containerTime >= newestSource - kTimeSlackSeconds;
}

int runBatchConversion(CliProgram& program, const BatchConversion& batch) {
    const TemporaryFolder planFolder(planFolderName());
    std::vector<GamePlan> plans = planGames(program, batch, planFolder.path);
    if (CliHost::stopRequested()) return CliHost::stoppedStatus();
    if (batch.dryRun) {
        std::vector<std::pair<std::string, ItemResult>> planned;
        for (const GamePlan& plan : plans) planned.emplace_back(plan.game.source, plannedEnd(plan, batch.redo));
        return reportPlan("would convert", planned);
    }

    const auto lock = holdOutput(program.host, batch.output, "conversion");
    if (!lock) return 1;
    const std::string workRoot = batch.output + kPathSeparator + kWorkFoldersName;
    // Emptied of what killed runs left there.
    const TemporaryFolder work(workRoot);

    std::vector<BatchItem> items;
    for (const GamePlan& plan : plans) {
        const bool works = plan.why.empty() && (!plan.upToDate || batch.redo);
        items.push_back({plan.game.source, works ? plan.bytes : 0});
    }
    const std::string level = batch.compressionLevel.value_or(program.session.fields().text(Field::compressionLevel));
    const unsigned jobs = batch.jobs.value_or(defaultJobs(level, batch.compression, processorCores()));
    return runBatch(
        program.host, items, jobs, kConvertWords,
        [&](std::size_t index, JobHost& host) {
            const std::string folder = workRoot + kPathSeparator + "job-" + std::to_string(index);
            return convertGame(program, batch, plans[index], folder, host);
        },
        [&](std::size_t index) { return plans[index].throughTool ? 2 : 1; });
}

}  // namespace quillon
