#include "extract/extract_command.h"

#include <optional>

#include "common/file_io.h"
#include "common/file_system.h"
#include "common/text.h"
#include "extract/image_data.h"
#include "source/pbp.h"

namespace quillon {
namespace {

constexpr const char* kNotAPbpMessage = "You have to select a PBP file.";

ProgressReport savingReport(std::uint64_t position, std::uint64_t containerSize) {
    return {"Saving ISO file... (" + std::to_string(percentOf(position, containerSize)) + "%)",
            position, containerSize};
}

// Writes the image data into `target`: decoded when the block index says that blocks
// are deflated, else the stored bytes as they are. The file appears only when complete.
Status writeImage(InputFile& container, std::uint32_t dataPsarOffset, const ImageDataExtent& extent,
                  const std::string& target, BusyState& busy) {
    auto index = readBlockIndex(container, dataPsarOffset, extent);
    if (!index) return index.error();
    if (index->state == BlockIndex::State::Damaged) {
        return Error::format("Cannot extract the disc image from " + inQuotes(container.path()) +
                             ". Its block index is damaged: " + index->fault + ".");
    }
    const bool decode = index->valid() && index->hasCompressedBlock();
    const std::uint64_t size = decode ? index->entries.size() * kImageBlockSize : extent.end - extent.begin;
    if (auto room = checkRoomFor(target, size); !room) return room;
    auto output = OutputFile::create(target);
    if (!output) return output.error();
    const Progress progress = busy.progress();
    const AfterBlock afterBlock = [&](std::uint64_t position) {
        return progress(savingReport(position, container.size()));
    };
    Status written = decode ? writeDecodedImage(container, extent, index->entries, *output, afterBlock)
                            : copyStoredImage(container, extent, *output, afterBlock);
    if (!written) return written;
    return output->commit();
}

// Everything between beginBusy and endBusy. Each way out closes the container and
// removes an unfinished output before it returns.
void extractImage(const FieldState& fields, BusyState& busy) {
    const std::string source = fields.text(Field::srcIso);
    if (toLowerAscii(extensionOf(source)) != ".pbp") return busy.showMessage(kNotAPbpMessage);

    auto container = InputFile::open(source);
    if (!container) return busy.showFileError(container.error());
    auto head = container->readBytes(0, kPbpHeaderSize);
    if (!head) return busy.showFileError(head.error());
    const std::optional<PbpHeader> header = decodePbpHeader(*head);
    if (!header || !header->hasMagic()) return busy.showError(ErrorCode::NotAContainer);

    const std::int64_t containerSize = static_cast<std::int64_t>(container->size());
    auto marker = checkIsoMarker(*container, header->dataPsar, containerSize);
    if (!marker) return busy.showFileError(marker.error());
    if (*marker != header->dataPsar) return busy.showError(ErrorCode::NoDiscImage);

    const auto chosen = busy.host().chooseIsoSaveName(fields.text(Field::defOutput));
    if (!chosen) return;
    // The start-screen block is looked for only once the output is named.
    auto startDat = findStartDat(*container);
    if (!startDat) return busy.showFileError(startDat.error());
    // No start-screen block, or one that leaves the image data empty or ends it before
    // it starts.
    const std::uint64_t imageDataStart = header->dataPsar + kImageDataOffset;
    if (*startDat <= static_cast<std::int64_t>(imageDataStart)) busy.showError(ErrorCode::NoEndOfImage);
    if (busy.errorShown()) return;

    // The dialog asked about the name the user typed; a file under the name with
    // ".iso" appended is not replaced without asking.
    const std::string target = isoOutputName(*chosen);
    if (target != *chosen && isFile(target) && !busy.host().confirmReplace(target)) return;

    const ImageDataExtent extent{imageDataStart, static_cast<std::uint64_t>(*startDat)};
    const Status written = writeImage(*container, header->dataPsar, extent, target, busy);
    if (!written && written.error().kind != Error::Kind::Cancelled) {
        busy.showFileError(written.error());
    }
}

}  // namespace

std::string isoOutputName(const std::string& chosenName) {
    if (toLowerAscii(extensionOf(chosenName)) == ".iso") return chosenName;
    return chosenName + ".iso";
}

void runIsoExtraction(const FieldState& fields, BusyState& busy) {
    busy.begin(Operation::Extract);
    extractImage(fields, busy);
    busy.end();
}

}  // namespace quillon
