// The instrument editor's handling of MIDI input: the log, which messages sound or release a
// note, and pass-through, fed through the input's queue as the service's thread feeds it.
#include "engine/records.h"
#include "midi/midi_monitor.h"
#include "midi/midi_output.h"
#include "model/notes.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Played {
    std::vector<std::pair<int, int>> on; // note index, velocity
    std::vector<int> off;
    std::vector<int> shown; // keys whose name the editor shows
};

class MidiMonitorTest : public testing::Test {
protected:
    void SetUp() override {
        input.OpenWithoutDevice();
        input.Start();
        input.OnMidiInput = [this] { monitor.Drain(input); };
        monitor.NoteOn = [this](uint8_t note, int velocity) {
            played.on.emplace_back(NoteIndex(note), velocity);
        };
        monitor.NoteOff = [this](uint8_t note) { played.off.push_back(NoteIndex(note)); };
        monitor.KeyPressed = [this](int key) { played.shown.push_back(key); };
    }
    void Send(std::initializer_list<int> values) {
        std::vector<uint8_t> bytes(values.begin(), values.end());
        input.Deliver(0.001, bytes.data(), bytes.size());
    }
    bool WaitForLines(size_t n) {
        return QTest::qWaitFor([&] { return monitor.Log().size() >= n; }, 2000);
    }

    TMidiInput input;
    TMidiMonitor monitor;
    Played played;
};

TEST_F(MidiMonitorTest, NotesSoundAndReleaseAsTheKeysSay) {
    Send({144, 60, 100}); // note on, channel 1
    Send({144, 60, 0});   // velocity 0 releases
    Send({159, 62, 90});  // note on, channel 16
    Send({143, 62, 64});  // note off, channel 16
    Send({144, 97, 100}); // above the highest note: logged, silent
    Send({176, 7, 100});  // a controller: only logged
    ASSERT_TRUE(WaitForLines(6));
    EXPECT_EQ(std::vector<std::string>(monitor.Log().begin(), monitor.Log().end()),
              (std::vector<std::string>{"144, 60, 100", "144, 60, 0", "159, 62, 90", "143, 62, 64",
                                        "144, 97, 100", "176, 7, 100"}));
    // Key 60 is C of octave 5.
    ASSERT_EQ(played.on, (std::vector<std::pair<int, int>>{{60, 100}, {62, 90}}));
    EXPECT_EQ(NoteOctave(NoteFromIndex(played.on[0].first)), 5);
    EXPECT_EQ(NoteSemitone(NoteFromIndex(played.on[0].first)), 0);
    EXPECT_EQ(played.off, (std::vector<int>{60, 62}));
    EXPECT_EQ(played.shown, (std::vector<int>{60, 62, 97})) << "named even when silent";
    EXPECT_EQ(NoteOfMidiKey(96), NoteFromIndex(96));
    EXPECT_EQ(NoteOfMidiKey(97), kNoteNone);
}

TEST_F(MidiMonitorTest, TheLogKeepsItsLastThousandLinesAndPassThroughIsUnchanged) {
    TMidiOutput output;
    std::vector<std::vector<uint8_t>> sent;
    output.OpenPort([&](const std::vector<uint8_t>& message) { sent.push_back(message); });
    monitor.PassTo = &output;
    for (int i = 0; i < 1005; ++i) {
        TMyMidiEvent event;
        event.Status = 176;
        event.Param1 = uint8_t(i % 128);
        event.Param2 = uint8_t(i / 128);
        monitor.Handle(event);
    }
    ASSERT_EQ(monitor.Log().size(), TMidiMonitor::kLogLines);
    EXPECT_EQ(monitor.Log().front(), "176, 5, 0");
    EXPECT_EQ(monitor.Log().back(), "176, 108, 7");
    ASSERT_EQ(sent.size(), 1005u);
    EXPECT_EQ(sent[1004], (std::vector<uint8_t>{176, 108, 7}));

    output.Close();
    monitor.Handle(TMyMidiEvent{144, 60, 100});
    EXPECT_EQ(sent.size(), 1005u) << "a closed output passes nothing";
}

} // namespace
