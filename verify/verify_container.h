// Verification of a container against what the emulators' readers need of it: every
// block of every disc read and decoded against its stored size and checksum, the block
// index, the table of contents against the blocks, the disc table, PARAM.SFO, the image
// data's position at +0xBFC of each disc-image block, and the LibCrypt sidecars beside
// it. Nothing is written.
#pragma once

#include <string>
#include <vector>

#include "common/expected.h"
#include "common/progress.h"

namespace quillon {

enum class FindingKind {
    Damage,       // broken blocks, block index, table of contents, disc table or PARAM.SFO
    WriterFault,  // a fault its writer could have avoided, which stops a reader
    Note,         // a limit of some readers that follows from the chosen level or the data
};

struct Finding {
    FindingKind kind = FindingKind::Damage;
    std::string text;  // the readers it stops, then what is wrong
};

struct Verification {
    std::string summary;  // "1 disc, 10,602 sectors, deflated, 672 of 672 checksums match"
    std::vector<Finding> findings;

    // No damage and no writer fault.
    bool passed() const;
    // The lines a report shows, the first under the container's `name`: the summary,
    // then one line per finding, a note's beginning with "note: ".
    std::vector<std::string> lines(const std::string& name) const;
};

// Verifies the container at `path`. `progress` hears after every block how far into the
// file the reading has come; false from it stops the verification (an error of kind
// Cancelled). Any other error is a file that cannot be opened or read; whatever is wrong
// with its bytes is a finding.
Expected<Verification> verifyContainer(const std::string& path, const Progress& progress);

}  // namespace quillon
