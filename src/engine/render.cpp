#include "engine/render.h"

#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/player/song_player.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>

namespace {

// A guard for songs that never come back to a played row (an endless pattern loop).
constexpr double kMaxSeconds = 60.0 * 60.0;

bool Prepare(ModuleRecord* module) {
    if (!module) return SNDfail(kSndErrArgument, "no module given");
    if (FieldLoad(module->songLength) <= 0)
        return SNDfail(kSndErrArgument, "the song has no positions");
    EngineLock lock;
    const int count = std::min(module->patternCount, kMaxPatterns);
    for (int p = 0; p < count; ++p)
        if (module->patterns[p] && !PatternIsUnpacked(module->patterns[p]) &&
            !PLYRdecompressPattern(module, p))
            return false;
    return true;
}

std::unique_ptr<SongPlayer> StartPass(ModuleRecord* module, int rate) {
    auto player = std::make_unique<SongPlayer>(module, rate, true);
    EngineLock lock;
    player->StartSection(0, FieldLoad(module->songLength) - 1, FieldLoad(module->restartPosition),
                         true);
    return player;
}

void PutLE(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(char((value >> (8 * i)) & 0xFF));
}

} // namespace

bool RenderModule(ModuleRecord* module, const RenderOptions& options,
                  std::vector<int16_t>& frames) {
    frames.clear();
    if (options.rate < 8000 || options.rate > 192000)
        return SNDfail(kSndErrArgument,
                       "render rate " + std::to_string(options.rate) + " Hz is out of range");
    if (!Prepare(module)) return false;
    auto player = StartPass(module, options.rate);
    std::vector<float> tick;
    const size_t limit = size_t(kMaxSeconds * options.rate);
    while (frames.size() / 2 < limit) {
        int n;
        {
            EngineLock lock;
            player->AdvanceTick();
            if (player->SongEnded()) break;
            n = player->FramesLeftInTick();
            tick.assign(size_t(n) * 2, 0.0f);
            player->Render(tick.data(), n, options.interpolate);
        }
        for (float s : tick)
            frames.push_back(int16_t(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f)));
    }
    return true;
}

double SongDurationSeconds(ModuleRecord* module) {
    if (!Prepare(module)) return -1.0;
    constexpr int kRate = 44100;
    auto player = StartPass(module, kRate);
    int64_t total = 0;
    while (total < int64_t(kMaxSeconds * kRate)) {
        EngineLock lock;
        player->AdvanceTick();
        if (player->SongEnded()) break;
        total += player->FramesLeftInTick();
    }
    return double(total) / kRate;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& stereo, int rate) {
    std::ofstream out(path, std::ios::binary);
    if (!out) return SNDfail(kSndErrFileOpen, path + ": cannot create the file");
    const uint32_t dataBytes = uint32_t(stereo.size() * 2);
    out.write("RIFF", 4);
    PutLE(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    PutLE(out, 16, 4);
    PutLE(out, 1, 2); // PCM
    PutLE(out, 2, 2);
    PutLE(out, uint32_t(rate), 4);
    PutLE(out, uint32_t(rate) * 4, 4);
    PutLE(out, 4, 2);
    PutLE(out, 16, 2);
    out.write("data", 4);
    PutLE(out, dataBytes, 4);
    for (int16_t s : stereo) PutLE(out, uint16_t(s), 2);
    if (!out) return SNDfail(kSndErrFileOpen, path + ": cannot write the file");
    return true;
}

bool RenderFileToWav(const std::string& input, const std::string& output,
                     const RenderOptions& options) {
    ModuleRecord* module = SNDloadModule(input.c_str());
    if (!module) return false;
    std::vector<int16_t> frames;
    const bool ok = RenderModule(module, options, frames);
    SNDfreeModule(module);
    if (!ok)
        return SNDfail(SNDgetLastError(), input + ": " + SNDgetErrorMessage(SNDgetLastError()));
    return WriteWav(output, frames, options.rate);
}
