// The popstation tool's tests: images made on the fly, the tool run in a temporary
// working folder, and the container it wrote read back whole.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/digest.h"
#include "common/file_io.h"
#include "source/image_index.h"
#include "source/pbp.h"
#include "support/temp_folder.h"
#include "tools/popstation/tool.h"

namespace quillon::popstation::testing {

using quillon::testing::readFile;
using quillon::testing::TempFolder;

inline constexpr std::string_view kBootLine = "BOOT = cdrom:\\SLUS_012.34;1";

// A disc image of `size` bytes (at least two blocks): blocks of text that deflates well
// alternate with blocks of noise that does not; the boot line stands near the start.
inline Bytes makeImage(std::size_t size) {
    Bytes image(size);
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < size; ++i) {
        if ((i / kImageBlockSize) % 2 == 0) {
            image[i] = static_cast<std::uint8_t>("PLAYSTATION SECTOR DATA "[i % 24]);
        } else {
            noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
            image[i] = static_cast<std::uint8_t>(noise);
        }
    }
    std::copy(kBootLine.begin(), kBootLine.end(), image.begin() + 0x9340);
    return image;
}

// The image as the container's blocks hold it: completed with zero bytes to whole
// blocks, which go on over the 150 sectors past its end.
inline Bytes paddedToBlocks(Bytes image) {
    image.resize(indexBlocksFor((image.size() + kSectorSize - 1) / kSectorSize) * kImageBlockSize, 0);
    return image;
}

inline Workplace withThreads(unsigned threads) {
    Workplace place;
    place.threads = threads;
    return place;
}

inline Workplace withIndexRoom(std::size_t blocks) {
    Workplace place;
    place.maxBlocks = blocks;
    return place;
}

struct ToolRun {
    int exitStatus = 0;
    std::vector<std::string> lines;
    std::string lastLine() const { return lines.empty() ? std::string() : lines.back(); }
};

// A made container, read whole, with its parts located.
struct Container {
    Bytes bytes;
    PbpHeader header;
    std::uint64_t psar = 0;

    std::span<const std::uint8_t> at(std::uint64_t offset, std::uint64_t length) const {
        return std::span(bytes).subspan(offset, length);
    }
    std::string text(std::uint64_t offset, std::size_t length) const {
        return std::string(bytes.begin() + offset, bytes.begin() + offset + length);
    }
    // Entry `i` of the index of the disc-image block at `block` (of the only disc when
    // not given).
    IndexEntry indexEntry(std::size_t i, std::optional<std::uint64_t> block = std::nullopt) const {
        return decodeIndexEntry(&bytes[block.value_or(psar) + kIndexOffset + i * kIndexEntrySize]);
    }
    std::uint64_t startDat() const {
        const std::string all(bytes.begin(), bytes.end());
        return all.rfind("STARTDAT");
    }
};

class PopstationToolTest : public ::testing::Test {
protected:
    void TearDown() override { quillon::testing::failWritesAfter(std::nullopt); }

    std::string writeImage(const Bytes& image, const std::string& name = "game image.bin") {
        return sources.write(name, image);
    }
    ToolRun run(const std::vector<std::string>& args, Workplace place = {}) {
        place.folder = work.folder();
        std::ostringstream out;
        ToolRun result;
        result.exitStatus = runTool(args, place, stop, out);
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);) result.lines.push_back(line);
        return result;
    }
    std::string ebootPath() const { return work.file("EBOOT.PBP"); }
    Container container() const {
        Container c;
        const std::string data = readFile(ebootPath());
        c.bytes.assign(data.begin(), data.end());
        c.header = *decodePbpHeader(c.bytes);
        c.psar = c.header.dataPsar;
        return c;
    }
    // The image of the disc-image block at `block` as the project's readers decode it:
    // the index read up to its end entry, stored blocks as they are, others inflated.
    Bytes decodeDisc(const Container& c, std::uint64_t block) const {
        std::size_t blocks = 0;
        while (!c.indexEntry(blocks, block).isEnd()) ++blocks;
        const std::uint64_t data = block + kImageDataOffset;
        auto file = InputFile::open(ebootPath());
        const auto index = readBlockIndex(*file, block, {data, data + c.indexEntry(blocks, block).offset});
        if (!index.ok() || !index->valid()) {
            ADD_FAILURE() << "no block index at " << block;
            return {};
        }
        Bytes image;
        for (const IndexEntry& entry : index->entries) {
            const auto stored = c.at(data + entry.offset, entry.storedSize);
            const auto inflated =
                entry.isCompressed() ? inflateRaw(stored, kImageBlockSize) : Bytes(stored.begin(), stored.end());
            if (!inflated) {
                ADD_FAILURE() << "a block does not inflate at " << block;
                return {};
            }
            image.insert(image.end(), inflated->begin(), inflated->end());
        }
        return image;
    }
    // Only the sources are left in the working folder: no EBOOT.PBP, no temporary file.
    void expectNoOutput(const ToolRun& result) {
        EXPECT_NE(result.exitStatus, 0);
        EXPECT_NE(result.lastLine(), "Done.");
        EXPECT_TRUE(std::filesystem::is_empty(work.path())) << "left behind in the working folder";
    }

    TempFolder sources;
    TempFolder work;
    std::atomic<bool> stop{false};
};

}  // namespace quillon::popstation::testing
