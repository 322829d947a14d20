// Writes a well-formed container with a given amount of image data, for the
// conversion benchmark. The image data carries one PAL code pattern per MiB, so the
// patched copy has work to do.
//
//   make_bench_container OUTPUT MIB_OF_IMAGE_DATA
#include <cstdlib>
#include <iostream>
#include <span>

#include "common/file_io.h"
#include "support/pbp_builder.h"

using namespace quillon;

namespace {

constexpr std::size_t kChunk = 1 << 20;

Bytes imageChunk() {
    Bytes chunk(kChunk);
    for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<std::uint8_t>(1 + 13 * i);
    const std::uint8_t code[] = {0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x91, 0x24};
    std::copy(std::begin(code), std::end(code), chunk.begin() + 4096);
    return chunk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_bench_container OUTPUT MIB_OF_IMAGE_DATA\n";
        return 2;
    }
    const long mebibytes = std::atol(argv[2]);
    // The container without image data, split where the image data goes.
    const Bytes picture(2000, 0x89);
    const Bytes whole = testing::buildContainer({.imageDataSize = 0, .startPicture = picture});
    const std::size_t blockSize = kStartDatPictureOffset + picture.size() + kStartDatTrailerSize;
    const std::span<const std::uint8_t> front(whole.data(), whole.size() - blockSize);

    auto output = OutputFile::create(argv[1]);
    Status written = output ? output->write(front) : Status(output.error());
    const Bytes chunk = imageChunk();
    for (long i = 0; written && i < mebibytes; ++i) written = output->write(chunk);
    if (written) written = output->write(std::span(whole).last(blockSize));
    if (written) written = output->commit();
    if (!written) {
        std::cerr << written.error().message << "\n";
        return 1;
    }
    return 0;
}
