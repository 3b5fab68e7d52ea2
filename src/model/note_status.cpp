#include "model/note_status.h"

#include "model/errors.h"
#include "model/notes.h"

int8_t& TNoteStatus::At(uint8_t note) {
    CW_ASSERT(IsValidNote(note));
    return status_[size_t(NoteIndex(note))];
}

int8_t TNoteStatus::At(uint8_t note) const {
    CW_ASSERT(IsValidNote(note));
    return status_[size_t(NoteIndex(note))];
}

bool TNoteStatus::IsPlaying(uint8_t note) const {
    const int8_t s = At(note);
    return s >= 0 && s < 32;
}

bool TNoteStatus::IsReleased(uint8_t note) const {
    return At(note) >= 32;
}

int TNoteStatus::ChannelOf(uint8_t note) const {
    const int8_t s = At(note);
    CW_ASSERT(s >= 0);
    return s < 32 ? s : s - 32;
}

void TNoteStatus::MarkReleased(uint8_t note) {
    CW_ASSERT(IsPlaying(note));
    At(note) = int8_t(At(note) + 32);
}

void TNoteStatus::Clear(uint8_t note) {
    CW_ASSERT(At(note) >= 0);
    At(note) = -1;
}

void TNoteStatus::SetPlaying(uint8_t note, int channel) {
    CW_ASSERT(channel >= -1 && channel < 32);
    At(note) = int8_t(channel);
}
