// Every shared XM module loads, and libopenmpt reads the same structure and cells from it.
#include "engine/effect_catalogue.h"
#include "engine/formats/xm_reader.h"
#include "engine/sndlib.h"
#include "support/test_paths.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>

namespace {

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::filesystem::path> SharedXMFiles() {
    std::vector<std::filesystem::path> files = CorpusFiles({".xm"});
    for (const auto& f : ConformanceFiles()) files.push_back(f);
    return files;
}

// libopenmpt numbers notes from C-0 = 13 with key off 255; the volume column's "set volume"
// is its volume command 1.
constexpr int kPeerNoteOffset = 13;
constexpr int kPeerKeyOff = 255;
constexpr int kPeerSetVolume = 1;

std::string XMEffectText(uint8_t command, uint8_t param) {
    const EffectInfo& info = EffectInfoOf(command);
    const int effect = info.xmEffect;
    // XM keeps the pattern break row in decimal digits; libopenmpt shows it as a number.
    if (command == kCmdPatternBreak) param = uint8_t((param >> 4) * 10 + (param & 15));
    char text[8];
    std::snprintf(text, sizeof text, "%c", effect < 10 ? '0' + effect : 'A' + effect - 10);
    char value[8];
    std::snprintf(value, sizeof value, "%02X", unsigned(param | info.xmOr));
    return std::string(text) + value;
}

struct Loaded {
    ModuleRecord* module = nullptr;
    XMLoadReport report{};
    ~Loaded() {
        if (module) SNDfreeModule(module);
    }
};

void CompareCells(ModuleRecord* module, openmpt::module& peer, int pattern,
                  uint32_t& peerOnlyEffects, const std::string& file) {
    ASSERT_TRUE(PLYRdecompressPattern(module, pattern)) << file;
    const PatternRecord* record = module->patterns[pattern];
    const int tracks = module->channelCount;
    for (int r = 0; r < record->rowCount; ++r) {
        for (int t = 0; t < tracks; ++t) {
            const uint8_t* cell = record->data + r * RowStride(tracks) + t * kCellSize;
            const std::string where = file + " pattern " + std::to_string(pattern) + " row " +
                                      std::to_string(r) + " channel " + std::to_string(t);
            const int note = cell[kCellNote];
            const int expectedNote = note == kNoteNone ? 0
                                     : note == kNoteKeyOff
                                         ? kPeerKeyOff
                                         : (note >> 4) * 12 + (note & 15) + kPeerNoteOffset;
            ASSERT_EQ(
                peer.get_pattern_row_channel_command(pattern, r, t, openmpt::module::command_note),
                expectedNote)
                << where;
            const int instrument = cell[kCellInstrument];
            ASSERT_EQ(peer.get_pattern_row_channel_command(pattern, r, t,
                                                           openmpt::module::command_instrument),
                      instrument == kInstrumentNone ? 0 : instrument + 1)
                << where;
            const int volume = cell[kCellVolume];
            const int peerVolumeCommand = peer.get_pattern_row_channel_command(
                pattern, r, t, openmpt::module::command_volumeffect);
            if (volume <= 64) {
                ASSERT_EQ(peerVolumeCommand, kPeerSetVolume) << where;
                ASSERT_EQ(peer.get_pattern_row_channel_command(pattern, r, t,
                                                               openmpt::module::command_volume),
                          volume)
                    << where;
            } else if (volume == kVolumeNone) {
                ASSERT_EQ(peerVolumeCommand, 0) << where;
            } // libopenmpt folds some volume-column effects into the effect column

            const std::string peerEffect = peer.format_pattern_row_channel_command(
                                               pattern, r, t, openmpt::module::command_effect) +
                                           peer.format_pattern_row_channel_command(
                                               pattern, r, t, openmpt::module::command_parameter);
            const uint8_t command = cell[kCellCommand];
            if (command != kCmdNone)
                ASSERT_EQ(XMEffectText(command, cell[kCellParam]), peerEffect) << where;
            else if (peerEffect.find_first_not_of(". ") != std::string::npos)
                ++peerOnlyEffects;
        }
    }
}

} // namespace

TEST(XMReaderPeer, SharedModulesLoadAndAgreeWithLibopenmpt) {
    const auto files = SharedXMFiles();
    ASSERT_GE(files.size(), 20u);
    for (const auto& path : files) {
        const std::string file = path.filename().string();
        const std::vector<uint8_t> bytes = ReadBytes(path);
        Loaded ours;
        ours.module = LoadXM(bytes.data(), bytes.size(), file, &ours.report);
        ASSERT_NE(ours.module, nullptr) << file << ": " << SNDgetErrorMessage(SNDgetLastError());
        ModuleRecord* m = ours.module;

        std::ostringstream log;
        openmpt::module peer(bytes, log);
        EXPECT_EQ(m->moduleType, kModuleTypeXM);
        EXPECT_EQ(m->channelCount, peer.get_num_channels()) << file;
        EXPECT_EQ(m->instrumentCount, peer.get_num_instruments()) << file;
        EXPECT_EQ(m->sampleCount, peer.get_num_samples()) << file;
        ASSERT_EQ(m->patternCount, peer.get_num_patterns()) << file;
        for (int p = 0; p < m->patternCount; ++p)
            EXPECT_EQ(m->patterns[p]->rowCount, peer.get_pattern_num_rows(p)) << file << " " << p;

        std::vector<int> peerOrders;
        for (int o = 0; o < peer.get_num_orders(); ++o) {
            const int pattern = peer.get_order_pattern(o);
            if (pattern < 0xFFFE) peerOrders.push_back(pattern); // skip the +++ and --- markers
        }
        std::vector<int> ourOrders(m->orders, m->orders + m->songLength);
        for (int& o : ourOrders) o &= 0xFF;
        EXPECT_EQ(ourOrders, peerOrders) << file;

        int sampleTotal = 0;
        for (int i = 0; i < m->instrumentCount; ++i) {
            const InstrumentRecord* ins = m->instruments[i];
            ASSERT_NE(ins, nullptr) << file;
            ASSERT_NE(ins->keyboardMap, nullptr);
            ASSERT_NE(ins->volumeEnvelope, nullptr);
            ASSERT_NE(ins->panningEnvelope, nullptr);
            sampleTotal += ins->sampleCount;
            for (int s = 0; s < ins->sampleCount; ++s) {
                const SampleRecord* smp = ins->samples[s];
                ASSERT_NE(smp, nullptr);
                EXPECT_LE(smp->loopEnd * (smp->format == kSampleFormat16 ? 2 : 1), smp->length);
                EXPECT_LE(smp->loopStart, smp->loopEnd);
            }
        }
        EXPECT_EQ(sampleTotal, m->sampleCount) << file;

        uint32_t peerOnlyEffects = 0;
        for (int p = 0; p < m->patternCount; ++p) {
            CompareCells(m, peer, p, peerOnlyEffects, file);
            if (HasFatalFailure()) return;
        }
        // Effects libopenmpt shows where we have none are exactly the ones we drop.
        EXPECT_EQ(peerOnlyEffects, ours.report.droppedEffectTotal) << file;
    }
}
