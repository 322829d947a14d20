#include "common/text.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(GroupedNumberTest, DigitsInGroupsOfThree) {
    const std::vector<std::pair<std::uint64_t, std::string>> cases{
        {0, "0"},          {999, "999"},           {1000, "1,000"},
        {10602, "10,602"}, {1048575, "1,048,575"}, {18446744073709551615u, "18,446,744,073,709,551,615"}};
    for (const auto& [number, text] : cases) EXPECT_EQ(groupedNumber(number), text);
}

}  // namespace
}  // namespace quillon
