#include "model/xm_writer.h"

#include "engine/effect_catalogue.h"
#include "engine/formats/play_behaviour.h"
#include "engine/formats/xm_cell.h"
#include "model/errors.h"
#include "model/notes.h"
#include "model/safe_file.h"
#include "model/song.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr char kTrackerName[] = "Cantorwright 0.1a   ";
static_assert(sizeof kTrackerName - 1 == 20);
constexpr uint16_t kVersion = 0x0104;
constexpr uint8_t kXMSetPanning = 0x08;

std::string CellPlace(int pattern, int row, int track) {
    return "pattern " + std::to_string(pattern) + " row " + std::to_string(row) + " track " +
           std::to_string(track + 1);
}

// The XM note of a cell's note byte. XM has no room for C-8 (its 97 is key off), so such a note
// is refused rather than turned into a key off or moved to another pitch.
uint8_t XMNote(uint8_t note, int pattern, int row, int track) {
    if (XMNoteFits(note)) return XMNoteOf(note);
    throw ESongError(CellPlace(pattern, row, track) + " holds the note " + NoteName(note) +
                     ", which an XM file cannot store (the highest is B-7)");
}

// The XM effect and parameter of a command; false when the command has no XM form.
bool XMEffect(uint8_t command, uint8_t param, uint8_t& effect, uint8_t& xmParam) {
    if (command == kCmdNone || command == kCmdSync || command >= kEffectCount) return false;
    if (command == kCmdSetPanning16) {
        effect = kXMSetPanning;
        xmParam = uint8_t(std::min<int>(param, 15) * 17);
        return true;
    }
    const EffectInfo& info = EffectInfoOf(command);
    effect = info.xmEffect;
    // The sub-command lives in the high nibble of extended effects' parameter.
    xmParam = (effect == 0x0E || effect == 0x21) ? uint8_t((param & 0x0F) | info.xmOr) : param;
    return true;
}

// The fields of a cell as the file stores them, and which of them the file holds.
uint8_t ToXMCell(const TCell& cell, XMCell& xm, int pattern, int row, int track) {
    uint8_t present = 0;
    if (cell.note != kNoteNone) {
        xm.fields[XMCell::kNote] = XMNote(cell.note, pattern, row, track);
        present |= 1 << XMCell::kNote;
    }
    if (cell.instrument != kInstrumentNone) {
        xm.fields[XMCell::kInstrument] = XMInstrumentOf(cell.instrument);
        present |= 1 << XMCell::kInstrument;
    }
    if (cell.volume != kVolumeNone) {
        xm.fields[XMCell::kVolume] = XMVolumeOf(cell.volume);
        present |= 1 << XMCell::kVolume;
    }
    if (XMEffect(cell.command, cell.param, xm.fields[XMCell::kEffect], xm.fields[XMCell::kParam])) {
        present |= 1 << XMCell::kEffect;
        if (xm.fields[XMCell::kParam] != 0) present |= 1 << XMCell::kParam;
    }
    return present;
}

void WritePattern(ByteWriter& out, const TPattern& pattern, int number) {
    out.U32(kXMPatternHeaderSize);
    out.U8(0);
    out.U16(uint32_t(pattern.RowCount()));
    const size_t sizeAt = out.Size();
    out.U16(0);
    const size_t dataStart = out.Size();
    for (int row = 0; row < pattern.RowCount(); ++row) {
        for (int track = 0; track < pattern.TrackCount(); ++track) {
            XMCell xm;
            const uint8_t present = ToXMCell(pattern.GetCell(track, row), xm, number, row, track);
            uint8_t packed[1 + XMCell::kFieldCount];
            out.Raw(packed, PackXMCell(xm, present, packed));
        }
    }
    out.PatchU16(sizeAt, uint32_t(out.Size() - dataStart));
}

void WriteEnvelopePoints(ByteWriter& out, const TEnvelope* envelope) {
    if (!envelope) return out.Zeros(4 * kMaxEnvelopePoints);
    for (const EnvelopePoint& p : envelope->Record()->points) {
        out.U16(p.tick);
        out.U16(uint16_t(p.value));
    }
}

// A switched-off envelope stores its kept point count: the type byte already says it is off,
// and the user's points come back after a reload.
uint8_t StoredPointCount(const TEnvelope* envelope) {
    if (!envelope) return 0;
    return uint8_t(envelope->Enabled() ? envelope->PointCount() : envelope->SavedPointCount());
}

void WriteKeptPoints(ByteWriter& out, const TEnvelope* envelope) {
    if (!envelope) return out.Zeros(3);
    out.U8(uint32_t(envelope->SustainPoint()));
    out.U8(uint32_t(envelope->LoopStart()));
    out.U8(uint32_t(envelope->LoopEnd()));
}

uint8_t EnvelopeType(const TEnvelope* envelope) {
    if (!envelope) return 0;
    return uint8_t((envelope->Enabled() ? 1 : 0) | (envelope->SustainEnabled() ? 2 : 0) |
                   (envelope->LoopEnabled() ? 4 : 0));
}

// The data bytes a sample stores: whole frames only.
uint32_t StoredBytes(const TSample& sample) {
    if (!sample.Record()->data || sample.ByteLength() <= 0) return 0;
    return uint32_t(sample.Length()) * uint32_t(sample.BytesPerSample());
}

void WriteInstrument(ByteWriter& out, const TInstrument& instrument) {
    const int samples = instrument.SampleCount();
    out.U32(samples ? kXMInstrumentHeaderSize : kXMEmptyInstrumentHeaderSize);
    out.Name(instrument.Record()->name, kNameSize, 22);
    out.U8(0);
    out.U16(uint32_t(samples));
    if (samples == 0) return;
    out.U32(kXMSampleHeaderSize);
    WriteInstrumentSettings(out, instrument);
    out.Zeros(22);
    WriteSampleHeaders(out, instrument);
    WriteSampleData(out, instrument);
}

} // namespace

void WriteInstrumentSettings(ByteWriter& out, const TInstrument& instrument) {
    const InstrumentRecord* r = instrument.Record();
    if (r->keyboardMap)
        out.Raw(r->keyboardMap, kNoteCount);
    else
        out.Zeros(kNoteCount);
    const TEnvelope* volume = instrument.VolumeEnvelope();
    const TEnvelope* panning = instrument.PanningEnvelope();
    WriteEnvelopePoints(out, volume);
    WriteEnvelopePoints(out, panning);
    out.U8(StoredPointCount(volume));
    out.U8(StoredPointCount(panning));
    WriteKeptPoints(out, volume);
    WriteKeptPoints(out, panning);
    out.U8(EnvelopeType(volume));
    out.U8(EnvelopeType(panning));
    out.U8(r->vibratoType);
    out.U8(r->vibratoSweep);
    out.U8(r->vibratoDepth);
    out.U8(r->vibratoRate);
    out.U16(r->fadeOut);
}

void WriteSampleHeaders(ByteWriter& out, const TInstrument& instrument) {
    for (int s = 0; s < instrument.SampleCount(); ++s) {
        const TSample& sample = *instrument.Samples(s);
        const SampleRecord* r = sample.Record();
        const uint32_t bytes = StoredBytes(sample);
        const uint32_t frames = bytes / uint32_t(sample.BytesPerSample());
        // Records count loops in frames, the file in bytes; a loop is kept inside the data.
        const uint32_t loopStart = uint32_t(std::clamp<int64_t>(r->loopStart, 0, frames));
        const uint32_t loopEnd = uint32_t(std::clamp<int64_t>(r->loopEnd, loopStart, frames));
        out.U32(bytes);
        out.U32(loopStart * uint32_t(sample.BytesPerSample()));
        out.U32((loopEnd - loopStart) * uint32_t(sample.BytesPerSample()));
        out.U8(uint32_t(r->volume));
        out.U8(uint32_t(r->finetune));
        out.U8(uint32_t(r->loopType & 3) | (sample.Bits() == 16 ? 0x10u : 0u));
        out.U8(uint32_t(r->panning));
        out.U8(uint32_t(r->relativeNote));
        out.U8(0);
        out.Name(r->name, kNameSize, 22);
    }
}

void WriteSampleData(ByteWriter& out, const TInstrument& instrument) {
    for (int s = 0; s < instrument.SampleCount(); ++s) {
        const TSample& sample = *instrument.Samples(s);
        const uint32_t bytes = StoredBytes(sample);
        if (bytes == 0) continue;
        const uint8_t* data = sample.Record()->data;
        uint8_t* to = out.Extend(bytes);
        if (sample.Bits() == 8) {
            // In memory value + 128: the differences of the stored bytes are those of the values.
            uint8_t previous = 128;
            for (uint32_t i = 0; i < bytes; ++i) {
                to[i] = uint8_t(data[i] - previous);
                previous = data[i];
            }
        } else {
            uint16_t previous = 0;
            for (uint32_t i = 0; i < bytes; i += 2) {
                const uint16_t value = uint16_t(data[i] | (data[i + 1] << 8));
                const uint16_t delta = uint16_t(value - previous);
                to[i] = uint8_t(delta);
                to[i + 1] = uint8_t(delta >> 8);
                previous = value;
            }
        }
    }
}

namespace {

// An upper bound of the file size, so the buffer grows once.
size_t SizeBound(const TSong& song) {
    size_t size = sizeof(XMFileIntro) + kXMSongHeaderSize + 128; // with the settings block
    for (int p = 0; p < song.PatternCount(); ++p)
        size += kXMPatternHeaderSize + size_t(song.Patterns(p)->RowCount()) *
                                           size_t(song.ChannelCount()) * (1 + XMCell::kFieldCount);
    for (int i = 0; i < song.InstrumentCount(); ++i) {
        const TInstrument& instrument = *song.Instruments(i);
        size += kXMInstrumentHeaderSize;
        for (int s = 0; s < instrument.SampleCount(); ++s)
            size += kXMSampleHeaderSize + StoredBytes(*instrument.Samples(s));
    }
    return size;
}

} // namespace

std::vector<uint8_t> EncodeXM(const TSong& song) {
    ByteWriter out;
    out.Reserve(SizeBound(song));
    const ModuleRecord* m = song.Module();
    out.Text("Extended Module: ");
    out.Name(m->name, kNameSize, 20);
    out.U8(0x1A);
    out.Text(kTrackerName);
    out.U16(kVersion);
    out.U32(kXMSongHeaderSize);
    const int length = song.SongLength();
    out.U16(uint32_t(length));
    out.U16(uint32_t(song.RestartPosition()));
    out.U16(uint32_t(song.ChannelCount()));
    out.U16(uint32_t(song.PatternCount()));
    out.U16(uint32_t(song.InstrumentCount()));
    out.U16(song.LinearFrequencies() ? 1 : 0);
    out.U16(uint32_t(song.Speed()));
    out.U16(uint32_t(song.Tempo()));
    for (int p = 0; p < length; ++p) out.U8(uint32_t(song.Orders(p)));
    out.Zeros(size_t(kMaxPositions - length));

    for (int p = 0; p < song.PatternCount(); ++p) WritePattern(out, *song.Patterns(p), p);
    for (int i = 0; i < song.InstrumentCount(); ++i) WriteInstrument(out, *song.Instruments(i));
    // How the song plays, for the reference player and for ours; the XM tracker ignores it.
    const std::vector<uint8_t> settings = StoredSettingsBlock(*m);
    out.Raw(settings.data(), settings.size());
    return out.Take();
}

void TSong::SaveToXM(const std::string& fileName) const {
    std::vector<uint8_t> bytes;
    try {
        bytes = EncodeXM(*this);
    } catch (const ESongError& e) {
        throw ESongError("Cannot save " + fileName + ": " + e.what());
    }
    ReplaceFileContents(fileName, bytes);
}
