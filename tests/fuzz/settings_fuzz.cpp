// The settings file on any bytes: what is written reads back to the same text, integers
// stay within their range, and a value set is the value read (up to a line break, where
// a value ends).
#include <limits>

#include "common/bytes.h"
#include "fuzz/fuzz_check.h"
#include "options/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    const std::string_view text = asText({data, size});
    IniFile ini = IniFile::parse(text);
    const std::string written = ini.serialize();
    FUZZ_REQUIRE(IniFile::parse(written).serialize() == written);

    if (const auto integer = parseIniInteger(text)) {
        FUZZ_REQUIRE(*integer >= -std::numeric_limits<int>::max() && *integer <= std::numeric_limits<int>::max());
    }
    const std::string_view name = text.substr(0, text.size() / 2);
    const std::string_view value = text.substr(text.size() / 2);
    (void)ini.integer(name, value);
    (void)ini.integer("Options", name);
    ini.setValue("Options", name, value);
    const std::string_view oneLine = value.substr(0, value.find_first_of("\r\n"));
    FUZZ_REQUIRE(ini.value("options", name) == std::string(oneLine));
    return 0;
}
