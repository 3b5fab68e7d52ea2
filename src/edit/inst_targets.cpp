#include "edit/inst_targets.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

std::vector<int> InstrumentTargets(const TListSelection& selection) {
    if (selection.instruments.size() >= 2) return selection.instruments;
    if (selection.currentInstrument < 0) return {};
    return {selection.currentInstrument};
}

std::vector<std::pair<int, int>> SampleTargets(const TListSelection& selection,
                                               const std::vector<int>& sampleCounts) {
    std::vector<std::pair<int, int>> targets;
    if (selection.instruments.size() >= 2) {
        for (int instrument : selection.instruments) {
            if (instrument < 0 || instrument >= int(sampleCounts.size())) continue;
            for (int s = 0; s < sampleCounts[size_t(instrument)]; ++s)
                targets.emplace_back(instrument, s);
        }
        return targets;
    }
    if (selection.currentInstrument < 0) return targets;
    if (selection.samples.size() >= 2) {
        for (int sample : selection.samples)
            targets.emplace_back(selection.currentInstrument, sample);
        return targets;
    }
    if (selection.currentSample >= 0)
        targets.emplace_back(selection.currentInstrument, selection.currentSample);
    return targets;
}

namespace {

std::string LowerExtension(const std::string& fileName) {
    std::string ext = std::filesystem::path(fileName).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// The sample formats the loader decodes itself or through libsndfile.
constexpr std::array kSampleExtensions{".wav", ".smp", ".iff", ".aif", ".aiff", ".flac",
                                       ".ogg", ".au",  ".snd", ".raw", ".8svx", ".voc",
                                       ".w64", ".caf", ".mp3", ".opus"};

} // namespace

bool IsSampleFile(const std::string& fileName) {
    const std::string ext = LowerExtension(fileName);
    return ext == ".xi" || std::find(kSampleExtensions.begin(), kSampleExtensions.end(), ext) !=
                               kSampleExtensions.end();
}

bool IsInstrumentFile(const std::string& fileName) {
    return IsSampleFile(fileName);
}
