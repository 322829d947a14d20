#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QUrlQuery>
#include <QtTest>

#include "gui/child_named.h"
#include "gui/field_binding.h"
#include "gui/program_test.h"

using namespace quillon;
using quillon::testing::childNamed;
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
            {childNamed<QLineEdit>(options(), "sourceFolderEdit"), {4, 20, 233, 21}},
            {childNamed<QToolButton>(options(), "browseSourceFolderButton"), {240, 20, 23, 21}},
            {childNamed<QLineEdit>(options(), "defaultOutputFolderEdit"), {4, 64, 233, 21}},
            {childNamed<QToolButton>(options(), "browseDefaultOutputFolderButton"), {240, 64, 23, 21}},
            {childNamed<QLineEdit>(options(), "imageFolderEdit"), {4, 108, 233, 21}},
            {childNamed<QToolButton>(options(), "browseImageFolderButton"), {240, 108, 23, 21}},
            {childNamed<QLineEdit>(options(), "compressionLevelEdit"), {4, 152, 259, 21}},
            {childNamed<QGroupBox>(options(), "folderOptionGroup"), {4, 180, 259, 117}},
            {childNamed<QRadioButton>(options(), "noSubFolderRadio"), {8, 20, 145, 17}},
            {childNamed<QRadioButton>(options(), "discIdFolderRadio"), {8, 44, 157, 17}},
            {childNamed<QRadioButton>(options(), "titleFolderRadio"), {8, 68, 157, 17}},
            {childNamed<QRadioButton>(options(), "saveTitleFolderRadio"), {8, 92, 153, 17}},
            {childNamed<QLineEdit>(options(), "warningEdit"), {276, 20, 233, 21}},
            {childNamed<QToolButton>(options(), "browseWarningButton"), {512, 20, 23, 21}},
            {childNamed<QLineEdit>(options(), "defaultWarningEdit"), {276, 64, 233, 21}},
            {childNamed<QToolButton>(options(), "browseDefaultWarningButton"), {512, 64, 23, 21}},
            {childNamed<QLabel>(options(), "defaultIcon0NameLabel"), {444, 88, 65, 13}},
            {childNamed<QLineEdit>(options(), "defaultIcon0Edit"), {276, 104, 233, 21}},
            {childNamed<QToolButton>(options(), "browseDefaultIcon0Button"), {512, 104, 23, 21}},
            {childNamed<QLabel>(options(), "defaultPic1NameLabel"), {456, 132, 53, 13}},
            {childNamed<QLineEdit>(options(), "defaultPic1Edit"), {276, 148, 233, 21}},
            {childNamed<QToolButton>(options(), "browseDefaultPic1Button"), {512, 148, 23, 21}},
            {childNamed<QLabel>(options(), "defaultPic0NameLabel"), {456, 172, 53, 13}},
            {childNamed<QLineEdit>(options(), "defaultPic0Edit"), {276, 188, 233, 21}},
            {childNamed<QToolButton>(options(), "browseDefaultPic0Button"), {512, 188, 23, 21}},
            {childNamed<QLabel>(options(), "defaultSnd0NameLabel"), {452, 216, 57, 13}},
            {childNamed<QLineEdit>(options(), "defaultSnd0Edit"), {276, 232, 233, 21}},
            {childNamed<QToolButton>(options(), "browseDefaultSnd0Button"), {512, 232, 23, 21}},
            {childNamed<QLabel>(options(), "defaultIcon1NameLabel"), {448, 260, 61, 13}},
            {childNamed<QLineEdit>(options(), "defaultIcon1Edit"), {276, 276, 233, 21}},
            {childNamed<QToolButton>(options(), "browseDefaultIcon1Button"), {512, 276, 23, 21}},
            {childNamed<QPushButton>(options(), "donateButton"), {276, 308, 97, 23}},
            {childNamed<QPushButton>(options(), "cancelButton"), {380, 308, 75, 23}},
            {childNamed<QPushButton>(options(), "saveButton"), {460, 308, 75, 23}},
        };
        for (const auto& [widget, rect] : geometries) {
            QVERIFY2(widget->geometry() == rect, qPrintable(widget->objectName()));
        }
        const std::pair<QLabel*, QPoint> labels[] = {
            {childNamed<QLabel>(options(), "sourceFolderLabel"), {4, 4}},
            {childNamed<QLabel>(options(), "defaultOutputFolderLabel"), {4, 48}},
            {childNamed<QLabel>(options(), "imageFolderLabel"), {4, 92}},
            {childNamed<QLabel>(options(), "compressionLevelLabel"), {4, 136}},
            {childNamed<QLabel>(options(), "warningLabel"), {276, 4}},
            {childNamed<QLabel>(options(), "defaultWarningLabel"), {276, 48}},
            {childNamed<QLabel>(options(), "defaultIcon0Label"), {276, 88}},
            {childNamed<QLabel>(options(), "defaultPic1Label"), {276, 132}},
            {childNamed<QLabel>(options(), "defaultPic0Label"), {276, 172}},
            {childNamed<QLabel>(options(), "defaultSnd0Label"), {276, 216}},
            {childNamed<QLabel>(options(), "defaultIcon1Label"), {276, 260}},
        };
        for (const auto& [label, position] : labels) {
            QVERIFY2(label->pos() == position, qPrintable(label->objectName()));
        }
        QCOMPARE(childNamed<QRadioButton>(options(), "noSubFolderRadio")->parentWidget(),
                 childNamed<QGroupBox>(options(), "folderOptionGroup"));
    }

    void captionsAreVerbatim() {
        const QString twoSpaces = QStringLiteral("\u3000\u3000");
        const std::pair<QLabel*, QString> labels[] = {
            {childNamed<QLabel>(options(), "sourceFolderLabel"), QStringLiteral("默认ISO/PBP打开目录:") + twoSpaces},
            {childNamed<QLabel>(options(), "defaultOutputFolderLabel"),
             QStringLiteral("默认ISO/PBP存放目录:") + twoSpaces},
            {childNamed<QLabel>(options(), "imageFolderLabel"), QStringLiteral("默认图标/音乐打开目录:") + twoSpaces},
            {childNamed<QLabel>(options(), "compressionLevelLabel"), QStringLiteral("压缩比率: (0 to 9)") + twoSpaces},
            {childNamed<QLabel>(options(), "warningLabel"), QStringLiteral("警告图片目录:    ")},
            {childNamed<QLabel>(options(), "defaultWarningLabel"), QStringLiteral("默认警告图片目录:")},
            {childNamed<QLabel>(options(), "defaultIcon0Label"), QStringLiteral("默认图标目录:") + twoSpaces},
            {childNamed<QLabel>(options(), "defaultPic1Label"), QStringLiteral("默认背景图目录:") + twoSpaces},
            {childNamed<QLabel>(options(), "defaultPic0Label"), QStringLiteral("默认信息图目录:") + twoSpaces},
            {childNamed<QLabel>(options(), "defaultSnd0Label"), QStringLiteral("默认背景音乐目录:") + twoSpaces},
            {childNamed<QLabel>(options(), "defaultIcon1Label"), QStringLiteral("默认动画图标目录:") + twoSpaces},
            {childNamed<QLabel>(options(), "defaultIcon0NameLabel"), QStringLiteral("ICON0.PNG")},
            {childNamed<QLabel>(options(), "defaultPic1NameLabel"), QStringLiteral("PIC1.PNG")},
            {childNamed<QLabel>(options(), "defaultPic0NameLabel"), QStringLiteral("PIC0.PNG")},
            {childNamed<QLabel>(options(), "defaultSnd0NameLabel"), QStringLiteral("SND0.AT3")},
            {childNamed<QLabel>(options(), "defaultIcon1NameLabel"), QStringLiteral("ICON1.PMF")},
        };
        for (const auto& [label, caption] : labels) QCOMPARE(label->text(), caption);
        for (QLabel* label : {childNamed<QLabel>(options(), "defaultIcon0NameLabel"),
                              childNamed<QLabel>(options(), "defaultPic1NameLabel"),
                              childNamed<QLabel>(options(), "defaultPic0NameLabel"),
                              childNamed<QLabel>(options(), "defaultSnd0NameLabel"),
                              childNamed<QLabel>(options(), "defaultIcon1NameLabel")}) {
            QVERIFY(label->alignment().testFlag(Qt::AlignRight));
        }
        QCOMPARE(childNamed<QGroupBox>(options(), "folderOptionGroup")->title(),
                 QStringLiteral(" 转换后自动生成文件夹  "));
        QCOMPARE(childNamed<QRadioButton>(options(), "noSubFolderRadio")->text(), QStringLiteral("不建立任何文件夹"));
        QCOMPARE(childNamed<QRadioButton>(options(), "discIdFolderRadio")->text(),
                 QStringLiteral("以存档ID命名文件夹"));
        QCOMPARE(childNamed<QRadioButton>(options(), "titleFolderRadio")->text(),
                 QStringLiteral("以游戏名称建立文件夹"));
        QCOMPARE(childNamed<QRadioButton>(options(), "saveTitleFolderRadio")->text(),
                 QStringLiteral("以存档名称建立文件夹"));
        QVERIFY(childNamed<QRadioButton>(options(), "noSubFolderRadio")->isChecked());
        QCOMPARE(childNamed<QPushButton>(options(), "saveButton")->text(), QStringLiteral("保存"));
        QCOMPARE(childNamed<QPushButton>(options(), "cancelButton")->text(), QStringLiteral("取消"));
        QCOMPARE(childNamed<QPushButton>(options(), "donateButton")->text(), QStringLiteral("捐助 (PayPal)"));
        for (QToolButton* button : options().findChildren<QToolButton*>()) {
            QCOMPARE(button->text(), QStringLiteral("..."));
        }
    }

    void tabOrder() {
        QWidget* expected[] = {childNamed<QLineEdit>(options(), "warningEdit"),
                               childNamed<QLineEdit>(options(), "sourceFolderEdit"),
                               childNamed<QLineEdit>(options(), "imageFolderEdit"),
                               childNamed<QRadioButton>(options(), "noSubFolderRadio"),
                               childNamed<QLineEdit>(options(), "defaultWarningEdit"),
                               childNamed<QLineEdit>(options(), "defaultIcon0Edit"),
                               childNamed<QLineEdit>(options(), "defaultPic1Edit"),
                               childNamed<QLineEdit>(options(), "defaultPic0Edit"),
                               childNamed<QLineEdit>(options(), "defaultSnd0Edit"),
                               childNamed<QLineEdit>(options(), "defaultIcon1Edit"),
                               childNamed<QPushButton>(options(), "donateButton"),
                               childNamed<QPushButton>(options(), "cancelButton"),
                               childNamed<QPushButton>(options(), "saveButton"),
                               childNamed<QLineEdit>(options(), "defaultOutputFolderEdit"),
                               childNamed<QLineEdit>(options(), "compressionLevelEdit")};
        for (std::size_t i = 1; i < std::size(expected); ++i) {
            QWidget* next = expected[i - 1]->nextInFocusChain();
            // The other radio buttons of the group sit beside the first in the chain.
            while (next && (next->focusPolicy() == Qt::NoFocus ||
                            (next->parentWidget() == childNamed<QGroupBox>(options(), "folderOptionGroup") &&
                             next != expected[i]))) {
                next = next->nextInFocusChain();
            }
            QVERIFY2(next == expected[i], qPrintable(expected[i - 1]->objectName()));
        }
    }

    void focusSelectsTheWholeTextExceptInFolderIconAndWarningFields() {
        options().show();
        QVERIFY(QTest::qWaitForWindowExposed(&options()));
        QCOMPARE(options().focusWidget(), childNamed<QLineEdit>(options(), "warningEdit"));
        for (QLineEdit* field :
             {childNamed<QLineEdit>(options(), "sourceFolderEdit"),
              childNamed<QLineEdit>(options(), "defaultOutputFolderEdit"),
              childNamed<QLineEdit>(options(), "imageFolderEdit"), childNamed<QLineEdit>(options(), "defaultIcon0Edit"),
              childNamed<QLineEdit>(options(), "warningEdit")}) {
            field->setText("/keep/caret");
            field->setCursorPosition(2);
            field->setFocus(Qt::TabFocusReason);
            QVERIFY2(!field->hasSelectedText(), qPrintable(field->objectName()));
            QCOMPARE(field->cursorPosition(), 2);
        }
        for (QLineEdit* field :
             {childNamed<QLineEdit>(options(), "compressionLevelEdit"),
              childNamed<QLineEdit>(options(), "defaultWarningEdit"),
              childNamed<QLineEdit>(options(), "defaultPic1Edit"), childNamed<QLineEdit>(options(), "defaultPic0Edit"),
              childNamed<QLineEdit>(options(), "defaultSnd0Edit"),
              childNamed<QLineEdit>(options(), "defaultIcon1Edit")}) {
            field->setText("7");
            field->setFocus(Qt::TabFocusReason);
            QVERIFY2(field->selectedText() == QStringLiteral("7"), qPrintable(field->objectName()));
        }
    }

    void compressionTakesOneCharacterLettersIncluded() {
        childNamed<QLineEdit>(options(), "compressionLevelEdit")->clear();
        QTest::keyClicks(childNamed<QLineEdit>(options(), "compressionLevelEdit"), "x9");
        QCOMPARE(childNamed<QLineEdit>(options(), "compressionLevelEdit")->text(), QStringLiteral("x"));
    }

    void loadAndSaveThroughTheWindow() {
        childNamed<QLineEdit>(options(), "defaultOutputFolderEdit")->setText("/out");
        childNamed<QRadioButton>(options(), "saveTitleFolderRadio")->setChecked(true);
        options().saveOptions();
        QVERIFY(readFile(iniPath()).find("defOutputFolder=/out\r\n") != std::string::npos);
        QVERIFY(readFile(iniPath()).find("folderOption=3\r\n") != std::string::npos);
        childNamed<QLineEdit>(options(), "defaultOutputFolderEdit")->setText("/changed");
        childNamed<QRadioButton>(options(), "noSubFolderRadio")->setChecked(true);
        options().loadOptions();
        QCOMPARE(childNamed<QLineEdit>(options(), "defaultOutputFolderEdit")->text(), QStringLiteral("/out"));
        QCOMPARE(childNamed<QLineEdit>(options(), "defaultOutputFolderEdit")->cursorPosition(), 4);
        QVERIFY(childNamed<QRadioButton>(options(), "saveTitleFolderRadio")->isChecked());
    }

    void saveStoresTheFieldsAndClosesWithOk() {
        QTimer::singleShot(0, &options(), [this] {
            childNamed<QLineEdit>(options(), "defaultIcon0Edit")->setText("/art/icon.png");
            childNamed<QRadioButton>(options(), "titleFolderRadio")->setChecked(true);
            childNamed<QPushButton>(options(), "saveButton")->click();
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
            childNamed<QLineEdit>(options(), "defaultOutputFolderEdit")->setText("/unsaved");
            childNamed<QPushButton>(options(), "saveButton")->click();
        });
        QCOMPARE(options().exec(), int(QDialog::Accepted));
        QVERIFY(options().isHidden());
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Quillon"));
        QCOMPARE(dialogs.messages[0].text,
                 QString::fromStdString("Cannot create file \"" + iniPath() + "\". No such file or directory"));
        QCOMPARE(childNamed<QLineEdit>(options(), "defaultOutputFolderEdit")->text(), QStringLiteral("/unsaved"));
        QCOMPARE(program->mainWindow->fields().text(Field::defaultOutputFolder), std::string("/unsaved"));
    }

    void cancelRestoresTheStoredValuesButKeepsTheWarningPicture() {
        dir->write("Files/options.ini",
                   "[Options]\r\ndefIsoFolder=/isos\r\ndefPic1=/art/pic1.png\r\nfolderOption=1\r\n");
        options().loadOptions();
        const std::string before = readFile(iniPath());
        QTimer::singleShot(0, &options(), [this] {
            childNamed<QRadioButton>(options(), "titleFolderRadio")->setChecked(true);
            childNamed<QLineEdit>(options(), "sourceFolderEdit")->setText("/elsewhere");
            childNamed<QLineEdit>(options(), "defaultPic1Edit")->setText("/other/pic1.png");
            childNamed<QLineEdit>(options(), "defaultSnd0Edit")->setText("/music/snd0.at3");  // no key in the file
            childNamed<QLineEdit>(options(), "warningEdit")->setText("/pictures/warning.png");
            childNamed<QPushButton>(options(), "cancelButton")->click();
        });
        QCOMPARE(options().exec(), int(QDialog::Rejected));
        QVERIFY(options().isHidden());
        QVERIFY(childNamed<QRadioButton>(options(), "discIdFolderRadio")->isChecked());
        QVERIFY(!childNamed<QRadioButton>(options(), "titleFolderRadio")->isChecked());
        QCOMPARE(childNamed<QLineEdit>(options(), "sourceFolderEdit")->text(), QStringLiteral("/isos"));
        QCOMPARE(childNamed<QLineEdit>(options(), "defaultPic1Edit")->text(), QStringLiteral("/art/pic1.png"));
        QCOMPARE(childNamed<QLineEdit>(options(), "defaultSnd0Edit")->text(), QString());
        QCOMPARE(childNamed<QLineEdit>(options(), "warningEdit")->text(), QStringLiteral("/pictures/warning.png"));
        QCOMPARE(readFile(iniPath()), before);
    }

    void closeBoxNeitherSavesNorReloads() {
        QTimer::singleShot(0, &options(), [this] {
            childNamed<QLineEdit>(options(), "sourceFolderEdit")->setText("/typed");
            childNamed<QRadioButton>(options(), "saveTitleFolderRadio")->setChecked(true);
            options().close();
        });
        QCOMPARE(options().exec(), int(QDialog::Rejected));
        QVERIFY(options().isHidden());
        QVERIFY(!std::filesystem::exists(iniPath()));
        QCOMPARE(childNamed<QLineEdit>(options(), "sourceFolderEdit")->text(), QStringLiteral("/typed"));
        QVERIFY(program->mainWindow->fields().folderOption() == FolderOption::SaveTitle);
    }

    void optionsButtonShowsTheDialogModally() {
        program->mainWindow->show();
        bool wasModal = false;
        QTimer::singleShot(0, &options(), [this, &wasModal] {
            wasModal = options().isVisible() && QApplication::activeModalWidget() == &options();
            childNamed<QPushButton>(options(), "cancelButton")->click();
        });
        childNamed<QPushButton>(*program->mainWindow, "optionsButton")->click();
        QVERIFY(wasModal);
        QVERIFY(options().isHidden());
    }

    void folderPickersStartInAnExistingFolderOnly() {
        struct Picker {
            QToolButton* button;
            QLineEdit* field;
            QString prompt;
        };
        const Picker pickers[] = {
            {childNamed<QToolButton>(options(), "browseSourceFolderButton"),
             childNamed<QLineEdit>(options(), "sourceFolderEdit"), QStringLiteral("Select default ISO/PBP folder:")},
            {childNamed<QToolButton>(options(), "browseDefaultOutputFolderButton"),
             childNamed<QLineEdit>(options(), "defaultOutputFolderEdit"),
             QStringLiteral("Select default output ISO/PBP folder:")},
            {childNamed<QToolButton>(options(), "browseImageFolderButton"),
             childNamed<QLineEdit>(options(), "imageFolderEdit"), QStringLiteral("Select default image/sound folder:")},
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
            QLineEdit* field;
            QString filter;
        };
        const QString png = QStringLiteral("PNG Files|*.png");
        const Picker pickers[] = {
            {childNamed<QToolButton>(options(), "browseWarningButton"), childNamed<QLineEdit>(options(), "warningEdit"),
             png},
            {childNamed<QToolButton>(options(), "browseDefaultWarningButton"),
             childNamed<QLineEdit>(options(), "defaultWarningEdit"), png},
            {childNamed<QToolButton>(options(), "browseDefaultIcon0Button"),
             childNamed<QLineEdit>(options(), "defaultIcon0Edit"), png},
            {childNamed<QToolButton>(options(), "browseDefaultPic1Button"),
             childNamed<QLineEdit>(options(), "defaultPic1Edit"), png},
            {childNamed<QToolButton>(options(), "browseDefaultPic0Button"),
             childNamed<QLineEdit>(options(), "defaultPic0Edit"), png},
            {childNamed<QToolButton>(options(), "browseDefaultSnd0Button"),
             childNamed<QLineEdit>(options(), "defaultSnd0Edit"), QStringLiteral("AT3 Files|*.at3")},
            {childNamed<QToolButton>(options(), "browseDefaultIcon1Button"),
             childNamed<QLineEdit>(options(), "defaultIcon1Edit"), QStringLiteral("PMF Files|*.pmf")},
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
        childNamed<QToolButton>(options(), "browseWarningButton")->click();
        QCOMPARE(program->previewWindow->warningBitmap, before);
    }

    void donateOpensThePaymentPageWithItsQueryInOrder() {
        childNamed<QPushButton>(options(), "donateButton")->click();
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
