#include "source/sbi_file.h"

#include "common/file_io.h"
#include "common/text.h"
#include "source/multi_disc.h"

namespace quillon {
namespace {

constexpr std::uint8_t kQRecordType = 1;

bool isBcd(std::uint8_t b, int limit) { return (b >> 4) <= 9 && (b & 0x0F) <= 9 && (b >> 4) * 10 + (b & 0x0F) < limit; }

}  // namespace

std::optional<std::string> sbiFormProblem(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kSbiHeaderSize || !ByteReader(bytes).matches(0, std::string_view("SBI\0", 4))) {
        return "it does not start with \"SBI\" and a zero byte";
    }
    if ((bytes.size() - kSbiHeaderSize) % kSbiRecordSize != 0) {
        return "its length is not a whole number of " + std::to_string(kSbiRecordSize) + "-byte records";
    }
    for (std::size_t at = kSbiHeaderSize; at < bytes.size(); at += kSbiRecordSize) {
        const std::size_t record = (at - kSbiHeaderSize) / kSbiRecordSize + 1;
        if (!isBcd(bytes[at], 100) || !isBcd(bytes[at + 1], 60) || !isBcd(bytes[at + 2], 75)) {
            return "record " + std::to_string(record) + " has no valid time";
        }
        if (bytes[at + 3] != kQRecordType) {
            return "record " + std::to_string(record) + " is of type " + std::to_string(bytes[at + 3]) + ", not 1";
        }
    }
    return std::nullopt;
}

std::optional<std::string> sbiBeside(const std::string& sourcePath) {
    const std::string stem = withoutExtension(sourcePath);
    for (const char* extension : {".sbi", ".SBI"}) {
        if (isFile(stem + extension)) return stem + extension;
    }
    return std::nullopt;
}

std::string sidecarPath(const std::string& containerPath, std::size_t disc, std::size_t discCount) {
    const std::string stem = withoutExtension(containerPath);
    return discCount == 1 ? stem + ".sbi" : stem + "_" + std::to_string(disc) + ".sbi";
}

std::vector<std::string> possibleSidecarPaths(const std::string& containerPath) {
    std::vector<std::string> paths{sidecarPath(containerPath, 1, 1)};
    for (std::size_t disc = 1; disc <= kMaxDiscs; ++disc) paths.push_back(sidecarPath(containerPath, disc, kMaxDiscs));
    return paths;
}

Expected<Bytes> readSbiFile(const std::string& path) {
    auto file = InputFile::open(path);
    if (!file) return file.error();
    // Records for every sector of the longest disc take about 5 MB.
    constexpr std::uint64_t kLargest = 8 << 20;
    if (file->size() > kLargest) {
        return Error::format("The LibCrypt file " + inQuotes(path) + " is damaged: it is larger than " +
                             std::to_string(kLargest) + " bytes.");
    }
    auto bytes = file->readBytes(0, static_cast<std::size_t>(file->size()));
    if (!bytes) return bytes.error();
    if (auto problem = sbiFormProblem(*bytes)) {
        return Error::format("The LibCrypt file " + inQuotes(path) + " is damaged: " + *problem + ".");
    }
    return bytes;
}

}  // namespace quillon
