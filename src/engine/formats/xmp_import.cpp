#include "engine/formats/xmp_import.h"

#include "engine/effect_catalogue.h"
#include "engine/formats/file_kind.h"
#include "engine/formats/mod_sample_swaps.h"
#include "engine/formats/panned_copies.h"
#include "engine/formats/period_limits.h"
#include "engine/formats/play_behaviour.h"
#include "engine/formats/source_header.h"
#include "engine/formats/source_tuning.h"
#include "engine/formats/xmp_effects.h"
#include "engine/formats/xmp_instruments.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>
#include <xmp.h>

namespace {

struct ContextDeleter {
    void operator()(xmp_context ctx) const {
        xmp_release_module(ctx);
        xmp_free_context(ctx);
    }
};
using Context = std::unique_ptr<std::remove_pointer_t<xmp_context>, ContextDeleter>;

struct ModuleDeleter {
    void operator()(ModuleRecord* m) const { SNDfreeModule(m); }
};
using ModulePtr = std::unique_ptr<ModuleRecord, ModuleDeleter>;

// 1536 × log2(PAL clock 3546895 Hz × 4 / (8363 Hz × 1712)) = -20.2 finetune units.
constexpr int kPalClockFinetune = -20;

void CopyName(char (&field)[kNameSize], const char* name, size_t width) {
    std::memset(field, 0, kNameSize);
    std::memcpy(field, name, strnlen(name, std::min(width, size_t(kNameSize - 1))));
}

class Importer {
    using TrackInstruments = std::array<int, kMaxChannels>;

public:
    Importer(const xmp_module& x, ModuleRecord* m, SourceKind kind, bool stereo)
        : x_(x), m_(m), kind_(kind), stereo_(stereo), swaps_(x),
          pannedCopies_(SourceInstruments()) {
        std::fill(std::begin(lastInstrument_), std::end(lastInstrument_), -1);
    }

    bool Build() { return Header() && Orders() && Patterns() && Instruments(); }
    bool ArpeggiosByRowTick() const { return arpeggiosByRowTick_; }
    // Retunes each sample to the source's pitches for the notes it is struck at.
    void FollowSourcePitch(std::vector<uint32_t> rates, SourcePitch pitch) {
        tuner_.Follow(std::move(rates), pitch, (m_->flags & kModuleFlagLinear) != 0);
    }
    void StartChannelsAt(std::vector<int> pans) { sourcePans_ = std::move(pans); }

private:
    // libxmp pans MOD channels hard; the reference plays them left, right, right, left at a
    // quarter from the edges, as Amiga mixes are usually heard.
    int InitialPan(int track) const {
        if (kind_ == SourceKind::Mod) return (track & 3) == 1 || (track & 3) == 2 ? 0xC0 : 0x40;
        if (track >= x_.chn || !stereo_) return 128;
        // libxmp's S3M pannings step by sixteen and stop at 240.
        if (size_t(track) < sourcePans_.size()) return sourcePans_[size_t(track)];
        return std::clamp(x_.xxc[track].pan, 0, 255);
    }

    bool Header() {
        CopyName(m_->name, x_.name, 31);
        m_->moduleType = kModuleTypeXM;
        int channels = x_.chn;
        if (channels > kMaxChannels) {
            m_->lost[kLossChannels] += uint32_t(channels - kMaxChannels);
            channels = kMaxChannels;
        }
        m_->channelCount = uint8_t(std::max(channels, 1));
        m_->speed = uint8_t(std::clamp(x_.spd, 1, 31));
        speed_ = m_->speed;
        m_->tempo = uint8_t(std::clamp(x_.bpm, 32, 255));
        const int fullVolume = kind_ == SourceKind::IT ? 128 : 64;
        // S3M and IT keep theirs in the stored levels.
        const bool levelStored = kind_ == SourceKind::S3M || kind_ == SourceKind::IT;
        if (x_.gvl < fullVolume && !levelStored) ++m_->lost[kLossGlobalVolume];
        for (int c = 0; c < channels; ++c)
            if (x_.xxc[c].vol != 64) ++m_->lost[kLossChannelSettings];
        return true;
    }

    bool Orders() {
        int length = 0, restart = 0;
        for (int i = 0; i < x_.len && i < XMP_MAX_MOD_LENGTH; ++i) {
            const int pattern = x_.xxo[i];
            if (pattern >= x_.pat || pattern >= kMaxPatterns) continue; // skip and end markers
            if (i == x_.rst) restart = length;
            m_->orders[length++] = uint16_t(pattern);
        }
        if (length == 0) m_->orders[length++] = 0;
        m_->songLength = length;
        m_->restartPosition = restart < length ? restart : 0;
        return true;
    }

    // What channel `t` of source pattern `p` does with the panning: the instrument numbers it
    // strikes before setting one (they carry the panning the pattern is entered at), and the
    // last panning it sets (-1: none, the entry panning passes through).
    struct PanningCourse {
        int carryingCells = 0, lastSet = -1;
    };
    PanningCourse CourseOf(int p, int t) const {
        ChannelMemory memory;
        uint32_t ignored[kLossCount] = {};
        PanningCourse course;
        int pan = 0;
        for (int r = 0; r < std::min(x_.xxp[p]->rows, kMaxRows); ++r) {
            const xmp_event* e = EventAt(*x_.xxp[p], t, r);
            if (!e) continue;
            ImportedCell cell;
            TranslateEvent(*e, kind_, memory, cell, ignored);
            if (FollowPanning(cell, pan))
                course.lastSet = pan;
            else if (course.lastSet < 0 && cell.instrument != kInstrumentNone)
                ++course.carryingCells;
        }
        return course;
    }

    // A pattern's instrument numbers carry the pannings the song first enters it at. Where the
    // song enters it again at other pannings of channels whose numbers carry them, it plays a
    // copy converted from there; with no pattern left for one, those cells are counted.
    bool CopyPatternsEnteredAtOtherPannings(const std::vector<TrackInstruments>& entryInstrument) {
        using Pans = std::array<int, kMaxChannels>;
        const int patterns = std::max(0, std::min<int>(x_.pat, int(carriedPan_.size())));
        std::vector<std::array<PanningCourse, kMaxChannels>> courses(static_cast<size_t>(patterns));
        for (int p = 0; p < patterns; ++p)
            for (int t = 0; x_.xxp[p] && t < m_->channelCount; ++t)
                courses[size_t(p)][size_t(t)] = CourseOf(p, t);
        struct Copy {
            int source, slot;
            Pans pans;
        };
        std::vector<Copy> copies;
        Pans pan;
        for (int t = 0; t < kMaxChannels; ++t) pan[size_t(t)] = InitialPan(t);
        std::vector<std::array<bool, kMaxChannels>> counted(static_cast<size_t>(patterns));
        for (int i = 0; i < m_->songLength; ++i) {
            const int p = m_->orders[i];
            if (p >= patterns || !x_.xxp[p]) continue;
            const auto& course = courses[size_t(p)];
            const auto fits = [&](const Pans& carried) {
                for (int t = 0; t < m_->channelCount; ++t)
                    if (course[size_t(t)].carryingCells > 0 && carried[size_t(t)] != pan[size_t(t)])
                        return false;
                return true;
            };
            if (!fits(carriedPan_[size_t(p)])) {
                const auto copy = std::find_if(copies.begin(), copies.end(), [&](const Copy& c) {
                    return c.source == p && fits(c.pans);
                });
                if (copy != copies.end()) {
                    m_->orders[i] = uint16_t(copy->slot);
                } else if (m_->patternCount < kMaxPatterns) {
                    const int slot = m_->patternCount++;
                    if (!ConvertCopy(p, slot, pan, entryInstrument[size_t(p)])) return false;
                    copies.push_back({p, slot, pan});
                    ++m_->copiedPatterns;
                    m_->orders[i] = uint16_t(slot);
                } else {
                    for (int t = 0; t < m_->channelCount; ++t) {
                        if (carriedPan_[size_t(p)][size_t(t)] == pan[size_t(t)] ||
                            counted[size_t(p)][size_t(t)])
                            continue;
                        counted[size_t(p)][size_t(t)] = true;
                        m_->lost[kLossChannelSettings] += uint32_t(course[size_t(t)].carryingCells);
                    }
                }
            }
            for (int t = 0; t < m_->channelCount; ++t)
                if (course[size_t(t)].lastSet >= 0) pan[size_t(t)] = course[size_t(t)].lastSet;
        }
        return true;
    }

    // Converts source pattern `p` again into `slot`, from the state its first conversion
    // started at but for the pannings. Only the pannings it cannot place are counted anew.
    bool ConvertCopy(int p, int slot, const std::array<int, kMaxChannels>& pans,
                     const TrackInstruments& entryInstrument) {
        const EntryState& entry = entryState_[size_t(p)];
        std::copy_n(entry.memory, kMaxChannels, memory_);
        std::copy_n(entry.volume, kMaxChannels, volume_);
        speed_ = entry.speed;
        std::copy(pans.begin(), pans.end(), channelPan_);
        uint32_t counts[kLossCount];
        std::copy_n(m_->lost, kLossCount, counts);
        copying_ = true;
        const bool done = ConvertPattern(p, slot, entryInstrument);
        copying_ = false;
        counts[kLossChannelSettings] = m_->lost[kLossChannelSettings];
        std::copy_n(counts, kLossCount, m_->lost);
        return done;
    }

    // Follows a row's speed changes into `speed`. With `rewrite`, each arpeggio's parameter is
    // fitted to XM's order where one can be; returns how many cannot.
    static int FitArpeggios(ImportedCell* cells, int tracks, int& speed, bool rewrite) {
        for (int t = 0; t < tracks; ++t)
            if (cells[t].command == kCmdSetSpeed && cells[t].param > 0) speed = cells[t].param;
        int unfit = 0;
        for (int t = 0; t < tracks; ++t) {
            if (cells[t].command != kCmdArpeggio) continue;
            uint8_t param = cells[t].param;
            if (!FitArpeggioOrder(param, speed))
                ++unfit;
            else if (rewrite)
                cells[t].param = param;
        }
        return unfit;
    }

    const xmp_event* EventAt(const xmp_pattern& source, int t, int r) const {
        if (t >= x_.chn) return nullptr;
        const int track = source.index[t];
        if (track < 0 || track >= x_.trk || !x_.xxt[track] || r >= x_.xxt[track]->rows)
            return nullptr;
        return &x_.xxt[track]->event[r];
    }

    // Whether XM's own arpeggio order, with rewritten parameters, plays every arpeggio of the
    // song as the source does. Walks the song as Patterns() does, speeds and memories alike.
    bool ArpeggiosFitXM(int count) const {
        const int tracks = m_->channelCount;
        ChannelMemory memory[kMaxChannels];
        uint32_t ignored[kLossCount] = {};
        int speed = m_->speed;
        for (const int p : PlayOrder(count)) {
            const xmp_pattern* source = p < x_.pat ? x_.xxp[p] : nullptr;
            for (int r = 0; source && r < std::min(source->rows, kMaxRows); ++r) {
                ImportedCell cells[kMaxChannels];
                for (int t = 0; t < tracks; ++t)
                    if (const xmp_event* e = EventAt(*source, t, r))
                        TranslateEvent(*e, kind_, memory[t], cells[t], ignored);
                if (FitArpeggios(cells, tracks, speed, false) > 0) return false;
            }
        }
        return true;
    }

    // Effect memories run in the order the song plays its patterns, so they are followed in
    // that order: patterns as the order list first names them, then the ones it never names.
    std::vector<int> PlayOrder(int count) const {
        std::vector<int> order;
        std::vector<bool> seen(size_t(count), false);
        for (int i = 0; i < m_->songLength; ++i) {
            const int p = m_->orders[i];
            if (p < count && !seen[size_t(p)]) seen[size_t(p)] = true, order.push_back(p);
        }
        for (int p = 0; p < count; ++p)
            if (!seen[size_t(p)]) order.push_back(p);
        return order;
    }

    // What an instrument number in track `t` does besides picking the instrument.
    InstrumentUse Use(int instrument, int t) const {
        InstrumentUse use;
        if (instrument >= x_.ins || x_.xxi[instrument].nsm != 1) return use;
        const xmp_instrument& i = x_.xxi[instrument];
        use.defaultVolume = SampleVolume(i.sub[0]);
        // Impulse Tracker's own instrument and sample pannings are left as they were.
        if (kind_ == SourceKind::Mod || kind_ == SourceKind::S3M)
            use.samplePanning = SamplePanning(instrument);
        const bool plain = !(i.aei.flg & XMP_ENVELOPE_ON) && !(i.pei.flg & XMP_ENVELOPE_ON) &&
                           (kind_ == SourceKind::Mod || kind_ == SourceKind::S3M);
        use.repeatsPlain = plain && pannedCopies_.SourceOf(lastInstrument_[t]) == instrument;
        return use;
    }

    static bool Waves(uint8_t type) {
        constexpr uint8_t kFineVibrato = 0xac; // libxmp's number for it
        return type == 0x04 || type == 0x06 || type == 0x07 || type == kFineVibrato;
    }

    // Whether a vibrato or tremolo plays on the note of row `r` of track `t` before a later note
    // with an instrument number restarts the waveforms in XM. Past the pattern's end, whether the
    // channel plays any anywhere.
    bool WavesFollow(const xmp_track& track, int r, int t) const {
        for (int row = r; row < track.rows; ++row) {
            const xmp_event& e = track.event[row];
            if (row > r && e.note > 0 && e.note <= XMP_MAX_KEYS && e.ins > 0) return false;
            if (Waves(e.fxt) || Waves(e.f2t)) return true;
        }
        return channelWaves_[t];
    }

    void FindChannelWaves() {
        for (int p = 0; p < x_.pat; ++p)
            for (int t = 0; x_.xxp[p] && t < m_->channelCount && t < x_.chn; ++t) {
                const int index = x_.xxp[p]->index[t];
                if (index < 0 || index >= x_.trk || !x_.xxt[index]) continue;
                const xmp_track& track = *x_.xxt[index];
                for (int r = 0; r < track.rows; ++r)
                    if (Waves(track.event[r].fxt) || Waves(track.event[r].f2t))
                        channelWaves_[t] = true;
            }
    }

    // The panning an instrument's sample is given: the source's, or where the source has none
    // (MOD, S3M), the channel panning the instrument is most often struck at, so that those
    // cells need no panning of their own.
    int SamplePanning(int instrument) const {
        if (instrument < int(chosenPan_.size()) && chosenPan_[size_t(instrument)] >= 0)
            return chosenPan_[size_t(instrument)];
        return SourcePanning(x_.xxi[instrument].sub[0]);
    }

    static int SourcePanning(const xmp_subinstrument& sub) {
        return sub.pan < 0 ? 128 : std::clamp(sub.pan, 0, 255);
    }

    // Runs the patterns in play order as Patterns() does, counting the channel panning at each
    // instrument number.
    void ChooseSamplePannings(int count) {
        if (kind_ != SourceKind::Mod && kind_ != SourceKind::S3M) return;
        std::vector<std::array<int64_t, 256>> votes(size_t(std::clamp(x_.ins, 0, kMaxInstruments)));
        for (auto& v : votes) v.fill(0);
        ChannelMemory memory[kMaxChannels];
        int pan[kMaxChannels];
        uint32_t ignored[kLossCount] = {};
        for (int t = 0; t < kMaxChannels; ++t) pan[t] = InitialPan(t);
        for (const int p : PlayOrder(count)) {
            const xmp_pattern* source = p < x_.pat ? x_.xxp[p] : nullptr;
            for (int t = 0; source && t < m_->channelCount && t < x_.chn; ++t) {
                const int index = source->index[t];
                if (index < 0 || index >= x_.trk || !x_.xxt[index]) continue;
                const xmp_track& track = *x_.xxt[index];
                for (int r = 0; r < std::min(track.rows, kMaxRows); ++r) {
                    ImportedCell cell;
                    TranslateEvent(track.event[r], kind_, memory[t], cell, ignored);
                    if (FollowPanning(cell, pan[t]) || cell.instrument >= votes.size() ||
                        x_.xxi[cell.instrument].nsm != 1)
                        continue;
                    // A cell with no room for a panning of its own counts above all others,
                    // and one with room only for the volume column's sixteenths above the rest.
                    const int volume = SampleVolume(x_.xxi[cell.instrument].sub[0]);
                    const PanningRoom room = RoomForPanning(cell, volume);
                    const bool coarse = room == PanningRoom::VolumeColumn &&
                                        !ExactlyInVolumeColumn(pan[t]) &&
                                        (cell.command != 0 || cell.param != 0);
                    votes[cell.instrument][size_t(pan[t])] += room == PanningRoom::None
                                                                  ? int64_t(1) << 32
                                                              : coarse ? int64_t(1) << 16
                                                                       : 1;
                }
            }
        }
        chosenPan_.assign(votes.size(), -1);
        for (size_t i = 0; i < votes.size(); ++i) {
            const auto most = std::max_element(votes[i].begin(), votes[i].end());
            if (*most > 0) chosenPan_[i] = int(most - votes[i].begin());
        }
    }

    static int SampleVolume(const xmp_subinstrument& sub) {
        return std::clamp(int(std::lround(sub.vol * std::clamp(sub.gvl, 0, 64) / 64.0)), 0, 64);
    }

    // The instrument each track of each pattern starts with, where every place the order list
    // plays the pattern agrees on it (-1 where not).
    std::vector<TrackInstruments> EntryInstruments(int count) const {
        constexpr int kUnset = -2;
        TrackInstruments none, unset;
        none.fill(-1);
        unset.fill(kUnset);
        std::vector<TrackInstruments> entry(size_t(count), unset);
        TrackInstruments now = none;
        for (int i = 0; i < m_->songLength; ++i) {
            const int p = m_->orders[i];
            if (p >= count || p >= x_.pat) continue;
            for (int t = 0; t < m_->channelCount && t < x_.chn; ++t) {
                int& at = entry[size_t(p)][t];
                at = at == kUnset || at == now[t] ? now[t] : -1;
                const int track = x_.xxp[p]->index[t];
                if (track < 0 || track >= x_.trk || !x_.xxt[track]) continue;
                for (int r = 0; r < x_.xxt[track]->rows; ++r)
                    if (x_.xxt[track]->event[r].ins > 0) now[t] = x_.xxt[track]->event[r].ins - 1;
            }
        }
        for (TrackInstruments& e : entry)
            for (int& at : e) at = std::max(at, -1);
        return entry;
    }

    // The rewrites that depend on the channel's earlier and later rows.
    void FinishCell(ImportedCell& cell, const xmp_pattern* source, int r, int t) {
        InstrumentUse use = Use(cell.instrument, t);
        if (kind_ == SourceKind::IT) KeepNoteCut(cell, use.defaultVolume, volume_[t], m_->lost);
        if (use.repeatsPlain) SlideWithoutTheNumber(cell, use.defaultVolume);
        const int track = source && t < x_.chn ? source->index[t] : -1;
        if (use.repeatsPlain && cell.note < kNoteKeyOff && track >= 0 && track < x_.trk &&
            x_.xxt[track] && r < x_.xxt[track]->rows)
            use.restartsWaves = WavesFollow(*x_.xxt[track], r, t);
        uint32_t unplaced[kLossCount] = {};
        const ImportedCell uncarried = cell;
        const bool coarse = CarryChannelPanning(cell, channelPan_[t], use, unplaced);
        const bool placed = unplaced[kLossChannelSettings] == 0;
        // A portamento's number resets the panning to the playing sample's, whatever its own.
        if (coarse || !placed) {
            ImportedCell exact = uncarried;
            if (!Slides(exact) && StrikePannedCopy(exact, channelPan_[t]))
                cell = exact;
            else if (!placed)
                ++m_->lost[kLossChannelSettings];
        }
        if (cell.instrument != kInstrumentNone) lastInstrument_[t] = cell.instrument;
    }

    // The number on a tone portamento to the playing instrument only resets the volume in the
    // source formats. XM's resets the panning to the playing sample's and restarts a vibrato
    // too, so the cell sets the volume itself instead (autonom.s3m's channel 7).
    static void SlideWithoutTheNumber(ImportedCell& cell, int defaultVolume) {
        if (!Slides(cell) || cell.instrument == kInstrumentNone || cell.note == kNoteKeyOff) return;
        if (cell.volume == kVolumeNone && defaultVolume >= 0) cell.volume = uint8_t(defaultVolume);
        if (cell.volume <= 64) cell.instrument = kInstrumentNone;
    }

    static bool Slides(const ImportedCell& cell) {
        constexpr uint8_t kPortaColumn = 0xF0 - 16; // as the cell holds the volume column
        return cell.command == kCmdTonePorta || cell.command == kCmdTonePortaVolSlide ||
               (cell.volume >= kPortaColumn && cell.volume < kPortaColumn + 16);
    }

    void WriteCell(PatternRecord& pattern, int r, int t, const ImportedCell& cell) {
        uint8_t* bytes = pattern.data + size_t(r) * RowStride(m_->channelCount) + t * kCellSize;
        bytes[kCellNote] = cell.note;
        bytes[kCellInstrument] = cell.instrument;
        bytes[kCellVolume] = cell.volume;
        bytes[kCellCommand] = cell.command;
        bytes[kCellParam] = cell.param;
    }

    // Cells of single-sample MOD and S3M instruments only: an IT instrument's samples may each
    // have their own panning.
    bool StrikePannedCopy(ImportedCell& cell, int pan) {
        const int source = cell.instrument;
        if ((kind_ != SourceKind::Mod && kind_ != SourceKind::S3M) ||
            source >= SourceInstruments() || x_.xxi[source].nsm != 1)
            return false;
        const int copy = pannedCopies_.Strike(source, pan);
        if (copy < 0) return false;
        cell.instrument = uint8_t(copy);
        return true;
    }

    // The source's instruments an XM takes; copies come after them.
    int SourceInstruments() const { return std::clamp(x_.ins, 0, kMaxInstruments - 1); }

    void CountStrike(const ImportedCell& cell, int t) {
        const int instrument = pannedCopies_.SourceOf(lastInstrument_[t]);
        if (!tuner_.Following() || cell.note >= kNoteKeyOff || instrument < 0 ||
            instrument >= x_.ins)
            return;
        const int note = (cell.note >> 4) * 12 + (cell.note & 0x0F);
        if (note >= kNoteCount) return;
        const int slot = x_.xxi[instrument].map[note + 12].ins;
        if (slot < 0 || slot >= std::min(x_.xxi[instrument].nsm, kMaxSamples)) return;
        tuner_.Strike(instrument, slot, note);
    }

    // XM pitches a note through the sample the instrument's keyboard names; notes one tuning
    // plays audibly off the source get a copy of their sample tuned for them.
    bool AddTunedCopies(int instrument, int samples, InstrumentRecord& target) {
        for (int s = 0; s < samples; ++s) {
            const size_t room = size_t(kMaxSamples - target.sampleCount);
            const int sid = x_.xxi[instrument].sub[s].sid;
            for (const NoteTuning& own :
                 tuner_.Copies(instrument, s, sid, *target.samples[s], room)) {
                SampleRecord* copy = SNDcopySample(*target.samples[s]);
                if (!copy) return false;
                SetTuning(*copy, own.tuning);
                NameTunedCopy(copy->name, own.notes.front());
                const int slot = target.sampleCount++;
                target.samples[slot] = copy;
                ++m_->sampleCount;
                ++m_->copiedSamples;
                for (const int note : own.notes) target.keyboardMap[note] = uint8_t(slot);
            }
        }
        return true;
    }

    bool Patterns() {
        const int count = std::clamp(x_.pat, 1, kMaxPatterns);
        const int tracks = m_->channelCount;
        m_->patternCount = count;
        const std::vector<TrackInstruments> entryInstrument = EntryInstruments(count);
        FindChannelWaves();
        ChooseSamplePannings(count);
        // Where XM's order cannot play them all, the song plays its arpeggios by the source's.
        arpeggiosByRowTick_ = kind_ != SourceKind::Other && !ArpeggiosFitXM(count);
        // The source keeps a channel's panning from one pattern to the next, as the memories.
        for (int t = 0; t < tracks; ++t) channelPan_[t] = InitialPan(t);
        carriedPan_.assign(size_t(count), {});
        entryState_.assign(size_t(count), {});
        for (const int p : PlayOrder(count)) {
            EntryState& entry = entryState_[size_t(p)];
            std::copy_n(memory_, kMaxChannels, entry.memory);
            std::copy_n(volume_, kMaxChannels, entry.volume);
            entry.speed = speed_;
            std::copy_n(channelPan_, kMaxChannels, carriedPan_[size_t(p)].begin());
            if (!ConvertPattern(p, p, entryInstrument[size_t(p)])) return false;
        }
        return CopyPatternsEnteredAtOtherPannings(entryInstrument);
    }

    bool ConvertPattern(int p, int slot, const TrackInstruments& entryInstrument) {
        const int tracks = m_->channelCount;
        const xmp_pattern* source = p < x_.pat ? x_.xxp[p] : nullptr;
        int rows = source ? source->rows : 64;
        if (rows > kMaxRows) {
            m_->lost[kLossRows] += uint32_t(rows - kMaxRows);
            rows = kMaxRows;
        }
        rows = std::max(rows, 1);
        auto* pattern = static_cast<PatternRecord*>(PLYRmemAlloc(UnpackedPatternSize(tracks)));
        if (!pattern) return false;
        pattern->word0 = kUnpackedTag | uint32_t(tracks);
        pattern->rowCount = rows;
        m_->patterns[slot] = pattern;
        for (int t = 0; t < tracks; ++t) lastInstrument_[t] = entryInstrument[size_t(t)];
        swaps_.StartPattern();
        for (int r = 0; r < kMaxRows; ++r) {
            ImportedCell cells[kMaxChannels];
            for (int t = 0; source && r < rows && t < tracks; ++t)
                if (const xmp_event* e = EventAt(*source, t, r))
                    TranslateEvent(*e, kind_, memory_[t], cells[t], m_->lost);
            if (kind_ != SourceKind::Other)
                FitArpeggios(cells, tracks, speed_, !arpeggiosByRowTick_);
            for (int t = 0; t < tracks; ++t) {
                const ImportedCell& cell = cells[t];
                // The channel's last number names the playing sample, as the switch counts.
                if (kind_ == SourceKind::Mod)
                    swaps_.Carry(cells[t], t, pannedCopies_.SourceOf(lastInstrument_[t]),
                                 m_->lost[kLossSampleSwaps]);
                FinishCell(cells[t], source, r, t);
                if (!copying_) CountStrike(cell, t);
                WriteCell(*pattern, r, t, cell);
            }
        }
        return PLYRcompressPattern(m_, slot);
    }

    bool Sample(const xmp_subinstrument& sub, SampleRecord* target) {
        target->volume = SampleVolume(sub);
        target->panning = SourcePanning(sub);
        int finetune = sub.fin, relativeNote = sub.xpo;
        if (kind_ == SourceKind::Mod) {
            // An XM's Amiga periods run on a clock 0.9 % faster than the PAL Amiga's a MOD is
            // played at.
            finetune += kPalClockFinetune;
        }
        // The nearest semitone: the XM tracker's Amiga periods run up to 12 cents off for a
        // finetune near a whole semitone up, where it crosses into the next note's periods.
        while (finetune > 63) finetune -= 128, ++relativeNote;
        while (finetune < -64) finetune += 128, --relativeNote;
        target->relativeNote = std::clamp(relativeNote, -96, 95);
        target->finetune = std::clamp(finetune, -128, 127);
        if (sub.sid < 0 || sub.sid >= x_.smp) return true;
        const xmp_sample& source = x_.xxs[sub.sid];
        CopyName(target->name, source.name, 22);
        if ((source.flg & XMP_SAMPLE_SYNTH) || !source.data || source.len <= 0) return true;
        const bool wide = source.flg & XMP_SAMPLE_16BIT;
        const int frames = source.len;
        target->format = wide ? kSampleFormat16 : kSampleFormat8;
        target->length = frames * (wide ? 2 : 1);
        target->data = static_cast<uint8_t*>(PLYRmemAlloc(size_t(target->length)));
        if (!target->data) return false;
        if (wide) {
            std::memcpy(target->data, source.data, size_t(target->length));
        } else {
            for (int i = 0; i < frames; ++i) target->data[i] = uint8_t(source.data[i] + 128);
        }
        if (source.flg & XMP_SAMPLE_SLOOP) ++m_->lost[kLossSustainLoops];
        const int start = std::clamp(source.lps, 0, frames),
                  end = std::clamp(source.lpe, 0, frames);
        if ((source.flg & XMP_SAMPLE_LOOP) && end > start) {
            target->loopType = (source.flg & XMP_SAMPLE_LOOP_BIDIR) ? kLoopPingPong : kLoopForward;
            target->loopStart = start;
            target->loopEnd = end;
        }
        return true;
    }

    bool Instruments() {
        const int count = SourceInstruments();
        for (int i = 0; i < count; ++i) {
            const xmp_instrument& source = x_.xxi[i];
            InstrumentRecord* target = SNDallocInstrument();
            if (!target) return false;
            m_->instruments[i] = target;
            m_->instrumentCount = i + 1;
            CopyName(target->name, source.name, 22);
            target->fadeOut = uint16_t(std::clamp(source.rls / 2, 0, 0xFFFF));
            ConvertEnvelope(source.aei, *target->volumeEnvelope, false, m_->lost);
            ConvertEnvelope(source.pei, *target->panningEnvelope, kind_ == SourceKind::IT,
                            m_->lost);
            if (kind_ == SourceKind::IT && target->volumeEnvelope->pointCount == 0)
                HoldUntilReleased(*target->volumeEnvelope);

            int samples = std::max(source.nsm, 0);
            if (samples > kMaxSamples) {
                m_->lost[kLossSamples] += uint32_t(samples - kMaxSamples);
                samples = kMaxSamples;
            }
            bool transposed = false;
            for (int n = 0; n < kNoteCount; ++n) {
                const int key = n + 12;
                const int slot = source.map[key].ins;
                target->keyboardMap[n] = uint8_t(slot < samples ? slot : 0);
                transposed |= slot < samples && source.map[key].xpo != 0;
            }
            if (transposed) ++m_->lost[kLossNoteMapTranspose];
            for (int s = 0; s < samples; ++s) {
                SampleRecord* sample = SNDallocSample();
                if (!sample) return false;
                target->samples[s] = sample;
                target->sampleCount = s + 1;
                ++m_->sampleCount;
                if (!Sample(source.sub[s], sample)) return false;
                tuner_.Retune(i, s, source.sub[s].sid, *sample);
            }
            if (!AddTunedCopies(i, samples, *target)) return false;
            if (source.nsm == 1 && samples == 1)
                for (int s = 0; s < target->sampleCount; ++s)
                    target->samples[s]->panning = SamplePanning(i);
            if (samples > 0) {
                target->vibratoType = uint8_t(std::clamp(source.sub[0].vwf, 0, 3));
                target->vibratoDepth = uint8_t(std::clamp(source.sub[0].vde, 0, 15));
                target->vibratoRate = uint8_t(std::clamp(source.sub[0].vra, 0, 63));
                target->vibratoSweep = uint8_t(std::clamp(source.sub[0].vsw, 0, 255));
            }
        }
        return pannedCopies_.AddTo(*m_);
    }

    // The state a pattern's first conversion starts at, for the copies of it.
    struct EntryState {
        ChannelMemory memory[kMaxChannels];
        ChannelVolume volume[kMaxChannels];
        int speed = 6;
    };

    const xmp_module& x_;
    ModuleRecord* m_;
    SourceKind kind_;
    bool stereo_;
    ChannelMemory memory_[kMaxChannels];
    ChannelVolume volume_[kMaxChannels];
    int speed_ = 6;
    bool arpeggiosByRowTick_ = false;
    int lastInstrument_[kMaxChannels];
    ModSampleSwaps swaps_;
    int channelPan_[kMaxChannels];
    bool channelWaves_[kMaxChannels] = {};
    std::vector<int> chosenPan_;  // per instrument, -1 where the source's panning stands
    std::vector<int> sourcePans_; // each channel's first panning, where the file's header says
    SourceTuner tuner_;
    std::vector<std::array<int, kMaxChannels>> carriedPan_; // each pattern's, as converted
    std::vector<EntryState> entryState_;                    // by source pattern
    PannedCopies pannedCopies_;
    bool copying_ = false;
};

} // namespace

ModuleRecord* ImportWithXmp(const uint8_t* data, size_t size, const std::string& fileName) {
    Context ctx(xmp_create_context());
    if (!ctx) {
        SNDfail(kSndErrMemory, fileName + ": out of memory");
        return nullptr;
    }
    if (xmp_load_module_from_memory(ctx.get(), data, long(size)) != 0) {
        SNDfail(kSndErrFormat, fileName + ": not a module of a kind this program reads");
        return nullptr;
    }
    xmp_module_info info;
    xmp_get_module_info(ctx.get(), &info);
    if (!info.mod) {
        SNDfail(kSndErrCorrupt, fileName + ": the module could not be read");
        return nullptr;
    }
    ModulePtr module(static_cast<ModuleRecord*>(PLYRmemAlloc(sizeof(ModuleRecord))));
    if (!module) return nullptr;
    xmp_test_info format{};
    xmp_test_module_from_memory(data, long(size), &format);
    SourceKind kind;
    const std::string origin = FileKindOf(data, size, format.type, kind);
    std::memcpy(module->origin, origin.data(), std::min(origin.size(), sizeof module->origin - 1));
    std::memcpy(module->tracker, info.mod->type,
                strnlen(info.mod->type, sizeof module->tracker - 1));
    if (LinearFrequencies(data, size, kind)) module->flags |= kModuleFlagLinear;
    Importer importer(*info.mod, module.get(), kind, Stereo(data, size, kind));
    importer.FollowSourcePitch(SourceSampleRates(data, size, kind), PitchOf(data, size, kind));
    if (kind == SourceKind::S3M) {
        importer.StartChannelsAt(S3MChannelPans(data, size));
        FollowS3MEffects(data, size, *info.mod, *module);
    }
    if (!importer.Build()) {
        SNDfail(kSndErrMemory, fileName + ": out of memory while importing");
        return nullptr;
    }
    // Only the 31-sample layout, which a four-character tag at 1080 marks.
    if (kind == SourceKind::Mod && size > 1084 && std::isprint(data[1080]) &&
        std::isprint(data[1083]))
        module->lost[kLossSilentSlides] =
            CountSilentModSlides(data, size, info.mod->chn, info.mod->pat);
    if (kind == SourceKind::Mod) KeepProTrackerPeriodLimits(*module);
    StoreLevels(data, size, kind, module.get());
    DecidePlayBehaviour(*module, StoredPlaySettings{});
    // Sample speeds and the PAL clock fall between the XM tracker's sixteenths of a semitone.
    if (kind != SourceKind::Other) module->playBehaviour |= kPlayFullFinetune;
    if (importer.ArpeggiosByRowTick()) module->playBehaviour |= kPlayArpeggioByRowTick;
    if (kind == SourceKind::Mod) module->playBehaviour |= kPlayVolumeSlidesStep;
    if (kind == SourceKind::S3M || kind == SourceKind::IT)
        module->playBehaviour |= kPlayVibratoFirstTick;
    return module.release();
}
