// Inspects a container with 700 MB of image data (a sparse file) and prints how many
// bytes inspection read and how long it took. Inspection should read only the head,
// the final 1,048,575 bytes (the start-screen search) and the bytes up to 4,780 past
// DATA.PSAR, never the image data.
//
//   inspect_bench [FOLDER]   (default: a new folder in the system's temp folder)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <string>

#include "common/file_io.h"
#include "inspect/inspect_source.h"
#include "support/pbp_builder.h"

namespace {

constexpr std::uint64_t kImageDataSize = 700ull * 1024 * 1024;

class NoWindow : public quillon::Host {
public:
    void showMessage(const std::string& text, const std::string&) override { std::cerr << "message: " << text << "\n"; }
    void setStatus(const std::string&) override {}
    void showProgress(const quillon::ProgressReport&) override {}
    void pump() override {}
    void enterBusy(quillon::Operation) override {}
    void leaveBusy() override {}
    std::optional<std::string> chooseIsoSaveName(const std::string&) override { return {}; }
    bool confirmReplace(const std::vector<std::string>&) override { return false; }
};

// Bytes this process has read through system calls so far (Linux), or nullopt.
std::optional<std::uint64_t> bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
    return std::nullopt;
}

// The container: a small front part, then image data left as a hole in the file, then
// the start-screen block.
std::uint64_t writeLargeContainer(const std::string& path) {
    const quillon::Bytes whole =
        quillon::testing::buildContainer({.imageDataSize = 0, .startPicture = quillon::Bytes(20000, 0x89)});
    const std::size_t blockSize = quillon::kStartDatPictureOffset + 20000 + quillon::kStartDatTrailerSize;
    const std::size_t frontSize = whole.size() - blockSize;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(whole.data()), static_cast<std::streamsize>(frontSize));
    out.seekp(static_cast<std::streamoff>(frontSize + kImageDataSize));
    out.write(reinterpret_cast<const char*>(whole.data() + frontSize), static_cast<std::streamsize>(blockSize));
    return frontSize + kImageDataSize + blockSize;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::random_device random;
    const fs::path folder =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / ("quillon-bench-" + std::to_string(random()));
    const bool ownFolder = argc <= 1;
    fs::create_directories(folder / "Files");
    const std::string programFolder = (folder / "").string();
    const std::string source = (folder / "large.pbp").string();
    const std::uint64_t size = writeLargeContainer(source);

    quillon::FieldState fields;
    NoWindow host;
    fields.setText(quillon::Field::sourcePath, source);
    const auto readBefore = bytesReadSoFar();
    const auto start = std::chrono::steady_clock::now();
    // A refusal is shown through the host like any message; the bench counts the reads either way.
    (void)quillon::inspectSource(fields, host, {}, quillon::ProgramFolder(programFolder));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const auto readAfter = bytesReadSoFar();

    std::cout << "container: " << size << " bytes (" << kImageDataSize << " of image data)\n";
    if (readBefore && readAfter) {
        std::cout << "bytes read by inspection: " << (*readAfter - *readBefore) << "\n";
    } else {
        std::cout << "bytes read by inspection: unknown (no /proc/self/io)\n";
    }
    std::cout << "time: " << std::chrono::duration<double, std::milli>(elapsed).count() << " ms\n"
              << "save title: " << fields.text(quillon::Field::saveTitle) << "\n";
    if (ownFolder) fs::remove_all(folder);
    else fs::remove(source);
    return 0;
}
