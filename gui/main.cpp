#include <QApplication>

#include "gui/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    quillon::setUpApplication();
    quillon::SystemDialogs dialogs;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    auto windows = quillon::startProgram(quillon::executableFolder(), dialogs, arguments);
    windows->form1->show();
    return app.exec();
}
