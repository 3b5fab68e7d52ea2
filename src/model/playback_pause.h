// Stops a running playback for the life of the object and resumes it afterwards, for changes
// that re-index or reallocate what the player reads.
#pragma once

#include "model/song.h"

#include <exception>

class TPlaybackPause {
public:
    explicit TPlaybackPause(TSong& song, bool active = true)
        : song_(song), paused_(active && song.Playing()) {
        if (paused_) song_.Stop();
    }
    ~TPlaybackPause() noexcept(false) {
        if (paused_ && std::uncaught_exceptions() == 0) song_.Resume();
    }
    TPlaybackPause(const TPlaybackPause&) = delete;
    TPlaybackPause& operator=(const TPlaybackPause&) = delete;

private:
    TSong& song_;
    bool paused_;
};
