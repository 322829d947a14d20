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

    QLabel* sourceFolderLabel;
    LineEdit* sourceFolderEdit;
    QToolButton* browseSourceFolderButton;
    QLabel* defaultOutputFolderLabel;
    LineEdit* defaultOutputFolderEdit;
    QToolButton* browseDefaultOutputFolderButton;
    QLabel* imageFolderLabel;
    LineEdit* imageFolderEdit;
    QToolButton* browseImageFolderButton;
    QLabel* compressionLevelLabel;
    LineEdit* compressionLevelEdit;
    QGroupBox* folderOptionGroup;
    QRadioButton* noSubFolderRadio;
    QRadioButton* discIdFolderRadio;
    QRadioButton* titleFolderRadio;
    QRadioButton* saveTitleFolderRadio;
    QLabel* warningLabel;
    LineEdit* warningEdit;
    QToolButton* browseWarningButton;
    QLabel* defaultWarningLabel;
    LineEdit* defaultWarningEdit;
    QToolButton* browseDefaultWarningButton;
    QLabel* defaultIcon0Label;
    QLabel* defaultIcon0NameLabel;
    LineEdit* defaultIcon0Edit;
    QToolButton* browseDefaultIcon0Button;
    QLabel* defaultPic1Label;
    QLabel* defaultPic1NameLabel;
    LineEdit* defaultPic1Edit;
    QToolButton* browseDefaultPic1Button;
    QLabel* defaultPic0Label;
    QLabel* defaultPic0NameLabel;
    LineEdit* defaultPic0Edit;
    QToolButton* browseDefaultPic0Button;
    QLabel* defaultSnd0Label;
    QLabel* defaultSnd0NameLabel;
    LineEdit* defaultSnd0Edit;
    QToolButton* browseDefaultSnd0Button;
    QLabel* defaultIcon1Label;
    QLabel* defaultIcon1NameLabel;
    LineEdit* defaultIcon1Edit;
    QToolButton* browseDefaultIcon1Button;
    QPushButton* donateButton;
    QPushButton* cancelButton;
    QPushButton* saveButton;

    FileDialogState pictureDialog;

public slots:
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
};

}  // namespace quillon
