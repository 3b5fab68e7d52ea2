// Damaged XM files: deterministic mutations of the shared modules, and the fuzzer's findings.
// Each must load into records that hold together, or be refused with a message naming the file.
#include "engine/formats/xm_reader.h"
#include "engine/sndlib.h"
#include "support/test_paths.h"
#include "support/xm_builder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>

namespace {

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the player and the model rely on in a loaded module.
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

// Answers whether the bytes loaded.
bool LoadOrRefuse(const std::vector<uint8_t>& bytes, const std::string& what) {
    SNDfail(kSndOk, "");
    ModuleRecord* m = LoadXM(bytes.data(), bytes.size(), "mutant.xm");
    if (m) {
        ExpectConsistent(m, what);
        SNDfreeModule(m);
        return true;
    }
    const int32_t code = SNDgetLastError();
    EXPECT_TRUE(code == kSndErrFormat || code == kSndErrCorrupt || code == kSndErrMemory) << what;
    EXPECT_EQ(SNDgetErrorMessage(code).rfind("mutant.xm: ", 0), 0u) << what;
    return false;
}

// Offsets of header fields worth hitting with extreme values: the module header's counts and
// sizes, and whatever lies where the first pattern and instrument headers usually start.
std::vector<size_t> FieldOffsets(const std::vector<uint8_t>& bytes) {
    std::vector<size_t> offsets = {60, 64, 66, 68, 70, 72, 76, 78};
    size_t pattern = 60 + (bytes[60] | bytes[61] << 8);
    for (size_t extra : {0, 5, 7}) offsets.push_back(pattern + extra);
    return offsets;
}

} // namespace

TEST(XMMutation, MutatedSharedModulesLoadConsistentlyOrAreRefused) {
    std::vector<std::filesystem::path> files = CorpusFiles({".xm"});
    const auto conformance = ConformanceFiles();
    for (size_t i = 0; i < conformance.size(); i += 8) files.push_back(conformance[i]);
    ASSERT_GE(files.size(), 10u);

    std::mt19937 random(20261208);
    constexpr uint32_t kExtremes[] = {0,          1,           0x7F,       0x80,   0xFF,
                                      0x100,      0x101,       0x7FFF,     0xFFFF, 0x10000,
                                      0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    int loaded = 0, refused = 0;
    for (const auto& path : files) {
        const std::vector<uint8_t> original = ReadBytes(path);
        ASSERT_GT(original.size(), 400u) << path;
        const std::vector<size_t> fields = FieldOffsets(original);
        for (int round = 0; round < 200; ++round) {
            std::vector<uint8_t> bytes = original;
            const std::string what = path.filename().string() + " round " + std::to_string(round);
            switch (round % 4) {
            case 0: // a few flipped bytes, mostly among the headers
                for (int n = 1 + int(random() % 8); n > 0; --n) {
                    const size_t span =
                        random() % 2 ? std::min<size_t>(bytes.size(), 2048) : bytes.size();
                    bytes[random() % span] ^= uint8_t(1 + random() % 255);
                }
                break;
            case 1: // cut short
                bytes.resize(random() % bytes.size());
                break;
            case 2: { // a header field set to an extreme value
                const size_t at = fields[random() % fields.size()];
                const uint32_t value = kExtremes[random() % std::size(kExtremes)];
                if (at + 4 <= bytes.size()) PutU32(bytes, at, value);
                break;
            }
            default: { // an extreme value anywhere among the first headers
                const size_t at = random() % std::min<size_t>(bytes.size() - 4, 4096);
                PutU32(bytes, at, kExtremes[random() % std::size(kExtremes)]);
                break;
            }
            }
            (LoadOrRefuse(bytes, what) ? loaded : refused) += 1;
            if (HasFatalFailure()) return;
        }
    }
    // Both outcomes occur, so the mutations reach past the first checks.
    EXPECT_GT(loaded, 100);
    EXPECT_GT(refused, 100);
}

// Inputs the fuzzer made, one for each way a load can end; the name says which way it must.
TEST(XMMutation, FuzzerInputsLoadOrAreRefusedAsTheirNamesSay) {
    const std::filesystem::path dir = TestDataDir() / "fuzz" / "xm";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        const bool shouldLoad = name.rfind("loads-", 0) == 0;
        EXPECT_EQ(LoadOrRefuse(ReadBytes(entry.path()), name), shouldLoad) << name;
        ++files;
    }
    EXPECT_GE(files, 20);
}
