#include "support/mutator.h"

#include "engine/sndlib.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

constexpr uint32_t kExtremes[] = {0,          1,           0x7F,       0x80,   0xFF,
                                  0x100,      0x101,       0x7FFF,     0xFFFF, 0x10000,
                                  0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};

void PutU32At(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(value >> (8 * i));
}

} // namespace

void Mutate(std::vector<uint8_t>& bytes, std::mt19937& random, int round,
            const std::vector<size_t>& fields) {
    if (bytes.size() < 8) return;
    switch (round % 4) {
    case 0:
        for (int n = 1 + int(random() % 8); n > 0; --n) {
            const size_t span = random() % 2 ? std::min<size_t>(bytes.size(), 2048) : bytes.size();
            bytes[random() % span] ^= uint8_t(1 + random() % 255);
        }
        break;
    case 1:
        bytes.resize(random() % bytes.size());
        break;
    case 2: {
        const size_t at = fields.empty() ? 0 : fields[random() % fields.size()];
        const uint32_t value = kExtremes[random() % std::size(kExtremes)];
        if (at + 4 <= bytes.size()) PutU32At(bytes, at, value);
        break;
    }
    default: {
        const size_t at = random() % std::min<size_t>(bytes.size() - 4, 4096);
        PutU32At(bytes, at, kExtremes[random() % std::size(kExtremes)]);
        break;
    }
    }
}

void ExpectConsistent(ModuleRecord* m, const std::string& what) {
    ASSERT_GE(m->channelCount, 1) << what;
    ASSERT_LE(m->channelCount, kMaxChannels) << what;
    ASSERT_LE(m->patternCount, kMaxPatterns) << what;
    ASSERT_LE(m->songLength, kMaxPositions) << what;
    ASSERT_LE(m->instrumentCount, kMaxInstruments) << what;
    for (int p = 0; p < m->patternCount; ++p) {
        ASSERT_NE(m->patterns[p], nullptr) << what;
        ASSERT_GE(m->patterns[p]->rowCount, 1) << what;
        ASSERT_LE(m->patterns[p]->rowCount, kMaxRows) << what;
        ASSERT_TRUE(PLYRdecompressPattern(m, p)) << what << " pattern " << p;
    }
    int samples = 0;
    for (int i = 0; i < m->instrumentCount; ++i) {
        const InstrumentRecord* ins = m->instruments[i];
        ASSERT_NE(ins, nullptr) << what;
        ASSERT_LE(ins->sampleCount, kMaxSamples) << what;
        for (const EnvelopeRecord* e : {ins->volumeEnvelope, ins->panningEnvelope}) {
            ASSERT_LE(e->pointCount, kMaxEnvelopePoints) << what;
            if (e->sustainPoint != kEnvelopeNone) {
                ASSERT_LT(e->sustainPoint, kMaxEnvelopePoints) << what;
            }
            if (e->loopEnd != kEnvelopeNone) {
                ASSERT_LE(e->loopStart, e->loopEnd) << what;
            }
        }
        for (int s = 0; s < ins->sampleCount; ++s) {
            const SampleRecord* smp = ins->samples[s];
            ASSERT_NE(smp, nullptr) << what;
            ++samples;
            const int bytesPerFrame = smp->format == kSampleFormat16 ? 2 : 1;
            ASSERT_EQ(smp->length % bytesPerFrame, 0) << what;
            ASSERT_EQ(smp->data == nullptr, smp->length == 0) << what;
            ASSERT_LE(0, smp->loopStart) << what;
            ASSERT_LE(smp->loopStart, smp->loopEnd) << what;
            ASSERT_LE(smp->loopEnd, smp->length / bytesPerFrame) << what;
            ASSERT_LE(smp->volume, 64) << what;
        }
    }
    ASSERT_EQ(samples, m->sampleCount) << what;
}
