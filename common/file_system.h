// What the program asks of file systems beyond reading and writing files: whether a
// file to be written fits into the free space, and a lock that keeps a folder to one
// process at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/expected.h"

namespace quillon {

// Fails, saying how much is needed and how much is free, when the file system of
// `target`'s folder has less free space than `bytes`. Passes when the free space
// cannot be told.
Status checkRoomFor(const std::string& target, std::uint64_t bytes);

namespace testing {
// Makes checkRoomFor see this much free space on every file system; nullopt ends it.
void pretendFreeSpace(std::optional<std::uint64_t> bytes);
}  // namespace testing

// An exclusive lock on a file, held until it is destroyed; the system releases it when
// the process ends, however it ends.
class FileLock {
public:
    // nullopt when another process holds the lock; an error when the lock file cannot
    // be opened.
    static Expected<std::optional<FileLock>> tryLock(const std::string& path);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    explicit FileLock(int handle) : handle_(handle) {}
    int handle_ = -1;
};

}  // namespace quillon
