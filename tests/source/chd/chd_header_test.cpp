// The CHD header: what a version 5 CD image gives, and the refusals, each naming the file.
#include <gtest/gtest.h>

#include "source/chd/chd_header.h"
#include "support/chd_writer.h"

namespace quillon::testing {
namespace {

TestChd smallDisc() { return testChdOf({{TestTrack::Mode::Mode2, 0, 0, mixedDataTrack(20, 0, 1)}}); }
Bytes smallChd() { return writeTestChd(smallDisc()); }

Expected<ChdHeader> parse(const Bytes& file) {
    return parseChdHeader(std::span(file).first(std::min(file.size(), kChdHeaderSize)), file.size(), "x.chd");
}

TEST(ChdHeaderTest, GivesTheNumbersOfAVersion5CdImage) {
    const TestChd disc = smallDisc();
    const auto header = parse(writeTestChd(disc));
    ASSERT_TRUE(header.ok()) << header.error().message;
    EXPECT_EQ(header->codecs[0], kChdCodecCdzl);
    EXPECT_EQ(header->codecs[1], kChdCodecCdzs);
    EXPECT_EQ(header->logicalBytes, 20 * kChdFrameSize);
    EXPECT_EQ(header->hunkBytes, 8 * kChdFrameSize);
    EXPECT_EQ(header->hunkCount(), 3u);
    EXPECT_EQ(header->framesPerHunk(), 8u);
    EXPECT_EQ(header->metaOffset, kChdHeaderSize);
    EXPECT_TRUE(header->compressed());
    EXPECT_EQ(header->rawSha1, sha1(disc.logical));
}

struct HeaderCase {
    const char* name;
    std::size_t offset;
    Bytes bytes;
    const char* message;
};

class ChdHeaderRefusalTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ChdHeaderRefusalTest, RefusesWithAMessageNamingTheFile) {
    Bytes file = smallChd();
    const Bytes& change = GetParam().bytes;
    std::copy(change.begin(), change.end(), file.begin() + static_cast<std::ptrdiff_t>(GetParam().offset));
    const auto header = parse(file);
    ASSERT_FALSE(header.ok());
    EXPECT_EQ(header.error().message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChdHeaderRefusalTest,
    ::testing::Values(
        HeaderCase{"Version4",
                   12,
                   {0, 0, 0, 4},
                   "The CHD \"x.chd\" cannot be read: it is a CHD of version 4, and only version 5 is read."},
        HeaderCase{"Parent",
                   104,
                   {0xAB, 0xCD},
                   "The CHD \"x.chd\" cannot be read: it holds only its differences from a parent CHD (whose "
                   "SHA-1 is abcd000000000000000000000000000000000000), and parent CHDs are not read."},
        HeaderCase{"HardDisk",
                   60,
                   {0, 0, 2, 0},
                   "The CHD \"x.chd\" cannot be read: it holds no CD image (its hunks are 19584 bytes and its "
                   "units 512, where a CD's are whole frames of 2448 bytes)."},
        HeaderCase{"HeaderLength", 8, {0, 0, 0, 0x78}, "The CHD \"x.chd\" is damaged: its header length is wrong."},
        HeaderCase{
            "MapPastTheEnd", 40, {0, 0, 0, 1}, "The CHD \"x.chd\" is damaged: its hunk map lies outside the file."},
        HeaderCase{"SizeOfNoCd",
                   32,
                   {0, 0, 0, 0, 0, 0, 0, 1},
                   "The CHD \"x.chd\" is damaged: it gives a size of 1 bytes, which is no CD image's."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChdHeaderTest, AFileEndingInItsHeaderIsDamaged) {
    const Bytes file = smallChd();
    const Bytes cut(file.begin(), file.begin() + 100);
    EXPECT_EQ(parse(cut).error().message, "The CHD \"x.chd\" is damaged: it ends inside its header.");
}

TEST(ChdHeaderTest, CodecNamesAreTheirLettersOrTheirNumber) {
    EXPECT_EQ(chdCodecName(kChdCodecCdlz), "cdlz");
    EXPECT_EQ(chdCodecName(chdTag("huff")), "huff");
    EXPECT_EQ(chdCodecName(0x01020304), "0x01020304");
}

}  // namespace
}  // namespace quillon::testing
