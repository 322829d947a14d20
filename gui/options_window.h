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

class TForm4 : public QDialog {
    Q_OBJECT

public:
    // The settings are the session's options fields, loaded from and saved to its
    // settings file.
    TForm4(Dialogs& dialogs, Session& session);
    ~TForm4() override;

    void LoadOptions();
    void SaveOptions();

    // The address that the donation button opens.
    static QUrl donationUrl();

    QLabel* Label1;
    LineEdit* defIsoFolder;
    QToolButton* SpeedButton2;
    QLabel* Label7;
    LineEdit* defOutput;
    QToolButton* SpeedButton10;
    QLabel* Label2;
    LineEdit* defImageFolder;
    QToolButton* SpeedButton1;
    QLabel* Label10;
    LineEdit* Compression;
    QGroupBox* GroupBox1;
    QRadioButton* folderOption1;
    QRadioButton* folderOption2;
    QRadioButton* folderOption3;
    QRadioButton* folderOption4;
    QLabel* Label17;
    LineEdit* warning;
    QToolButton* SpeedButton8;
    QLabel* Label6;
    LineEdit* defWarning;
    QToolButton* SpeedButton9;
    QLabel* Label4;
    QLabel* Label12;
    LineEdit* defIcon0;
    QToolButton* SpeedButton4;
    QLabel* Label3;
    QLabel* Label13;
    LineEdit* defPic1;
    QToolButton* SpeedButton3;
    QLabel* Label5;
    QLabel* Label14;
    LineEdit* defUnknown;
    QToolButton* SpeedButton5;
    QLabel* Label9;
    QLabel* Label15;
    LineEdit* defSnd0;
    QToolButton* SpeedButton7;
    QLabel* Label8;
    QLabel* Label16;
    LineEdit* defIcon1;
    QToolButton* SpeedButton6;
    QPushButton* donate;
    QPushButton* cancel;
    QPushButton* save;

    FileDialogState OpenDialogDiv;

public slots:
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton10Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void saveClick();
    void cancelClick();
    void donateClick();

private:
    void FormCreate();
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
