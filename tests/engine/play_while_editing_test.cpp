// Playing a module while another thread edits it the ways the editor does: single fields with
// FieldStore, sample data and loops under the engine lock, structure through the structure
// calls. Run under ThreadSanitizer this must stay clean; anywhere it must not crash.
#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/sndlib.h"
#include "support/test_paths.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Gives a sample fresh data of a new length with a loop that may reach past the end.
void ReplaceSampleData(SampleRecord* sample, std::mt19937& rng) {
    const int32_t length = int32_t(rng() % 5000);
    auto* data = static_cast<uint8_t*>(PLYRmemAlloc(size_t(length)));
    for (int32_t i = 0; i < length; ++i) data[i] = uint8_t(rng());
    EngineLock lock;
    uint8_t* old = sample->data;
    sample->data = length ? data : nullptr;
    sample->length = length;
    sample->format = uint8_t(1 + rng() % 2);
    sample->loopType = uint8_t(rng() % 3);
    sample->loopStart = int32_t(rng() % 6000);
    sample->loopEnd = sample->loopStart + int32_t(rng() % 6000);
    PLYRmemFree(old);
    if (!length) PLYRmemFree(data);
}

} // namespace

TEST(PlayWhileEditing, EditsOfEveryKindDuringPlaybackStayRaceFree) {
    ASSERT_TRUE(SNDstartup());
    ASSERT_TRUE(SNDsetOption(kOptSilentOutput, 1));
    ASSERT_TRUE(SNDsetOption(kOptMixBuffer, 20));
    ASSERT_TRUE(SNDinit());
    ASSERT_TRUE(SNDstartBackgroundPlay(0));
    ModuleRecord* module = SNDloadModule((SharedDir() / "corpus" / "heroes04.xm").string().c_str());
    ASSERT_NE(module, nullptr);
    const PlayHandle song = SNDplayModule(module, true);
    ASSERT_NE(song, 0u);
    ASSERT_TRUE(PLYRsetPlayTempo(song, 255));
    ASSERT_TRUE(PLYRsetPlaySpeed(song, 2));

    std::mt19937 rng(1234);
    const int instruments = module->instrumentCount;
    const auto until = std::chrono::steady_clock::now() + 3s;
    int edits = 0;
    while (std::chrono::steady_clock::now() < until) {
        ++edits;
        const int instrument = int(rng() % uint32_t(instruments));
        switch (rng() % 9) {
        case 0: { // cell bytes, as the pattern editor writes them
            const int p = int(rng() % uint32_t(module->patternCount));
            PatternRecord* pattern = FieldLoad(module->patterns[p]);
            const int row = int(rng() % uint32_t(pattern->rowCount));
            uint8_t* cell = pattern->data + row * RowStride(module->channelCount) +
                            int(rng() % module->channelCount) * kCellSize;
            FieldStore(cell[kCellNote], uint8_t(rng() % 0x80));
            FieldStore(cell[kCellInstrument], uint8_t(rng() % uint32_t(instruments + 2)));
            FieldStore(cell[kCellVolume], uint8_t(rng() % 240));
            FieldStore(cell[kCellCommand], uint8_t(rng() % 44));
            FieldStore(cell[kCellParam], uint8_t(rng()));
            break;
        }
        case 1: { // sample fields the instrument editor sets one at a time
            EngineLock lock;
            InstrumentRecord* ins = module->instruments[instrument];
            if (ins && ins->samples[0]) {
                FieldStore(ins->samples[0]->volume, int32_t(rng() % 65));
                FieldStore(ins->samples[0]->finetune, int32_t(rng() % 256) - 128);
                FieldStore(ins->samples[0]->relativeNote, int32_t(rng() % 96) - 48);
            }
            break;
        }
        case 2: {
            EngineLock lock;
            InstrumentRecord* ins = module->instruments[instrument];
            if (ins && ins->samples[0]) ReplaceSampleData(ins->samples[0], rng);
            break;
        }
        case 3:
            PLYRnewSample(module, instrument, int(rng() % kMaxSamples));
            break;
        case 4:
            PLYRremoveSample(module, instrument, int(rng() % kMaxSamples));
            break;
        case 5: // later instruments move down while their notes play
            if (module->instrumentCount > 1)
                SNDfreeInstrument(
                    PLYRtakeInstrument(module, std::min(instrument, module->instrumentCount - 1)));
            break;
        case 6:
            if (module->instrumentCount < kMaxInstruments)
                PLYRinsertInstrument(module, std::min(instrument, module->instrumentCount));
            break;
        case 7: { // a pattern moves to another place in the table
            const int from = int(rng() % uint32_t(module->patternCount));
            PatternRecord* pattern = PLYRtakePattern(module, from);
            const int to = int(rng() % uint32_t(module->patternCount + 1));
            if (pattern && !PLYRinsertPattern(module, to, pattern)) PLYRmemFree(pattern);
            break;
        }
        default:
            PLYRplayInstrumentNote(song, int(rng() % 32), instrument, uint8_t(0x30 + rng() % 12));
            SNDsetPosition(song, int(rng() % 300) - 100);
            break;
        }
        std::this_thread::sleep_for(200us);
    }
    PlayStatusRecord status{};
    EXPECT_TRUE(SNDgetPlayStatus(song, &status));
    EXPECT_GT(edits, 100);
    EXPECT_TRUE(SNDstopModule(song));
    EXPECT_TRUE(SNDclose());
    SNDfreeModule(module);
}
