// A CD image in a CHD file (version 5; codecs cdlz, cdzl, cdfl, cdzs, hunks stored as
// they are or repeating others), read as the disc it holds. The tracks are laid out as
// from the cue sheet the CHD was made of: one after the other, each with its pregap in
// front of it (zero sectors where the CHD does not store it), audio turned back from
// the CHD's big-endian samples into a disc image's little-endian ones, the padding
// between tracks and the subcode left out. Hunks are decoded as reads reach them and
// not kept beyond the last one of each reader, so memory stays a few hunks per thread.
//
// The SHA-1 of the CHD's data, recorded in its header, is computed on the way: hunks
// are added to it in order as reads decode them. checkAfterReadingAll() tells, once the
// disc has been read through, whether it matched.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/expected.h"
#include "common/file_io.h"
#include "source/disc_reader.h"

namespace quillon {

class ChdDisc : public DiscReader {
public:
    // Reads the header, the hunk map and the track list of the CHD `file`; all the
    // refusals (other versions, a parent needed, codecs or tracks not read, damage)
    // come here, before any of its data is read.
    static Expected<std::unique_ptr<DiscReader>> open(InputFile file);
    ~ChdDisc() override;

    const std::string& name() const override;
    // The disc's bytes: its sectors, 2,352 bytes each.
    std::uint64_t size() const override;
    const std::vector<DiscTrack>& tracks() const override;

    // Each thread decodes its own hunks. A hunk that does not decode, or does not match
    // its CRC, fails the read with a message naming the CHD as damaged.
    Status readExactAt(std::uint64_t position, std::span<std::uint8_t> out) override;

    // Decodes the hunks that no read needed (the padding between tracks, and what
    // arrived too far ahead of the hunks before it) and compares the SHA-1 of all the
    // data with the header's; fails, naming the CHD as damaged, when they differ. A CHD
    // that records no SHA-1 passes.
    Status checkAfterReadingAll() override;

private:
    struct State;
    explicit ChdDisc(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
};

}  // namespace quillon
