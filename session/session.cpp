#include "session/session.h"

#include "convert/convert_command.h"
#include "extract/extract_command.h"
#include "inspect/inspect_source.h"
#include "options/settings.h"

namespace quillon {

Session::Session(ProgramFolder folder, Host& host) : Session(folder, host, WorkFolders::ofProgram(folder)) {}

Session::Session(ProgramFolder folder, Host& host, WorkFolders workplace)
    : folder_(std::move(folder)), workplace_(std::move(workplace)), busy_(host) {
    fields_.setReaction(FieldTrigger::InspectSource, [this] {
        inspection_ = inspectSource(fields_, busy_.host(), gameList_, folder_, workplace_, source_);
    });
}

void Session::loadGameList() { gameList_ = quillon::loadGameList(folder_.gameListFile()); }

void Session::loadOptions() { quillon::loadOptions(fields_, folder_.optionsFile()); }

Status Session::saveOptions() const {
    folder_.makeUserFolder(folder_.settingsFolder());
    return quillon::saveOptions(fields_, folder_.optionsFile());
}

OperationEnd Session::convert(ToolProcess& tool, ToolCompression compression) {
    return runConversion(fields_, busy_, tool, folder_, workplace_, source_, compression);
}

OperationEnd Session::extract() { return runIsoExtraction(fields_, busy_); }

}  // namespace quillon
