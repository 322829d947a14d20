#include "common/file_io.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define QUILLON_FSEEK _fseeki64
#define QUILLON_GETPID _getpid
#else
#include <unistd.h>
#define QUILLON_FSEEK fseeko
#define QUILLON_GETPID getpid
#endif

namespace quillon {
namespace {

std::mutex gWriteLimitMutex;
std::optional<std::uint64_t> gWriteLimit;

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

std::FILE* openFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::strlen(mode));
    return _wfopen(toFsPath(path).c_str(), wmode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::string quotedPath(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

std::filesystem::path toFsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string fromFsPath(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
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

std::string toLowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string systemErrorText(int errorNumber) {
    return std::generic_category().message(errorNumber);
}

// ---- InputFile ----

InputFile::InputFile(std::FILE* file, std::string path, std::uint64_t size)
    : file_(file), path_(std::move(path)), size_(size) {}

InputFile::InputFile(InputFile&& other) noexcept
    : file_(other.file_), path_(std::move(other.path_)), size_(other.size_) {
    other.file_ = nullptr;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (file_) std::fclose(file_);
        file_ = other.file_;
        path_ = std::move(other.path_);
        size_ = other.size_;
        other.file_ = nullptr;
    }
    return *this;
}

InputFile::~InputFile() {
    if (file_) std::fclose(file_);
}

Expected<InputFile> InputFile::open(const std::string& path) {
    if (isFolder(path)) {
        return Error::read("Cannot open file " + quotedPath(path) + ". " + systemErrorText(EISDIR));
    }
    std::FILE* file = openFile(path, "rb");
    if (!file) {
        return Error::read("Cannot open file " + quotedPath(path) + ". " + systemErrorText(errno));
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(toFsPath(path), ec);
    if (ec) {
        std::fclose(file);
        return Error::read("Cannot open file " + quotedPath(path) + ". " + ec.message());
    }
    return InputFile(file, path, static_cast<std::uint64_t>(size));
}

Error InputFile::readError(const std::string& reason) const {
    return Error::read("Cannot read file " + quotedPath(path_) + ". " + reason);
}

Expected<std::size_t> InputFile::readAt(std::uint64_t pos, std::span<std::uint8_t> out) {
    if (out.empty()) return std::size_t{0};
    if (pos > static_cast<std::uint64_t>(INT64_MAX) ||
        QUILLON_FSEEK(file_, static_cast<std::int64_t>(pos), SEEK_SET) != 0) {
        return readError(systemErrorText(errno ? errno : EINVAL));
    }
    const std::size_t n = std::fread(out.data(), 1, out.size(), file_);
    if (n < out.size() && std::ferror(file_)) {
        const int err = errno;
        std::clearerr(file_);
        return readError(systemErrorText(err ? err : EIO));
    }
    std::clearerr(file_);
    return n;
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

OutputFile::OutputFile(std::FILE* file, std::string target, std::string temp)
    : file_(file), target_(std::move(target)), temp_(std::move(temp)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : file_(other.file_),
      target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      written_(other.written_) {
    other.file_ = nullptr;
    other.temp_.clear();
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        discard();
        file_ = other.file_;
        target_ = std::move(other.target_);
        temp_ = std::move(other.temp_);
        written_ = other.written_;
        other.file_ = nullptr;
        other.temp_.clear();
    }
    return *this;
}

OutputFile::~OutputFile() { discard(); }

Expected<OutputFile> OutputFile::create(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path targetPath = toFsPath(target);
    if (isFolder(target)) {
        return Error::write("Cannot create file " + quotedPath(target) + ". " + systemErrorText(EISDIR));
    }
    // A file its owner marked read-only is not replaced behind its back.
    std::error_code ec;
    const auto status = std::filesystem::status(targetPath, ec);
    using std::filesystem::perms;
    if (!ec && std::filesystem::is_regular_file(status) &&
        (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) ==
            perms::none) {
        return Error::write("Cannot create file " + quotedPath(target) + ". " + systemErrorText(EACCES));
    }
    const std::string folder = fromFsPath(targetPath.parent_path());
    const std::string prefix = folder.empty() ? std::string() : folder + kPathSeparator;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = prefix + "." + fromFsPath(targetPath.filename()) + "." +
                                 std::to_string(QUILLON_GETPID()) + "-" +
                                 std::to_string(counter++) + ".part";
        std::FILE* file = openFile(temp, "wbx");
        if (file) {
            // Unbuffered: each write goes out as one system call of exactly its bytes. A
            // buffered stream splits large writes into a buffer's worth and the rest,
            // which made a copy in 64 KiB pieces take a third longer.
            std::setvbuf(file, nullptr, _IONBF, 0);
            return OutputFile(file, target, temp);
        }
        if (errno != EEXIST) {
            return Error::write("Cannot create file " + quotedPath(target) + ". " +
                                systemErrorText(errno));
        }
    }
    return Error::write("Cannot create file " + quotedPath(target) + ". " + systemErrorText(EEXIST));
}

Error OutputFile::writeError(const std::string& reason) const {
    return Error::write("Cannot write file " + quotedPath(target_) + ". " + reason);
}

Status OutputFile::write(std::span<const std::uint8_t> data) {
    if (!file_) return writeError(systemErrorText(EBADF));
    if (data.empty()) return {};
    if (!consumeWriteBudget(data.size())) return writeError(systemErrorText(ENOSPC));
    if (std::fwrite(data.data(), 1, data.size(), file_) != data.size()) {
        return writeError(systemErrorText(errno ? errno : EIO));
    }
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
    if (!file_) return writeError(systemErrorText(EBADF));
    if (!fitsIn(written_, position, data.size())) return writeError(systemErrorText(EINVAL));
    if (data.empty()) return {};
    if (!consumeWriteBudget(data.size())) return writeError(systemErrorText(ENOSPC));
    if (QUILLON_FSEEK(file_, static_cast<std::int64_t>(position), SEEK_SET) != 0 ||
        std::fwrite(data.data(), 1, data.size(), file_) != data.size() ||
        QUILLON_FSEEK(file_, 0, SEEK_END) != 0) {
        return writeError(systemErrorText(errno ? errno : EIO));
    }
    return {};
}

Status OutputFile::commit() {
    if (!file_) return writeError(systemErrorText(EBADF));
    const bool flushed = std::fflush(file_) == 0;
    const int flushErr = errno;
    const bool closed = std::fclose(file_) == 0;
    const int closeErr = errno;
    file_ = nullptr;
    if (!flushed || !closed) {
        const Error e = writeError(systemErrorText(!flushed ? flushErr : closeErr));
        discard();
        return e;
    }
    std::error_code ec;
    std::filesystem::rename(toFsPath(temp_), toFsPath(target_), ec);
    if (ec) {
        const Error e = Error::write("Cannot replace file " + quotedPath(target_) + ". " + ec.message());
        discard();
        return e;
    }
    temp_.clear();
    return {};
}

void OutputFile::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        removeFile(temp_);
        temp_.clear();
    }
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
}  // namespace testing

}  // namespace quillon
