#include "common/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>

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
    std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::group_read);
    auto locked = OutputFile::create(target);
    ASSERT_FALSE(locked.ok());
    EXPECT_EQ(readFile(target), "keep");
}

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
    EXPECT_EQ(shortRead.error().message,
              "Cannot read file \"" + path + "\". Read beyond end of file");
}

TEST(InputFileTest, OpensReadOnlyFilesAndRefusesFoldersAndMissingFiles) {
    TempFolder dir;
    const std::string path = dir.write("ro.bin", "data");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_TRUE(InputFile::open(path).ok());
    EXPECT_FALSE(InputFile::open(dir.folder()).ok());
    auto missing = InputFile::open(dir.file("none"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message,
              "Cannot open file \"" + dir.file("none") + "\". No such file or directory");
}

TEST(PathTest, ExtensionsAndNames) {
    EXPECT_EQ(extensionOf("/a/b/Foo.Bar.bin"), ".bin");
    EXPECT_EQ(extensionOf("/a.b/Foo"), "");
    EXPECT_EQ(fileNameOf("/a/b/Foo.Bar.bin"), "Foo.Bar.bin");
    EXPECT_EQ(toLowerAscii("GAME.PBP"), "game.pbp");
}

}  // namespace
}  // namespace quillon
