// A Host that records what an operation shows: messages as "caption: text", every
// status text in order, the pumps; a test can act inside a pump (an abort click).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/host.h"

namespace quillon::testing {

struct RecordingHost : Host {
    void showMessage(const std::string& text, const std::string& caption) override {
        messages.push_back(caption + ": " + text);
    }
    void setStatus(const std::string& text) override { statuses.push_back(text); }
    void pump() override {
        ++pumps;
        if (onPump) onPump(pumps);
    }
    void enterBusy(Operation) override { ++busyCount; }
    void leaveBusy() override { --busyCount; }
    std::optional<std::string> chooseIsoSaveName(const std::string&) override { return {}; }
    bool confirmReplace(const std::string&) override { return false; }

    std::string status() const { return statuses.empty() ? std::string() : statuses.back(); }

    std::vector<std::string> messages;
    std::vector<std::string> statuses;
    int pumps = 0;
    int busyCount = 0;
    std::function<void(int)> onPump;  // given the number of pumps so far
};

}  // namespace quillon::testing
