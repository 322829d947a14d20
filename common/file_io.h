// File access of the core: read-at-offset input files and output files that
// appear under their name only once they are complete. Paths are UTF-8 text;
// positions and sizes are 64-bit. Every failure comes back as an Error whose
// message names the file and the system's reason.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/expected.h"
#include "common/text.h"

namespace quillon {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

std::filesystem::path toFsPath(const std::string& utf8);
std::string fromFsPath(const std::filesystem::path& path);
// A program's arguments after its name, as UTF-8. On Windows they come from the wide
// command line: argv there is in the ANSI code page, which cannot hold every file name.
std::vector<std::string> programArguments(int argc, char** argv);

bool isFile(const std::string& path);    // an existing regular file (links followed)
bool isFolder(const std::string& path);  // an existing folder
// Whether two paths name the same file (by device and file number) when both exist, else
// whether their absolute names with links resolved are the same.
bool sameFile(const std::string& a, const std::string& b);
// Removes a file if it is there; the result tells whether none is left.
bool removeFile(const std::string& path);
// The file name part of a path: what follows the last separator ('/' or the platform's).
std::string fileNameOf(const std::string& path);
// From the last "." of the file name on, dot included; empty when the name has none.
std::string extensionOf(const std::string& path);
// The path without the extension of its file name.
std::string withoutExtension(const std::string& path);
// The system's text for an errno value, such as "No such file or directory".
std::string systemErrorText(int errorNumber);
// Fails, with a message naming the path, unless it names an existing regular file
// (links followed): a folder, a named pipe or a device is no file to read. Only looks:
// opening a named pipe would wait for a writer.
Status checkRegularFile(const std::string& path);

class InputFile {
public:
    // Opens an existing regular file for reading only.
    static Expected<InputFile> open(const std::string& path);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }

    // Reads up to out.size() bytes at pos; fewer only at the end of the file.
    Expected<std::size_t> readAt(std::uint64_t pos, std::span<std::uint8_t> out);
    // Reads exactly out.size() bytes at pos, or fails with "Read beyond end of file".
    Status readExactAt(std::uint64_t pos, std::span<std::uint8_t> out);
    Expected<Bytes> readBytes(std::uint64_t pos, std::size_t count);
    // Reads up to count bytes at pos (fewer at the end of the file).
    Expected<Bytes> readUpTo(std::uint64_t pos, std::size_t count);

private:
    friend class OutputFile;  // copies ranges of the file inside the kernel

    InputFile(int handle, std::string path, std::uint64_t size);
    Error readError(const std::string& reason) const;

    int handle_ = -1;
    std::string path_;
    std::uint64_t size_ = 0;
};

Expected<Bytes> readWholeFile(const std::string& path);

// A buffer for block copies. For each block it gives room whose first byte stands at
// the same offset within a memory page as the file position the block is read from:
// the system then copies whole pages between its cache and the buffer instead of
// splitting each one in two. The room moves with the position; its bytes do not.
class CopyBuffer {
public:
    explicit CopyBuffer(std::size_t size);
    std::span<std::uint8_t> at(std::uint64_t filePosition);

private:
    Bytes storage_;
    std::size_t size_ = 0;
};

// Writes into a temporary file beside the target and renames it onto the target in
// commit(). Destroyed or discarded without commit, it removes the temporary file, so
// a failed or stopped write never leaves a partial target and never touches an
// earlier file of that name. A target that is a symbolic link is written through (the
// link stays), a replaced file keeps its permissions, and the temporary files that
// killed runs left in the target's folder are removed.
class OutputFile {
public:
    static Expected<OutputFile> create(const std::string& target);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    const std::string& target() const { return target_; }
    std::uint64_t written() const { return written_; }

    Status write(std::span<const std::uint8_t> data);
    Status writeZeros(std::uint64_t count);
    // Overwrites bytes already written, from `position` on; later writes still append.
    // For a table in front of data whose entries are known only after the data.
    Status writeAt(std::uint64_t position, std::span<const std::uint8_t> data);
    // Appends bytes `position` to `position + length` of `source`, that range exactly.
    // On Linux the kernel copies them (copy_file_range: no trip through this process, and
    // shared blocks where the file system offers them). They go through a buffer instead
    // on other systems, and for good once the first in-kernel attempt for this output
    // copies nothing (another file system, a kernel or file system without the call);
    // a later in-kernel failure hands the rest of the range to the buffer, whose read or
    // write then names the file at fault. A range running past the end of the source
    // fails before anything is written ("Read beyond end of file", naming the source).
    // As with write(), a failure leaves written() where it was and the output is to be
    // discarded.
    Status appendFrom(InputFile& source, std::uint64_t position, std::uint64_t length);
    Status commit();
    void discard();

private:
    friend class OutputFileSet;  // puts several in place together

    // How appendFrom moves bytes: settled by the first attempt inside the kernel.
    enum class RangeCopy : std::uint8_t { Untried, InKernel, ThroughBuffer };

    OutputFile(int handle, std::string target, std::string destination, std::string temp);
    void keepModeOfReplacedFile();
    // Closes the written file, ready to be put in place.
    Status finishWriting();
    // Renames the finished file onto its destination.
    Status moveIntoPlace();
    // Moves an earlier file at the destination aside, then the finished file into place;
    // the earlier file's new name, empty when there was none. A failure leaves the
    // earlier file where it was.
    Expected<std::string> replaceKeepingEarlier();
    // Undoes replaceKeepingEarlier: the earlier file `kept` back, or the new file gone
    // when there was none. False when the earlier file could not go back.
    bool restoreEarlier(const std::string& kept);
    Error writeError(const std::string& reason) const;
    std::uint64_t copyInKernel(InputFile& source, std::uint64_t position, std::uint64_t length,
                               std::uint64_t outputPosition);
    Status copyThroughBuffer(InputFile& source, std::uint64_t position, std::uint64_t length,
                             std::uint64_t outputPosition);

    int handle_ = -1;
    std::string target_;       // as the caller named it, for messages
    std::string destination_;  // the file that commit replaces: a link's target
    std::string temp_;
    std::uint64_t written_ = 0;
    RangeCopy rangeCopy_ = RangeCopy::Untried;
    std::optional<CopyBuffer> copyBuffer_;  // made on the first copy through a buffer
};

// Output files that appear together or not at all. commit() puts them in place one after
// the other, each earlier file of the same name kept aside until every new one is in
// place: should one of them fail, the new ones placed go again and the earlier files
// come back. Files not placed are discarded.
class OutputFileSet {
public:
    // One more output file, written through the set.
    Status add(const std::string& target);

    std::vector<OutputFile>::iterator begin() { return files_.begin(); }
    std::vector<OutputFile>::iterator end() { return files_.end(); }

    Status commit();

private:
    Status placeAll();
    // The files placed before `error` (those `kept` describes) undone.
    Error restoreEarlier(Error error, const std::vector<std::string>& kept);

    std::vector<OutputFile> files_;
};

// Removes the temporary files that runs of OutputFile left in `folder` when they were
// killed: those of its naming (".NAME.PID-N.part") whose process no longer runs.
// OutputFile::create does so in its target's folder.
void removeStaleTemporaries(const std::string& folder);

// Creates or replaces a whole file through OutputFile.
Status writeFileAtomically(const std::string& path, std::span<const std::uint8_t> data);

namespace testing {
// Makes every OutputFile write (appendFrom too) fail once this many more bytes have
// been written in all, as a full disk would; a write that would pass the budget writes
// nothing. nullopt ends it.
void failWritesAfter(std::optional<std::uint64_t> bytes);
// Makes OutputFile::appendFrom copy through its buffer, as on a system without an
// in-kernel copy; false lets it use the kernel again.
void forceCopyFallback(bool force);
}  // namespace testing

}  // namespace quillon
