#include "state/compression_level.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(CompressionLevelTest, IsNothingOrOneDigit) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"", ""},
        {"0", "0"},
        {"9", "9"},
        {"a", std::nullopt},
        {"10", std::nullopt},
        {"-1", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
    };
    for (const auto& [typed, taken] : cases) {
        const auto level = CompressionLevel::parse(typed);
        EXPECT_EQ(level ? std::optional<std::string>(level->text()) : std::nullopt, taken) << '"' << typed << '"';
    }
}

}  // namespace
}  // namespace quillon
