// What the window tests share: a program started in a fresh temporary program folder
// (with its Files folder), with dialogs that the test answers.
#pragma once

#include <QObject>
#include <QStringList>
#include <filesystem>
#include <memory>

#include "gui/fake_dialogs.h"
#include "gui/startup.h"
#include "support/temp_folder.h"

namespace quillon::testing {

class ProgramTest : public QObject {
protected:
    std::unique_ptr<TempFolder> dir;
    FakeDialogs dialogs;
    std::unique_ptr<ProgramWindows> program;

    // A new, empty program folder and fresh dialogs; call from init().
    void makeProgramFolder() {
        dir = std::make_unique<TempFolder>();
        std::filesystem::create_directories(dir->path() / "Files");
        dialogs = FakeDialogs();
    }
    void start(const QStringList& arguments = {}) {
        program = startProgram(ProgramFolder(dir->folder()), dialogs, arguments);
    }
    // Ends the program and removes its folder; call from cleanup().
    void stop() {
        program.reset();
        dir.reset();
    }
};

}  // namespace quillon::testing
