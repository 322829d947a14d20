#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

#include "app/fake_dialogs.h"
#include "app/line_edit.h"
#include "app/startup.h"
#include "support/temp_folder.h"

using namespace quillon;
using quillon::testing::FakeDialogs;
using quillon::testing::readFile;
using quillon::testing::TempFolder;

class OptionsWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempFolder> dir;
    FakeDialogs dialogs;
    std::unique_ptr<ProgramWindows> program;
    TForm4& options() { return *program->form4; }
    std::string iniPath() const { return dir->file("Files/options.ini"); }

private slots:
    void init() {
        dir = std::make_unique<TempFolder>();
        std::filesystem::create_directories(dir->path() / "Files");
        dialogs = FakeDialogs();
        program = startProgram(dir->folder(), dialogs, {});
    }
    void cleanup() {
        program.reset();
        dir.reset();
    }

    void layout() {
        QCOMPARE(options().size(), QSize(539, 335));
        QCOMPARE(options().windowTitle(), QStringLiteral("Options"));
        QVERIFY(options().isHidden());
        QCOMPARE(options().defIsoFolder->geometry(), QRect(4, 20, 233, 21));
        QCOMPARE(options().Compression->geometry(), QRect(4, 152, 259, 21));
        QCOMPARE(options().Compression->maxLength(), 1);
        QCOMPARE(options().GroupBox1->geometry(), QRect(4, 180, 259, 117));
        QCOMPARE(options().folderOption3->geometry(), QRect(8, 68, 157, 17));
        QCOMPARE(options().warning->geometry(), QRect(276, 20, 233, 21));
        QCOMPARE(options().defIcon1->geometry(), QRect(276, 276, 233, 21));
        QCOMPARE(options().Label12->geometry(), QRect(444, 88, 65, 13));
        QCOMPARE(options().donate->geometry(), QRect(276, 308, 97, 23));
        QCOMPARE(options().save->geometry(), QRect(460, 308, 75, 23));
        QCOMPARE(options().Label1->text(), QStringLiteral("默认ISO/PBP打开目录:\u3000\u3000"));
        QCOMPARE(options().Label10->text(), QStringLiteral("压缩比率: (0 to 9)\u3000\u3000"));
        QCOMPARE(options().Label17->text(), QStringLiteral("警告图片目录:    "));
        QCOMPARE(options().Label6->text(), QStringLiteral("默认警告图片目录:"));
        QCOMPARE(options().GroupBox1->title(), QStringLiteral(" 转换后自动生成文件夹  "));
        QCOMPARE(options().folderOption2->text(), QStringLiteral("以存档ID命名文件夹"));
        QCOMPARE(options().save->text(), QStringLiteral("保存"));
        QCOMPARE(options().cancel->text(), QStringLiteral("取消"));
        QCOMPARE(options().donate->text(), QStringLiteral("捐助 (PayPal)"));
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

    void failedSaveShowsTheReasonWithTheProgramTitle() {
        std::filesystem::remove_all(dir->path() / "Files");
        options().SaveOptions();
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Quillon"));
        QCOMPARE(dialogs.messages[0].text,
                 QString::fromStdString("Cannot create file \"" + iniPath() + "\". No such file or directory"));
    }
};

QTEST_MAIN(OptionsWindowTest)
#include "options_window_test.moc"
