// From a MIDI note-on on the service's thread to the note sounding, on the silent output: the
// message crosses to the interface thread as one posted event, the monitor plays the note, and
// the next block mixed carries it. Printed against one 60 Hz frame and one mixed block.
#include "engine/playback_engine.h"
#include "engine/sndlib.h"
#include "frame_budget.h"
#include "midi/midi_monitor.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// What the mixing thread saw of the last block: its number and whether it was silent.
struct MixWatch {
    std::atomic<uint64_t> lastBlock{0};
    std::atomic<bool> lastSilent{true};
    std::atomic<bool> armed{false};
    std::atomic<int64_t> soundedAt{0};
};

int SoundingInstrument(const ModuleRecord* module) {
    for (int i = 0; i < module->instrumentCount; ++i)
        if (module->instruments[i] && module->instruments[i]->samples[0] &&
            module->instruments[i]->samples[0]->length > 0)
            return i;
    return -1;
}

void WaitUntil(const std::function<bool()>& done) {
    while (!done()) std::this_thread::sleep_for(std::chrono::microseconds(100));
}

void Summary(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    char line[96];
    std::snprintf(line, sizeof line, "%s, mean", what);
    Report(line, sum / double(ms.size()));
    std::snprintf(line, sizeof line, "%s, median", what);
    Report(line, ms[ms.size() / 2]);
    std::snprintf(line, sizeof line, "%s, worst", what);
    Report(line, ms.back());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!SNDstartup() || !SNDsetOption(kOptSilentOutput, 1) || !SNDinit() ||
        !SNDstartBackgroundPlay(0)) {
        std::fprintf(stderr, "the silent output did not start\n");
        return 1;
    }
    ModuleRecord* module = SNDloadModule(CW_SHARED_DIR "/corpus/dali.xm");
    const PlayHandle preview = module ? PLYRplayModuleInstruments(module) : 0;
    const int instrument = module ? SoundingInstrument(module) : -1;
    if (!preview || instrument < 0) {
        std::fprintf(stderr, "no instrument to play\n");
        return 1;
    }

    MixWatch watch;
    PlaybackEngine::Get().SetBlockObserver([&watch](uint64_t block, const float* pcm, int frames) {
        bool silent = true;
        for (int i = 0; i < 2 * frames && silent; ++i) silent = pcm[i] == 0.0f;
        if (!silent && watch.armed.exchange(false)) watch.soundedAt.store(NowNs());
        watch.lastSilent.store(silent);
        watch.lastBlock.store(block);
    });

    TMidiInput input;
    input.OpenWithoutDevice();
    input.Start();
    TMidiMonitor monitor;
    std::atomic<int64_t> handledAt{0};
    monitor.NoteOn = [&](uint8_t note, int) {
        watch.armed.store(true);
        PLYRplayInstrumentNote(preview, 0, instrument, note);
        handledAt.store(NowNs());
    };
    input.OnMidiInput = [&] { monitor.Drain(input); };

    constexpr int kTrials = 200;
    std::mt19937 rng(3);
    std::vector<double> eventMs, soundMs;
    for (int trial = 0; trial < kTrials; ++trial) {
        handledAt = 0;
        watch.soundedAt = 0;
        int64_t sentAt = 0;
        std::thread service([&] {
            const uint8_t noteOn[3] = {144, 60, 100};
            sentAt = NowNs();
            input.Deliver(0.001, noteOn, 3);
        });
        while (handledAt.load() == 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        service.join();
        WaitUntil([&] { return watch.soundedAt.load() != 0; });
        eventMs.push_back(double(handledAt - sentAt) / 1e6);
        soundMs.push_back(double(watch.soundedAt - sentAt) / 1e6);

        // Silence again, then a pause that puts the next note at another point of the block.
        PLYRstopNote(preview, 0);
        const uint64_t cutAt = PlaybackEngine::Get().BlocksStarted();
        WaitUntil([&] { return watch.lastBlock.load() > cutAt && watch.lastSilent.load(); });
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 10000));
    }
    PlaybackEngine::Get().SetBlockObserver(nullptr);
    SNDstopModule(preview);
    SNDclose();
    SNDfreeModule(module);

    const int rate = PlaybackEngine::Get().MixRate();
    const double blockMs = 1000.0 * std::max(64, rate / 100) / rate;
    std::printf("%d notes; the silent output mixes blocks of %.2f ms\n", kTrials, blockMs);
    Summary("note-on to its handler", eventMs);
    Summary("note-on to its sounding block", soundMs);
    int withinBudget = 0;
    for (size_t i = 0; i < soundMs.size(); ++i)
        withinBudget += soundMs[i] <= eventMs[i] + blockMs + 1.0;
    std::printf("%d of %d within one event plus one block (+1 ms of mixing)\n", withinBudget,
                kTrials);
    return 0;
}
