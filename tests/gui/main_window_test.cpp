#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "common/file_io.h"
#include "gui/child_named.h"
#include "gui/field_binding.h"
#include "gui/program_test.h"
#include "gui/startup.h"
#include "support/temp_folder.h"

using namespace quillon;
using quillon::testing::childNamed;

class MainWindowTest : public quillon::testing::ProgramTest {
    Q_OBJECT

private:
    MainWindow& form() { return *program->mainWindow; }
    static QString sep() { return QString(QChar::fromLatin1(kPathSeparator)); }

private slots:
    void initTestCase() { setUpApplication(); }
    void init() { makeProgramFolder(); }
    void cleanup() { stop(); }

    void clientAreaAndControlGeometry() {
        start();
        QCOMPARE(form().size(), QSize(539, 273));
        QVERIFY(!form().windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(childNamed<QLineEdit>(form(), "sourcePathEdit")->geometry(), QRect(4, 20, 233, 21));
        QCOMPARE(childNamed<QLineEdit>(form(), "outputFolderEdit")->geometry(), QRect(4, 64, 233, 21));
        QCOMPARE(childNamed<QLineEdit>(form(), "titleEdit")->geometry(), QRect(4, 108, 259, 21));
        QCOMPARE(childNamed<QLineEdit>(form(), "saveTitleEdit")->geometry(), QRect(4, 152, 259, 21));
        QCOMPARE(childNamed<QComboBox>(form(), "discIdPrefixCombo")->geometry(), QRect(4, 196, 89, 21));
        QCOMPARE(childNamed<QLineEdit>(form(), "discIdNumberEdit")->geometry(), QRect(96, 196, 167, 21));
        QCOMPARE(childNamed<QPushButton>(form(), "optionsButton")->geometry(), QRect(4, 226, 75, 23));
        QCOMPARE(childNamed<QPushButton>(form(), "extractButton")->geometry(), QRect(108, 226, 75, 23));
        QCOMPARE(childNamed<QPushButton>(form(), "convertButton")->geometry(), QRect(188, 226, 75, 23));
        QCOMPARE(childNamed<QLineEdit>(form(), "icon0Edit")->geometry(), QRect(276, 20, 233, 21));
        QCOMPARE(childNamed<QToolButton>(form(), "browseIcon0Button")->geometry(), QRect(512, 20, 23, 21));
        QCOMPARE(childNamed<QLineEdit>(form(), "pic1Edit")->geometry(), QRect(276, 64, 233, 21));
        QCOMPARE(childNamed<QLineEdit>(form(), "pic0Edit")->geometry(), QRect(276, 108, 233, 21));
        QCOMPARE(childNamed<QLineEdit>(form(), "snd0Edit")->geometry(), QRect(276, 152, 233, 21));
        QCOMPARE(childNamed<QLineEdit>(form(), "icon1Edit")->geometry(), QRect(276, 196, 233, 21));
        QCOMPARE(childNamed<QToolButton>(form(), "browseIcon1Button")->geometry(), QRect(512, 196, 23, 21));
        QCOMPARE(childNamed<QCheckBox>(form(), "palFixCheckBox")->geometry(), QRect(276, 228, 81, 17));
        QCOMPARE(childNamed<QPushButton>(form(), "previewButton")->geometry(), QRect(460, 226, 75, 23));
        QCOMPARE(childNamed<QLabel>(form(), "icon0NameLabel")->geometry(), QRect(420, 4, 89, 13));
        QCOMPARE(childNamed<QLabel>(form(), "pic1NameLabel")->geometry(), QRect(416, 48, 93, 13));
        QCOMPARE(childNamed<QStatusBar>(form(), "statusLine")->geometry(), QRect(0, 254, 539, 19));
        QCOMPARE(childNamed<QLabel>(form(), "sourcePathLabel")->pos(), QPoint(4, 4));
        QCOMPARE(childNamed<QLabel>(form(), "discIdLabel")->pos(), QPoint(4, 180));
        QCOMPARE(childNamed<QLabel>(form(), "regionLabel")->geometry().right() + 1, 263);
    }

    void captionsAreVerbatim() {
        start();
        QCOMPARE(childNamed<QLabel>(form(), "sourcePathLabel")->text(), QStringLiteral("选择ISO/PBP目录:\u3000\u3000"));
        QCOMPARE(childNamed<QLabel>(form(), "outputFolderLabel")->text(), QStringLiteral("PBP输出目录:\u3000\u3000"));
        QCOMPARE(childNamed<QLabel>(form(), "titleLabel")->text(), QStringLiteral("游戏名称:\u3000\u3000"));
        QCOMPARE(childNamed<QLabel>(form(), "regionLabel")->text(), QStringLiteral("\u3000区域: [?]"));
        QCOMPARE(childNamed<QLabel>(form(), "saveTitleLabel")->text(), QStringLiteral("存档名称:\u3000\u3000"));
        QCOMPARE(childNamed<QLabel>(form(), "discIdLabel")->text(), QStringLiteral("存档ID:\u3000\u3000"));
        QCOMPARE(childNamed<QLabel>(form(), "icon0Label")->text(), QStringLiteral("图标目录:\u3000\u3000"));
        QCOMPARE(childNamed<QLabel>(form(), "pic1Label")->text(), QStringLiteral("背景图目录:\u3000\u3000"));
        QCOMPARE(childNamed<QLabel>(form(), "pic0Label")->text(), QStringLiteral("信息图目录:\u3000\u3000"));
        QCOMPARE(childNamed<QLabel>(form(), "snd0Label")->text(), QStringLiteral("背景音乐目录:\u3000\u3000"));
        QCOMPARE(childNamed<QLabel>(form(), "icon1Label")->text(), QStringLiteral("动画图标:\u3000\u3000"));
        QCOMPARE(childNamed<QPushButton>(form(), "optionsButton")->text(), QStringLiteral("设置..."));
        QCOMPARE(childNamed<QPushButton>(form(), "extractButton")->text(), QStringLiteral("转换为ISO"));
        QCOMPARE(childNamed<QPushButton>(form(), "convertButton")->text(), QStringLiteral("转换"));
        QCOMPARE(childNamed<QPushButton>(form(), "previewButton")->text(), QStringLiteral("预览"));
        QCOMPARE(childNamed<QCheckBox>(form(), "palFixCheckBox")->text(), QStringLiteral("PAL转NTSC"));
        QVERIFY(!childNamed<QCheckBox>(form(), "palFixCheckBox")->isChecked());
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Quillon"));
    }

    void prefixListAndLengthLimits() {
        start();
        QComboBox* box = childNamed<QComboBox>(form(), "discIdPrefixCombo");
        QCOMPARE(box->count(), 11);
        QCOMPARE(box->currentIndex(), 0);
        QCOMPARE(box->currentText(), QString());
        const QStringList expected{"", "SCUS", "SLUS", "SCES", "SLES", "SLPS", "SLPM", "PBPX", "SLED", "SCED", "SCPS"};
        for (int i = 0; i < box->count(); ++i) QCOMPARE(box->itemText(i), expected[i]);
        QVERIFY(box->isEditable());
        // The limits hold for typing; a text the program sets is taken whole.
        QTest::keyClicks(box->lineEdit(), "SLUSX");
        QCOMPARE(box->currentText(), QStringLiteral("SLUS"));
        QTest::keyClicks(childNamed<QLineEdit>(form(), "discIdNumberEdit"), "0123456");
        QCOMPARE(childNamed<QLineEdit>(form(), "discIdNumberEdit")->text(), QStringLiteral("01234"));
        form().fields().setText(Field::discIdNumber, "0123456");
        QCOMPARE(childNamed<QLineEdit>(form(), "discIdNumberEdit")->text(), QStringLiteral("0123456"));
    }

    void fieldsTakeNoLineBreak() {
        start();
        childNamed<QLineEdit>(form(), "titleEdit")->setText("Title");
        childNamed<QLineEdit>(form(), "titleEdit")->setCursorPosition(5);
        QApplication::clipboard()->setText("\nfolderOption=3");
        childNamed<QLineEdit>(form(), "titleEdit")->paste();
        QCOMPARE(childNamed<QLineEdit>(form(), "titleEdit")->text(), QStringLiteral("Title"));
    }

    void reactivatingTheWindowKeepsTheCaret() {
        start();
        form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&form()));
        childNamed<QLineEdit>(form(), "pic1Edit")->setText("/art/pic1.png");
        childNamed<QLineEdit>(form(), "pic1Edit")->setFocus(Qt::TabFocusReason);
        form().fields().caretToEnd(Field::pic1);  // as a picker leaves it
        QFocusEvent reactivated(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(childNamed<QLineEdit>(form(), "pic1Edit"), &reactivated);
        QVERIFY(!childNamed<QLineEdit>(form(), "pic1Edit")->hasSelectedText());
        QCOMPARE(childNamed<QLineEdit>(form(), "pic1Edit")->cursorPosition(),
                 childNamed<QLineEdit>(form(), "pic1Edit")->text().size());
    }

    void tabOrderFollowsTheFields() {
        start();
        QWidget* expected[] = {
            childNamed<QLineEdit>(form(), "sourcePathEdit"),    childNamed<QLineEdit>(form(), "outputFolderEdit"),
            childNamed<QLineEdit>(form(), "titleEdit"),         childNamed<QLineEdit>(form(), "saveTitleEdit"),
            childNamed<QComboBox>(form(), "discIdPrefixCombo"), childNamed<QLineEdit>(form(), "discIdNumberEdit"),
            childNamed<QPushButton>(form(), "optionsButton"),   childNamed<QPushButton>(form(), "extractButton"),
            childNamed<QPushButton>(form(), "convertButton"),   childNamed<QLineEdit>(form(), "icon0Edit"),
            childNamed<QLineEdit>(form(), "pic1Edit"),          childNamed<QLineEdit>(form(), "pic0Edit"),
            childNamed<QLineEdit>(form(), "snd0Edit"),          childNamed<QLineEdit>(form(), "icon1Edit"),
            childNamed<QCheckBox>(form(), "palFixCheckBox"),    childNamed<QPushButton>(form(), "previewButton")};
        for (std::size_t i = 1; i < std::size(expected); ++i) {
            QWidget* next = expected[i - 1]->nextInFocusChain();
            while (next && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
            // The combo box's own line edit sits inside it in the chain.
            if (next && next->parentWidget() == expected[i - 1]) next = next->nextInFocusChain();
            QCOMPARE(next, expected[i]);
        }
    }

    void focusSelectsTheWholeTextExceptInSourceAndIcon() {
        start();
        form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&form()));
        childNamed<QLineEdit>(form(), "sourcePathEdit")->setText("/some/source.iso");
        childNamed<QLineEdit>(form(), "sourcePathEdit")->setCursorPosition(3);
        childNamed<QLineEdit>(form(), "titleEdit")->setText("A Title");
        childNamed<QLineEdit>(form(), "titleEdit")->setFocus(Qt::TabFocusReason);
        QCOMPARE(childNamed<QLineEdit>(form(), "titleEdit")->selectedText(), QStringLiteral("A Title"));
        childNamed<QLineEdit>(form(), "sourcePathEdit")->setFocus(Qt::TabFocusReason);
        QVERIFY(!childNamed<QLineEdit>(form(), "sourcePathEdit")->hasSelectedText());
        QCOMPARE(childNamed<QLineEdit>(form(), "sourcePathEdit")->cursorPosition(), 3);
    }

    void firstArgumentNamingAFileFillsTheSource() {
        const std::string image = dir->write("game.iso", std::string(100, 'x'));
        start({QString::fromStdString(image), "ignored"});
        QCOMPARE(childNamed<QLineEdit>(form(), "sourcePathEdit")->text(), QString::fromStdString(image));
        QCOMPARE(childNamed<QLineEdit>(form(), "sourcePathEdit")->cursorPosition(),
                 childNamed<QLineEdit>(form(), "sourcePathEdit")->text().size());
        program.reset();
        start({QString::fromStdString(dir->folder())});
        QCOMPARE(childNamed<QLineEdit>(form(), "sourcePathEdit")->text(), QString());
        program.reset();
        start({QString::fromStdString(dir->file("missing.iso"))});
        QCOMPARE(childNamed<QLineEdit>(form(), "sourcePathEdit")->text(), QString());
        QVERIFY(dialogs.messages.empty());
    }

    void settingsAreLoadedAtStart() {
        dir->write("Files/options.ini", "[Options]\r\ndefIsoFolder=/isos\r\nfolderOption=2\r\n");
        start();
        QCOMPARE(childNamed<QLineEdit>(*program->optionsWindow, "sourceFolderEdit")->text(), QStringLiteral("/isos"));
        QVERIFY(childNamed<QRadioButton>(*program->optionsWindow, "titleFolderRadio")->isChecked());
        // The defaults reach the main window's fields only through source inspection.
        QCOMPARE(childNamed<QLineEdit>(form(), "outputFolderEdit")->text(), QString());
    }

    void artworkPickersUseTheImageFolderOnlyForAnEmptyField() {
        dir->write("Files/options.ini", "[Options]\r\ndefImageFolder=/art\r\n");
        start();
        dialogs.fileAnswers = {QStringLiteral("/art/icon.png"), std::nullopt};
        childNamed<QToolButton>(form(), "browseIcon0Button")->click();
        QCOMPARE(dialogs.openRequests.back().filter, QStringLiteral("PNG Files|*.png"));
        QCOMPARE(dialogs.openRequests.back().initialDir, "/art" + sep());
        QCOMPARE(dialogs.openRequests.back().fileName, QString());
        QCOMPARE(childNamed<QLineEdit>(form(), "icon0Edit")->text(), QStringLiteral("/art/icon.png"));
        QCOMPARE(childNamed<QLineEdit>(form(), "icon0Edit")->cursorPosition(),
                 childNamed<QLineEdit>(form(), "icon0Edit")->text().size());

        // A filled field leaves the dialog's folder where the last picker left it.
        form().fields().setText(Field::imageFolder, "/elsewhere");
        childNamed<QLineEdit>(form(), "snd0Edit")->setText("/music/old.at3");
        childNamed<QToolButton>(form(), "browseSnd0Button")->click();  // cancelled
        QCOMPARE(dialogs.openRequests.back().filter, QStringLiteral("AT3 Files|*.at3"));
        QCOMPARE(dialogs.openRequests.back().fileName, QStringLiteral("/music/old.at3"));
        QCOMPARE(dialogs.openRequests.back().initialDir, "/art" + sep());
        QCOMPARE(childNamed<QLineEdit>(form(), "snd0Edit")->text(), QStringLiteral("/music/old.at3"));

        childNamed<QToolButton>(form(), "browseIcon1Button")->click();
        QCOMPARE(dialogs.openRequests.back().filter, QStringLiteral("PMF Files|*.pmf"));
    }

    void artworkPickerWithNoImageFolderOpensAtTheRoot() {
        start();
        childNamed<QToolButton>(form(), "browsePic1Button")->click();
        QCOMPARE(dialogs.openRequests.back().initialDir, sep());
    }

    void sourcePickerPresetsTheSourceOrOpensTheDefaultFolder() {
        dir->write("Files/options.ini", "[Options]\r\ndefIsoFolder=/isos\r\n");
        start();
        const QString chosen = QString::fromStdString(dir->file("chosen.bin"));
        dialogs.fileAnswers = {chosen, std::nullopt};
        childNamed<QToolButton>(form(), "browseSourceButton")->click();
        QCOMPARE(dialogs.openRequests.back().initialDir, QStringLiteral("/isos"));
        QVERIFY(dialogs.openRequests.back().filter.startsWith(
            "Supported Files|*.iso;*.img;*.bin;*.cue;*.chd;*.m3u;*.pbp|"));
        QCOMPARE(childNamed<QLineEdit>(form(), "sourcePathEdit")->text(), chosen);
        childNamed<QToolButton>(form(), "browseSourceButton")->click();
        QCOMPARE(dialogs.openRequests.back().fileName, chosen);
        QCOMPARE(childNamed<QLineEdit>(form(), "sourcePathEdit")->text(), chosen);
    }

    void outputFolderBrowserAppendsTheGameFolder() {
        dir->write("Files/options.ini", "[Options]\r\nfolderOption=1\r\n");
        start();
        childNamed<QLineEdit>(form(), "outputFolderEdit")->setText("/start");
        childNamed<QComboBox>(form(), "discIdPrefixCombo")->setEditText("SLUS");
        childNamed<QLineEdit>(form(), "discIdNumberEdit")->setText("01234");
        childNamed<QToolButton>(form(), "browseOutputFolderButton")->click();  // cancelled
        QCOMPARE(dialogs.folderRequests.back().title, QStringLiteral("Select output PBP folder:"));
        QCOMPARE(dialogs.folderRequests.back().startFolder, QStringLiteral("/start"));
        QCOMPARE(childNamed<QLineEdit>(form(), "outputFolderEdit")->text(), QStringLiteral("/start"));
        dialogs.folderAnswers = {QStringLiteral("/psp")};
        childNamed<QToolButton>(form(), "browseOutputFolderButton")->click();
        QCOMPARE(childNamed<QLineEdit>(form(), "outputFolderEdit")->text(), "/psp" + sep() + "SLUS01234");
        QCOMPARE(childNamed<QLineEdit>(form(), "outputFolderEdit")->cursorPosition(),
                 childNamed<QLineEdit>(form(), "outputFolderEdit")->text().size());

        childNamed<QRadioButton>(*program->optionsWindow, "noSubFolderRadio")->setChecked(true);
        dialogs.folderAnswers = {QStringLiteral("/plain")};
        childNamed<QToolButton>(form(), "browseOutputFolderButton")->click();
        QCOMPARE(childNamed<QLineEdit>(form(), "outputFolderEdit")->text(), QStringLiteral("/plain"));
    }

    void busyStateDisablesEverythingButTheRunningButtonAndOptions() {
        start();
        form().busy().begin(Operation::Extract);
        QCOMPARE(childNamed<QPushButton>(form(), "extractButton")->text(), QStringLiteral("Abort"));
        QVERIFY(childNamed<QPushButton>(form(), "extractButton")->isEnabled());
        QVERIFY(!childNamed<QPushButton>(form(), "convertButton")->isEnabled());
        QVERIFY(!childNamed<QLineEdit>(form(), "sourcePathEdit")->isEnabled());
        QVERIFY(!childNamed<QToolButton>(form(), "browseSourceButton")->isEnabled());
        QVERIFY(!childNamed<QCheckBox>(form(), "palFixCheckBox")->isEnabled());
        QVERIFY(!childNamed<QPushButton>(form(), "previewButton")->isEnabled());
        QVERIFY(!childNamed<QComboBox>(form(), "discIdPrefixCombo")->isEnabled());
        QVERIFY(childNamed<QPushButton>(form(), "optionsButton")->isEnabled());
        QCOMPARE(form().cursor().shape(), Qt::WaitCursor);
        form().busy().end();
        QCOMPARE(childNamed<QPushButton>(form(), "extractButton")->text(), QStringLiteral("Extract ISO"));
        QCOMPARE(childNamed<QPushButton>(form(), "convertButton")->text(), QStringLiteral("Convert"));
        QVERIFY(childNamed<QPushButton>(form(), "convertButton")->isEnabled());
        QVERIFY(childNamed<QLineEdit>(form(), "sourcePathEdit")->isEnabled());
        QCOMPARE(childNamed<QStatusBar>(form(), "statusLine")->currentMessage(), QStringLiteral("Done."));
        QCOMPARE(form().cursor().shape(), Qt::ArrowCursor);
    }

    void abortClickedDuringAPumpedLoopStopsIt() {
        start();
        form().show();
        BusyState& busy = form().busy();
        busy.begin(Operation::Convert);
        QTimer::singleShot(50, childNamed<QPushButton>(form(), "convertButton"), [this] {
            QTest::mouseClick(childNamed<QPushButton>(form(), "convertButton"), Qt::LeftButton);
        });
        QElapsedTimer clock;
        clock.start();
        while (!busy.abortRequested() && clock.elapsed() < 5000) {
            form().fields();  // the operation's work between pumps
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QVERIFY(busy.abortRequested());
        QVERIFY(!childNamed<QPushButton>(form(), "convertButton")->isEnabled());
        busy.end();
        QCOMPARE(childNamed<QStatusBar>(form(), "statusLine")->currentMessage(), QStringLiteral("User aborted."));
        QVERIFY(!busy.abortRequested());
        QVERIFY(childNamed<QPushButton>(form(), "convertButton")->isEnabled());
        QVERIFY(childNamed<QPushButton>(form(), "extractButton")->isEnabled());
        QCOMPARE(childNamed<QPushButton>(form(), "convertButton")->text(), QStringLiteral("Convert"));
        QCOMPARE(childNamed<QPushButton>(form(), "extractButton")->text(), QStringLiteral("Extract ISO"));
    }

    void onlyTheFirstCodedErrorIsShown() {
        start();
        BusyState& busy = form().busy();
        busy.showError(ErrorCode::NoSource);
        busy.showError(ErrorCode::NoTitle);
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("You have to select a ISO file."));
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Error"));
    }

    void regionLabelKeepsItsRightEdge() {
        start();
        form().fields().setText(Field::regionCaption, "Game region: Europe");
        QCOMPARE(childNamed<QLabel>(form(), "regionLabel")->text(), QStringLiteral("Game region: Europe"));
        QCOMPARE(childNamed<QLabel>(form(), "regionLabel")->geometry().right() + 1, 263);
        QCOMPARE(form().fields().text(Field::regionCaption), std::string("Game region: Europe"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
