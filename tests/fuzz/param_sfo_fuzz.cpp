// PARAM.SFO on any bytes: the first byte is the table's position (as a container header
// gives it), the rest the head it lies in; read and write must stay inside the head.
// The same bytes also describe entries of a new table, which must read back as built.
#include <fuzzer/FuzzedDataProvider.h>

#include <set>

#include "fuzz/fuzz_check.h"
#include "source/param_sfo.h"

namespace quillon {
namespace {

void readAndWriteInPlace(std::uint64_t sfoPosition, std::span<const std::uint8_t> input) {
    const Bytes original(input.begin(), input.end());
    const ParamFields read = readParamFields(original, sfoPosition);
    FUZZ_REQUIRE(read.title.size() <= original.size() && read.discId.size() <= original.size());

    Bytes head = original;
    const std::string newTitle(original.size() % 300, 'T');
    const ParamWriteResult written = writeParamFields(head, sfoPosition, newTitle, "SLUS01234");
    FUZZ_REQUIRE(head.size() == original.size());
    FUZZ_REQUIRE(!written.titleCut || !newTitle.empty());
}

// What the reader gives for `key` of a table built from `entries`: nothing for an
// absent key, the three low bytes of an integer (data length 4 less the zero), or the
// text as far as it fits in its room with a terminating zero.
std::string expectedValue(const std::vector<SfoEntry>& entries, std::string_view key) {
    for (const SfoEntry& entry : entries) {
        if (entry.key != key) continue;
        if (entry.isInteger) {
            Bytes integer(4);
            storeLe32(integer.data(), entry.integer);
            return std::string(integer.begin(), integer.begin() + 3);
        }
        return entry.text.substr(
            0, entry.maxLength == 0 ? 0 : std::min<std::size_t>(entry.text.size(), entry.maxLength - 1));
    }
    return {};
}

std::vector<SfoEntry> entriesFrom(FuzzedDataProvider& in) {
    static constexpr const char* kKeys[] = {"TITLE", "DISC_ID", "CATEGORY", "REGION", ""};
    std::vector<SfoEntry> entries;
    std::set<std::string> keys;
    const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(0, 8);
    for (std::size_t i = 0; i < count; ++i) {
        SfoEntry entry;
        entry.key = in.ConsumeBool() ? std::string(in.PickValueInArray(kKeys)) : in.ConsumeRandomLengthString(12);
        // Keys are zero-terminated texts and name one entry each.
        if (entry.key.find('\0') != std::string::npos || !keys.insert(entry.key).second) continue;
        entry.isInteger = in.ConsumeBool();
        entry.integer = in.ConsumeIntegral<std::uint32_t>();
        entry.maxLength = in.ConsumeIntegralInRange<std::uint32_t>(0, 600);
        entry.text = in.ConsumeRandomLengthString(700);
        entries.push_back(std::move(entry));
    }
    return entries;
}

void buildAndReadBack(std::span<const std::uint8_t> input) {
    FuzzedDataProvider in(input.data(), input.size());
    const std::vector<SfoEntry> entries = entriesFrom(in);
    const Bytes sfo = buildParamSfo(entries);
    const ParamFields read = readParamFields(sfo, 0);
    FUZZ_REQUIRE(!read.outOfBounds);
    FUZZ_REQUIRE(read.title == expectedValue(entries, "TITLE"));
    FUZZ_REQUIRE(read.discId == expectedValue(entries, "DISC_ID"));
}

}  // namespace
}  // namespace quillon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::span<const std::uint8_t> input(data, size);
    quillon::readAndWriteInPlace(input[0], input.subspan(1));
    quillon::buildAndReadBack(input);
    return 0;
}
