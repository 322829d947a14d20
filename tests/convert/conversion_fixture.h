// A program folder with Files/ and an output folder, the main window's fields filled
// for a conversion, a recording host and the helpers the conversion tests share.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "app/busy_state.h"
#include "app/field_store.h"
#include "common/file_io.h"
#include "convert/convert_command.h"
#include "convert/tool_process.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"
#include "support/test_container.h"

namespace quillon::testing {

// A tool that cannot be started.
struct NoTool : ToolProcess {
    bool start(const std::string&, const std::vector<std::string>&, const std::string&,
               const std::string&) override {
        return false;
    }
    bool waitForEnd(int) override { return true; }
    void interrupt() override {}
};

class ConversionTest : public ::testing::Test {
protected:
    ConversionTest() {
        std::filesystem::create_directories(dir.path() / "Files");
        std::filesystem::create_directories(dir.path() / "out");
        fields.setText(Field::dstPbp, outputFolder);
        fields.setText(Field::labelText, "New title");
        fields.setText(Field::saveTitle, "New save title");
        fields.setText(Field::saveID_l, "SLUS");
        fields.setText(Field::saveID, "01234");
    }

    // Writes the container as the source (game.pbp unless named) and names it in srcIso.
    std::string useSource(const ContainerParts& parts, const std::string& name = "game.pbp") {
        const std::string path = dir.write(name, buildContainer(parts));
        fields.setText(Field::srcIso, path);
        return path;
    }
    // A file in the test folder, named in the field.
    void useFile(Field field, const std::string& name, const Bytes& content) {
        fields.setText(field, dir.write(name, content));
    }

    // The source as the fields of the fixture finish it.
    ContainerParts finished(ContainerParts parts) const {
        parts.title = fields.text(Field::labelText);
        parts.discId = fields.text(Field::saveID_l) + fields.text(Field::saveID);
        parts.discIdText = "_" + fields.text(Field::saveID_l) + "_" + fields.text(Field::saveID);
        parts.saveTitle = fields.text(Field::saveTitle);
        return parts;
    }

    void convert() { runConversion(fields, busy, tool, dir.folder()); }
    void abortAtPump(int pump) {
        host.onPump = [this, pump](int pumps) {
            if (pumps == pump) busy.abortRequested = true;
        };
    }

    Bytes output() const { return fileBytes(outputPath()); }
    std::string outputPath() const { return outputFolder + kPathSeparator + "EBOOT.PBP"; }
    static Bytes fileBytes(const std::string& path) {
        const std::string text = readFile(path);
        return Bytes(text.begin(), text.end());
    }
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
    FieldStore fields;
    RecordingHost host;
    BusyState busy{host};
    NoTool tool;
};

}  // namespace quillon::testing
