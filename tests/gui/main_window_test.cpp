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
    TForm1& form() { return *program->form1; }
    static QString sep() { return QString(QChar::fromLatin1(kPathSeparator)); }

private slots:
    void initTestCase() { setUpApplication(); }
    void init() { makeProgramFolder(); }
    void cleanup() { stop(); }

    void clientAreaAndControlGeometry() {
        start();
        QCOMPARE(form().size(), QSize(539, 273));
        QVERIFY(!form().windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(form().srcIso->geometry(), QRect(4, 20, 233, 21));
        QCOMPARE(form().dstPbp->geometry(), QRect(4, 64, 233, 21));
        QCOMPARE(form().labelText->geometry(), QRect(4, 108, 259, 21));
        QCOMPARE(form().saveTitle->geometry(), QRect(4, 152, 259, 21));
        QCOMPARE(form().saveID_l->geometry(), QRect(4, 196, 89, 21));
        QCOMPARE(form().saveID->geometry(), QRect(96, 196, 167, 21));
        QCOMPARE(form().Options->geometry(), QRect(4, 226, 75, 23));
        QCOMPARE(form().saveIso->geometry(), QRect(108, 226, 75, 23));
        QCOMPARE(form().convert->geometry(), QRect(188, 226, 75, 23));
        QCOMPARE(form().icon0->geometry(), QRect(276, 20, 233, 21));
        QCOMPARE(form().SpeedButton2->geometry(), QRect(512, 20, 23, 21));
        QCOMPARE(form().pic1->geometry(), QRect(276, 64, 233, 21));
        QCOMPARE(form().unknown->geometry(), QRect(276, 108, 233, 21));
        QCOMPARE(form().snd0->geometry(), QRect(276, 152, 233, 21));
        QCOMPARE(form().icon1->geometry(), QRect(276, 196, 233, 21));
        QCOMPARE(form().SpeedButton6->geometry(), QRect(512, 196, 23, 21));
        QCOMPARE(form().palFix->geometry(), QRect(276, 228, 81, 17));
        QCOMPARE(form().preview->geometry(), QRect(460, 226, 75, 23));
        QCOMPARE(form().Label12->geometry(), QRect(420, 4, 89, 13));
        QCOMPARE(form().Label13->geometry(), QRect(416, 48, 93, 13));
        QCOMPARE(form().StatusBar1->geometry(), QRect(0, 254, 539, 19));
        QCOMPARE(form().Label5->pos(), QPoint(4, 4));
        QCOMPARE(form().Label7->pos(), QPoint(4, 180));
        QCOMPARE(form().region->geometry().right() + 1, 263);
    }

    void captionsAreVerbatim() {
        start();
        QCOMPARE(form().Label5->text(), QStringLiteral("选择ISO/PBP目录:\u3000\u3000"));
        QCOMPARE(form().Label6->text(), QStringLiteral("PBP输出目录:\u3000\u3000"));
        QCOMPARE(form().Label4->text(), QStringLiteral("游戏名称:\u3000\u3000"));
        QCOMPARE(form().region->text(), QStringLiteral("\u3000区域: [?]"));
        QCOMPARE(form().Label11->text(), QStringLiteral("存档名称:\u3000\u3000"));
        QCOMPARE(form().Label7->text(), QStringLiteral("存档ID:\u3000\u3000"));
        QCOMPARE(form().Label2->text(), QStringLiteral("图标目录:\u3000\u3000"));
        QCOMPARE(form().Label1->text(), QStringLiteral("背景图目录:\u3000\u3000"));
        QCOMPARE(form().Label3->text(), QStringLiteral("信息图目录:\u3000\u3000"));
        QCOMPARE(form().Label9->text(), QStringLiteral("背景音乐目录:\u3000\u3000"));
        QCOMPARE(form().Label8->text(), QStringLiteral("动画图标:\u3000\u3000"));
        QCOMPARE(form().Options->text(), QStringLiteral("设置..."));
        QCOMPARE(form().saveIso->text(), QStringLiteral("转换为ISO"));
        QCOMPARE(form().convert->text(), QStringLiteral("转换"));
        QCOMPARE(form().preview->text(), QStringLiteral("预览"));
        QCOMPARE(form().palFix->text(), QStringLiteral("PAL转NTSC"));
        QVERIFY(!form().palFix->isChecked());
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Quillon"));
    }

    void prefixListAndLengthLimits() {
        start();
        QComboBox* box = form().saveID_l;
        QCOMPARE(box->count(), 11);
        QCOMPARE(box->currentIndex(), 0);
        QCOMPARE(box->currentText(), QString());
        const QStringList expected{"", "SCUS", "SLUS", "SCES", "SLES", "SLPS", "SLPM", "PBPX", "SLED", "SCED", "SCPS"};
        for (int i = 0; i < box->count(); ++i) QCOMPARE(box->itemText(i), expected[i]);
        QVERIFY(box->isEditable());
        // The limits hold for typing; a text the program sets is taken whole.
        QTest::keyClicks(box->lineEdit(), "SLUSX");
        QCOMPARE(box->currentText(), QStringLiteral("SLUS"));
        QTest::keyClicks(form().saveID, "0123456");
        QCOMPARE(form().saveID->text(), QStringLiteral("01234"));
        form().fields().setText(Field::discIdNumber, "0123456");
        QCOMPARE(form().saveID->text(), QStringLiteral("0123456"));
    }

    void fieldsTakeNoLineBreak() {
        start();
        form().labelText->setText("Title");
        form().labelText->setCursorPosition(5);
        QApplication::clipboard()->setText("\nfolderOption=3");
        form().labelText->paste();
        QCOMPARE(form().labelText->text(), QStringLiteral("Title"));
    }

    void reactivatingTheWindowKeepsTheCaret() {
        start();
        form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&form()));
        form().pic1->setText("/art/pic1.png");
        form().pic1->setFocus(Qt::TabFocusReason);
        form().pic1->caretToEnd();  // as a picker leaves it
        QFocusEvent reactivated(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(form().pic1, &reactivated);
        QVERIFY(!form().pic1->hasSelectedText());
        QCOMPARE(form().pic1->cursorPosition(), form().pic1->text().size());
    }

    void tabOrderFollowsTheFields() {
        start();
        QWidget* expected[] = {form().srcIso,   form().dstPbp, form().labelText, form().saveTitle,
                               form().saveID_l, form().saveID, form().Options,   form().saveIso,
                               form().convert,  form().icon0,  form().pic1,      form().unknown,
                               form().snd0,     form().icon1,  form().palFix,    form().preview};
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
        form().srcIso->setText("/some/source.iso");
        form().srcIso->setCursorPosition(3);
        form().labelText->setText("A Title");
        form().labelText->setFocus(Qt::TabFocusReason);
        QCOMPARE(form().labelText->selectedText(), QStringLiteral("A Title"));
        form().srcIso->setFocus(Qt::TabFocusReason);
        QVERIFY(!form().srcIso->hasSelectedText());
        QCOMPARE(form().srcIso->cursorPosition(), 3);
    }

    void firstArgumentNamingAFileFillsTheSource() {
        const std::string image = dir->write("game.iso", std::string(100, 'x'));
        start({QString::fromStdString(image), "ignored"});
        QCOMPARE(form().srcIso->text(), QString::fromStdString(image));
        QCOMPARE(form().srcIso->cursorPosition(), form().srcIso->text().size());
        program.reset();
        start({QString::fromStdString(dir->folder())});
        QCOMPARE(form().srcIso->text(), QString());
        program.reset();
        start({QString::fromStdString(dir->file("missing.iso"))});
        QCOMPARE(form().srcIso->text(), QString());
        QVERIFY(dialogs.messages.empty());
    }

    void settingsAreLoadedAtStart() {
        dir->write("Files/options.ini", "[Options]\r\ndefIsoFolder=/isos\r\nfolderOption=2\r\n");
        start();
        QCOMPARE(program->form4->defIsoFolder->text(), QStringLiteral("/isos"));
        QVERIFY(program->form4->folderOption3->isChecked());
        // The defaults reach the main window's fields only through source inspection.
        QCOMPARE(form().dstPbp->text(), QString());
    }

    void artworkPickersUseTheImageFolderOnlyForAnEmptyField() {
        dir->write("Files/options.ini", "[Options]\r\ndefImageFolder=/art\r\n");
        start();
        dialogs.fileAnswers = {QStringLiteral("/art/icon.png"), std::nullopt};
        form().SpeedButton2->click();
        QCOMPARE(dialogs.openRequests.back().filter, QStringLiteral("PNG Files|*.png"));
        QCOMPARE(dialogs.openRequests.back().initialDir, "/art" + sep());
        QCOMPARE(dialogs.openRequests.back().fileName, QString());
        QCOMPARE(form().icon0->text(), QStringLiteral("/art/icon.png"));
        QCOMPARE(form().icon0->cursorPosition(), form().icon0->text().size());

        form().OpenDialogDiv.initialDir = QStringLiteral("/left/by/previous");
        form().snd0->setText("/music/old.at3");
        form().SpeedButton7->click();  // cancelled
        QCOMPARE(dialogs.openRequests.back().filter, QStringLiteral("AT3 Files|*.at3"));
        QCOMPARE(dialogs.openRequests.back().fileName, QStringLiteral("/music/old.at3"));
        QCOMPARE(dialogs.openRequests.back().initialDir, QStringLiteral("/left/by/previous"));
        QCOMPARE(form().snd0->text(), QStringLiteral("/music/old.at3"));

        form().SpeedButton6->click();
        QCOMPARE(dialogs.openRequests.back().filter, QStringLiteral("PMF Files|*.pmf"));
    }

    void artworkPickerWithNoImageFolderOpensAtTheRoot() {
        start();
        form().SpeedButton1->click();
        QCOMPARE(dialogs.openRequests.back().initialDir, sep());
    }

    void sourcePickerPresetsTheSourceOrOpensTheDefaultFolder() {
        dir->write("Files/options.ini", "[Options]\r\ndefIsoFolder=/isos\r\n");
        start();
        const QString chosen = QString::fromStdString(dir->file("chosen.bin"));
        dialogs.fileAnswers = {chosen, std::nullopt};
        form().SpeedButton4->click();
        QCOMPARE(dialogs.openRequests.back().initialDir, QStringLiteral("/isos"));
        QVERIFY(dialogs.openRequests.back().filter.startsWith(
            "Supported Files|*.iso;*.img;*.bin;*.cue;*.chd;*.m3u;*.pbp|"));
        QCOMPARE(form().srcIso->text(), chosen);
        form().SpeedButton4->click();
        QCOMPARE(dialogs.openRequests.back().fileName, chosen);
        QCOMPARE(form().srcIso->text(), chosen);
    }

    void outputFolderBrowserAppendsTheGameFolder() {
        dir->write("Files/options.ini", "[Options]\r\nfolderOption=1\r\n");
        start();
        form().dstPbp->setText("/start");
        form().saveID_l->setEditText("SLUS");
        form().saveID->setText("01234");
        form().SpeedButton5->click();  // cancelled
        QCOMPARE(dialogs.folderRequests.back().title, QStringLiteral("Select output PBP folder:"));
        QCOMPARE(dialogs.folderRequests.back().startFolder, QStringLiteral("/start"));
        QCOMPARE(form().dstPbp->text(), QStringLiteral("/start"));
        dialogs.folderAnswers = {QStringLiteral("/psp")};
        form().SpeedButton5->click();
        QCOMPARE(form().dstPbp->text(), "/psp" + sep() + "SLUS01234");
        QCOMPARE(form().dstPbp->cursorPosition(), form().dstPbp->text().size());

        program->form4->folderOption1->setChecked(true);
        dialogs.folderAnswers = {QStringLiteral("/plain")};
        form().SpeedButton5->click();
        QCOMPARE(form().dstPbp->text(), QStringLiteral("/plain"));
    }

    void busyStateDisablesEverythingButTheRunningButtonAndOptions() {
        start();
        form().busy().begin(Operation::Extract);
        QCOMPARE(form().saveIso->text(), QStringLiteral("Abort"));
        QVERIFY(form().saveIso->isEnabled());
        QVERIFY(!form().convert->isEnabled());
        QVERIFY(!form().srcIso->isEnabled());
        QVERIFY(!form().SpeedButton4->isEnabled());
        QVERIFY(!form().palFix->isEnabled());
        QVERIFY(!form().preview->isEnabled());
        QVERIFY(!form().saveID_l->isEnabled());
        QVERIFY(form().Options->isEnabled());
        QCOMPARE(form().cursor().shape(), Qt::WaitCursor);
        form().busy().end();
        QCOMPARE(form().saveIso->text(), QStringLiteral("Extract ISO"));
        QCOMPARE(form().convert->text(), QStringLiteral("Convert"));
        QVERIFY(form().convert->isEnabled());
        QVERIFY(form().srcIso->isEnabled());
        QCOMPARE(form().StatusBar1->currentMessage(), QStringLiteral("Done."));
        QCOMPARE(form().cursor().shape(), Qt::ArrowCursor);
    }

    void abortClickedDuringAPumpedLoopStopsIt() {
        start();
        form().show();
        BusyState& busy = form().busy();
        busy.begin(Operation::Convert);
        QTimer::singleShot(50, form().convert, [this] { QTest::mouseClick(form().convert, Qt::LeftButton); });
        QElapsedTimer clock;
        clock.start();
        while (!busy.abortRequested() && clock.elapsed() < 5000) {
            form().fields();  // the operation's work between pumps
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QVERIFY(busy.abortRequested());
        QVERIFY(!form().convert->isEnabled());
        busy.end();
        QCOMPARE(form().StatusBar1->currentMessage(), QStringLiteral("User aborted."));
        QVERIFY(!busy.abortRequested());
        QVERIFY(form().convert->isEnabled());
        QVERIFY(form().saveIso->isEnabled());
        QCOMPARE(form().convert->text(), QStringLiteral("Convert"));
        QCOMPARE(form().saveIso->text(), QStringLiteral("Extract ISO"));
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
        QCOMPARE(form().region->text(), QStringLiteral("Game region: Europe"));
        QCOMPARE(form().region->geometry().right() + 1, 263);
        QCOMPARE(form().fields().text(Field::regionCaption), std::string("Game region: Europe"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
