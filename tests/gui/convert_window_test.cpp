#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include "common/file_io.h"
#include "gui/child_named.h"
#include "gui/field_binding.h"
#include "gui/program_test.h"
#include "gui/startup.h"
#include "support/pbp_builder.h"
#include "support/temp_folder.h"

using namespace quillon;
using quillon::testing::childNamed;
using quillon::testing::ContainerRecipe;

class ConvertWindowTest : public quillon::testing::ProgramTest {
    Q_OBJECT

private:
    ContainerRecipe source;

    MainWindow& form() { return *program->mainWindow; }
    std::string outputFile() const { return dir->file("out") + kPathSeparator + "EBOOT.PBP"; }
    QString status() { return childNamed<QStatusBar>(form(), "statusLine")->currentMessage(); }

    // A .pbp chosen as source, then the fields typed in as a user would.
    void chooseSource() {
        const std::string path = dir->write("game.pbp", testing::buildContainer(source));
        childNamed<QLineEdit>(form(), "sourcePathEdit")->setText(QString::fromStdString(path));
        FieldState& fields = form().fields();
        for (Field field : {Field::icon0, Field::icon1, Field::pic0, Field::pic1, Field::snd0, Field::warning}) {
            fields.setText(field, "");
        }
        fields.setText(Field::outputFolder, dir->file("out"));
        fields.setText(Field::title, "New title");
        fields.setText(Field::saveTitle, "New save title");
        fields.setText(Field::discIdPrefix, "SLUS");
        fields.setText(Field::discIdNumber, "01234");
    }
    Bytes finishedContainer() const {
        ContainerRecipe parts = source;
        parts.title = "New title";
        parts.discId = "SLUS01234";
        parts.saveTitle = "New save title";
        parts.icon0 = parts.icon1 = parts.pic0 = parts.pic1 = parts.snd0 = {};
        parts.dataPsar = 0x50000;
        parts.imageDataPosition = kImageDataOffset;
        return testing::buildContainer(parts);
    }
    static Bytes fileBytes(const std::string& path) {
        const std::string text = testing::readFile(path);
        return Bytes(text.begin(), text.end());
    }

private slots:
    void initTestCase() { setUpApplication(); }
    void init() {
        makeProgramFolder();
        source = ContainerRecipe();
        start();
        form().show();
    }
    void cleanup() { stop(); }

    void convertingAPbpWritesTheFinishedContainer() {
        chooseSource();
        QTest::mouseClick(childNamed<QPushButton>(form(), "convertButton"), Qt::LeftButton);
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(status(), QStringLiteral("Done."));
        QVERIFY(fileBytes(outputFile()) == finishedContainer());
        QCOMPARE(childNamed<QPushButton>(form(), "convertButton")->text(), QStringLiteral("Convert"));
        QVERIFY(childNamed<QPushButton>(form(), "convertButton")->isEnabled());
        QVERIFY(childNamed<QLineEdit>(form(), "sourcePathEdit")->isEnabled());
    }

    void patchSummaryReplacesDone() {
        chooseSource();
        // One PAL code pattern in the image data.
        Bytes container = testing::buildContainer(source);
        const Bytes code{0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x91, 0x24};
        const std::uint32_t dataPsar = loadLe24(container.data() + 36);
        std::copy(code.begin(), code.end(), container.begin() + dataPsar + kImageDataOffset + 100);
        dir->write("game.pbp", container);
        childNamed<QCheckBox>(form(), "palFixCheckBox")->setChecked(true);
        QTest::mouseClick(childNamed<QPushButton>(form(), "convertButton"), Qt::LeftButton);
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(status(), QStringLiteral("Done. Patched iso in 1 place."));
    }

    void emptyTitleShowsItsErrorAndEndsWithDone() {
        chooseSource();
        childNamed<QLineEdit>(form(), "titleEdit")->setText(QString());
        QTest::mouseClick(childNamed<QPushButton>(form(), "convertButton"), Qt::LeftButton);
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("You have to set a game title."));
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Error"));
        QCOMPARE(status(), QStringLiteral("Done."));
        QVERIFY(!isFile(outputFile()));
    }

    void sourceThatIsTheOutputIsRefused() {
        chooseSource();
        std::filesystem::create_directories(dir->path() / "out");
        dir->write("out/EBOOT.PBP", testing::buildContainer(source));
        childNamed<QLineEdit>(form(), "sourcePathEdit")->setText(QString::fromStdString(outputFile()));
        form().fields().setText(Field::outputFolder, dir->file("out"));
        QTest::mouseClick(childNamed<QPushButton>(form(), "convertButton"), Qt::LeftButton);
        QCOMPARE(dialogs.messageTexts(),
                 QStringList{QStringLiteral("Source file and Destination file cannot be the same.")});
        QCOMPARE(status(), QStringLiteral("Done."));
    }

    void abortClickDuringTheCopyKeepsTheEarlierOutput() {
        chooseSource();
        std::filesystem::create_directories(dir->path() / "out");
        dir->write("out/EBOOT.PBP", std::string("earlier"));
        // Runs inside the copy's first pump, as a click on "Abort" would.
        QTimer::singleShot(0, childNamed<QPushButton>(form(), "convertButton"), [this] {
            QCOMPARE(childNamed<QPushButton>(form(), "convertButton")->text(), QStringLiteral("Abort"));
            QTest::mouseClick(childNamed<QPushButton>(form(), "convertButton"), Qt::LeftButton);
        });
        QTest::mouseClick(childNamed<QPushButton>(form(), "convertButton"), Qt::LeftButton);
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(status(), QStringLiteral("User aborted."));
        QCOMPARE(testing::readFile(outputFile()), std::string("earlier"));
        QCOMPARE(childNamed<QPushButton>(form(), "convertButton")->text(), QStringLiteral("Convert"));
        QVERIFY(childNamed<QPushButton>(form(), "convertButton")->isEnabled());
    }
};

QTEST_MAIN(ConvertWindowTest)
#include "convert_window_test.moc"
