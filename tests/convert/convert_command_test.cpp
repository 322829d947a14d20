#include "convert/convert_command.h"

#include <optional>

#include "common/file_io.h"
#include "convert/conversion_fixture.h"
#include "source/pbp.h"

namespace quillon::testing {
namespace {

using ConvertCommandTest = ConversionTest;

constexpr const char* kNoCodeSummary = "Done. Did not find any code in iso to patch.";

TEST_F(ConvertCommandTest, OutputFolderThatIsEmptyOrCannotBeMadeEndsBeforeTheFieldChecks) {
    fields.setPalFix(true);
    const std::pair<std::string, std::string> cases[] = {
        {"", "Error: You have to select a output directory."},
        {dir.file("no/such/parent"), "Error: Unable to create output folder."},
    };
    for (const auto& [folder, message] : cases) {
        SCOPED_TRACE(folder);
        host = RecordingHost();
        fields.setText(Field::outputFolder, folder);
        convert();  // srcIso is empty too: not looked at
        EXPECT_EQ(host.shown(), std::vector<std::string>{message});
        EXPECT_EQ(host.status(), "Done.");
    }
    EXPECT_FALSE(isFolder(dir.file("no")));
}

TEST_F(ConvertCommandTest, OutputFolderIsMadeOneLevelDeep) {
    useSource(ContainerRecipe{});
    fields.setText(Field::outputFolder, outputFolder + kPathSeparator + "Game");
    convert();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(isFile(outputFolder + kPathSeparator + "Game" + kPathSeparator + "EBOOT.PBP"));
}

TEST_F(ConvertCommandTest, TheNextConversionRemovesWhatAKilledOneLeftInItsOutputFolder) {
    useSource(ContainerRecipe{});
    convert();
    const std::string left = dir.write("out/.EBOOT.PBP.999999999-0.part", "partial");
    fields.setText(Field::outputFolder, dir.file("elsewhere"));
    convert();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(isFile(left));
    EXPECT_TRUE(isFile(dir.file("elsewhere/EBOOT.PBP")));
}

TEST_F(ConvertCommandTest, OnlyTheFirstEmptyFieldIsReportedAndThePatchSummaryFollows) {
    fields.setPalFix(true);
    fields.setText(Field::title, "");
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: You have to select a ISO file."});
    EXPECT_EQ(host.status(), kNoCodeSummary);
    EXPECT_TRUE(busy.errorShown());

    const std::pair<Field, const char*> cases[] = {
        {Field::title, "Error: You have to set a game title."},
        {Field::discIdNumber, "Error: You have to set a save ID."},
        {Field::discIdPrefix, "Error: You have to set a save ID."},
    };
    fields.setPalFix(false);
    for (const auto& [field, message] : cases) {
        useSource(ContainerRecipe{});
        fields.setText(Field::title, "New title");
        fields.setText(Field::discIdNumber, "01234");
        fields.setText(Field::discIdPrefix, "SLUS");
        fields.setText(field, "");
        host = RecordingHost();
        convert();
        EXPECT_EQ(host.shown(), std::vector<std::string>{message});
        EXPECT_EQ(host.status(), "Done.");
        EXPECT_FALSE(isFile(outputPath()));
    }
}

TEST_F(ConvertCommandTest, ExtensionDecidesTheKindOfSourceInAnyLetterCase) {
    useSource(ContainerRecipe{}, "GAME.PBP");
    convert();
    EXPECT_TRUE(host.messages.empty());
    ContainerRecipe expected = finished({});
    expected.dataPsar = 0x50000;
    EXPECT_EQ(output(), build(expected));

    // A disc image goes to the tool, missing here: error 1, and the End step.
    fields.setPalFix(true);
    useSource(ContainerRecipe{}, "game.pbp.iso");
    host = RecordingHost();
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: " + errorMessage(ErrorCode::ToolMissing)});
    EXPECT_EQ(host.status(), kNoCodeSummary);
}

// The strongest compression, which the command line asks for, with a tool in Files
// that is the project's own or another.
class StrongestCompressionTest : public ConversionTest {
protected:
    // A packing tool that keeps the arguments it was started with.
    struct ArgumentsTool : PackingTool {
        bool start(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                   const std::string& outputFile) override {
            arguments = args;
            return PackingTool::start(program, args, folder, outputFile);
        }
        std::optional<std::vector<std::string>> arguments;
    };

    StrongestCompressionTest() { packer.container = build(ContainerRecipe{}); }
    void placeTool(const std::string& script) { dir.write("Files/" + std::string(kPopstationFileName), script); }
    void convertStrongest() {
        runConversion(fields, busy, packer, ProgramFolder(dir.folder()), ToolCompression::Strongest);
    }

    ArgumentsTool packer;
};

TEST_F(StrongestCompressionTest, GoesToTheProjectsOwnToolAsItsOptionInPlaceOfTheLevel) {
    placeTool("#!/bin/sh\n# " + std::string(kStrongestOptionHelp) + "\n");
    fields.setText(Field::compressionLevel, "5");
    const std::string source = useSource(ContainerRecipe{}, "game.bin");
    convertStrongest();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(packer.arguments, (std::vector<std::string>{"--max-compression", source}));
    EXPECT_TRUE(isFile(outputPath()));
    EXPECT_EQ(fields.text(Field::compressionLevel), "5");  // the setting stays
}

TEST_F(StrongestCompressionTest, IsRefusedWithAnotherToolBeforeAnythingIsMade) {
    placeTool("#!/bin/sh\necho Done.\n");
    const std::string tool = dir.nativeFile("Files/" + std::string(kPopstationFileName));
    useSource(ContainerRecipe{}, "game.bin");
    fields.setText(Field::outputFolder, outputFolder + kPathSeparator + "Game");
    convertStrongest();
    EXPECT_EQ(host.shown(), std::vector<std::string>{
                                "Error: The popstation tool \"" + tool +
                                "\" is not Quillon's own: only Quillon's tool packs at the strongest compression "
                                "(--compression max). Choose a level from 0 to 9, or put Quillon's tool back."});
    EXPECT_FALSE(packer.arguments.has_value());
    EXPECT_FALSE(isFolder(outputFolder + kPathSeparator + "Game"));
    EXPECT_EQ(host.status(), "Done.");
}

TEST_F(StrongestCompressionTest, LeavesAContainerSourceAndAMissingToolToTheirOwnWays) {
    // A container is only finished: no tool runs, whichever is there.
    placeTool("#!/bin/sh\n");
    useSource(ContainerRecipe{});
    convertStrongest();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(isFile(outputPath()));
    // No tool at all: the tool stage's error, as at any level.
    std::filesystem::remove(dir.file("Files/" + std::string(kPopstationFileName)));
    useSource(ContainerRecipe{}, "game.bin");
    convertStrongest();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: " + errorMessage(ErrorCode::ToolMissing)});
}

TEST_F(ConvertCommandTest, SourceThatIsTheOutputFileIsRefusedUnchanged) {
    fields.setPalFix(true);
    const Bytes container = build({});
    dir.write("out/EBOOT.PBP", container);
    fields.setText(Field::sourcePath, dir.file("out/../out/EBOOT.PBP"));
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: Source file and Destination file cannot be the same."});
    EXPECT_EQ(host.status(), "Done.");
    EXPECT_EQ(output(), container);
}

TEST_F(ConvertCommandTest, DiscImageWithTheFilesFolderAsOutputIsRefused) {
    useSource(ContainerRecipe{}, "game.bin");
    fields.setText(Field::outputFolder, dir.file("Files"));
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: Source file and Destination file cannot be the same."});
    EXPECT_EQ(host.status(), "Done.");
}

TEST_F(ConvertCommandTest, ContainerWithoutDiscImageGivesError7WithoutSummary) {
    fields.setPalFix(true);
    ContainerRecipe parts;
    parts.isoMarker = false;
    useSource(parts);
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: PBP file don't contain a ISO."});
    EXPECT_EQ(host.status(), "Done.");
    EXPECT_EQ(outputFolderNames(), std::set<std::string>{});
}

TEST_F(ConvertCommandTest, ContainerWithoutStartScreenBlockGivesError8AndWritesNothing) {
    ContainerRecipe parts;
    parts.startPicture = std::nullopt;
    useSource(parts);
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: Cant find end of ISO file."});
    EXPECT_EQ(host.status(), "Done.");
    EXPECT_EQ(outputFolderNames(), std::set<std::string>{});
}

TEST_F(ConvertCommandTest, FrontPartTooBigGivesError10AndTheSummary) {
    fields.setPalFix(true);
    useSource(ContainerRecipe{});
    useFile(Field::snd0, "snd0.at3", Bytes(2621440, 1));
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: " + errorMessage(ErrorCode::FrontPartTooBig)});
    EXPECT_EQ(host.status(), kNoCodeSummary);
    EXPECT_EQ(outputFolderNames(), std::set<std::string>{});
}

TEST_F(ConvertCommandTest, FrontPartTooBigIsReportedBeforeAMissingStartScreenBlock) {
    fields.setPalFix(true);
    ContainerRecipe parts;
    parts.startPicture = std::nullopt;
    useSource(parts);
    useFile(Field::snd0, "snd0.at3", Bytes(2621440, 1));
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: " + errorMessage(ErrorCode::FrontPartTooBig)});
    EXPECT_EQ(host.status(), kNoCodeSummary);
}

TEST_F(ConvertCommandTest, WarningPictureTooLargeForTheStartScreenSearchIsRefused) {
    useSource(ContainerRecipe{});
    const std::string earlierOutput = "earlier";
    dir.write("out/EBOOT.PBP", earlierOutput);
    useFile(Field::warning, "big.png", Bytes(kMaxStartScreenPicture + 1, 7));
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: The warning picture is too large: " +
                                                     std::to_string(kMaxStartScreenPicture + 1) + " bytes, at most " +
                                                     std::to_string(kMaxStartScreenPicture) + " fit."});
    EXPECT_EQ(readFile(outputPath()), earlierOutput);

    // The largest that fits gives a container whose start-screen block is found again.
    useFile(Field::warning, "big.png", Bytes(kMaxStartScreenPicture, 7));
    convert();
    auto written = InputFile::open(outputPath());
    ASSERT_TRUE(written.ok());
    EXPECT_TRUE(findStartDat(*written)->has_value());
}

// A disc image with a tool in Files that would pack it: what no container can take is
// refused before the tool starts.
class CheckBeforeTheToolTest : public ConversionTest {
protected:
    struct CountingTool : PackingTool {
        bool start(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                   const std::string& outputFile) override {
            ++starts;
            return PackingTool::start(program, args, folder, outputFile);
        }
        int starts = 0;
    };

    CheckBeforeTheToolTest() {
        packer.container = build(ContainerRecipe{});
        dir.write("Files/" + std::string(kPopstationFileName), "#!/bin/sh\n");
        useSource(ContainerRecipe{}, "game.bin");
        fields.setPalFix(true);
    }
    void convert() { runConversion(fields, busy, packer, ProgramFolder(dir.folder())); }

    CountingTool packer;
};

TEST_F(CheckBeforeTheToolTest, PiecesNoContainerCanTakeAreRefusedBeforeTheToolRuns) {
    Bytes marked(100, 1);
    put(marked, 40, bytesOf("STARTDAT"));
    const struct {
        Field field;
        Bytes content;
        std::string message;
    } cases[] = {
        {Field::snd0, Bytes(2621440, 1), errorMessage(ErrorCode::FrontPartTooBig)},
        {Field::pic1, Bytes(2621440 - 40, 1), errorMessage(ErrorCode::FrontPartTooBig)},
        {Field::warning, Bytes(kMaxStartScreenPicture + 1, 7),
         "The warning picture is too large: " + std::to_string(kMaxStartScreenPicture + 1) + " bytes, at most " +
             std::to_string(kMaxStartScreenPicture) + " fit."},
        {Field::warning, marked,
         "The warning picture \"" + dir.file("piece") +
             "\" cannot be used: it holds the bytes \"STARTDAT\", which mark the start-screen block."},
    };
    for (const auto& c : cases) {
        host = RecordingHost();
        fields.setText(Field::snd0, "");
        fields.setText(Field::pic1, "");
        fields.setText(Field::warning, "");
        useFile(c.field, "piece", c.content);
        convert();
        EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: " + c.message});
        EXPECT_EQ(packer.starts, 0);
        EXPECT_FALSE(isFile(filesFolder + "EBOOT.PBP"));
        EXPECT_EQ(host.status(), kNoCodeSummary);
        EXPECT_EQ(outputFolderNames(), std::set<std::string>{});
    }
}

TEST_F(CheckBeforeTheToolTest, PiecesThatFitLeaveTheRestToFinishing) {
    // One byte less than the least any container has in front of its pieces: the tool
    // runs, and its container's own front part leaves no room, which finishing finds.
    useFile(Field::pic1, "pic1.png", Bytes(2621440 - 41, 1));
    convert();
    EXPECT_EQ(packer.starts, 1);
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: " + errorMessage(ErrorCode::FrontPartTooBig)});
    EXPECT_FALSE(isFile(filesFolder + "EBOOT.PBP"));
}

TEST_F(ConvertCommandTest, WarningPictureHoldingTheStartScreenMarkerIsRefused) {
    useSource(ContainerRecipe{});
    dir.write("out/EBOOT.PBP", std::string("earlier"));
    Bytes picture = patternBytes(3000, 5);
    put(picture, 1200, bytesOf("made with STARTDAT tool"));
    useFile(Field::warning, "marked.png", picture);
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: The warning picture \"" + dir.file("marked.png") +
                                                     "\" cannot be used: it holds the bytes \"STARTDAT\", "
                                                     "which mark the start-screen block."});
    EXPECT_EQ(readFile(outputPath()), "earlier");
}

TEST_F(ConvertCommandTest, TitleTooLongForParamSfoIsRefused) {
    useSource(ContainerRecipe{});
    fields.setText(Field::title, std::string(127, 'T'));  // the room of 128 with its zero
    convert();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(isFile(outputPath()));
    const Bytes earlier = output();

    fields.setPalFix(true);
    fields.setText(Field::title, std::string(128, 'T'));
    convert();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: The game title is too long to fit into PARAM.SFO."});
    EXPECT_EQ(host.status(), kNoCodeSummary);
    EXPECT_EQ(output(), earlier);
}

TEST_F(ConvertCommandTest, OffsetsOutOfOrderOrPastTheEndAreRefused) {
    const Bytes good = build({});
    const std::string path = dir.file("game.pbp");
    const std::string invalid = "Quillon: Cannot read file \"" + path + "\". ";
    const struct {
        std::size_t field;
        std::uint32_t value;
        std::string message;
    } cases[] = {
        {8, 0, invalid},                                         // PARAM.SFO inside the header
        {16, 40, invalid},                                       // ICON1.PMF before ICON0.PNG
        {32, 0x60000, invalid},                                  // DATA.PSP behind DATA.PSAR
        {36, 0xFFFFFF, "Error: PBP file don't contain a ISO."},  // DATA.PSAR past the end
    };
    for (const auto& [field, value, message] : cases) {
        SCOPED_TRACE(field);
        Bytes container = good;
        storeLe32(container.data() + field, value);
        fields.setText(Field::sourcePath, dir.write("game.pbp", container));
        host = RecordingHost();
        convert();
        ASSERT_EQ(host.shown().size(), 1u);
        EXPECT_EQ(host.shown()[0].substr(0, message.size()), message);
        EXPECT_EQ(host.status(), "Done.");
        EXPECT_EQ(outputFolderNames(), std::set<std::string>{});
    }
}

TEST_F(ConvertCommandTest, ASourceThatIsNoFileSaysSoBeforeAnyOtherCheck) {
    fields.setPalFix(true);
    fields.setText(Field::discIdNumber, "");  // would be error 6
    fields.setText(Field::outputFolder, "");  // would be refused too
    std::filesystem::create_directory(dir.path() / "folder.pbp");
    const std::pair<std::string, std::string> cases[] = {
        {dir.file("missing.pbp"), "No such file or directory"},
        {dir.file("missing.bin"), "No such file or directory"},
        {dir.file("folder.pbp"), "It is a folder, not a file."},
    };
    for (const auto& [source, reason] : cases) {
        host = RecordingHost();
        fields.setText(Field::sourcePath, source);
        convert();
        EXPECT_EQ(host.shown(), std::vector<std::string>{"Quillon: Cannot open file \"" + source + "\". " + reason});
        EXPECT_EQ(host.status(), "Done.");
    }
}

TEST_F(ConvertCommandTest, FullDiskLeavesTheEarlierOutputAndNoTemporaryFile) {
    useSource(ContainerRecipe{});
    const Bytes earlier = patternBytes(999, 80);
    dir.write("out/EBOOT.PBP", earlier);
    const std::uint64_t startDat = 0x50000 + kImageDataOffset + ContainerRecipe{}.imageDataSize;
    for (const std::uint64_t budget : {std::uint64_t{100}, std::uint64_t{400000}, startDat + 10}) {
        // in the front part, in the copy, in the start-screen block
        SCOPED_TRACE(budget);
        host = RecordingHost();
        quillon::testing::failWritesAfter(budget);
        convert();
        quillon::testing::failWritesAfter(std::nullopt);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.shown()[0], "Quillon: Cannot write file \"" + outputPath() + "\". " + systemErrorText(ENOSPC));
        EXPECT_EQ(host.status(), "Done.");
        EXPECT_EQ(host.busyDepth, 0);
        EXPECT_EQ(output(), earlier);
        EXPECT_EQ(outputFolderNames(), std::set<std::string>{"EBOOT.PBP"});
    }
}

TEST_F(ConvertCommandTest, AbortDuringThePatchedCopyShowsNoSummary) {
    fields.setPalFix(true);
    useSource(ContainerRecipe{});
    abortAtPump(2);
    EXPECT_EQ(runConversion(fields, busy, tool, ProgramFolder(dir.folder())), OperationEnd::Aborted);
    EXPECT_EQ(host.status(), "User aborted.");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(outputFolderNames(), std::set<std::string>{});
}

}  // namespace
}  // namespace quillon::testing
