#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

#include "common/file_io.h"
#include "gui/child_named.h"
#include "gui/program_test.h"
#include "gui/qt_text.h"
#include "gui/startup.h"
#include "support/pbp_builder.h"
#include "support/temp_folder.h"

using namespace quillon;
using quillon::testing::childNamed;

class InspectWindowTest : public quillon::testing::ProgramTest {
    Q_OBJECT

private:
    MainWindow& form() { return *program->mainWindow; }
    QString path(const std::string& relative) const { return toQt(dir->nativeFile(relative)); }
    static QString sep() { return QString(QChar::fromLatin1(kPathSeparator)); }

private slots:
    void initTestCase() { setUpApplication(); }
    void init() {
        makeProgramFolder();
        dir->write("Files/gameInfo.txt", "SLUS-01234;x;USA;Some Game [Disc 1]\r\n");
        dir->write("Files/options.ini",
                   "[Options]\r\ndefOutputFolder=/out\r\ndefPic1=/defaults/pic1.png\r\n"
                   "folderOption=1\r\n");
        dir->write("Files/base.pbp", testing::buildContainer({.startPicture = testing::bytesOf("base")}));
        dir->write("Pics/icon0/SLUS01234.png", "library icon0");
    }
    void cleanup() { stop(); }

    void anImageOnTheCommandLineFillsTheWindowBeforeItShows() {
        std::string image(70000, ' ');
        image.replace(2000, 11, "SLUS_012.34");
        const QString source = toQt(dir->write("game.bin", image));
        program = startProgram(ProgramFolder(dir->folder()), dialogs, {source});
        QVERIFY(!form().isVisible());
        QCOMPARE(childNamed<QLineEdit>(form(), "sourcePathEdit")->text(), source);
        QCOMPARE(childNamed<QLineEdit>(form(), "sourcePathEdit")->cursorPosition(), source.size());
        QCOMPARE(childNamed<QLineEdit>(form(), "titleEdit")->text(), QStringLiteral("Some Game [Disc 1]"));
        QCOMPARE(childNamed<QLineEdit>(form(), "saveTitleEdit")->text(), QStringLiteral("Some Game"));
        QCOMPARE(childNamed<QComboBox>(form(), "discIdPrefixCombo")->currentText(), QStringLiteral("SLUS"));
        QCOMPARE(childNamed<QLineEdit>(form(), "discIdNumberEdit")->text(), QStringLiteral("01234"));
        QCOMPARE(childNamed<QLabel>(form(), "regionLabel")->text(), QStringLiteral("Game region: USA"));
        QCOMPARE(childNamed<QLabel>(form(), "regionLabel")->geometry().right() + 1, 263);
        QCOMPARE(childNamed<QLineEdit>(form(), "outputFolderEdit")->text(),
                 QStringLiteral("/out") + sep() + QStringLiteral("SLUS01234"));
        QCOMPARE(childNamed<QLineEdit>(form(), "outputFolderEdit")->cursorPosition(),
                 childNamed<QLineEdit>(form(), "outputFolderEdit")->text().size());
        QCOMPARE(childNamed<QLineEdit>(form(), "icon0Edit")->text(), path("Pics/icon0/SLUS01234.png"));
        QCOMPARE(childNamed<QLineEdit>(form(), "icon0Edit")->cursorPosition(),
                 childNamed<QLineEdit>(form(), "icon0Edit")->text().size());
        QCOMPARE(childNamed<QLineEdit>(form(), "pic1Edit")->text(), QStringLiteral("/defaults/pic1.png"));
        QCOMPARE(childNamed<QLineEdit>(*program->optionsWindow, "warningEdit")->text(), path("warning.png"));
        QCOMPARE(toQt(testing::readFile(toUtf8(path("warning.png")))), QStringLiteral("base"));
        QVERIFY(dialogs.messages.empty());
    }

    void aContainerChosenInThePickerWritesItsArtworkOut() {
        start();
        const QString source = toQt(dir->write("game.PBP", testing::buildContainer({})));
        dialogs.fileAnswers.push_back(source);
        childNamed<QToolButton>(form(), "browseSourceButton")->click();
        QCOMPARE(childNamed<QLineEdit>(form(), "titleEdit")->text(), QStringLiteral("Test Game"));
        QCOMPARE(childNamed<QLineEdit>(form(), "saveTitleEdit")->text(), QStringLiteral("Test Save"));
        QCOMPARE(childNamed<QLabel>(form(), "regionLabel")->text(), QStringLiteral("Game region: USA"));
        QCOMPARE(childNamed<QLineEdit>(form(), "icon0Edit")->text(), path("Pics/icon0.png"));
        QCOMPARE(childNamed<QLineEdit>(form(), "pic0Edit")->text(), path("Pics/pic0.png"));
        QCOMPARE(childNamed<QLineEdit>(*program->optionsWindow, "warningEdit")->text(), path("Pics/warning.png"));
        QVERIFY(dialogs.messages.empty());
    }

    void aGameListInAnotherEncodingKeepsItsBytesAndShowsThemOneCharacterEach() {
        dir->write("Files/gameInfo.txt",
                   "SLUS-01234;x;Espa\xf1"
                   "a;Caf\xe9 Racer\r\n");
        std::string image(70000, ' ');
        image.replace(2000, 11, "SLUS_012.34");
        start({toQt(dir->write("game.bin", image))});
        QCOMPARE(childNamed<QLineEdit>(form(), "titleEdit")->text(), QStringLiteral("Caf\u00e9 Racer"));
        QCOMPARE(childNamed<QLabel>(form(), "regionLabel")->text(), QStringLiteral("Game region: Espa\u00f1a"));
        QCOMPARE(form().fields().text(Field::title), std::string("Caf\xe9 Racer"));
        QCOMPARE(form().fields().text(Field::saveTitle), std::string("Caf\xe9 Racer"));
        // Typing changes the text, which then is UTF-8.
        childNamed<QLineEdit>(form(), "titleEdit")->setText(QStringLiteral("Caf\u00e9 Racer 2"));
        QCOMPARE(form().fields().text(Field::title), std::string("Caf\xc3\xa9 Racer 2"));
    }

    void aDamagedContainerIsReportedOnceUnderTheProgramTitle() {
        start();
        Bytes container = testing::buildContainer({});
        testing::setHeaderOffset(container, PbpSection::DataPsp, 0xFFFFFF);
        const QString source = toQt(dir->write("game.pbp", container));
        childNamed<QLineEdit>(form(), "sourcePathEdit")->setText(source);
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Quillon"));
        QCOMPARE(dialogs.messages[0].text,
                 QStringLiteral("The PBP file \"") + source + QStringLiteral("\" is damaged. Skipped: SND0.AT3."));
        QCOMPARE(childNamed<QLineEdit>(form(), "icon0Edit")->text(), path("Pics/icon0.png"));
    }
};

QTEST_MAIN(InspectWindowTest)
#include "inspect_source_window_test.moc"
