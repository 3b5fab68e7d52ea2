// What the instrument editor does with each message from the MIDI input: a line in the log,
// note-on and note-off for the notes that can sound, and the message passed on unchanged.
#pragma once

#include "midi/midi_input.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

class TMidiOutput;

class TMidiMonitor {
public:
    // The log keeps this many lines, dropping the oldest.
    static constexpr size_t kLogLines = 1000;

    // `note` is the note byte of the MIDI key: key n plays octave n / 12, semitone n % 12.
    std::function<void(uint8_t note, int velocity)> NoteOn;
    std::function<void(uint8_t note)> NoteOff;
    // Every key pressed, whether or not it can sound: the editor shows its name.
    std::function<void(int key)> KeyPressed;
    // Called with each line added to the log.
    std::function<void(const std::string& line)> Logged;

    // Where passed-on messages go; none, or a closed device, passes nothing.
    TMidiOutput* PassTo = nullptr;

    // Handles one message.
    void Handle(const TMyMidiEvent& event);
    // Handles every message queued in the input.
    void Drain(TMidiInput& input);

    const std::deque<std::string>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }

private:
    std::deque<std::string> log_;
};

// The note byte of a MIDI key, or none for a key that does not sound (97 and above).
uint8_t NoteOfMidiKey(int key);
