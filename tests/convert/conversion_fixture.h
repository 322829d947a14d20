// A program folder with Files/ and an output folder, the main window's fields filled
// for a conversion, a recording host and the helpers the conversion tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "common/file_io.h"
#include "convert/convert_command.h"
#include "convert/tool_process.h"
#include "state/busy_state.h"
#include "state/fields.h"
#include "support/pbp_builder.h"
#include "support/recording.h"
#include "support/temp_folder.h"

namespace quillon::testing {

// Bytes that follow a simple rule, so a misplaced or lost byte shows. Steps of 13
// never give 13 00, so no PAL pattern appears by chance.
inline Bytes patternBytes(std::size_t count, std::uint8_t seed = 1) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 13 * i);
    return bytes;
}

inline void put(Bytes& bytes, std::uint64_t at, const Bytes& what) {
    std::copy(what.begin(), what.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// The first position of `bytes` in `file`; -1 when absent.
inline std::int64_t positionOf(const Bytes& file, const Bytes& bytes) {
    const auto found = std::search(file.begin(), file.end(), bytes.begin(), bytes.end());
    return found == file.end() ? -1 : found - file.begin();
}

inline std::uint32_t dataPsarOf(const Bytes& container) { return loadLe24(container.data() + 36); }

// A container as buildContainer makes it, with bytes that a rewrite must carry over
// unchanged in places the builder leaves zero: in the head of the disc-image block
// beside its fields, in its index area, and in the start-screen block's first 80 bytes.
inline Bytes build(const ContainerRecipe& parts) {
    Bytes container = buildContainer(parts);
    const std::uint64_t block = dataPsarOf(container);
    for (const std::uint64_t at : {0x20u, 0x800u, 0x1000u, 0x4000u, 0xFFFFFu}) {
        container[block + at] = static_cast<std::uint8_t>(0xA0 + (at & 0xF));
    }
    const std::int64_t startDat = positionOf(container, bytesOf("STARTDAT"));
    if (startDat > 0) container[static_cast<std::size_t>(startDat) + 40] = 0xB7;
    return container;
}

// A tool that "packs" the source into the given container at once and reports success.
struct PackingTool : ToolProcess {
    bool start(const std::string&, const std::vector<std::string>&, const std::string& folder,
               const std::string& outputFile) override {
        writeBytes(folder + "EBOOT.PBP", container);
        writeBytes(outputFile, bytesOf("Done.\n"));
        return true;
    }
    bool waitForEnd(int) override { return true; }
    void interrupt() override {}
    ToolEnd end() const override { return {}; }
    static void writeBytes(const std::string& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    Bytes container;
};

// A tool that cannot be started.
struct NoTool : ToolProcess {
    bool start(const std::string&, const std::vector<std::string>&, const std::string&, const std::string&) override {
        return false;
    }
    bool waitForEnd(int) override { return true; }
    void interrupt() override {}
    ToolEnd end() const override { return {}; }
};

class ConversionTest : public ::testing::Test {
protected:
    ConversionTest() {
        std::filesystem::create_directories(dir.path() / "Files");
        std::filesystem::create_directories(dir.path() / "out");
        fields.setText(Field::outputFolder, outputFolder);
        fields.setText(Field::title, "New title");
        fields.setText(Field::saveTitle, "New save title");
        fields.setText(Field::discIdPrefix, "SLUS");
        fields.setText(Field::discIdNumber, "01234");
    }

    // Writes the container as the source (game.pbp unless named) and names it in srcIso.
    std::string useSource(const Bytes& container, const std::string& name = "game.pbp") {
        const std::string path = dir.write(name, container);
        fields.setText(Field::sourcePath, path);
        return path;
    }
    std::string useSource(const ContainerRecipe& parts, const std::string& name = "game.pbp") {
        return useSource(build(parts), name);
    }
    // A file in the test folder, named in the field.
    void useFile(Field field, const std::string& name, const Bytes& content) {
        fields.setText(field, dir.write(name, content));
    }

    // The source as the fixture's fields finish it, without pieces (a test that names
    // pieces in the fields sets them here too).
    ContainerRecipe finished(ContainerRecipe parts) const {
        parts.title = fields.text(Field::title);
        parts.discId = fields.text(Field::discIdPrefix) + fields.text(Field::discIdNumber);
        parts.saveTitle = fields.text(Field::saveTitle);
        parts.icon0 = parts.icon1 = parts.pic0 = parts.pic1 = parts.snd0 = {};
        if (parts.imageDataPosition == 0) parts.imageDataPosition = kImageDataOffset;
        return parts;
    }

    void convert() { runConversion(fields, busy, tool, ProgramFolder(dir.folder())); }
    void abortAtPump(int pump) {
        host.onPump = [this, pump](int pumps) {
            if (pumps == pump) busy.requestAbort();
        };
    }

    Bytes output() const { return fileBytes(outputPath()); }
    std::string outputPath() const { return outputFolder + kPathSeparator + "EBOOT.PBP"; }
    static Bytes fileBytes(const std::string& path) { return bytesOf(readFile(path)); }
    // The names in the output folder (temporary files included).
    std::set<std::string> outputFolderNames() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(outputFolder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    TempFolder dir;
    std::string filesFolder = dir.file("Files") + kPathSeparator;
    std::string outputFolder = dir.file("out");
    FieldState fields;
    RecordingHost host;
    BusyState busy{host};
    NoTool tool;
};

}  // namespace quillon::testing
