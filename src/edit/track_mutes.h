// Mute and solo from the event grid's track header.
#pragma once

#include <vector>

// Solo: the track alone is heard. Soloing the track that is already heard alone brings every
// track back.
std::vector<bool> SoloMutes(const std::vector<bool>& muted, int track);
