#include "source/chd/chd_codecs.h"

#include <FLAC/stream_decoder.h>
#include <lzma.h>
#include <zstd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "common/digest.h"
#include "source/chd/cd_ecc.h"
#include "source/image_index.h"

namespace quillon {
namespace {

// The head that turns a cdfl hunk's FLAC frames into a stream libFLAC reads: "fLaC",
// then the last metadata block, STREAMINFO: block size (filled in), unknown frame sizes,
// 44,100 Hz, 2 channels, 16 bits, unknown length, no MD5.
constexpr std::size_t kFlacHeadSize = 42;
constexpr std::array<std::uint8_t, kFlacHeadSize> flacHead(std::uint16_t blockSize) {
    std::array<std::uint8_t, kFlacHeadSize> head{'f', 'L', 'a', 'C', 0x80, 0x00, 0x00, 0x22};
    for (std::size_t i : {8, 10}) {
        head[i] = static_cast<std::uint8_t>(blockSize >> 8);
        head[i + 1] = static_cast<std::uint8_t>(blockSize);
    }
    head[18] = 0x0A;
    head[19] = 0xC4;
    head[20] = 0x42;
    head[21] = 0xF0;
    return head;
}

constexpr std::uint32_t kSamplesPerFrame = kSectorSize / 4;  // 16-bit stereo

// The dictionary the encoder recorded for a base of `size` bytes: the smallest 2^n or
// 3 * 2^n that holds it, at least 4,096. Each hunk is coded alone, so it reaches no
// further back than the hunk's start.
std::uint32_t lzmaDictionarySize(std::uint32_t size) {
    for (std::uint32_t power = 12; power < 31; ++power) {
        if ((1u << power) >= size) return 1u << power;
        if ((3u << power) >= size) return 3u << power;
    }
    return 1u << 31;
}

}  // namespace

// The libraries' decoders, made once and reset for each stream (deflate's is the
// thread's own, see common/digest.h).
struct ChdHunkDecoder::Libraries {
    lzma_stream lzma = LZMA_STREAM_INIT;
    ZSTD_DCtx* zstd = nullptr;
    FLAC__StreamDecoder* flac = nullptr;

    Libraries() {
        zstd = ZSTD_createDCtx();
        flac = FLAC__stream_decoder_new();
    }
    ~Libraries() {
        lzma_end(&lzma);
        ZSTD_freeDCtx(zstd);
        if (flac) FLAC__stream_decoder_delete(flac);
    }

    // Raw LZMA (lc 3, lp 0, pb 2) without an end mark: decoding stops when `out` is full.
    bool unpackLzma(std::span<const std::uint8_t> data, std::span<std::uint8_t> out) {
        lzma_options_lzma options{};
        options.dict_size = lzmaDictionarySize(static_cast<std::uint32_t>(out.size()));
        options.lc = 3;
        options.lp = 0;
        options.pb = 2;
        const std::array<lzma_filter, 2> filters{{{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}}};
        if (lzma_raw_decoder(&lzma, filters.data()) != LZMA_OK) return false;
        lzma.next_in = data.data();
        lzma.avail_in = data.size();
        lzma.next_out = out.data();
        lzma.avail_out = out.size();
        lzma_ret result = LZMA_OK;
        while (lzma.avail_out > 0 && result == LZMA_OK) {
            const std::size_t before = lzma.avail_in + lzma.avail_out;
            result = lzma_code(&lzma, LZMA_RUN);
            if (lzma.avail_in + lzma.avail_out == before) break;
        }
        return lzma.avail_out == 0 && (result == LZMA_OK || result == LZMA_STREAM_END);
    }

    bool unpackZstd(std::span<const std::uint8_t> data, std::span<std::uint8_t> out) {
        if (!zstd) return false;
        const std::size_t result = ZSTD_decompressDCtx(zstd, out.data(), out.size(), data.data(), data.size());
        return !ZSTD_isError(result) && result == out.size();
    }
};

namespace {

// One cdfl hunk's FLAC frames as libFLAC reads them: the made-up head, then the data;
// the samples go out big-endian, left then right, as a CD frame in a CHD holds them.
struct FlacSource {
    std::array<std::uint8_t, kFlacHeadSize> head;
    std::span<const std::uint8_t> data;
    std::span<std::uint8_t> out;
    std::uint64_t position = 0;
    std::size_t written = 0;
    bool failed = false;

    static FLAC__StreamDecoderReadStatus read(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                              void* self) {
        auto& source = *static_cast<FlacSource*>(self);
        std::size_t done = 0;
        while (done < *bytes && source.position < kFlacHeadSize + source.data.size()) {
            const bool inHead = source.position < kFlacHeadSize;
            const std::span<const std::uint8_t> from =
                inHead ? std::span<const std::uint8_t>(source.head).subspan(source.position)
                       : source.data.subspan(source.position - kFlacHeadSize);
            const std::size_t take = std::min(from.size(), *bytes - done);
            std::memcpy(buffer + done, from.data(), take);
            done += take;
            source.position += take;
        }
        *bytes = done;
        return done == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    }
    static FLAC__StreamDecoderTellStatus tell(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* self) {
        *offset = static_cast<FlacSource*>(self)->position;
        return FLAC__STREAM_DECODER_TELL_STATUS_OK;
    }
    static FLAC__StreamDecoderWriteStatus write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                const FLAC__int32* const buffer[], void* self) {
        auto& source = *static_cast<FlacSource*>(self);
        const std::size_t bytes = std::size_t{frame->header.blocksize} * 4;
        if (frame->header.channels != 2 || frame->header.bits_per_sample != 16 ||
            bytes > source.out.size() - source.written) {
            source.failed = true;
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
        std::uint8_t* to = source.out.data() + source.written;
        for (std::uint32_t i = 0; i < frame->header.blocksize; ++i) {
            for (int channel = 0; channel < 2; ++channel) {
                const auto sample = static_cast<std::uint16_t>(buffer[channel][i]);
                *to++ = static_cast<std::uint8_t>(sample >> 8);
                *to++ = static_cast<std::uint8_t>(sample);
            }
        }
        source.written += bytes;
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }
    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self) {
        static_cast<FlacSource*>(self)->failed = true;
    }
};

}  // namespace

ChdHunkDecoder::ChdHunkDecoder(std::uint32_t hunkBytes)
    : frames_(hunkBytes / static_cast<std::uint32_t>(kChdFrameSize)),
      libraries_(std::make_unique<Libraries>()),
      base_(std::size_t{frames_} * kSectorSize),
      subcode_(std::size_t{frames_} * kChdSubcodeSize),
      eccFlags_((frames_ + 7) / 8) {}

ChdHunkDecoder::~ChdHunkDecoder() = default;

bool ChdHunkDecoder::decode(std::uint32_t codec, std::span<const std::uint8_t> data, std::span<std::uint8_t> hunk) {
    if (hunk.size() != std::size_t{frames_} * kChdFrameSize) return false;
    std::fill(eccFlags_.begin(), eccFlags_.end(), 0);
    const bool decoded = codec == kChdCodecCdfl ? decodeFlac(data) : decodeSeparated(codec, data);
    if (!decoded) return false;
    joinFrames(hunk);
    return true;
}

// cdzl, cdlz, cdzs: the ECC bitmap, the base's length (3 bytes for hunks of 64 KiB and
// more), the base, the subcode.
bool ChdHunkDecoder::decodeSeparated(std::uint32_t codec, std::span<const std::uint8_t> data) {
    const std::size_t hunkBytes = std::size_t{frames_} * kChdFrameSize;
    const std::size_t lengthBytes = hunkBytes < 65536 ? 2 : 3;
    const std::size_t head = eccFlags_.size() + lengthBytes;
    if (data.size() < head) return false;
    std::copy_n(data.begin(), eccFlags_.size(), eccFlags_.begin());
    const std::uint64_t baseLength = loadBe(&data[eccFlags_.size()], lengthBytes);
    if (baseLength > data.size() - head) return false;
    const auto base = data.subspan(head, baseLength);
    const auto subcode = data.subspan(head + baseLength);
    Libraries& libs = *libraries_;
    switch (codec) {
        case kChdCodecCdzl: return inflateRaw(base, base_) && inflateRaw(subcode, subcode_);
        case kChdCodecCdlz: return libs.unpackLzma(base, base_) && inflateRaw(subcode, subcode_);
        case kChdCodecCdzs: return libs.unpackZstd(base, base_) && libs.unpackZstd(subcode, subcode_);
        default: return false;
    }
}

// cdfl: FLAC frames of a block size that halves the hunk's samples down to 2,352 at
// most, then the subcode deflated from where the decoder stopped.
bool ChdHunkDecoder::decodeFlac(std::span<const std::uint8_t> data) {
    FLAC__StreamDecoder* decoder = libraries_->flac;
    if (!decoder) return false;
    std::uint32_t blockSize = frames_ * kSamplesPerFrame;
    while (blockSize > 2352) blockSize /= 2;
    FlacSource source{flacHead(static_cast<std::uint16_t>(blockSize)), data, base_};
    if (FLAC__stream_decoder_init_stream(decoder, FlacSource::read, nullptr, FlacSource::tell, nullptr, nullptr,
                                         FlacSource::write, nullptr, FlacSource::error,
                                         &source) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        return false;
    }
    bool ok = FLAC__stream_decoder_process_until_end_of_metadata(decoder);
    // Every pass decodes a frame or ends the stream; a frame holds at least 16 samples.
    for (std::uint32_t pass = 0; ok && !source.failed && source.written < base_.size(); ++pass) {
        ok = pass <= frames_ * kSamplesPerFrame / 16 &&
             FLAC__stream_decoder_get_state(decoder) != FLAC__STREAM_DECODER_END_OF_STREAM &&
             FLAC__stream_decoder_process_single(decoder);
    }
    FLAC__uint64 end = 0;
    ok = ok && !source.failed && source.written == base_.size() &&
         FLAC__stream_decoder_get_decode_position(decoder, &end) && end >= kFlacHeadSize &&
         end - kFlacHeadSize <= data.size();
    FLAC__stream_decoder_finish(decoder);
    return ok && inflateRaw(data.subspan(end - kFlacHeadSize), subcode_);
}

void ChdHunkDecoder::joinFrames(std::span<std::uint8_t> hunk) const {
    for (std::size_t i = 0; i < frames_; ++i) {
        const std::span<std::uint8_t> frame = hunk.subspan(i * kChdFrameSize, kChdFrameSize);
        std::memcpy(frame.data(), base_.data() + i * kSectorSize, kSectorSize);
        std::memcpy(frame.data() + kSectorSize, subcode_.data() + i * kChdSubcodeSize, kChdSubcodeSize);
        if ((eccFlags_[i / 8] >> (i % 8)) & 1) restoreCdSectorEcc(frame.first(kSectorSize));
    }
}

}  // namespace quillon
