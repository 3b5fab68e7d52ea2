// Sample slots of an instrument and the sample data operations, on a real loaded song.
#include "file_bytes.h"
#include "model/errors.h"
#include "model/song.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct SampleTest : testing::Test {
    TSong song{(SharedDir() / "corpus" / "mph.xm").string()};
    fs::path dir = TempDir();

    // A new sample appended to instrument i holding `values` as frames of the given width.
    TSample* Make(const std::vector<int>& values, int bits = 16, int i = 2) {
        const fs::path raw = dir / "frames.smp";
        WriteBytes(raw, std::vector<uint8_t>(values.size() * size_t(bits / 8), 0));
        TSample* sample = song.Instruments(i)->InsertSample(-1);
        sample->LoadRawFile(raw.string());
        sample->SetBits(bits);
        for (size_t f = 0; f < values.size(); ++f) sample->SetValues(int(f), values[f]);
        return sample;
    }

    static std::vector<int> Frames(const TSample* s) {
        std::vector<int> v;
        for (int f = 0; f < s->Length(); ++f) v.push_back(s->Values(f));
        return v;
    }
};

} // namespace

TEST_F(SampleTest, InsertingShiftsTheLaterSlotsUpAndRenumbersThem) {
    TInstrument* inst = song.Instruments(2);
    Make({1});
    Make({2});
    Make({3});
    const int moduleSamples = song.Module()->sampleCount;
    EXPECT_EQ(inst->InsertSample(-1)->Number(), 3);
    inst->DeleteSample(3);

    SampleRecord* old[3] = {inst->Record()->samples[0], inst->Record()->samples[1],
                            inst->Record()->samples[2]};
    TSample* first = inst->InsertSample(0);
    EXPECT_EQ(first->Number(), 0);
    EXPECT_EQ(inst->Samples(0), first);
    ASSERT_EQ(inst->SampleCount(), 4);
    EXPECT_EQ(inst->Record()->sampleCount, 4);
    EXPECT_EQ(song.Module()->sampleCount, moduleSamples + 1);
    for (int s = 1; s <= 3; ++s) {
        EXPECT_EQ(inst->Record()->samples[s], old[s - 1]);
        EXPECT_EQ(inst->Samples(s)->Number(), s);
        EXPECT_EQ(inst->Samples(s)->Values(0), s);
    }

    while (inst->SampleCount() < kMaxSamples) inst->InsertSample(-1);
    EXPECT_THROW(inst->InsertSample(-1), EAssertionFailed);
    EXPECT_THROW(inst->InsertSample(17), EAssertionFailed);
}

TEST_F(SampleTest, DeletingMovingAndSwappingKeepSlotsAndNumbersInStep) {
    TInstrument* inst = song.Instruments(2);
    for (int v : {10, 11, 12, 13}) Make({v});
    const int moduleSamples = song.Module()->sampleCount;

    inst->DeleteSample(1);
    ASSERT_EQ(inst->SampleCount(), 3);
    EXPECT_EQ(inst->Record()->sampleCount, 3);
    EXPECT_EQ(inst->Record()->samples[3], nullptr);
    EXPECT_EQ(song.Module()->sampleCount, moduleSamples - 1);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(inst->Samples(s)->Number(), s);
        EXPECT_EQ(inst->Samples(s)->Record(), inst->Record()->samples[s]);
    }
    EXPECT_EQ(Frames(inst->Samples(1)), std::vector<int>{12});

    TInstrument* target = song.Instruments(0); // one sample already
    SampleRecord* moved = inst->Record()->samples[0];
    inst->MoveSample(0, target);
    EXPECT_EQ(song.Module()->sampleCount, moduleSamples - 1); // the library is not asked
    ASSERT_EQ(inst->SampleCount(), 2);
    EXPECT_EQ(Frames(inst->Samples(0)), std::vector<int>{12});
    EXPECT_EQ(inst->Samples(1)->Number(), 1);
    ASSERT_EQ(target->SampleCount(), 2);
    EXPECT_EQ(target->Record()->samples[1], moved);
    EXPECT_EQ(target->Samples(1)->Number(), 1);
    EXPECT_EQ(target->Samples(1)->Instrument(), target);

    TSample* a = inst->Samples(0);
    TSample* b = inst->Samples(1);
    inst->SwapSamples(0, 1);
    EXPECT_EQ(inst->Samples(0), b);
    EXPECT_EQ(inst->Samples(1), a);
    EXPECT_EQ(b->Number(), 0);
    EXPECT_EQ(a->Number(), 1);
    EXPECT_EQ(inst->Record()->samples[0], b->Record());
    EXPECT_EQ(Frames(inst->Samples(0)), std::vector<int>{13});
    EXPECT_THROW(inst->SwapSamples(0, 2), EAssertionFailed);
}

TEST_F(SampleTest, AmplifyRoundsHalfToEvenAndClipsAtTheFormatsLimits) {
    TSample* eight = Make({100, -100, 3, 5, 7}, 8);
    eight->Amplify(0, 1, 1.5);
    EXPECT_EQ(Frames(eight), (std::vector<int>{127, -128, 3, 5, 7}));
    eight->Amplify(2, 3, 0.5); // 1.5 and 2.5
    EXPECT_EQ(Frames(eight), (std::vector<int>{127, -128, 2, 2, 7}));
    eight->Amplify(0, 0, 0.0); // start = end: the whole sample
    EXPECT_EQ(Frames(eight), (std::vector<int>(5, 0)));

    TSample* sixteen = Make({30000, -30000, -5});
    sixteen->Amplify(0, 0, 1.5);
    EXPECT_EQ(Frames(sixteen), (std::vector<int>{32767, -32767, -8})); // -7.5 to even
}

TEST_F(SampleTest, EchoFollowsTheWorkedExamples) {
    TSample* feedback = Make({0, 60, 0, 0});
    feedback->Echo(0, 0, 1, 100, 100, true, false, false);
    EXPECT_EQ(Frames(feedback), (std::vector<int>{0, 60, 60, 60}));

    // Input peak over frames 2..5 is 0, so the scale is 0: nothing changes.
    TSample* silent = Make({10, 0, 0, 0, 0, 0});
    silent->Echo(0, 0, 2, 100, 100, true, false, false);
    EXPECT_EQ(Frames(silent), (std::vector<int>{10, 0, 0, 0, 0, 0}));

    // Both intensities 0: the output peak is 0 and the sample is left alone.
    TSample* muted = Make({5, -7, 9, 4});
    const uint8_t* data = muted->Record()->data;
    muted->Echo(0, 0, 1, 0, 0, true, false, false);
    EXPECT_EQ(Frames(muted), (std::vector<int>{5, -7, 9, 4}));
    EXPECT_EQ(muted->Record()->data, data);

    // A range shorter than the delay changes nothing.
    muted->Echo(1, 2, 2, 100, 100, true, false, false);
    EXPECT_EQ(Frames(muted), (std::vector<int>{5, -7, 9, 4}));

    // Delay 0 scales the doubled signal back to its own peak.
    TSample* same = Make({100, -50, 25, 3}, 8);
    same->Echo(0, 0, 0, 100, 100, true, false, false);
    EXPECT_EQ(Frames(same), (std::vector<int>{100, -50, 25, 3}));

    // A range inside the sample: frames before start + delay and after end stay. P_in over
    // 2..4 = 500; P_out = 500 + 0.5 * 2000 = 1500; scale 1/3.
    TSample* part = Make({1000, 2000, 500, 0, 0, 3000});
    part->Echo(1, 4, 1, 50, 100, true, false, false);
    EXPECT_EQ(Frames(part), (std::vector<int>{1000, 2000, 500, 83, 14, 3000}));
}

TEST_F(SampleTest, EchoScalesToTheInputPeak) {
    TSample* s = Make({0, 100, 100, 0, 0});
    s->Echo(0, 0, 1, 50, 100, true, false, false);
    // P_in over 1..4 = 100; P_out = max(|100|, |150|, |50|, |0|) = 150; scale 2/3.
    // x1 = R(100 * 2/3) = 67; x2 = R((100 + 0.5 * 67) * 2/3) = R(89) = 89;
    // x3 = R((0 + 0.5 * 89) * 2/3) = R(29.67) = 30; x4 = R(0.5 * 30 * 2/3) = 10.
    EXPECT_EQ(Frames(s), (std::vector<int>{0, 67, 89, 30, 10}));
}

TEST_F(SampleTest, ReverseExchangesStoredFramesInsideTheRange) {
    std::vector<int> values;
    for (int i = 0; i < 25; ++i) values.push_back(i * 100 - 1000);
    TSample* s = Make(values);
    s->Reverse(10, 20);
    std::vector<int> expected = values;
    std::reverse(expected.begin() + 10, expected.begin() + 21);
    EXPECT_EQ(Frames(s), expected);

    TSample* eight = Make({1, 2, 3, 4, 5}, 8);
    eight->Reverse(0, 0);
    EXPECT_EQ(Frames(eight), (std::vector<int>{5, 4, 3, 2, 1}));
}

TEST_F(SampleTest, DeleteSelectionAndCopyFrom) {
    std::vector<int> values;
    for (int i = 0; i < 100; ++i) values.push_back(i);
    TSample* s = Make(values);
    s->SetLoopStart(50);
    s->SetLoopEnd(99);
    s->SelStart = 10;
    s->SelEnd = 20;
    s->DeleteSelection();
    EXPECT_EQ(s->Length(), 90);
    EXPECT_EQ(s->ByteLength(), 180);
    EXPECT_EQ(s->SelEnd, 10);
    EXPECT_EQ(s->Values(9), 9);
    EXPECT_EQ(s->Values(10), 20);
    EXPECT_EQ(s->Values(89), 99);
    EXPECT_LE(s->LoopEnd(), 90); // the loop stays inside the data
    s->DeleteSelection();        // no selection: nothing
    EXPECT_EQ(s->Length(), 90);

    // Into a sample without data: the name says where it came from.
    TSample* empty = song.Instruments(2)->InsertSample(-1);
    s->SetVolume(33);
    s->SetPanning(-20);
    s->SetFineTune(-7);
    s->SetBaseNote(60);
    empty->CopyFrom(s);
    EXPECT_EQ(Frames(empty), Frames(s));
    EXPECT_EQ(empty->Bits(), 16);
    EXPECT_EQ(empty->Name(), "Copy from sample " + std::to_string(s->Number()));
    EXPECT_EQ(empty->Volume(), 33);
    EXPECT_EQ(empty->Panning(), -20);
    EXPECT_EQ(empty->FineTune(), -7);
    EXPECT_EQ(empty->BaseNote(), 60);

    // From a selection, into a sample that had data: its name stays.
    TSample* eight = Make({1, 2, 3}, 8);
    eight->SetName("kept");
    s->SelStart = 5;
    s->SelEnd = 8;
    eight->CopyFrom(s);
    EXPECT_EQ(Frames(eight), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(eight->Bits(), 16);
    EXPECT_EQ(eight->Name(), "kept");
}
