#include "gui/dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "gui/qt_text.h"
#include "state/artwork_kinds.h"

namespace quillon {
namespace {

// Where a dialog opens: the preset name when there is one (a full path opens in its
// folder), otherwise the initial folder.
QString startingPoint(const FileDialogState& dialog) {
    if (dialog.fileName.isEmpty()) return dialog.initialDir;
    if (QFileInfo(dialog.fileName).isAbsolute() || dialog.initialDir.isEmpty()) {
        return dialog.fileName;
    }
    return QDir(dialog.initialDir).filePath(dialog.fileName);
}

}  // namespace

QString pickerFilter(Field field) {
    const ArtworkKind* kind = artworkKindOf(field);
    return QString::fromLatin1(kind ? kind->filter : kPngFilter);
}

void pickFileIntoField(Dialogs& dialogs, QWidget* owner, FileDialogState& dialog, FieldState& fields, Field field,
                       const QString& filter, const std::optional<QString>& folderWhenEmpty) {
    dialog.filter = filter;
    dialog.fileName = toQt(fields.text(field));
    if (dialog.fileName.isEmpty() && folderWhenEmpty) dialog.initialDir = *folderWhenEmpty;
    if (const auto chosen = dialogs.openFile(owner, dialog)) fields.setPath(field, toUtf8(*chosen));
}

QString toQtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << parts[i] + " (" + patterns + ")";
    }
    return out.join(";;");
}

namespace {

// Texts such as paths and the tool's output are shown as they stand, never as markup.
int runMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
                  QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, caption, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

}  // namespace

void SystemDialogs::showMessage(QWidget* owner, const QString& text, const QString& caption) {
    runMessageBox(owner, QMessageBox::Critical, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

std::optional<QString> SystemDialogs::openFile(QWidget* owner, FileDialogState& dialog) {
    const QString chosen =
        QFileDialog::getOpenFileName(owner, QString(), startingPoint(dialog), toQtFilter(dialog.filter));
    if (chosen.isEmpty()) return std::nullopt;
    dialog.fileName = QDir::toNativeSeparators(chosen);
    return dialog.fileName;
}

std::optional<QString> SystemDialogs::saveFile(QWidget* owner, FileDialogState& dialog) {
    QFileDialog box(owner, QString(), startingPoint(dialog), toQtFilter(dialog.filter));
    box.setAcceptMode(QFileDialog::AcceptSave);
    box.setFileMode(QFileDialog::AnyFile);
    box.setSizeGripEnabled(true);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return std::nullopt;
    dialog.fileName = QDir::toNativeSeparators(box.selectedFiles().first());
    return dialog.fileName;
}

QString SystemDialogs::browseForFolder(QWidget* owner, const QString& title, const QString& startFolder) {
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, title, startFolder, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen);
}

bool SystemDialogs::confirm(QWidget* owner, const QString& text, const QString& caption) {
    return runMessageBox(owner, QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                         QMessageBox::No) == QMessageBox::Yes;
}

void SystemDialogs::openUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace quillon
