// PARAM.SFO: reading and writing the DISC_ID and TITLE values in place, and building
// a new table (for the project's popstation tool).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/expected.h"

namespace quillon {

// The DISC_ID and TITLE values of the PARAM.SFO at `sfoPosition` in `head`; an absent
// key gives an empty value. Nothing outside `head` is read: a value that lies partly
// outside is read as far as it lies inside, and outOfBounds tells that a table or value
// did not lie (wholly) within the bytes given.
struct ParamFields {
    std::string title;
    std::string discId;
    bool outOfBounds = false;
};
ParamFields readParamFields(std::span<const std::uint8_t> head, std::uint64_t sfoPosition);

struct ParamWriteResult {
    bool titleCut = false;     // the title did not fit its room and was cut
    bool discIdCut = false;    // the disc ID did not fit its room and was cut
    bool outOfBounds = false;  // a table or value's room lay (partly) outside the bytes
};
// Stores both values in place (an absent key is left out). A value always keeps a
// terminating zero inside its reserved room; a longer value is cut to fit (and flagged),
// and the whole 32-bit data length is set to the bytes stored plus the zero (0 for a
// room of 0 bytes). A value whose room lies partly outside `head` is not written.
ParamWriteResult writeParamFields(std::span<std::uint8_t> head, std::uint64_t sfoPosition, std::string_view title,
                                  std::string_view discId);

// Data formats of PARAM.SFO entries.
inline constexpr std::uint16_t kSfoTextFormat = 0x0204;     // zero-terminated UTF-8 text
inline constexpr std::uint16_t kSfoIntegerFormat = 0x0404;  // 32-bit integer
inline constexpr std::uint16_t kSfoRawTextFormat = 0x0004;  // text without terminating zero

// One entry of a PARAM.SFO as its index gives it.
struct SfoParam {
    std::string key;
    std::uint16_t format = 0;   // 0x0204 text, 0x0404 integer, or any other found
    std::string text;           // the value's bytes up to its first zero, within its data length
    std::uint32_t integer = 0;  // an integer's value (format 0x0404)
};
// Every entry of the PARAM.SFO `sfo` (the table alone, from its magic on), each key taken
// from the key table at the entry's own key offset, as readers of the container do. The
// error's message says what is wrong, as a clause ("its magic is missing").
Expected<std::vector<SfoParam>> readParamEntries(std::span<const std::uint8_t> sfo);

// One entry of a new table: a text (format 0x0204) or a 32-bit integer (0x0404).
struct SfoEntry {
    std::string key;
    bool isInteger = false;
    std::string text;
    std::uint32_t integer = 0;
    std::uint32_t maxLength = 0;  // bytes reserved for the value
};
// A whole PARAM.SFO with the entries in ascending key order, the key table padded with
// zero bytes to a multiple of 4, each value in its reserved room (an integer's room is at
// least 4 bytes). Texts longer than their room are cut to keep a terminating zero. Meant
// for the program's own few keys: key offsets are 16-bit.
Bytes buildParamSfo(std::vector<SfoEntry> entries);

}  // namespace quillon
