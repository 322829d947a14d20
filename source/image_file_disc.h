// A disc image taken as it is (.iso, .img, .bin and any file of no other format): one
// data track from sector 0, the file's bytes as the disc's. An archive or another
// packed form of a disc is refused (see packed_files.h).
#pragma once

#include <memory>

#include "common/expected.h"
#include "common/file_io.h"
#include "source/stretched_disc.h"

namespace quillon {

class ImageFileDisc : public StretchedDisc {
public:
    static Expected<std::unique_ptr<DiscReader>> open(InputFile file);

private:
    using StretchedDisc::StretchedDisc;
};

}  // namespace quillon
