// Offline render speed against openmpt123 (linear interpolation, 44.1 kHz, 16-bit WAV) on the
// corpus XMs, measured in the same run. Prints the speed ratio and our cost per channel.
#include "engine/render.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

} // namespace

int main() {
    const fs::path corpus = fs::path(CW_SHARED_DIR) / "corpus";
    const fs::path work = fs::temp_directory_path() / "cantorwright-render-bench";
    fs::create_directories(work);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(corpus))
        if (entry.path().extension() == ".xm") files.push_back(entry.path());
    std::sort(files.begin(), files.end());

    double oursTotal = 0, peerTotal = 0, channelSeconds = 0;
    std::printf("%-24s %8s %8s %8s %7s\n", "module", "song s", "ours s", "peer s", "ratio");
    for (const fs::path& file : files) {
        ModuleRecord* module = SNDloadModule(file.string().c_str());
        if (!module) {
            std::printf("%s: %s\n", file.filename().c_str(),
                        SNDgetErrorMessage(SNDgetLastError()).c_str());
            continue;
        }
        const int channels = module->channelCount;
        const double song = SongDurationSeconds(module);
        SNDfreeModule(module);
        // Like openmpt123: load, render and write the WAV file.
        auto start = Clock::now();
        const bool ok = RenderFileToWav(file.string(), (work / "ours.wav").string(),
                                        RenderOptions{44100, true});
        const double ours = Seconds(start);
        if (!ok) continue;

        const fs::path copy = work / file.filename();
        fs::copy_file(file, copy, fs::copy_options::overwrite_existing);
        const std::string command = "openmpt123 --quiet --render --samplerate 44100 --filter 2 "
                                    "--no-float --force \"" +
                                    copy.string() + "\" >/dev/null 2>&1";
        start = Clock::now();
        const int status = std::system(command.c_str());
        const double peer = Seconds(start);
        if (status != 0) {
            std::printf("%s: openmpt123 failed (%d)\n", file.filename().c_str(), status);
            continue;
        }
        std::printf("%-24s %8.2f %8.3f %8.3f %6.2fx\n", file.filename().c_str(), song, ours, peer,
                    peer / ours);
        oursTotal += ours;
        peerTotal += peer;
        channelSeconds += song * channels;
    }
    fs::remove_all(work);
    if (oursTotal <= 0) return 1;
    const double ratio = peerTotal / oursTotal;
    std::printf("total: ours %.3f s, openmpt123 %.3f s: ours is %.2fx as fast (%s the 1.5x goal)\n",
                oursTotal, peerTotal, ratio, ratio >= 1.5 ? "meets" : "misses");
    std::printf("cost per channel: %.2f us per second of audio (%.4f%% of real time)\n",
                oursTotal / channelSeconds * 1e6, oursTotal / channelSeconds * 100);
    return 0;
}
