#include "source/pbp.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::TempFolder;

// A 40-byte header: magic, version 1, PARAM.SFO field, then the seven 32-bit fields.
Bytes headerBytes(std::uint32_t paramSfoField, const std::array<std::uint32_t, 7>& fields) {
    Bytes head(kPbpHeaderSize, 0);
    std::copy(kPbpMagic.begin(), kPbpMagic.end(), head.begin());
    storeLe32(head.data() + 4, 0x10000);
    storeLe32(head.data() + 8, paramSfoField);
    for (std::size_t i = 0; i < fields.size(); ++i) storeLe32(head.data() + 12 + 4 * i, fields[i]);
    return head;
}

PbpHeader header(const std::array<std::uint32_t, 7>& offsets, std::uint8_t paramSfo = 40) {
    return *decodePbpHeader(headerBytes(paramSfo, offsets));
}

Bytes withMarker(std::size_t size, const std::vector<std::pair<std::size_t, std::string_view>>& marks) {
    Bytes file(size, 0);
    for (const auto& [position, text] : marks) std::copy(text.begin(), text.end(), file.begin() + position);
    return file;
}

InputFile openWritten(const TempFolder& dir, const std::string& name, const Bytes& content) {
    auto file = InputFile::open(dir.write(name, content));
    EXPECT_TRUE(file.ok());
    return std::move(file).value();
}

TEST(PbpHeaderTest, OffsetsAreThreeLowerBytesAndParamSfoItsLowestByte) {
    Bytes head = headerBytes(0x00000128, {100, 200, 300, 400, 500, 600, 0x01050000});
    head.push_back(0xEE);  // a longer head decodes the same
    const auto decoded = decodePbpHeader(head);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->hasMagic());
    EXPECT_EQ(decoded->version, 0x10000u);
    EXPECT_EQ(decoded->paramSfo, 40);
    EXPECT_EQ(decoded->dataPsar, 327680u);
    EXPECT_EQ(decoded->offset(PbpSection::ParamSfo), 40u);
    EXPECT_EQ(decoded->offset(PbpSection::Icon0), 100u);
    EXPECT_EQ(decoded->offset(PbpSection::Snd0), 500u);
    EXPECT_EQ(decoded->offset(PbpSection::DataPsp), 600u);

    head[1] = 'Q';
    EXPECT_FALSE(decodePbpHeader(head)->hasMagic());
    EXPECT_FALSE(decodePbpHeader(std::span(head).first(39)));
    EXPECT_FALSE(decodePbpHeader({}));
}

TEST(PbpHeaderTest, TheEncoderWritesWhatTheDecoderReads) {
    const Bytes head = headerBytes(0x28, {100, 200, 300, 400, 500, 600, 0x50000});
    EXPECT_EQ(encodePbpHeader(*decodePbpHeader(head)), head);
    // The highest byte of each field is no part of its offset and is written zero.
    const Bytes high = headerBytes(0x28, {0x11000064, 200, 300, 400, 500, 600, 0x77050000});
    EXPECT_EQ(encodePbpHeader(*decodePbpHeader(high)), head);
}

TEST(PbpHeaderTest, LayoutCheckRefusesOffsetsOutOfOrderOrPastTheEnd) {
    EXPECT_TRUE(checkPbpLayout(header({100, 100, 100, 100, 100, 100, 1000}), 1000).ok());

    const Status reversed = checkPbpLayout(header({100, 300, 200, 400, 500, 600, 700}), 1000);
    ASSERT_FALSE(reversed.ok());
    EXPECT_EQ(reversed.error().kind, Error::Kind::Format);
    EXPECT_EQ(reversed.error().message,
              "The PBP file is damaged: PIC0.PNG (offset 200) starts before ICON1.PMF (offset 300).");

    EXPECT_EQ(checkPbpLayout(header({100, 200, 300, 400, 500, 600, 1001}), 1000).error().message,
              "The PBP file is damaged: DATA.PSAR (offset 1001) lies past the end of the file "
              "(1000 bytes).");
    EXPECT_EQ(checkPbpLayout(header({30, 200, 300, 400, 500, 600, 700}), 1000).error().message,
              "The PBP file is damaged: ICON0.PNG (offset 30) starts before PARAM.SFO (offset 40).");
    EXPECT_EQ(checkPbpLayout(header({100, 200, 300, 400, 500, 600, 700}, 8), 1000).error().message,
              "The PBP file is damaged: PARAM.SFO (offset 8) overlaps the header.");
}

TEST(PbpHeaderTest, DataPspLengthLeavesOutTrailingZeros) {
    const PbpHeader h = header({40, 40, 40, 40, 40, 50, 60});
    Bytes head(60, 0);
    EXPECT_EQ(dataPspLength(head, h), 0u);
    head[52] = 7;
    EXPECT_EQ(dataPspLength(head, h), 3u);
    head[59] = 1;
    EXPECT_EQ(dataPspLength(head, h), 10u);
    // A head that does not reach DATA.PSAR, and reversed offsets.
    EXPECT_EQ(dataPspLength(std::span(head).first(59), h), 0u);
    EXPECT_EQ(dataPspLength(head, header({40, 40, 40, 40, 40, 60, 50})), 0u);
}

TEST(PbpFileTest, IsoMarkerIsFoundOnlyBelowTheLimit) {
    TempFolder dir;
    InputFile file = openWritten(dir, "iso.pbp", withMarker(100, {{20, "PSISOIMG"}, {50, "PSISOIMX"}}));
    EXPECT_TRUE(*hasIsoMarkerAt(file, 20, 100));
    EXPECT_FALSE(*hasIsoMarkerAt(file, 20, 20));
    EXPECT_FALSE(*hasIsoMarkerAt(file, 50, 100));
    EXPECT_FALSE(*hasIsoMarkerAt(file, 100, 100));  // at the end: nothing is read

    const auto cutShort = hasIsoMarkerAt(file, 95, 200);
    ASSERT_FALSE(cutShort.ok());
    EXPECT_EQ(cutShort.error().kind, Error::Kind::Read);
    EXPECT_NE(cutShort.error().message.find("Read beyond end of file"), std::string::npos);
}

TEST(PbpFileTest, StartDatIsTheLastWholeMarkerInTheFinalWindow) {
    TempFolder dir;
    constexpr std::size_t kSize = 1200000;
    const std::size_t windowStart = kSize - kStartDatWindow;
    // Two markers: the later counts. A marker cut by the end of the file does not.
    InputFile two = openWritten(
        dir, "two.pbp",
        withMarker(kSize, {{windowStart + 10, "STARTDAT"}, {kSize - 5000, "STARTDAT"}, {kSize - 7, "STARTDA"}}));
    EXPECT_EQ(*findStartDat(two), std::optional<std::uint64_t>(kSize - 5000));
    // Before the window does not count.
    InputFile early = openWritten(dir, "early.pbp", withMarker(kSize, {{windowStart - 1, "STARTDAT"}}));
    EXPECT_FALSE(findStartDat(early)->has_value());
}

TEST(PbpFileTest, StartDatNeedsAFileAsLongAsTheWindow) {
    TempFolder dir;
    InputFile exact = openWritten(dir, "exact.pbp", withMarker(kStartDatWindow, {{0, "STARTDAT"}}));
    EXPECT_EQ(*findStartDat(exact), std::optional<std::uint64_t>(0));
    InputFile shorter = openWritten(dir, "shorter.pbp", withMarker(kStartDatWindow - 1, {{0, "STARTDAT"}}));
    EXPECT_FALSE(findStartDat(shorter)->has_value());
}

TEST(PbpFileTest, StartScreenPictureLiesBetweenBlockHeadAndTrailer) {
    const auto picture = startScreenPicture(1000, 1000 + 80 + 300 + kStartDatTrailerSize);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->offset, 1080u);
    EXPECT_EQ(picture->length, 300u);
    EXPECT_EQ(startScreenPicture(1000, 1080 + kStartDatTrailerSize)->length, 0u);
    EXPECT_FALSE(startScreenPicture(1000, 1079 + kStartDatTrailerSize));
    EXPECT_FALSE(startScreenPicture(0, 100));
    EXPECT_FALSE(startScreenPicture(2000000, 1000000));
}

TEST(SaveTitleTest, KeepsWholeCharactersWithinItsRoom) {
    const std::string euro = "\xE2\x82\xAC";  // three bytes
    const std::vector<std::pair<std::string, std::string>> cases{
        {std::string(128, 'S'), std::string(128, 'S')},
        {std::string(129, 'S'), std::string(128, 'S')},
        {std::string(126, 'S') + euro, std::string(126, 'S')},
        {std::string(125, 'S') + euro + "x", std::string(125, 'S') + euro},
        {std::string(127, 'S') + "\xF0\x9F\x8E\xAE", std::string(127, 'S')},
        {"Harbor Run", "Harbor Run"},
    };
    for (const auto& [title, stored] : cases) EXPECT_EQ(storedSaveTitle(title), stored);
}

TEST(PbpLayoutTest, DataPsarTakesTheFirstBoundaryAboveTheEnd) {
    const ArtworkLengths none{};
    const auto layoutFor = [&](std::uint64_t end) { return layOutContainer(1000, none, end - 1000); };
    EXPECT_EQ(layoutFor(300000)->dataPsar, 327680u);
    EXPECT_EQ(layoutFor(300000)->fillerLength, 27680u);
    EXPECT_EQ(layoutFor(327679)->dataPsar, 327680u);
    EXPECT_EQ(layoutFor(327679)->fillerLength, 1u);
    EXPECT_EQ(layoutFor(327680)->dataPsar, 655360u);
    EXPECT_EQ(layoutFor(1310719)->dataPsar, 1310720u);
    EXPECT_EQ(layoutFor(2621439)->dataPsar, 2621440u);
    EXPECT_FALSE(layoutFor(2621440));
    EXPECT_FALSE(layOutContainer(2621440, none, 0));
}

TEST(PbpLayoutTest, PiecesFollowEachOtherFromIcon0) {
    const auto empty = layOutContainer(500, {}, 0);
    ASSERT_TRUE(empty);
    for (std::uint32_t offset : empty->artwork) EXPECT_EQ(offset, 500u);
    EXPECT_EQ(empty->dataPsp, 500u);

    const auto layout = layOutContainer(500, {10, 20, 30, 40, 50}, 60);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->artwork, (PerArtworkSection<std::uint32_t>{500, 510, 530, 560, 600}));
    EXPECT_EQ(layout->dataPsp, 650u);
    EXPECT_EQ(layout->end, 710u);

    // Pieces of any size are too big; their sum never wraps around to a small offset.
    constexpr auto kHuge = std::numeric_limits<std::uint64_t>::max();
    EXPECT_FALSE(layOutContainer(500, {kHuge, kHuge, 0, 0, 0}, 0));
    EXPECT_FALSE(layOutContainer(500, {}, kHuge));
}

TEST(PbpLayoutTest, NewOffsetsReplaceOnlyTheLowerBytesFromIcon1On) {
    Bytes head =
        headerBytes(0x28, {0x11000064, 0x22000000, 0x33000000, 0x44000000, 0x55000000, 0x66000000, 0x77000000});
    const Bytes before = head;
    const auto layout = layOutContainer(100, {1, 2, 3, 4, 5}, 6);
    ASSERT_TRUE(writeLayoutOffsets(head, *layout));
    EXPECT_TRUE(std::equal(head.begin(), head.begin() + 16, before.begin()));
    EXPECT_EQ(loadLe32(head.data() + 16), 0x22000065u);
    EXPECT_EQ(loadLe32(head.data() + 32), 0x66000073u);
    EXPECT_EQ(loadLe32(head.data() + 36), 0x77050000u);
    EXPECT_EQ(decodePbpHeader(head)->dataPsar, 327680u);

    Bytes shortHead(39, 0);
    EXPECT_FALSE(writeLayoutOffsets(shortHead, *layout));
    EXPECT_EQ(shortHead, Bytes(39, 0));
}

}  // namespace
}  // namespace quillon
