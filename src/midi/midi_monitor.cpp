#include "midi/midi_monitor.h"

#include "engine/records.h"
#include "midi/midi_output.h"
#include "model/notes.h"

#include <cstdio>

namespace {

constexpr uint8_t kNoteOffFirst = 0x80, kNoteOnFirst = 0x90, kNoteOnLast = 0x9F;
// Keys above this have no note byte.
constexpr int kHighestKey = 96;

} // namespace

uint8_t NoteOfMidiKey(int key) {
    if (key < 0 || key > kHighestKey) return kNoteNone;
    const uint8_t note = NoteFromIndex(key);
    return IsValidNote(note) ? note : kNoteNone;
}

void TMidiMonitor::Handle(const TMyMidiEvent& event) {
    char line[32];
    std::snprintf(line, sizeof line, "%d, %d, %d", event.Status, event.Param1, event.Param2);
    log_.emplace_back(line);
    if (log_.size() > kLogLines) log_.pop_front();
    if (Logged) Logged(log_.back());

    const uint8_t note = NoteOfMidiKey(event.Param1);
    const bool noteOn = event.Status >= kNoteOnFirst && event.Status <= kNoteOnLast;
    const bool noteOff = (event.Status >= kNoteOffFirst && event.Status < kNoteOnFirst) ||
                         (noteOn && event.Param2 == 0);
    if (noteOn && event.Param2 > 0 && KeyPressed) KeyPressed(event.Param1);
    if (note != kNoteNone) {
        if (noteOff) {
            if (NoteOff) NoteOff(note);
        } else if (noteOn) {
            if (NoteOn) NoteOn(note, event.Param2);
        }
    }
    if (PassTo && PassTo->IsOpen()) PassTo->SendEvent(event);
}

void TMidiMonitor::Drain(TMidiInput& input) {
    while (std::unique_ptr<TMyMidiEvent> event = input.ReadEvent()) Handle(*event);
}
