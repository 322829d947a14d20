#include "gui/field_binding.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

#include "gui/dialogs.h"
#include "gui/line_edit.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"
#include "state/busy_state.h"

namespace quillon {

FieldBinding::FieldBinding(FieldState& fields) : fields_(fields) { fields_.addObserver(this); }

FieldBinding::~FieldBinding() { fields_.removeObserver(this); }

void FieldBinding::bind(Field field, LineEdit* edit) {
    edits_[field] = edit;
    edit->setTypingRule(field);
    edit->setText(toQt(fields_.text(field)));
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [this, field](const QString& text) { takeEdit(field, text); });
}

void FieldBinding::bind(Field field, QComboBox* combo) {
    combos_[field] = combo;
    combo->setValidator(new TypingRule(field, combo));
    combo->setEditText(toQt(fields_.text(field)));
    QObject::connect(combo, &QComboBox::editTextChanged, combo,
                     [this, field](const QString& text) { takeEdit(field, text); });
}

void FieldBinding::takeEdit(Field field, const QString& text) {
    // A control that shows the field's text as it is leaves its bytes alone: a text in
    // another encoding than UTF-8 stays as it was unless the user edits it.
    if (text == toQt(fields_.text(field))) return;
    fields_.setText(field, toUtf8(text));
}

void FieldBinding::bind(Field field, std::function<void(const QString&)> show) {
    show(toQt(fields_.text(field)));
    captions_[field] = std::move(show);
}

void FieldBinding::bindPalFix(QCheckBox* box) {
    palFix_ = box;
    box->setChecked(fields_.palFix());
    QObject::connect(box, &QCheckBox::toggled, box, [this](bool on) { fields_.setPalFix(on); });
}

void FieldBinding::bindFolderOptions(const std::array<std::pair<FolderOption, QRadioButton*>, 4>& buttons) {
    folderOptions_ = buttons;
    folderOptionSet(fields_.folderOption());
    for (const auto& [option, button] : buttons) {
        QObject::connect(button, &QRadioButton::toggled, button, [this, option = option](bool checked) {
            if (checked) fields_.setFolderOption(option);
        });
    }
}

void FieldBinding::textSet(Field field, const std::string& text) {
    const QString value = toQt(text);
    if (const auto edit = edits_.find(field); edit != edits_.end()) {
        if (edit->second->text() != value) edit->second->setText(value);
    } else if (const auto combo = combos_.find(field); combo != combos_.end()) {
        if (combo->second->currentText() != value) combo->second->setEditText(value);
    } else if (const auto caption = captions_.find(field); caption != captions_.end()) {
        caption->second(value);
    }
}

void FieldBinding::caretToEnd(Field field) {
    if (const auto edit = edits_.find(field); edit != edits_.end()) edit->second->caretToEnd();
}

void FieldBinding::palFixSet(bool on) {
    if (palFix_) palFix_->setChecked(on);
}

void FieldBinding::folderOptionSet(std::optional<FolderOption> option) {
    for (const auto& [buttonsOption, button] : folderOptions_) {
        if (button && buttonsOption == option) button->setChecked(true);
    }
}

// ---- WindowHost ----

void WindowHost::showMessage(const std::string& text, const std::string& caption) {
    dialogs_.showMessage(&main_, toQt(text), toQt(caption));
}

void WindowHost::setStatus(const std::string& text) { main_.showStatus(toQt(text)); }

void WindowHost::showProgress(const ProgressReport& report) {
    if (!report.status.empty()) setStatus(report.status);
}

void WindowHost::pump() { QCoreApplication::processEvents(); }

void WindowHost::enterBusy(Operation operation) { main_.showBusy(operation); }

void WindowHost::leaveBusy() { main_.showIdle(); }

std::optional<std::string> WindowHost::chooseIsoSaveName(const std::string& initialFolder) {
    const auto chosen = main_.chooseExtractFile(toQt(initialFolder));
    if (!chosen) return std::nullopt;
    return toUtf8(*chosen);
}

bool WindowHost::confirmReplace(const std::vector<std::string>& paths) {
    const char* them = paths.size() == 1 ? "it" : "them";
    return dialogs_.confirm(&main_, toQt(existingFilesText(paths) + ".\nDo you want to replace " + them + "?"),
                            QStringLiteral("Confirm Save As"));
}

}  // namespace quillon
