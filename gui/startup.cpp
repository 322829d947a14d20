#include "gui/startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

#include "common/file_io.h"
#include "gui/qt_text.h"
#include "state/default_fields.h"

namespace quillon {

void setUpApplication() {
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    // The desktop entry and the icon that an installed program has.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLON_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(QUILLON_APP_ID)));
    QFont font = QApplication::font();
    font.setPixelSize(11);  // 8 points at 96 dots per inch
    QApplication::setFont(font);
}

namespace {

void centreOnScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

}  // namespace

std::unique_ptr<ProgramWindows> startProgram(const ProgramFolder& folder, Dialogs& dialogs,
                                             const QStringList& arguments) {
    auto windows = std::make_unique<ProgramWindows>();
    windows->mainWindow = std::make_unique<MainWindow>(folder, dialogs);
    Session& session = windows->mainWindow->session();
    windows->previewWindow = std::make_unique<PreviewWindow>(session.folder(), session.fields());
    windows->optionsWindow = std::make_unique<OptionsWindow>(dialogs, session);
    for (QWidget* window : std::initializer_list<QWidget*>{windows->mainWindow.get(), windows->previewWindow.get(),
                                                           windows->optionsWindow.get()}) {
        centreOnScreen(window);
    }
    windows->mainWindow->attachWindows(windows->previewWindow.get(), windows->optionsWindow.get());
    windows->optionsWindow->loadOptions();
    if (!arguments.isEmpty() && isFile(toUtf8(arguments.first()))) {
        chooseSource(session.fields(), toUtf8(arguments.first()));
    }
    return windows;
}

std::string executableFolder() { return toUtf8(QDir::toNativeSeparators(QCoreApplication::applicationDirPath())); }

}  // namespace quillon
