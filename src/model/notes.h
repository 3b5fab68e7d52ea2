// Note bytes: octave in the high nibble, semitone 0..11 in the low one; 254 key off, 255 none.
#pragma once

#include <cstdint>
#include <string>

int NoteIndex(uint8_t note);
uint8_t NoteFromIndex(int index);
int NoteOctave(uint8_t note);
int NoteSemitone(uint8_t note);
bool IsValidNote(uint8_t note);
uint8_t TransposeNote(uint8_t note, int semitones);
std::string NoteName(uint8_t note);
std::string NoteIndexName(int index);
// The note for an unshifted key character at a base octave, or 255.
uint8_t KeyToNote(char key, int baseOctave);
