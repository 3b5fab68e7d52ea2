// Thousands of deterministic mutations of real XI and WAV files: each loads or is refused with
// a message, and the instrument or sample stays usable. Never a crash.
#include "file_bytes.h"
#include "model/errors.h"
#include "model/song.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <random>
#include <sndfile.h>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Mutate(std::vector<uint8_t> bytes, std::mt19937& rng) {
    const int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
        const size_t at = rng() % bytes.size();
        switch (rng() % 5) {
        case 0:
            bytes[at] = uint8_t(rng());
            break;
        case 1:
            bytes[at] ^= uint8_t(1u << (rng() % 8));
            break;
        case 2:
            bytes.resize(at);
            break;
        case 3: // a length or count field turned huge or odd
            for (size_t i = at; i < at + 4 && i < bytes.size(); ++i) bytes[i] = uint8_t(rng());
            break;
        default:
            bytes.insert(bytes.begin() + long(at), rng() % 64, uint8_t(rng()));
            break;
        }
    }
    return bytes;
}

} // namespace

TEST(ReaderMutation, MutatedXIFilesLoadOrAreRefused) {
    const fs::path dir = TempDir();
    std::vector<std::vector<uint8_t>> seeds;
    for (const char* module : {"mph.xm", "heroes04.xm", "flow.xm"}) {
        TSong song((SharedDir() / "corpus" / module).string());
        for (int i = 0; i < song.InstrumentCount() && seeds.size() < 8; ++i) {
            if (song.Instruments(i)->SampleCount() == 0) continue;
            const fs::path file = dir / "seed.xi";
            song.Instruments(i)->SaveToXI(file.string());
            seeds.push_back(ReadBytes(file));
            i += 3;
        }
    }
    ASSERT_GE(seeds.size(), 4u);

    TSong song((SharedDir() / "corpus" / "mph.xm").string());
    TInstrument* target = song.Instruments(2);
    std::mt19937 rng(20261208);
    int loaded = 0, refused = 0;
    for (int n = 0; n < 4000; ++n) {
        const std::vector<uint8_t> bytes = Mutate(seeds[size_t(n) % seeds.size()], rng);
        try {
            target->LoadFromXI(bytes.data(), bytes.size(), "mutated.xi");
            ++loaded;
            for (int s = 0; s < target->SampleCount(); ++s) {
                const TSample* sample = target->Samples(s);
                ASSERT_LE(sample->LoopEnd(), sample->Length());
                if (sample->Length() > 0) sample->Values(sample->Length() - 1);
            }
            while (target->SampleCount() > 0) target->DeleteSample(0);
        } catch (const EInstrumentError& e) {
            ++refused;
            ASSERT_NE(std::string(e.what()).find("mutated.xi"), std::string::npos) << e.what();
            ASSERT_EQ(target->SampleCount(), 0);
        }
    }
    // Both outcomes must occur, or the mutations are not reaching the reader.
    EXPECT_GT(loaded, 100);
    EXPECT_GT(refused, 100);
}

TEST(ReaderMutation, MutatedSoundFilesLoadOrAreRefused) {
    const fs::path dir = TempDir();
    std::vector<std::vector<uint8_t>> seeds;
    const std::pair<int, int> formats[] = {{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2},
                                           {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1},
                                           {SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 1},
                                           {SF_FORMAT_SVX | SF_FORMAT_PCM_S8, 1}};
    for (const auto& [format, channels] : formats) {
        const fs::path file = dir / "seed";
        SF_INFO info{};
        info.samplerate = 8000;
        info.channels = channels;
        info.format = format;
        SNDFILE* f = sf_open(file.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
        SF_INSTRUMENT instrument{};
        instrument.loop_count = 1;
        instrument.loops[0] = {SF_LOOP_FORWARD, 10, 90, 0};
        sf_command(f, SFC_SET_INSTRUMENT, &instrument, sizeof instrument);
        std::vector<short> data(size_t(200 * channels));
        for (size_t i = 0; i < data.size(); ++i) data[i] = short(i * 300);
        sf_write_short(f, data.data(), sf_count_t(data.size()));
        sf_close(f);
        seeds.push_back(ReadBytes(file));
    }

    TSong song((SharedDir() / "corpus" / "mph.xm").string());
    TSample* sample = song.Instruments(2)->InsertSample(-1);
    std::mt19937 rng(8122026);
    const fs::path file = dir / "mutated.wav";
    for (int n = 0; n < 1500; ++n) {
        WriteBytes(file, Mutate(seeds[size_t(n) % seeds.size()], rng));
        try {
            sample->LoadRawFile(file.string());
        } catch (const ESampleError& e) {
            ASSERT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
        }
        ASSERT_LE(sample->LoopEnd(), sample->Length());
        if (sample->Length() > 0) sample->Values(sample->Length() - 1);
    }
}
