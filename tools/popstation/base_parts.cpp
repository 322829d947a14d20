#include "tools/popstation/base_parts.h"

#include "common/text.h"
#include "tools/popstation/png_writer.h"

namespace quillon::popstation {

Bytes placeholderDataPsp() {
    constexpr std::string_view kText =
        "Placeholder DATA.PSP written by Quillon's popstation tool. A PSP does not start this "
        "container: put a sample container at Files/base.pbp and convert again.\n";
    return Bytes(kText.begin(), kText.end());
}

ContainerParts placeholderParts() {
    ContainerParts parts;
    parts.dataPsp = placeholderDataPsp();
    parts.startScreen.picture = placeholderStartScreen();
    return parts;
}

Expected<ContainerParts> readBaseParts(const std::string& path) {
    auto file = InputFile::open(path);
    if (!file) return file.error();
    auto head = file->readUpTo(0, kPbpHeaderSize);
    if (!head) return head.error();
    const auto header = decodePbpHeader(*head);
    if (!header || !header->hasMagic()) {
        return Error::format(inQuotes(path) + " is not a PBP container.");
    }
    if (Status st = checkPbpLayout(*header, file->size()); !st) return st.error();
    // Everything in front of DATA.PSAR (at most 16 MiB, as offsets have 24 bits).
    auto front = file->readBytes(0, header->dataPsar);
    if (!front) return front.error();

    ContainerParts parts;
    const std::uint64_t pspLength = dataPspLength(*front, *header);
    parts.dataPsp.assign(front->begin() + header->dataPsp,
                         front->begin() + static_cast<std::ptrdiff_t>(header->dataPsp + pspLength));

    auto block = findStartDat(*file);
    if (!block) return block.error();
    const auto picture = *block ? startScreenPicture(**block, file->size()) : std::nullopt;
    if (!picture || **block < header->dataPsar) {
        return Error::format(inQuotes(path) + " has no start-screen block.");
    }
    auto pictureBytes = file->readBytes(picture->offset, static_cast<std::size_t>(picture->length));
    if (!pictureBytes) return pictureBytes.error();
    auto trailer = file->readBytes(file->size() - kStartDatTrailerSize, kStartDatTrailerSize);
    if (!trailer) return trailer.error();
    if (auto clean = checkNoStartScreenMarker(*pictureBytes, "Its start-screen picture"); !clean) return clean.error();
    if (auto clean = checkNoStartScreenMarker(*trailer, "Its start-screen block's trailer"); !clean)
        return clean.error();
    parts.startScreen.picture = std::move(*pictureBytes);
    parts.startScreen.trailer = std::move(*trailer);
    return parts;
}

Expected<Bytes> readStartScreenPicture(const std::string& path) {
    auto file = InputFile::open(path);
    if (!file) return file.error();
    if (file->size() > kMaxStartScreenPicture) {
        return Error::format("The start-screen picture " + inQuotes(path) +
                             " is too large: " + std::to_string(file->size()) + " bytes, at most " +
                             std::to_string(kMaxStartScreenPicture) + " fit.");
    }
    auto picture = file->readBytes(0, static_cast<std::size_t>(file->size()));
    if (!picture) return picture.error();
    if (!looksLikePng(*picture)) {
        return Error::format("The start-screen picture " + inQuotes(path) + " is not a PNG file.");
    }
    if (auto clean = checkNoStartScreenMarker(*picture, "The start-screen picture " + inQuotes(path)); !clean) {
        return clean.error();
    }
    return picture;
}

Bytes startDatBlock(const StartScreen& startScreen) {
    return startScreenBlock(asBytes(kStartDatMarker), startScreen.picture, startScreen.trailer);
}

}  // namespace quillon::popstation
