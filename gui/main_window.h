// The main window: the source, output and game fields, the artwork and sound fields
// with their pickers, the two long operations' buttons and the status line.
#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <optional>
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

    // What the operations show of themselves: the status line, and the busy state, in
    // which every input but the running operation's button (now "Abort") is disabled.
    void showStatus(const QString& text);
    void showBusy(Operation operation);
    void showIdle();
    // The save dialog of the extracted image, opening in `initialFolder`; it presets the
    // last chosen name.
    std::optional<QString> chooseExtractFile(const QString& initialFolder);

private slots:
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
    // The region label's caption; its right edge stays at 263.
    void setRegionCaption(const QString& caption);
    // The inputs that the busy state disables, in the order in which it disables them.
    std::array<QWidget*, 22> busyControls() const;
    // The abort click of an action button: true when the click was one.
    bool handleAbortClick(QPushButton* button, Operation operation);

    Dialogs& dialogs_;
    std::unique_ptr<WindowHost> host_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<FieldBinding> binding_;
    std::unique_ptr<ToolProcess> tool_;
    PreviewWindow* previewWindow_ = nullptr;
    OptionsWindow* optionsWindow_ = nullptr;

    QLabel* sourcePathLabel_;
    LineEdit* sourcePathEdit_;
    QToolButton* browseSourceButton_;
    QLabel* outputFolderLabel_;
    LineEdit* outputFolderEdit_;
    QToolButton* browseOutputFolderButton_;
    QLabel* titleLabel_;
    QLabel* regionLabel_;
    LineEdit* titleEdit_;
    QLabel* saveTitleLabel_;
    LineEdit* saveTitleEdit_;
    QLabel* discIdLabel_;
    QComboBox* discIdPrefixCombo_;
    LineEdit* discIdNumberEdit_;
    QPushButton* optionsButton_;
    QPushButton* extractButton_;
    QPushButton* convertButton_;
    QLabel* icon0Label_;
    QLabel* icon0NameLabel_;
    LineEdit* icon0Edit_;
    QToolButton* browseIcon0Button_;
    QLabel* pic1Label_;
    QLabel* pic1NameLabel_;
    LineEdit* pic1Edit_;
    QToolButton* browsePic1Button_;
    QLabel* pic0Label_;
    QLabel* pic0NameLabel_;
    LineEdit* pic0Edit_;
    QToolButton* browsePic0Button_;
    QLabel* snd0Label_;
    QLabel* snd0NameLabel_;
    LineEdit* snd0Edit_;
    QToolButton* browseSnd0Button_;
    QLabel* icon1Label_;
    QLabel* icon1NameLabel_;
    LineEdit* icon1Edit_;
    QToolButton* browseIcon1Button_;
    QCheckBox* palFixCheckBox_;
    QLabel* creditLabel_;
    QPushButton* previewButton_;
    QStatusBar* statusLine_;

    FileDialogState artworkDialog_;
    FileDialogState sourceDialog_;
    FileDialogState extractDialog_;
};

}  // namespace quillon
