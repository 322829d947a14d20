// The busy state of the two long operations with its abort flag and error latch, the
// status texts and the messages that the operations show.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/expected.h"
#include "common/progress.h"
#include "state/host.h"

namespace quillon {

inline constexpr const char* kProgramTitle = "Quillon";
inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kStatusDone = "Done.";
inline constexpr const char* kStatusAborted = "User aborted.";
inline constexpr const char* kAbortCaption = "Abort";
inline constexpr const char* kSameFileMessage = "Source file and Destination file cannot be the same.";

// The name of the outside tool's file in the Files folder on this platform.
#ifdef _WIN32
inline constexpr const char* kPopstationFileName = "popstation.exe";
#else
inline constexpr const char* kPopstationFileName = "popstation";
#endif

// How an operation ended, as its last status line tells: "Done." (or the patch summary
// in its place), or "User aborted.".
enum class OperationEnd { Done, Aborted };

// The coded errors; only the first of an operation is shown.
enum class ErrorCode {
    ToolMissing = 1,
    ToolDidNotStart = 2,
    NoSource = 3,
    NoOutputFolder = 4,
    NoTitle = 5,
    NoSaveId = 6,
    NoDiscImage = 7,
    NoEndOfImage = 8,
    NotAContainer = 9,
    FrontPartTooBig = 10,
};

std::string errorMessage(ErrorCode code);

// The files a replace question names: ""P" already exists" for one, ""P", "Q" already
// exist" for several.
std::string existingFilesText(const std::vector<std::string>& paths);

class BusyState {
public:
    explicit BusyState(Host& host) : host_(host) {}
    BusyState(const BusyState&) = delete;
    BusyState& operator=(const BusyState&) = delete;

    Host& host() { return host_; }

    // The operation's button reads "Abort" and every other input is disabled; the
    // error latch is cleared for the new operation.
    void begin(Operation operation);
    // Ends every operation: "Done." or "User aborted.", the window idle again, the
    // abort flag cleared (the error latch stays set).
    OperationEnd end();
    // The operation running, if any.
    std::optional<Operation> running() const { return running_; }

    // The abort click (or Ctrl+C): the running operation stops at its next poll.
    void requestAbort() { abortRequested_ = true; }
    bool abortRequested() const { return abortRequested_; }

    // Shows the coded error unless one has been shown since the latch was cleared.
    void showError(ErrorCode code);
    bool errorShown() const { return errorShown_; }
    // A message box that no code covers, shown whatever the latch holds.
    void showMessage(const std::string& text, const std::string& caption = kErrorCaption);
    // A failed file operation, as the application's default error handler shows it.
    void showFileError(const Error& error);
    void setStatus(const std::string& text) { host_.setStatus(text); }

    // The progress of the running operation: shown through the host, which then lets
    // pending events run; false once an abort has been requested.
    Progress progress();

private:
    Host& host_;
    std::optional<Operation> running_;
    bool abortRequested_ = false;
    bool errorShown_ = false;
};

}  // namespace quillon
