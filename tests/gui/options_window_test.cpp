#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QUrlQuery>
#include <QtTest>

#include "gui/field_binding.h"
#include "gui/line_edit.h"
#include "gui/program_test.h"

using namespace quillon;
using quillon::testing::readFile;

class OptionsWindowTest : public quillon::testing::ProgramTest {
    Q_OBJECT

private:
    TForm4& options() { return *program->form4; }
    std::string iniPath() const { return dir->file("Files/options.ini"); }

private slots:
    void initTestCase() { setUpApplication(); }
    void init() {
        makeProgramFolder();
        start();
    }
    void cleanup() { stop(); }

    void windowAndLayout() {
        QCOMPARE(options().size(), QSize(539, 335));
        QCOMPARE(options().windowTitle(), QStringLiteral("Options"));
        QVERIFY(options().windowFlags().testFlag(Qt::Tool));
        QVERIFY(options().isHidden());
        const std::pair<QWidget*, QRect> geometries[] = {
            {options().defIsoFolder, {4, 20, 233, 21}},    {options().SpeedButton2, {240, 20, 23, 21}},
            {options().defOutput, {4, 64, 233, 21}},       {options().SpeedButton10, {240, 64, 23, 21}},
            {options().defImageFolder, {4, 108, 233, 21}}, {options().SpeedButton1, {240, 108, 23, 21}},
            {options().Compression, {4, 152, 259, 21}},    {options().GroupBox1, {4, 180, 259, 117}},
            {options().folderOption1, {8, 20, 145, 17}},   {options().folderOption2, {8, 44, 157, 17}},
            {options().folderOption3, {8, 68, 157, 17}},   {options().folderOption4, {8, 92, 153, 17}},
            {options().warning, {276, 20, 233, 21}},       {options().SpeedButton8, {512, 20, 23, 21}},
            {options().defWarning, {276, 64, 233, 21}},    {options().SpeedButton9, {512, 64, 23, 21}},
            {options().Label12, {444, 88, 65, 13}},        {options().defIcon0, {276, 104, 233, 21}},
            {options().SpeedButton4, {512, 104, 23, 21}},  {options().Label13, {456, 132, 53, 13}},
            {options().defPic1, {276, 148, 233, 21}},      {options().SpeedButton3, {512, 148, 23, 21}},
            {options().Label14, {456, 172, 53, 13}},       {options().defUnknown, {276, 188, 233, 21}},
            {options().SpeedButton5, {512, 188, 23, 21}},  {options().Label15, {452, 216, 57, 13}},
            {options().defSnd0, {276, 232, 233, 21}},      {options().SpeedButton7, {512, 232, 23, 21}},
            {options().Label16, {448, 260, 61, 13}},       {options().defIcon1, {276, 276, 233, 21}},
            {options().SpeedButton6, {512, 276, 23, 21}},  {options().donate, {276, 308, 97, 23}},
            {options().cancel, {380, 308, 75, 23}},        {options().save, {460, 308, 75, 23}},
        };
        for (const auto& [widget, rect] : geometries) {
            QVERIFY2(widget->geometry() == rect, qPrintable(widget->objectName()));
        }
        const std::pair<QLabel*, QPoint> labels[] = {
            {options().Label1, {4, 4}},     {options().Label7, {4, 48}},    {options().Label2, {4, 92}},
            {options().Label10, {4, 136}},  {options().Label17, {276, 4}},  {options().Label6, {276, 48}},
            {options().Label4, {276, 88}},  {options().Label3, {276, 132}}, {options().Label5, {276, 172}},
            {options().Label9, {276, 216}}, {options().Label8, {276, 260}},
        };
        for (const auto& [label, position] : labels) {
            QVERIFY2(label->pos() == position, qPrintable(label->objectName()));
        }
        QCOMPARE(options().folderOption1->parentWidget(), options().GroupBox1);
    }

    void captionsAreVerbatim() {
        const QString twoSpaces = QStringLiteral("\u3000\u3000");
        const std::pair<QLabel*, QString> labels[] = {
            {options().Label1, QStringLiteral("默认ISO/PBP打开目录:") + twoSpaces},
            {options().Label7, QStringLiteral("默认ISO/PBP存放目录:") + twoSpaces},
            {options().Label2, QStringLiteral("默认图标/音乐打开目录:") + twoSpaces},
            {options().Label10, QStringLiteral("压缩比率: (0 to 9)") + twoSpaces},
            {options().Label17, QStringLiteral("警告图片目录:    ")},
            {options().Label6, QStringLiteral("默认警告图片目录:")},
            {options().Label4, QStringLiteral("默认图标目录:") + twoSpaces},
            {options().Label3, QStringLiteral("默认背景图目录:") + twoSpaces},
            {options().Label5, QStringLiteral("默认信息图目录:") + twoSpaces},
            {options().Label9, QStringLiteral("默认背景音乐目录:") + twoSpaces},
            {options().Label8, QStringLiteral("默认动画图标目录:") + twoSpaces},
            {options().Label12, QStringLiteral("ICON0.PNG")},
            {options().Label13, QStringLiteral("PIC1.PNG")},
            {options().Label14, QStringLiteral("PIC0.PNG")},
            {options().Label15, QStringLiteral("SND0.AT3")},
            {options().Label16, QStringLiteral("ICON1.PMF")},
        };
        for (const auto& [label, caption] : labels) QCOMPARE(label->text(), caption);
        for (QLabel* label :
             {options().Label12, options().Label13, options().Label14, options().Label15, options().Label16}) {
            QVERIFY(label->alignment().testFlag(Qt::AlignRight));
        }
        QCOMPARE(options().GroupBox1->title(), QStringLiteral(" 转换后自动生成文件夹  "));
        QCOMPARE(options().folderOption1->text(), QStringLiteral("不建立任何文件夹"));
        QCOMPARE(options().folderOption2->text(), QStringLiteral("以存档ID命名文件夹"));
        QCOMPARE(options().folderOption3->text(), QStringLiteral("以游戏名称建立文件夹"));
        QCOMPARE(options().folderOption4->text(), QStringLiteral("以存档名称建立文件夹"));
        QVERIFY(options().folderOption1->isChecked());
        QCOMPARE(options().save->text(), QStringLiteral("保存"));
        QCOMPARE(options().cancel->text(), QStringLiteral("取消"));
        QCOMPARE(options().donate->text(), QStringLiteral("捐助 (PayPal)"));
        for (QToolButton* button : options().findChildren<QToolButton*>()) {
            QCOMPARE(button->text(), QStringLiteral("..."));
        }
    }

    void tabOrder() {
        QWidget* expected[] = {options().warning,       options().defIsoFolder, options().defImageFolder,
                               options().folderOption1, options().defWarning,   options().defIcon0,
                               options().defPic1,       options().defUnknown,   options().defSnd0,
                               options().defIcon1,      options().donate,       options().cancel,
                               options().save,          options().defOutput,    options().Compression};
        for (std::size_t i = 1; i < std::size(expected); ++i) {
            QWidget* next = expected[i - 1]->nextInFocusChain();
            // The other radio buttons of the group sit beside the first in the chain.
            while (next && (next->focusPolicy() == Qt::NoFocus ||
                            (next->parentWidget() == options().GroupBox1 && next != expected[i]))) {
                next = next->nextInFocusChain();
            }
            QVERIFY2(next == expected[i], qPrintable(expected[i - 1]->objectName()));
        }
    }

    void focusSelectsTheWholeTextExceptInFolderIconAndWarningFields() {
        options().show();
        QVERIFY(QTest::qWaitForWindowExposed(&options()));
        QCOMPARE(options().focusWidget(), options().warning);
        for (LineEdit* field : {options().defIsoFolder, options().defOutput, options().defImageFolder,
                                options().defIcon0, options().warning}) {
            field->setText("/keep/caret");
            field->setCursorPosition(2);
            field->setFocus(Qt::TabFocusReason);
            QVERIFY2(!field->hasSelectedText(), qPrintable(field->objectName()));
            QCOMPARE(field->cursorPosition(), 2);
        }
        for (LineEdit* field : {options().Compression, options().defWarning, options().defPic1, options().defUnknown,
                                options().defSnd0, options().defIcon1}) {
            field->setText("7");
            field->setFocus(Qt::TabFocusReason);
            QVERIFY2(field->selectedText() == QStringLiteral("7"), qPrintable(field->objectName()));
        }
    }

    void compressionTakesOneCharacterLettersIncluded() {
        options().Compression->clear();
        QTest::keyClicks(options().Compression, "x9");
        QCOMPARE(options().Compression->text(), QStringLiteral("x"));
    }

    void loadAndSaveThroughTheWindow() {
        options().defOutput->setText("/out");
        options().folderOption4->setChecked(true);
        options().SaveOptions();
        QVERIFY(readFile(iniPath()).find("defOutputFolder=/out\r\n") != std::string::npos);
        QVERIFY(readFile(iniPath()).find("folderOption=3\r\n") != std::string::npos);
        options().defOutput->setText("/changed");
        options().folderOption1->setChecked(true);
        options().LoadOptions();
        QCOMPARE(options().defOutput->text(), QStringLiteral("/out"));
        QCOMPARE(options().defOutput->cursorPosition(), 4);
        QVERIFY(options().folderOption4->isChecked());
    }

    void saveStoresTheFieldsAndClosesWithOk() {
        QTimer::singleShot(0, &options(), [this] {
            options().defIcon0->setText("/art/icon.png");
            options().folderOption3->setChecked(true);
            options().save->click();
        });
        QCOMPARE(options().exec(), int(QDialog::Accepted));
        QVERIFY(options().isHidden());
        const std::string ini = readFile(iniPath());
        QVERIFY(ini.find("defIcon0=/art/icon.png\r\n") != std::string::npos);
        QVERIFY(ini.find("folderOption=2\r\n") != std::string::npos);
        QVERIFY(dialogs.messages.empty());
    }

    void failedSaveStillClosesTheDialogAndKeepsTheValues() {
        std::filesystem::remove_all(dir->path() / "Files");
        QTimer::singleShot(0, &options(), [this] {
            options().defOutput->setText("/unsaved");
            options().save->click();
        });
        QCOMPARE(options().exec(), int(QDialog::Accepted));
        QVERIFY(options().isHidden());
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Quillon"));
        QCOMPARE(dialogs.messages[0].text,
                 QString::fromStdString("Cannot create file \"" + iniPath() + "\". No such file or directory"));
        QCOMPARE(options().defOutput->text(), QStringLiteral("/unsaved"));
        QCOMPARE(program->form1->fields().text(Field::defaultOutputFolder), std::string("/unsaved"));
    }

    void cancelRestoresTheStoredValuesButKeepsTheWarningPicture() {
        dir->write("Files/options.ini",
                   "[Options]\r\ndefIsoFolder=/isos\r\ndefPic1=/art/pic1.png\r\nfolderOption=1\r\n");
        options().LoadOptions();
        const std::string before = readFile(iniPath());
        QTimer::singleShot(0, &options(), [this] {
            options().folderOption3->setChecked(true);
            options().defIsoFolder->setText("/elsewhere");
            options().defPic1->setText("/other/pic1.png");
            options().defSnd0->setText("/music/snd0.at3");  // no key in the file
            options().warning->setText("/pictures/warning.png");
            options().cancel->click();
        });
        QCOMPARE(options().exec(), int(QDialog::Rejected));
        QVERIFY(options().isHidden());
        QVERIFY(options().folderOption2->isChecked());
        QVERIFY(!options().folderOption3->isChecked());
        QCOMPARE(options().defIsoFolder->text(), QStringLiteral("/isos"));
        QCOMPARE(options().defPic1->text(), QStringLiteral("/art/pic1.png"));
        QCOMPARE(options().defSnd0->text(), QString());
        QCOMPARE(options().warning->text(), QStringLiteral("/pictures/warning.png"));
        QCOMPARE(readFile(iniPath()), before);
    }

    void closeBoxNeitherSavesNorReloads() {
        QTimer::singleShot(0, &options(), [this] {
            options().defIsoFolder->setText("/typed");
            options().folderOption4->setChecked(true);
            options().close();
        });
        QCOMPARE(options().exec(), int(QDialog::Rejected));
        QVERIFY(options().isHidden());
        QVERIFY(!std::filesystem::exists(iniPath()));
        QCOMPARE(options().defIsoFolder->text(), QStringLiteral("/typed"));
        QCOMPARE(program->form1->fields().folderOption(), 3);
    }

    void optionsButtonShowsTheDialogModally() {
        program->form1->show();
        bool wasModal = false;
        QTimer::singleShot(0, &options(), [this, &wasModal] {
            wasModal = options().isVisible() && QApplication::activeModalWidget() == &options();
            options().cancel->click();
        });
        program->form1->Options->click();
        QVERIFY(wasModal);
        QVERIFY(options().isHidden());
    }

    void folderPickersStartInAnExistingFolderOnly() {
        struct Picker {
            QToolButton* button;
            LineEdit* field;
            QString prompt;
        };
        const Picker pickers[] = {
            {options().SpeedButton2, options().defIsoFolder, QStringLiteral("Select default ISO/PBP folder:")},
            {options().SpeedButton10, options().defOutput, QStringLiteral("Select default output ISO/PBP folder:")},
            {options().SpeedButton1, options().defImageFolder, QStringLiteral("Select default image/sound folder:")},
        };
        const QString existing = QString::fromStdString(dir->folder());
        const QString missing = QString::fromStdString(dir->file("missing"));
        for (const Picker& picker : pickers) {
            dialogs.folderRequests.clear();
            picker.field->setText(existing);
            picker.button->click();  // cancelled
            QCOMPARE(picker.field->text(), existing);
            picker.field->setText(missing);
            picker.button->click();
            QCOMPARE(picker.field->text(), missing);
            picker.field->clear();
            dialogs.folderAnswers.push_back(QStringLiteral("/chosen/folder"));
            picker.button->click();
            QCOMPARE(dialogs.folderRequests.size(), std::size_t{3});
            QCOMPARE(dialogs.folderRequests[0].title, picker.prompt);
            QCOMPARE(dialogs.folderRequests[0].startFolder, existing);
            QCOMPARE(dialogs.folderRequests[1].startFolder, QString());
            QCOMPARE(dialogs.folderRequests[2].startFolder, QString());
            QCOMPARE(picker.field->text(), QStringLiteral("/chosen/folder"));
            QCOMPARE(picker.field->cursorPosition(), picker.field->text().size());
            QVERIFY(!picker.field->hasSelectedText());
        }
        QVERIFY(dialogs.openRequests.empty());
    }

    void filePickersSetTheirFilterAndPresetTheFieldsPath() {
        struct Picker {
            QToolButton* button;
            LineEdit* field;
            QString filter;
        };
        const QString png = QStringLiteral("PNG Files|*.png");
        const Picker pickers[] = {
            {options().SpeedButton8, options().warning, png},
            {options().SpeedButton9, options().defWarning, png},
            {options().SpeedButton4, options().defIcon0, png},
            {options().SpeedButton3, options().defPic1, png},
            {options().SpeedButton5, options().defUnknown, png},
            {options().SpeedButton7, options().defSnd0, QStringLiteral("AT3 Files|*.at3")},
            {options().SpeedButton6, options().defIcon1, QStringLiteral("PMF Files|*.pmf")},
        };
        for (const Picker& picker : pickers) {
            const QString name = picker.field->objectName();
            dialogs.openRequests.clear();
            picker.field->setText("/old/" + name);
            picker.button->click();  // cancelled
            QCOMPARE(picker.field->text(), "/old/" + name);
            picker.field->clear();
            dialogs.fileAnswers.push_back("/picked/" + name + ".file");
            picker.button->click();
            QCOMPARE(dialogs.openRequests.size(), std::size_t{2});
            QCOMPARE(dialogs.openRequests[0].filter, picker.filter);
            QCOMPARE(dialogs.openRequests[0].fileName, "/old/" + name);
            QCOMPARE(dialogs.openRequests[0].initialDir, QString());
            QCOMPARE(dialogs.openRequests[1].fileName, QString());
            QCOMPARE(picker.field->text(), "/picked/" + name + ".file");
            QCOMPARE(picker.field->cursorPosition(), picker.field->text().size());
            QVERIFY(!picker.field->hasSelectedText());
        }
        QVERIFY(dialogs.folderRequests.empty());
    }

    void pickingTheWarningPictureDoesNotRecomposeThePreview() {
        program->form3->ComposePreview();
        const QImage before = program->form3->warningBitmap;
        QImage red(8, 8, QImage::Format_ARGB32);
        red.fill(Qt::red);
        red.save(QString::fromStdString(dir->file("warning.png")));
        dialogs.fileAnswers.push_back(QString::fromStdString(dir->file("warning.png")));
        options().SpeedButton8->click();
        QCOMPARE(program->form3->warningBitmap, before);
    }

    void donateOpensThePaymentPageWithItsQueryInOrder() {
        options().donate->click();
        QCOMPARE(dialogs.openedUrls.size(), std::size_t{1});
        const QUrl url = dialogs.openedUrls[0];
        QCOMPARE(url.scheme(), QStringLiteral("https"));
        QCOMPARE(url.path(), QStringLiteral("/cgi-bin/webscr"));
        const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
        const QStringList keys{"cmd", "business",      "item_name", "no_shipping", "no_note",
                               "tax", "currency_code", "lc",        "bn",          "charset"};
        QCOMPARE(items.size(), keys.size());
        for (int i = 0; i < keys.size(); ++i) QCOMPARE(items[i].first, keys[i]);
        const QStringList values{"_xclick", "", "Quillon", "1", "1", "0", "USD", "SE", "PP-DonationsBF", "UTF-8"};
        for (int i = 0; i < keys.size(); ++i) {
            if (!values[i].isEmpty()) QCOMPARE(items[i].second, values[i]);
        }
        QVERIFY(!items[1].second.isEmpty());
    }
};

QTEST_MAIN(OptionsWindowTest)
#include "options_window_test.moc"
