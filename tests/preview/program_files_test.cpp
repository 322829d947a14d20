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
