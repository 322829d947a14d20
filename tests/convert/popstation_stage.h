// What the tool-stage tests share: a Host that records messages and status texts in the
// order they happen and runs a test's action on every pump, and a stage run around a
// temporary program folder.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/busy_state.h"
#include "app/field_store.h"
#include "app/host.h"
#include "convert/popstation_driver.h"
#include "support/temp_folder.h"

namespace quillon::testing {

struct PopstationTestHost : Host {
    void showMessage(const std::string& text, const std::string& caption) override {
        messages.push_back({caption, text});
        effects.push_back("message: " + caption);
    }
    void setStatus(const std::string& text) override {
        status = text;
        effects.push_back("status: " + text);
    }
    void pump() override {
        ++pumps;
        if (onPump) onPump(pumps);
    }
    void enterBusy(Operation) override {}
    void leaveBusy() override { effects.push_back("leaveBusy"); }
    std::optional<std::string> chooseIsoSaveName(const std::string&) override { return {}; }
    bool confirmReplace(const std::string&) override { return false; }

    struct Message {
        std::string caption;
        std::string text;
    };
    std::vector<Message> messages;
    std::vector<std::string> effects;
    std::string status;
    int pumps = 0;
    std::function<void(int pumps)> onPump;
};

// The stage's inputs with the tool `kPopstationFileName` in the Files folder when a test
// installs it, as a shell script.
struct PopstationStage {
    PopstationStage() {
        job.filesFolder = program.folder() + "Files" + kPathSeparator;
        std::filesystem::create_directories(job.filesFolder);
    }
    void installTool(const std::string& script) {
        const std::string path = program.write(std::string("Files/") + kPopstationFileName,
                                               "#!/bin/sh\n" + script);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
    }
    StageOutcome run(ToolProcess& tool) { return runPopstation(job, fields, busy, tool); }
    std::string filesPath(const std::string& name) const { return job.filesFolder + name; }

    TempFolder program;
    ConversionJob job;
    FieldStore fields;
    PopstationTestHost host;
    BusyState busy{host};
};

}  // namespace quillon::testing
