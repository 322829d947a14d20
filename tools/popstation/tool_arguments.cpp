#include "tools/popstation/tool_arguments.h"

#include "common/digest.h"
#include "common/text.h"
#include "source/multi_disc.h"
#include "source/pbp.h"

namespace quillon::popstation {
namespace {

constexpr std::size_t kLevelFormArguments = 4;
constexpr std::size_t kLongestLevelText = 2;

}  // namespace

Expected<int> parseCompressionLevel(const std::string& text) {
    if (text.empty()) return 0;
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') return text[0] - '0';
    return Error::format("Invalid compression level " + inQuotes(text) + ": give nothing or one digit from 0 to 9.");
}

Expected<ToolRequest> parseToolArguments(const std::vector<std::string>& args) {
    ToolRequest request;
    auto next = args.begin();
    // The options come first, each with its value if it takes one; a lone argument is a
    // source whatever it spells, as the conversion passes it.
    bool strongest = false;
    for (;;) {
        if (args.end() - next >= 3 && (next[0] == "--start-screen" || next[0] == "--base")) {
            (next[0] == "--base" ? request.basePath : request.startScreenPath) = next[1];
            next += 2;
        } else if (args.end() - next >= 2 && next[0] == kStrongestOption) {
            strongest = true;
            ++next;
        } else {
            break;
        }
    }
    const std::size_t count = static_cast<std::size_t>(args.end() - next);
    if (count == 0) return Error::format("No source file given.");
    // A level is empty or one digit; a text of two characters is still taken for one,
    // so that "10" is refused as a level instead of being looked for as a disc.
    if (count >= kLevelFormArguments && next[2].size() <= kLongestLevelText) {
        request.title = next[0];
        request.discId = next[1];
        if (strongest && !next[2].empty()) {
            return Error::format("Compression level " + inQuotes(next[2]) + " given with " +
                                 std::string(kStrongestOption) + ": give an empty level with it.");
        }
        auto level = parseCompressionLevel(next[2]);
        if (!level) return level.error();
        request.level = *level;
        next += 3;
    }
    if (strongest) request.level = kStrongestDeflateLevel;
    request.sources.assign(next, args.end());
    if (request.sources.size() > kMaxDiscs) {
        return Error::format(std::to_string(request.sources.size()) +
                             " sources given: a container holds at most five discs.");
    }
    for (const std::string& source : request.sources) {
        if (source.empty()) return Error::format("No source file given.");
    }
    return request;
}

}  // namespace quillon::popstation
