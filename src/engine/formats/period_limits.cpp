#include "engine/formats/period_limits.h"

#include "engine/effect_catalogue.h"
#include "engine/player/period_tables.h"
#include "engine/records.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

namespace {

constexpr int kHighest = 113, kLowest = 856; // ProTracker's B-3 and C-1
// Stopped at 113, the reference plays B-3 as its note table has it, at PAL clock / 113.25
// (measured), a little lower than at period 113 itself.
constexpr double kHighestPitch = 113.25;
// XM's Amiga periods run on the NTSC clock (8363 Hz × 1712 = 4 × 3579364 Hz); the import tunes
// samples to the PAL clock a MOD plays at, so an XM period is four times this many times
// ProTracker's.
constexpr double kClockRatio = 8363.0 * 1712.0 / (4.0 * 3546895.0);

// One channel's period as ProTracker has it, and as the XM copy has it.
struct Channel {
    bool known = false;
    int pt = 0, xm = 0;
    bool aimed = false; // a tone portamento target is set
    int ptTarget = 0, xmTarget = 0;
    int portaSpeed = 0;
    int instrument = -1;
};

struct Slide {
    uint8_t command, param;
};

struct Decision {
    Slide first;
    bool conflict = false;
};

class Follower {
public:
    explicit Follower(ModuleRecord& m) : m_(m) {}

    void Run() {
        for (int p = 0; p < m_.patternCount; ++p)
            if (m_.patterns[p] && !PatternIsUnpacked(m_.patterns[p]) &&
                !PLYRdecompressPattern(&m_, p))
                return;
        Walk();
        for (auto& [at, d] : decisions_) {
            uint8_t* c = Cell(std::get<0>(at), std::get<1>(at), std::get<2>(at));
            if (d.conflict) {
                ++m_.lost[kLossPeriodLimits];
                continue;
            }
            c[kCellCommand] = d.first.command;
            c[kCellParam] = d.first.param;
        }
        for (int p = 0; p < m_.patternCount; ++p)
            if (m_.patterns[p]) PLYRcompressPattern(&m_, p);
    }

private:
    uint8_t* Cell(int p, int r, int t) {
        return m_.patterns[p]->data + size_t(r) * RowStride(m_.channelCount) + t * kCellSize;
    }

    // The order list as it plays: pattern breaks and forward jumps followed, ending at the first
    // jump back.
    void Walk() {
        int speed = std::max<int>(m_.speed, 1);
        int start = 0;
        for (int i = 0; i < m_.songLength;) {
            const int p = m_.orders[i];
            if (p >= m_.patternCount || !m_.patterns[p]) return;
            const int rows = m_.patterns[p]->rowCount;
            int next = i + 1, nextStart = 0;
            bool leave = false;
            for (int r = std::min(start, rows - 1); r < rows && !leave; ++r) {
                int delay = 0;
                for (int t = 0; t < m_.channelCount; ++t) {
                    const uint8_t* c = Cell(p, r, t);
                    if (c[kCellCommand] == kCmdSetSpeed && c[kCellParam] > 0) speed = c[kCellParam];
                    if (c[kCellCommand] == kCmdPatternDelay && c[kCellParam] > 0) delay = 1;
                    if (c[kCellCommand] == kCmdPatternBreak) {
                        leave = true;
                        nextStart = (c[kCellParam] >> 4) * 10 + (c[kCellParam] & 0x0F);
                    }
                    if (c[kCellCommand] == kCmdPositionJump) {
                        leave = true;
                        next = c[kCellParam] > i ? c[kCellParam] : m_.songLength;
                    }
                }
                for (int t = 0; t < m_.channelCount && t < kMaxChannels; ++t)
                    Step(p, r, t, speed, delay != 0);
            }
            i = next;
            start = nextStart;
        }
    }

    void Step(int p, int r, int t, int speed, bool delayed) {
        Channel& ch = channels_[t];
        const uint8_t* c = Cell(p, r, t);
        const uint8_t command = c[kCellCommand], param = c[kCellParam];
        const bool porta = command == kCmdTonePorta || command == kCmdTonePortaVolSlide;
        if (c[kCellInstrument] != kInstrumentNone) ch.instrument = c[kCellInstrument];
        if (c[kCellNote] < kNoteKeyOff) Note(ch, c[kCellNote], porta);
        // Delayed rows and finetune changes move the period in ways not followed here.
        if (delayed || command == kCmdSetFinetune || command == kCmdNoteDelay) ch.known = false;
        if (command == kCmdTonePorta && param) ch.portaSpeed = param;
        const int ticks = speed - 1;
        if (porta && ch.known && ch.aimed) {
            const int move = ticks * ch.portaSpeed;
            ch.pt = Toward(ch.pt, ch.ptTarget, move);
            ch.xm = Toward(ch.xm, ch.xmTarget, 4 * move);
        }
        const bool up = command == kCmdPortaUp || command == kCmdFinePortaUp;
        const bool down = command == kCmdPortaDown || command == kCmdFinePortaDown;
        if (!up && !down) return;
        const bool fine = command == kCmdFinePortaUp || command == kCmdFinePortaDown;
        Slide result{command, param};
        if (ch.known) result = Fit(ch, up, fine ? 1 : ticks, fine, param);
        Decide(p, r, t, result);
    }

    static int Toward(int from, int to, int by) {
        return from < to ? std::min(from + by, to) : std::max(from - by, to);
    }

    void Note(Channel& ch, uint8_t note, bool porta) {
        ch.aimed = false;
        if (ch.instrument < 0 || ch.instrument >= m_.instrumentCount ||
            !m_.instruments[ch.instrument]) {
            ch.known = false;
            return;
        }
        const InstrumentRecord& ins = *m_.instruments[ch.instrument];
        const int index = (note >> 4) * 12 + (note & 0x0F);
        if (index < 0 || index >= kNoteCount) {
            ch.known = false;
            return;
        }
        const int slot = ins.keyboardMap ? ins.keyboardMap[index] : 0;
        if (slot >= ins.sampleCount || !ins.samples[slot]) {
            ch.known = false;
            return;
        }
        const SampleRecord& s = *ins.samples[slot];
        const int period = NotePeriod(false, index + s.relativeNote, s.finetune, true);
        const int pt = int(std::lround(period / (4 * kClockRatio)));
        if (porta) {
            ch.aimed = true;
            ch.ptTarget = pt;
            ch.xmTarget = period;
            return;
        }
        ch.known = true;
        ch.pt = pt;
        ch.xm = period;
    }

    // The slide that moves the copy as ProTracker moves the original: as written while within
    // the limits, else just up to where ProTracker stops. What a coarser slide cannot reach is
    // left to the next slide rows, which ProTracker spends at the limit.
    static Slide Fit(Channel& ch, bool up, int ticks, bool fine, uint8_t amount) {
        const int sign = up ? -1 : 1;
        const int moved = ch.pt + sign * ticks * amount;
        const uint8_t command = up ? (fine ? kCmdFinePortaUp : kCmdPortaUp)
                                   : (fine ? kCmdFinePortaDown : kCmdPortaDown);
        if (up ? moved >= kHighest : moved <= kLowest) {
            ch.pt = moved;
            ch.xm += sign * 4 * ticks * amount;
            return {command, amount};
        }
        ch.pt = up ? kHighest : kLowest;
        const int limit = int(std::lround((up ? kHighestPitch : kLowest) * 4 * kClockRatio));
        const int wanted = up ? ch.xm - limit : limit - ch.xm;
        Slide out{0, 0};
        int by = 0;
        if (wanted <= 0) return out;
        if (!fine && ticks > 0 && wanted >= 4 * ticks) {
            const int step = std::min(wanted / (4 * ticks), 255);
            out = {command, uint8_t(step)};
            by = 4 * step * ticks;
        } else if (wanted >= 4) {
            const int step = std::min(wanted / 4, 15);
            out = {up ? uint8_t(kCmdFinePortaUp) : uint8_t(kCmdFinePortaDown), uint8_t(step)};
            by = 4 * step;
        } else {
            out = {up ? uint8_t(kCmdExtraFinePortaUp) : uint8_t(kCmdExtraFinePortaDown),
                   uint8_t(wanted)};
            by = wanted;
        }
        ch.xm += sign * by;
        return out;
    }

    // A cell reached more than once keeps one rewrite only where all its visits agree.
    void Decide(int p, int r, int t, Slide result) {
        const auto key = std::make_tuple(p, r, t);
        const auto found = decisions_.find(key);
        if (found == decisions_.end()) {
            decisions_[key] = Decision{result, false};
            return;
        }
        Decision& d = found->second;
        if (d.first.command != result.command || d.first.param != result.param) d.conflict = true;
    }

    ModuleRecord& m_;
    Channel channels_[kMaxChannels];
    std::map<std::tuple<int, int, int>, Decision> decisions_;
};

} // namespace

void KeepProTrackerPeriodLimits(ModuleRecord& m) {
    Follower(m).Run();
}
