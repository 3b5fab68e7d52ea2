// Loading a sample file: anything libsndfile decodes, otherwise the bytes as raw 16-bit data.
#include "engine/engine_lock.h"
#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/sample.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sndfile.h>
#include <vector>

namespace {

struct Decoded {
    std::vector<uint8_t> bytes;
    int bits = 16;
    bool hasLoop = false;
    uint8_t loopType = kLoopNone;
    int64_t loopStart = 0, loopEnd = 0;
};

struct SndFileClose {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

// False when libsndfile does not recognise the file.
bool DecodeSoundFile(const std::string& fileName, Decoded& out) {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndFileClose> file(sf_open(fileName.c_str(), SFM_READ, &info));
    if (!file) return false;
    if (info.channels < 1) return false;
    const int encoding = info.format & SF_FORMAT_SUBMASK;
    const bool eightBit = encoding == SF_FORMAT_PCM_S8 || encoding == SF_FORMAT_PCM_U8;
    out.bits = eightBit ? 8 : 16;
    const size_t channels = size_t(info.channels);
    const size_t bytesPerFrame = eightBit ? 1 : 2;

    // Read in pieces: the frame count a header claims is not trusted for an allocation.
    constexpr size_t kChunkFrames = 16384;
    std::vector<int> chunk(kChunkFrames * channels);
    // libsndfile scales every encoding to the full 32-bit range.
    const long double unit = eightBit ? 16777216.0L : 65536.0L;
    const long double low = eightBit ? -128 : -32768, high = eightBit ? 127 : 32767;
    for (;;) {
        const sf_count_t n = sf_readf_int(file.get(), chunk.data(), sf_count_t(kChunkFrames));
        if (n <= 0) break;
        if (out.bytes.size() + size_t(n) * bytesPerFrame >
            size_t(std::numeric_limits<int32_t>::max()))
            throw ESampleError(fileName + ": the sample is too long");
        for (size_t f = 0; f < size_t(n); ++f) {
            int64_t sum = 0;
            for (size_t c = 0; c < channels; ++c) sum += chunk[f * channels + c];
            const long double mean =
                static_cast<long double>(sum) / static_cast<long double>(channels);
            const int v = int(std::clamp(std::nearbyint(mean / unit), low, high));
            if (eightBit) {
                out.bytes.push_back(uint8_t(v + 128));
            } else {
                out.bytes.push_back(uint8_t(v & 0xFF));
                out.bytes.push_back(uint8_t((v >> 8) & 0xFF));
            }
        }
    }

    SF_INSTRUMENT instrument{};
    if (sf_command(file.get(), SFC_GET_INSTRUMENT, &instrument, sizeof instrument) == SF_TRUE &&
        instrument.loop_count > 0) {
        const auto& loop = instrument.loops[0];
        out.hasLoop = true;
        out.loopType = loop.mode == SF_LOOP_NONE          ? kLoopNone
                       : loop.mode == SF_LOOP_ALTERNATING ? kLoopPingPong
                                                          : kLoopForward;
        out.loopStart = loop.start;
        out.loopEnd = loop.end;
    }
    return true;
}

// The file's bytes as they are, without looking at any header.
void ReadRaw(const std::string& fileName, Decoded& out) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(fileName, error);
    if (error) throw ESampleError("Cannot open file " + fileName + ": " + error.message());
    if (size > uintmax_t(std::numeric_limits<int32_t>::max()))
        throw ESampleError(fileName + ": the file is too large for a sample");
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw ESampleError("Cannot open file " + fileName);
    out.bytes.resize(size_t(size));
    in.read(reinterpret_cast<char*>(out.bytes.data()), std::streamsize(size));
    if (uintmax_t(in.gcount()) != size)
        throw ESampleError("Cannot read file " + fileName + ": it ended early");
    out.bits = 16;
}

} // namespace

void TSample::LoadRawFile(const std::string& fileName) {
    Decoded decoded;
    if (!DecodeSoundFile(fileName, decoded)) ReadRaw(fileName, decoded);

    auto* block = static_cast<uint8_t*>(PLYRmemAlloc(decoded.bytes.size()));
    if (!block) throw ESampleError("Failed to allocate memory.");
    std::copy(decoded.bytes.begin(), decoded.bytes.end(), block);

    SetName(std::filesystem::path(fileName).filename().string());
    SetPanning(0);
    EngineLock lock;
    if (decoded.hasLoop) {
        const int64_t frames = int64_t(decoded.bytes.size()) / (decoded.bits / 8);
        record_->loopStart = int32_t(std::clamp<int64_t>(decoded.loopStart, 0, frames));
        record_->loopEnd =
            int32_t(std::clamp<int64_t>(decoded.loopEnd, record_->loopStart, frames));
        record_->loopType = record_->loopEnd > record_->loopStart ? decoded.loopType : kLoopNone;
    }
    ReplaceData(block, int(decoded.bytes.size()), decoded.bits);
}

void TSample::SaveToFile(const std::string& fileName, int rate) const {
    std::string ext = std::filesystem::path(fileName).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    const bool flac = ext == ".flac";
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    const int encoding = Bits() == 16 ? SF_FORMAT_PCM_16
                         : flac       ? SF_FORMAT_PCM_S8
                                      : SF_FORMAT_PCM_U8;
    info.format = (flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | encoding;
    std::unique_ptr<SNDFILE, SndFileClose> file(sf_open(fileName.c_str(), SFM_WRITE, &info));
    if (!file) throw ESampleError("Cannot create file " + fileName + ": " + sf_strerror(nullptr));
    if (LoopType() != kLoopNone && LoopEnd() > LoopStart()) {
        SF_INSTRUMENT instrument{};
        instrument.basenote = 60;
        instrument.velocity_hi = 127;
        instrument.key_hi = 127;
        instrument.loop_count = 1;
        instrument.loops[0].mode =
            LoopType() == kLoopPingPong ? SF_LOOP_ALTERNATING : SF_LOOP_FORWARD;
        instrument.loops[0].start = unsigned(LoopStart());
        instrument.loops[0].end = unsigned(LoopEnd());
        sf_command(file.get(), SFC_SET_INSTRUMENT, &instrument, sizeof instrument);
    }
    // libsndfile scales 16-bit values to the file's own width.
    constexpr int kChunk = 16384;
    std::vector<short> chunk(kChunk);
    const int shift = Bits() == 16 ? 0 : 8;
    for (int frame = 0; frame < Length(); frame += kChunk) {
        const int n = std::min(kChunk, Length() - frame);
        for (int i = 0; i < n; ++i) chunk[size_t(i)] = short(Values(frame + i) * (1 << shift));
        if (sf_writef_short(file.get(), chunk.data(), n) != n)
            throw ESampleError("Cannot write file " + fileName);
    }
}
