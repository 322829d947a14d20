#include "gui/preview_window.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QShowEvent>

#include "common/file_io.h"
#include "gui/qt_text.h"

namespace quillon {
namespace {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 272;

QImage loadFixedPicture(const ProgramFolder& folder, const char* name) {
    return QImage(toQt(folder.programFile(name)));
}

// The picture a field names, loaded afresh (the file is not kept open); a null image
// when the field is empty, the file is missing or it is not a readable picture.
QImage loadUserPicture(const std::string& path) {
    if (!isFile(path)) return QImage();
    return QImage(toQt(path));
}

void drawScaled(QPainter& painter, const QRect& target, const QImage& picture) {
    if (!picture.isNull()) painter.drawImage(target, picture);
}

void drawUnscaled(QPainter& painter, const QImage& picture) {
    if (!picture.isNull()) painter.drawImage(QPoint(0, 0), picture);
}

}  // namespace

PreviewWindow::PreviewWindow(const ProgramFolder& folder, const FieldState& fields)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), folder_(folder), fields_(fields) {
    setObjectName(QStringLiteral("previewWindow"));
    setWindowTitle(QStringLiteral("Preview"));
    createControls();
    finishSetUp();
}

void PreviewWindow::createControls() {
    screenFrame_ = new QFrame(this);
    screenFrame_->setObjectName(QStringLiteral("screenFrame"));
    screenFrame_->setGeometry(3, 3, 482, 274);
    screenFrame_->setStyleSheet(QStringLiteral("QFrame { background: white; border: 1px solid black; }"));
    screenView_ = new QLabel(this);
    screenView_->setObjectName(QStringLiteral("screenView"));
    screenView_->setGeometry(4, 4, kScreenWidth, kScreenHeight);
    menuThemeRadio_ = new QRadioButton(QStringLiteral("PSP menu theme"), this);
    menuThemeRadio_->setObjectName(QStringLiteral("menuThemeRadio"));
    menuThemeRadio_->setGeometry(4, 280, 105, 17);
    menuThemeRadio_->setChecked(true);
    warningScreenRadio_ = new QRadioButton(QStringLiteral("Warning screen"), this);
    warningScreenRadio_->setObjectName(QStringLiteral("warningScreenRadio"));
    warningScreenRadio_->setGeometry(120, 280, 97, 17);
    for (QRadioButton* button : {menuThemeRadio_, warningScreenRadio_}) {
        // The captions are a tight fit for their width at the window's 11-pixel font: a
        // slightly narrower face keeps them whole.
        QFont narrow = button->font();
        narrow.setStretch(QFont::SemiCondensed);
        button->setFont(narrow);
        // Whichever way a button becomes checked (click, arrow key, the program), the
        // displayed picture follows.
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on) display();
        });
    }
    setTabOrder(menuThemeRadio_, warningScreenRadio_);
}

void PreviewWindow::finishSetUp() {
    setFixedSize(488, menuThemeRadio_->y() + menuThemeRadio_->height() + 4);
    backImage = loadFixedPicture(folder_, "back.png");
    noIcon0Image = loadFixedPicture(folder_, "no_icon0.png");
    iconBackImage = loadFixedPicture(folder_, "icon_back.png");
    menuBitmap = QImage(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    menuBitmap.fill(Qt::white);
    warningBitmap = QImage(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    warningBitmap.fill(Qt::white);
    QImage picture(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    screenView_->setPixmap(QPixmap::fromImage(picture));
}

void PreviewWindow::composePreview() {
    {
        const std::string icon0Path = fields_.text(Field::icon0);
        const QImage icon0 = loadUserPicture(icon0Path);
        const QImage pic1 = loadUserPicture(fields_.text(Field::pic1));
        const QImage pic0 = loadUserPicture(fields_.text(Field::pic0));
        QPainter painter(&menuBitmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        drawUnscaled(painter, backImage);
        drawScaled(painter, QRect(0, 0, kScreenWidth, kScreenHeight), pic1);
        drawScaled(painter, QRect(13, 89, 162, 98), iconBackImage);
        // The no-icon picture stands in only for a missing file; a file that is there but
        // unreadable leaves the layers beneath showing.
        drawScaled(painter, QRect(20, 96, 144, 80), isFile(icon0Path) ? icon0 : noIcon0Image);
        drawScaled(painter, QRect(165, 87, 310, 180), pic0);
    }
    {
        const QImage warningPicture = loadUserPicture(fields_.text(Field::warning));
        QPainter painter(&warningBitmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        drawUnscaled(painter, backImage);
        drawScaled(painter, QRect(0, 0, kScreenWidth, kScreenHeight), warningPicture);
    }
    display();
}

void PreviewWindow::display() {
    screenView_->setPixmap(QPixmap::fromImage(menuThemeRadio_->isChecked() ? menuBitmap : warningBitmap));
    screenView_->repaint();
}

void PreviewWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) composePreview();
}

}  // namespace quillon
