// Writes a disc image of real-disc-like sectors for the compression benchmark: a data
// track of Mode 2 sectors (sync bytes, header with the sector's time, subheader, 2,048
// bytes of payload, error-correction bytes) whose payload runs in files of program
// code, text, zeros and already packed data (noise), then an audio track of 16-bit
// stereo samples (about a seventh of the image). The code and the text are taken in
// turn from the files CODE and TEXT (the benchmark passes programs and documents of
// the system). Every tenth block of 16 sectors holds one of the PAL patch's code
// patterns, and the payload near the start holds a boot line with a disc ID.
//
//   make_disc_image OUTPUT MEGABYTES CODE TEXT
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <numbers>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kSector = 2352;
constexpr std::size_t kSectorsPerBlock = 16;
constexpr std::size_t kPayload = 24;  // sync, header, subheader
constexpr std::size_t kPayloadSize = 2048;
constexpr std::size_t kFileSectors = 256;  // the payload keeps its kind over a file of sectors

using Sector = std::array<std::uint8_t, kSector>;

// xorshift32: cheap, and the same numbers everywhere.
struct Random {
    std::uint32_t state = 2463534242u;
    std::uint32_t next() {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        return state;
    }
};

enum class Payload { Code, Text, Zeros, Packed };

Payload payloadOf(std::size_t file) {
    constexpr Payload kinds[] = {Payload::Code, Payload::Packed, Payload::Code,   Payload::Text, Payload::Packed,
                                 Payload::Code, Payload::Zeros,  Payload::Packed, Payload::Code, Payload::Text};
    return kinds[(file * 7) % std::size(kinds)];
}

std::uint8_t bcd(std::size_t value) { return static_cast<std::uint8_t>((value / 10) * 16 + value % 10); }

// Pieces of a sample file, one after the other, from its start again at its end.
class Samples {
public:
    explicit Samples(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    bool empty() const { return bytes_.size() < kPayloadSize; }
    void fill(std::uint8_t* out) {
        if (next_ + kPayloadSize > bytes_.size()) next_ = 0;
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(next_), kPayloadSize, out);
        next_ += kPayloadSize;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t next_ = 0;
};

std::vector<std::uint8_t> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void dataSector(Sector& sector, std::size_t number, Random& random, Samples& code, Samples& text) {
    sector.fill(0);
    for (std::size_t i = 1; i < 11; ++i) sector[i] = 0xFF;
    const std::size_t frames = number + 150;
    sector[12] = bcd(frames / (60 * 75));
    sector[13] = bcd(frames / 75 % 60);
    sector[14] = bcd(frames % 75);
    sector[15] = 2;
    const std::uint8_t subheader[] = {0, 0, 8, 0, 0, 0, 8, 0};
    std::copy(std::begin(subheader), std::end(subheader), sector.begin() + 16);
    std::uint8_t* payload = sector.data() + kPayload;
    switch (payloadOf(number / kFileSectors)) {
        case Payload::Code: code.fill(payload); break;
        case Payload::Text: text.fill(payload); break;
        case Payload::Zeros: break;
        case Payload::Packed:
            for (std::size_t i = 0; i < kPayloadSize; ++i) payload[i] = static_cast<std::uint8_t>(random.next());
            break;
    }
    // The error-detection and correction bytes look random to a compressor.
    for (std::size_t i = kPayload + kPayloadSize; i < kSector; ++i) {
        sector[i] = static_cast<std::uint8_t>(random.next());
    }
}

// 588 stereo frames of two tones whose pitch drifts, and a little noise.
void audioSector(Sector& sector, std::size_t number, Random& random) {
    for (std::size_t frame = 0; frame < kSector / 4; ++frame) {
        const double t = static_cast<double>(number * (kSector / 4) + frame) / 44100.0;
        const double noise = static_cast<double>(random.next() % 256) - 128;
        const double tone = 9000 * std::sin(2 * std::numbers::pi * (220 + 30 * std::sin(t / 3)) * t) +
                            4000 * std::sin(2 * std::numbers::pi * 331 * t) + noise;
        const auto left = static_cast<std::int16_t>(tone);
        const auto right = static_cast<std::int16_t>(tone * 0.8);
        for (const auto& [at, sample] : {std::pair{frame * 4, left}, std::pair{frame * 4 + 2, right}}) {
            sector[at] = static_cast<std::uint8_t>(sample);
            sector[at + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) >> 8);
        }
    }
}

void placePalPattern(Sector& sector) {
    const std::uint8_t code[] = {0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x91, 0x24};
    std::copy(std::begin(code), std::end(code), sector.begin() + kPayload + 100);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: make_disc_image OUTPUT MEGABYTES CODE TEXT\n";
        return 2;
    }
    Samples code(readFile(argv[3]));
    Samples text(readFile(argv[4]));
    if (code.empty() || text.empty()) {
        std::cerr << "CODE and TEXT must hold at least " << kPayloadSize << " bytes each\n";
        return 2;
    }
    const std::size_t sectors = static_cast<std::size_t>(std::atol(argv[2])) * 1000 * 1000 / kSector;
    const std::size_t dataSectors = sectors - sectors / 7;
    std::ofstream out(argv[1], std::ios::binary);
    Random random;
    Sector sector{};
    constexpr std::string_view kBootLine = "BOOT = cdrom:\\SLUS_012.34;1";
    for (std::size_t n = 0; n < sectors && out; ++n) {
        if (n < dataSectors) {
            dataSector(sector, n, random, code, text);
        } else {
            audioSector(sector, n, random);
        }
        if (n == 23) std::copy(kBootLine.begin(), kBootLine.end(), sector.begin() + kPayload);
        if (n % (10 * kSectorsPerBlock) == 3) placePalPattern(sector);
        out.write(reinterpret_cast<const char*>(sector.data()), static_cast<std::streamsize>(sector.size()));
    }
    out.close();
    if (!out) {
        std::cerr << "cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
