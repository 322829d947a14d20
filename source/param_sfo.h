// PARAM.SFO: reading and writing the DISC_ID and TITLE values in place, and building
// a new table (for the project's popstation tool).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"

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
ParamWriteResult writeParamFields(std::span<std::uint8_t> head, std::uint64_t sfoPosition,
                                  std::string_view title, std::string_view discId);

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
