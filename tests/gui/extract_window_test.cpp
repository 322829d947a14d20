#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include "common/file_io.h"
#include "gui/child_named.h"
#include "gui/program_test.h"
#include "support/disc_set.h"
#include "support/packed_container.h"

using namespace quillon;
using quillon::testing::childNamed;
using quillon::testing::TestContainer;

class ExtractWindowTest : public quillon::testing::ProgramTest {
    Q_OBJECT

private:
    MainWindow& form() { return *program->mainWindow; }
    QString path(const std::string& name) const { return QString::fromStdString(dir->file(name)); }

    // Starts the program with a container of `imageData` as source and the output
    // folder setting pointing at the test's folder.
    void startWith(const Bytes& imageData, const std::string& sourceName = "game.pbp") {
        TestContainer container;
        container.imageData = imageData;
        dir->write(sourceName, container.build());
        start();
        childNamed<QLineEdit>(form(), "sourcePathEdit")->setText(path(sourceName));
        childNamed<QLineEdit>(*program->optionsWindow, "defaultOutputFolderEdit")
            ->setText(QString::fromStdString(dir->folder()));
    }

    QString status() { return childNamed<QStatusBar>(form(), "statusLine")->currentMessage(); }

    void expectIdle() {
        QCOMPARE(childNamed<QPushButton>(form(), "extractButton")->text(), QStringLiteral("Extract ISO"));
        QCOMPARE(childNamed<QPushButton>(form(), "convertButton")->text(), QStringLiteral("Convert"));
        QVERIFY(childNamed<QPushButton>(form(), "extractButton")->isEnabled());
        QVERIFY(childNamed<QPushButton>(form(), "convertButton")->isEnabled());
        QVERIFY(childNamed<QLineEdit>(form(), "sourcePathEdit")->isEnabled());
    }

private slots:
    void initTestCase() { setUpApplication(); }
    void init() { makeProgramFolder(); }
    void cleanup() { stop(); }

    void buttonWritesTheImageAndTheDialogKeepsItsName() {
        const Bytes image = testing::randomBytes(100000);
        startWith(image);
        QCOMPARE(childNamed<QPushButton>(form(), "extractButton")->text(), QStringLiteral("转换为ISO"));
        dialogs.fileAnswers = {path("game")};

        childNamed<QPushButton>(form(), "extractButton")->click();

        QCOMPARE(testing::readFile(dir->file("game.iso")), std::string(image.begin(), image.end()));
        QCOMPARE(status(), QStringLiteral("Done."));
        expectIdle();
        QCOMPARE(dialogs.saveRequests.size(), std::size_t{1});
        QCOMPARE(dialogs.saveRequests[0].filter, QStringLiteral("ISO Files|*.ISO"));
        QCOMPARE(dialogs.saveRequests[0].initialDir, QString::fromStdString(dir->folder()));
        QVERIFY(dialogs.messages.empty());

        // The next run offers the last name; cancelling it writes nothing.
        std::filesystem::remove(dir->path() / "game.iso");
        childNamed<QPushButton>(form(), "extractButton")->click();
        QCOMPARE(dialogs.saveRequests.size(), std::size_t{2});
        QCOMPARE(dialogs.saveRequests[1].fileName, path("game"));
        QVERIFY(!isFile(dir->file("game.iso")));
        QCOMPARE(status(), QStringLiteral("Done."));
        expectIdle();
    }

    void abortButtonStopsTheCopy() {
        startWith(testing::randomBytes(10 * 65535));
        form().show();
        dir->write("game.iso", "earlier image");
        dialogs.fileAnswers = {path("game.iso")};
        bool disabledByTheAbortClick = false;
        QTimer::singleShot(0, childNamed<QPushButton>(form(), "extractButton"), [&] {
            QCOMPARE(childNamed<QPushButton>(form(), "extractButton")->text(), QStringLiteral("Abort"));
            QTest::mouseClick(childNamed<QPushButton>(form(), "extractButton"), Qt::LeftButton);
            disabledByTheAbortClick = !childNamed<QPushButton>(form(), "extractButton")->isEnabled();
        });

        childNamed<QPushButton>(form(), "extractButton")->click();

        QVERIFY(disabledByTheAbortClick);
        QCOMPARE(status(), QStringLiteral("User aborted."));
        QCOMPARE(testing::readFile(dir->file("game.iso")), std::string("earlier image"));
        expectIdle();
    }

    void appendedNameIsReplacedOnlyAfterAsking() {
        startWith(testing::randomBytes(1000));
        dir->write("game.iso", "earlier image");
        dialogs.fileAnswers = {path("game")};
        dialogs.confirmAnswers = {false};

        childNamed<QPushButton>(form(), "extractButton")->click();

        QCOMPARE(dialogs.questions.size(), std::size_t{1});
        QCOMPARE(dialogs.questions[0].text, "\"" + path("game.iso") + "\" already exists.\nDo you want to replace it?");
        QCOMPARE(testing::readFile(dir->file("game.iso")), std::string("earlier image"));
        QCOMPARE(status(), QStringLiteral("Done."));
        expectIdle();
    }

    void everyDiscOfSeveralIsWritten() {
        const Bytes first = testing::compressibleBytes(30 * kSectorSize, 1);
        const Bytes second = testing::compressibleBytes(20 * kSectorSize, 2);
        dir->write("game.pbp", testing::buildDiscSet({testing::testDisc(first, 9), testing::testDisc(second, 0)}));
        start();
        childNamed<QLineEdit>(form(), "sourcePathEdit")->setText(path("game.pbp"));
        dialogs.fileAnswers = {path("game.iso")};

        childNamed<QPushButton>(form(), "extractButton")->click();

        QVERIFY(dialogs.messages.empty());
        QCOMPARE(testing::readFile(dir->file("game (Disc 1).iso")), std::string(first.begin(), first.end()));
        QCOMPARE(testing::readFile(dir->file("game (Disc 2).iso")), std::string(second.begin(), second.end()));
        QVERIFY(!isFile(dir->file("game.iso")));
        QCOMPARE(status(), QStringLiteral("Done."));
        expectIdle();
    }

    void sourceThatIsNoPbpIsRefusedInAMessageBox() {
        startWith(testing::randomBytes(1000), "game.bin");
        childNamed<QPushButton>(form(), "extractButton")->click();
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("You have to select a PBP file."));
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Error"));
        QVERIFY(dialogs.saveRequests.empty());
        QCOMPARE(status(), QStringLiteral("Done."));
        expectIdle();
    }
};

QTEST_MAIN(ExtractWindowTest)
#include "extract_window_test.moc"
