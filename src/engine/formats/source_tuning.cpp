#include "engine/formats/source_tuning.h"

#include "engine/player/period_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>

namespace {

uint32_t Read32(const uint8_t* data, size_t at) {
    return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
           uint32_t(data[at + 3]) << 24;
}

uint16_t Read16(const uint8_t* data, size_t at) {
    return uint16_t(data[at] | data[at + 1] << 8);
}

// S3M: instrument parapointers (in 16-byte units) follow the orders; the rate sits at 0x20 of
// each sample instrument.
std::vector<uint32_t> S3MRates(const uint8_t* data, size_t size) {
    std::vector<uint32_t> rates;
    if (size < 0x60) return rates;
    const size_t orders = Read16(data, 0x20), instruments = Read16(data, 0x22);
    for (size_t i = 0; i < instruments; ++i) {
        const size_t pointer = 0x60 + orders + i * 2;
        if (pointer + 2 > size) break;
        const size_t header = size_t(Read16(data, pointer)) * 16;
        const bool sample = header + 0x50 <= size && data[header] == 1;
        rates.push_back(sample ? Read32(data, header + 0x20) : 0);
    }
    return rates;
}

// IT: sample header offsets follow the orders and instrument offsets; the rate sits at 0x3C.
std::vector<uint32_t> ITRates(const uint8_t* data, size_t size) {
    std::vector<uint32_t> rates;
    if (size < 0xC0) return rates;
    const size_t orders = Read16(data, 0x20), instruments = Read16(data, 0x22);
    const size_t samples = Read16(data, 0x24);
    for (size_t i = 0; i < samples; ++i) {
        const size_t pointer = 0xC0 + orders + instruments * 4 + i * 4;
        if (pointer + 4 > size) break;
        const size_t header = Read32(data, pointer);
        const bool valid = header <= size && size - header >= 0x50;
        rates.push_back(valid ? Read32(data, header + 0x3C) : 0);
    }
    return rates;
}

// The 31 sample headers of a MOD start at 20, 30 bytes each; the finetune nibble is at 24.
std::vector<uint32_t> MODRates(const uint8_t* data, size_t size) {
    std::vector<uint32_t> rates;
    for (size_t i = 0; i < 31 && 20 + i * 30 + 30 <= size; ++i)
        rates.push_back((data[20 + i * 30 + 24] & 0x0F) == 0 ? 8363 : 0);
    return rates;
}

double Cents(double a, double b) {
    return 1200.0 * std::log2(a / b);
}

} // namespace

std::vector<uint32_t> SourceSampleRates(const uint8_t* data, size_t size, SourceKind kind) {
    if (kind == SourceKind::S3M) return S3MRates(data, size);
    if (kind == SourceKind::IT) return ITRates(data, size);
    if (kind == SourceKind::Mod) return MODRates(data, size);
    return {};
}

double SourceFrequency(SourcePitch pitch, int note, uint32_t rate) {
    const double exact = rate * std::exp2((note - 48) / 12.0);
    if (pitch == SourcePitch::ProTracker) {
        // C-1 to B-3, which sound as XM's C-3 to B-5.
        static constexpr int kPeriods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538,
                                             508, 480, 453, 428, 404, 381, 360, 339, 320,
                                             302, 285, 269, 254, 240, 226, 214, 202, 190,
                                             180, 170, 160, 151, 143, 135, 127, 120, 113};
        constexpr double kPalClock = 3546895.0;
        const int step = note - 36;
        if (step >= 0 && step < 36) return kPalClock / kPeriods[step];
        return kPalClock / (kPeriods[0] * std::exp2(-step / 12.0));
    }
    if (pitch == SourcePitch::Exact || rate == 0) return exact;
    // Periods in 32nds of Scream Tracker's, counted from the source's C-0, an octave below XM's.
    static constexpr uint64_t kTable[12] = {1712, 1616, 1524, 1440, 1356, 1280,
                                            1208, 1140, 1076, 1016, 960,  907};
    const int source = note + 12;
    const uint64_t divisor = uint64_t(rate) << (source / 12);
    const uint64_t period = 8363 * (kTable[source % 12] << 5) / divisor;
    return period ? 8363.0 * 1712.0 / double(period) : exact;
}

namespace {

// A note a sample is struck at, how often, and the source's rate for it.
struct Strike {
    int note;
    uint32_t count;
    double source;
};

std::vector<Strike> Strikes(SourcePitch pitch, uint32_t rate, const NoteCounts& struck) {
    std::vector<Strike> strikes;
    for (int note = 0; note < kNoteCount; ++note)
        if (struck[size_t(note)])
            strikes.push_back({note, struck[size_t(note)], SourceFrequency(pitch, note, rate)});
    return strikes;
}

// How far XM plays a note from the source with a sample at `tuning`; infinite off XM's range.
double Offset(bool linear, const Strike& s, int tuning) {
    const int relative = int(std::floor((tuning + 64) / 128.0)), finetune = tuning - relative * 128;
    const int index = s.note + relative;
    if (index < 0 || index >= 120) return std::numeric_limits<double>::infinity();
    return Cents(PeriodToFrequency(linear, NotePeriod(linear, index, finetune, true)), s.source);
}

int BestTuning(bool linear, const std::vector<Strike>& strikes, int start) {
    double best = std::numeric_limits<double>::infinity();
    int tuning = start;
    for (int t = start - 128; t <= start + 128; ++t) {
        double cost = 0;
        for (size_t k = 0; k < strikes.size() && std::isfinite(cost); ++k) {
            const double off = Offset(linear, strikes[k], t);
            cost += strikes[k].count * off * off;
        }
        // Rounding aside, a tie goes to the tuning nearest the source's own.
        const bool nearer = std::abs(t - start) < std::abs(tuning - start);
        if (cost < best - 1e-9 || (cost <= best + 1e-9 && nearer)) best = cost, tuning = t;
    }
    return tuning;
}

} // namespace

int FitTuning(SourcePitch pitch, bool linear, uint32_t rate, const NoteCounts& struck, int start) {
    if (rate == 0) return start;
    return BestTuning(linear, Strikes(pitch, rate, struck), start);
}

std::vector<NoteTuning> OwnTunings(SourcePitch pitch, bool linear, uint32_t rate,
                                   const NoteCounts& struck, int tuning, size_t room) {
    // A copy pays for its sample data only where it moves a note by an audible beat.
    constexpr double kWorthACopy = 0.25;                   // cents
    std::map<int, std::pair<double, NoteTuning>> byTuning; // the strikes' gain, and the notes
    if (rate == 0 || room == 0) return {};
    for (const Strike& s : Strikes(pitch, rate, struck)) {
        const int own = BestTuning(linear, {s}, tuning);
        const double gain = std::abs(Offset(linear, s, tuning)) - std::abs(Offset(linear, s, own));
        if (!(gain >= kWorthACopy)) continue;
        auto& [gains, group] = byTuning[own];
        gains += gain * s.count;
        group.tuning = own;
        group.notes.push_back(s.note);
    }
    std::vector<std::pair<double, NoteTuning>> ranked;
    for (auto& entry : byTuning) ranked.push_back(std::move(entry.second));
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<NoteTuning> groups;
    for (size_t k = 0; k < ranked.size() && k < room; ++k)
        groups.push_back(std::move(ranked[k].second));
    return groups;
}

void SourceTuner::Follow(std::vector<uint32_t> rates, SourcePitch pitch, bool linear) {
    rates_ = std::move(rates);
    pitch_ = pitch;
    linear_ = linear;
}

void SourceTuner::Strike(int instrument, int slot, int note) {
    if (Following() && note >= 0 && note < kNoteCount)
        ++struck_[instrument * kMaxSamples + slot][size_t(note)];
}

const NoteCounts* SourceTuner::Struck(int instrument, int slot, int sourceSample) const {
    const auto struck = struck_.find(instrument * kMaxSamples + slot);
    if (struck == struck_.end() || sourceSample < 0 || size_t(sourceSample) >= rates_.size())
        return nullptr;
    return &struck->second;
}

void SourceTuner::Retune(int instrument, int slot, int sourceSample, SampleRecord& sample) const {
    if (const NoteCounts* struck = Struck(instrument, slot, sourceSample))
        SetTuning(sample, FitTuning(pitch_, linear_, rates_[size_t(sourceSample)], *struck,
                                    TuningOf(sample)));
}

std::vector<NoteTuning> SourceTuner::Copies(int instrument, int slot, int sourceSample,
                                            const SampleRecord& sample, size_t room) const {
    const NoteCounts* struck = Struck(instrument, slot, sourceSample);
    if (!struck) return {};
    return OwnTunings(pitch_, linear_, rates_[size_t(sourceSample)], *struck, TuningOf(sample),
                      room);
}

int TuningOf(const SampleRecord& sample) {
    return sample.relativeNote * 128 + sample.finetune;
}

void SetTuning(SampleRecord& sample, int tuning) {
    const int relative = int(std::floor((tuning + 64) / 128.0));
    sample.relativeNote = std::clamp(relative, -96, 95);
    sample.finetune = std::clamp(tuning - relative * 128, -128, 127);
}
