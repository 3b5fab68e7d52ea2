#include "model/import_report.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace {

struct Phrase {
    uint32_t count;
    const char* one;
    const char* many;
};

std::string Said(const Phrase& p) {
    return std::to_string(p.count) + " " + (p.count == 1 ? p.one : p.many);
}

std::string Listed(const std::vector<std::string>& parts) {
    std::string list = parts.front();
    for (size_t i = 1; i < parts.size(); ++i)
        list += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return list;
}

} // namespace

std::string ImportReport(const ModuleRecord& m) {
    const size_t originLength = strnlen(m.origin, sizeof m.origin);
    const std::string origin(m.origin, originLength);
    if (origin.empty() || origin == "xm") return {};
    const uint32_t* lost = m.lost;
    // Left-out silent slides, displaced second effects and slides past the period limits are
    // effects the copy lacks all the same.
    const Phrase phrases[] = {
        {lost[kLossEffects] + lost[kLossVolumeColumn] + lost[kLossSilentSlides] +
             lost[kLossPeriodLimits],
         "effect", "effects"},
        {lost[kLossChannels], "channel", "channels"},
        {lost[kLossRows], "row", "rows"},
        {lost[kLossSamples], "sample", "samples"},
        {lost[kLossEnvelopePoints], "envelope point", "envelope points"},
        {lost[kLossSustainLoops], "sustain loop", "sustain loops"},
        {lost[kLossNoteMapTranspose], "note map transpose", "note map transposes"},
        {lost[kLossChannelSettings], "channel setting", "channel settings"},
        {lost[kLossGlobalVolume], "global volume", "global volumes"},
        {lost[kLossSampleSwaps], "sample change", "sample changes"},
    };
    std::vector<std::string> lostParts, copiedParts;
    for (const Phrase& p : phrases)
        if (p.count) lostParts.push_back(Said(p));
    const Phrase copies[] = {{m.copiedInstruments, "instrument", "instruments"},
                             {m.copiedPatterns, "pattern", "patterns"}};
    for (const Phrase& p : copies)
        if (p.count) copiedParts.push_back(Said(p));
    if (lostParts.empty() && copiedParts.empty() && !m.copiedSamples) return {};
    std::string kind;
    for (char c : origin) kind += char(std::toupper(static_cast<unsigned char>(c)));
    std::string said = "Imported from " + kind + ": ";
    if (!lostParts.empty()) said += Listed(lostParts) + " could not be kept in XM";
    if (!lostParts.empty() && !copiedParts.empty()) said += "; ";
    const bool one = copiedParts.size() == 1 && (m.copiedInstruments + m.copiedPatterns) == 1;
    if (!copiedParts.empty())
        said += Listed(copiedParts) + (one ? " was" : " were") + " copied to keep the pannings";
    if (m.copiedSamples) {
        if (!lostParts.empty() || !copiedParts.empty()) said += "; ";
        said += Said({m.copiedSamples, "sample", "samples"}) +
                (m.copiedSamples == 1 ? " was" : " were") + " copied to keep the pitches";
    }
    return said;
}
