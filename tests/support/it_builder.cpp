#include "support/it_builder.h"

#include "support/little_endian.h"

#include <algorithm>
#include <cstring>

namespace {

void Append(std::vector<uint8_t>& out, const char* text) {
    out.insert(out.end(), text, text + std::strlen(text));
}

std::vector<uint8_t> PackPattern(const ITTestPattern& pattern) {
    std::vector<uint8_t> data;
    for (int row = 0; row < pattern.rows; ++row) {
        for (const ITTestPattern::Cell& c : pattern.cells) {
            if (c.row != row) continue;
            uint8_t mask = 0;
            if (c.note >= 0) mask |= 1;
            if (c.sample) mask |= 2;
            if (c.volume >= 0) mask |= 4;
            if (c.command) mask |= 8;
            data.push_back(uint8_t((c.channel + 1) | 0x80));
            data.push_back(mask);
            if (mask & 1) data.push_back(uint8_t(c.note));
            if (mask & 2) data.push_back(c.sample);
            if (mask & 4) data.push_back(uint8_t(c.volume));
            if (mask & 8) data.push_back(c.command), data.push_back(c.param);
        }
        data.push_back(0);
    }
    return data;
}

} // namespace

std::vector<uint8_t> BuildIT(const ITTestSong& song) {
    std::vector<uint8_t> out;
    Append(out, "IMPM");
    out.resize(0xC0, 0);
    std::memcpy(out.data() + 4, "test song", 9);
    std::vector<uint8_t> orders = song.orders;
    orders.push_back(255);
    const size_t samples = song.samples.size(), patterns = song.patterns.size();
    Put16(out, 0x20, uint32_t(orders.size()));
    Put16(out, 0x24, uint32_t(samples));
    Put16(out, 0x26, uint32_t(patterns));
    Put16(out, 0x28, 0x0214);
    Put16(out, 0x2A, 0x0214);
    Put16(out, 0x2C, 1u | (song.linearSlides ? 8u : 0u)); // stereo, sample mode
    out[0x30] = song.globalVolume;
    out[0x31] = song.mixVolume;
    out[0x32] = song.speed;
    out[0x33] = song.tempo;
    out[0x34] = 128;
    for (int c = 0; c < 64; ++c) {
        out[0x40 + size_t(c)] = c < song.channels ? 32 : 128 + 32;
        out[0x80 + size_t(c)] = 64;
    }
    out.insert(out.end(), orders.begin(), orders.end());
    const size_t offsets = out.size();
    out.resize(offsets + 4 * (samples + patterns), 0);
    std::vector<size_t> headers;
    for (size_t s = 0; s < samples; ++s) {
        Put32(out, offsets + 4 * s, uint32_t(out.size()));
        headers.push_back(out.size());
        const ITTestSample& sample = song.samples[s];
        const size_t at = out.size();
        Append(out, "IMPS");
        out.resize(at + 0x50, 0);
        out[at + 0x11] = 64;
        out[at + 0x12] = uint8_t(1 | (sample.loop ? 0x10 : 0));
        out[at + 0x13] = sample.volume;
        out[at + 0x2E] = 1; // signed
        Put32(out, at + 0x30, uint32_t(sample.values.size()));
        Put32(out, at + 0x38, sample.loop ? uint32_t(sample.values.size()) : 0);
        Put32(out, at + 0x3C, sample.middleC);
    }
    for (size_t p = 0; p < patterns; ++p) {
        Put32(out, offsets + 4 * (samples + p), uint32_t(out.size()));
        const std::vector<uint8_t> data = PackPattern(song.patterns[p]);
        const size_t at = out.size();
        out.resize(at + 8, 0);
        Put16(out, at, uint32_t(data.size()));
        Put16(out, at + 2, uint32_t(song.patterns[p].rows));
        out.insert(out.end(), data.begin(), data.end());
    }
    for (size_t s = 0; s < samples; ++s) {
        Put32(out, headers[s] + 0x48, uint32_t(out.size()));
        for (int8_t v : song.samples[s].values) out.push_back(uint8_t(v));
    }
    return out;
}
