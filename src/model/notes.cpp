#include "model/notes.h"

#include "engine/records.h"

#include <cctype>

namespace {

const char* const kNames[16] = {"C ", "C#", "D ", "D#", "E ",  "F ",  "F#",  "G ",
                                "G#", "A ", "A#", "B ", "12 ", "13 ", "Rel", "..."};

// Semitones above C of the base octave, plus one; 0 for keys that play nothing.
int KeyValue(char key) {
    static const char* const kRows[] = {"ZSXDCVGBHNJM", "Q2W3ER5T6Y7U", "I9O0P"};
    const char upper = char(std::toupper(static_cast<unsigned char>(key)));
    int base = 0;
    for (const char* row : kRows) {
        for (int i = 0; row[i]; ++i)
            if (row[i] == upper) return base + i + 1;
        base += 12;
    }
    return 0;
}

} // namespace

int NoteIndex(uint8_t note) {
    return NoteOctave(note) * 12 + NoteSemitone(note);
}
uint8_t NoteFromIndex(int index) {
    return uint8_t((index / 12) * 16 + index % 12);
}
int NoteOctave(uint8_t note) {
    return note >> 4;
}
int NoteSemitone(uint8_t note) {
    return note & 15;
}
bool IsValidNote(uint8_t note) {
    return NoteIndex(note) < 97;
}
uint8_t TransposeNote(uint8_t note, int semitones) {
    return NoteFromIndex(NoteIndex(note) + semitones);
}

std::string NoteName(uint8_t note) {
    const int semitone = NoteSemitone(note);
    if (semitone > 12) return kNames[semitone];
    return std::string(kNames[semitone]) + std::to_string(NoteOctave(note));
}

std::string NoteIndexName(int index) {
    return std::string(kNames[index % 12]) + std::to_string(index / 12);
}

uint8_t KeyToNote(char key, int baseOctave) {
    const int value = KeyValue(key);
    if (value == 0) return kNoteNone;
    const int octave = baseOctave + (value - 1) / 12;
    if (octave > 8) return kNoteNone;
    return uint8_t(octave * 16 + (value - 1) % 12);
}
