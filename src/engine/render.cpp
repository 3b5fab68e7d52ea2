#include "engine/render.h"

#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/player/song_player.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A guard for songs that never come back to a played row (an endless pattern loop).
constexpr double kMaxSeconds = 60.0 * 60.0;

bool Prepare(ModuleRecord* module) {
    if (!module) return SNDfail(kSndErrArgument, "no module given");
    if (FieldLoad(module->songLength) <= 0)
        return SNDfail(kSndErrArgument, "the song has no positions");
    return PLYRdecompressAllPatterns(module);
}

std::unique_ptr<SongPlayer> StartPass(ModuleRecord* module, int rate, int onlyChannel = -1) {
    auto player = std::make_unique<SongPlayer>(module, rate, true);
    EngineLock lock;
    if (onlyChannel >= 0)
        for (int c = 0; c < kMaxChannels; ++c)
            if (c != onlyChannel) player->SetChannelVolume(c, 0);
    player->StartSection(0, FieldLoad(module->songLength) - 1, FieldLoad(module->restartPosition),
                         true);
    return player;
}

// The 44-byte header of a 16-bit stereo PCM file with `dataBytes` of samples.
std::vector<char> WavHeader(uint32_t dataBytes, int rate) {
    std::vector<char> out;
    auto put = [&out](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
    };
    auto text = [&out](const char* s) {
        for (int i = 0; i < 4; ++i) out.push_back(s[i]);
    };
    text("RIFF");
    put(36 + dataBytes, 4);
    text("WAVE");
    text("fmt ");
    put(16, 4);
    put(1, 2); // PCM
    put(2, 2);
    put(uint32_t(rate), 4);
    put(uint32_t(rate) * 4, 4);
    put(4, 2);
    put(16, 2);
    text("data");
    put(dataBytes, 4);
    return out;
}

void AppendLE(std::vector<char>& out, const int16_t* samples, size_t count) {
    const size_t at = out.size();
    out.resize(at + 2 * count);
    char* bytes = out.data() + at;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, samples, 2 * count);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        bytes[2 * i] = char(uint16_t(samples[i]) & 0xFF);
        bytes[2 * i + 1] = char(uint16_t(samples[i]) >> 8);
    }
}

// Rounded half away from zero, without a branch.
inline int16_t ToPcm16(float x) {
    const float v = std::min(std::max(x, -1.0f), 1.0f) * 32767.0f;
    return int16_t(v + std::copysign(0.5f, v));
}

} // namespace

// Eight at a time where SSE2 is there: the same clamp, rounding and truncation.
void FloatToPcm16(const float* in, int16_t* out, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128 low = _mm_set1_ps(-1.0f), high = _mm_set1_ps(1.0f), scale = _mm_set1_ps(32767.0f);
    const __m128 half = _mm_set1_ps(0.5f), sign = _mm_set1_ps(-0.0f);
    auto four = [&](const float* from) {
        const __m128 v = _mm_mul_ps(_mm_min_ps(_mm_max_ps(_mm_loadu_ps(from), low), high), scale);
        return _mm_cvttps_epi32(_mm_add_ps(v, _mm_or_ps(half, _mm_and_ps(v, sign))));
    };
    for (; i + 8 <= count; i += 8) {
        const __m128i packed = _mm_packs_epi32(four(in + i), four(in + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
    }
#endif
    for (; i < count; ++i) out[i] = ToPcm16(in[i]);
}

bool RenderModuleFloat(ModuleRecord* module, const RenderOptions& options,
                       const RenderFloatSink& sink) {
    if (options.rate < 8000 || options.rate > 192000)
        return SNDfail(kSndErrArgument,
                       "render rate " + std::to_string(options.rate) + " Hz is out of range");
    if (!Prepare(module)) return false;
    auto player = StartPass(module, options.rate, options.onlyChannel);
    std::vector<float> tick;
    const size_t limit = size_t(kMaxSeconds * options.rate);
    for (size_t done = 0; done < limit;) {
        int n;
        {
            EngineLock lock;
            player->AdvanceTick();
            if (player->SongEnded()) break;
            n = player->FramesLeftInTick();
            tick.assign(size_t(n) * 2, 0.0f);
            player->Render(tick.data(), n, options.interpolate);
        }
        sink(tick.data(), size_t(n));
        done += size_t(n);
    }
    return true;
}

bool RenderModule(ModuleRecord* module, const RenderOptions& options, const RenderSink& sink) {
    std::vector<int16_t> pcm;
    return RenderModuleFloat(module, options, [&](const float* stereo, size_t n) {
        pcm.resize(2 * n);
        FloatToPcm16(stereo, pcm.data(), 2 * n);
        sink(pcm.data(), n);
    });
}

bool RenderModule(ModuleRecord* module, const RenderOptions& options,
                  std::vector<int16_t>& frames) {
    frames.clear();
    return RenderModule(module, options, [&frames](const int16_t* stereo, size_t n) {
        frames.insert(frames.end(), stereo, stereo + 2 * n);
    });
}

double SongDurationSeconds(ModuleRecord* module) {
    return MeasureSongTimeline(module).TotalSeconds();
}

double SongTimeline::SecondsAt(int position, int row) const {
    if (position < 0 || position >= kMaxPositions || row < 0 || row >= kMaxRows) return -1.0;
    if (rowStart_.empty()) return -1.0;
    return rowStart_[size_t(position) * kMaxRows + size_t(row)];
}

SongTimeline MeasureSongTimeline(ModuleRecord* module) {
    SongTimeline timeline;
    if (!Prepare(module)) return timeline;
    constexpr int kRate = 44100;
    auto player = StartPass(module, kRate);
    timeline.rowStart_.assign(size_t(kMaxPositions) * kMaxRows, -1.0f);
    int64_t total = 0;
    while (total < int64_t(kMaxSeconds * kRate)) {
        EngineLock lock;
        player->AdvanceTick();
        if (player->SongEnded()) break;
        const PlayerStatus status = player->Status();
        if (status.position >= 0 && status.position < kMaxPositions && status.row >= 0 &&
            status.row < kMaxRows) {
            float& start =
                timeline.rowStart_[size_t(status.position) * kMaxRows + size_t(status.row)];
            if (start < 0) start = float(double(total) / kRate);
        }
        total += player->FramesLeftInTick();
    }
    timeline.total_ = double(total) / kRate;
    return timeline;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& stereo, int rate) {
    std::ofstream out(path, std::ios::binary);
    if (!out) return SNDfail(kSndErrFileOpen, path + ": cannot create the file");
    std::vector<char> bytes = WavHeader(uint32_t(stereo.size() * 2), rate);
    AppendLE(bytes, stereo.data(), stereo.size());
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) return SNDfail(kSndErrFileOpen, path + ": cannot write the file");
    return true;
}

bool RenderFileToWav(const std::string& input, const std::string& output,
                     const RenderOptions& options) {
    ModuleRecord* module = SNDloadModule(input.c_str());
    if (!module) return false;
    std::ofstream out(output, std::ios::binary);
    if (!out) {
        SNDfreeModule(module);
        return SNDfail(kSndErrFileOpen, output + ": cannot create the file");
    }
    // Written as it is made, a megabyte at a time; the sizes in the header are filled in at the
    // end. Each tick converts straight into the buffer.
    const std::vector<char> placeholder = WavHeader(0, options.rate);
    out.write(placeholder.data(), std::streamsize(placeholder.size()));
    constexpr size_t kFlushSamples = size_t(1) << 19;
    std::vector<int16_t> pcm(kFlushSamples);
    std::vector<char> bytes;
    size_t filled = 0;
    uint64_t dataBytes = 0;
    auto flush = [&] {
        if constexpr (std::endian::native == std::endian::little) {
            out.write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(2 * filled));
        } else {
            bytes.clear();
            AppendLE(bytes, pcm.data(), filled);
            out.write(bytes.data(), std::streamsize(bytes.size()));
        }
        filled = 0;
    };
    const bool ok = RenderModuleFloat(module, options, [&](const float* stereo, size_t n) {
        if (filled + 2 * n > pcm.size()) flush();
        if (2 * n > pcm.size()) pcm.resize(2 * n);
        FloatToPcm16(stereo, pcm.data() + filled, 2 * n);
        filled += 2 * n;
        dataBytes += 4 * n;
    });
    SNDfreeModule(module);
    if (!ok)
        return SNDfail(SNDgetLastError(), input + ": " + SNDgetErrorMessage(SNDgetLastError()));
    flush();
    const std::vector<char> header = WavHeader(uint32_t(dataBytes), options.rate);
    out.seekp(0);
    out.write(header.data(), std::streamsize(header.size()));
    if (!out) return SNDfail(kSndErrFileOpen, output + ": cannot write the file");
    return true;
}
