#include "source/image_file_disc.h"

#include "source/packed_files.h"

namespace quillon {

Expected<std::unique_ptr<DiscReader>> ImageFileDisc::open(InputFile file) {
    auto head = file.readUpTo(0, kPackedSignatureSize);
    if (!head) return head.error();
    if (auto problem = packedFileProblem(file.path(), *head)) return Error::format(*problem);
    std::unique_ptr<ImageFileDisc> disc(new ImageFileDisc(file.path()));
    disc->addWholeFile(disc->addFile(std::move(file)));
    disc->addTrack(DiscTrack{});
    return std::unique_ptr<DiscReader>(std::move(disc));
}

}  // namespace quillon
