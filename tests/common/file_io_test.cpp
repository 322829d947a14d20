#include "common/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::readFile;
using testing::TempFolder;

class OutputFileTest : public ::testing::Test {
protected:
    void TearDown() override { quillon::testing::failWritesAfter(std::nullopt); }
    std::size_t filesIn(const TempFolder& folder) {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.path())) ++n;
        return n;
    }
    TempFolder dir;
};

TEST_F(OutputFileTest, TargetAppearsOnlyOnCommit) {
    const std::string target = dir.file("out.bin");
    auto out = OutputFile::create(target);
    ASSERT_TRUE(out.ok()) << out.error().message;
    ASSERT_TRUE(out->write(asBytes("abc")).ok());
    ASSERT_TRUE(out->writeZeros(70000).ok());
    EXPECT_FALSE(isFile(target));
    ASSERT_TRUE(out->commit().ok());
    const std::string content = readFile(target);
    ASSERT_EQ(content.size(), 70003u);
    EXPECT_EQ(content.substr(0, 3), "abc");
    EXPECT_EQ(filesIn(dir), 1u);
}

TEST_F(OutputFileTest, DiscardedWriteKeepsEarlierFileAndLeavesNoTemporary) {
    const std::string target = dir.write("out.bin", "earlier");
    {
        auto out = OutputFile::create(target);
        ASSERT_TRUE(out.ok());
        ASSERT_TRUE(out->write(asBytes("new content")).ok());
    }
    EXPECT_EQ(readFile(target), "earlier");
    EXPECT_EQ(filesIn(dir), 1u);
}

TEST_F(OutputFileTest, FullDiskFailsTheWriteWithTheSystemsReason) {
    const std::string target = dir.write("out.bin", "earlier");
    quillon::testing::failWritesAfter(5);
    auto out = OutputFile::create(target);
    ASSERT_TRUE(out.ok());
    EXPECT_TRUE(out->write(asBytes("12345")).ok());
    const Status st = out->write(asBytes("6"));
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().kind, Error::Kind::Write);
    EXPECT_NE(st.error().message.find(target), std::string::npos);
    EXPECT_NE(st.error().message.find("No space left on device"), std::string::npos);
    out->discard();
    EXPECT_EQ(readFile(target), "earlier");
    EXPECT_EQ(filesIn(dir), 1u);
}

// The set's files with "new" written into each, ready to commit.
OutputFileSet setWriting(const std::vector<std::string>& targets) {
    OutputFileSet set;
    for (const std::string& target : targets) EXPECT_TRUE(set.add(target).ok());
    for (OutputFile& file : set) EXPECT_TRUE(file.write(asBytes("new")).ok());
    return set;
}

TEST_F(OutputFileTest, SetPutsEveryFileInPlaceTogether) {
    const std::string earlier = dir.write("disc.iso", "earlier");
    OutputFileSet set = setWriting({earlier, dir.file("disc.cue")});
    EXPECT_EQ(readFile(earlier), "earlier");
    EXPECT_FALSE(isFile(dir.file("disc.cue")));
    ASSERT_TRUE(set.commit().ok());
    EXPECT_EQ(readFile(earlier), "new");
    EXPECT_EQ(readFile(dir.file("disc.cue")), "new");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"disc.cue", "disc.iso"})) << "nothing kept aside stays";
}

TEST_F(OutputFileTest, SetThatCannotPlaceOneFileKeepsEveryEarlierFile) {
    // The second and the last file's names come to name folders while they are written.
    for (const std::size_t failing : {1u, 2u}) {
        SCOPED_TRACE(failing);
        TempFolder folder;
        const std::vector<std::string> targets{folder.write("a.iso", "earlier a"), folder.file("b.cue"),
                                               folder.write("c.iso", "earlier c")};
        OutputFileSet set = setWriting(targets);
        std::filesystem::remove(targets[failing]);
        folder.write(fileNameOf(targets[failing]) + "/inside", "");

        const Status committed = set.commit();

        ASSERT_FALSE(committed.ok());
        EXPECT_EQ(committed.error().message.rfind("Cannot replace file \"" + targets[failing] + "\". ", 0), 0u)
            << committed.error().message;
        EXPECT_EQ(readFile(targets[0]), "earlier a");
        if (failing == 1) {
            EXPECT_EQ(readFile(targets[2]), "earlier c");
        }
        const std::vector<std::string> left = failing == 1 ? std::vector<std::string>{"a.iso", "b.cue", "c.iso"}
                                                           : std::vector<std::string>{"a.iso", "c.iso"};
        EXPECT_EQ(folder.names(), left) << "no new file where there was none, and nothing left aside";
    }
}

TEST_F(OutputFileTest, WriteAtOverwritesWrittenBytesOnlyAndLaterWritesAppend) {
    const std::string target = dir.file("table.bin");
    auto out = OutputFile::create(target);
    ASSERT_TRUE(out.ok()) << out.error().message;
    ASSERT_TRUE(out->write(asBytes("....data")).ok());
    ASSERT_TRUE(out->writeAt(0, asBytes("HEAD")).ok());
    EXPECT_FALSE(out->writeAt(6, asBytes("xyz")).ok());  // would run past the end
    ASSERT_TRUE(out->write(asBytes("+tail")).ok());
    EXPECT_EQ(out->written(), 13u);
    ASSERT_TRUE(out->commit().ok());
    EXPECT_EQ(readFile(target), "HEADdata+tail");
}

TEST_F(OutputFileTest, MissingFolderAndReadOnlyTargetAreRefused) {
    auto missing = OutputFile::create(dir.file("nofolder/out.bin"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message,
              "Cannot create file \"" + dir.file("nofolder/out.bin") + "\". No such file or directory");

    const std::string target = dir.write("locked.bin", "keep");
    std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    auto locked = OutputFile::create(target);
    ASSERT_FALSE(locked.ok());
    EXPECT_EQ(readFile(target), "keep");
}

// Bytes that do not repeat within a few MiB, so a range taken from the wrong place shows.
std::string unrepeatedBytes(std::size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

struct Range {
    std::uint64_t position;
    std::uint64_t length;
};

// Appends the ranges of `source` one after another behind a 3-byte head and checks that
// the committed file holds exactly those bytes, written() following each step.
void expectRangesAppended(const std::string& source, const std::vector<Range>& ranges, const std::string& target) {
    auto in = InputFile::open(source);
    ASSERT_TRUE(in.ok()) << in.error().message;
    const std::string sourceBytes = readFile(source);
    auto out = OutputFile::create(target);
    ASSERT_TRUE(out.ok()) << out.error().message;
    ASSERT_TRUE(out->write(asBytes("abc")).ok());
    std::string expected = "abc";
    for (const Range& range : ranges) {
        SCOPED_TRACE(std::to_string(range.position) + " + " + std::to_string(range.length));
        const Status st = out->appendFrom(*in, range.position, range.length);
        ASSERT_TRUE(st.ok()) << st.error().message;
        expected += sourceBytes.substr(range.position, range.length);
        EXPECT_EQ(out->written(), expected.size());
    }
    ASSERT_TRUE(out->write(asBytes("xyz")).ok());
    ASSERT_TRUE(out->commit().ok());
    EXPECT_TRUE(readFile(target) == expected + "xyz");
}

// appendFrom's two ways of moving bytes: inside the kernel where the system can, and
// through its buffer (forced here as on a system without the in-kernel copy).
enum class CopyPath { InKernel, ThroughBuffer };

class AppendFromTest : public OutputFileTest, public ::testing::WithParamInterface<CopyPath> {
protected:
    void SetUp() override { quillon::testing::forceCopyFallback(GetParam() == CopyPath::ThroughBuffer); }
    void TearDown() override {
        quillon::testing::forceCopyFallback(false);
        OutputFileTest::TearDown();
    }
    // A source of 3 MiB and 1,234 bytes.
    std::string source() { return dir.write("source.bin", unrepeatedBytes(3 * 1048576 + 1234)); }
};

TEST_P(AppendFromTest, CopiesExactlyTheRangesAskedAtAnyAlignment) {
    const std::string path = source();
    const std::uint64_t size = std::filesystem::file_size(path);
    expectRangesAppended(path,
                         // After 3 bytes of output: a head up to the output's next 64 KiB,
                         // then whole source pages (the kernel's share where it copies).
                         {{3, 1048576 + 5},
                          {4104, 300000},  // source and output at different places in their pages
                          {0, 1},
                          {4780, 16 * 65535},  // a run of blocks as the conversion copies them
                          {4780 + 16 * 65535, 3 * 65535 + 17},
                          {4097, 0},
                          {12345, 2 * 1048576 + 7},
                          {size - 5000, 5000}},
                         dir.file("out.bin"));
}

TEST_P(AppendFromTest, RangePastTheEndOfTheSourceFailsBeforeWriting) {
    const std::string path = source();
    const std::uint64_t size = std::filesystem::file_size(path);
    auto in = InputFile::open(path);
    ASSERT_TRUE(in.ok());
    const std::string target = dir.file("out.bin");
    auto out = OutputFile::create(target);
    ASSERT_TRUE(out.ok());
    ASSERT_TRUE(out->write(asBytes("abc")).ok());
    for (const Range range : {Range{size - 10, 11}, Range{size, 1}, Range{size + 1, 0}, Range{~std::uint64_t{0}, 2}}) {
        SCOPED_TRACE(std::to_string(range.position) + " + " + std::to_string(range.length));
        const Status st = out->appendFrom(*in, range.position, range.length);
        ASSERT_FALSE(st.ok());
        EXPECT_EQ(st.error().kind, Error::Kind::Read);
        EXPECT_EQ(st.error().message, "Cannot read file \"" + path + "\". Read beyond end of file");
        EXPECT_EQ(out->written(), 3u);
    }
    ASSERT_TRUE(out->commit().ok());
    EXPECT_EQ(readFile(target), "abc");
}

TEST_P(AppendFromTest, FullDiskFailsTheCopyWritingNothingPastTheBudget) {
    const std::string path = source();
    auto in = InputFile::open(path);
    ASSERT_TRUE(in.ok());
    const std::string target = dir.file("out.bin");
    quillon::testing::failWritesAfter(3 + 65535);
    auto out = OutputFile::create(target);
    ASSERT_TRUE(out.ok());
    ASSERT_TRUE(out->write(asBytes("abc")).ok());
    const Status st = out->appendFrom(*in, 4780, 65536);
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().kind, Error::Kind::Write);
    EXPECT_EQ(st.error().message, "Cannot write file \"" + target + "\". No space left on device");
    EXPECT_EQ(out->written(), 3u);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().string() != path) {
            EXPECT_EQ(entry.file_size(), 3u) << entry.path();
        }
    }
    out->discard();
    EXPECT_EQ(dir.names(), std::vector<std::string>{"source.bin"});
}

TEST_P(AppendFromTest, EarlierTargetSurvivesAFailedOrAbortedCopy) {
    const std::string path = source();
    auto in = InputFile::open(path);
    ASSERT_TRUE(in.ok());
    for (const bool fullDisk : {true, false}) {
        SCOPED_TRACE(fullDisk ? "full disk" : "aborted");
        const std::string target = dir.write("out.bin", "earlier");
        quillon::testing::failWritesAfter(fullDisk ? std::optional<std::uint64_t>(1000) : std::nullopt);
        {
            auto out = OutputFile::create(target);
            ASSERT_TRUE(out.ok());
            EXPECT_EQ(out->appendFrom(*in, 4096, 1048576).ok(), !fullDisk);
        }
        EXPECT_EQ(readFile(target), "earlier");
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"out.bin", "source.bin"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, AppendFromTest, ::testing::Values(CopyPath::InKernel, CopyPath::ThroughBuffer),
                         [](const ::testing::TestParamInfo<CopyPath>& info) {
                             return info.param == CopyPath::InKernel ? "InKernel" : "ThroughBuffer";
                         });

#ifdef __linux__
// A source on another file system (a memory one here) cannot be copied inside the kernel
// into a file on disk; the copies go through the buffer instead, the first and the rest.
TEST(AppendFromAcrossFileSystemsTest, CopiesThroughTheBufferWhenTheKernelCannot) {
    TempFolder dir;
    struct stat memory {
    }, disk{};
    if (::stat("/dev/shm", &memory) != 0 || ::stat(dir.path().c_str(), &disk) != 0 || memory.st_dev == disk.st_dev) {
        GTEST_SKIP() << "no memory file system apart from the temp folder";
    }
    const std::string source = "/dev/shm/quillon-test-" + std::to_string(std::random_device()()) + ".bin";
    std::ofstream(source, std::ios::binary) << unrepeatedBytes(1048576 + 999);
    expectRangesAppended(source, {{4780, 65535}, {1, 1048576 + 998}}, dir.file("out.bin"));
    removeFile(source);
}
#endif

TEST(InputFileTest, ReadsAtOffsetsAndReportsShortReads) {
    TempFolder dir;
    const std::string path = dir.write("in.bin", "0123456789");
    auto in = InputFile::open(path);
    ASSERT_TRUE(in.ok());
    EXPECT_EQ(in->size(), 10u);
    auto bytes = in->readBytes(3, 4);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "3456");
    auto tail = in->readUpTo(8, 100);
    ASSERT_TRUE(tail.ok());
    EXPECT_EQ(tail->size(), 2u);
    auto past = in->readUpTo(50, 10);
    ASSERT_TRUE(past.ok());
    EXPECT_TRUE(past->empty());
    auto shortRead = in->readBytes(8, 3);
    ASSERT_FALSE(shortRead.ok());
    EXPECT_EQ(shortRead.error().message, "Cannot read file \"" + path + "\". Read beyond end of file");
}

TEST(InputFileTest, OpensReadOnlyFilesAndRefusesWhatIsNoFileWithoutWaiting) {
    TempFolder dir;
    const std::string path = dir.write("ro.bin", "data");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_TRUE(InputFile::open(path).ok());
    std::vector<std::pair<std::string, std::string>> refused{
        {dir.file("none"), "No such file or directory"},
        {dir.folder(), "It is a folder, not a file."},
    };
#ifdef __linux__
    // Opening a named pipe for reading would wait for a writer for ever.
    ASSERT_EQ(::mkfifo(dir.file("pipe.pbp").c_str(), 0600), 0);
    refused.emplace_back(dir.file("pipe.pbp"), "It is a named pipe, not a file.");
    refused.emplace_back("/dev/null", "It is a device, not a file.");
#endif
    for (const auto& [name, reason] : refused) {
        auto file = InputFile::open(name);
        ASSERT_FALSE(file.ok()) << name;
        EXPECT_EQ(file.error().message, "Cannot open file \"" + name + "\". " + reason);
    }
}

#ifndef _WIN32
TEST_F(OutputFileTest, AReplacedFileKeepsItsModeAndALinkStaysALink) {
    const std::string privateFile = dir.write("mine.iso", "private");
    ::chmod(privateFile.c_str(), 0600);
    const std::string real = dir.write("settings/options.ini", "old");
    std::filesystem::create_symlink(real, dir.path() / "options.ini");
    ASSERT_TRUE(writeFileAtomically(privateFile, asBytes("new")).ok());
    ASSERT_TRUE(writeFileAtomically(dir.file("options.ini"), asBytes("[Options]")).ok());
    struct stat status {};
    ASSERT_EQ(::stat(privateFile.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(readFile(privateFile), "new");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "options.ini"));
    EXPECT_EQ(readFile(real), "[Options]");
}

TEST_F(OutputFileTest, LongNamesGetAShortTemporaryAndLeftoversOfKilledRunsGo) {
    // A name the file system takes: 250 bytes.
    const std::string longName = dir.file(std::string(246, 'a') + ".iso");
    ASSERT_TRUE(writeFileAtomically(longName, asBytes("image")).ok());
    EXPECT_EQ(readFile(longName), "image");
    // Runs that were killed left their temporary files behind, of this name or another
    // (their processes are gone); a running one's stays, and so do names of other forms.
    const std::string leftover = dir.write(".game.iso.999999999-0.part", "partial");
    const std::string otherLeftover = dir.write(".EBOOT.PBP.999999998-3.part", "partial");
    const std::string running = dir.write(".game.iso." + std::to_string(::getpid()) + "-99.part", "busy");
    std::vector<std::string> others;
    for (const char* name : {".notes.part", ".x.12a-3.part", "x.999999999-0.part", ".x.999999999.part"}) {
        others.push_back(dir.write(name, "mine"));
    }
    ASSERT_TRUE(writeFileAtomically(dir.file("game.iso"), asBytes("whole")).ok());
    EXPECT_FALSE(isFile(leftover));
    EXPECT_FALSE(isFile(otherLeftover));
    EXPECT_TRUE(isFile(running));
    for (const std::string& other : others) EXPECT_TRUE(isFile(other)) << other;
}
#endif

TEST(PathTest, ExtensionsAndNames) {
    EXPECT_EQ(extensionOf("/a/b/Foo.Bar.bin"), ".bin");
    EXPECT_EQ(extensionOf("/a.b/Foo"), "");
    EXPECT_EQ(fileNameOf("/a/b/Foo.Bar.bin"), "Foo.Bar.bin");
    EXPECT_EQ(toLowerAscii("GAME.PBP"), "game.pbp");
}

}  // namespace
}  // namespace quillon
