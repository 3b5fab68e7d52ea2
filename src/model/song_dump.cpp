#include "model/song_dump.h"

#include "model/names.h"
#include "model/notes.h"
#include "model/song.h"

#include <cstdio>
#include <sstream>

namespace {

std::string Hex2(int v) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", v & 0xFF);
    return text;
}

std::string Quoted(const std::string& s) {
    return QuotedText(s, TextQuoting::Dump);
}

// 64-bit FNV-1a of the sample's bytes.
std::string Checksum(const SampleRecord* sample) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (int32_t i = 0; sample->data && i < sample->length; ++i) {
        h ^= sample->data[i];
        h *= 0x100000001b3ull;
    }
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::string CellText(const TCell& c) {
    std::string s = c.note == kNoteNone ? "..." : NoteName(c.note);
    s += ' ';
    s += c.instrument == kInstrumentNone ? ".." : Hex2(c.instrument);
    s += ' ';
    s += c.volume == kVolumeNone ? ".." : Hex2(c.volume + 16);
    s += ' ';
    if (c.command == 0 && c.param == 0)
        s += "..:..";
    else {
        char command[8];
        std::snprintf(command, sizeof command, "%02d:", c.command);
        s += command + Hex2(c.param);
    }
    return s;
}

void DumpEnvelope(std::ostream& out, const char* label, const TEnvelope* envelope) {
    out << "  " << label;
    if (!envelope) {
        out << " none\n";
        return;
    }
    const EnvelopeRecord* r = envelope->Record();
    out << " points " << int(r->pointCount) << " sustain " << int(r->sustainPoint) << " loop "
        << int(r->loopStart) << ' ' << int(r->loopEnd) << " kept " << int(r->savedPointCount) << ' '
        << int(r->savedSustain) << ' ' << int(r->savedLoopStart) << ' ' << int(r->savedLoopEnd)
        << " :";
    const int shown = std::max(r->pointCount, r->savedPointCount);
    for (int i = 0; i < shown && i < kMaxEnvelopePoints; ++i)
        out << ' ' << r->points[i].tick << ',' << r->points[i].value;
    out << '\n';
}

} // namespace

std::string DumpSong(TSong& song) {
    const ModuleRecord* m = song.Module();
    std::ostringstream out;
    out << "module " << Quoted(song.Name()) << '\n'
        << "  channels " << song.ChannelCount() << '\n'
        << "  song_length " << song.SongLength() << '\n'
        << "  restart " << song.RestartPosition() << '\n'
        << "  speed " << song.Speed() << '\n'
        << "  tempo " << song.Tempo() << '\n'
        << "  linear " << (song.LinearFrequencies() ? 1 : 0) << '\n'
        << "  orders";
    for (int p = 0; p < song.SongLength(); ++p) out << ' ' << song.Orders(p);
    out << "\n  patterns " << song.PatternCount() << "\n  instruments " << song.InstrumentCount()
        << "\n  samples " << m->sampleCount << '\n';

    for (int p = 0; p < song.PatternCount(); ++p) {
        TPattern* pattern = song.Patterns(p);
        out << "pattern " << p << " rows " << pattern->RowCount() << '\n';
        for (int r = 0; r < pattern->RowCount(); ++r) {
            out << "  " << Hex2(r);
            for (int t = 0; t < pattern->TrackCount(); ++t)
                out << " | " << CellText(pattern->GetCell(t, r));
            out << '\n';
        }
    }

    for (int i = 0; i < song.InstrumentCount(); ++i) {
        TInstrument* instrument = song.Instruments(i);
        out << "instrument " << Hex2(i) << ' ' << Quoted(instrument->Name()) << '\n'
            << "  samples " << instrument->SampleCount() << " fadeout " << instrument->FadeOut()
            << " vibrato " << instrument->VibratoType() << ' ' << instrument->VibratoSweep() << ' '
            << instrument->VibratoDepth() << ' ' << instrument->VibratoRate() << '\n'
            << "  keymap";
        for (int n = 0; n < kNoteCount; ++n) out << ' ' << instrument->NoteSample(n);
        out << '\n';
        DumpEnvelope(out, "volume_envelope", instrument->VolumeEnvelope());
        DumpEnvelope(out, "panning_envelope", instrument->PanningEnvelope());
        for (int s = 0; s < instrument->SampleCount(); ++s) {
            TSample* sample = instrument->Samples(s);
            out << "  sample " << s << ' ' << Quoted(sample->Name()) << " bits " << sample->Bits()
                << " frames " << sample->Length() << " loop " << sample->LoopType() << ' '
                << sample->LoopStart() << ' ' << sample->LoopEnd() << " volume " << sample->Volume()
                << " panning " << sample->Panning() << " base_note " << sample->BaseNote()
                << " finetune " << sample->FineTune() << " data " << Checksum(sample->Record())
                << '\n';
        }
    }
    return out.str();
}
