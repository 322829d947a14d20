// A file of the fuzzing process's own in the temp folder, rewritten for every input and
// removed at the end, for code that reads files.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "common/file_io.h"

namespace quillon {

class ScratchFile {
public:
    explicit ScratchFile(const std::string& name)
        : path_(fromFsPath(std::filesystem::temp_directory_path() /
                           ("quillon-fuzz-" + std::to_string(::getpid()) + "-" + name))) {}
    ~ScratchFile() { removeFile(path_); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }
    const std::string& hold(std::span<const std::uint8_t> content) const {
        std::ofstream(toFsPath(path_), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
        return path_;
    }

private:
    std::string path_;
};

}  // namespace quillon
