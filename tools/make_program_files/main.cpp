// Draws the program folder's own pictures at build time (the preview's menu background,
// icon backdrop and no-icon picture, and the warning screen of the sample container),
// the program's icon for the desktop, and writes the small disc image that the sample
// container is made from.
//
// Usage: make_program_files FOLDER NAME...
// NAME is one of back.png, no_icon0.png, icon_back.png, warning.png, sample.iso, or
// icon-SIZE.png for the program's icon of SIZE x SIZE pixels (SIZE one of 16, 32, 48,
// 64, 128, 256); each is written into FOLDER.

#include <QByteArray>
#include <QColor>
#include <QConicalGradient>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <map>

namespace {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 272;

QImage transparentCanvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A full-screen picture filled with a top-to-bottom gradient.
QImage gradientScreen(std::initializer_list<QGradientStop> stops) {
    QImage image(kScreenWidth, kScreenHeight, QImage::Format_ARGB32_Premultiplied);
    QLinearGradient gradient(0, 0, 0, kScreenHeight);
    gradient.setStops(QGradientStops(stops));
    QPainter(&image).fillRect(image.rect(), gradient);
    return image;
}

QLinearGradient twoColourGradient(QPointF start, const QColor& startColour, QPointF end, const QColor& endColour) {
    QLinearGradient gradient(start, end);
    gradient.setColorAt(0.0, startColour);
    gradient.setColorAt(1.0, endColour);
    return gradient;
}

QFont sansFont(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// A soft band across the screen, like the waves of the PSP's own menu.
void drawWave(QPainter& painter, qreal baseline, qreal amplitude, qreal phase, int alpha) {
    QPainterPath path;
    path.moveTo(0, baseline);
    path.cubicTo(kScreenWidth * 0.3, baseline - amplitude * (1 + phase), kScreenWidth * 0.6,
                 baseline + amplitude * (1 - phase), kScreenWidth, baseline - amplitude * 0.4);
    path.lineTo(kScreenWidth, baseline + 18);
    path.cubicTo(kScreenWidth * 0.6, baseline + 18 + amplitude * (1 - phase), kScreenWidth * 0.3,
                 baseline + 18 - amplitude * (1 + phase), 0, baseline + 24);
    path.closeSubpath();
    QLinearGradient fade(0, 0, kScreenWidth, 0);
    fade.setColorAt(0.0, QColor(255, 255, 255, alpha / 3));
    fade.setColorAt(0.5, QColor(255, 255, 255, alpha));
    fade.setColorAt(1.0, QColor(255, 255, 255, alpha / 4));
    painter.fillPath(path, fade);
}

// The menu background: a deep blue gradient with light waves and a glow on the left,
// where the game's icon sits.
QImage drawMenuBackground() {
    QImage image = gradientScreen({{0.0, QColor(8, 24, 64)}, {0.55, QColor(22, 70, 140)}, {1.0, QColor(6, 30, 72)}});
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(95, 138), 170);
    glow.setColorAt(0.0, QColor(120, 180, 255, 90));
    glow.setColorAt(1.0, QColor(120, 180, 255, 0));
    painter.fillRect(image.rect(), glow);
    drawWave(painter, 190, 26, 0.3, 70);
    drawWave(painter, 208, 18, -0.5, 45);
    drawWave(painter, 226, 30, 0.8, 30);
    painter.setPen(QColor(255, 255, 255, 150));
    painter.setFont(sansFont(11));
    painter.drawText(QRect(0, 6, kScreenWidth - 10, 16), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Quillon"));
    return image;
}

// The backdrop behind the icon: a lit, rounded frame whose middle lets the menu show.
QImage drawIconBackdrop() {
    QImage image = transparentCanvas(162, 98);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(1.5, 1.5, 159, 95);
    QLinearGradient fill(0, 0, 0, 98);
    fill.setColorAt(0.0, QColor(255, 255, 255, 110));
    fill.setColorAt(0.5, QColor(200, 225, 255, 60));
    fill.setColorAt(1.0, QColor(255, 255, 255, 90));
    painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, 9, 9);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(4, 4, -4, -4), 6, 6);
    return image;
}

// Shown where a game has no ICON0: a grey card with a disc and the words "No icon".
QImage drawNoIcon() {
    QImage image = transparentCanvas(144, 80);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(230, 230, 235), 1));
    painter.setBrush(twoColourGradient({0, 0}, QColor(120, 128, 140), {0, 80}, QColor(58, 62, 72)));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 143, 79), 6, 6);
    const QPointF centre(40, 40);
    QRadialGradient disc(centre, 26);
    disc.setColorAt(0.0, QColor(250, 250, 255));
    disc.setColorAt(0.7, QColor(190, 200, 215));
    disc.setColorAt(1.0, QColor(150, 160, 180));
    painter.setPen(QPen(QColor(90, 95, 110), 1));
    painter.setBrush(disc);
    painter.drawEllipse(centre, 26, 26);
    painter.setBrush(QColor(70, 75, 88));
    painter.drawEllipse(centre, 6, 6);
    painter.setPen(QColor(255, 255, 255));
    painter.setFont(sansFont(14, QFont::Bold));
    painter.drawText(QRect(70, 18, 70, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No"));
    painter.drawText(QRect(70, 40, 70, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("icon"));
    return image;
}

// The start screen of the sample container: a calm notice on a dark background.
QImage drawWarningScreen() {
    QImage image = gradientScreen({{0.0, QColor(18, 18, 24)}, {1.0, QColor(40, 40, 52)}});
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(240, 200, 60), 3));
    painter.setBrush(Qt::NoBrush);
    QPainterPath triangle;
    triangle.moveTo(240, 28);
    triangle.lineTo(266, 72);
    triangle.lineTo(214, 72);
    triangle.closeSubpath();
    painter.drawPath(triangle);
    painter.setFont(sansFont(28, QFont::Bold));
    painter.drawText(QRect(232, 36, 16, 34), Qt::AlignCenter, QStringLiteral("!"));
    painter.setFont(sansFont(22, QFont::Bold));
    painter.drawText(QRect(0, 82, kScreenWidth, 32), Qt::AlignCenter, QStringLiteral("NOTICE"));
    painter.setPen(QColor(225, 225, 232));
    painter.setFont(sansFont(14));
    painter.drawText(QRect(40, 130, kScreenWidth - 80, 80), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     QStringLiteral("Play in a well-lit room, keep a comfortable distance "
                                    "from the screen, and rest for a few minutes every hour."));
    painter.setPen(QColor(150, 150, 165));
    painter.setFont(sansFont(11));
    painter.drawText(QRect(0, 236, kScreenWidth, 20), Qt::AlignCenter, QStringLiteral("Packed with Quillon"));
    return image;
}

// The program's icon: a silver disc on a rounded indigo tile, crossed below its hole by
// a white quill whose gold nib points to the lower left. Drawn on a 256-unit canvas and
// scaled, so that every size shows the same design.
QImage drawProgramIcon(int size) {
    QImage image = transparentCanvas(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    const QLinearGradient tile = twoColourGradient({0, 0}, QColor(92, 64, 190), {256, 256}, QColor(24, 26, 92));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);

    const QPointF centre(108, 108);
    // The sheen of a disc's surface goes round it.
    QConicalGradient shine(centre, 45);
    shine.setStops({{0.0, QColor(236, 240, 250)},
                    {0.25, QColor(176, 196, 230)},
                    {0.5, QColor(240, 214, 246)},
                    {0.75, QColor(170, 220, 226)},
                    {1.0, QColor(236, 240, 250)}});
    painter.setBrush(shine);
    painter.drawEllipse(centre, 88, 88);
    painter.setBrush(QColor(255, 255, 255, 150));
    painter.drawEllipse(centre, 30, 30);
    painter.setBrush(tile);
    painter.drawEllipse(centre, 14, 14);

    const QColor ink(34, 30, 80);
    QPainterPath vane;
    vane.moveTo(92, 206);
    vane.cubicTo(110, 150, 160, 84, 232, 30);
    vane.cubicTo(216, 110, 170, 170, 106, 216);
    vane.closeSubpath();
    // Two notches in the vane make it read as a feather.
    QPainterPath notches;
    notches.addPolygon(QPolygonF({QPointF(124, 172), QPointF(96, 166), QPointF(110, 150)}));
    notches.addPolygon(QPolygonF({QPointF(180, 128), QPointF(208, 104), QPointF(214, 130)}));
    painter.setPen(QPen(ink, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(255, 252, 240));
    painter.drawPath(vane.subtracted(notches));
    painter.setPen(QPen(ink, 7, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(62, 236), QPointF(220, 48));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 196, 60));
    painter.drawPolygon(QPolygonF({QPointF(40, 244), QPointF(56, 214), QPointF(74, 230)}));
    return image;
}

// A small disc image: a primary volume descriptor and its terminator, so that it reads
// as a data disc; a boot line naming the disc ID of the example game list's sample disc;
// then filler that does not compress, so that every container made from it is longer
// than the final 1,048,575 bytes in which readers look for the start screen.
QByteArray makeSampleDisc() {
    constexpr int kSector = 2048;
    constexpr int kSectors = 640;  // 1.25 MiB
    QByteArray disc(kSectors * kSector, '\0');
    auto put = [&disc](int offset, const QByteArray& text) { disc.replace(offset, text.size(), text); };
    const int primary = 16 * kSector;
    put(primary, QByteArray("\x01"
                            "CD001"
                            "\x01",
                            7));
    put(primary + 8, QByteArray("PLAYSTATION").leftJustified(32, ' '));
    put(primary + 40, QByteArray("QUILLON_SAMPLE").leftJustified(32, ' '));
    const int terminator = 17 * kSector;
    put(terminator, QByteArray("\xff"
                               "CD001"
                               "\x01",
                               7));
    const QByteArray boot("BOOT = cdrom:\\SCUS_990.01;1\r\n");
    put(18 * kSector, boot);
    quint32 state = 0x9E3779B9u;  // xorshift: the same bytes at every build
    for (int i = 18 * kSector + static_cast<int>(boot.size()); i < disc.size(); ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        disc[i] = static_cast<char>(state >> 24);
    }
    return disc;
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

bool writePicture(const QString& path, const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
    // Drawing text needs the font database, and so an application, but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: make_program_files FOLDER NAME...\n");
        return 2;
    }
    std::map<QString, std::function<bool(const QString&)>> makers{
        {"back.png", [](const QString& p) { return writePicture(p, drawMenuBackground()); }},
        {"icon_back.png", [](const QString& p) { return writePicture(p, drawIconBackdrop()); }},
        {"no_icon0.png", [](const QString& p) { return writePicture(p, drawNoIcon()); }},
        {"warning.png", [](const QString& p) { return writePicture(p, drawWarningScreen()); }},
        {"sample.iso", [](const QString& p) { return writeBytes(p, makeSampleDisc()); }},
    };
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        makers.emplace(QStringLiteral("icon-%1.png").arg(size),
                       [size](const QString& p) { return writePicture(p, drawProgramIcon(size)); });
    }
    const QString folder = arguments[1];
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        const auto maker = makers.find(arguments[i]);
        if (maker == makers.end()) {
            std::fprintf(stderr, "make_program_files: unknown file %s\n", qPrintable(arguments[i]));
            return 2;
        }
        const QString path = folder + '/' + arguments[i];
        if (!maker->second(path)) {
            std::fprintf(stderr, "make_program_files: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
