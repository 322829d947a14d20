// The busy state of the two long operations, the abort flag, the error latch and the
// numbered error messages.
#pragma once

#include <string>

#include "app/host.h"
#include "common/expected.h"

namespace quillon {

inline constexpr const char* kProgramTitle = "Quillon";
inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kStatusDone = "Done.";
inline constexpr const char* kStatusAborted = "User aborted.";

// The name of the outside tool's file in the Files folder on this platform.
#ifdef _WIN32
inline constexpr const char* kPopstationFileName = "popstation.exe";
#else
inline constexpr const char* kPopstationFileName = "popstation";
#endif

// The message of a coded error (1 to 10); empty for any other code.
std::string errorMessage(int code);

class BusyState {
public:
    explicit BusyState(Host& host) : host_(host) {}

    Host& host() { return host_; }

    bool abortRequested = false;
    bool errorShown = false;

    void beginBusy(Operation operation) { host_.enterBusy(operation); }
    // Ends every operation: the status text, the idle window, the abort flag cleared.
    void endBusy();
    // Shows the coded error unless one has been shown since the latch was cleared.
    void showError(int code);
    // A message box that no code covers, shown whatever the latch holds.
    void showMessage(const std::string& text, const std::string& caption = kErrorCaption);
    // A failed file operation, as the application's default error handler shows it.
    void showFileError(const Error& error);

private:
    Host& host_;
};

}  // namespace quillon
