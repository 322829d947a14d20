// LibCrypt subchannel data: some PAL discs check subchannel Q sectors that a disc image
// does not hold, so rips keep them in an SBI file beside the image ("Game.sbi"). Emulators
// read it from beside the container, never from inside it: "EBOOT.sbi" beside EBOOT.PBP
// for one disc, "EBOOT_1.sbi", "EBOOT_2.sbi", ... for the discs of a container of several.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/expected.h"

namespace quillon {

// "SBI" and a zero byte, then records of 14 bytes: the sector's absolute time as three
// BCD bytes, the type 1, and the 10 bytes of subchannel Q that the disc has there.
inline constexpr std::size_t kSbiHeaderSize = 4;
inline constexpr std::size_t kSbiRecordSize = 14;

// Why `bytes` is no SBI file that emulators read; nullopt when it is one.
std::optional<std::string> sbiFormProblem(std::span<const std::uint8_t> bytes);

// The SBI file beside a disc image or cue sheet: the same folder and name with the
// extension ".sbi" (or ".SBI"); nullopt when there is none.
std::optional<std::string> sbiBeside(const std::string& sourcePath);

// The sidecar that readers look for beside `containerPath` for disc `disc` (from 1) of a
// container of `discCount` discs: "EBOOT.sbi" for one disc, "EBOOT_2.sbi" for the second
// of several (for a container named EBOOT.PBP).
std::string sidecarPath(const std::string& containerPath, std::size_t disc, std::size_t discCount);

// Every sidecar name readers may look for beside `containerPath`, of one disc and of
// each disc of a container of several.
std::vector<std::string> possibleSidecarPaths(const std::string& containerPath);

// The SBI file at `path`, read whole and checked; the error names the file.
Expected<Bytes> readSbiFile(const std::string& path);

}  // namespace quillon
