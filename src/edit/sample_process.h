// The rules of the sample process dialogs apart from any widget: which "Apply To" choice is
// preselected, which samples and frames a choice processes, and the echo delay's maximum.
#pragma once

#include "edit/sample_view.h"

#include <vector>

class TSong;

enum TApplyTo : int {
    kApplySelectedInstruments = 0,
    kApplySelectedSamples = 1,
    kApplyCurrentSample = 2,
    kApplySelectedRange = 3,
};
constexpr int kApplyToCount = 4;

// The radio captions, the same in the three dialogs.
const char* ApplyToCaption(TApplyTo choice);

// The choice shown when a dialog opens: the range when the sample editor has a selection, else
// the selected samples or instruments when two or more are selected, else the current sample.
TApplyTo DefaultApplyTo(bool hasSelection, int selectedSampleRows, int selectedInstrumentRows);

// What the instrument editor has selected when a process runs.
struct TProcessSelection {
    std::vector<int> instruments; // selected rows of the instrument list, in list order
    std::vector<int> samples;     // selected rows of the sample list (of the current instrument)
    int currentInstrument = -1;
    int currentSample = -1; // -1: none
    TSampleView view;       // the current sample's selection
};

// One call of a sample process: start = end means the whole sample.
struct TProcessTarget {
    int instrument = 0;
    int sample = 0;
    int start = 0;
    int end = 0;
    bool operator==(const TProcessTarget&) const = default;
};

// The targets of a choice in list order. sampleCounts[i] and lengths[i][s] describe the song;
// samples without frames are left out, as the processes would do nothing with them.
std::vector<TProcessTarget> ProcessTargets(TApplyTo choice, const TProcessSelection& selection,
                                           const std::vector<std::vector<int>>& lengths);
// The frame counts of every sample of every instrument, in the form ProcessTargets reads.
std::vector<std::vector<int>> SampleLengths(const TSong& song);

// The delay slider's maximum before the echo dialog shows: raised to the longest sample, never
// lowered, at least 10.
int EchoDelayMaximum(int current, const std::vector<std::vector<int>>& lengths);
