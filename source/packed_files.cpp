#include "source/packed_files.h"

#include <array>
#include <string_view>

#include "common/bytes.h"
#include "common/text.h"

namespace quillon {
namespace {

struct PackedFormat {
    std::string_view signature;
    const char* name;
    const char* unpack;
};

using namespace std::string_view_literals;
constexpr std::array kPackedFormats{
    PackedFormat{"PK\x03\x04"sv, "a ZIP archive", "unpack the disc image from it"},
    PackedFormat{"7z\xBC\xAF\x27\x1C"sv, "a 7-Zip archive", "unpack the disc image from it"},
    PackedFormat{"Rar!\x1A\x07"sv, "a RAR archive", "unpack the disc image from it"},
    PackedFormat{"\x1F\x8B\x08"sv, "a gzip-compressed file", "unpack the disc image from it"},
    PackedFormat{"ECM\0"sv, "an ECM file (a disc image whose error-correction data was taken out)",
                 "unpack it into the disc image with an ECM decoder"},
};

}  // namespace

std::optional<std::string> packedFileProblem(const std::string& path, std::span<const std::uint8_t> head) {
    const ByteReader reader(head);
    for (const PackedFormat& format : kPackedFormats) {
        if (reader.matches(0, format.signature)) {
            return inQuotes(path) + " is " + format.name + ", not a disc image: " + format.unpack + " first.";
        }
    }
    return std::nullopt;
}

}  // namespace quillon
