#include "source/sbi_file.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

Bytes sbi(std::initializer_list<Bytes> records) {
    Bytes file{'S', 'B', 'I', 0};
    for (const Bytes& record : records) file.insert(file.end(), record.begin(), record.end());
    return file;
}

Bytes record(std::uint8_t m, std::uint8_t s, std::uint8_t f, std::uint8_t type = 1) {
    Bytes r{m, s, f, type};
    r.resize(kSbiRecordSize, 0x41);
    return r;
}

TEST(SbiFileTest, FormIsTheMarkerAndWholeRecordsOfTypeOneAtValidTimes) {
    struct Case {
        Bytes bytes;
        std::optional<std::string> problem;
    };
    Bytes cut = sbi({record(0x03, 0x08, 0x05)});
    cut.pop_back();
    const Case cases[] = {
        {sbi({}), std::nullopt},
        {sbi({record(0x03, 0x08, 0x05), record(0x03, 0x35, 0x74)}), std::nullopt},
        {Bytes{'S', 'B', 'I'}, "it does not start with \"SBI\" and a zero byte"},
        {Bytes{'S', 'B', 'X', 0}, "it does not start with \"SBI\" and a zero byte"},
        {cut, "its length is not a whole number of 14-byte records"},
        {sbi({record(0x03, 0x08, 0x05), record(0x03, 0x60, 0x00)}), "record 2 has no valid time"},
        {sbi({record(0x03, 0x08, 0x75)}), "record 1 has no valid time"},
        {sbi({record(0x0A, 0x08, 0x05)}), "record 1 has no valid time"},
        {sbi({record(0x03, 0x08, 0x05, 2)}), "record 1 is of type 2, not 1"},
    };
    for (const Case& c : cases) EXPECT_EQ(sbiFormProblem(c.bytes), c.problem) << ::testing::PrintToString(c.bytes);
}

TEST(SbiFileTest, SidecarNamesFollowTheContainersNameAndDisc) {
    EXPECT_EQ(sidecarPath("out/EBOOT.PBP", 1, 1), "out/EBOOT.sbi");
    EXPECT_EQ(sidecarPath("out/EBOOT.PBP", 2, 3), "out/EBOOT_2.sbi");
    EXPECT_EQ(sidecarPath("a.b/GAME", 1, 1), "a.b/GAME.sbi");
    EXPECT_EQ(possibleSidecarPaths("EBOOT.PBP"),
              (std::vector<std::string>{"EBOOT.sbi", "EBOOT_1.sbi", "EBOOT_2.sbi", "EBOOT_3.sbi", "EBOOT_4.sbi",
                                        "EBOOT_5.sbi"}));
}

}  // namespace
}  // namespace quillon
