// Files that are often taken for a disc image but hold one only packed: archives (ZIP,
// 7-Zip, RAR), gzip and ECM files. Known by their first bytes, whatever their names;
// packed byte for byte, they would make a container that no emulator can play.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillon {

// How many first bytes of a file packedFileProblem looks at.
inline constexpr std::size_t kPackedSignatureSize = 8;

// Why the file `path`, whose first bytes are `head`, is no disc image: the message
// names its format and says to unpack it first. nullopt for any other file.
std::optional<std::string> packedFileProblem(const std::string& path, std::span<const std::uint8_t> head);

}  // namespace quillon
