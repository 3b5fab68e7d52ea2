// Loading sample files: real sound files through libsndfile, anything else as raw 16-bit.
#include "file_bytes.h"
#include "model/errors.h"
#include "model/song.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <sndfile.h>

namespace fs = std::filesystem;

namespace {

struct SampleFileTest : testing::Test {
    TSong song{(SharedDir() / "corpus" / "mph.xm").string()};
    fs::path dir = TempDir();
    TSample* sample = song.Instruments(2)->InsertSample(-1);

    // Writes interleaved frames with libsndfile; a loop goes into the instrument chunk.
    fs::path Write(const std::string& name, int format, int channels, const std::vector<int>& data,
                   const SF_INSTRUMENT* instrument = nullptr) {
        const fs::path path = dir / name;
        SF_INFO info{};
        info.samplerate = 22050;
        info.channels = channels;
        info.format = format;
        SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
        if (!f) return path;
        if (instrument) {
            EXPECT_EQ(sf_command(f, SFC_SET_INSTRUMENT, const_cast<SF_INSTRUMENT*>(instrument),
                                 sizeof *instrument),
                      SF_TRUE);
        }
        EXPECT_EQ(sf_write_int(f, data.data(), sf_count_t(data.size())), sf_count_t(data.size()));
        sf_close(f);
        return path;
    }

    std::vector<int> Frames() const {
        std::vector<int> v;
        for (int f = 0; f < sample->Length(); ++f) v.push_back(sample->Values(f));
        return v;
    }
};

// libsndfile's int scale: a 16-bit value v is v << 16, a 24-bit one v << 8.
int From16(int v) {
    return v * 65536;
}
int From24(int v) {
    return v * 256;
}

} // namespace

TEST_F(SampleFileTest, UnknownDataLoadsAsRaw16BitBytes) {
    sample->SetLoopStart(3);
    sample->SetLoopEnd(7);
    sample->SetLoopType(kLoopForward);
    sample->SetPanning(40);
    std::vector<uint8_t> bytes(1001);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
    const fs::path file = dir / "a rather long sample file name.smp";
    WriteBytes(file, bytes);
    sample->LoadRawFile(file.string());
    EXPECT_EQ(sample->Bits(), 16);
    EXPECT_EQ(sample->ByteLength(), 1001);
    EXPECT_EQ(sample->Length(), 500);
    EXPECT_EQ(std::vector<uint8_t>(sample->Record()->data, sample->Record()->data + 1001), bytes);
    EXPECT_EQ(sample->Name(), "a rather long sample file name."); // 31 characters
    EXPECT_EQ(sample->Panning(), 0);
    EXPECT_EQ(sample->LoopStart(), 3); // loops stay as they were
    EXPECT_EQ(sample->LoopEnd(), 7);
    EXPECT_EQ(sample->LoopType(), kLoopForward);
}

TEST_F(SampleFileTest, AMissingFileIsReportedAndTheSampleKept) {
    sample->LoadRawFile(
        Write("keep.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, {From16(5), From16(-5)}).string());
    const std::string missing = (dir / "missing.wav").string();
    try {
        sample->LoadRawFile(missing);
        FAIL() << "loaded a missing file";
    } catch (const ESampleError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    EXPECT_EQ(Frames(), (std::vector<int>{5, -5}));
}

TEST_F(SampleFileTest, WavWithALoopInItsSamplerChunk) {
    std::vector<int> data;
    for (int i = 0; i < 1000; ++i) data.push_back(From16(i * 30 - 15000));
    SF_INSTRUMENT instrument{};
    instrument.loop_count = 1;
    instrument.loops[0].mode = SF_LOOP_ALTERNATING;
    instrument.loops[0].start = 100;
    instrument.loops[0].end = 600;
    instrument.loops[0].count = 0;
    sample->LoadRawFile(
        Write("loop.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, data, &instrument).string());
    EXPECT_EQ(sample->Bits(), 16);
    ASSERT_EQ(sample->Length(), 1000);
    EXPECT_EQ(sample->Values(999), 999 * 30 - 15000);
    EXPECT_EQ(sample->Name(), "loop.wav");
    EXPECT_EQ(sample->LoopType(), kLoopPingPong);
    EXPECT_EQ(sample->LoopStart(), 100);
    EXPECT_EQ(sample->LoopEnd(), 600);
}

TEST_F(SampleFileTest, Stereo24BitIsMixedToMono16BitRoundingHalfToEven) {
    // Left and right of each frame; the mean in 24-bit units, then / 256 rounded.
    const std::vector<int> data{
        From24(0x123456),  From24(0x123456),  // 0x1234.34 -> 0x1234
        From24(1000),      From24(-1000),     // cancels
        From24(0x000180),  From24(0x000180),  // 1.5 -> 2
        From24(0x000280),  From24(0x000280),  // 2.5 -> 2
        From24(0x7FFFFF),  From24(0x7FFFFF),  // 32767.99 -> clipped to 32767
        From24(-0x800000), From24(-0x800000), // -32768
    };
    sample->LoadRawFile(Write("stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, data).string());
    EXPECT_EQ(sample->Bits(), 16);
    EXPECT_EQ(Frames(), (std::vector<int>{0x1234, 0, 2, 2, 32767, -32768}));
}

TEST_F(SampleFileTest, EightBitFilesStayEightBit) {
    const std::vector<int> data{0, 127 << 24, -128 * (1 << 24), 1 << 24};
    sample->LoadRawFile(Write("eight.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, data).string());
    EXPECT_EQ(sample->Bits(), 8);
    EXPECT_EQ(Frames(), (std::vector<int>{0, 127, -128, 1}));

    sample->LoadRawFile(Write("eight.iff", SF_FORMAT_SVX | SF_FORMAT_PCM_S8, 1, data).string());
    EXPECT_EQ(sample->Bits(), 8);
    EXPECT_EQ(Frames(), (std::vector<int>{0, 127, -128, 1}));
}
