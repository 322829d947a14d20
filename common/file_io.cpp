#include "common/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace quillon {
namespace {

std::mutex gWriteLimitMutex;
std::optional<std::uint64_t> gWriteLimit;
std::atomic<bool> gForceCopyFallback{false};

// Takes `count` bytes from the test write budget; false when it is used up.
bool consumeWriteBudget(std::uint64_t count) {
    std::lock_guard<std::mutex> lock(gWriteLimitMutex);
    if (!gWriteLimit) return true;
    if (count > *gWriteLimit) {
        *gWriteLimit = 0;
        return false;
    }
    *gWriteLimit -= count;
    return true;
}

// The platform's file handles, read and written at explicit positions; every call
// retries what a signal interrupted and answers -1 with errno set on failure.
#ifdef _WIN32
int openForReading(const std::string& path) {
    return _wopen(toFsPath(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
int createNew(const std::string& path) {
    return _wopen(toFsPath(path).c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
}
// Each read and write names its own 64-bit position (as pread and pwrite do), so the
// threads that read one file at once never move each other's position.
OVERLAPPED atPosition(std::uint64_t position) {
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(position);
    overlapped.OffsetHigh = static_cast<DWORD>(position >> 32);
    return overlapped;
}
HANDLE systemHandle(int handle) { return reinterpret_cast<HANDLE>(_get_osfhandle(handle)); }
long long readAtPosition(int handle, void* data, std::size_t count, std::uint64_t position) {
    OVERLAPPED overlapped = atPosition(position);
    DWORD done = 0;
    if (ReadFile(systemHandle(handle), data, static_cast<DWORD>(count), &done, &overlapped)) return done;
    if (GetLastError() == ERROR_HANDLE_EOF) return 0;
    errno = EIO;
    return -1;
}
long long writeAtPosition(int handle, const void* data, std::size_t count, std::uint64_t position) {
    OVERLAPPED overlapped = atPosition(position);
    DWORD done = 0;
    if (WriteFile(systemHandle(handle), data, static_cast<DWORD>(count), &done, &overlapped)) return done;
    const DWORD error = GetLastError();
    errno = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? ENOSPC : EIO;
    return -1;
}
int closeHandle(int handle) { return _close(handle); }
int processId() { return _getpid(); }
#else
// Without O_NONBLOCK, opening a named pipe would wait for a writer; the handle blocks
// again once the file is known to be a regular one.
int openForReading(const std::string& path) {
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (handle < 0) return handle;
    struct stat status {};
    if (::fstat(handle, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(handle);
        errno = EINVAL;  // the caller names the kind of file
        return -1;
    }
    ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) & ~O_NONBLOCK);
    return handle;
}
int createNew(const std::string& path) { return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
long long readAtPosition(int handle, void* data, std::size_t count, std::uint64_t position) {
    long long n;
    do n = ::pread(handle, data, count, static_cast<off_t>(position));
    while (n < 0 && errno == EINTR);
    return n;
}
long long writeAtPosition(int handle, const void* data, std::size_t count, std::uint64_t position) {
    long long n;
    do n = ::pwrite(handle, data, count, static_cast<off_t>(position));
    while (n < 0 && errno == EINTR);
    return n;
}
int closeHandle(int handle) { return ::close(handle); }
int processId() { return static_cast<int>(::getpid()); }
#endif

// What a path names when it is no regular file, as a message says it.
std::optional<std::string> nonRegularKind(const std::filesystem::file_status& status) {
    using std::filesystem::file_type;
    switch (status.type()) {
        case file_type::regular: return std::nullopt;
        case file_type::directory: return "a folder";
        case file_type::fifo: return "a named pipe";
        case file_type::block:
        case file_type::character: return "a device";
        case file_type::socket: return "a socket";
        default: return "no regular file";
    }
}

#ifdef __linux__
// Copies between two files inside the kernel, at explicit positions in both (the
// handles' own positions stay as they are); the count copied, 0 at the end of the
// source, or -1 with errno set.
long long copyInsideKernel(int from, std::uint64_t fromPosition, int to, std::uint64_t toPosition, std::size_t count) {
    auto in = static_cast<loff_t>(fromPosition);
    auto out = static_cast<loff_t>(toPosition);
    long long n;
    do n = ::copy_file_range(from, &in, to, &out, count, 0);
    while (n < 0 && errno == EINTR);
    return n;
}
#else
long long copyInsideKernel(int, std::uint64_t, int, std::uint64_t, std::size_t) {
    errno = ENOSYS;
    return -1;
}
#endif

// One system call moves at most this much, whatever the platform.
constexpr std::size_t kMaxTransfer = 1 << 30;
constexpr std::size_t kPageSize = 4096;
// The size of the output's cached pages that a copy inside the kernel fills whole.
constexpr std::size_t kLargePageSize = 0x10000;
// The piece that appendFrom reads and writes at a time when it copies through a buffer.
constexpr std::size_t kCopyPieceSize = 0x40000;

}  // namespace

std::filesystem::path toFsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string fromFsPath(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

std::vector<std::string> programArguments(int argc, char** argv) {
#ifdef _WIN32
    (void)argv;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count && i < argc; ++i) args.push_back(fromFsPath(std::filesystem::path(wide[i])));
    LocalFree(wide);
    return args;
#else
    return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

bool isFile(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(toFsPath(path), ec);
}

bool isFolder(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_directory(toFsPath(path), ec);
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const auto pathA = toFsPath(a);
    const auto pathB = toFsPath(b);
    if (std::filesystem::exists(pathA, ec) && std::filesystem::exists(pathB, ec)) {
        return std::filesystem::equivalent(pathA, pathB, ec);
    }
    const auto canonicalA = std::filesystem::weakly_canonical(pathA, ec);
    if (ec) return false;
    const auto canonicalB = std::filesystem::weakly_canonical(pathB, ec);
    return !ec && canonicalA == canonicalB;
}

bool removeFile(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(toFsPath(path), ec);
    return !std::filesystem::exists(toFsPath(path), ec);
}

std::string fileNameOf(const std::string& path) {
    const auto cut = path.find_last_of(kPathSeparator == '/' ? "/" : "/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string extensionOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string withoutExtension(const std::string& path) { return path.substr(0, path.size() - extensionOf(path).size()); }

std::string systemErrorText(int errorNumber) { return std::generic_category().message(errorNumber); }

// ---- InputFile ----

InputFile::InputFile(int handle, std::string path, std::uint64_t size)
    : handle_(handle), path_(std::move(path)), size_(size) {}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)), size_(other.size_) {
    other.handle_ = -1;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (handle_ >= 0) closeHandle(handle_);
        handle_ = other.handle_;
        path_ = std::move(other.path_);
        size_ = other.size_;
        other.handle_ = -1;
    }
    return *this;
}

InputFile::~InputFile() {
    if (handle_ >= 0) closeHandle(handle_);
}

Status checkRegularFile(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(toFsPath(path), ec);
    if (ec || !std::filesystem::exists(status)) {
        const int err = ec ? ec.value() : ENOENT;
        return Error::read("Cannot open file " + inQuotes(path) + ". " + systemErrorText(err));
    }
    if (const auto kind = nonRegularKind(status)) {
        return Error::read("Cannot open file " + inQuotes(path) + ". It is " + *kind + ", not a file.");
    }
    return {};
}

Expected<InputFile> InputFile::open(const std::string& path) {
    if (auto regular = checkRegularFile(path); !regular) return regular.error();
    const int handle = openForReading(path);
    if (handle < 0) {
        // Between the check and the open, the name came to name something else.
        if (auto regular = checkRegularFile(path); !regular) return regular.error();
        return Error::read("Cannot open file " + inQuotes(path) + ". " + systemErrorText(errno));
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(toFsPath(path), ec);
    if (ec) {
        closeHandle(handle);
        return Error::read("Cannot open file " + inQuotes(path) + ". " + ec.message());
    }
    return InputFile(handle, path, static_cast<std::uint64_t>(size));
}

Error InputFile::readError(const std::string& reason) const {
    return Error::read("Cannot read file " + inQuotes(path_) + ". " + reason);
}

Expected<std::size_t> InputFile::readAt(std::uint64_t pos, std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const std::size_t want = std::min(out.size() - done, kMaxTransfer);
        const long long n = readAtPosition(handle_, out.data() + done, want, pos + done);
        if (n < 0) return readError(systemErrorText(errno));
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

Status InputFile::readExactAt(std::uint64_t pos, std::span<std::uint8_t> out) {
    auto n = readAt(pos, out);
    if (!n) return n.error();
    if (*n != out.size()) return readError("Read beyond end of file");
    return {};
}

Expected<Bytes> InputFile::readBytes(std::uint64_t pos, std::size_t count) {
    if (!fitsIn(size_, pos, count)) return readError("Read beyond end of file");
    Bytes data(count);
    if (auto st = readExactAt(pos, data); !st) return st.error();
    return data;
}

Expected<Bytes> InputFile::readUpTo(std::uint64_t pos, std::size_t count) {
    const std::uint64_t available = pos < size_ ? size_ - pos : 0;
    Bytes data(static_cast<std::size_t>(available < count ? available : count));
    auto n = readAt(pos, data);
    if (!n) return n.error();
    data.resize(*n);
    return data;
}

Expected<Bytes> readWholeFile(const std::string& path) {
    auto file = InputFile::open(path);
    if (!file) return file.error();
    return file->readBytes(0, static_cast<std::size_t>(file->size()));
}

// ---- OutputFile ----

OutputFile::OutputFile(int handle, std::string target, std::string destination, std::string temp)
    : handle_(handle), target_(std::move(target)), destination_(std::move(destination)), temp_(std::move(temp)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle_(other.handle_),
      target_(std::move(other.target_)),
      destination_(std::move(other.destination_)),
      temp_(std::move(other.temp_)),
      written_(other.written_),
      rangeCopy_(other.rangeCopy_),
      copyBuffer_(std::move(other.copyBuffer_)) {
    other.handle_ = -1;
    other.temp_.clear();
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        discard();
        handle_ = other.handle_;
        target_ = std::move(other.target_);
        destination_ = std::move(other.destination_);
        temp_ = std::move(other.temp_);
        written_ = other.written_;
        rangeCopy_ = other.rangeCopy_;
        copyBuffer_ = std::move(other.copyBuffer_);
        other.handle_ = -1;
        other.temp_.clear();
    }
    return *this;
}

OutputFile::~OutputFile() { discard(); }

namespace {

// The file that writing to `target` replaces: a symbolic link is written through, so
// that it stays a link to the file it names.
std::filesystem::path writtenThrough(const std::filesystem::path& target) {
    std::filesystem::path path = target;
    std::error_code ec;
    for (int hop = 0; hop < 40 && std::filesystem::is_symlink(path, ec); ++hop) {
        const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

// The name a temporary file beside `name` starts with: "." and the name itself, cut and
// marked with a hash when it is long, so that the whole temporary name stays within
// what file systems take (255 bytes) whenever the target's name does.
std::string temporaryStem(const std::string& name) {
    constexpr std::size_t kLongest = 200;
    if (name.size() <= kLongest) return "." + name;
    const std::size_t hash = std::hash<std::string>{}(name);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016zx", hash);
    return "." + std::string(wholeCharactersWithin(name, 160)) + "~" + hex;
}

bool processIsAlive(int id) {
#ifdef _WIN32
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // another user's
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(process);
    return running;
#else
    return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
#endif
}

// The process that wrote a temporary file of OutputFile's name (".NAME.PID-N.part");
// nullopt for any other name.
std::optional<int> temporaryWriter(const std::string& name) {
    constexpr std::string_view kSuffix = ".part";
    if (!name.starts_with('.') || !name.ends_with(kSuffix)) return std::nullopt;
    const std::string_view rest = std::string_view(name).substr(0, name.size() - kSuffix.size());
    const auto dot = rest.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    const std::string_view mark = rest.substr(dot + 1);
    const auto dash = mark.find('-');
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dash == std::string_view::npos || !digits(mark.substr(0, dash)) || !digits(mark.substr(dash + 1))) {
        return std::nullopt;
    }
    int id = 0;
    const auto [end, ec] = std::from_chars(mark.data(), mark.data() + dash, id);
    if (ec != std::errc()) return std::nullopt;
    return id;
}

}  // namespace

void removeStaleTemporaries(const std::string& folder) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : toFsPath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const auto writer = temporaryWriter(fromFsPath(it->path().filename()));
        if (writer && !processIsAlive(*writer)) removeFile(fromFsPath(it->path()));
    }
}

Expected<OutputFile> OutputFile::create(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path destination = writtenThrough(toFsPath(target));
    std::error_code ec;
    const auto status = std::filesystem::status(destination, ec);
    if (!ec && std::filesystem::is_directory(status)) {
        return Error::write("Cannot create file " + inQuotes(target) + ". " + systemErrorText(EISDIR));
    }
    // A file its owner marked read-only is not replaced behind its back.
    using std::filesystem::perms;
    if (!ec && std::filesystem::is_regular_file(status) &&
        (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none) {
        return Error::write("Cannot create file " + inQuotes(target) + ". " + systemErrorText(EACCES));
    }
    const std::filesystem::path folder = destination.parent_path();
    const std::string stem = temporaryStem(fromFsPath(destination.filename()));
    removeStaleTemporaries(fromFsPath(folder));
    const std::string prefix = folder.empty() ? std::string() : fromFsPath(folder) + kPathSeparator;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp =
            prefix + stem + "." + std::to_string(processId()) + "-" + std::to_string(counter++) + ".part";
        const int handle = createNew(temp);
        if (handle >= 0) return OutputFile(handle, target, fromFsPath(destination), temp);
        if (errno != EEXIST) {
            return Error::write("Cannot create file " + inQuotes(target) + ". " + systemErrorText(errno));
        }
    }
    return Error::write("Cannot create file " + inQuotes(target) + ". " + systemErrorText(EEXIST));
}

Error OutputFile::writeError(const std::string& reason) const {
    return Error::write("Cannot write file " + inQuotes(target_) + ". " + reason);
}

namespace {

// Writes all of `data` at `position`; the errno value of a failure, or 0.
int writeFully(int handle, std::span<const std::uint8_t> data, std::uint64_t position) {
    std::size_t done = 0;
    while (done < data.size()) {
        const std::size_t want = std::min(data.size() - done, kMaxTransfer);
        const long long n = writeAtPosition(handle, data.data() + done, want, position + done);
        if (n < 0) return errno ? errno : EIO;
        if (n == 0) return ENOSPC;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

Status OutputFile::write(std::span<const std::uint8_t> data) {
    if (handle_ < 0) return writeError(systemErrorText(EBADF));
    if (data.empty()) return {};
    if (!consumeWriteBudget(data.size())) return writeError(systemErrorText(ENOSPC));
    if (const int err = writeFully(handle_, data, written_)) return writeError(systemErrorText(err));
    written_ += data.size();
    return {};
}

Status OutputFile::writeZeros(std::uint64_t count) {
    static const Bytes zeros(65536, 0);
    while (count > 0) {
        const std::size_t n = count < zeros.size() ? static_cast<std::size_t>(count) : zeros.size();
        if (auto st = write(std::span(zeros.data(), n)); !st) return st;
        count -= n;
    }
    return {};
}

Status OutputFile::writeAt(std::uint64_t position, std::span<const std::uint8_t> data) {
    if (handle_ < 0) return writeError(systemErrorText(EBADF));
    if (!fitsIn(written_, position, data.size())) return writeError(systemErrorText(EINVAL));
    if (data.empty()) return {};
    if (!consumeWriteBudget(data.size())) return writeError(systemErrorText(ENOSPC));
    if (const int err = writeFully(handle_, data, position)) return writeError(systemErrorText(err));
    return {};
}

Status OutputFile::appendFrom(InputFile& source, std::uint64_t position, std::uint64_t length) {
    if (handle_ < 0) return writeError(systemErrorText(EBADF));
    if (!fitsIn(source.size(), position, length)) return source.readError("Read beyond end of file");
    if (length == 0) return {};
    if (!consumeWriteBudget(length)) return writeError(systemErrorText(ENOSPC));
    // The kernel copies fast (and can share blocks) only from a whole page of the source
    // into a whole large page of the output; otherwise it is slower than the buffer. So
    // the bytes up to the output's next large-page boundary go through the buffer, and
    // the rest goes to the kernel where the source then stands on a page boundary.
    const std::uint64_t toBoundary = (kLargePageSize - written_ % kLargePageSize) % kLargePageSize;
    const std::uint64_t head = std::min<std::uint64_t>(toBoundary, length);
    const bool inKernel =
        rangeCopy_ != RangeCopy::ThroughBuffer && !gForceCopyFallback && (position + head) % kPageSize == 0;
    std::uint64_t copied = 0;
    if (inKernel) {
        if (auto st = copyThroughBuffer(source, position, head, written_); !st) return st;
        copied = head + copyInKernel(source, position + head, length - head, written_ + head);
    }
    if (copied < length) {
        auto rest = copyThroughBuffer(source, position + copied, length - copied, written_ + copied);
        if (!rest) return rest;
    }
    written_ += length;
    return {};
}

// Copies as much of the range as the kernel will and gives the count copied. The first
// attempt for this output settles whether later ones go to the kernel at all.
std::uint64_t OutputFile::copyInKernel(InputFile& source, std::uint64_t position, std::uint64_t length,
                                       std::uint64_t outputPosition) {
    if (length == 0) return 0;
    std::uint64_t done = 0;
    while (done < length) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, kMaxTransfer));
        const long long n = copyInsideKernel(source.handle_, position + done, handle_, outputPosition + done, want);
        if (n <= 0) break;
        done += static_cast<std::uint64_t>(n);
    }
    if (rangeCopy_ == RangeCopy::Untried) {
        rangeCopy_ = done > 0 ? RangeCopy::InKernel : RangeCopy::ThroughBuffer;
    }
    return done;
}

Status OutputFile::copyThroughBuffer(InputFile& source, std::uint64_t position, std::uint64_t length,
                                     std::uint64_t outputPosition) {
    if (!copyBuffer_) copyBuffer_.emplace(kCopyPieceSize);
    for (std::uint64_t done = 0; done < length;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyPieceSize, length - done));
        const std::span<std::uint8_t> piece = copyBuffer_->at(position + done).first(count);
        if (auto read = source.readExactAt(position + done, piece); !read) return read;
        if (const int err = writeFully(handle_, piece, outputPosition + done)) {
            return writeError(systemErrorText(err));
        }
        done += count;
    }
    return {};
}

Status OutputFile::finishWriting() {
    if (handle_ < 0) return writeError(systemErrorText(EBADF));
    keepModeOfReplacedFile();
    const bool closed = closeHandle(handle_) == 0;
    const int closeErr = errno;
    handle_ = -1;
    if (!closed) {
        const Error e = writeError(systemErrorText(closeErr));
        discard();
        return e;
    }
    return {};
}

namespace {

// Renames `from` onto `to`, replacing a file there in one step; the system's reason on
// failure.
std::optional<std::string> renameFailure(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (MoveFileExW(toFsPath(from).c_str(), toFsPath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return std::nullopt;
    }
    return std::system_category().message(static_cast<int>(GetLastError()));
#else
    std::error_code ec;
    std::filesystem::rename(toFsPath(from), toFsPath(to), ec);
    if (ec) return ec.message();
    return std::nullopt;
#endif
}

}  // namespace

Status OutputFile::moveIntoPlace() {
    if (const auto failure = renameFailure(temp_, destination_)) {
        const Error e = Error::write("Cannot replace file " + inQuotes(target_) + ". " + *failure);
        discard();
        return e;
    }
    temp_.clear();
    return {};
}

Status OutputFile::commit() {
    if (auto finished = finishWriting(); !finished) return finished;
    return moveIntoPlace();
}

Expected<std::string> OutputFile::replaceKeepingEarlier() {
    std::error_code ec;
    const auto earlier = std::filesystem::symlink_status(toFsPath(destination_), ec);
    std::string kept;
    // A folder is never moved aside: the new file's move then fails on it.
    if (!ec && std::filesystem::exists(earlier) && !std::filesystem::is_directory(earlier)) {
        kept = temp_.substr(0, temp_.rfind('.')) + ".old";
        if (const auto failure = renameFailure(destination_, kept)) {
            const Error e = Error::write("Cannot replace file " + inQuotes(target_) + ". " + *failure);
            discard();
            return e;
        }
    }
    if (auto placed = moveIntoPlace(); !placed) {
        if (!kept.empty()) renameFailure(kept, destination_);
        return placed.error();
    }
    return kept;
}

bool OutputFile::restoreEarlier(const std::string& kept) {
    if (kept.empty()) return removeFile(destination_);
    return !renameFailure(kept, destination_);
}

Status OutputFileSet::add(const std::string& target) {
    auto file = OutputFile::create(target);
    if (!file) return file.error();
    files_.push_back(std::move(*file));
    return {};
}

Status OutputFileSet::commit() {
    const Status placed = placeAll();
    files_.clear();  // what was not placed goes
    return placed;
}

Status OutputFileSet::placeAll() {
    for (OutputFile& file : files_) {
        if (auto finished = file.finishWriting(); !finished) return finished;
    }
    std::vector<std::string> kept;  // the earlier file of each file placed
    for (OutputFile& file : files_) {
        auto placed = file.replaceKeepingEarlier();
        if (!placed) return restoreEarlier(placed.error(), kept);
        kept.push_back(std::move(*placed));
    }
    for (const std::string& earlier : kept) {
        if (!earlier.empty()) removeFile(earlier);
    }
    return {};
}

Error OutputFileSet::restoreEarlier(Error error, const std::vector<std::string>& kept) {
    for (std::size_t i = kept.size(); i-- > 0;) {
        if (!files_[i].restoreEarlier(kept[i])) {
            error.message +=
                " The earlier file " + inQuotes(files_[i].target()) + " is kept as " + inQuotes(kept[i]) + ".";
        }
    }
    return error;
}

// A file that the new one replaces keeps its permissions (and, where the system lets
// this process, its owner): a private file stays private.
void OutputFile::keepModeOfReplacedFile() {
#ifndef _WIN32
    struct stat replaced {};
    if (::stat(destination_.c_str(), &replaced) != 0 || !S_ISREG(replaced.st_mode)) return;
    if (::fchown(handle_, replaced.st_uid, replaced.st_gid) != 0) {
        // Not the owner's to give: the file stays this process's own.
    }
    ::fchmod(handle_, replaced.st_mode & 07777);
#endif
}

void OutputFile::discard() {
    if (handle_ >= 0) {
        closeHandle(handle_);
        handle_ = -1;
    }
    if (!temp_.empty()) {
        removeFile(temp_);
        temp_.clear();
    }
}

CopyBuffer::CopyBuffer(std::size_t size) : storage_(size + 2 * kPageSize), size_(size) {}

std::span<std::uint8_t> CopyBuffer::at(std::uint64_t filePosition) {
    const auto base = reinterpret_cast<std::uintptr_t>(storage_.data());
    const std::uintptr_t pageStart = (base + kPageSize - 1) / kPageSize * kPageSize;
    const auto offset = static_cast<std::size_t>(pageStart - base + filePosition % kPageSize);
    return {storage_.data() + offset, size_};
}

Status writeFileAtomically(const std::string& path, std::span<const std::uint8_t> data) {
    auto out = OutputFile::create(path);
    if (!out) return out.error();
    if (auto st = out->write(data); !st) return st;
    return out->commit();
}

namespace testing {
void failWritesAfter(std::optional<std::uint64_t> bytes) {
    std::lock_guard<std::mutex> lock(gWriteLimitMutex);
    gWriteLimit = bytes;
}

void forceCopyFallback(bool force) { gForceCopyFallback = force; }
}  // namespace testing

}  // namespace quillon
