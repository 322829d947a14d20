#include "app/busy_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillon {
namespace {

struct RecordingHost : Host {
    void showMessage(const std::string& text, const std::string& caption) override {
        messages.push_back(caption + ": " + text);
    }
    void setStatus(const std::string& text) override { status = text; }
    void pump() override {}
    void enterBusy(Operation) override { ++busyCount; }
    void leaveBusy() override { --busyCount; }
    std::optional<std::string> chooseIsoSaveName(const std::string&) override { return {}; }
    bool confirmReplace(const std::string&) override { return false; }

    std::vector<std::string> messages;
    std::string status;
    int busyCount = 0;
};

TEST(BusyStateTest, OnlyTheFirstCodedErrorIsShownUntilTheLatchIsCleared) {
    RecordingHost host;
    BusyState busy(host);
    busy.showError(3);
    busy.showError(5);
    busy.showMessage("Unable to create output folder.");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], "Error: You have to select a ISO file.");
    EXPECT_EQ(host.messages[1], "Error: Unable to create output folder.");
    busy.errorShown = false;
    busy.showError(10);
    EXPECT_EQ(host.messages.back(),
              "Error: The file size of ICON0.PNG + PIC1.PNG + PIC0.PNG + SND0.AT3 + ICON1.PMF is too big.");
}

TEST(BusyStateTest, EndBusyReportsDoneOrAbortAndClearsOnlyTheAbortFlag) {
    RecordingHost host;
    BusyState busy(host);
    busy.beginBusy(Operation::Convert);
    busy.errorShown = true;
    busy.abortRequested = true;
    busy.endBusy();
    EXPECT_EQ(host.status, "User aborted.");
    EXPECT_FALSE(busy.abortRequested);
    EXPECT_TRUE(busy.errorShown);
    EXPECT_EQ(host.busyCount, 0);
    busy.endBusy();
    EXPECT_EQ(host.status, "Done.");
}

TEST(BusyStateTest, FileErrorsAreCaptionedWithTheProgramTitle) {
    RecordingHost host;
    BusyState busy(host);
    busy.errorShown = true;
    busy.showFileError(Error::read("Cannot open file \"x\". No such file or directory"));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Quillon: Cannot open file \"x\". No such file or directory");
}

TEST(BusyStateTest, ErrorTableIsComplete) {
    EXPECT_EQ(errorMessage(1), std::string(kPopstationFileName) + " not found in folder \"Files\".");
    EXPECT_EQ(errorMessage(2), "An unknown error occurred.");
    EXPECT_EQ(errorMessage(4), "You have to select a output directory.");
    EXPECT_EQ(errorMessage(6), "You have to set a save ID.");
    EXPECT_EQ(errorMessage(7), "PBP file don't contain a ISO.");
    EXPECT_EQ(errorMessage(8), "Cant find end of ISO file.");
    EXPECT_EQ(errorMessage(9), "Selected file is not a valid PBP file.");
    EXPECT_EQ(errorMessage(11), "");
}

}  // namespace
}  // namespace quillon
