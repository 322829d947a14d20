// The error-correction bytes of a raw CD data sector (ECMA-130): the P parity (86
// Reed-Solomon vectors of 24 bytes, read down the columns of the sector's 16-bit words
// from its header on) and the Q parity (52 vectors of 43 bytes along diagonals, over
// the P bytes too). A CHD drops the sync and both parities of every sector whose
// parity is right and keeps a flag for it; the reader makes them again.
#pragma once

#include <cstdint>
#include <span>

namespace quillon {

// Writes the sync pattern into bytes 0 to 11 of the 2,352-byte `sector`, then its P and
// Q parity from its header and data. A Mode 2 sector (mode byte 2) counts its header as
// zero bytes, as the CD-ROM XA rule for Form 1 has it.
void restoreCdSectorEcc(std::span<std::uint8_t> sector);

}  // namespace quillon
