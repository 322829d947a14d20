// The windows as the core sees them: their fields (Workspace) and the main window's
// message boxes, status line, pump and busy look (Host).
#pragma once

#include "app/host.h"
#include "app/workspace.h"

class QWidget;

namespace quillon {

class Dialogs;
class LineEdit;
class TForm1;
class TForm3;
class TForm4;

class WindowFields : public Workspace {
public:
    explicit WindowFields(TForm1& main) : main_(main) {}
    void attach(TForm3* previewWindow, TForm4* optionsWindow) {
        preview_ = previewWindow;
        options_ = optionsWindow;
    }

    std::string text(Field field) const override;
    void setText(Field field, const std::string& text) override;
    void caretToEnd(Field field) override;
    bool palFix() const override;
    int folderOption() const override;
    void setFolderOption(int option) override;
    void composePreview() override;

private:
    LineEdit* edit(Field field) const;

    TForm1& main_;
    TForm3* preview_ = nullptr;
    TForm4* options_ = nullptr;
};

class WindowHost : public Host {
public:
    WindowHost(TForm1& main, Dialogs& dialogs) : main_(main), dialogs_(dialogs) {}

    void showMessage(const std::string& text, const std::string& caption) override;
    void setStatus(const std::string& text) override;
    void pump() override;
    void enterBusy(Operation operation) override;
    void leaveBusy() override;
    std::optional<std::string> chooseIsoSaveName(const std::string& initialFolder) override;
    bool confirmReplace(const std::string& path) override;

private:
    TForm1& main_;
    Dialogs& dialogs_;
};

}  // namespace quillon
