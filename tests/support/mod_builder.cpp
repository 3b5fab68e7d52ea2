#include "support/mod_builder.h"

#include <algorithm>

namespace {

void PutWordBE(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = uint8_t(value >> 8);
    out[at + 1] = uint8_t(value);
}

} // namespace

std::vector<uint8_t> BuildMOD(const MODTestSong& song) {
    std::vector<uint8_t> out(1084, 0);
    const char name[] = "test song";
    std::copy(name, name + sizeof name - 1, out.begin());
    for (size_t s = 0; s < std::min<size_t>(song.samples.size(), 31); ++s) {
        const MODTestSample& sample = song.samples[s];
        const size_t at = 20 + s * 30;
        PutWordBE(out, at + 22, uint32_t(sample.values.size() / 2));
        out[at + 25] = sample.volume;
        PutWordBE(out, at + 26, sample.loopStart / 2);
        PutWordBE(out, at + 28, std::max<uint32_t>(sample.loopLength / 2, 1));
    }
    out[950] = uint8_t(song.orders.size());
    out[951] = 127;
    std::copy(song.orders.begin(), song.orders.end(), out.begin() + 952);
    std::copy(song.signature.begin(), song.signature.begin() + 4, out.begin() + 1080);
    for (const MODTestPattern& pattern : song.patterns) {
        const size_t base = out.size();
        out.resize(base + size_t(64 * song.channels * 4), 0);
        for (const MODTestPattern::Cell& c : pattern.cells) {
            uint8_t* cell = out.data() + base + size_t((c.row * song.channels + c.channel) * 4);
            cell[0] = uint8_t((c.sample & 0xF0) | ((c.period >> 8) & 0x0F));
            cell[1] = uint8_t(c.period);
            cell[2] = uint8_t((c.sample & 0x0F) << 4 | (c.effect & 0x0F));
            cell[3] = c.param;
        }
    }
    for (const MODTestSample& sample : song.samples)
        for (int8_t v : sample.values) out.push_back(uint8_t(v));
    return out;
}
