#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "common/file_io.h"
#include "gui/field_binding.h"
#include "gui/line_edit.h"
#include "gui/program_test.h"
#include "gui/startup.h"
#include "support/temp_folder.h"

using namespace quillon;

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
        QCOMPARE(form().sourcePathEdit->geometry(), QRect(4, 20, 233, 21));
        QCOMPARE(form().outputFolderEdit->geometry(), QRect(4, 64, 233, 21));
        QCOMPARE(form().titleEdit->geometry(), QRect(4, 108, 259, 21));
        QCOMPARE(form().saveTitleEdit->geometry(), QRect(4, 152, 259, 21));
        QCOMPARE(form().discIdPrefixCombo->geometry(), QRect(4, 196, 89, 21));
        QCOMPARE(form().discIdNumberEdit->geometry(), QRect(96, 196, 167, 21));
        QCOMPARE(form().optionsButton->geometry(), QRect(4, 226, 75, 23));
        QCOMPARE(form().extractButton->geometry(), QRect(108, 226, 75, 23));
        QCOMPARE(form().convertButton->geometry(), QRect(188, 226, 75, 23));
        QCOMPARE(form().icon0Edit->geometry(), QRect(276, 20, 233, 21));
        QCOMPARE(form().browseIcon0Button->geometry(), QRect(512, 20, 23, 21));
        QCOMPARE(form().pic1Edit->geometry(), QRect(276, 64, 233, 21));
        QCOMPARE(form().pic0Edit->geometry(), QRect(276, 108, 233, 21));
        QCOMPARE(form().snd0Edit->geometry(), QRect(276, 152, 233, 21));
        QCOMPARE(form().icon1Edit->geometry(), QRect(276, 196, 233, 21));
        QCOMPARE(form().browseIcon1Button->geometry(), QRect(512, 196, 23, 21));
        QCOMPARE(form().palFixCheckBox->geometry(), QRect(276, 228, 81, 17));
        QCOMPARE(form().previewButton->geometry(), QRect(460, 226, 75, 23));
        QCOMPARE(form().icon0NameLabel->geometry(), QRect(420, 4, 89, 13));
        QCOMPARE(form().pic1NameLabel->geometry(), QRect(416, 48, 93, 13));
        QCOMPARE(form().statusLine->geometry(), QRect(0, 254, 539, 19));
        QCOMPARE(form().sourcePathLabel->pos(), QPoint(4, 4));
        QCOMPARE(form().discIdLabel->pos(), QPoint(4, 180));
        QCOMPARE(form().regionLabel->geometry().right() + 1, 263);
    }

    void captionsAreVerbatim() {
        start();
        QCOMPARE(form().sourcePathLabel->text(), QStringLiteral("选择ISO/PBP目录:\u3000\u3000"));
        QCOMPARE(form().outputFolderLabel->text(), QStringLiteral("PBP输出目录:\u3000\u3000"));
        QCOMPARE(form().titleLabel->text(), QStringLiteral("游戏名称:\u3000\u3000"));
        QCOMPARE(form().regionLabel->text(), QStringLiteral("\u3000区域: [?]"));
        QCOMPARE(form().saveTitleLabel->text(), QStringLiteral("存档名称:\u3000\u3000"));
        QCOMPARE(form().discIdLabel->text(), QStringLiteral("存档ID:\u3000\u3000"));
        QCOMPARE(form().icon0Label->text(), QStringLiteral("图标目录:\u3000\u3000"));
        QCOMPARE(form().pic1Label->text(), QStringLiteral("背景图目录:\u3000\u3000"));
        QCOMPARE(form().pic0Label->text(), QStringLiteral("信息图目录:\u3000\u3000"));
        QCOMPARE(form().snd0Label->text(), QStringLiteral("背景音乐目录:\u3000\u3000"));
        QCOMPARE(form().icon1Label->text(), QStringLiteral("动画图标:\u3000\u3000"));
        QCOMPARE(form().optionsButton->text(), QStringLiteral("设置..."));
        QCOMPARE(form().extractButton->text(), QStringLiteral("转换为ISO"));
        QCOMPARE(form().convertButton->text(), QStringLiteral("转换"));
        QCOMPARE(form().previewButton->text(), QStringLiteral("预览"));
        QCOMPARE(form().palFixCheckBox->text(), QStringLiteral("PAL转NTSC"));
        QVERIFY(!form().palFixCheckBox->isChecked());
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Quillon"));
    }

    void prefixListAndLengthLimits() {
        start();
        QComboBox* box = form().discIdPrefixCombo;
        QCOMPARE(box->count(), 11);
        QCOMPARE(box->currentIndex(), 0);
        QCOMPARE(box->currentText(), QString());
        const QStringList expected{"", "SCUS", "SLUS", "SCES", "SLES", "SLPS", "SLPM", "PBPX", "SLED", "SCED", "SCPS"};
        for (int i = 0; i < box->count(); ++i) QCOMPARE(box->itemText(i), expected[i]);
        QVERIFY(box->isEditable());
        // The limits hold for typing; a text the program sets is taken whole.
        QTest::keyClicks(box->lineEdit(), "SLUSX");
        QCOMPARE(box->currentText(), QStringLiteral("SLUS"));
        QTest::keyClicks(form().discIdNumberEdit, "0123456");
        QCOMPARE(form().discIdNumberEdit->text(), QStringLiteral("01234"));
        form().fields().setText(Field::discIdNumber, "0123456");
        QCOMPARE(form().discIdNumberEdit->text(), QStringLiteral("0123456"));
    }

    void fieldsTakeNoLineBreak() {
        start();
        form().titleEdit->setText("Title");
        form().titleEdit->setCursorPosition(5);
        QApplication::clipboard()->setText("\nfolderOption=3");
        form().titleEdit->paste();
        QCOMPARE(form().titleEdit->text(), QStringLiteral("Title"));
    }

    void reactivatingTheWindowKeepsTheCaret() {
        start();
        form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&form()));
        form().pic1Edit->setText("/art/pic1.png");
        form().pic1Edit->setFocus(Qt::TabFocusReason);
        form().pic1Edit->caretToEnd();  // as a picker leaves it
        QFocusEvent reactivated(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(form().pic1Edit, &reactivated);
        QVERIFY(!form().pic1Edit->hasSelectedText());
        QCOMPARE(form().pic1Edit->cursorPosition(), form().pic1Edit->text().size());
    }

    void tabOrderFollowsTheFields() {
        start();
        QWidget* expected[] = {
            form().sourcePathEdit,    form().outputFolderEdit, form().titleEdit,      form().saveTitleEdit,
            form().discIdPrefixCombo, form().discIdNumberEdit, form().optionsButton,  form().extractButton,
            form().convertButton,     form().icon0Edit,        form().pic1Edit,       form().pic0Edit,
            form().snd0Edit,          form().icon1Edit,        form().palFixCheckBox, form().previewButton};
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
        form().sourcePathEdit->setText("/some/source.iso");
        form().sourcePathEdit->setCursorPosition(3);
        form().titleEdit->setText("A Title");
        form().titleEdit->setFocus(Qt::TabFocusReason);
        QCOMPARE(form().titleEdit->selectedText(), QStringLiteral("A Title"));
        form().sourcePathEdit->setFocus(Qt::TabFocusReason);
        QVERIFY(!form().sourcePathEdit->hasSelectedText());
        QCOMPARE(form().sourcePathEdit->cursorPosition(), 3);
    }

    void firstArgumentNamingAFileFillsTheSource() {
        const std::string image = dir->write("game.iso", std::string(100, 'x'));
        start({QString::fromStdString(image), "ignored"});
        QCOMPARE(form().sourcePathEdit->text(), QString::fromStdString(image));
        QCOMPARE(form().sourcePathEdit->cursorPosition(), form().sourcePathEdit->text().size());
        program.reset();
        start({QString::fromStdString(dir->folder())});
        QCOMPARE(form().sourcePathEdit->text(), QString());
        program.reset();
        start({QString::fromStdString(dir->file("missing.iso"))});
        QCOMPARE(form().sourcePathEdit->text(), QString());
        QVERIFY(dialogs.messages.empty());
    }

    void settingsAreLoadedAtStart() {
        dir->write("Files/options.ini", "[Options]\r\ndefIsoFolder=/isos\r\nfolderOption=2\r\n");
        start();
        QCOMPARE(program->optionsWindow->sourceFolderEdit->text(), QStringLiteral("/isos"));
        QVERIFY(program->optionsWindow->titleFolderRadio->isChecked());
        // The defaults reach the main window's fields only through source inspection.
        QCOMPARE(form().outputFolderEdit->text(), QString());
    }

    void artworkPickersUseTheImageFolderOnlyForAnEmptyField() {
        dir->write("Files/options.ini", "[Options]\r\ndefImageFolder=/art\r\n");
        start();
        dialogs.fileAnswers = {QStringLiteral("/art/icon.png"), std::nullopt};
        form().browseIcon0Button->click();
        QCOMPARE(dialogs.openRequests.back().filter, QStringLiteral("PNG Files|*.png"));
        QCOMPARE(dialogs.openRequests.back().initialDir, "/art" + sep());
        QCOMPARE(dialogs.openRequests.back().fileName, QString());
        QCOMPARE(form().icon0Edit->text(), QStringLiteral("/art/icon.png"));
        QCOMPARE(form().icon0Edit->cursorPosition(), form().icon0Edit->text().size());

        form().artworkDialog.initialDir = QStringLiteral("/left/by/previous");
        form().snd0Edit->setText("/music/old.at3");
        form().browseSnd0Button->click();  // cancelled
        QCOMPARE(dialogs.openRequests.back().filter, QStringLiteral("AT3 Files|*.at3"));
        QCOMPARE(dialogs.openRequests.back().fileName, QStringLiteral("/music/old.at3"));
        QCOMPARE(dialogs.openRequests.back().initialDir, QStringLiteral("/left/by/previous"));
        QCOMPARE(form().snd0Edit->text(), QStringLiteral("/music/old.at3"));

        form().browseIcon1Button->click();
        QCOMPARE(dialogs.openRequests.back().filter, QStringLiteral("PMF Files|*.pmf"));
    }

    void artworkPickerWithNoImageFolderOpensAtTheRoot() {
        start();
        form().browsePic1Button->click();
        QCOMPARE(dialogs.openRequests.back().initialDir, sep());
    }

    void sourcePickerPresetsTheSourceOrOpensTheDefaultFolder() {
        dir->write("Files/options.ini", "[Options]\r\ndefIsoFolder=/isos\r\n");
        start();
        const QString chosen = QString::fromStdString(dir->file("chosen.bin"));
        dialogs.fileAnswers = {chosen, std::nullopt};
        form().browseSourceButton->click();
        QCOMPARE(dialogs.openRequests.back().initialDir, QStringLiteral("/isos"));
        QVERIFY(dialogs.openRequests.back().filter.startsWith(
            "Supported Files|*.iso;*.img;*.bin;*.cue;*.chd;*.m3u;*.pbp|"));
        QCOMPARE(form().sourcePathEdit->text(), chosen);
        form().browseSourceButton->click();
        QCOMPARE(dialogs.openRequests.back().fileName, chosen);
        QCOMPARE(form().sourcePathEdit->text(), chosen);
    }

    void outputFolderBrowserAppendsTheGameFolder() {
        dir->write("Files/options.ini", "[Options]\r\nfolderOption=1\r\n");
        start();
        form().outputFolderEdit->setText("/start");
        form().discIdPrefixCombo->setEditText("SLUS");
        form().discIdNumberEdit->setText("01234");
        form().browseOutputFolderButton->click();  // cancelled
        QCOMPARE(dialogs.folderRequests.back().title, QStringLiteral("Select output PBP folder:"));
        QCOMPARE(dialogs.folderRequests.back().startFolder, QStringLiteral("/start"));
        QCOMPARE(form().outputFolderEdit->text(), QStringLiteral("/start"));
        dialogs.folderAnswers = {QStringLiteral("/psp")};
        form().browseOutputFolderButton->click();
        QCOMPARE(form().outputFolderEdit->text(), "/psp" + sep() + "SLUS01234");
        QCOMPARE(form().outputFolderEdit->cursorPosition(), form().outputFolderEdit->text().size());

        program->optionsWindow->noSubFolderRadio->setChecked(true);
        dialogs.folderAnswers = {QStringLiteral("/plain")};
        form().browseOutputFolderButton->click();
        QCOMPARE(form().outputFolderEdit->text(), QStringLiteral("/plain"));
    }

    void busyStateDisablesEverythingButTheRunningButtonAndOptions() {
        start();
        form().busy().begin(Operation::Extract);
        QCOMPARE(form().extractButton->text(), QStringLiteral("Abort"));
        QVERIFY(form().extractButton->isEnabled());
        QVERIFY(!form().convertButton->isEnabled());
        QVERIFY(!form().sourcePathEdit->isEnabled());
        QVERIFY(!form().browseSourceButton->isEnabled());
        QVERIFY(!form().palFixCheckBox->isEnabled());
        QVERIFY(!form().previewButton->isEnabled());
        QVERIFY(!form().discIdPrefixCombo->isEnabled());
        QVERIFY(form().optionsButton->isEnabled());
        QCOMPARE(form().cursor().shape(), Qt::WaitCursor);
        form().busy().end();
        QCOMPARE(form().extractButton->text(), QStringLiteral("Extract ISO"));
        QCOMPARE(form().convertButton->text(), QStringLiteral("Convert"));
        QVERIFY(form().convertButton->isEnabled());
        QVERIFY(form().sourcePathEdit->isEnabled());
        QCOMPARE(form().statusLine->currentMessage(), QStringLiteral("Done."));
        QCOMPARE(form().cursor().shape(), Qt::ArrowCursor);
    }

    void abortClickedDuringAPumpedLoopStopsIt() {
        start();
        form().show();
        BusyState& busy = form().busy();
        busy.begin(Operation::Convert);
        QTimer::singleShot(50, form().convertButton,
                           [this] { QTest::mouseClick(form().convertButton, Qt::LeftButton); });
        QElapsedTimer clock;
        clock.start();
        while (!busy.abortRequested() && clock.elapsed() < 5000) {
            form().fields();  // the operation's work between pumps
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QVERIFY(busy.abortRequested());
        QVERIFY(!form().convertButton->isEnabled());
        busy.end();
        QCOMPARE(form().statusLine->currentMessage(), QStringLiteral("User aborted."));
        QVERIFY(!busy.abortRequested());
        QVERIFY(form().convertButton->isEnabled());
        QVERIFY(form().extractButton->isEnabled());
        QCOMPARE(form().convertButton->text(), QStringLiteral("Convert"));
        QCOMPARE(form().extractButton->text(), QStringLiteral("Extract ISO"));
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
        QCOMPARE(form().regionLabel->text(), QStringLiteral("Game region: Europe"));
        QCOMPARE(form().regionLabel->geometry().right() + 1, 263);
        QCOMPARE(form().fields().text(Field::regionCaption), std::string("Game region: Europe"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
