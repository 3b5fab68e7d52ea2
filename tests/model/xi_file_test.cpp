// XI instrument files: what we write reads back whole, and anything wrong or short is refused
// without touching the instrument.
#include "file_bytes.h"
#include "model/errors.h"
#include "model/song.h"
#include "support/test_paths.h"

#include <cstring>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct XIFileTest : testing::Test {
    TSong song{(SharedDir() / "corpus" / "mph.xm").string()};
    fs::path dir = TempDir();
    TInstrument* source = song.Instruments(0); // one 8-bit sample, volume envelope on
    TInstrument* target = song.Instruments(2); // no samples

    XIFileTest() {
        source->SetName("lead from the xi test");
        for (int n = 40; n < 96; ++n) source->SetNoteSample(n, 1);
        source->SetVibratoDepth(5);
        source->SetFadeOut(1234);
        source->PanningEnvelope()->SetEnabled(true);
        source->PanningEnvelope()->SetLoopEnabled(true);
        // A 16-bit sample with a loop and a negative finetune.
        const fs::path raw = dir / "sixteen.smp";
        std::vector<uint8_t> bytes(40);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 37);
        WriteBytes(raw, bytes);
        TSample* s = source->InsertSample(-1);
        s->LoadRawFile(raw.string());
        s->SetLoopStart(4);
        s->SetLoopEnd(15);
        s->SetLoopType(kLoopForward);
        s->SetFineTune(-100);
        s->SetBaseNote(30);
    }

    std::vector<uint8_t> SaveSource() {
        const fs::path file = dir / "source.xi";
        source->SaveToXI(file.string());
        return ReadBytes(file);
    }

    void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& why) {
        SCOPED_TRACE(why);
        const int moduleSamples = song.Module()->sampleCount;
        const std::string name = target->Name();
        try {
            target->LoadFromXI(bytes.data(), bytes.size(), "broken.xi");
            ADD_FAILURE() << "loaded";
        } catch (const EInstrumentError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("Instrument file appears to be corrupt."), std::string::npos);
            EXPECT_NE(message.find("broken.xi"), std::string::npos);
        }
        EXPECT_EQ(target->SampleCount(), 0);
        EXPECT_EQ(target->Name(), name);
        EXPECT_EQ(song.Module()->sampleCount, moduleSamples);
    }
};

void ExpectSameEnvelope(const TEnvelope* a, const TEnvelope* b) {
    const EnvelopeRecord& x = *a->Record();
    const EnvelopeRecord& y = *b->Record();
    EXPECT_EQ(x.pointCount, y.pointCount);
    EXPECT_EQ(x.sustainPoint, y.sustainPoint);
    EXPECT_EQ(x.loopStart, y.loopStart);
    EXPECT_EQ(x.loopEnd, y.loopEnd);
    EXPECT_EQ(x.savedPointCount, y.savedPointCount);
    EXPECT_EQ(x.savedSustain, y.savedSustain);
    EXPECT_EQ(x.savedLoopStart, y.savedLoopStart);
    EXPECT_EQ(x.savedLoopEnd, y.savedLoopEnd);
    EXPECT_EQ(std::memcmp(x.points, y.points, sizeof x.points), 0);
}

} // namespace

TEST_F(XIFileTest, WhatIsSavedLoadsBackWhole) {
    const std::vector<uint8_t> bytes = SaveSource();
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 21), "Extended Instrument: ");
    EXPECT_EQ(bytes[43], 0x1A);
    EXPECT_EQ(LE16(bytes, 64), 0x0102u);
    EXPECT_EQ(LE16(bytes, 296), 2u);
    const size_t second = 298 + 40;
    EXPECT_EQ(LE32(bytes, second), 40u);     // bytes
    EXPECT_EQ(LE32(bytes, second + 4), 8u);  // loop start: frame 4
    EXPECT_EQ(LE32(bytes, second + 8), 22u); // loop length: 11 frames
    EXPECT_EQ(bytes[second + 13], uint8_t(-100));

    const int moduleSamples = song.Module()->sampleCount;
    target->LoadFromXI((dir / "source.xi").string());
    EXPECT_EQ(song.Module()->sampleCount, moduleSamples + 2);
    EXPECT_EQ(target->Name(), "lead from the xi test");
    for (int n = 0; n < kNoteCount; ++n) EXPECT_EQ(target->NoteSample(n), n >= 40 ? 1 : 0);
    EXPECT_EQ(target->VibratoDepth(), 5);
    EXPECT_EQ(target->FadeOut(), 1234);
    ExpectSameEnvelope(target->VolumeEnvelope(), source->VolumeEnvelope());
    ExpectSameEnvelope(target->PanningEnvelope(), source->PanningEnvelope());
    ASSERT_EQ(target->SampleCount(), 2);
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(s);
        const TSample* a = target->Samples(s);
        const TSample* b = source->Samples(s);
        EXPECT_EQ(a->Number(), s);
        EXPECT_EQ(a->Name(), b->Name());
        EXPECT_EQ(a->Bits(), b->Bits());
        EXPECT_EQ(a->ByteLength(), b->ByteLength());
        EXPECT_EQ(a->LoopType(), b->LoopType());
        EXPECT_EQ(a->LoopStart(), b->LoopStart());
        EXPECT_EQ(a->LoopEnd(), b->LoopEnd());
        EXPECT_EQ(a->Volume(), b->Volume());
        EXPECT_EQ(a->Panning(), b->Panning());
        EXPECT_EQ(a->FineTune(), b->FineTune());
        EXPECT_EQ(a->BaseNote(), b->BaseNote());
        EXPECT_EQ(std::memcmp(a->Record()->data, b->Record()->data, size_t(a->ByteLength())), 0);
    }
}

TEST_F(XIFileTest, WrongOrShortFilesAreRefusedAndChangeNothing) {
    const std::vector<uint8_t> good = SaveSource();
    std::vector<uint8_t> bad = good;
    bad[64] = 0x01; // version 0x0101
    ExpectRefused(bad, "version 0x0101");
    bad = good;
    bad[0] = 'e';
    ExpectRefused(bad, "identifier");
    bad = good;
    bad[43] = 0x1B;
    ExpectRefused(bad, "marker");
    bad = good;
    bad[296] = 17;
    ExpectRefused(bad, "17 samples");
    bad = good;
    bad[298 + 3] = 0x7F; // first sample claims two gigabytes
    ExpectRefused(bad, "sample length past the end");
    for (size_t n = 0; n < good.size(); ++n) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        ExpectRefused(cut, "cut to " + std::to_string(n) + " bytes");
    }
}

TEST_F(XIFileTest, AFileThatCannotBeOpenedNamesTheFile) {
    const std::string missing = (dir / "missing.xi").string();
    try {
        target->LoadFromXI(missing);
        FAIL() << "loaded a missing file";
    } catch (const EInstrumentError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
}
