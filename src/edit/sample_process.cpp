#include "edit/sample_process.h"

#include "model/instrument.h"
#include "model/song.h"

#include <algorithm>

namespace {

constexpr int kMinDelayMaximum = 10;

int LengthOf(const std::vector<std::vector<int>>& lengths, int instrument, int sample) {
    if (instrument < 0 || size_t(instrument) >= lengths.size()) return 0;
    const auto& samples = lengths[size_t(instrument)];
    if (sample < 0 || size_t(sample) >= samples.size()) return 0;
    return samples[size_t(sample)];
}

} // namespace

const char* ApplyToCaption(TApplyTo choice) {
    switch (choice) {
    case kApplySelectedInstruments:
        return "All samples in selected instruments";
    case kApplySelectedSamples:
        return "Selected samples current instrument";
    case kApplyCurrentSample:
        return "Current sample";
    case kApplySelectedRange:
        return "Selected range ";
    }
    return "";
}

TApplyTo DefaultApplyTo(bool hasSelection, int selectedSampleRows, int selectedInstrumentRows) {
    if (hasSelection) return kApplySelectedRange;
    if (selectedSampleRows >= 2) return kApplySelectedSamples;
    if (selectedInstrumentRows >= 2) return kApplySelectedInstruments;
    return kApplyCurrentSample;
}

std::vector<TProcessTarget> ProcessTargets(TApplyTo choice, const TProcessSelection& selection,
                                           const std::vector<std::vector<int>>& lengths) {
    std::vector<TProcessTarget> targets;
    auto whole = [&](int instrument, int sample) {
        if (LengthOf(lengths, instrument, sample) > 0) targets.push_back({instrument, sample});
    };
    switch (choice) {
    case kApplySelectedInstruments:
        for (int i : selection.instruments)
            if (i >= 0 && size_t(i) < lengths.size())
                for (int s = 0; s < int(lengths[size_t(i)].size()); ++s) whole(i, s);
        break;
    case kApplySelectedSamples:
        for (int s : selection.samples) whole(selection.currentInstrument, s);
        break;
    case kApplyCurrentSample:
        whole(selection.currentInstrument, selection.currentSample);
        break;
    case kApplySelectedRange: {
        const int length = LengthOf(lengths, selection.currentInstrument, selection.currentSample);
        if (length <= 0) break;
        // A mouse selection may end at the length itself; the processes take the last frame.
        const TSampleView& v = selection.view;
        const int start = std::clamp(std::min(v.selStart, v.selEnd), 0, length - 1);
        const int end = std::clamp(std::max(v.selStart, v.selEnd), 0, length - 1);
        targets.push_back({selection.currentInstrument, selection.currentSample, start, end});
        break;
    }
    }
    return targets;
}

std::vector<std::vector<int>> SampleLengths(const TSong& song) {
    std::vector<std::vector<int>> lengths(size_t(song.InstrumentCount()));
    for (int i = 0; i < song.InstrumentCount(); ++i) {
        const TInstrument* instrument = song.Instruments(i);
        for (int s = 0; s < instrument->SampleCount(); ++s)
            lengths[size_t(i)].push_back(instrument->Samples(s)->Length());
    }
    return lengths;
}

int EchoDelayMaximum(int current, const std::vector<std::vector<int>>& lengths) {
    int maximum = std::max(current, kMinDelayMaximum);
    for (const auto& samples : lengths)
        for (int length : samples) maximum = std::max(maximum, length);
    return maximum;
}
