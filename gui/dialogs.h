// Every message box and file or folder dialog of the windows goes through Dialogs, so
// that tests can answer them and read what they showed.
#pragma once

#include <QString>
#include <QUrl>
#include <optional>

#include "state/fields.h"

class QWidget;

namespace quillon {

// What a file dialog component keeps between showings: its filter ("Name|*.ext|..."),
// its initial folder and the file name it presets (the last chosen one after OK).
struct FileDialogState {
    QString filter;
    QString initialDir;
    QString fileName;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal message box with the error icon and an OK button.
    virtual void showMessage(QWidget* owner, const QString& text, const QString& caption) = 0;
    // A file-open dialog; on OK the chosen path, which also becomes dialog.fileName.
    virtual std::optional<QString> openFile(QWidget* owner, FileDialogState& dialog) = 0;
    // A file-save dialog that asks before replacing an existing file.
    virtual std::optional<QString> saveFile(QWidget* owner, FileDialogState& dialog) = 0;
    // The folder browser: the chosen folder, or an empty text on cancel.
    virtual QString browseForFolder(QWidget* owner, const QString& title, const QString& startFolder) = 0;
    // A yes/no question; true for yes.
    virtual bool confirm(QWidget* owner, const QString& text, const QString& caption) = 0;
    // Opens a web address in the user's browser.
    virtual void openUrl(const QUrl& url) = 0;
};

// The platform's own dialogs.
class SystemDialogs : public Dialogs {
public:
    void showMessage(QWidget* owner, const QString& text, const QString& caption) override;
    std::optional<QString> openFile(QWidget* owner, FileDialogState& dialog) override;
    std::optional<QString> saveFile(QWidget* owner, FileDialogState& dialog) override;
    QString browseForFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
    bool confirm(QWidget* owner, const QString& text, const QString& caption) override;
    void openUrl(const QUrl& url) override;
};

// The filter of a field's file picker: its artwork kind's, else PNG pictures (the
// warning pictures).
QString pickerFilter(Field field);

// A file picker of a field: the dialog takes `filter`, presets the field's path (an
// empty field opens in `folderWhenEmpty`, when one is given) and the chosen file goes
// into the field, with the caret at its end. Cancel changes nothing.
void pickFileIntoField(Dialogs& dialogs, QWidget* owner, FileDialogState& dialog, FieldState& fields, Field field,
                       const QString& filter, const std::optional<QString>& folderWhenEmpty = std::nullopt);

// "PNG Files|*.png|..." as Qt writes it: "PNG Files (*.png);;...".
QString toQtFilter(const QString& filter);

}  // namespace quillon
