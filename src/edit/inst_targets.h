// Which instruments and samples a property control of the instrument editor writes, from what
// the two lists have selected.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct TListSelection {
    std::vector<int> instruments; // selected instrument rows, ascending
    std::vector<int> samples;     // selected sample rows of the current instrument, ascending
    int currentInstrument = -1;   // -1: none
    int currentSample = -1;
};

// Instruments that get an instrument property: every selected one with two or more selected,
// else the current one.
std::vector<int> InstrumentTargets(const TListSelection& selection);

// (instrument, sample) pairs that get a sample property. sampleCounts[i] is instrument i's
// number of samples. With two or more instruments selected: every sample of each; else with two
// or more samples selected: those; else the current sample.
std::vector<std::pair<int, int>> SampleTargets(const TListSelection& selection,
                                               const std::vector<int>& sampleCounts);

// Whether a file name is one the instrument list (an instrument or a sample file) or the sample
// list (a sample file) accepts when dropped; the extension is compared lower-cased.
bool IsInstrumentFile(const std::string& fileName);
bool IsSampleFile(const std::string& fileName);
