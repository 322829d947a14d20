#include <QApplication>
#include <cstdio>
#include <string_view>

#include "gui/qt_text.h"
#include "gui/startup.h"

int main(int argc, char** argv) {
    // Answered before the application exists, so that it needs no display.
    if (argc > 1 && std::string_view(argv[1]) == "--version") {
        std::puts("Quillon " QUILLON_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    quillon::setUpApplication();
    quillon::SystemDialogs dialogs;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    const auto folder = quillon::ProgramFolder::forExecutable(quillon::executableFolder(), quillon::userHomeFolder());
    if (!folder) {
        dialogs.showMessage(nullptr, quillon::toQt(folder.error().message), QString::fromUtf8(quillon::kProgramTitle));
        return 1;
    }
    auto windows = quillon::startProgram(*folder, dialogs, arguments);
    windows->mainWindow->show();
    return app.exec();
}
