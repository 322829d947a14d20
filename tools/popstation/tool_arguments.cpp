#include "tools/popstation/tool_arguments.h"

namespace quillon::popstation {

Expected<int> parseCompressionLevel(const std::string& text) {
    if (text.empty()) return 0;
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') return text[0] - '0';
    return Error::format("Invalid compression level \"" + text +
                         "\": give nothing or one digit from 0 to 9.");
}

Expected<ToolRequest> parseToolArguments(const std::vector<std::string>& args) {
    ToolRequest request;
    std::size_t first = 0;
    // The option counts only where it leaves one of the two forms, so that the forms the
    // conversion passes (1 or 4 arguments) are never read as the option, whatever the
    // source path is.
    if ((args.size() == 3 || args.size() == 6) && args[0] == "--start-screen") {
        request.startScreenPath = args[1];
        first = 2;
    }
    const std::size_t count = args.size() - first;
    if (count == 1) {
        request.sourcePath = args[first];
    } else if (count == 4) {
        request.title = args[first];
        request.discId = args[first + 1];
        auto level = parseCompressionLevel(args[first + 2]);
        if (!level) return level.error();
        request.level = *level;
        request.sourcePath = args[first + 3];
    } else {
        return Error::format("Wrong number of arguments: " + std::to_string(count) +
                             " given, 1 or 4 expected.");
    }
    if (request.sourcePath.empty()) return Error::format("No source file given.");
    return request;
}

}  // namespace quillon::popstation
