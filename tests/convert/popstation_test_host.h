// A Host for the tool-stage tests: records messages and status texts in the order they
// happen and runs a test's action on every pump.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/host.h"

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

}  // namespace quillon::testing
