#include "support/xm_builder.h"

#include <algorithm>
#include <cstring>

namespace {

class Writer {
public:
    std::vector<uint8_t> bytes;
    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v) {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        U16(uint16_t(v));
        U16(uint16_t(v >> 16));
    }
    void Text(const std::string& s, size_t width, char pad = 0) {
        for (size_t i = 0; i < width; ++i) U8(uint8_t(i < s.size() ? s[i] : pad));
    }
    void Zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
    void Append(const std::vector<uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
    }
};

void DeltaCode(const std::vector<int>& values, bool is16, Writer& out) {
    int previous = 0;
    for (int v : values) {
        if (is16)
            out.U16(uint16_t(v - previous));
        else
            out.U8(uint8_t(v - previous));
        previous = v;
    }
}

std::vector<uint8_t> SampleData(const XMTestSample& s) {
    if (!s.rawData.empty()) return s.rawData;
    Writer w;
    DeltaCode(s.values, s.is16, w);
    if (!s.rightValues.empty()) DeltaCode(s.rightValues, s.is16, w);
    return w.bytes;
}

std::vector<uint8_t> PackCells(const XMTestPattern& p, int channels) {
    std::vector<std::vector<uint8_t>> grid(size_t(p.rows) * channels, {0, 0, 0, 0, 0});
    for (const auto& c : p.cells)
        grid[size_t(c.row) * channels + c.channel] = {c.note, c.instrument, c.volume, c.effect,
                                                      c.param};
    Writer w;
    for (const auto& cell : grid) {
        uint8_t flag = 0x80;
        for (int f = 0; f < 5; ++f)
            if (cell[f]) flag |= uint8_t(1 << f);
        w.U8(flag);
        for (int f = 0; f < 5; ++f)
            if (cell[f]) w.U8(cell[f]);
    }
    return w.bytes;
}

void WritePattern(const XMTestPattern& p, const XMTestSong& song, Writer& w) {
    const bool v102 = song.version == 0x0102;
    const std::vector<uint8_t> data =
        p.emptyData ? std::vector<uint8_t>{} : PackCells(p, song.channels);
    const uint32_t fixed = v102 ? 8 : 9;
    const uint32_t length = p.headerLength ? p.headerLength : fixed;
    w.U32(length);
    w.U8(0);
    if (v102)
        w.U8(uint8_t(p.rows - 1));
    else
        w.U16(uint16_t(p.rows));
    w.U16(uint16_t(data.size()));
    if (length > fixed) w.Zeros(length - fixed);
    w.Append(data);
}

void WriteEnvelopePoints(const XMTestEnvelope& e, Writer& w) {
    for (size_t i = 0; i < 12; ++i) {
        w.U16(i < e.points.size() ? e.points[i].first : 0);
        w.U16(i < e.points.size() ? uint16_t(e.points[i].second) : 0);
    }
}

// The instrument header and its sample headers; the data is written by the caller.
void WriteInstrumentHeaders(const XMTestInstrument& ins, Writer& w) {
    const uint32_t standard = ins.samples.empty() ? 29 : 263;
    const uint32_t size = ins.headerSize ? ins.headerSize : standard;
    Writer h;
    h.U32(size);
    h.Text(ins.name, 22);
    h.U8(0);
    h.U16(uint16_t(ins.samples.size()));
    h.U32(ins.sampleHeaderSize);
    for (uint8_t k : ins.keyboard) h.U8(k);
    WriteEnvelopePoints(ins.volume, h);
    WriteEnvelopePoints(ins.panning, h);
    for (uint8_t b : {ins.volume.count, ins.panning.count, ins.volume.sustain, ins.volume.loopStart,
                      ins.volume.loopEnd, ins.panning.sustain, ins.panning.loopStart,
                      ins.panning.loopEnd, ins.volume.type, ins.panning.type})
        h.U8(b);
    for (uint8_t b : ins.vibrato) h.U8(b);
    h.U16(ins.fadeOut);
    h.Zeros(22);
    h.bytes.resize(size, 0); // cut or pad to the stated size
    w.Append(h.bytes);

    for (const XMTestSample& s : ins.samples) {
        Writer sh;
        const uint32_t length = s.lengthOverride ? s.length : uint32_t(SampleData(s).size());
        sh.U32(length);
        sh.U32(s.loopStart);
        sh.U32(s.loopLength);
        sh.U8(s.volume);
        sh.U8(uint8_t(s.finetune));
        sh.U8(uint8_t(s.loopType | (s.is16 ? 0x10 : 0) | (s.rightValues.empty() ? 0 : 0x20)));
        sh.U8(s.panning);
        sh.U8(uint8_t(s.relativeNote));
        sh.U8(s.reserved);
        sh.Text(s.name, 22);
        sh.bytes.resize(ins.sampleHeaderSize, 0);
        w.Append(sh.bytes);
    }
}

void WriteSampleData(const XMTestInstrument& ins, Writer& w) {
    for (const XMTestSample& s : ins.samples) w.Append(SampleData(s));
}

} // namespace

std::vector<uint8_t> BuildXM(const XMTestSong& song) {
    Writer w;
    w.Text("Extended Module: ", 17);
    w.Text(song.name, 20);
    w.U8(0x1A);
    w.Text(song.tracker, 20, ' ');
    w.U16(song.version);
    Writer h;
    h.U32(song.headerSize);
    h.U16(uint16_t(song.orders.size()));
    h.U16(song.restart);
    h.U16(song.channels);
    h.U16(uint16_t(song.patterns.size()));
    h.U16(uint16_t(song.instrumentCountOverride >= 0 ? song.instrumentCountOverride
                                                     : int(song.instruments.size())));
    h.U16(song.flags);
    h.U16(song.speed);
    h.U16(song.bpm);
    for (size_t i = 0; i < 256; ++i) h.U8(i < song.orders.size() ? song.orders[i] : 0);
    h.bytes.resize(std::max<size_t>(song.headerSize, 20), 0);
    w.Append(h.bytes);

    if (song.version >= 0x0104) {
        for (const auto& p : song.patterns) WritePattern(p, song, w);
        for (const auto& ins : song.instruments) {
            WriteInstrumentHeaders(ins, w);
            WriteSampleData(ins, w);
        }
    } else {
        for (const auto& ins : song.instruments) WriteInstrumentHeaders(ins, w);
        for (const auto& p : song.patterns) WritePattern(p, song, w);
        for (const auto& ins : song.instruments) WriteSampleData(ins, w);
    }
    return w.bytes;
}

void PutU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
    bytes.at(offset) = uint8_t(value);
    bytes.at(offset + 1) = uint8_t(value >> 8);
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    PutU16(bytes, offset, uint16_t(value));
    PutU16(bytes, offset + 2, uint16_t(value >> 16));
}
