#include "source/source_kinds.h"

#include <algorithm>
#include <array>

#include "common/bytes.h"
#include "common/text.h"
#include "source/chd/chd_disc.h"
#include "source/chd/chd_header.h"
#include "source/cue_sheet_disc.h"
#include "source/image_file_disc.h"

namespace quillon {
namespace {

constexpr std::array kSourceFormats{
    SourceFormat{
        ".iso", SourceType::DiscImage, "ISO Files", ".iso", "application/x-cd-image", {}, &ImageFileDisc::open},
    SourceFormat{
        ".img", SourceType::DiscImage, "IMG Files", ".img", "application/x-raw-disk-image", {}, &ImageFileDisc::open},
    SourceFormat{
        ".bin", SourceType::DiscImage, "BIN Files", ".bin", "application/x-raw-cd-image", {}, &ImageFileDisc::open},
    SourceFormat{".cue",
                 SourceType::CueSheet,
                 "CUE Sheets",
                 "a .cue sheet of a disc's tracks",
                 "application/x-cue",
                 {},
                 &CueSheetDisc::open},
    SourceFormat{".chd", SourceType::Chd, "CHD Images", "a .chd CD image", "application/x-mame-chd", kChdSignature,
                 &ChdDisc::open},
    SourceFormat{".m3u",
                 SourceType::Playlist,
                 "M3U Playlists",
                 "an .m3u playlist of a game's discs",
                 "audio/x-mpegurl",
                 {},
                 nullptr},
    SourceFormat{".m3u8", SourceType::Playlist, {}, {}, {}, {}, nullptr},
    SourceFormat{".pbp", SourceType::Pbp, "PBP Files", {}, "application/x-psp-pbp", {}, nullptr},
};

// The format of a file that no signature and no extension tells.
constexpr const SourceFormat& kDiscImage = kSourceFormats.front();

// "*.iso" for ".iso".
std::string pattern(const SourceFormat& format) { return "*" + std::string(format.extension); }

}  // namespace

std::span<const SourceFormat> sourceFormats() { return kSourceFormats; }

const SourceFormat* sourceFormatOf(const std::string& path) {
    const std::string extension = toLowerAscii(extensionOf(path));
    const auto row = std::find_if(kSourceFormats.begin(), kSourceFormats.end(),
                                  [&](const SourceFormat& format) { return format.extension == extension; });
    return row == kSourceFormats.end() ? nullptr : &*row;
}

SourceType sourceTypeOf(const std::string& path) {
    const SourceFormat* format = sourceFormatOf(path);
    return format ? format->type : SourceType::DiscImage;
}

const SourceFormat& sourceFormatOfFile(const std::string& path, std::span<const std::uint8_t> head) {
    const ByteReader reader(head);
    for (const SourceFormat& format : kSourceFormats) {
        if (!format.signature.empty() && reader.matches(0, format.signature)) return format;
    }
    // A format with a signature is known by it alone: a file named as one without it is
    // taken as a disc image.
    const SourceFormat* named = sourceFormatOf(path);
    return named && named->signature.empty() ? *named : kDiscImage;
}

std::size_t longestSignature() {
    std::size_t longest = 0;
    for (const SourceFormat& format : kSourceFormats) longest = std::max(longest, format.signature.size());
    return longest;
}

std::string sourcePickerFilter() {
    std::string all;
    std::string each;
    for (const SourceFormat& format : kSourceFormats) {
        if (format.pickerLabel.empty()) continue;
        all += (all.empty() ? "" : ";") + pattern(format);
        each += "|" + std::string(format.pickerLabel) + "|" + pattern(format);
    }
    return "Supported Files|" + all + each;
}

std::string sourceKindsInWords() {
    std::vector<std::string_view> words;
    for (const SourceFormat& format : kSourceFormats) {
        if (!format.helpWords.empty()) words.push_back(format.helpWords);
    }
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? ", or " : ", ";
        text += words[i];
    }
    return text;
}

}  // namespace quillon
