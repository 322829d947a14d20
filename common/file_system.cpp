#include "common/file_system.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

#include "common/file_io.h"

namespace quillon {
namespace {

std::optional<std::uint64_t> gPretendedFreeSpace;

std::string sizeText(std::uint64_t bytes) {
    char text[64];
    std::snprintf(text, sizeof text, "%llu bytes (%.1f MiB)", static_cast<unsigned long long>(bytes),
                  static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

}  // namespace

Status checkRoomFor(const std::string& target, std::uint64_t bytes) {
    std::filesystem::path folder = toFsPath(target).parent_path();
    if (folder.empty()) folder = ".";
    std::uint64_t available = 0;
    if (gPretendedFreeSpace) {
        available = *gPretendedFreeSpace;
    } else {
        std::error_code ec;
        available = std::filesystem::space(folder, ec).available;
        if (ec) return {};  // a system that cannot tell leaves the write to find out
    }
    if (available >= bytes) return {};
    return Error::write("Not enough free space to write " + inQuotes(target) + ": it needs " + sizeText(bytes) +
                        ", and " + sizeText(available) + " are free.");
}

namespace testing {
void pretendFreeSpace(std::optional<std::uint64_t> bytes) { gPretendedFreeSpace = bytes; }
}  // namespace testing

Expected<std::optional<FileLock>> FileLock::tryLock(const std::string& path) {
#ifdef _WIN32
    int handle = -1;
    if (_wsopen_s(&handle, toFsPath(path).c_str(), _O_RDWR | _O_CREAT | _O_NOINHERIT, _SH_DENYNO,
                  _S_IREAD | _S_IWRITE) != 0) {
        return Error::write("Cannot create file " + inQuotes(path) + ". " + systemErrorText(errno));
    }
    // The whole file's range, as far as ranges go; the system unlocks it with the file.
    OVERLAPPED whole{};
    if (!LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(handle)),
                    LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
        const DWORD error = GetLastError();
        _close(handle);
        if (error == ERROR_LOCK_VIOLATION) return std::optional<FileLock>();
        return Error::write("Cannot lock file " + inQuotes(path) + ". " +
                            std::system_category().message(static_cast<int>(error)));
    }
#else
    const int handle = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (handle < 0) {
        return Error::write("Cannot create file " + inQuotes(path) + ". " + systemErrorText(errno));
    }
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(handle);
        if (err == EWOULDBLOCK) return std::optional<FileLock>();
        return Error::write("Cannot lock file " + inQuotes(path) + ". " + systemErrorText(err));
    }
#endif
    return std::optional<FileLock>(FileLock(handle));
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        this->~FileLock();
        handle_ = other.handle_;
        other.handle_ = -1;
    }
    return *this;
}

FileLock::~FileLock() {
#ifdef _WIN32
    if (handle_ >= 0) _close(handle_);
#else
    if (handle_ >= 0) ::close(handle_);
#endif
    handle_ = -1;
}

}  // namespace quillon
