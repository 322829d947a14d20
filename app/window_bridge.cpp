#include "app/window_bridge.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>
#include <array>

#include "app/dialogs.h"
#include "app/line_edit.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "options/options_window.h"
#include "preview/preview_window.h"

namespace quillon {

LineEdit* WindowFields::edit(Field field) const {
    switch (field) {
        case Field::srcIso: return main_.srcIso;
        case Field::dstPbp: return main_.dstPbp;
        case Field::labelText: return main_.labelText;
        case Field::saveTitle: return main_.saveTitle;
        case Field::saveID: return main_.saveID;
        case Field::icon0: return main_.icon0;
        case Field::unknown: return main_.unknown;
        case Field::pic1: return main_.pic1;
        case Field::snd0: return main_.snd0;
        case Field::icon1: return main_.icon1;
        case Field::saveID_l:
        case Field::region: return nullptr;
        default: break;
    }
    if (!options_) return nullptr;
    switch (field) {
        case Field::defWarning: return options_->defWarning;
        case Field::defIcon0: return options_->defIcon0;
        case Field::defPic1: return options_->defPic1;
        case Field::defUnknown: return options_->defUnknown;
        case Field::defSnd0: return options_->defSnd0;
        case Field::defIcon1: return options_->defIcon1;
        case Field::defIsoFolder: return options_->defIsoFolder;
        case Field::defOutput: return options_->defOutput;
        case Field::defImageFolder: return options_->defImageFolder;
        case Field::Compression: return options_->Compression;
        case Field::warning: return options_->warning;
        default: return nullptr;
    }
}

std::string WindowFields::text(Field field) const {
    if (field == Field::saveID_l) return toUtf8(main_.saveID_l->currentText());
    if (field == Field::region) return toUtf8(main_.region->text());
    const LineEdit* e = edit(field);
    return e ? toUtf8(e->text()) : std::string();
}

void WindowFields::setText(Field field, const std::string& text) {
    const QString value = toQt(text);
    if (field == Field::saveID_l) {
        if (main_.saveID_l->currentText() != value) main_.saveID_l->setEditText(value);
    } else if (field == Field::region) {
        main_.setRegionCaption(value);
    } else if (LineEdit* e = edit(field)) {
        e->setText(value);  // emits textChanged only when the text really changes
    }
}

void WindowFields::caretToEnd(Field field) {
    if (LineEdit* e = edit(field)) e->caretToEnd();
}

bool WindowFields::palFix() const { return main_.palFix->isChecked(); }

int WindowFields::folderOption() const {
    if (!options_) return 0;
    const std::array<QRadioButton*, 4> buttons{options_->folderOption1, options_->folderOption2,
                                               options_->folderOption3, options_->folderOption4};
    for (int i = 0; i < 4; ++i) {
        if (buttons[i]->isChecked()) return i;
    }
    return -1;
}

void WindowFields::setFolderOption(int option) {
    if (!options_) return;
    const std::array<QRadioButton*, 4> buttons{options_->folderOption1, options_->folderOption2,
                                               options_->folderOption3, options_->folderOption4};
    if (option >= 0 && option < 4) buttons[option]->setChecked(true);
}

void WindowFields::composePreview() {
    if (preview_) preview_->ComposePreview();
}

// ---- WindowHost ----

void WindowHost::showMessage(const std::string& text, const std::string& caption) {
    dialogs_.showMessage(&main_, toQt(text), toQt(caption));
}

void WindowHost::setStatus(const std::string& text) { main_.StatusBar1->showMessage(toQt(text)); }

void WindowHost::pump() { QCoreApplication::processEvents(); }

namespace {

// The inputs that the busy state disables, in the order in which it disables them.
std::array<QWidget*, 22> busyControls(TForm1& f) {
    return {f.srcIso,    f.SpeedButton4, f.pic1,         f.SpeedButton1, f.icon0,
            f.SpeedButton2, f.unknown,   f.SpeedButton3, f.dstPbp,       f.SpeedButton5,
            f.saveID,    f.labelText,    f.convert,      f.saveID_l,     f.icon1,
            f.snd0,      f.SpeedButton6, f.SpeedButton7, f.saveIso,      f.saveTitle,
            f.preview,   f.palFix};
}

const QString kAbortCaption = QStringLiteral("Abort");

}  // namespace

void WindowHost::enterBusy(Operation operation) {
    QPushButton* own = operation == Operation::Convert ? main_.convert : main_.saveIso;
    own->setText(kAbortCaption);
    for (QWidget* control : busyControls(main_)) {
        const bool isActionButton = control == main_.convert || control == main_.saveIso;
        if (isActionButton && static_cast<QPushButton*>(control)->text() == kAbortCaption) continue;
        control->setEnabled(false);
    }
    main_.setCursor(Qt::WaitCursor);
}

void WindowHost::leaveBusy() {
    main_.unsetCursor();
    for (QWidget* control : busyControls(main_)) control->setEnabled(true);
    main_.saveIso->setText(QStringLiteral("Extract ISO"));
    main_.convert->setText(QStringLiteral("Convert"));
}

std::optional<std::string> WindowHost::chooseIsoSaveName(const std::string& initialFolder) {
    main_.SaveDialogIso.initialDir = toQt(initialFolder);
    const auto chosen = dialogs_.saveFile(&main_, main_.SaveDialogIso);
    if (!chosen) return std::nullopt;
    return toUtf8(*chosen);
}

bool WindowHost::confirmReplace(const std::string& path) {
    return dialogs_.confirm(&main_,
                            toQt("\"" + path + "\" already exists.\nDo you want to replace it?"),
                            QStringLiteral("Confirm Save As"));
}

}  // namespace quillon
