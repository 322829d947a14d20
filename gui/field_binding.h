// The windows over the shared state: a binding that keeps a window's controls and the
// fields in step both ways, and the main window as the operations' host.
#pragma once

#include <QString>
#include <array>
#include <functional>
#include <map>
#include <utility>

#include "state/fields.h"
#include "state/host.h"

class QCheckBox;
class QComboBox;
class QRadioButton;

namespace quillon {

class Dialogs;
class LineEdit;
class MainWindow;

// What the user types, picks or checks in a bound control goes into the fields; every
// change of the fields (by inspection, the settings, a picker) shows in its control.
// The fields stay the one place that holds the state: the controls only mirror it.
class FieldBinding : public FieldObserver {
public:
    explicit FieldBinding(FieldState& fields);
    ~FieldBinding() override;
    FieldBinding(const FieldBinding&) = delete;
    FieldBinding& operator=(const FieldBinding&) = delete;

    // Each control takes the field's text at once, and its typing rule.
    void bind(Field field, LineEdit* edit);
    void bind(Field field, QComboBox* combo);
    // A caption that the user does not edit, shown through `show`.
    void bind(Field field, std::function<void(const QString&)> show);
    void bindPalFix(QCheckBox* box);
    // One radio button for each folder option.
    void bindFolderOptions(const std::array<std::pair<FolderOption, QRadioButton*>, 4>& buttons);

    void textSet(Field field, const std::string& text) override;
    void caretToEnd(Field field) override;
    void palFixSet(bool on) override;
    void folderOptionSet(std::optional<FolderOption> option) override;

private:
    void takeEdit(Field field, const QString& text);

    FieldState& fields_;
    std::map<Field, LineEdit*> edits_;
    std::map<Field, QComboBox*> combos_;
    std::map<Field, std::function<void(const QString&)>> captions_;
    QCheckBox* palFix_ = nullptr;
    std::array<std::pair<FolderOption, QRadioButton*>, 4> folderOptions_{};
};

class WindowHost : public Host {
public:
    WindowHost(MainWindow& main, Dialogs& dialogs) : main_(main), dialogs_(dialogs) {}

    void showMessage(const std::string& text, const std::string& caption) override;
    void setStatus(const std::string& text) override;
    void showProgress(const ProgressReport& report) override;
    void pump() override;
    void enterBusy(Operation operation) override;
    void leaveBusy() override;
    std::optional<std::string> chooseIsoSaveName(const std::string& initialFolder) override;
    bool confirmReplace(const std::vector<std::string>& paths) override;

private:
    MainWindow& main_;
    Dialogs& dialogs_;
};

}  // namespace quillon
