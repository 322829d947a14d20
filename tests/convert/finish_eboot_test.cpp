#include "convert/finish_eboot.h"

#include "convert/conversion_fixture.h"
#include "source/param_sfo.h"

namespace quillon::testing {
namespace {

using FinishEbootTest = ConversionTest;

std::uint32_t headerField(const Bytes& file, std::size_t at) { return loadLe32(file.data() + at); }

TEST_F(FinishEbootTest, PbpSourceIsRewrittenWithTheNewPiecesTitlesAndDiscId) {
    Bytes source = build({});
    for (std::size_t field = 11; field < kPbpHeaderSize; field += 4) source[field] = 1;
    // DATA.PSAR now reads 00 .. .. 01: the highest byte is no part of an offset, and the
    // rewrite keeps it.
    const std::string sourcePath = useSource(source);
    useFile(Field::icon0, "icon0.png", patternBytes(1000, 30));
    useFile(Field::icon1, "icon1.pmf", patternBytes(1100, 31));
    useFile(Field::pic0, "pic0.png", patternBytes(1200, 32));
    useFile(Field::pic1, "pic1.png", patternBytes(1300, 33));
    useFile(Field::snd0, "snd0.at3", patternBytes(1400, 34));

    convert();

    ContainerRecipe expected = finished({});
    expected.icon0 = patternBytes(1000, 30);
    expected.icon1 = patternBytes(1100, 31);
    expected.pic0 = patternBytes(1200, 32);
    expected.pic1 = patternBytes(1300, 33);
    expected.snd0 = patternBytes(1400, 34);
    expected.dataPsar = 0x50000;
    Bytes expectedFile = build(expected);
    for (std::size_t field = 11; field < kPbpHeaderSize; field += 4) expectedFile[field] = 1;
    EXPECT_EQ(output(), expectedFile);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.status(), "Done.");
    EXPECT_EQ(fileBytes(sourcePath), source);

    const ParamFields param = readParamFields(output(), kPbpHeaderSize);
    EXPECT_EQ(param.title, "New title");
    EXPECT_EQ(param.discId, "SLUS01234");
}

TEST_F(FinishEbootTest, DiscIdTextAndSaveTitleAreCutToTheirRoom) {
    useSource(ContainerRecipe{});
    fields.setText(Field::saveTitle, std::string(130, 'S'));
    fields.setText(Field::discIdNumber, "0123456");  // _SLUS_0123456 has 13 characters
    convert();

    const Bytes file = output();
    const std::size_t block = 0x50000;
    EXPECT_EQ(std::string(file.begin() + block + 0x400, file.begin() + block + 0x40C), "_SLUS_012345");
    EXPECT_EQ(std::string(file.begin() + block + 0x122C, file.begin() + block + 0x12AC), std::string(128, 'S'));
    ContainerRecipe expected = finished({});
    expected.dataPsar = 0x50000;
    EXPECT_EQ(file, build(expected));

    fields.setText(Field::discIdNumber, "01234");
    convert();
    const Bytes shorter = output();
    EXPECT_EQ(std::string(shorter.begin() + block + 0x400, shorter.begin() + block + 0x40C),
              std::string("_SLUS_01234") + '\0');
    EXPECT_EQ(shorter, build(finished(expected)));

    // A character that would cross the room's end is left out whole.
    std::string umlauts;
    for (int i = 0; i < 100; ++i) umlauts += "\xC3\x84";
    fields.setText(Field::saveTitle, "a" + umlauts);
    convert();
    const Bytes cut = output();
    EXPECT_EQ(std::string(cut.begin() + block + 0x122C, cut.begin() + block + 0x12AC),
              "a" + umlauts.substr(0, 126) + '\0');
}

TEST_F(FinishEbootTest, DataPsarTakesTheFirstBoundaryAboveTheFrontPart) {
    ContainerRecipe source;
    source.dataPsp = patternBytes(1000, 40);
    const std::uint32_t icon0Offset = headerField(build(source), 12);
    useSource(source);
    for (const std::uint64_t end : {327679u, 327680u}) {
        SCOPED_TRACE(end);
        const Bytes icon0 = patternBytes(end - icon0Offset - source.dataPsp.size(), 41);
        useFile(Field::icon0, "icon0.png", icon0);
        convert();

        const Bytes file = output();
        const std::uint32_t dataPsar = end == 327679u ? 0x50000 : 0xA0000;
        EXPECT_EQ(headerField(file, 36), dataPsar);
        EXPECT_EQ(headerField(file, 32), end - source.dataPsp.size());
        // After E: one zero byte, or 327,680 of them.
        EXPECT_EQ(dataPsar - end, end == 327679u ? 1u : 327680u);
        ContainerRecipe expected = finished(source);
        expected.icon0 = icon0;
        expected.dataPsar = dataPsar;
        EXPECT_EQ(file, build(expected));
    }
}

TEST_F(FinishEbootTest, DataPspLosesItsTrailingZerosAndEmptyPiecesShareOneOffset) {
    ContainerRecipe source;
    const std::uint32_t icon0Offset = headerField(build(source), 12);
    // DATA.PSP with zeros at its end: trimmed, the front part ends below 327,680 and
    // DATA.PSAR takes the first boundary; counted whole it would not.
    source.dataPsp = patternBytes(327679 - icon0Offset, 52);
    source.dataPsp.resize(source.dataPsp.size() + 5000, 0);
    useSource(source);
    fields.setText(Field::icon0, dir.file("missing.png"));  // a missing file is an empty piece

    convert();

    const Bytes file = output();
    for (std::size_t field = 12; field <= 32; field += 4) {
        EXPECT_EQ(headerField(file, field), icon0Offset) << field;  // DATA.PSP follows PARAM.SFO
    }
    EXPECT_EQ(headerField(file, 36), 0x50000u);
    ContainerRecipe expected = finished(source);
    expected.dataPsp.resize(expected.dataPsp.size() - 5000);
    expected.dataPsar = 0x50000;
    EXPECT_EQ(file, build(expected));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(FinishEbootTest, WarningPictureReplacesTheStartScreenPicture) {
    useSource(ContainerRecipe{});
    useFile(Field::warning, "warning.png", patternBytes(10000, 60));
    convert();

    ContainerRecipe expected = finished({});
    expected.dataPsar = 0x50000;
    expected.startPicture = patternBytes(10000, 60);
    const Bytes file = output();
    EXPECT_EQ(file, build(expected));
    const std::int64_t startDat = positionOf(file, bytesOf("STARTDAT"));
    ASSERT_GT(startDat, 0);
    EXPECT_EQ(loadLe32(file.data() + startDat + 20), 10080u);

    // A warning picture whose file is missing leaves the block as it was.
    fields.setText(Field::warning, dir.file("gone.png"));
    convert();
    expected.startPicture = ContainerRecipe{}.startPicture;
    EXPECT_EQ(output(), build(expected));
}

TEST_F(FinishEbootTest, KeysAreCopiedBesideTheOutputOnlyWhenAbsent) {
    useSource(ContainerRecipe{});
    const std::string keys = outputFolder + kPathSeparator + "KEYS.BIN";
    convert();  // no KEYS.BIN in Files: nothing, and no message
    EXPECT_FALSE(isFile(keys));
    EXPECT_TRUE(host.messages.empty());

    dir.write("Files/KEYS.BIN", std::string("0123456789abcdef"));
    convert();
    EXPECT_EQ(readFile(keys), "0123456789abcdef");

    dir.write("out/KEYS.BIN", std::string("the user's own"));
    convert();
    EXPECT_EQ(readFile(keys), "the user's own");
}

TEST_F(FinishEbootTest, ProgressIsShownBeforeEachBlockAndEventsArePumpedAfterEachFullOne) {
    ContainerRecipe source;
    source.imageDataSize = 70000;
    const std::string path = useSource(source);
    const std::uint64_t size = fileBytes(path).size();
    const std::uint64_t start = dataPsarOf(fileBytes(path)) + 4780;
    const std::uint64_t length = (kImageDataOffset - 4780) + source.imageDataSize;
    convert();

    ASSERT_EQ(host.statuses.size(), length / 65535 + 2);  // the blocks, then "Done."
    for (std::size_t block = 0; block <= length / 65535; ++block) {
        const auto percent = static_cast<int>(static_cast<double>(start + 65535 * block) / size * 100);
        EXPECT_EQ(host.statuses[block], "Moving and modifying file... (" + std::to_string(percent) + "%)");
    }
    EXPECT_EQ(host.pumps, static_cast<int>(length / 65535) + 1);
}

TEST_F(FinishEbootTest, LongImageDataIsCopiedExactlyWithOneProgressTextPerBlock) {
    // Several of the copy's 16-block reads, and a last block of 1,234 bytes.
    ContainerRecipe source;
    source.imageDataSize = 40 * 65535 + 1234 - (kImageDataOffset - 4780) % 65535;
    useSource(source);
    convert();
    ContainerRecipe expected = finished(source);
    expected.dataPsar = 0x50000;
    EXPECT_EQ(output(), build(expected));
    const std::uint64_t length = (kImageDataOffset - 4780) + source.imageDataSize;
    EXPECT_EQ(host.statuses.size(), length / 65535 + 2);
    EXPECT_EQ(host.pumps, static_cast<int>(length / 65535) + 1);
}

// A disc image through a tool that leaves its container in the Files folder.
class ToolContainerTest : public ConversionTest {
protected:
    ToolContainerTest() {
        dir.write("Files/" + std::string(kPopstationFileName), "tool");
        packing.container = build({});
        fields.setText(Field::sourcePath, dir.write("game.bin", "image"));
    }
    void convertImage() { runConversion(fields, busy, packing, ProgramFolder(dir.folder())); }
    bool containerLeft() const { return isFile(filesFolder + "EBOOT.PBP"); }

    PackingTool packing;
};

TEST_F(ToolContainerTest, TheToolsContainerNeverOutlivesTheConversion) {
    convertImage();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(isFile(outputPath()));
    EXPECT_FALSE(containerLeft());

    abortAtPump(host.pumps + 2);  // during the copy
    convertImage();
    EXPECT_EQ(host.status(), "User aborted.");
    EXPECT_FALSE(containerLeft());

    // Finishing refuses: the output's name is taken by a folder.
    removeFile(outputPath());
    std::filesystem::create_directory(outputPath());
    convertImage();
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_FALSE(containerLeft());

    // Error 7: the tool's container holds no disc image.
    ContainerRecipe noImage;
    noImage.isoMarker = false;
    packing.container = build(noImage);
    host.messages.clear();
    convertImage();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: PBP file don't contain a ISO."});
    EXPECT_FALSE(containerLeft());
}

TEST_F(ToolContainerTest, ASecondConversionInTheProgramFolderIsRefusedWhileOneRuns) {
    // The second starts while the first copies (as a second window or quillon-cli would).
    FieldState second;
    for (const Field field : {Field::sourcePath, Field::title, Field::discIdPrefix, Field::discIdNumber}) {
        second.setText(field, fields.text(field));
    }
    second.setText(Field::outputFolder, dir.file("second"));
    RecordingHost secondHost;
    BusyState secondBusy(secondHost);
    host.onPump = [&](int pumps) {
        if (pumps == 1) runConversion(second, secondBusy, packing, ProgramFolder(dir.folder()));
    };
    convertImage();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(isFile(outputPath()));
    EXPECT_EQ(secondHost.shown(),
              std::vector<std::string>{"Error: Another conversion is running in the "
                                       "program folder \"" +
                                       ProgramFolder(dir.folder()).root() + "\". Start this one when it has ended."});
    EXPECT_FALSE(isFolder(dir.file("second")));

    // Once the first has ended, the next one runs.
    host.onPump = nullptr;
    runConversion(second, secondBusy, packing, ProgramFolder(dir.folder()));
    EXPECT_TRUE(isFile(dir.file("second/EBOOT.PBP")));
}

TEST_F(ToolContainerTest, AFolderTheRunMadeGoesAgainWhenItStaysEmpty) {
    ContainerRecipe noImage;
    noImage.isoMarker = false;
    packing.container = build(noImage);
    fields.setText(Field::outputFolder, dir.file("out/game"));
    convertImage();
    EXPECT_FALSE(isFolder(dir.file("out/game")));

    // A folder that was there stays, empty or not.
    std::filesystem::create_directory(dir.path() / "out" / "game");
    convertImage();
    EXPECT_TRUE(isFolder(dir.file("out/game")));
}

TEST_F(FinishEbootTest, TheCopyInsideTheKernelAndThroughABufferGiveTheSameContainer) {
    ContainerRecipe source;
    source.imageDataSize = 40 * 65535 + 123;
    useSource(source);
    std::vector<Bytes> outputs;
    for (const bool throughBuffer : {false, true}) {
        quillon::testing::forceCopyFallback(throughBuffer);
        convert();
        outputs.push_back(output());
        // An abort in the middle of the copy keeps the container written before.
        abortAtPump(host.pumps + 20);
        convert();
        host.onPump = nullptr;
        EXPECT_EQ(host.status(), "User aborted.");
        EXPECT_EQ(output(), outputs.back());
        EXPECT_EQ(outputFolderNames(), std::set<std::string>{"EBOOT.PBP"});
    }
    quillon::testing::forceCopyFallback(false);
    EXPECT_EQ(outputs[0], outputs[1]);
    ContainerRecipe expected = finished(source);
    expected.dataPsar = 0x50000;
    EXPECT_EQ(outputs[0], build(expected));
}

TEST_F(FinishEbootTest, PbpSourceStaysWhenTheCopyIsAborted) {
    const std::string path = useSource(ContainerRecipe{});
    const Bytes sourceBytes = fileBytes(path);
    const Bytes earlier = patternBytes(1234, 70);
    dir.write("out/EBOOT.PBP", earlier);
    abortAtPump(3);
    convert();

    EXPECT_EQ(host.pumps, 3);
    EXPECT_EQ(host.status(), "User aborted.");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(busy.abortRequested());
    EXPECT_EQ(fileBytes(path), sourceBytes);
    EXPECT_EQ(output(), earlier);  // the earlier output stays as it was
    EXPECT_EQ(outputFolderNames(), std::set<std::string>{"EBOOT.PBP"});
}

}  // namespace
}  // namespace quillon::testing
