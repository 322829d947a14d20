// The tool stage with the real QProcess and a small shell script standing in for the
// tool.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>

#include "common/file_io.h"
#include "convert/popstation_stage.h"
#include "process/qt_tool_process.h"

namespace quillon {
namespace {

using testing::PopstationStage;
using testing::readFile;

class PopstationProcessTest : public ::testing::Test, protected PopstationStage {
protected:
    StageOutcome run() { return PopstationStage::run(tool); }

    QtToolProcess tool;
};

TEST_F(PopstationProcessTest, ArgumentsReachTheToolUnchangedInTheFilesFolder) {
    installTool("pwd > cwd.txt\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > args.txt\necho Done.\n");
    const std::string path = program.write("R&D \"100%\" %PATH% $HOME `x`.bin", "x");
    job.source = path;
    job.compressionLevel = "7";
    EXPECT_EQ(run(), StageOutcome::Proceed);
    EXPECT_EQ(readFile(filesPath("args.txt")), "\nSLPM86023\n7\n" + path + "\n");
    std::string cwd = readFile(filesPath("cwd.txt"));
    cwd.pop_back();  // the line end
    EXPECT_EQ(std::filesystem::canonical(cwd), std::filesystem::canonical(job.workFolder));
    EXPECT_FALSE(isFile(filesPath("info.txt")));

    job.compressionLevel = "";
    EXPECT_EQ(run(), StageOutcome::Proceed);
    EXPECT_EQ(readFile(filesPath("args.txt")), path + "\n");
}

TEST_F(PopstationProcessTest, FailureShowsTheWholeOutputAndHowASilentToolEnded) {
    installTool("echo 'Reading image'\nprintf 'Error: cannot read\\n'\nexit 1\n");
    EXPECT_EQ(run(), StageOutcome::EndWithSummary);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Error from popstation.exe");
    EXPECT_EQ(host.messages[0].text, "Reading image\r\nError: cannot read\r\n");
    EXPECT_EQ(host.status(), "Converting file to PBP... (This may take some minutes)");

    installTool("exit 3\n");
    EXPECT_EQ(run(), StageOutcome::EndWithSummary);
    installTool("kill -SEGV $$\n");
    EXPECT_EQ(run(), StageOutcome::EndWithSummary);
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[1].text, "The popstation tool ended with exit code 3 and wrote nothing.");
    EXPECT_EQ(host.messages[2].text, "The popstation tool ended by the signal SIGSEGV (11) and wrote nothing.");
    EXPECT_FALSE(isFile(filesPath("info.txt")));
}

TEST_F(PopstationProcessTest, MissingToolIsError1) {
    EXPECT_EQ(run(), StageOutcome::EndWithSummary);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, std::string(kPopstationFileName) + " not found in folder \"Files\".");
}

TEST_F(PopstationProcessTest, AbortSendsSigintAndRemovesTheContainer) {
    installTool(
        "echo partial > EBOOT.PBP\n"
        "trap 'echo stopped > got-sigint; exit 130' INT\n"
        "echo ready > ready\n"
        "while :; do sleep 0.05; done\n");
    host.onPump = [this](int) {
        if (isFile(filesPath("ready"))) busy.requestAbort();
    };
    EXPECT_EQ(run(), StageOutcome::EndWithoutSummary);
    EXPECT_EQ(readFile(filesPath("got-sigint")), "stopped\n");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(isFile(filesPath("EBOOT.PBP")));
    EXPECT_FALSE(isFile(filesPath("info.txt")));
}

}  // namespace
}  // namespace quillon

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
