// The verification of a container on any bytes as a file. A container's disc-image blocks
// start with long runs of zero bytes, so the input leaves them out and says where they go:
// its first byte holds their number (low four bits, at most 4) and after how many
// progress reports the verification is stopped (high four bits, 0: never); then for each
// run 4 bytes of where it goes in the bytes that follow and 4 bytes of its length (at most
// 2 MiB); then the bytes. Whatever they hold, the verification gives a report, whose
// first line names the container, and stops when asked; progress never goes back or past
// the file's end; a container that passes has had its blocks read.
#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_file.h"
#include "verify/verify_container.h"

namespace quillon {
namespace {

constexpr std::size_t kMaxRuns = 4;
constexpr std::size_t kRunFields = 8;
constexpr std::uint32_t kMaxRunLength = 2 << 20;

Bytes withZeroRuns(std::span<const std::uint8_t> input) {
    const std::size_t runs = std::min<std::size_t>(input[0] & 0x0F, kMaxRuns);
    const std::size_t head = 1 + runs * kRunFields;
    if (input.size() < head) return Bytes(input.begin(), input.end());
    const auto body = input.subspan(head);
    Bytes file;
    std::size_t copied = 0;
    for (std::size_t run = 0; run < runs; ++run) {
        const std::uint8_t* fields = input.data() + 1 + run * kRunFields;
        const std::size_t at = std::clamp<std::size_t>(loadLe32(fields), copied, body.size());
        file.insert(file.end(), body.begin() + static_cast<std::ptrdiff_t>(copied),
                    body.begin() + static_cast<std::ptrdiff_t>(at));
        file.resize(file.size() + std::min(loadLe32(fields + 4), kMaxRunLength), 0);
        copied = at;
    }
    file.insert(file.end(), body.begin() + static_cast<std::ptrdiff_t>(copied), body.end());
    return file;
}

}  // namespace
}  // namespace quillon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    static const ScratchFile scratch("verify.pbp");
    if (size == 0) return 0;
    const std::size_t stopAfter = data[0] >> 4;
    const Bytes file = withZeroRuns({data, size});
    std::size_t reports = 0;
    std::uint64_t done = 0;
    const auto verification = verifyContainer(scratch.hold(file), [&](const ProgressReport& report) {
        FUZZ_REQUIRE(report.total == file.size() && report.done <= report.total && report.done >= done);
        done = report.done;
        return stopAfter == 0 || ++reports < stopAfter;
    });
    if (!verification) {
        FUZZ_REQUIRE(verification.error().kind == Error::Kind::Cancelled && stopAfter > 0);
        return 0;
    }
    const std::vector<std::string> lines = verification->lines("EBOOT.PBP");
    FUZZ_REQUIRE(lines.size() == verification->findings.size() + 1 && lines[0].starts_with("EBOOT.PBP: "));
    if (verification->passed()) FUZZ_REQUIRE(verification->summary.find(" checksums match") != std::string::npos);
    return 0;
}
