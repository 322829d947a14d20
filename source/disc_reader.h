// A source disc, read the same way whatever file holds it: its tracks, its bytes from
// sector 0 to the lead-out (2,352 bytes a sector, every track with its pregap in front
// of it), its length and a name for messages. Each format of source disc has one
// reader class; openDisc (open_disc.h) picks it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/expected.h"
#include "source/disc_toc.h"

namespace quillon {

class DiscReader {
public:
    DiscReader() = default;
    DiscReader(const DiscReader&) = delete;
    DiscReader& operator=(const DiscReader&) = delete;
    virtual ~DiscReader() = default;

    // The path that messages about the disc name.
    virtual const std::string& name() const = 0;
    // In disc order; INDEX 01 of each in disc sectors.
    virtual const std::vector<DiscTrack>& tracks() const = 0;
    // The disc's bytes. A disc image taken as it is may end in a partial sector.
    virtual std::uint64_t size() const = 0;

    // Exactly out.size() bytes of the disc from `position`; sector n starts at n times
    // 2,352. Past the end of the disc it fails. Several threads may read at once.
    virtual Status readExactAt(std::uint64_t position, std::span<std::uint8_t> out) = 0;

    // Once the whole disc has been read: the checks that need all of it. Formats that
    // have none pass.
    virtual Status checkAfterReadingAll() { return {}; }

    // Up to `count` bytes of the first data track from its INDEX 01 on, no further than
    // its end; none when the disc has no data track.
    Expected<Bytes> readFirstDataTrack(std::size_t count);
};

}  // namespace quillon
