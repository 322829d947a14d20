#include "cli/batch_extract.h"

#include <algorithm>

#include "cli/batch_convert.h"
#include "cli/batch_games.h"
#include "cli/batch_run.h"
#include "common/file_io.h"
#include "common/text.h"
#include "extract/extract_command.h"
#include "source/disc_id.h"
#include "source/multi_disc.h"
#include "source/param_sfo.h"
#include "source/pbp.h"
#include "state/default_fields.h"

namespace quillon {
namespace {

constexpr BatchWords kExtractWords{"extracted", "containers"};

// A container as the run will treat it, decided before anything is written.
struct ContainerPlan {
    std::string source;               // as found
    std::string chosenName;           // the name the save dialog would be given
    std::vector<std::string> images;  // the images it gives, one per disc
    std::vector<std::string> why;     // why it cannot be extracted; empty when it can
    bool upToDate = false;            // every image exists and is not older than the container
};

// The title and the number of discs as far as they can be read; what cannot be read is
// left for the extraction to report.
struct ContainerFacts {
    std::string title;
    std::size_t discs = 1;
};

ContainerFacts readFacts(const std::string& path) {
    ContainerFacts facts;
    auto file = InputFile::open(path);
    if (!file) return facts;
    const auto head = file->readUpTo(0, kIdentificationReadSize);
    const std::optional<PbpHeader> header = head ? decodePbpHeader(*head) : std::nullopt;
    if (!header) return facts;
    facts.title = readParamFields(*head, header->paramSfo).title;
    const auto blocks = findDiscBlocks(*file, header->dataPsar);
    if (blocks && *blocks) facts.discs = std::max<std::size_t>((*blocks)->size(), 1);
    return facts;
}

bool imagesUpToDate(const std::string& container, const std::vector<std::string>& images) {
    const auto containerTime = newestChange({container});
    return containerTime && std::ranges::all_of(images, [&](const std::string& image) {
               const auto imageTime = newestChange({image});
               return imageTime && upToDate(*imageTime, *containerTime);
           });
}

ContainerPlan planContainer(const FoundGame& found, const std::string& output) {
    ContainerPlan plan;
    plan.source = found.source;
    if (found.missing) {
        plan.why = {"No such file or folder."};
        return plan;
    }
    const ContainerFacts facts = readFacts(found.source);
    plan.chosenName = output + kPathSeparator + imageBaseName(facts.title, found.source);
    const std::string image = isoOutputName(plan.chosenName);
    for (std::size_t disc = 1; disc <= facts.discs; ++disc)
        plan.images.push_back(discImageName(image, disc, facts.discs));
    plan.upToDate = imagesUpToDate(found.source, plan.images);
    return plan;
}

std::vector<ContainerPlan> planContainers(const BatchExtraction& batch) {
    std::vector<ContainerPlan> plans;
    std::vector<std::string> targets, sources;
    for (const FoundGame& found : findGames(batch.containers, batch.output, GameKinds::Containers)) {
        plans.push_back(planContainer(found, batch.output));
        targets.push_back(plans.back().why.empty() ? inQuotes(plans.back().images.front()) : "");
        sources.push_back(found.source);
    }
    const auto shared = sharedTargets(kExtractWords, targets, sources);
    for (std::size_t i = 0; i < plans.size(); ++i) {
        if (shared[i]) plans[i].why = {*shared[i]};
    }
    return plans;
}

std::string joinedImages(const ContainerPlan& plan) {
    std::string text;
    for (const std::string& image : plan.images) text += (text.empty() ? "" : ", ") + image;
    return text;
}

// How the container would end as planned: failed or skipped, else extracted.
ItemResult plannedEnd(const ContainerPlan& plan, bool redo) {
    if (!plan.why.empty()) return failedWith(plan.why);
    if (plan.upToDate && !redo) return endedAs(ItemOutcome::Skipped, "up to date: " + joinedImages(plan));
    ItemResult done = endedAs(ItemOutcome::Done, joinedImages(plan));
    done.bytesIn = fileBytes(plan.source);
    return done;
}

// Extracts one container as the single extraction does, answering its save dialog with
// the planned name; out-of-date images are replaced without asking.
ItemResult extractContainer(const ContainerPlan& plan, bool redo, JobHost& host) {
    ItemResult done = plannedEnd(plan, redo);
    if (done.outcome != ItemOutcome::Done) return done;
    BusyState busy(host);
    host.attach(busy);
    host.answerExtraction(plan.chosenName, true);
    FieldState fields;
    fields.setText(Field::sourcePath, absolutePath(plan.source));
    const OperationEnd ending = runIsoExtraction(fields, busy);
    const std::vector<std::string> errors = host.takeMessages();
    if (ending == OperationEnd::Aborted) return endedAs(ItemOutcome::Stopped);
    if (!errors.empty()) return failedWith(errors);
    for (const std::string& image : plan.images) done.bytesOut += fileBytes(image);
    return done;
}

}  // namespace

std::string imageBaseName(const std::string& title, const std::string& container) {
    const std::string fromTitle = gameFolderName(title);
    if (!isBlank(fromTitle)) return fromTitle;
    return withoutExtension(fileNameOf(container));
}

int runBatchExtraction(CliProgram& program, const BatchExtraction& batch) {
    const std::vector<ContainerPlan> plans = planContainers(batch);
    if (batch.dryRun) {
        std::vector<std::pair<std::string, ItemResult>> planned;
        for (const ContainerPlan& plan : plans) planned.emplace_back(plan.source, plannedEnd(plan, batch.redo));
        return reportPlan("would extract", planned);
    }
    const auto lock = holdOutput(program.host, batch.output, "extraction");
    if (!lock) return 1;
    std::vector<BatchItem> items;
    for (const ContainerPlan& plan : plans) {
        const bool works = plan.why.empty() && (!plan.upToDate || batch.redo);
        items.push_back({plan.source, works ? fileBytes(plan.source) : 0});
    }
    return runBatch(
        program.host, items, batch.jobs.value_or(1), kExtractWords,
        [&](std::size_t index, JobHost& host) { return extractContainer(plans[index], batch.redo, host); },
        [](std::size_t) { return 1; });
}

}  // namespace quillon
