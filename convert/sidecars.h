// The LibCrypt sidecars of a conversion: the SBI file beside the source image or cue
// sheet (beside each disc of a playlist), or the sidecars beside a source container, go
// beside the new container under the names readers look for there.
#pragma once

#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/expected.h"
#include "common/file_io.h"
#include "source/open_disc.h"

namespace quillon {

struct Sidecar {
    std::string name;  // "EBOOT.sbi", "EBOOT_2.sbi"
    Bytes bytes;       // checked to be an SBI file
};

// The sidecars that go with the container made from `source`, whose discs `opened`
// lists; an error names a sidecar that is no SBI file, or a playlist that cannot be read.
Expected<std::vector<Sidecar>> sidecarsOf(const std::string& source, OpenedSource& opened);

// The output of `container`, first, and of each sidecar beside it, written: one set
// that appears together or not at all.
Expected<OutputFileSet> createWithSidecars(const std::string& container, const std::vector<Sidecar>& sidecars);

// The sidecars beside `container` that are not among `kept` go: no sidecar of an
// earlier game stays beside a new container.
void removeOtherSidecars(const std::string& container, const std::vector<Sidecar>& kept);

}  // namespace quillon
