#include "model/audio_export.h"

#include "engine/field_access.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "model/errors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sndfile.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct SndFileClose {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

// Temporary names of one export, removed again unless the export completes.
class TPartialFiles {
public:
    ~TPartialFiles() {
        std::error_code ignored;
        for (const std::string& name : temporary_) fs::remove(name, ignored);
    }
    std::string Add(const std::string& target) {
        targets_.push_back(target);
        temporary_.push_back(target + ".partial-" + std::to_string(getpid()));
        return temporary_.back();
    }
    void Commit() {
        for (size_t i = 0; i < targets_.size(); ++i) {
            std::error_code error;
            fs::rename(temporary_[i], targets_[i], error);
            if (error)
                throw ESongError(targets_[i] + ": cannot write the file (" + error.message() + ")");
        }
        temporary_.clear();
    }

private:
    std::vector<std::string> targets_, temporary_;
};

int SndFormat(const TAudioExportOptions& options) {
    const int major = IsFlacName(options.fileName) ? SF_FORMAT_FLAC : SF_FORMAT_WAV;
    return major | (options.bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_16);
}

// Full-scale 24-bit values carried in the top bits of an int, as libsndfile takes them.
void FloatToPcm24(const float* in, int* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const float v = std::clamp(in[i], -1.0f, 1.0f) * 8388607.0f;
        out[i] = int(std::lround(v)) * 256;
    }
}

// One pass into one file; false when cancelled. `done` and `total` are frames across passes.
bool RenderPass(ModuleRecord* module, const TAudioExportOptions& options, int onlyChannel,
                const std::string& target, const std::string& temporary,
                TAudioExportProgress& progress, double& done, double total) {
    SF_INFO info{};
    info.samplerate = options.rate;
    info.channels = 2;
    info.format = SndFormat(options);
    std::unique_ptr<SNDFILE, SndFileClose> file(sf_open(temporary.c_str(), SFM_WRITE, &info));
    if (!file) throw ESongError(target + ": cannot create the file (" + sf_strerror(nullptr) + ")");

    RenderOptions render;
    render.rate = options.rate;
    render.interpolate = options.interpolate;
    render.onlyChannel = onlyChannel;
    std::vector<int16_t> pcm16;
    std::vector<int> pcm24;
    bool writeFailed = false, cancelled = false;
    const bool ok = RenderModuleFloat(module, render, [&](const float* stereo, size_t n) {
        if (cancelled || writeFailed) return;
        const size_t count = 2 * n;
        sf_count_t written;
        if (options.bits == 24) {
            pcm24.resize(count);
            FloatToPcm24(stereo, pcm24.data(), count);
            written = sf_write_int(file.get(), pcm24.data(), sf_count_t(count));
        } else {
            pcm16.resize(count);
            FloatToPcm16(stereo, pcm16.data(), count);
            written = sf_write_short(file.get(), pcm16.data(), sf_count_t(count));
        }
        writeFailed = written != sf_count_t(count);
        done += double(n);
        progress.fraction.store(std::min(1.0, done / total), std::memory_order_relaxed);
        cancelled = progress.cancel.load(std::memory_order_relaxed);
    });
    if (!ok) throw ESongError(target + ": " + SNDgetErrorMessage(SNDgetLastError()));
    if (writeFailed)
        throw ESongError(target + ": cannot write the file (" + sf_strerror(file.get()) + ")");
    if (cancelled) return false;
    if (sf_close(file.release()) != 0) throw ESongError(target + ": cannot write the file");
    return true;
}

} // namespace

bool IsFlacName(const std::string& fileName) {
    std::string ext = fs::path(fileName).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".flac";
}

std::vector<std::string> AudioExportFileNames(const TAudioExportOptions& options, int channels) {
    if (!options.perChannel) return {options.fileName};
    const fs::path path(options.fileName);
    const std::string ext = path.has_extension() ? path.extension().string() : ".wav";
    std::vector<std::string> names;
    for (int c = 1; c <= channels; ++c) {
        char number[16];
        std::snprintf(number, sizeof number, "%02d", c);
        fs::path name = path.parent_path() / (path.stem().string() + " - " + number + ext);
        names.push_back(name.string());
    }
    return names;
}

bool ExportSongAudio(ModuleRecord* module, const TAudioExportOptions& options,
                     TAudioExportProgress& progress) {
    if (options.bits != 16 && options.bits != 24)
        throw ESongError(options.fileName + ": only 16-bit and 24-bit files are written");
    const double seconds = SongDurationSeconds(module);
    if (seconds < 0)
        throw ESongError(options.fileName + ": " + SNDgetErrorMessage(SNDgetLastError()));
    const int channels = FieldLoad(module->channelCount);
    const std::vector<std::string> names = AudioExportFileNames(options, channels);
    const double total = std::max(1.0, seconds * options.rate * double(names.size()));
    double done = 0;
    TPartialFiles partial;
    for (size_t i = 0; i < names.size(); ++i) {
        const int only = options.perChannel ? int(i) : -1;
        if (!RenderPass(module, options, only, names[i], partial.Add(names[i]), progress, done,
                        total))
            return false;
    }
    partial.Commit();
    progress.fraction.store(1.0, std::memory_order_relaxed);
    return true;
}
