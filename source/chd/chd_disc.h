// A CD image in a CHD file (version 5; codecs cdlz, cdzl, cdfl, cdzs, hunks stored as
// they are or repeating others), read as the disc it holds. The tracks are laid out as
// from the cue sheet the CHD was made of: one after the other, each with its pregap in
// front of it (zero sectors where the CHD does not store it), audio turned back from
// the CHD's big-endian samples into a disc image's little-endian ones, the padding
// between tracks and the subcode left out. Hunks are decoded as reads reach them and
// not kept beyond the last one of each reader, so memory stays a few hunks per thread.
//
// The SHA-1 of the CHD's data, recorded in its header, is computed on the way: hunks
// are added to it in order as reads decode them. checkData() tells, once the disc has
// been read through, whether it matched.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/expected.h"
#include "source/disc_toc.h"

namespace quillon {

class ChdDisc {
public:
    // Opens the CHD and reads its header, its hunk map and its track list; all the
    // refusals (other versions, a parent needed, codecs or tracks not read, damage)
    // come here, before any of its data is read.
    static Expected<std::unique_ptr<ChdDisc>> open(const std::string& path);
    ~ChdDisc();
    ChdDisc(const ChdDisc&) = delete;
    ChdDisc& operator=(const ChdDisc&) = delete;

    const std::string& path() const;
    // The disc's bytes: its sectors, 2,352 bytes each.
    std::uint64_t size() const;
    // In disc order; INDEX 01 of each in disc sectors.
    const std::vector<DiscTrack>& tracks() const;

    // Exactly out.size() bytes of the disc from `position`. Several threads may read at
    // once, each decoding its own hunks. A hunk that does not decode, or does not match
    // its CRC, fails the read with a message naming the CHD as damaged.
    Status readExactAt(std::uint64_t position, std::span<std::uint8_t> out);

    // After the disc has been read through: decodes the hunks that no read needed (the
    // padding between tracks, and what arrived too far ahead of the hunks before it) and
    // compares the SHA-1 of all the data with the header's; fails, naming the CHD as
    // damaged, when they differ. A CHD that records no SHA-1 passes.
    Status checkData();

private:
    struct State;
    explicit ChdDisc(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
};

}  // namespace quillon
