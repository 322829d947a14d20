#include "state/busy_state.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/recording.h"

namespace quillon::testing {
namespace {

TEST(BusyStateTest, OnlyTheFirstCodedErrorIsShownUntilTheNextOperationBegins) {
    RecordingHost host;
    BusyState busy(host);
    busy.showError(ErrorCode::NoSource);
    busy.showError(ErrorCode::NoTitle);
    busy.showMessage("Unable to create output folder.");
    EXPECT_EQ(host.shown(), (std::vector<std::string>{"Error: You have to select a ISO file.",
                                                      "Error: Unable to create output folder."}));
    busy.begin(Operation::Convert);
    busy.showError(ErrorCode::FrontPartTooBig);
    EXPECT_EQ(host.shown().back(),
              "Error: The file size of ICON0.PNG + PIC1.PNG + PIC0.PNG + SND0.AT3 + ICON1.PMF is too big.");
}

TEST(BusyStateTest, EndReportsDoneOrAbortAndClearsOnlyTheAbortFlag) {
    RecordingHost host;
    BusyState busy(host);
    busy.begin(Operation::Convert);
    EXPECT_EQ(busy.running(), Operation::Convert);
    busy.showError(ErrorCode::NoSource);
    busy.requestAbort();
    EXPECT_FALSE(busy.progress()({"step", 1, 2}));
    busy.end();
    EXPECT_EQ(host.status(), "User aborted.");
    EXPECT_FALSE(busy.abortRequested());
    EXPECT_TRUE(busy.errorShown());
    EXPECT_FALSE(busy.running());
    EXPECT_EQ(host.busyDepth, 0);
    busy.end();
    EXPECT_EQ(host.status(), "Done.");
}

TEST(BusyStateTest, ProgressShowsItsTextThenPumps) {
    RecordingHost host;
    BusyState busy(host);
    busy.begin(Operation::Extract);
    host.onPump = [&](int) { EXPECT_EQ(host.status(), "Saving"); };
    EXPECT_TRUE(busy.progress()({"Saving", 0, 0}));
    EXPECT_EQ(host.pumps, 1);
}

TEST(BusyStateTest, FileErrorsAreCaptionedWithTheProgramTitle) {
    RecordingHost host;
    BusyState busy(host);
    busy.showError(ErrorCode::NoSource);
    busy.showFileError(Error::read("Cannot open file \"x\". No such file or directory"));
    EXPECT_EQ(host.shown().back(), "Quillon: Cannot open file \"x\". No such file or directory");
}

TEST(BusyStateTest, ErrorTableIsComplete) {
    EXPECT_EQ(errorMessage(ErrorCode::ToolMissing),
              std::string(kPopstationFileName) + " not found in folder \"Files\".");
    EXPECT_EQ(errorMessage(ErrorCode::ToolDidNotStart), "An unknown error occurred.");
    EXPECT_EQ(errorMessage(ErrorCode::NoOutputFolder), "You have to select a output directory.");
    EXPECT_EQ(errorMessage(ErrorCode::NoSaveId), "You have to set a save ID.");
    EXPECT_EQ(errorMessage(ErrorCode::NoDiscImage), "PBP file don't contain a ISO.");
    EXPECT_EQ(errorMessage(ErrorCode::NoEndOfImage), "Cant find end of ISO file.");
    EXPECT_EQ(errorMessage(ErrorCode::NotAContainer), "Selected file is not a valid PBP file.");
}

}  // namespace
}  // namespace quillon::testing
