// PARAM.SFO: reading and writing the DISC_ID and TITLE values in place, and building
// a new table (for the project's popstation tool).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"

namespace quillon {

enum class ParamDirection { Read, Write };

struct ParamAccessResult {
    bool titleCut = false;   // write: the title did not fit its room and was cut
    bool discIdCut = false;  // write: the disc ID did not fit its room and was cut
    bool outOfBounds = false;  // a table or value lay (partly) outside the bytes given
};

// With `sfoPosition` the offset of PARAM.SFO in `head`:
// Read: `title` and `discId` (empty on entry) receive the TITLE and DISC_ID values; an
// absent key leaves its value empty. Write: both values are stored in place. Nothing is
// read or written outside `head`: a value that lies partly outside is read as far as it
// lies inside, one whose room lies partly outside is not written at all; either sets
// outOfBounds.
// On writing, a value always keeps a terminating zero inside its reserved room; a longer
// value is cut to fit (and flagged), and the whole 32-bit data length is set to the
// bytes stored plus the zero (0 for a room of 0 bytes).
ParamAccessResult accessParamFields(std::span<std::uint8_t> head, std::uint64_t sfoPosition,
                                    std::string& title, std::string& discId,
                                    ParamDirection direction);

// The read direction on bytes that must not change.
ParamAccessResult readParamFields(std::span<const std::uint8_t> head, std::uint64_t sfoPosition,
                                  std::string& title, std::string& discId);

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
