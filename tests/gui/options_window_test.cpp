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
    OptionsWindow& options() { return *program->optionsWindow; }
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
            {options().sourceFolderEdit, {4, 20, 233, 21}},
            {options().browseSourceFolderButton, {240, 20, 23, 21}},
            {options().defaultOutputFolderEdit, {4, 64, 233, 21}},
            {options().browseDefaultOutputFolderButton, {240, 64, 23, 21}},
            {options().imageFolderEdit, {4, 108, 233, 21}},
            {options().browseImageFolderButton, {240, 108, 23, 21}},
            {options().compressionLevelEdit, {4, 152, 259, 21}},
            {options().folderOptionGroup, {4, 180, 259, 117}},
            {options().noSubFolderRadio, {8, 20, 145, 17}},
            {options().discIdFolderRadio, {8, 44, 157, 17}},
            {options().titleFolderRadio, {8, 68, 157, 17}},
            {options().saveTitleFolderRadio, {8, 92, 153, 17}},
            {options().warningEdit, {276, 20, 233, 21}},
            {options().browseWarningButton, {512, 20, 23, 21}},
            {options().defaultWarningEdit, {276, 64, 233, 21}},
            {options().browseDefaultWarningButton, {512, 64, 23, 21}},
            {options().defaultIcon0NameLabel, {444, 88, 65, 13}},
            {options().defaultIcon0Edit, {276, 104, 233, 21}},
            {options().browseDefaultIcon0Button, {512, 104, 23, 21}},
            {options().defaultPic1NameLabel, {456, 132, 53, 13}},
            {options().defaultPic1Edit, {276, 148, 233, 21}},
            {options().browseDefaultPic1Button, {512, 148, 23, 21}},
            {options().defaultPic0NameLabel, {456, 172, 53, 13}},
            {options().defaultPic0Edit, {276, 188, 233, 21}},
            {options().browseDefaultPic0Button, {512, 188, 23, 21}},
            {options().defaultSnd0NameLabel, {452, 216, 57, 13}},
            {options().defaultSnd0Edit, {276, 232, 233, 21}},
            {options().browseDefaultSnd0Button, {512, 232, 23, 21}},
            {options().defaultIcon1NameLabel, {448, 260, 61, 13}},
            {options().defaultIcon1Edit, {276, 276, 233, 21}},
            {options().browseDefaultIcon1Button, {512, 276, 23, 21}},
            {options().donateButton, {276, 308, 97, 23}},
            {options().cancelButton, {380, 308, 75, 23}},
            {options().saveButton, {460, 308, 75, 23}},
        };
        for (const auto& [widget, rect] : geometries) {
            QVERIFY2(widget->geometry() == rect, qPrintable(widget->objectName()));
        }
        const std::pair<QLabel*, QPoint> labels[] = {
            {options().sourceFolderLabel, {4, 4}},     {options().defaultOutputFolderLabel, {4, 48}},
            {options().imageFolderLabel, {4, 92}},     {options().compressionLevelLabel, {4, 136}},
            {options().warningLabel, {276, 4}},        {options().defaultWarningLabel, {276, 48}},
            {options().defaultIcon0Label, {276, 88}},  {options().defaultPic1Label, {276, 132}},
            {options().defaultPic0Label, {276, 172}},  {options().defaultSnd0Label, {276, 216}},
            {options().defaultIcon1Label, {276, 260}},
        };
        for (const auto& [label, position] : labels) {
            QVERIFY2(label->pos() == position, qPrintable(label->objectName()));
        }
        QCOMPARE(options().noSubFolderRadio->parentWidget(), options().folderOptionGroup);
    }

    void captionsAreVerbatim() {
        const QString twoSpaces = QStringLiteral("\u3000\u3000");
        const std::pair<QLabel*, QString> labels[] = {
            {options().sourceFolderLabel, QStringLiteral("默认ISO/PBP打开目录:") + twoSpaces},
            {options().defaultOutputFolderLabel, QStringLiteral("默认ISO/PBP存放目录:") + twoSpaces},
            {options().imageFolderLabel, QStringLiteral("默认图标/音乐打开目录:") + twoSpaces},
            {options().compressionLevelLabel, QStringLiteral("压缩比率: (0 to 9)") + twoSpaces},
            {options().warningLabel, QStringLiteral("警告图片目录:    ")},
            {options().defaultWarningLabel, QStringLiteral("默认警告图片目录:")},
            {options().defaultIcon0Label, QStringLiteral("默认图标目录:") + twoSpaces},
            {options().defaultPic1Label, QStringLiteral("默认背景图目录:") + twoSpaces},
            {options().defaultPic0Label, QStringLiteral("默认信息图目录:") + twoSpaces},
            {options().defaultSnd0Label, QStringLiteral("默认背景音乐目录:") + twoSpaces},
            {options().defaultIcon1Label, QStringLiteral("默认动画图标目录:") + twoSpaces},
            {options().defaultIcon0NameLabel, QStringLiteral("ICON0.PNG")},
            {options().defaultPic1NameLabel, QStringLiteral("PIC1.PNG")},
            {options().defaultPic0NameLabel, QStringLiteral("PIC0.PNG")},
            {options().defaultSnd0NameLabel, QStringLiteral("SND0.AT3")},
            {options().defaultIcon1NameLabel, QStringLiteral("ICON1.PMF")},
        };
        for (const auto& [label, caption] : labels) QCOMPARE(label->text(), caption);
        for (QLabel* label :
             {options().defaultIcon0NameLabel, options().defaultPic1NameLabel, options().defaultPic0NameLabel,
              options().defaultSnd0NameLabel, options().defaultIcon1NameLabel}) {
            QVERIFY(label->alignment().testFlag(Qt::AlignRight));
        }
        QCOMPARE(options().folderOptionGroup->title(), QStringLiteral(" 转换后自动生成文件夹  "));
        QCOMPARE(options().noSubFolderRadio->text(), QStringLiteral("不建立任何文件夹"));
        QCOMPARE(options().discIdFolderRadio->text(), QStringLiteral("以存档ID命名文件夹"));
        QCOMPARE(options().titleFolderRadio->text(), QStringLiteral("以游戏名称建立文件夹"));
        QCOMPARE(options().saveTitleFolderRadio->text(), QStringLiteral("以存档名称建立文件夹"));
        QVERIFY(options().noSubFolderRadio->isChecked());
        QCOMPARE(options().saveButton->text(), QStringLiteral("保存"));
        QCOMPARE(options().cancelButton->text(), QStringLiteral("取消"));
        QCOMPARE(options().donateButton->text(), QStringLiteral("捐助 (PayPal)"));
        for (QToolButton* button : options().findChildren<QToolButton*>()) {
            QCOMPARE(button->text(), QStringLiteral("..."));
        }
    }

    void tabOrder() {
        QWidget* expected[] = {options().warningEdit,         options().sourceFolderEdit,
                               options().imageFolderEdit,     options().noSubFolderRadio,
                               options().defaultWarningEdit,  options().defaultIcon0Edit,
                               options().defaultPic1Edit,     options().defaultPic0Edit,
                               options().defaultSnd0Edit,     options().defaultIcon1Edit,
                               options().donateButton,        options().cancelButton,
                               options().saveButton,          options().defaultOutputFolderEdit,
                               options().compressionLevelEdit};
        for (std::size_t i = 1; i < std::size(expected); ++i) {
            QWidget* next = expected[i - 1]->nextInFocusChain();
            // The other radio buttons of the group sit beside the first in the chain.
            while (next && (next->focusPolicy() == Qt::NoFocus ||
                            (next->parentWidget() == options().folderOptionGroup && next != expected[i]))) {
                next = next->nextInFocusChain();
            }
            QVERIFY2(next == expected[i], qPrintable(expected[i - 1]->objectName()));
        }
    }

    void focusSelectsTheWholeTextExceptInFolderIconAndWarningFields() {
        options().show();
        QVERIFY(QTest::qWaitForWindowExposed(&options()));
        QCOMPARE(options().focusWidget(), options().warningEdit);
        for (LineEdit* field : {options().sourceFolderEdit, options().defaultOutputFolderEdit,
                                options().imageFolderEdit, options().defaultIcon0Edit, options().warningEdit}) {
            field->setText("/keep/caret");
            field->setCursorPosition(2);
            field->setFocus(Qt::TabFocusReason);
            QVERIFY2(!field->hasSelectedText(), qPrintable(field->objectName()));
            QCOMPARE(field->cursorPosition(), 2);
        }
        for (LineEdit* field : {options().compressionLevelEdit, options().defaultWarningEdit, options().defaultPic1Edit,
                                options().defaultPic0Edit, options().defaultSnd0Edit, options().defaultIcon1Edit}) {
            field->setText("7");
            field->setFocus(Qt::TabFocusReason);
            QVERIFY2(field->selectedText() == QStringLiteral("7"), qPrintable(field->objectName()));
        }
    }

    void compressionTakesOneCharacterLettersIncluded() {
        options().compressionLevelEdit->clear();
        QTest::keyClicks(options().compressionLevelEdit, "x9");
        QCOMPARE(options().compressionLevelEdit->text(), QStringLiteral("x"));
    }

    void loadAndSaveThroughTheWindow() {
        options().defaultOutputFolderEdit->setText("/out");
        options().saveTitleFolderRadio->setChecked(true);
        options().saveOptions();
        QVERIFY(readFile(iniPath()).find("defOutputFolder=/out\r\n") != std::string::npos);
        QVERIFY(readFile(iniPath()).find("folderOption=3\r\n") != std::string::npos);
        options().defaultOutputFolderEdit->setText("/changed");
        options().noSubFolderRadio->setChecked(true);
        options().loadOptions();
        QCOMPARE(options().defaultOutputFolderEdit->text(), QStringLiteral("/out"));
        QCOMPARE(options().defaultOutputFolderEdit->cursorPosition(), 4);
        QVERIFY(options().saveTitleFolderRadio->isChecked());
    }

    void saveStoresTheFieldsAndClosesWithOk() {
        QTimer::singleShot(0, &options(), [this] {
            options().defaultIcon0Edit->setText("/art/icon.png");
            options().titleFolderRadio->setChecked(true);
            options().saveButton->click();
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
            options().defaultOutputFolderEdit->setText("/unsaved");
            options().saveButton->click();
        });
        QCOMPARE(options().exec(), int(QDialog::Accepted));
        QVERIFY(options().isHidden());
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Quillon"));
        QCOMPARE(dialogs.messages[0].text,
                 QString::fromStdString("Cannot create file \"" + iniPath() + "\". No such file or directory"));
        QCOMPARE(options().defaultOutputFolderEdit->text(), QStringLiteral("/unsaved"));
        QCOMPARE(program->mainWindow->fields().text(Field::defaultOutputFolder), std::string("/unsaved"));
    }

    void cancelRestoresTheStoredValuesButKeepsTheWarningPicture() {
        dir->write("Files/options.ini",
                   "[Options]\r\ndefIsoFolder=/isos\r\ndefPic1=/art/pic1.png\r\nfolderOption=1\r\n");
        options().loadOptions();
        const std::string before = readFile(iniPath());
        QTimer::singleShot(0, &options(), [this] {
            options().titleFolderRadio->setChecked(true);
            options().sourceFolderEdit->setText("/elsewhere");
            options().defaultPic1Edit->setText("/other/pic1.png");
            options().defaultSnd0Edit->setText("/music/snd0.at3");  // no key in the file
            options().warningEdit->setText("/pictures/warning.png");
            options().cancelButton->click();
        });
        QCOMPARE(options().exec(), int(QDialog::Rejected));
        QVERIFY(options().isHidden());
        QVERIFY(options().discIdFolderRadio->isChecked());
        QVERIFY(!options().titleFolderRadio->isChecked());
        QCOMPARE(options().sourceFolderEdit->text(), QStringLiteral("/isos"));
        QCOMPARE(options().defaultPic1Edit->text(), QStringLiteral("/art/pic1.png"));
        QCOMPARE(options().defaultSnd0Edit->text(), QString());
        QCOMPARE(options().warningEdit->text(), QStringLiteral("/pictures/warning.png"));
        QCOMPARE(readFile(iniPath()), before);
    }

    void closeBoxNeitherSavesNorReloads() {
        QTimer::singleShot(0, &options(), [this] {
            options().sourceFolderEdit->setText("/typed");
            options().saveTitleFolderRadio->setChecked(true);
            options().close();
        });
        QCOMPARE(options().exec(), int(QDialog::Rejected));
        QVERIFY(options().isHidden());
        QVERIFY(!std::filesystem::exists(iniPath()));
        QCOMPARE(options().sourceFolderEdit->text(), QStringLiteral("/typed"));
        QCOMPARE(program->mainWindow->fields().folderOption(), 3);
    }

    void optionsButtonShowsTheDialogModally() {
        program->mainWindow->show();
        bool wasModal = false;
        QTimer::singleShot(0, &options(), [this, &wasModal] {
            wasModal = options().isVisible() && QApplication::activeModalWidget() == &options();
            options().cancelButton->click();
        });
        program->mainWindow->optionsButton->click();
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
            {options().browseSourceFolderButton, options().sourceFolderEdit,
             QStringLiteral("Select default ISO/PBP folder:")},
            {options().browseDefaultOutputFolderButton, options().defaultOutputFolderEdit,
             QStringLiteral("Select default output ISO/PBP folder:")},
            {options().browseImageFolderButton, options().imageFolderEdit,
             QStringLiteral("Select default image/sound folder:")},
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
            {options().browseWarningButton, options().warningEdit, png},
            {options().browseDefaultWarningButton, options().defaultWarningEdit, png},
            {options().browseDefaultIcon0Button, options().defaultIcon0Edit, png},
            {options().browseDefaultPic1Button, options().defaultPic1Edit, png},
            {options().browseDefaultPic0Button, options().defaultPic0Edit, png},
            {options().browseDefaultSnd0Button, options().defaultSnd0Edit, QStringLiteral("AT3 Files|*.at3")},
            {options().browseDefaultIcon1Button, options().defaultIcon1Edit, QStringLiteral("PMF Files|*.pmf")},
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
        program->previewWindow->composePreview();
        const QImage before = program->previewWindow->warningBitmap;
        QImage red(8, 8, QImage::Format_ARGB32);
        red.fill(Qt::red);
        red.save(QString::fromStdString(dir->file("warning.png")));
        dialogs.fileAnswers.push_back(QString::fromStdString(dir->file("warning.png")));
        options().browseWarningButton->click();
        QCOMPARE(program->previewWindow->warningBitmap, before);
    }

    void donateOpensThePaymentPageWithItsQueryInOrder() {
        options().donateButton->click();
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
