// The files that the build puts into the program folder's Files/ for the preview and for
// source inspection.
#include <QImage>
#include <QtTest>

#include "source/game_list.h"
#include "support/temp_folder.h"

using namespace quillon;

namespace {

QString shipped(const char* name) { return QStringLiteral(QUILLON_FILES_DIR "/") + name; }

}  // namespace

class ProgramFilesTest : public QObject {
    Q_OBJECT

private slots:
    void previewPicturesHaveTheirSizes() {
        const QImage back(shipped("back.png"));
        QCOMPARE(back.size(), QSize(480, 272));
        for (int y = 0; y < back.height(); y += 17) {
            for (int x = 0; x < back.width(); x += 13) QCOMPARE(back.pixelColor(x, y).alpha(), 255);
        }
        QCOMPARE(QImage(shipped("no_icon0.png")).size(), QSize(144, 80));
        const QImage iconBack(shipped("icon_back.png"));
        QCOMPARE(iconBack.size(), QSize(162, 98));
        // The backdrop lets the menu show through.
        QVERIFY(iconBack.pixelColor(81, 49).alpha() < 255);
    }

    // The default warning picture of source inspection: the start-screen picture, found
    // as the last "STARTDAT" within the final 1,048,575 bytes, from 80 bytes after the
    // marker to 4,976 bytes before the end.
    void sampleContainerCarriesTheWarningScreen() {
#ifndef QUILLON_SAMPLE_CONTAINER
        QSKIP("the popstation tool is not part of this build");
#endif
        const std::string container = testing::readFile(shipped("base.pbp").toStdString());
        constexpr std::size_t kWindow = 0xFFFFF;
        QVERIFY(container.size() >= kWindow);
        QVERIFY(container.starts_with(std::string("\0PBP", 4)));
        const std::size_t marker = container.rfind("STARTDAT");
        QVERIFY(marker != std::string::npos && marker >= container.size() - kWindow);
        QVERIFY(container.size() >= marker + 80 + 4976);
        const std::string picture = container.substr(marker + 80, container.size() - 4976 - marker - 80);
        const QImage warning = QImage::fromData(QByteArray::fromStdString(picture), "PNG");
        QCOMPARE(warning.size(), QSize(480, 272));
    }

    void exampleGameListIsInTheDocumentedForm() {
        const std::string bytes = testing::readFile(shipped("gameInfo.txt").toStdString());
        QVERIFY(!bytes.empty());
        QVERIFY(bytes.ends_with("\r\n"));
        const GameList list = loadGameList(shipped("gameInfo.txt").toStdString());
        QVERIFY(list.size() >= 5);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string& entry = list[i];
            QVERIFY2(!regionWordOf(entry).empty(), entry.c_str());
            QVERIFY2(!titleOf(entry).empty(), entry.c_str());
            // Each line starts with its own lookup key (PREFIX-NUMBER).
            QCOMPARE(findGameEntry(list, entry.substr(0, 10)), std::optional<std::size_t>(i));
        }
    }
};

QTEST_MAIN(ProgramFilesTest)
#include "program_files_test.moc"
