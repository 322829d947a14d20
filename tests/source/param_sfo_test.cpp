#include "source/param_sfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace quillon {
namespace {

// PARAM.SFO lies behind a 40-byte header in a container's head.
constexpr std::uint64_t kSfo = 40;
// Positions in the table that buildParamSfo makes of gameEntries(): keys CATEGORY,
// DISC_ID, REGION, TITLE; key table at 84, data table at 116.
constexpr std::uint64_t kDiscIdEntry = kSfo + 20 + 16 * 1;
constexpr std::uint64_t kTitleEntry = kSfo + 20 + 16 * 3;
constexpr std::uint64_t kDiscIdValue = kSfo + 116 + 4;
constexpr std::uint64_t kTitleValue = kSfo + 116 + 24;

std::vector<SfoEntry> gameEntries(const std::string& title, const std::string& discId) {
    return {{"TITLE", false, title, 0, 128},
            {"DISC_ID", false, discId, 0, 16},
            {"REGION", true, "", 0x8000, 0},
            {"CATEGORY", false, "ME", 0, 4}};
}

Bytes containerHead(const std::vector<SfoEntry>& entries) {
    Bytes head(kSfo, 0xAB);
    const Bytes sfo = buildParamSfo(entries);
    head.insert(head.end(), sfo.begin(), sfo.end());
    return head;
}

Bytes firstBytes(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + count); }

std::string text(const Bytes& bytes, std::uint64_t position, std::size_t count) {
    return std::string(bytes.begin() + position, bytes.begin() + position + count);
}

ParamFields readValues(const Bytes& head, std::uint64_t sfo = kSfo) { return readParamFields(head, sfo); }
ParamWriteResult writeValues(Bytes& head, const std::string& title, const std::string& discId) {
    return writeParamFields(head, kSfo, title, discId);
}

TEST(ParamSfoBuildTest, SortedKeysPaddedKeyTableAndValuesInTheirRooms) {
    const Bytes sfo = buildParamSfo(gameEntries("Some Game", "SLUS01234"));
    ASSERT_EQ(sfo.size(), 116u + 4 + 16 + 4 + 128);
    EXPECT_EQ(text(sfo, 0, 4), std::string("\0PSF", 4));
    EXPECT_EQ(loadLe32(&sfo[4]), 0x101u);
    EXPECT_EQ(loadLe32(&sfo[8]), 84u);
    EXPECT_EQ(loadLe32(&sfo[12]), 116u);
    EXPECT_EQ(loadLe32(&sfo[16]), 4u);
    EXPECT_EQ(text(sfo, 84, 32), std::string("CATEGORY\0DISC_ID\0REGION\0TITLE\0\0\0", 32));

    struct Entry {
        std::uint16_t keyOffset, format;
        std::uint32_t length, room, valueOffset;
    };
    const std::array<Entry, 4> expected{
        {{0, 0x0204, 3, 4, 0}, {9, 0x0204, 10, 16, 4}, {17, 0x0404, 4, 4, 20}, {24, 0x0204, 10, 128, 24}}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::uint8_t* e = &sfo[20 + 16 * i];
        EXPECT_EQ(loadLe16(e), expected[i].keyOffset) << i;
        EXPECT_EQ(loadLe16(e + 2), expected[i].format) << i;
        EXPECT_EQ(loadLe32(e + 4), expected[i].length) << i;
        EXPECT_EQ(loadLe32(e + 8), expected[i].room) << i;
        EXPECT_EQ(loadLe32(e + 12), expected[i].valueOffset) << i;
    }
    EXPECT_EQ(text(sfo, 116, 4), std::string("ME\0\0", 4));
    EXPECT_EQ(loadLe32(&sfo[136]), 0x8000u);
    EXPECT_EQ(text(sfo, 140, 10), std::string("Some Game\0", 10));
}

TEST(ParamSfoBuildTest, TextLongerThanItsRoomKeepsATerminatingZero) {
    const Bytes head = containerHead(gameEntries(std::string(200, 'T'), "SLUS01234"));
    EXPECT_EQ(loadLe32(&head[kTitleEntry + 4]), 128u);
    EXPECT_EQ(head[kTitleValue + 127], 0);
    EXPECT_EQ(readValues(head).title, std::string(127, 'T'));
}

TEST(ParamSfoReadTest, ATableWithoutValuesEndsWithItsKeyTable) {
    // The key walk takes in the data table's first byte; a table without values has none.
    for (const Bytes& sfo : {buildParamSfo({}), buildParamSfo({{"TITLE", false, "x", 0, 0}})}) {
        const ParamFields fields = readParamFields(sfo, 0);
        EXPECT_FALSE(fields.outOfBounds);
        EXPECT_EQ(fields.title, "");
    }
}

TEST(ParamSfoReadTest, ReadsTitleAndDiscIdAndLeavesAbsentKeysEmpty) {
    const ParamFields v = readValues(containerHead(gameEntries("Some Game", "SLUS01234")));
    EXPECT_EQ(v.title, "Some Game");
    EXPECT_EQ(v.discId, "SLUS01234");
    EXPECT_FALSE(v.outOfBounds);

    // Keys are matched exactly, letter case included.
    const ParamFields absent = readValues(containerHead({{"Title", false, "x", 0, 8}, {"DISC_ID", false, "A", 0, 8}}));
    EXPECT_EQ(absent.title, "");
    EXPECT_EQ(absent.discId, "A");

    Bytes head = containerHead(gameEntries("Some Game", "SLUS01234"));
    for (const std::uint32_t length : {1u, 0u}) {
        storeLe32(&head[kTitleEntry + 4], length);
        EXPECT_EQ(readValues(head).title, "") << length;
    }
}

TEST(ParamSfoWriteTest, ValuesFillTheirRoomsWithZerosAndLengthsCountTheZero) {
    Bytes head = containerHead(gameEntries("An older and longer title", "XXXX00000"));
    Bytes expected = head;
    std::memcpy(&expected[kTitleValue], "Ten chars!", 10);
    std::fill_n(&expected[kTitleValue + 10], 118, 0);
    storeLe32(&expected[kTitleEntry + 4], 11);
    std::memcpy(&expected[kDiscIdValue], "SLUS01234", 9);
    std::fill_n(&expected[kDiscIdValue + 9], 7, 0);
    storeLe32(&expected[kDiscIdEntry + 4], 10);

    const ParamWriteResult result = writeValues(head, "Ten chars!", "SLUS01234");
    EXPECT_EQ(head, expected);
    EXPECT_FALSE(result.titleCut || result.discIdCut || result.outOfBounds);
}

TEST(ParamSfoWriteTest, OverLongValuesAreCutAndFlaggedAndTheLengthAgreesWithTheBytes) {
    Bytes head = containerHead(gameEntries("Old", "OLD"));
    storeLe32(&head[kTitleEntry + 4], 0x01000005);  // odd higher bytes do not survive
    const ParamWriteResult result = writeValues(head, std::string(300, 'T'), "SLUS0123456789ABC");
    EXPECT_TRUE(result.titleCut);
    EXPECT_TRUE(result.discIdCut);
    EXPECT_EQ(loadLe32(&head[kTitleEntry + 4]), 128u);
    EXPECT_EQ(loadLe32(&head[kDiscIdEntry + 4]), 16u);
    const ParamFields v = readValues(head);
    EXPECT_EQ(v.title, std::string(127, 'T'));
    EXPECT_EQ(v.discId, "SLUS0123456789A");

    // Exactly room - 1 characters still fit.
    EXPECT_FALSE(writeValues(head, std::string(127, 'U'), "X").titleCut);

    // A room of 0 bytes holds nothing, not even the zero.
    storeLe32(&head[kDiscIdEntry + 8], 0);
    const Bytes before = head;
    EXPECT_TRUE(writeValues(head, "T", "SLUS01234").discIdCut);
    EXPECT_EQ(loadLe32(&head[kDiscIdEntry + 4]), 0u);
    EXPECT_EQ(text(head, kDiscIdValue, 16), text(before, kDiscIdValue, 16));
    EXPECT_FALSE(writeValues(head, "T", "").discIdCut);
}

TEST(ParamSfoMalformedTest, TruncatedTablesAreReadAsFarAsTheyGo) {
    const Bytes whole = containerHead(gameEntries("Some Game", "SLUS01234"));

    for (const std::size_t size : {0, 45, 55}) {  // no room for the table starts
        const ParamFields v = readValues(firstBytes(whole, size));
        EXPECT_TRUE(v.outOfBounds) << size;
        EXPECT_EQ(v.title + v.discId, "") << size;
    }
    EXPECT_TRUE(readValues(whole, whole.size()).outOfBounds);
    EXPECT_TRUE(readValues(whole, ~std::uint64_t{0}).outOfBounds);

    // The key table is cut inside "DISC_ID": neither key is found.
    EXPECT_EQ(readValues(firstBytes(whole, kSfo + 84 + 12)).discId, "");

    // The title's value is cut after four bytes: those four are read.
    const ParamFields cut = readValues(firstBytes(whole, kTitleValue + 4));
    EXPECT_EQ(cut.discId, "SLUS01234");
    EXPECT_EQ(cut.title, "Some");
    EXPECT_TRUE(cut.outOfBounds);

    // Writing there leaves the title alone but stores the disc ID.
    Bytes head = firstBytes(whole, kTitleValue + 4);
    const Bytes before = head;
    const ParamWriteResult written = writeValues(head, "New", "SCES12345");
    EXPECT_TRUE(written.outOfBounds);
    EXPECT_EQ(text(head, kDiscIdValue, 10), std::string("SCES12345\0", 10));
    EXPECT_EQ(text(head, kTitleEntry, 16), text(before, kTitleEntry, 16));
    EXPECT_EQ(text(head, kTitleValue, 4), "Some");
}

TEST(ParamSfoMalformedTest, OffsetsPastTheBufferAreSkipped) {
    const Bytes whole = containerHead(gameEntries("Some Game", "SLUS01234"));

    // A value offset past the buffer: that value is neither read nor written.
    Bytes farValue = whole;
    storeLe32(&farValue[kTitleEntry + 12], 1000000);
    EXPECT_EQ(readValues(farValue).title, "");
    EXPECT_EQ(readValues(farValue).discId, "SLUS01234");
    const Bytes before = farValue;
    EXPECT_TRUE(writeValues(farValue, "New", "SLUS01234").outOfBounds);
    EXPECT_EQ(farValue, before);

    // A room that reaches past the buffer is not written either.
    Bytes wideRoom = whole;
    storeLe32(&wideRoom[kTitleEntry + 8], 0xFFFFFFFF);
    const Bytes wideBefore = wideRoom;
    EXPECT_TRUE(writeValues(wideRoom, "New", "SLUS01234").outOfBounds);
    EXPECT_EQ(wideRoom, wideBefore);

    // A data table start past the buffer: the key walk ends at the end of the buffer.
    Bytes endless = whole;
    storeLe32(&endless[kSfo + 12], 0xFFFFFFF0);
    const ParamFields v = readValues(endless);
    EXPECT_TRUE(v.outOfBounds);
    EXPECT_EQ(v.title + v.discId, "");
    const Bytes endlessBefore = endless;
    writeValues(endless, "New", "SLUS01234");
    EXPECT_EQ(endless, endlessBefore);
}

TEST(ParamSfoMalformedTest, AnEntryNumberPastTheIndexIsSkipped) {
    // 300 zero bytes count 300 entries before "TITLE", whose index entry lies far outside.
    Bytes sfo(20, 0);
    storeLe32(&sfo[8], 20);
    sfo.resize(20 + 300, 0);
    for (const char c : std::string_view("TITLE")) sfo.push_back(static_cast<std::uint8_t>(c));
    sfo.push_back(0);
    storeLe32(&sfo[12], static_cast<std::uint32_t>(sfo.size()));
    sfo.push_back(0);
    const ParamFields fields = readParamFields(sfo, 0);
    EXPECT_TRUE(fields.outOfBounds);
    EXPECT_EQ(fields.title, "");
    const Bytes before = sfo;
    EXPECT_TRUE(writeParamFields(sfo, 0, "New", "").outOfBounds);
    EXPECT_EQ(sfo, before);
}

// ---- every entry, as readers of the container take them ----

TEST(ParamEntriesTest, GivesEveryKeyWithItsFormatAndValue) {
    const auto params = readParamEntries(buildParamSfo(gameEntries("Some Game", "SLUS01234")));
    ASSERT_TRUE(params.ok()) << params.error().message;
    ASSERT_EQ(params->size(), 4u);
    const std::vector<std::tuple<std::string, std::uint16_t, std::string, std::uint32_t>> expected{
        {"CATEGORY", kSfoTextFormat, "ME", 0},
        {"DISC_ID", kSfoTextFormat, "SLUS01234", 0},
        {"REGION", kSfoIntegerFormat, "", 0x8000},
        {"TITLE", kSfoTextFormat, "Some Game", 0}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const SfoParam& param = (*params)[i];
        EXPECT_EQ(std::tie(param.key, param.format, param.text, param.integer), expected[i]) << i;
    }
}

TEST(ParamEntriesTest, TableWithPartsOutsideItIsRefusedSayingWhy) {
    const Bytes sfo = buildParamSfo(gameEntries("Some Game", "SLUS01234"));
    const auto withField = [&](std::size_t at, std::uint32_t value) {
        Bytes copy = sfo;
        storeLe32(&copy[at], value);
        return copy;
    };
    Bytes noMagic = sfo;
    noMagic[1] = 'X';
    Bytes integerOfTwoBytes = sfo;
    storeLe32(&integerOfTwoBytes[20 + 16 * 2 + 4], 2);
    Bytes keyPastTheEnd = sfo;
    storeLe16(&keyPastTheEnd[20 + 16], 0xFFFF);
    const std::vector<std::pair<Bytes, std::string>> cases{
        {noMagic, "its magic is missing"},
        {Bytes(sfo.begin(), sfo.begin() + 19), "its index lies outside it"},
        {withField(16, 100), "its index lies outside it"},
        {withField(8, 0x10000), "the key of entry 1 lies outside it"},
        {keyPastTheEnd, "the key of entry 2 lies outside it"},
        {withField(20 + 16 * 3 + 12, 0x10000), "the value of TITLE lies outside it"},
        {integerOfTwoBytes, "the integer REGION is not 4 bytes long"},
    };
    for (const auto& [bytes, fault] : cases) {
        const auto params = readParamEntries(bytes);
        ASSERT_FALSE(params.ok()) << fault;
        EXPECT_EQ(params.error().message, fault);
    }
}

}  // namespace
}  // namespace quillon
