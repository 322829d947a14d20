#include "options/ini_file.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(IniFileTest, ReadsTrimmedValuesWithCaseInsensitiveNames) {
    const IniFile ini = IniFile::parse(
        "stray=before any section\r\n"
        "; a comment\r\n"
        "  [ options ]  \r\n"
        "\r\n"
        "  DEFICON0 =  C:\\a b\\icon.png  \r\n"
        "novalue line\n"
        "Key=first=second\r"
        "[Other]\r\n"
        "x=1\r\n");
    EXPECT_EQ(ini.value("Options", "defIcon0"), "C:\\a b\\icon.png");
    EXPECT_EQ(ini.value("OPTIONS", "key"), "first=second");
    EXPECT_EQ(ini.value("other", "X"), "1");
    EXPECT_FALSE(ini.value("Options", "stray"));
    EXPECT_FALSE(ini.value("Options", "missing"));
}

TEST(IniFileTest, WritingKeepsEverySectionAndKeyButDropsCommentsAndBlankLines) {
    IniFile ini = IniFile::parse(
        "; comment\r\n[Options]\r\nfolderOption=1\r\nunused=keep me\r\nbare line\r\n"
        "\r\n[Other]\r\nz=9\r\n");
    ini.setValue("options", "FOLDEROPTION", "2");
    ini.setValue("Options", "defWarning", "w.png");
    ini.setValue("Third", "a", "b");
    EXPECT_EQ(ini.serialize(),
              "[Options]\r\nFOLDEROPTION=2\r\nunused=keep me\r\nbare line\r\ndefWarning=w.png\r\n\r\n"
              "[Other]\r\nz=9\r\n\r\n"
              "[Third]\r\na=b\r\n\r\n");
}

TEST(IniFileTest, ByteOrderMarkIsSkippedAndValuesStayOnOneLine) {
    IniFile ini = IniFile::parse("\xEF\xBB\xBF[Options]\r\na=1\r\n");
    EXPECT_EQ(ini.value("Options", "a"), "1");
    ini.setValue("Options", "a", "first\nfolderOption=3");
    EXPECT_EQ(ini.serialize(), "[Options]\r\na=first\r\n\r\n");
}

TEST(IniFileTest, IntegersInDecimalAndHexadecimal) {
    const IniFile ini = IniFile::parse(
        "[Options]\r\na=2\r\nb=0x2\r\nc=$2\r\nd=7\r\ne=x\r\nf=0X1f\r\ng=-1\r\nh=\r\ni=2x\r\n"
        "j=99999999999\r\n");
    EXPECT_EQ(ini.integer("Options", "a"), 2);
    EXPECT_EQ(ini.integer("Options", "b"), 2);
    EXPECT_EQ(ini.integer("Options", "c"), 2);
    EXPECT_EQ(ini.integer("Options", "d"), 7);
    EXPECT_FALSE(ini.integer("Options", "e"));
    EXPECT_EQ(ini.integer("Options", "f"), 31);
    EXPECT_EQ(ini.integer("Options", "g"), -1);
    EXPECT_FALSE(ini.integer("Options", "h"));
    EXPECT_FALSE(ini.integer("Options", "i"));
    EXPECT_FALSE(ini.integer("Options", "j"));
    EXPECT_FALSE(ini.integer("Options", "absent"));
}

}  // namespace
}  // namespace quillon
