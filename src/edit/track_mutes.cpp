#include "edit/track_mutes.h"

#include <cstddef>

std::vector<bool> SoloMutes(const std::vector<bool>& muted, int track) {
    const int count = int(muted.size());
    if (track < 0 || track >= count) return muted;
    bool alone = !muted[std::size_t(track)];
    for (int t = 0; t < count && alone; ++t)
        if (t != track && !muted[std::size_t(t)]) alone = false;
    std::vector<bool> result(muted.size(), !alone);
    result[std::size_t(track)] = false;
    return result;
}
