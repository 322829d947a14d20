#include "verify/verify_container.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/file_io.h"
#include "support/disc_set.h"
#include "support/packed_container.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::discWithTail;
using testing::readableContainer;
using testing::TestContainer;
using testing::TestDisc;

// PARAM.SFO right behind the header, as the test builder lays it out; its keys in order:
// BOOTABLE, CATEGORY, DISC_ID, TITLE.
constexpr std::uint64_t kSfo = kPbpHeaderSize;

// Sectors of a disc: bytes that deflate well, as real sectors do.
Bytes discBytes(std::size_t sectors, unsigned seed = 1) {
    return testing::compressibleBytes(sectors * kSectorSize, seed);
}

// Disc 1 of 700 sectors with its blocks up to 850 sectors: 54 blocks.
TestDisc firstDisc(int level) { return discWithTail(discBytes(700), level); }
// The same deflated at level 9.
const TestDisc& deflatedDisc() {
    static const TestDisc disc = firstDisc(9);
    return disc;
}
// Disc 2 of 300 sectors: 29 blocks.
TestDisc secondDisc() { return discWithTail(discBytes(300, 2), 9); }

const Bytes& oneDisc() {
    static const Bytes file = readableContainer({deflatedDisc()});
    return file;
}
const Bytes& twoDiscs() {
    static const Bytes file = readableContainer({deflatedDisc(), secondDisc()});
    return file;
}

std::uint64_t psarOf(const Bytes& file) { return TestContainer::dataPsarOf(file); }
// Where block `block` of the container of one disc lies in the file.
std::uint64_t blockPosition(std::size_t block) {
    return psarOf(oneDisc()) + kImageDataOffset + deflatedDisc().packed.index[block].offset;
}
std::string at(std::uint64_t position) { return " (at byte " + groupedNumber(position) + ")"; }

Bytes changed(const Bytes& file, const std::function<void(Bytes&)>& change) {
    Bytes copy = file;
    change(copy);
    return copy;
}

// The container of one disc with the index entry of `block` changed.
Bytes withEntry(std::size_t block, const std::function<void(IndexEntry&)>& change) {
    return changed(oneDisc(), [&](Bytes& file) {
        std::uint8_t* at = &file[psarOf(file) + kIndexOffset + block * kIndexEntrySize];
        IndexEntry entry = decodeIndexEntry(at);
        change(entry);
        encodeIndexEntry(entry, at);
    });
}

// The container of one disc with `text` written at `position`.
Bytes withText(std::uint64_t position, std::string_view text) {
    return changed(oneDisc(), [&](Bytes& file) { std::copy(text.begin(), text.end(), file.begin() + position); });
}

std::uint64_t sfoField(const Bytes& file, std::uint64_t field) { return kSfo + loadLe32(&file[kSfo + field]); }

// A disc whose blocks are packed as `levelOf` says, with its blocks up to 850 sectors.
TestDisc packedDisc(const Bytes& image, const std::function<int(std::size_t)>& levelOf) {
    TestDisc disc = discWithTail(image, 9);
    Bytes withTail = image;
    withTail.resize(disc.packed.index.size() * kImageBlockSize, 0);
    disc.packed = testing::packBlocks(withTail, levelOf);
    return disc;
}

// The disc with `extra` zero bytes after the stored bytes of block `block`, which
// readers ignore after the deflate stream.
TestDisc withLongerBlock(TestDisc disc, std::size_t block, std::size_t extra) {
    testing::PackedImage& packed = disc.packed;
    const auto end = packed.data.begin() + packed.index[block].offset + packed.index[block].storedSize;
    packed.data.insert(end, extra, 0);
    packed.index[block].storedSize = static_cast<std::uint16_t>(packed.index[block].storedSize + extra);
    for (std::size_t i = block + 1; i < packed.index.size(); ++i) packed.index[i].offset += extra;
    return disc;
}

struct Case {
    std::string name;
    Bytes file;
    std::vector<std::string> lines;
};

class VerifyContainerTest : public ::testing::Test {
protected:
    // The report of the container `file` written as EBOOT.PBP.
    std::vector<std::string> report(const Bytes& file) {
        const auto verification =
            verifyContainer(dir.write("EBOOT.PBP", file), [](const ProgressReport&) { return true; });
        if (!verification) return {"error: " + verification.error().message};
        passed = verification->passed();
        return verification->lines("EBOOT.PBP");
    }

    // Each case's report is its lines, and it passes or fails as `passes` says.
    void expectReports(const std::vector<Case>& cases, bool passes) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(report(c.file), c.lines);
            EXPECT_EQ(passed, passes);
        }
    }

    testing::TempFolder dir;
    bool passed = false;
};

TEST_F(VerifyContainerTest, IntactContainersOfEveryKindPass) {
    const std::vector<DiscTrack> withAudio{{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 450, 150}};
    const std::vector<Case> cases{
        {"level 0",
         readableContainer({firstDisc(0)}),
         {"EBOOT.PBP: 1 disc, 700 sectors, level 0, 54 of 54 checksums match",
          "note: pcsxr and PCSX ReARMed cannot read its 54 stored blocks (level 0)"}},
        {"level 9", oneDisc(), {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 54 of 54 checksums match"}},
        {"cue sheet with an audio track",
         readableContainer({discWithTail(discBytes(700), 9, withAudio)}),
         {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 54 of 54 checksums match"}},
        {"two discs", twoDiscs(), {"EBOOT.PBP: 2 discs, 700 and 300 sectors, deflated, 83 of 83 checksums match"}},
    };
    expectReports(cases, true);
}

TEST_F(VerifyContainerTest, FaultsThatStopAReaderFail) {
    const std::string summary = "EBOOT.PBP: 1 disc, 700 sectors, deflated, 54 of 54 checksums match";
    const std::string refused = "DuckStation will refuse it: ";
    const std::uint64_t dataTable = sfoField(oneDisc(), 12);
    const std::uint64_t psar = psarOf(oneDisc());
    TestDisc longerToc = deflatedDisc();
    longerToc.imageSize = 54 * kImageBlockSize + kSectorSize;
    const std::vector<Case> cases{
        {"no BOOTABLE",
         changed(oneDisc(), [](Bytes& f) { f[sfoField(f, 8)] = 'X'; }),
         {summary, refused + "PARAM.SFO has no BOOTABLE key"}},
        {"BOOTABLE 0",
         changed(oneDisc(), [&](Bytes& f) { storeLe32(&f[dataTable], 0); }),
         {summary, refused + "PARAM.SFO's BOOTABLE is not the integer 1"}},
        {"another category",
         withText(dataTable + 4, "MG"),
         {summary, refused + "PARAM.SFO's CATEGORY is \"MG\", not \"ME\""}},
        {"a value of format 0x0004",
         changed(oneDisc(), [](Bytes& f) { storeLe16(&f[kSfo + 20 + 3 * 16 + 2], 4); }),
         {summary, refused + "PARAM.SFO's TITLE is of data format 0x0004"}},
        {"+0xBFC zeroed",
         changed(oneDisc(), [&](Bytes& f) { storeLe32(&f[psar + 0xBFC], 0); }),
         {summary,
          "DuckStation misreads it: +0xBFC of its disc-image block holds 0x0, not 0x100000, where its "
          "image data begins"}},
        {"no blocks past the end",
         readableContainer({testing::testDisc(discBytes(700), 9)}),
         {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 44 of 44 checksums match",
          "DuckStation cannot preload it: its blocks hold 704 sectors, not the 850 it reads (the image's 700 + 150)"}},
        {"a stored block among deflated ones",
         readableContainer({packedDisc(discBytes(700), [](std::size_t block) { return block == 2 ? 0 : 9; })}),
         {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 1 block stored, 54 of 54 checksums match",
          "pcsxr and PCSX ReARMed cannot read its 1 stored block among deflated ones"}},
        {"end entry of offset 0",
         withEntry(54, [](IndexEntry& e) { e.offset = 0; }),
         {summary, "the emulators cannot read its last block: the end entry of its block index gives offset 0, not " +
                       groupedNumber(deflatedDisc().packed.data.size())}},
        {"PARAM.SFO without its magic",
         withText(kSfo + 1, "X"),
         {summary, "DuckStation and the PSP refuse it: its PARAM.SFO is damaged: its magic is missing"}},
        {"header offsets out of order",
         changed(oneDisc(), [](Bytes& f) { testing::setHeaderOffset(f, PbpSection::Pic0, 50); }),
         {summary,
          "PPSSPP and Quillon refuse it: its header is damaged: PIC0.PNG (offset 50) starts before "
          "ICON1.PMF (offset " +
              std::to_string(loadLe32(&oneDisc()[testing::headerField(PbpSection::Icon1)])) + ")"}},
        {"table of contents longer than the blocks",
         readableContainer({longerToc}),
         {"EBOOT.PBP: 1 disc, 865 sectors, deflated, 54 of 54 checksums match",
          "every reader misses its end: its table of contents gives 865 sectors, but its blocks hold 864"}},
    };
    expectReports(cases, false);
}

TEST_F(VerifyContainerTest, DamageThatExtractionRefusesFails) {
    const std::uint64_t psar = psarOf(oneDisc());
    const IndexEntry second = deflatedDisc().packed.index[1];
    const std::string indexDamaged = "no reader can play it: its block index is damaged: ";
    const std::string noBlock = "EBOOT.PBP: 1 disc, 700 sectors, no block read";
    const std::string startDat = "STARTDAT";
    const auto startDatAt = std::search(oneDisc().begin(), oneDisc().end(), startDat.begin(), startDat.end());
    const auto startDatPosition = static_cast<std::uint64_t>(startDatAt - oneDisc().begin());
    Bytes tooShort(kStartDatWindow - 1000, 0);
    std::copy(oneDisc().begin(), oneDisc().begin() + static_cast<std::ptrdiff_t>(psar + 16), tooShort.begin());
    const std::vector<Case> cases{
        {"magic",
         withText(1, "X"),
         {"EBOOT.PBP: not a PBP container", "no reader can open it: it does not start with the PBP magic \"\\0PBP\""}},
        {"disc-image marker",
         withText(psar, "X"),
         {"EBOOT.PBP: no disc image",
          "no reader can play it: its DATA.PSAR starts with neither \"PSISOIMG\" nor \"PSTITLEIMG\""}},
        {"DATA.PSAR at the end of the file",
         changed(
             oneDisc(),
             [](Bytes& f) { testing::setHeaderOffset(f, PbpSection::DataPsar, static_cast<std::uint32_t>(f.size())); }),
         {"EBOOT.PBP: no disc image",
          "no reader can play it: its DATA.PSAR starts with neither \"PSISOIMG\" nor \"PSTITLEIMG\""}},
        {"no start-screen block",
         withText(startDatPosition, "X"),
         {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 54 of 54 checksums match",
          "Quillon cannot extract it: it has no start-screen block (\"STARTDAT\") in its last 1,048,575 bytes"}},
        {"start-screen block inside the disc-image block",
         changed(withText(startDatPosition, "X"),
                 [&](Bytes& f) { std::copy(startDat.begin(), startDat.end(), f.end() - 0xF0000); }),
         {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 54 of 54 checksums match",
          "Quillon cannot extract it: its start-screen block lies inside the last disc-image block"}},
        {"shorter than the start-screen search",
         tooShort,
         {"EBOOT.PBP: disc-image block past the end",
          "Quillon cannot extract it: it is shorter than the 1,048,575 bytes its start-screen block is looked for in",
          "no reader can play it: its last disc-image block ends past the end of the file"}},
        {"block that does not inflate",
         changed(oneDisc(), [](Bytes& f) { std::fill_n(f.begin() + blockPosition(2), 8, 0xFF); }),
         {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 53 of 53 checksums match",
          "no reader can read it whole: block 3" + at(blockPosition(2)) + " does not inflate to 37,632 bytes"}},
        {"checksum",
         withEntry(1, [](IndexEntry& e) { e.sha1Prefix[5] ^= 1; }),
         {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 53 of 54 checksums match",
          "every reader reads damaged data: block 2" + at(blockPosition(1)) + " does not match its SHA-1 checksum"}},
        {"entry out of place",
         withEntry(1, [](IndexEntry& e) { e.offset += 1; }),
         {noBlock, indexDamaged + "entry 2 gives offset " + std::to_string(second.offset + 1) + " where " +
                       std::to_string(second.offset) + " follows"}},
        {"entry far away",
         withEntry(1, [](IndexEntry& e) { e.offset = 0x7fffffff; }),
         {noBlock,
          indexDamaged + "entry 2 gives offset 2147483647 where " + std::to_string(second.offset) + " follows"}},
        {"blocks short of the image data",
         withEntry(53, [](IndexEntry& e) { e.storedSize -= 1; }),
         {noBlock, indexDamaged + "its blocks end at " + std::to_string(deflatedDisc().packed.data.size() - 1) +
                       " of " + std::to_string(deflatedDisc().packed.data.size()) + " bytes of image data"}},
        {"no end entry",
         changed(oneDisc(),
                 [&](Bytes& f) { std::fill(f.begin() + psar + kIndexOffset, f.begin() + psar + kImageDataOffset, 1); }),
         {noBlock, indexDamaged + "it has no end entry"}},
        {"table of contents",
         changed(oneDisc(), [&](Bytes& f) { f[psar + kTocOffset + 28] = 0x60; }),
         {"EBOOT.PBP: 1 disc, ? sectors, deflated, 54 of 54 checksums match",
          "every reader misplaces its tracks: its table of contents is damaged: the lead-out is not a BCD time"}},
        {"disc table",
         changed(twoDiscs(), [](Bytes& f) { storeLe32(&f[psarOf(f) + kDiscTableOffset + 4], 0x7fffffff); }),
         {"EBOOT.PBP: damaged disc table",
          "no reader can play it: its disc table is damaged: disc 2 lies past the end of the file"}},
    };
    expectReports(cases, false);
}

TEST_F(VerifyContainerTest, DiscInsideTheBlocksOfTheDiscBeforeFails) {
    // Disc 2 moved into disc 1's last block, which it damages.
    const std::vector<TestDisc> discs{firstDisc(0), secondDisc()};
    Bytes file = readableContainer(discs);
    const std::uint64_t disc1 = testing::discBlockPositions(file, discs)[0];
    const std::uint64_t disc2 = disc1 + kImageDataOffset + 53 * kImageBlockSize;
    storeLe32(&file[psarOf(file) + kDiscTableOffset + 4], static_cast<std::uint32_t>(disc2 - psarOf(file)));
    ByteWriter(file).putBytes(disc2, asBytes("PSISOIMG0000"));
    const std::vector<std::string> lines = report(file);
    EXPECT_FALSE(passed);
    const std::string inside = "every reader misreads disc 1: the disc table puts disc 2 at byte " +
                               groupedNumber(disc2) + ", inside the blocks of disc 1, which end at byte " +
                               groupedNumber(disc1 + kImageDataOffset + 54 * kImageBlockSize);
    EXPECT_NE(std::find(lines.begin(), lines.end(), inside), lines.end()) << ::testing::PrintToString(lines);
}

TEST_F(VerifyContainerTest, LimitsOfSomeReadersAreNotesThatPass) {
    Bytes noise = discBytes(700);
    const Bytes random = testing::randomBytes(kImageBlockSize, 3);
    std::copy(random.begin(), random.end(), noise.begin() + 2 * kImageBlockSize);
    const TestDisc noisy = discWithTail(noise, 9);
    const std::vector<Case> cases{
        {"a block of noise",
         readableContainer({noisy}),
         {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 54 of 54 checksums match",
          "note: Beetle PSX cannot read its 1 block stored larger than 37,632 bytes"}},
        {"a block with bytes after its stream",
         readableContainer({withLongerBlock(noisy, 2, 200)}),
         {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 54 of 54 checksums match",
          "note: Beetle PSX cannot read its 1 block stored larger than 37,632 bytes",
          "note: PCSX ReARMed refuses its 1 block stored larger than 37,732 bytes"}},
        {"blocks without checksum",
         withEntry(0, [](IndexEntry& e) { e.sha1Prefix.fill(0); }),
         {"EBOOT.PBP: 1 disc, 700 sectors, deflated, 53 of 53 checksums match, 1 block without checksum"}},
    };
    expectReports(cases, true);
}

TEST_F(VerifyContainerTest, LibCryptSidecarsBesideItAreNamedAndChecked) {
    Bytes sbi = testing::bytesOf(std::string("SBI\0", 4));
    for (const std::uint8_t first : {0x03, 0x04}) {
        const Bytes record{first, 0x08, 0x05, 1, 0x41, 0x01, 0x01, 0x07, 0x06, 0x05, 0x00, 0x23, 0x08, 0x05};
        sbi.insert(sbi.end(), record.begin(), record.end());
    }
    const std::string readers = "DuckStation, PCSX ReARMed and Beetle PSX ";
    struct SidecarCase {
        std::string name;  // of the sidecar
        Bytes bytes;
        const Bytes& container;
        std::string line;
        bool passes;
    };
    const std::vector<SidecarCase> cases{
        {"EBOOT.sbi", sbi, oneDisc(), "note: " + readers + "take LibCrypt data from EBOOT.sbi: 2 records", true},
        {"EBOOT.sbi", changed(sbi, [](Bytes& b) { b.pop_back(); }), oneDisc(),
         readers + "cannot use EBOOT.sbi: its length is not a whole number of 14-byte records", false},
        {"EBOOT_2.sbi", sbi, twoDiscs(), "note: " + readers + "take LibCrypt data from EBOOT_2.sbi: 2 records", true},
    };
    for (const SidecarCase& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string sidecar = dir.write(c.name, c.bytes);
        const std::vector<std::string> lines = report(c.container);
        ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
        EXPECT_EQ(lines[1], c.line);
        EXPECT_EQ(passed, c.passes);
        removeFile(sidecar);
    }
    dir.write("EBOOT_1.sbi", sbi);
    EXPECT_EQ(report(oneDisc()).size(), 1u) << "a container of one disc has no sidecar of disc 1";
}

TEST_F(VerifyContainerTest, ProgressFollowsTheBlocksAndCanStopIt) {
    const std::string path = dir.write("EBOOT.PBP", twoDiscs());
    std::vector<std::uint64_t> done;
    const auto all = verifyContainer(path, [&](const ProgressReport& report) {
        EXPECT_EQ(report.total, twoDiscs().size());
        done.push_back(report.done);
        return true;
    });
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(done.size(), 83u);
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    const std::uint64_t disc1 = testing::discBlockPositions(twoDiscs(), {deflatedDisc(), secondDisc()})[0];
    EXPECT_EQ(done.front(), disc1 + kImageDataOffset + deflatedDisc().packed.index[0].storedSize);

    std::size_t calls = 0;
    const auto stopped = verifyContainer(path, [&](const ProgressReport&) { return ++calls < 3; });
    ASSERT_FALSE(stopped.ok());
    EXPECT_EQ(stopped.error().kind, Error::Kind::Cancelled);
    EXPECT_EQ(calls, 3u);
    EXPECT_EQ(testing::readFile(path), std::string(twoDiscs().begin(), twoDiscs().end())) << "nothing is written";
}

TEST_F(VerifyContainerTest, FileThatCannotBeReadIsAnError) {
    const auto missing = verifyContainer(dir.file("missing.pbp"), [](const ProgressReport&) { return true; });
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, Error::Kind::Read);
    EXPECT_EQ(report(Bytes{}), (std::vector<std::string>{"EBOOT.PBP: not a PBP container",
                                                         "no reader can open it: it does not start with the PBP "
                                                         "magic \"\\0PBP\""}));
}

}  // namespace
}  // namespace quillon
