// The game list on any bytes: one entry per carriage return, fields taken from each
// entry, and a lookup by a key from the first bytes.
#include <algorithm>

#include "common/bytes.h"
#include "fuzz/fuzz_check.h"
#include "source/game_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    const std::span<const std::uint8_t> input(data, size);
    const GameList list = parseGameList(input);
    FUZZ_REQUIRE(list.size() == static_cast<std::size_t>(std::count(input.begin(), input.end(), '\r')));
    for (const std::string& entry : list) {
        FUZZ_REQUIRE(entry.find_first_of("\r\n") == std::string::npos);
        const std::string title = titleOf(entry);
        FUZZ_REQUIRE(entry.ends_with(title) && title.find(';') == std::string::npos);
        FUZZ_REQUIRE(title.starts_with(saveTitleOf(title)));
        FUZZ_REQUIRE(regionWordOf(entry).size() <= entry.size());
    }
    const std::string key(asText(input.first(std::min<std::size_t>(size, 10))));
    if (const auto found = findGameEntry(list, key)) {
        FUZZ_REQUIRE(*found < list.size() && list[*found].find(key) != std::string::npos);
        for (std::size_t i = 0; i < *found; ++i) FUZZ_REQUIRE(list[i].find(key) == std::string::npos);
    }
    return 0;
}
