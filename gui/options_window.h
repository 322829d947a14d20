// The options window: the stored settings (default folders, artwork and sound, warning
// picture, compression level, output sub-folder rule) and the warning picture of the
// next conversion. Its fields are the live settings that the rest of the program reads.
#pragma once

#include <QDialog>
#include <memory>

#include "gui/dialogs.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace quillon {

class FieldBinding;
class LineEdit;
class Session;

class OptionsWindow : public QDialog {
    Q_OBJECT

public:
    // The settings are the session's options fields, loaded from and saved to its
    // settings file.
    OptionsWindow(Dialogs& dialogs, Session& session);
    ~OptionsWindow() override;

    void loadOptions();
    void saveOptions();

    // The address that the donation button opens.
    static QUrl donationUrl();

private slots:
    void onBrowseImageFolder();
    void onBrowseSourceFolder();
    void onBrowseDefaultOutputFolder();
    void onBrowseDefaultPic1();
    void onBrowseDefaultIcon0();
    void onBrowseDefaultPic0();
    void onBrowseDefaultIcon1();
    void onBrowseDefaultSnd0();
    void onBrowseWarning();
    void onBrowseDefaultWarning();
    void onSave();
    void onCancel();
    void onDonate();

private:
    void fitToControls();
    void createControls();
    void connectHandlers();
    void bindFields();
    void pickFolder(Field field, const QString& prompt);
    void pickFile(Field field);

    Dialogs& dialogs_;
    Session& session_;
    std::unique_ptr<FieldBinding> binding_;

    QLabel* sourceFolderLabel_;
    LineEdit* sourceFolderEdit_;
    QToolButton* browseSourceFolderButton_;
    QLabel* defaultOutputFolderLabel_;
    LineEdit* defaultOutputFolderEdit_;
    QToolButton* browseDefaultOutputFolderButton_;
    QLabel* imageFolderLabel_;
    LineEdit* imageFolderEdit_;
    QToolButton* browseImageFolderButton_;
    QLabel* compressionLevelLabel_;
    LineEdit* compressionLevelEdit_;
    QGroupBox* folderOptionGroup_;
    QRadioButton* noSubFolderRadio_;
    QRadioButton* discIdFolderRadio_;
    QRadioButton* titleFolderRadio_;
    QRadioButton* saveTitleFolderRadio_;
    QLabel* warningLabel_;
    LineEdit* warningEdit_;
    QToolButton* browseWarningButton_;
    QLabel* defaultWarningLabel_;
    LineEdit* defaultWarningEdit_;
    QToolButton* browseDefaultWarningButton_;
    QLabel* defaultIcon0Label_;
    QLabel* defaultIcon0NameLabel_;
    LineEdit* defaultIcon0Edit_;
    QToolButton* browseDefaultIcon0Button_;
    QLabel* defaultPic1Label_;
    QLabel* defaultPic1NameLabel_;
    LineEdit* defaultPic1Edit_;
    QToolButton* browseDefaultPic1Button_;
    QLabel* defaultPic0Label_;
    QLabel* defaultPic0NameLabel_;
    LineEdit* defaultPic0Edit_;
    QToolButton* browseDefaultPic0Button_;
    QLabel* defaultSnd0Label_;
    QLabel* defaultSnd0NameLabel_;
    LineEdit* defaultSnd0Edit_;
    QToolButton* browseDefaultSnd0Button_;
    QLabel* defaultIcon1Label_;
    QLabel* defaultIcon1NameLabel_;
    LineEdit* defaultIcon1Edit_;
    QToolButton* browseDefaultIcon1Button_;
    QPushButton* donateButton_;
    QPushButton* cancelButton_;
    QPushButton* saveButton_;

    FileDialogState pictureDialog_;
};

}  // namespace quillon
