#include "verify/verify_container.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "common/file_io.h"
#include "common/text.h"
#include "source/disc_toc.h"
#include "source/image_index.h"
#include "source/multi_disc.h"
#include "source/param_sfo.h"
#include "source/pbp.h"
#include "source/sbi_file.h"

namespace quillon {
namespace {

// PCSX ReARMed reads a stored block into a buffer this much larger than a block.
constexpr std::uint64_t kPcsxStoredSizeLimit = kImageBlockSize + 100;
constexpr std::uint64_t kSectorsPerBlock = kImageBlockSize / kSectorSize;
// More than any PARAM.SFO holds; its reading stops there whatever the header says.
constexpr std::size_t kParamSfoReadLimit = 0x100000;
constexpr const char* kSbiReaders = "DuckStation, PCSX ReARMed and Beetle PSX";

std::string hexNumber(std::uint32_t value) {
    char digits[8];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value, 16).ptr;
    return "0x" + toUpperAscii(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

// "1 stored block", "3 stored blocks".
std::string countOf(std::uint64_t count, const std::string& thing) {
    return groupedNumber(count) + " " + thing + (count == 1 ? "" : "s");
}

// "1,000", "1,000 and 2,000", "1, 2 and 3".
std::string listed(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    }
    return text;
}

const SfoParam* findParam(const std::vector<SfoParam>& params, std::string_view key) {
    const auto found = std::find_if(params.begin(), params.end(), [&](const SfoParam& p) { return p.key == key; });
    return found == params.end() ? nullptr : &*found;
}

// How findings name one disc of the container.
struct DiscName {
    std::size_t number = 1;  // counted from 1
    bool several = false;

    std::string it() const { return several ? "disc " + std::to_string(number) : "it"; }
    std::string possessive() const { return several ? "disc " + std::to_string(number) + "'s" : "its"; }
    std::string block(std::size_t index) const {
        return "block " + groupedNumber(index + 1) + (several ? " of disc " + std::to_string(number) : "");
    }
};

// Blocks that share a fault: how many, and where the first lies.
struct BadBlocks {
    std::size_t count = 0;
    std::string first;

    void add(const DiscName& disc, const DecodedBlock& block) {
        if (count++ == 0) first = disc.block(block.number) + " (at byte " + groupedNumber(block.position) + ")";
    }
    // "block 2 (at byte 9) does not ..." or "3 blocks do not ..., the first block 2 (at byte 9)".
    std::string text(const std::string& one, const std::string& many) const {
        if (count == 1) return first + " " + one;
        return groupedNumber(count) + " blocks " + many + ", the first " + first;
    }
};

// What the blocks of all discs gave.
struct BlockTally {
    std::size_t blocks = 0, stored = 0, checked = 0, matched = 0;
    std::size_t largerThanBlock = 0, largerThanPcsxLimit = 0;
    BadBlocks notInflating, mismatching;

    void add(const DiscName& disc, const DecodedBlock& block) {
        ++blocks;
        const std::uint64_t size = block.entry->storedSize;
        if (!block.entry->isCompressed()) ++stored;
        if (size > kImageBlockSize) ++largerThanBlock;
        if (size > kPcsxStoredSizeLimit) ++largerThanPcsxLimit;
        if (!block.image) return notInflating.add(disc, block);
        if (!block.entry->hasChecksum()) return;
        ++checked;
        if (block.checksumDiffers) return mismatching.add(disc, block);
        ++matched;
    }
    // "level 0" when every block is stored as it is, "deflated" when none is.
    std::string level() const {
        if (stored == blocks) return "level 0";
        return stored == 0 ? "deflated" : "deflated, " + countOf(stored, "block") + " stored";
    }
};

class ContainerCheck {
public:
    ContainerCheck(InputFile& file, const Progress& progress) : file_(file), progress_(progress) {}

    Expected<Verification> run();

private:
    void add(FindingKind kind, const std::string& readers, const std::string& fault = {}) {
        result_.findings.push_back({kind, fault.empty() ? readers : readers + ": " + fault});
    }
    Status checkParamSfo(const PbpHeader& header);
    void checkParams(const std::vector<SfoParam>& params);
    Expected<std::optional<std::vector<DiscBlock>>> findDiscs(const PbpHeader& header);
    Expected<std::uint64_t> findImageDataEnd(const std::vector<std::uint64_t>& positions);
    Status checkDisc(const DiscBlock& block, const DiscName& disc);
    void checkIndex(const BlockIndex& index, const DiscBlock& block, const DiscName& disc);
    Status checkBlocks(const BlockIndex& index, const DiscBlock& block, const DiscName& disc);
    void checkImageDataPosition(std::span<const std::uint8_t> head, const DiscName& disc);
    void checkToc(std::span<const std::uint8_t> head, std::optional<std::size_t> blocks, const DiscName& disc);
    void addBlockFindings();
    Status checkSidecars(std::size_t discs);
    std::string summary(std::size_t discs) const;

    InputFile& file_;
    const Progress& progress_;
    Verification result_;
    BlockTally tally_;
    bool endKnown_ = true;                      // the start-screen block marks where the last disc's blocks end
    std::uint64_t dataEnd_ = 0;                 // where the last disc's blocks end at the latest
    std::optional<std::uint64_t> previousEnd_;  // where the blocks of the disc before end
    std::vector<std::string> sectors_;          // of each disc, "?" where its table does not decode
};

Expected<Verification> ContainerCheck::run() {
    auto head = file_.readUpTo(0, kPbpHeaderSize);
    if (!head) return head.error();
    const std::optional<PbpHeader> header = decodePbpHeader(*head);
    if (!header || !header->hasMagic()) {
        result_.summary = "not a PBP container";
        add(FindingKind::Damage, "no reader can open it", "it does not start with the PBP magic \"\\0PBP\"");
        return result_;
    }
    if (const auto fault = pbpLayoutFault(*header, file_.size())) {
        add(FindingKind::Damage, "PPSSPP and Quillon refuse it", "its header is damaged: " + *fault);
    }
    if (Status sfo = checkParamSfo(*header); !sfo) return sfo.error();
    auto blocks = findDiscs(*header);
    if (!blocks) return blocks.error();
    if (!*blocks) return result_;
    const std::vector<DiscBlock>& discs = **blocks;
    dataEnd_ = discs.back().end;
    for (std::size_t i = 0; i < discs.size(); ++i) {
        if (Status checked = checkDisc(discs[i], {i + 1, discs.size() > 1}); !checked) return checked.error();
    }
    addBlockFindings();
    if (Status sidecars = checkSidecars(discs.size()); !sidecars) return sidecars.error();
    result_.summary = summary(discs.size());
    return result_;
}

Status ContainerCheck::checkParamSfo(const PbpHeader& header) {
    const std::uint64_t length =
        header.icon0() > header.paramSfo ? header.icon0() - header.paramSfo : kParamSfoReadLimit;
    const auto readLength = static_cast<std::size_t>(std::min<std::uint64_t>(length, kParamSfoReadLimit));
    auto sfo = file_.readUpTo(header.paramSfo, readLength);
    if (!sfo) return sfo.error();
    const auto params = readParamEntries(*sfo);
    if (!params) {
        add(FindingKind::Damage, "DuckStation and the PSP refuse it",
            "its PARAM.SFO is damaged: " + params.error().message);
    } else {
        checkParams(*params);
    }
    return {};
}

void ContainerCheck::checkParams(const std::vector<SfoParam>& params) {
    constexpr const char* kRefused = "DuckStation will refuse it";
    const SfoParam* bootable = findParam(params, "BOOTABLE");
    if (!bootable) {
        add(FindingKind::WriterFault, kRefused, "PARAM.SFO has no BOOTABLE key");
    } else if (bootable->format != kSfoIntegerFormat || bootable->integer != 1) {
        add(FindingKind::WriterFault, kRefused, "PARAM.SFO's BOOTABLE is not the integer 1");
    }
    const SfoParam* category = findParam(params, "CATEGORY");
    if (!category) {
        add(FindingKind::WriterFault, kRefused, "PARAM.SFO has no CATEGORY key");
    } else if (category->format != kSfoTextFormat || category->text != "ME") {
        add(FindingKind::WriterFault, kRefused, "PARAM.SFO's CATEGORY is " + inQuotes(category->text) + ", not \"ME\"");
    }
    for (const SfoParam& param : params) {
        if (param.format != kSfoRawTextFormat) continue;
        add(FindingKind::WriterFault, kRefused, "PARAM.SFO's " + param.key + " is of data format 0x0004");
    }
}

Expected<std::optional<std::vector<DiscBlock>>> ContainerCheck::findDiscs(const PbpHeader& header) {
    using Found = std::optional<std::vector<DiscBlock>>;
    auto located = locateDiscBlocks(file_, header.dataPsar);
    if (!located) return located.error();
    if (!*located || !(*located)->fault.empty()) {
        result_.summary = *located ? "damaged disc table" : "no disc image";
        add(FindingKind::Damage, "no reader can play it",
            *located ? "its disc table is damaged: " + (*located)->fault
                     : "its DATA.PSAR starts with neither \"PSISOIMG\" nor \"PSTITLEIMG\"");
        return Found();
    }
    const std::vector<std::uint64_t>& positions = (*located)->positions;
    auto end = findImageDataEnd(positions);
    if (!end) return end.error();
    auto blocks = discBlocks(positions, *end);
    if (!blocks) {
        result_.summary = "disc-image block past the end";
        add(FindingKind::Damage, "no reader can play it", "its last disc-image block ends past the end of the file");
    }
    return blocks;
}

// Where the last disc's blocks end: at the start-screen block, or, without one where
// extraction looks for it, anywhere up to the end of the file.
Expected<std::uint64_t> ContainerCheck::findImageDataEnd(const std::vector<std::uint64_t>& positions) {
    auto startDat = findStartDat(file_);
    if (!startDat) return startDat.error();
    if (discBlocks(positions, *startDat)) return **startDat;
    endKnown_ = false;
    std::string fault = "its start-screen block lies inside the last disc-image block";
    if (file_.size() < kStartDatWindow) {
        fault = "it is shorter than the " + groupedNumber(kStartDatWindow) +
                " bytes its start-screen block is looked for in";
    } else if (!*startDat) {
        fault = "it has no start-screen block (\"STARTDAT\") in its last " + groupedNumber(kStartDatWindow) + " bytes";
    }
    add(FindingKind::Damage, "Quillon cannot extract it", fault);
    return file_.size();
}

Status ContainerCheck::checkDisc(const DiscBlock& block, const DiscName& disc) {
    auto head = file_.readUpTo(block.position, kIndexOffset);
    if (!head) return head.error();
    checkImageDataPosition(*head, disc);
    const bool endsAtExtent = endKnown_ && !disc.several;
    // Each disc's blocks are read up to the end of all, so that blocks which run into the
    // next disc's block are found as such.
    auto index = readBlockIndex(file_, block.position, {block.imageData().begin, dataEnd_},
                                endsAtExtent ? BlocksEnd::AtExtentEnd : BlocksEnd::WithinExtent);
    if (!index) return index.error();
    checkIndex(*index, block, disc);
    if (!index->valid()) {
        checkToc(*head, std::nullopt, disc);
        return {};
    }
    if (Status read = checkBlocks(*index, block, disc); !read) return read;
    checkToc(*head, index->entries.size(), disc);
    return {};
}

void ContainerCheck::checkIndex(const BlockIndex& index, const DiscBlock& block, const DiscName& disc) {
    if (previousEnd_ && block.position < *previousEnd_) {
        add(FindingKind::Damage, "every reader misreads disc " + std::to_string(disc.number - 1),
            "the disc table puts disc " + std::to_string(disc.number) + " at byte " + groupedNumber(block.position) +
                ", inside the blocks of disc " + std::to_string(disc.number - 1) + ", which end at byte " +
                groupedNumber(*previousEnd_));
    }
    previousEnd_.reset();
    if (!index.valid()) {
        add(FindingKind::Damage, "no reader can play " + disc.it(),
            index.fault.empty() ? "its block index is empty" : "its block index is damaged: " + index.fault);
        return;
    }
    if (index.endOffset == 0) {
        add(FindingKind::Damage, "the emulators cannot read " + disc.possessive() + " last block",
            "the end entry of its block index gives offset 0, not " + groupedNumber(index.storedEnd));
    }
    previousEnd_ = block.imageData().begin + index.storedEnd;
}

Status ContainerCheck::checkBlocks(const BlockIndex& index, const DiscBlock& block, const DiscName& disc) {
    return forEachBlock(file_, block.imageData().begin, index.entries, [&](const DecodedBlock& decoded) -> Status {
        tally_.add(disc, decoded);
        const ProgressReport report{{}, decoded.position + decoded.entry->storedSize, file_.size()};
        return progress_(report) ? Status{} : Status(Error::cancelled());
    });
}

void ContainerCheck::checkImageDataPosition(std::span<const std::uint8_t> head, const DiscName& disc) {
    // A head that ends before the field has no block index either, which is reported.
    const auto position = ByteReader(head).le32(kImageDataPositionOffset);
    if (!position || *position == kImageDataOffset) return;
    add(FindingKind::WriterFault, "DuckStation misreads " + disc.it(),
        "+0xBFC of its disc-image block holds " + hexNumber(*position) + ", not 0x100000, where its image data begins");
}

void ContainerCheck::checkToc(std::span<const std::uint8_t> head, std::optional<std::size_t> blocks,
                              const DiscName& disc) {
    const auto toc = decodeToc(head);
    if (!toc) {
        sectors_.push_back("?");
        add(FindingKind::Damage, "every reader misplaces " + disc.possessive() + " tracks",
            "its table of contents is damaged: " + toc.error().message);
        return;
    }
    const std::uint64_t sectors = toc->imageSectors();
    sectors_.push_back(groupedNumber(sectors));
    if (!blocks) return;
    const std::uint64_t held = *blocks * kSectorsPerBlock;
    if (held < sectors) {
        add(FindingKind::Damage, "every reader misses " + disc.possessive() + " end",
            "its table of contents gives " + countOf(sectors, "sector") + ", but its blocks hold " +
                groupedNumber(held));
    } else if (*blocks < indexBlocksFor(sectors)) {
        add(FindingKind::WriterFault, "DuckStation cannot preload " + disc.it(),
            "its blocks hold " + countOf(held, "sector") + ", not the " +
                groupedNumber(sectors + kSectorsPastImageEnd) + " it reads (the image's " + groupedNumber(sectors) +
                " + " + std::to_string(kSectorsPastImageEnd) + ")");
    }
}

void ContainerCheck::addBlockFindings() {
    const std::string blockSize = groupedNumber(kImageBlockSize) + " bytes";
    if (tally_.notInflating.count > 0) {
        add(FindingKind::Damage, "no reader can read it whole",
            tally_.notInflating.text("does not inflate to " + blockSize, "do not inflate to " + blockSize));
    }
    if (tally_.mismatching.count > 0) {
        add(FindingKind::Damage, "every reader reads damaged data",
            tally_.mismatching.text("does not match its SHA-1 checksum", "do not match their SHA-1 checksums"));
    }
    if (tally_.stored > 0 && tally_.stored == tally_.blocks) {
        add(FindingKind::Note,
            "pcsxr and PCSX ReARMed cannot read its " + countOf(tally_.stored, "stored block") + " (level 0)");
    } else if (tally_.stored > 0) {
        add(FindingKind::WriterFault, "pcsxr and PCSX ReARMed cannot read its " +
                                          countOf(tally_.stored, "stored block") + " among deflated ones");
    }
    if (tally_.largerThanBlock > 0) {
        add(FindingKind::Note, "Beetle PSX cannot read its " + countOf(tally_.largerThanBlock, "block") +
                                   " stored larger than " + blockSize);
    }
    if (tally_.largerThanPcsxLimit > 0) {
        add(FindingKind::Note, "PCSX ReARMed refuses its " + countOf(tally_.largerThanPcsxLimit, "block") +
                                   " stored larger than " + groupedNumber(kPcsxStoredSizeLimit) + " bytes");
    }
}

Status ContainerCheck::checkSidecars(std::size_t discs) {
    for (std::size_t disc = 1; disc <= discs; ++disc) {
        const std::string path = sidecarPath(file_.path(), disc, discs);
        if (!isFile(path)) continue;
        auto bytes = readWholeFile(path);
        if (!bytes) return bytes.error();
        const std::string name = fileNameOf(path);
        if (const auto problem = sbiFormProblem(*bytes)) {
            add(FindingKind::Damage, std::string(kSbiReaders) + " cannot use " + name, *problem);
        } else {
            add(FindingKind::Note, std::string(kSbiReaders) + " take LibCrypt data from " + name,
                countOf((bytes->size() - kSbiHeaderSize) / kSbiRecordSize, "record"));
        }
    }
    return {};
}

std::string ContainerCheck::summary(std::size_t discs) const {
    std::string text = countOf(discs, "disc") + ", " + listed(sectors_) + " sectors";
    if (tally_.blocks == 0) return text + ", no block read";
    text += ", " + tally_.level() + ", " + groupedNumber(tally_.matched) + " of " + groupedNumber(tally_.checked) +
            " checksums match";
    const std::size_t unchecked = tally_.blocks - tally_.checked - tally_.notInflating.count;
    if (unchecked > 0) text += ", " + countOf(unchecked, "block") + " without checksum";
    return text;
}

}  // namespace

bool Verification::passed() const {
    return std::none_of(findings.begin(), findings.end(),
                        [](const Finding& finding) { return finding.kind != FindingKind::Note; });
}

std::vector<std::string> Verification::lines(const std::string& name) const {
    std::vector<std::string> lines{name + ": " + summary};
    for (const Finding& finding : findings) {
        lines.push_back((finding.kind == FindingKind::Note ? "note: " : "") + finding.text);
    }
    return lines;
}

Expected<Verification> verifyContainer(const std::string& path, const Progress& progress) {
    auto file = InputFile::open(path);
    if (!file) return file.error();
    return ContainerCheck(*file, progress).run();
}

}  // namespace quillon
