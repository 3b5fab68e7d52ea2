// ProTracker's period limits, kept in a MOD's XM copy.
#pragma once

struct ModuleRecord;

// ProTracker stops a channel's portamento up and down at periods 113 and 856; XM slides on past
// them. Follows each channel's period through the song in play order and rewrites the slides
// that would pass a limit so that XM stops where ProTracker does. Slides in patterns that the
// song reaches with different periods, which one rewrite cannot fit, are kept and counted.
void KeepProTrackerPeriodLimits(ModuleRecord& m);
