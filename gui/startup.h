// Start-up: the three windows in their order, the settings, the source named on the
// command line.
#pragma once

#include <QStringList>
#include <memory>
#include <string>

#include "gui/dialogs.h"
#include "gui/main_window.h"
#include "gui/options_window.h"
#include "gui/preview_window.h"

namespace quillon {

struct ProgramWindows {
    // Destroyed in reverse: options, preview, then the main window.
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<PreviewWindow> previewWindow;
    std::unique_ptr<OptionsWindow> optionsWindow;
};

// The application's title and font, once the application exists.
void setUpApplication();

// The main, preview and options windows in this order, the settings loaded, and the
// first argument chosen as the source when it names an existing file.
std::unique_ptr<ProgramWindows> startProgram(const ProgramFolder& folder, Dialogs& dialogs,
                                             const QStringList& arguments);

// The folder of the running executable.
std::string executableFolder();

}  // namespace quillon
