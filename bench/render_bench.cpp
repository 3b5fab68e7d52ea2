// Offline render speed against openmpt123 (linear interpolation, 44.1 kHz, 16-bit WAV) on the
// corpus XMs, measured in the same run: inside this process (load, render, write), and as a user
// runs it, the whole `cantorwright --render` process from start to exit. Each time is the median
// of five runs. Prints both ratios, the start-up cost of each program alone (`--help`), and our
// cost per channel.
#include "engine/render.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 5;

// The median wall time of `kRuns` calls, or a negative value if any failed.
double MedianSeconds(const std::function<bool()>& run) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        if (!run()) return -1;
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[kRuns / 2];
}

std::string Quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

struct Totals {
    double inProcess = 0, process = 0, peer = 0, channelSeconds = 0;
};

// One module's three timings, printed; false if any could not be taken.
bool Measure(const fs::path& file, const fs::path& work, Totals& totals) {
    ModuleRecord* module = SNDloadModule(file.string().c_str());
    if (!module) {
        std::printf("%s: %s\n", file.filename().c_str(),
                    SNDgetErrorMessage(SNDgetLastError()).c_str());
        return false;
    }
    const int channels = module->channelCount;
    const double song = SongDurationSeconds(module);
    SNDfreeModule(module);

    const fs::path copy = work / file.filename();
    fs::copy_file(file, copy, fs::copy_options::overwrite_existing);
    const double inProcess = MedianSeconds([&] {
        return RenderFileToWav(copy.string(), (work / "ours.wav").string(),
                               RenderOptions{44100, true});
    });
    const std::string ours = Quoted(CW_CLI_PATH) + " --render " + Quoted(copy) + " --output " +
                             Quoted(work / "cli.wav") + " --interpolation linear >/dev/null 2>&1";
    const double process = MedianSeconds([&] { return std::system(ours.c_str()) == 0; });
    const std::string peer = "openmpt123 --quiet --render --samplerate 44100 --filter 2 "
                             "--no-float --force " +
                             Quoted(copy) + " >/dev/null 2>&1";
    const double peerTime = MedianSeconds([&] { return std::system(peer.c_str()) == 0; });
    if (inProcess < 0 || process < 0 || peerTime < 0) {
        std::printf("%s: a render failed\n", file.filename().c_str());
        return false;
    }
    std::printf("%-24s %8.2f %9.3f %9.3f %8.3f %8.2fx %8.2fx\n", file.filename().c_str(), song,
                inProcess, process, peerTime, peerTime / inProcess, peerTime / process);
    totals.inProcess += inProcess;
    totals.process += process;
    totals.peer += peerTime;
    totals.channelSeconds += song * channels;
    return true;
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

    Totals totals;
    std::printf("%-24s %8s %9s %9s %8s %9s %9s\n", "module", "song s", "inside s", "process s",
                "peer s", "inside", "process");
    for (const fs::path& file : files) Measure(file, work, totals);
    fs::remove_all(work);
    if (totals.inProcess <= 0 || totals.process <= 0) return 1;
    const double inside = totals.peer / totals.inProcess, whole = totals.peer / totals.process;
    std::printf("total: openmpt123 %.3f s; inside this process %.3f s (%.2fx as fast), whole "
                "process %.3f s (%.2fx as fast, %s the 2x goal)\n",
                totals.peer, totals.inProcess, inside, totals.process, whole,
                whole >= 2.0 ? "meets" : "misses");
    const std::string oursHelp = Quoted(CW_CLI_PATH) + " --help >/dev/null 2>&1";
    const double oursStart = MedianSeconds([&] { return std::system(oursHelp.c_str()) == 0; });
    const double peerStart =
        MedianSeconds([] { return std::system("openmpt123 --help >/dev/null 2>&1") == 0; });
    std::printf("start-up and exit alone (--help, through a shell): ours %.1f ms, openmpt123 %.1f "
                "ms\n",
                oursStart * 1e3, peerStart * 1e3);
    std::printf("cost per channel: %.2f us per second of audio (%.4f%% of real time)\n",
                totals.inProcess / totals.channelSeconds * 1e6,
                totals.inProcess / totals.channelSeconds * 100);
    return 0;
}
