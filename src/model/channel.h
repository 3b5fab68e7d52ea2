// One track of the song as a mixer channel: mute, volume and whether it may carry preview notes.
#pragma once

class TSong;

class TChannel {
public:
    TChannel(TSong* song, int index) : Index(index), Song(song) {}

    // Mutes or unmutes the channel in the running playback.
    void SetMuted(bool flag);
    void ApplyVolume();

    int Index;
    TSong* Song;
    bool Muted = false;
    int Volume = 64;
    bool KeyJazz = true;
};
