// A Host that records the message boxes it is asked to show, and a FieldStore that
// records caret moves and what each preview composition saw.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/field_store.h"
#include "app/host.h"

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
    void pump() override {}
    void enterBusy(Operation) override {}
    void leaveBusy() override {}
    std::optional<std::string> chooseIsoSaveName(const std::string&) override { return {}; }
    bool confirmReplace(const std::string&) override { return false; }

    std::vector<Message> messages;
    std::vector<std::string> statuses;
};

class RecordingFields : public FieldStore {
public:
    // The picture fields that a composition draws from, as it saw them.
    struct Composition {
        std::string icon0, pic1, pic0, warning;
        bool operator==(const Composition&) const = default;
    };

    void caretToEnd(Field field) override { carets.push_back(field); }
    void composePreview() override {
        FieldStore::composePreview();
        compositions.push_back(
            {text(Field::icon0), text(Field::pic1), text(Field::unknown), text(Field::warning)});
    }

    std::vector<Field> carets;
    std::vector<Composition> compositions;
};

}  // namespace quillon::testing
