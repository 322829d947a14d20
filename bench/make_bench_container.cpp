// Writes a well-formed container with a given amount of image data, for the
// conversion benchmark: header, PARAM.SFO, a small DATA.PSP, the disc-image block and
// a start-screen block. The image data carries one PAL code pattern per MiB, so the
// patched copy has work to do.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "common/file_io.h"
#include "source/param_sfo.h"
#include "source/pbp.h"

using namespace quillon;

namespace {

constexpr std::uint32_t kDataPsar = 0x50000;
constexpr std::size_t kChunk = 1 << 20;

Bytes frontPart() {
    const Bytes sfo = buildParamSfo({{"DISC_ID", false, "SLPM86023", 0, 16},
                                     {"TITLE", false, "Benchmark", 0, 128}});
    Bytes front(kPbpHeaderSize, 0);
    std::copy(kPbpMagic.begin(), kPbpMagic.end(), front.begin());
    storeLe32(front.data() + 8, kPbpHeaderSize);
    const auto dataPsp = static_cast<std::uint32_t>(kPbpHeaderSize + sfo.size());
    for (std::size_t field = 12; field <= 28; field += 4) storeLe32(front.data() + field, dataPsp);
    storeLe32(front.data() + 32, dataPsp);
    storeLe32(front.data() + 36, kDataPsar);
    front.insert(front.end(), sfo.begin(), sfo.end());
    front.resize(front.size() + 4096, 0x5A);  // DATA.PSP
    front.resize(kDataPsar, 0);
    Bytes head(kImageDataOffset, 0);
    ByteWriter(head).putPaddedText(0, "PSISOIMG0000", 12);
    front.insert(front.end(), head.begin(), head.end());
    return front;
}

Bytes imageChunk() {
    Bytes chunk(kChunk);
    for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<std::uint8_t>(1 + 13 * i);
    const std::uint8_t code[] = {0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x91, 0x24};
    std::copy(std::begin(code), std::end(code), chunk.begin() + 4096);
    return chunk;
}

Bytes startScreenBlock() {
    Bytes block(80 + 2000 + kStartDatTrailerSize, 0);
    ByteWriter(block).putPaddedText(0, "STARTDAT", 8);
    storeLe32(block.data() + kStartDatLengthField, 80 + 2000);
    return block;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_bench_container OUTPUT MIB_OF_IMAGE_DATA\n";
        return 2;
    }
    const long mebibytes = std::atol(argv[2]);
    auto output = OutputFile::create(argv[1]);
    Status written = output ? output->write(frontPart()) : Status(output.error());
    const Bytes chunk = imageChunk();
    for (long i = 0; written && i < mebibytes; ++i) written = output->write(chunk);
    if (written) written = output->write(startScreenBlock());
    if (written) written = output->commit();
    if (!written) {
        std::cerr << written.error().message << "\n";
        return 1;
    }
    return 0;
}
