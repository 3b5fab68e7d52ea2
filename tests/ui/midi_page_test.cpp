// The instrument editor's MIDI page over the real engine, fed through its input's queue as the
// MIDI service's thread feeds it: the log, the notes the engine sounds and releases,
// pass-through, notes recorded into the pattern editor, and a machine without MIDI.
#include "engine/sndlib.h"
#include "main_form_fixture.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "model/instrument.h"
#include "model/notes.h"
#include "model/pattern.h"
#include "model/song.h"
#include "project/song_edit.h"
#include "support/xm_builder.h"
#include "ui/widgets/event_grid.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/inst_form.h"
#include "ui/windows/pattern_form.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QToolButton>
#include <optional>

namespace {

// Four instruments of one looped sample each, so a note sounds until released; one empty
// pattern played slowly (a row lasts over two seconds).
std::filesystem::path LoopedInstruments() {
    XMTestSong song;
    song.speed = 31;
    song.bpm = 32;
    for (int i = 0; i < 4; ++i) {
        XMTestInstrument inst;
        inst.name = "Loop" + std::to_string(i);
        XMTestSample sample;
        for (int f = 0; f < 64; ++f) sample.values.push_back(f % 2 ? 90 : -90);
        sample.loopType = 1;
        sample.loopLength = 64;
        inst.samples.push_back(sample);
        song.instruments.push_back(inst);
    }
    const auto file = TempDir() / "looped.xm";
    const std::vector<uint8_t> bytes = BuildXM(song);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file;
}

class MidiPageTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        form->SetStartFile(QString::fromStdString(LoopedInstruments().string()));
        Show();
        ASSERT_NE(Song(), nullptr);
        inst = form->InstForm();
        for (QMdiSubWindow* window : form->MdiArea()->subWindowList())
            if (auto* patternForm = qobject_cast<TPatternForm*>(window->widget())) pf = patternForm;
        ASSERT_NE(pf, nullptr);
        // No device here: the page's input takes messages as the service's thread gives them.
        inst->MidiIn().OpenWithoutDevice();
        inst->MidiIn().Start();
        SongEdit().Clear();
    }

    void Choose(int instrument) {
        inst->instrList->clearSelection();
        inst->instrList->setCurrentRow(instrument);
        ASSERT_EQ(inst->CurrentInstrument(), instrument);
    }

    // Sends messages and waits until the page has logged them.
    void Send(std::initializer_list<std::vector<uint8_t>> messages) {
        const int before = int(Log().size());
        for (const auto& bytes : messages)
            inst->MidiIn().Deliver(0.001, bytes.data(), bytes.size());
        ASSERT_TRUE(WaitFor([&] { return int(Log().size()) == before + int(messages.size()); }));
    }

    QStringList Log() const {
        const QString text = inst->midiMemo->toPlainText();
        return text.isEmpty() ? QStringList() : text.split('\n');
    }

    // The engine's channel sounding `note` on `instrument`, if one does.
    std::optional<VoiceStatusRecord> Voice(int instrument, uint8_t note) const {
        for (int c = 0; c < kMaxChannels; ++c) {
            VoiceStatusRecord voice{};
            if (PLYRgetVoiceStatus(Song()->PlayHandle(), c, &voice) &&
                voice.instrument == instrument && voice.note == note)
                return voice;
        }
        return std::nullopt;
    }

    TPattern* Shown() const { return pf->ShownPattern(); }
    int Steps() const { return SongEdit().History().index(); } // steps that undo would take back

    TInstForm* inst = nullptr;
    TPatternForm* pf = nullptr;
    const uint8_t c5 = NoteFromIndex(60);
};

TEST_F(MidiPageTest, NotesSoundOnTheCurrentInstrumentAndEitherNoteOffReleasesThem) {
    pf->toggleEditBtn->setChecked(false); // not recording: the page plays the notes itself
    Choose(2);
    Send({{144, 60, 100}});
    EXPECT_EQ(Log(), QStringList{"144, 60, 100"});
    ASSERT_EQ(NoteOctave(c5), 5);
    ASSERT_EQ(NoteSemitone(c5), 0);
    std::optional<VoiceStatusRecord> voice = Voice(2, c5);
    ASSERT_TRUE(voice) << "C-5 of instrument 2 sounds in the engine";
    EXPECT_TRUE(voice->keyOn);
    EXPECT_EQ(inst->noteLabel->text(), QString::fromStdString(NoteIndexName(60)));

    // Velocity 0 is a note-off.
    Send({{144, 60, 0}});
    voice = Voice(2, c5);
    EXPECT_TRUE(!voice || !voice->keyOn) << "released";

    // Channel 16: note-on 159, note-off 143.
    const uint8_t d5 = NoteFromIndex(62);
    Send({{159, 62, 90}});
    ASSERT_TRUE(Voice(2, d5));
    EXPECT_TRUE(Voice(2, d5)->keyOn);
    Send({{143, 62, 64}});
    EXPECT_FALSE(Voice(2, d5) && Voice(2, d5)->keyOn);

    // The key velocity leaves the instrument's volume alone; a key above the highest note and
    // other messages are only logged.
    Send({{144, 97, 100}, {176, 7, 10}});
    EXPECT_EQ(Log().mid(4), (QStringList{"144, 97, 100", "176, 7, 10"}));
    for (int c = 0; c < kMaxChannels; ++c) {
        VoiceStatusRecord v{};
        ASSERT_TRUE(PLYRgetVoiceStatus(Song()->PlayHandle(), c, &v));
        EXPECT_FALSE(v.instrument >= 0 && v.keyOn) << "channel " << c << " still holds a key";
    }
    EXPECT_EQ(Steps(), 0) << "playing changes nothing in the song";
}

TEST_F(MidiPageTest, PassThroughForwardsEveryMessageUnchanged) {
    std::vector<std::vector<uint8_t>> sent;
    inst->MidiOut().OpenPort([&](const std::vector<uint8_t>& message) { sent.push_back(message); });
    const std::vector<std::vector<uint8_t>> messages = {{144, 60, 100},
                                                        {128, 60, 0},
                                                        {0xB3, 7, 99},
                                                        {0xC2, 5},
                                                        {0xD0, 40},
                                                        {0xE1, 0, 64},
                                                        {0xF2, 1, 2},
                                                        {0xF3, 4},
                                                        {0xF6},
                                                        {0xFA},
                                                        {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}};
    for (const auto& bytes : messages) inst->MidiIn().Deliver(0.001, bytes.data(), bytes.size());
    ASSERT_TRUE(WaitFor([&] { return sent.size() == messages.size(); }));
    EXPECT_EQ(sent, messages);
    EXPECT_EQ(Log().size(), int(messages.size()));

    // Unticking closes the output: nothing more goes out.
    {
        const QSignalBlocker quiet(inst->passCB);
        inst->passCB->setChecked(true);
    }
    inst->passCB->setChecked(false);
    EXPECT_FALSE(inst->MidiOut().IsOpen());
    Send({{144, 61, 1}});
    EXPECT_EQ(sent.size(), messages.size());
}

TEST_F(MidiPageTest, NotesAreRecordedAtTheCursorWithVelocityAndKeyOffAsConfigured) {
    TPattern* pattern = Shown();
    ASSERT_NE(pattern, nullptr);
    Choose(0);
    pf->toggleEditBtn->setChecked(true);
    pf->eventInstBox->setCurrentIndex(1);
    pf->addEdit->SetValue(2);
    pf->Grid()->SetCursor({4, 3, kPosCommandHigh});
    inst->recordVelocityCB->setChecked(true);
    inst->recordNoteOffCB->setChecked(true);
    EXPECT_TRUE(TPatternForm::RecordVelocity() && TPatternForm::RecordNoteOff()) << "persisted";

    Send({{144, 60, 100}});
    EXPECT_EQ(pattern->Note(3, 4), c5);
    EXPECT_EQ(pattern->Instrument(3, 4), 1);
    EXPECT_EQ(pattern->GetCell(3, 4).volume, 50) << "100 × 64 / 127, rounded";
    EXPECT_EQ(pf->Grid()->CursorRow(), 6) << "the step moved the cursor";
    EXPECT_EQ(Steps(), 1);
    ASSERT_TRUE(Voice(1, c5)) << "the entry instrument sounds, as for a key";
    EXPECT_FALSE(Voice(0, c5)) << "not the instrument editor's";

    // Released on a later row: a key-off there, as a step of its own.
    Send({{128, 60, 0}});
    EXPECT_EQ(pattern->Note(3, 6), kNoteKeyOff);
    EXPECT_EQ(Steps(), 2);
    EXPECT_FALSE(Voice(1, c5) && Voice(1, c5)->keyOn);
    SongEdit().Undo();
    EXPECT_EQ(pattern->Note(3, 6), kNoteNone);
    EXPECT_EQ(pattern->Note(3, 4), c5);
    SongEdit().Undo();
    EXPECT_TRUE(pattern->IsCellEmpty(3, 4));

    // Both options off: the volume column keeps what it had and a release writes nothing.
    inst->recordVelocityCB->setChecked(false);
    inst->recordNoteOffCB->setChecked(false);
    pf->Grid()->SetCursor({10, 0, kPosNote});
    const int steps = Steps();
    Send({{144, 62, 127}, {144, 62, 0}});
    EXPECT_EQ(pattern->Note(0, 10), NoteFromIndex(62));
    EXPECT_EQ(pattern->GetCell(0, 10).volume, kVolumeNone);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 12));
    EXPECT_EQ(Steps(), steps + 1);

    // With no step the release comes on the note's own row: no key-off over the note.
    inst->recordNoteOffCB->setChecked(true);
    pf->addEdit->SetValue(0);
    pf->Grid()->SetCursor({20, 1, kPosNote});
    Send({{144, 64, 80}, {128, 64, 0}});
    EXPECT_EQ(pattern->Note(1, 20), NoteFromIndex(64));
    EXPECT_EQ(Steps(), steps + 2);

    // Out of edit mode the page plays the note on its own instrument and enters nothing.
    pf->toggleEditBtn->setChecked(false);
    Choose(3);
    Send({{144, 65, 80}});
    EXPECT_EQ(Steps(), steps + 2);
    EXPECT_TRUE(Voice(3, NoteFromIndex(65)));
    Send({{128, 65, 0}});
}

TEST_F(MidiPageTest, WhileFollowingTheSongANoteLandsOnThePlayingRow) {
    TPattern* pattern = Shown();
    ASSERT_EQ(pattern->Number(), Song()->CurrentPattern());
    pf->toggleEditBtn->setChecked(true);
    pf->followRowAct->setChecked(true);
    pf->addEdit->SetValue(1);
    form->playPatBtn->trigger();
    ASSERT_TRUE(Song()->Playing());
    ASSERT_TRUE(WaitFor([&] { return form->LastRow() >= 0; }));

    // The cursor is left on a row the follower has not caught up with.
    const int before = Song()->CurrentRow();
    const int away = (before + 32) % pattern->RowCount();
    pf->Grid()->SetCursor({away, 2, kPosNote});
    Send({{144, 60, 100}});
    const int after = Song()->CurrentRow();
    form->stopBtn->trigger();

    std::vector<int> rows;
    for (int r = 0; r < pattern->RowCount(); ++r)
        if (pattern->Note(2, r) == c5) rows.push_back(r);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0] >= before && rows[0] <= after)
        << "on row " << rows[0] << ", playing " << before << ".." << after;
    EXPECT_NE(rows[0], away);
    EXPECT_EQ(Steps(), 1);
}

using MidiPageWithoutMidiTest = MainFormTest;

TEST_F(MidiPageWithoutMidiTest, ListsNothingDisablesTheTicksAndPrintsNothing) {
    if (MidiSystemAvailable()) GTEST_SKIP() << "this machine has a MIDI sequencer";
    Show();
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    auto page = std::make_unique<TInstForm>();
    page->FillMidiDevices();
    page.reset();
    const std::string printed =
        testing::internal::GetCapturedStderr() + testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "");
    TInstForm* shown = form->InstForm();
    EXPECT_EQ(shown->midiInBox->count(), 0);
    EXPECT_EQ(shown->midiOutBox->count(), 0);
    EXPECT_FALSE(shown->monitorCB->isEnabled());
    EXPECT_FALSE(shown->passCB->isEnabled());
    // A tick set some other way opens nothing and takes itself back.
    shown->monitorCB->setChecked(true);
    EXPECT_FALSE(shown->MidiIn().IsOpen());
    EXPECT_FALSE(shown->monitorCB->isChecked());
    EXPECT_TRUE(form->infoPanel1->text().endsWith("Invalid device ID"));
}

} // namespace
