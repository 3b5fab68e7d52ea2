// Which channel each note of an instrument sounds on, so that a held key's repeats do not
// restart it and its release reaches the right channel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class TNoteStatus {
public:
    TNoteStatus() { status_.fill(-1); }

    bool IsPlaying(uint8_t note) const;
    bool IsReleased(uint8_t note) const;
    int ChannelOf(uint8_t note) const;
    void MarkReleased(uint8_t note);
    void Clear(uint8_t note);
    void SetPlaying(uint8_t note, int channel);

    // The raw status of linear note n: -1 silent, 0..31 playing on that channel, 32 + c released.
    int StatusOf(int index) const { return status_[size_t(index)]; }

private:
    int8_t& At(uint8_t note);
    int8_t At(uint8_t note) const;

    std::array<int8_t, 97> status_;
};
