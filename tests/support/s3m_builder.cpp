#include "support/s3m_builder.h"

#include "support/little_endian.h"

#include <cstring>

namespace {

// Parapointers count sixteen-byte paragraphs.
size_t Align(std::vector<uint8_t>& out) {
    out.resize((out.size() + 15) & ~size_t(15), 0);
    return out.size() / 16;
}

std::vector<uint8_t> PackPattern(const S3MTestPattern& pattern) {
    std::vector<uint8_t> data(2, 0);
    for (int row = 0; row < 64; ++row) {
        for (const S3MTestPattern::Cell& c : pattern.cells) {
            if (c.row != row) continue;
            uint8_t what = uint8_t(c.channel);
            if (c.note >= 0 || c.sample) what |= 0x20;
            if (c.volume >= 0) what |= 0x40;
            if (c.command) what |= 0x80;
            data.push_back(what);
            if (what & 0x20) {
                data.push_back(c.note >= 0 ? uint8_t((c.note / 12) << 4 | c.note % 12) : 0xFF);
                data.push_back(c.sample);
            }
            if (what & 0x40) data.push_back(uint8_t(c.volume));
            if (what & 0x80) data.push_back(c.command), data.push_back(c.param);
        }
        data.push_back(0);
    }
    Put16(data, 0, uint32_t(data.size()));
    return data;
}

} // namespace

std::vector<uint8_t> BuildS3M(const S3MTestSong& song) {
    std::vector<uint8_t> out(0x60, 0);
    std::memcpy(out.data(), "test song", 9);
    out[0x1C] = 0x1A;
    out[0x1D] = 0x10;
    std::vector<uint8_t> orders = song.orders;
    orders.push_back(0xFF);
    if (orders.size() % 2) orders.push_back(0xFF);
    const size_t samples = song.samples.size(), patterns = song.patterns.size();
    Put16(out, 0x20, uint32_t(orders.size()));
    Put16(out, 0x22, uint32_t(samples));
    Put16(out, 0x24, uint32_t(patterns));
    Put16(out, 0x28, 0x1320);
    Put16(out, 0x2A, 2); // unsigned samples
    std::memcpy(out.data() + 0x2C, "SCRM", 4);
    out[0x30] = 64;
    out[0x31] = song.speed;
    out[0x32] = song.tempo;
    out[0x33] = 0x80 | 48; // stereo
    out[0x35] = song.pans.empty() ? 0 : 0xFC;
    for (int c = 0; c < 32; ++c)
        out[0x40 + size_t(c)] = c < song.channels ? uint8_t((c % 2) * 8 + c / 2) : 0xFF;
    out.insert(out.end(), orders.begin(), orders.end());
    const size_t pointers = out.size();
    out.resize(pointers + 2 * (samples + patterns), 0);
    if (!song.pans.empty())
        for (int c = 0; c < 32; ++c)
            out.push_back(c < int(song.pans.size()) ? uint8_t(0x20 | song.pans[size_t(c)]) : 0);
    std::vector<size_t> headers;
    for (size_t s = 0; s < samples; ++s) {
        Put16(out, pointers + 2 * s, uint32_t(Align(out)));
        const S3MTestSample& sample = song.samples[s];
        const size_t at = out.size();
        headers.push_back(at);
        out.resize(at + 0x50, 0);
        out[at] = 1;
        Put32(out, at + 0x10, uint32_t(sample.values.size()));
        Put32(out, at + 0x18, sample.loop ? uint32_t(sample.values.size()) : 0);
        out[at + 0x1C] = sample.volume;
        out[at + 0x1F] = sample.loop ? 1 : 0;
        Put32(out, at + 0x20, sample.middleC);
        std::memcpy(out.data() + at + 0x30, sample.name, sizeof sample.name);
        std::memcpy(out.data() + at + 0x4C, "SCRS", 4);
    }
    for (size_t p = 0; p < patterns; ++p) {
        Put16(out, pointers + 2 * (samples + p), uint32_t(Align(out)));
        const std::vector<uint8_t> data = PackPattern(song.patterns[p]);
        out.insert(out.end(), data.begin(), data.end());
    }
    for (size_t s = 0; s < samples; ++s) {
        Put16(out, headers[s] + 0x0E, uint32_t(Align(out)));
        for (int8_t v : song.samples[s].values) out.push_back(uint8_t(v + 128));
    }
    return out;
}
