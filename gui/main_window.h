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
class PreviewWindow;
class OptionsWindow;
class ToolProcess;
class WindowHost;

class MainWindow : public QWidget {
    Q_OBJECT

public:
    MainWindow(const ProgramFolder& folder, Dialogs& dialogs);
    ~MainWindow() override;

    // Connects the preview and options windows, which start-up creates after this one.
    void attachWindows(PreviewWindow* previewWindow, OptionsWindow* optionsWindow);

    Session& session() { return *session_; }
    FieldState& fields() { return session_->fields(); }
    BusyState& busy() { return session_->busy(); }

    // The region label's caption; its right edge stays at 263.
    void setRegionCaption(const QString& caption);

    // Controls, named as the rest of the program refers to them.
    QLabel* sourcePathLabel;
    LineEdit* sourcePathEdit;
    QToolButton* browseSourceButton;
    QLabel* outputFolderLabel;
    LineEdit* outputFolderEdit;
    QToolButton* browseOutputFolderButton;
    QLabel* titleLabel;
    QLabel* regionLabel;
    LineEdit* titleEdit;
    QLabel* saveTitleLabel;
    LineEdit* saveTitleEdit;
    QLabel* discIdLabel;
    QComboBox* discIdPrefixCombo;
    LineEdit* discIdNumberEdit;
    QPushButton* optionsButton;
    QPushButton* extractButton;
    QPushButton* convertButton;
    QLabel* icon0Label;
    QLabel* icon0NameLabel;
    LineEdit* icon0Edit;
    QToolButton* browseIcon0Button;
    QLabel* pic1Label;
    QLabel* pic1NameLabel;
    LineEdit* pic1Edit;
    QToolButton* browsePic1Button;
    QLabel* pic0Label;
    QLabel* pic0NameLabel;
    LineEdit* pic0Edit;
    QToolButton* browsePic0Button;
    QLabel* snd0Label;
    QLabel* snd0NameLabel;
    LineEdit* snd0Edit;
    QToolButton* browseSnd0Button;
    QLabel* icon1Label;
    QLabel* icon1NameLabel;
    LineEdit* icon1Edit;
    QToolButton* browseIcon1Button;
    QCheckBox* palFixCheckBox;
    QLabel* creditLabel;
    QPushButton* previewButton;
    QStatusBar* statusLine;

    FileDialogState artworkDialog;
    FileDialogState sourceDialog;
    FileDialogState extractDialog;

public slots:
    void onBrowseSource();
    void onBrowseIcon0();
    void onBrowsePic1();
    void onBrowsePic0();
    void onBrowseSnd0();
    void onBrowseIcon1();
    void onBrowseOutputFolder();
    void onShowPreview();
    void onShowOptions();
    void onConvert();
    void onExtract();

private:
    void finishSetUp();
    void createControls();
    void connectHandlers();
    void bindFields();
    void pickArtwork(Field field);
    void composePreview();
    // The abort click of an action button: true when the click was one.
    bool handleAbortClick(QPushButton* button, Operation operation);

    Dialogs& dialogs_;
    std::unique_ptr<WindowHost> host_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<FieldBinding> binding_;
    std::unique_ptr<ToolProcess> tool_;
    PreviewWindow* previewWindow_ = nullptr;
    OptionsWindow* optionsWindow_ = nullptr;
};

}  // namespace quillon
