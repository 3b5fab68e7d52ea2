// Range edits of a sample's frames that change its length or reshape its loop: copy, paste and
// crop with their clipboard, normalizing, and the loop crossfade. Each builds a new data block
// from the sample without changing it; the edit layer installs the block as one undo step.
#pragma once

#include "model/sample.h"

#include <vector>

// Frames copied out of a sample, as signed values of their format.
struct TSampleClip {
    std::vector<int> frames;
    int bits = 16;
    bool Empty() const { return frames.empty(); }
};

// The frames start..end-1 (the selection's half-open span).
TSampleClip CopyFrames(const TSample& sample, int start, int end);
// Only the frames start..end-1; the loop is kept inside them.
TSampleData OnlyFrames(const TSample& sample, int start, int end);
// The clip in place of frames start..end-1 (before frame `start` when they are equal),
// converted to the sample's format (an empty sample takes the clip's); a loop after the range
// moves with its frames.
TSampleData WithFramesAt(const TSample& sample, int start, int end, const TSampleClip& clip);
// Frames start..end-1 scaled so their peak reaches the format's full range; no block when the
// range is silent or at full range already.
TSampleData Normalized(const TSample& sample, int start, int end);
// Frames start..end-1 (all of them when equal) read with the other sign convention: the top bit
// of each frame flips, which turns an unsigned import into signed frames and back. Applied twice
// it gives the frames back.
TSampleData SignFlipped(const TSample& sample, int start, int end);
// The last `frames` frames of the loop faded into the frames before its start, so the jump
// from end to start is smooth; no block without a loop of at least two frames or the room.
TSampleData CrossfadedLoop(const TSample& sample, int frames);
