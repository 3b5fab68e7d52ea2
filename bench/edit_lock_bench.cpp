// How long each edit of the model holds the engine lock, on the largest corpus module, and the
// longest time the mixer took over one 10 ms block while those edits ran. A second copy of the
// song plays throughout, so the mixer has work even while an edit pauses the edited song.
#include "engine/engine_lock.h"
#include "engine/playback_engine.h"
#include "model/audio.h"
#include "model/song.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The mixing thread: one block of 441 frames every 10 ms, timed.
class Mixer {
public:
    Mixer() : thread_([this] { Run(); }) {}
    ~Mixer() {
        stop_ = true;
        thread_.join();
    }
    // The longest block since the last call, in milliseconds.
    double TakeWorstBlock() { return double(worstNs_.exchange(0)) / 1e6; }

private:
    void Run() {
        std::vector<uint8_t> block(441 * 4);
        auto next = Clock::now();
        while (!stop_) {
            const auto start = Clock::now();
            PlaybackEngine::Get().Fill(block.data(), int(block.size()));
            const int64_t ns = (Clock::now() - start).count();
            int64_t worst = worstNs_.load();
            while (ns > worst && !worstNs_.compare_exchange_weak(worst, ns)) {
            }
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<int64_t> worstNs_{0};
    std::thread thread_;
};

struct Operation {
    const char* name;
    std::function<void(TSong&)> run;
};

TSample* LongestSample(TSong& song) {
    TSample* best = nullptr;
    for (int i = 0; i < song.InstrumentCount(); ++i)
        for (int s = 0; s < song.Instruments(i)->SampleCount(); ++s) {
            TSample* sample = song.Instruments(i)->Samples(s);
            if (!best || sample->Length() > best->Length()) best = sample;
        }
    return best;
}

std::vector<Operation> Operations() {
    return {
        {"clean-up (unused patterns and instruments)",
         [](TSong& s) {
             s.DeletePatterns(s.GetUnusedPatterns());
             s.RemoveInstruments(s.GetUnusedInstruments());
         }},
        {"remove-instruments (first two)",
         [](TSong& s) {
             s.RemoveInstruments({s.Instruments(0), s.Instruments(1)});
         }},
        {"channel count +2 and back",
         [](TSong& s) {
             const int n = s.ChannelCount();
             s.SetChannelCount(std::min(n + 2, kMaxChannels));
             s.SetChannelCount(n);
         }},
        {"pattern insert", [](TSong& s) { s.InsertPattern(0); }},
        {"pattern delete", [](TSong& s) { s.DeletePattern(0, true); }},
        {"instrument insert", [](TSong& s) { s.InsertInstrument(0); }},
        {"instrument delete", [](TSong& s) { s.DeleteInstrument(0); }},
        {"sample amplify",
         [](TSong& s) {
             TSample* x = LongestSample(s);
             x->Amplify(0, x->Length() - 1, 0.9);
         }},
        {"sample echo",
         [](TSong& s) {
             TSample* x = LongestSample(s);
             x->Echo(0, x->Length() - 1, x->Length() / 8, 40, 80, false, false, false);
         }},
        {"sample reverse",
         [](TSong& s) {
             TSample* x = LongestSample(s);
             x->Reverse(0, x->Length() - 1);
         }},
        {"sample delete selection",
         [](TSong& s) {
             TSample* x = LongestSample(s);
             x->SelStart = x->Length() / 4;
             x->SelEnd = x->Length() / 2;
             x->DeleteSelection();
         }},
        {"transpose every pattern +1",
         [](TSong& s) {
             for (int p = 0; p < s.PatternCount(); ++p) s.Patterns(p)->Transpose(1);
         }},
    };
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path file =
        argc > 1 ? std::filesystem::path(argv[1])
                 : std::filesystem::path(CW_SHARED_DIR) / "corpus" / "heroes04.xm";
    TAudio audio;
    if (!SNDstartup() || !SNDinit()) return std::fprintf(stderr, "engine start failed\n"), 1;
    ModuleRecord* companion = SNDloadModule(file.string().c_str());
    if (!companion) return std::fprintf(stderr, "%s: cannot load\n", file.c_str()), 1;
    if (SNDplayModule(companion, true) == 0) return std::fprintf(stderr, "cannot play\n"), 1;
    Mixer mixer;
    SetEngineLockTiming(true);

    std::printf("%s\n%-44s %14s %14s\n", file.filename().c_str(), "edit", "lock hold ms",
                "worst block ms");
    double worstHold = 0, worstBlock = 0;
    constexpr int kRounds = 5; // each on a freshly loaded song, playing
    for (const Operation& op : Operations()) {
        double hold = 0, block = 0;
        for (int round = 0; round < kRounds; ++round) {
            TSong song(file.string());
            song.Play(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            mixer.TakeWorstBlock();
            TakeLongestEngineLockHold();
            op.run(song);
            hold = std::max(hold, double(TakeLongestEngineLockHold()) / 1e6);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            block = std::max(block, mixer.TakeWorstBlock());
            song.Stop();
        }
        std::printf("%-44s %14.3f %14.3f\n", op.name, hold, block);
        worstHold = std::max(worstHold, hold);
        worstBlock = std::max(worstBlock, block);
    }
    std::printf("%-44s %14.3f %14.3f\n", "worst", worstHold, worstBlock);
    SetEngineLockTiming(false);
    return 0;
}
