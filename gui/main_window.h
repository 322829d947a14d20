// The main window: the source, output and game fields, the artwork and sound fields
// with their pickers, the two long operations' buttons and the status line.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "gui/dialogs.h"
#include "session/session.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace quillon {

class FieldBinding;
class LineEdit;
class TForm3;
class TForm4;
class ToolProcess;
class WindowHost;

class TForm1 : public QWidget {
    Q_OBJECT

public:
    TForm1(const ProgramFolder& folder, Dialogs& dialogs);
    ~TForm1() override;

    // Connects the preview and options windows, which start-up creates after this one.
    void attachWindows(TForm3* previewWindow, TForm4* optionsWindow);

    Session& session() { return *session_; }
    FieldState& fields() { return session_->fields(); }
    BusyState& busy() { return session_->busy(); }

    // The region label's caption; its right edge stays at 263.
    void setRegionCaption(const QString& caption);

    // Controls, named as the rest of the program refers to them.
    QLabel* Label5;
    LineEdit* srcIso;
    QToolButton* SpeedButton4;
    QLabel* Label6;
    LineEdit* dstPbp;
    QToolButton* SpeedButton5;
    QLabel* Label4;
    QLabel* region;
    LineEdit* labelText;
    QLabel* Label11;
    LineEdit* saveTitle;
    QLabel* Label7;
    QComboBox* saveID_l;
    LineEdit* saveID;
    QPushButton* Options;
    QPushButton* saveIso;
    QPushButton* convert;
    QLabel* Label2;
    QLabel* Label12;
    LineEdit* icon0;
    QToolButton* SpeedButton2;
    QLabel* Label1;
    QLabel* Label13;
    LineEdit* pic1;
    QToolButton* SpeedButton1;
    QLabel* Label3;
    QLabel* Label14;
    LineEdit* unknown;
    QToolButton* SpeedButton3;
    QLabel* Label9;
    QLabel* Label15;
    LineEdit* snd0;
    QToolButton* SpeedButton7;
    QLabel* Label8;
    QLabel* Label16;
    LineEdit* icon1;
    QToolButton* SpeedButton6;
    QCheckBox* palFix;
    QLabel* Label10;
    QPushButton* preview;
    QStatusBar* StatusBar1;

    FileDialogState OpenDialogDiv;
    FileDialogState OpenDialogIso;
    FileDialogState SaveDialogIso;

public slots:
    void SpeedButton4Click();
    void SpeedButton2Click();
    void SpeedButton1Click();
    void SpeedButton3Click();
    void SpeedButton7Click();
    void SpeedButton6Click();
    void SpeedButton5Click();
    void previewClick();
    void OptionsClick();
    void convertClick();
    void saveIsoClick();

private:
    void FormCreate();
    void createControls();
    void connectHandlers();
    void bindFields();
    void pickArtwork(Field field);
    void ComposePreview();
    // The abort click of an action button: true when the click was one.
    bool handleAbortClick(QPushButton* button, Operation operation);

    Dialogs& dialogs_;
    std::unique_ptr<WindowHost> host_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<FieldBinding> binding_;
    std::unique_ptr<ToolProcess> tool_;
    TForm3* previewWindow_ = nullptr;
    TForm4* optionsWindow_ = nullptr;
};

}  // namespace quillon
