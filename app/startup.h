// Start-up: the three windows in their order, the settings, the source named on the
// command line.
#pragma once

#include <QStringList>
#include <memory>
#include <string>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "options/options_window.h"
#include "preview/preview_window.h"

namespace quillon {

struct ProgramWindows {
    // Destroyed in reverse: options, preview, then the main window.
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
};

// The application's title and font (start-up step 1, after the application exists).
void setUpApplication();

// Start-up steps 2 to 6: the main, preview and options windows, the settings, and the
// first argument put into the source field when it names an existing file.
std::unique_ptr<ProgramWindows> startProgram(const std::string& programFolder, Dialogs& dialogs,
                                             const QStringList& arguments);

// The folder of the running executable, with a trailing separator.
std::string executableFolder();

}  // namespace quillon
