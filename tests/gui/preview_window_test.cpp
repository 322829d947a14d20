#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "gui/child_named.h"
#include "gui/program_test.h"

using namespace quillon;
using quillon::testing::childNamed;

namespace {

// Colours of the generated pictures; the fixed ones are opaque or half transparent so
// that blending shows in the composed pixels.
const QColor kBack(0, 0, 200);
const QColor kIconBack(255, 255, 255, 128);
const QColor kNoIcon(0, 160, 0);
const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);

QImage solidPicture(int width, int height, const QColor& colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Left half one colour, right half another: shows where a stretched picture lands.
QImage splitPicture(int width, int height, const QColor& left, const QColor& right) {
    QImage image = solidPicture(width, height, right);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width / 2; ++x) image.setPixelColor(x, y, left);
    }
    return image;
}

// `top` blended over the opaque `bottom` by its alpha.
QColor over(const QColor& top, const QColor& bottom) {
    const double a = top.alphaF();
    auto mix = [a](int t, int b) { return static_cast<int>(t * a + b * (1 - a) + 0.5); };
    return QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()), mix(top.blue(), bottom.blue()));
}

bool near(const QColor& actual, const QColor& expected) {
    return std::abs(actual.red() - expected.red()) <= 3 && std::abs(actual.green() - expected.green()) <= 3 &&
           std::abs(actual.blue() - expected.blue()) <= 3;
}

#define QCOMPARE_PIXEL(image, x, y, expected)                                     \
    do {                                                                          \
        const QColor actual_ = (image).pixelColor((x), (y));                      \
        if (!near(actual_, (expected))) {                                         \
            QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, expected %4")     \
                                 .arg(x)                                          \
                                 .arg(y)                                          \
                                 .arg(actual_.name(), QColor(expected).name()))); \
        }                                                                         \
    } while (false)

}  // namespace

class PreviewWindowTest : public quillon::testing::ProgramTest {
    Q_OBJECT

private:
    MainWindow& main() { return *program->mainWindow; }
    PreviewWindow& preview() { return *program->previewWindow; }
    OptionsWindow& options() { return *program->optionsWindow; }

    QString picture(const std::string& name, const QImage& image) {
        const std::string path = dir->file(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        image.save(QString::fromStdString(path), "PNG");
        return QString::fromStdString(path);
    }
    void writeFixedPictures() {
        picture("Files/back.png", solidPicture(480, 272, kBack));
        picture("Files/icon_back.png", solidPicture(162, 98, kIconBack));
        picture("Files/no_icon0.png", solidPicture(144, 80, kNoIcon));
    }
    QImage displayed() { return childNamed<QLabel>(preview(), "screenView")->pixmap().toImage(); }

    // The menu picture with no user pictures: back.png, the backdrop, the no-icon picture.
    void verifyEmptyMenu(const QImage& menu) {
        const QColor backdrop = over(kIconBack, kBack);
        QCOMPARE_PIXEL(menu, 0, 0, kBack);
        QCOMPARE_PIXEL(menu, 479, 271, kBack);
        QCOMPARE_PIXEL(menu, 12, 89, kBack);
        QCOMPARE_PIXEL(menu, 13, 88, kBack);
        QCOMPARE_PIXEL(menu, 13, 89, backdrop);
        QCOMPARE_PIXEL(menu, 174, 186, backdrop);
        QCOMPARE_PIXEL(menu, 175, 186, kBack);
        QCOMPARE_PIXEL(menu, 174, 187, kBack);
        QCOMPARE_PIXEL(menu, 19, 96, backdrop);
        QCOMPARE_PIXEL(menu, 20, 95, backdrop);
        QCOMPARE_PIXEL(menu, 20, 96, kNoIcon);
        QCOMPARE_PIXEL(menu, 163, 175, kNoIcon);
        QCOMPARE_PIXEL(menu, 164, 175, backdrop);
        QCOMPARE_PIXEL(menu, 163, 176, backdrop);
    }

private slots:
    void initTestCase() { setUpApplication(); }
    void init() {
        makeProgramFolder();
        writeFixedPictures();
    }
    void cleanup() { stop(); }

    void windowAndControls() {
        start();
        QVERIFY(preview().isHidden());
        QCOMPARE(preview().windowTitle(), QStringLiteral("Preview"));
        QVERIFY(preview().windowFlags().testFlag(Qt::Tool));
        QCOMPARE(preview().size(), QSize(488, 301));
        QCOMPARE(childNamed<QFrame>(preview(), "screenFrame")->geometry(), QRect(3, 3, 482, 274));
        QCOMPARE(childNamed<QLabel>(preview(), "screenView")->geometry(), QRect(4, 4, 480, 272));
        QCOMPARE(childNamed<QRadioButton>(preview(), "menuThemeRadio")->geometry(), QRect(4, 280, 105, 17));
        QCOMPARE(childNamed<QRadioButton>(preview(), "warningScreenRadio")->geometry(), QRect(120, 280, 97, 17));
        QCOMPARE(childNamed<QRadioButton>(preview(), "menuThemeRadio")->text(), QStringLiteral("PSP menu theme"));
        QCOMPARE(childNamed<QRadioButton>(preview(), "warningScreenRadio")->text(), QStringLiteral("Warning screen"));
        QVERIFY(childNamed<QRadioButton>(preview(), "menuThemeRadio")->isChecked());
        QVERIFY(!childNamed<QRadioButton>(preview(), "warningScreenRadio")->isChecked());
        QCOMPARE(childNamed<QRadioButton>(preview(), "menuThemeRadio")->nextInFocusChain(),
                 childNamed<QRadioButton>(preview(), "warningScreenRadio"));
        QCOMPARE(preview().menuBitmap.size(), QSize(480, 272));
        QCOMPARE(preview().warningBitmap.size(), QSize(480, 272));
        QCOMPARE(displayed().size(), QSize(480, 272));
    }

    void fixedPicturesAreLoadedOnceAtCreation() {
        start();
        QCOMPARE(preview().backImage.size(), QSize(480, 272));
        QCOMPARE(preview().noIcon0Image.size(), QSize(144, 80));
        QCOMPARE(preview().iconBackImage.size(), QSize(162, 98));
        picture("Files/back.png", solidPicture(480, 272, kRed));
        std::filesystem::remove(dir->path() / "Files" / "no_icon0.png");
        preview().composePreview();
        verifyEmptyMenu(preview().menuBitmap);
    }

    void emptyFieldsShowBackgroundBackdropAndNoIcon() {
        start();
        preview().composePreview();
        verifyEmptyMenu(preview().menuBitmap);
        verifyEmptyMenu(displayed());
        QCOMPARE_PIXEL(preview().warningBitmap, 0, 0, kBack);
        QCOMPARE_PIXEL(preview().warningBitmap, 479, 271, kBack);
    }

    void userPicturesAreStretchedIntoTheirRectangles() {
        start();
        const QColor halfRed(255, 0, 0, 128);
        childNamed<QLineEdit>(main(), "pic1Edit")->setText(picture("pic1.png", solidPicture(7, 5, halfRed)));
        childNamed<QLineEdit>(main(), "pic0Edit")->setText(picture("pic0.png", splitPicture(31, 17, kRed, kYellow)));
        childNamed<QLineEdit>(main(), "icon0Edit")->setText(picture("icon0.png", solidPicture(13, 9, kYellow)));
        const QImage& menu = preview().menuBitmap;
        const QColor pic1OverBack = over(halfRed, kBack);
        const QColor backdrop = over(kIconBack, pic1OverBack);
        // PIC1 covers the whole screen, half transparent.
        QCOMPARE_PIXEL(menu, 0, 0, pic1OverBack);
        QCOMPARE_PIXEL(menu, 479, 0, pic1OverBack);
        QCOMPARE_PIXEL(menu, 0, 271, pic1OverBack);
        QCOMPARE_PIXEL(menu, 12, 100, pic1OverBack);
        // The backdrop lies over PIC1 and the icon over the backdrop.
        QCOMPARE_PIXEL(menu, 13, 89, backdrop);
        QCOMPARE_PIXEL(menu, 19, 100, backdrop);
        QCOMPARE_PIXEL(menu, 20, 96, kYellow);
        QCOMPARE_PIXEL(menu, 163, 175, kYellow);
        QCOMPARE_PIXEL(menu, 163, 176, backdrop);
        // PIC0 fills 310 x 180 at 165, 87, over the backdrop's right edge: its left half
        // red, its right half yellow.
        QCOMPARE_PIXEL(menu, 164, 100, backdrop);
        QCOMPARE_PIXEL(menu, 165, 87, kRed);
        QCOMPARE_PIXEL(menu, 165, 266, kRed);
        QCOMPARE_PIXEL(menu, 170, 186, kRed);
        QCOMPARE_PIXEL(menu, 280, 150, kRed);
        QCOMPARE_PIXEL(menu, 340, 150, kYellow);
        QCOMPARE_PIXEL(menu, 474, 87, kYellow);
        QCOMPARE_PIXEL(menu, 474, 266, kYellow);
        QCOMPARE_PIXEL(menu, 475, 150, pic1OverBack);
        QCOMPARE_PIXEL(menu, 300, 86, pic1OverBack);
        QCOMPARE_PIXEL(menu, 300, 267, pic1OverBack);
        QCOMPARE_PIXEL(menu, 175, 190, kRed);
    }

    void noIconPictureStandsInOnlyForAMissingFile() {
        start();
        const QColor backdrop = over(kIconBack, kBack);
        childNamed<QLineEdit>(main(), "icon0Edit")->setText(QString::fromStdString(dir->file("missing.png")));
        QCOMPARE_PIXEL(preview().menuBitmap, 20, 96, kNoIcon);
        childNamed<QLineEdit>(main(), "icon0Edit")->setText(QString::fromStdString(dir->folder()));
        QCOMPARE_PIXEL(preview().menuBitmap, 20, 96, kNoIcon);
        // A file that is there but is no picture leaves the backdrop showing.
        childNamed<QLineEdit>(main(), "icon0Edit")
            ->setText(QString::fromStdString(dir->write("broken.png", "not a picture")));
        QCOMPARE_PIXEL(preview().menuBitmap, 20, 96, backdrop);
        QCOMPARE_PIXEL(preview().menuBitmap, 163, 175, backdrop);
        childNamed<QLineEdit>(main(), "icon0Edit")->setText(QString());
        QCOMPARE_PIXEL(preview().menuBitmap, 20, 96, kNoIcon);
    }

    void missingUserPicturesLeaveTheirLayersOut() {
        start();
        childNamed<QLineEdit>(main(), "pic1Edit")->setText(QString::fromStdString(dir->file("missing1.png")));
        childNamed<QLineEdit>(main(), "pic0Edit")->setText(QString::fromStdString(dir->write("broken0.png", "junk")));
        verifyEmptyMenu(preview().menuBitmap);
    }

    void warningScreenIsTheWarningPictureOverTheBackground() {
        start();
        const QColor halfYellow(255, 255, 0, 128);
        childNamed<QLineEdit>(options(), "warningEdit")
            ->setText(picture("warning.png", splitPicture(5, 3, kRed, halfYellow)));
        preview().composePreview();
        const QImage& warning = preview().warningBitmap;
        QCOMPARE_PIXEL(warning, 0, 0, kRed);
        QCOMPARE_PIXEL(warning, 0, 271, kRed);
        QCOMPARE_PIXEL(warning, 479, 0, over(halfYellow, kBack));
        QCOMPARE_PIXEL(warning, 479, 271, over(halfYellow, kBack));
        verifyEmptyMenu(displayed());
        childNamed<QRadioButton>(preview(), "warningScreenRadio")->click();
        QCOMPARE(displayed(), warning);
        // A missing warning picture leaves the background alone.
        childNamed<QLineEdit>(options(), "warningEdit")->setText(QString::fromStdString(dir->file("gone.png")));
        preview().composePreview();
        QCOMPARE_PIXEL(displayed(), 0, 0, kBack);
        QCOMPARE_PIXEL(displayed(), 479, 271, kBack);
    }

    void newWarningPathShowsOnlyAtTheNextComposition() {
        start();
        childNamed<QRadioButton>(preview(), "warningScreenRadio")->click();
        preview().composePreview();
        childNamed<QLineEdit>(options(), "warningEdit")->setText(picture("warning.png", solidPicture(480, 272, kRed)));
        QCOMPARE_PIXEL(displayed(), 10, 10, kBack);
        childNamed<QLineEdit>(main(), "pic1Edit")->setText(QStringLiteral("x"));
        QCOMPARE_PIXEL(displayed(), 10, 10, kRed);
    }

    void switchingRadioButtonsReadsNoFile() {
        start();
        const QString pic1 = picture("pic1.png", solidPicture(480, 272, kRed));
        const QString warning = picture("warning.png", solidPicture(480, 272, kYellow));
        childNamed<QLineEdit>(options(), "warningEdit")->setText(warning);
        childNamed<QLineEdit>(main(), "pic1Edit")->setText(pic1);
        QCOMPARE_PIXEL(displayed(), 300, 20, kRed);
        picture("pic1.png", solidPicture(480, 272, kYellow));
        std::filesystem::remove(warning.toStdString());
        childNamed<QRadioButton>(preview(), "warningScreenRadio")->click();
        QVERIFY(childNamed<QRadioButton>(preview(), "warningScreenRadio")->isChecked());
        QCOMPARE_PIXEL(displayed(), 300, 20, kYellow);
        childNamed<QRadioButton>(preview(), "menuThemeRadio")->click();
        QCOMPARE_PIXEL(displayed(), 300, 20, kRed);
        // Keyboard and program changes of the choice switch the picture the same way.
        childNamed<QRadioButton>(preview(), "warningScreenRadio")->setChecked(true);
        QCOMPARE_PIXEL(displayed(), 300, 20, kYellow);
        QCOMPARE_PIXEL(preview().menuBitmap, 300, 20, kRed);
    }

    void picturesAreNotKeptOpen() {
#ifdef __linux__
        start();
        const QString pic1 = picture("pic1.png", solidPicture(20, 20, kRed));
        childNamed<QLineEdit>(main(), "pic1Edit")->setText(pic1);
        childNamed<QLineEdit>(options(), "warningEdit")->setText(pic1);
        preview().composePreview();
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            const auto target = std::filesystem::read_symlink(entry.path(), ec);
            QVERIFY2(ec || target.string() != pic1.toStdString(), "the picture is still open");
        }
#else
        QSKIP("needs /proc");
#endif
    }

    void previewButtonShowsAndComposesOnceThenOnlyRaises() {
        start();
        const QString pic1 = picture("pic1.png", solidPicture(480, 272, kRed));
        childNamed<QLineEdit>(main(), "pic1Edit")->setText(pic1);
        picture("pic1.png", solidPicture(480, 272, kYellow));
        childNamed<QPushButton>(main(), "previewButton")->click();
        QVERIFY(preview().isVisible());
        QCOMPARE_PIXEL(displayed(), 300, 20, kYellow);  // composed on showing
        picture("pic1.png", solidPicture(480, 272, kRed));
        childNamed<QPushButton>(main(), "previewButton")->click();
        QCOMPARE_PIXEL(displayed(), 300, 20, kYellow);  // brought forward only
        preview().close();
        QVERIFY(preview().isHidden());
        childNamed<QPushButton>(main(), "previewButton")->click();
        QVERIFY(preview().isVisible());
        QCOMPARE_PIXEL(displayed(), 300, 20, kRed);  // shown again: composed again
    }

    void fieldChangesComposeWhileTheWindowIsHidden() {
        start();
        childNamed<QLineEdit>(main(), "icon0Edit")->setText(picture("icon0.png", solidPicture(144, 80, kRed)));
        QVERIFY(preview().isHidden());
        QCOMPARE_PIXEL(preview().menuBitmap, 100, 150, kRed);
        // Typing a path: every keystroke composes; an incomplete path shows the no-icon picture.
        QTest::keyClick(childNamed<QLineEdit>(main(), "icon0Edit"), Qt::Key_Backspace);
        QCOMPARE_PIXEL(preview().menuBitmap, 100, 150, kNoIcon);
    }

    void closingTheMainWindowEndsTheProgramWithThePreviewOpen() {
        start();
        main().show();
        childNamed<QPushButton>(main(), "previewButton")->click();
        QVERIFY(QTest::qWaitForWindowExposed(&preview()));
        QTimer::singleShot(0, &main(), [this] { main().close(); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });  // still running
        QCOMPARE(QApplication::exec(), 0);
    }

    void missingFixedPicturesLeaveTheirLayersOut() {
        std::filesystem::remove_all(dir->path() / "Files");
        std::filesystem::create_directories(dir->path() / "Files");
        start();
        QVERIFY(preview().backImage.isNull());
        childNamed<QLineEdit>(main(), "pic0Edit")->setText(picture("pic0.png", solidPicture(4, 4, kRed)));
        QCOMPARE_PIXEL(preview().menuBitmap, 165, 87, kRed);
        QCOMPARE_PIXEL(preview().menuBitmap, 474, 266, kRed);
        QCOMPARE(preview().menuBitmap.size(), QSize(480, 272));
    }
};

QTEST_MAIN(PreviewWindowTest)
#include "preview_window_test.moc"
