// A Host that records the message boxes it is asked to show, the status texts and the
// pumps (a test can act inside a pump, as an abort click would), and a FieldState that
// records caret moves and what each preview composition saw.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "state/fields.h"
#include "state/host.h"

namespace quillon::testing {

class RecordingHost : public Host {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    void showMessage(const std::string& text, const std::string& caption) override {
        messages.push_back({text, caption});
    }
    void setStatus(const std::string& text) override { statuses.push_back(text); }
    void showProgress(const ProgressReport& report) override {
        if (!report.status.empty()) setStatus(report.status);
        if (report.total > 0) amounts.emplace_back(report.done, report.total);
    }
    void pump() override {
        ++pumps;
        if (onPump) onPump(pumps);
    }
    void enterBusy(Operation) override { ++busyDepth; }
    void leaveBusy() override { --busyDepth; }
    std::optional<std::string> chooseIsoSaveName(const std::string&) override { return {}; }
    bool confirmReplace(const std::vector<std::string>&) override { return false; }

    std::string status() const { return statuses.empty() ? std::string() : statuses.back(); }
    // Each message as "caption: text".
    std::vector<std::string> shown() const {
        std::vector<std::string> lines;
        for (const Message& m : messages) lines.push_back(m.caption + ": " + m.text);
        return lines;
    }

    std::vector<Message> messages;
    std::vector<std::string> statuses;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> amounts;  // done, total
    int pumps = 0;
    std::function<void(int)> onPump;  // given the number of pumps so far
    int busyDepth = 0;                // enterBusy calls less leaveBusy calls
};

class RecordingFields : public FieldState, private FieldObserver {
public:
    // The picture fields that a composition draws from, as it saw them.
    struct Composition {
        std::string icon0, pic1, pic0, warning;
        bool operator==(const Composition&) const = default;
    };

    RecordingFields() {
        addObserver(this);
        setReaction(FieldTrigger::RedrawPreview, [this] {
            compositions.push_back({text(Field::icon0), text(Field::pic1), text(Field::pic0), text(Field::warning)});
        });
    }
    ~RecordingFields() override { removeObserver(this); }

    std::vector<Field> carets;
    std::vector<Composition> compositions;

private:
    void textSet(Field, const std::string&) override {}
    void caretToEnd(Field field) override { carets.push_back(field); }
    void palFixSet(bool) override {}
    void folderOptionSet(std::optional<FolderOption>) override {}
};

}  // namespace quillon::testing
