// Exporting the song as audio: the mix the command line renders, channels that add up to it,
// and nothing left behind by a cancel or a failure.
#include "engine/render.h"
#include "model/audio_export.h"
#include "model/errors.h"
#include "model/song.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct Decoded {
    int format = 0, rate = 0, channels = 0;
    std::vector<int> samples; // full-scale 32-bit, as libsndfile hands them out
};

Decoded Read(const fs::path& file) {
    Decoded out;
    SF_INFO info{};
    SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << file << ": " << sf_strerror(nullptr);
    if (!f) return out;
    out.format = info.format;
    out.rate = info.samplerate;
    out.channels = info.channels;
    out.samples.resize(size_t(info.frames * info.channels));
    sf_read_int(f, out.samples.data(), sf_count_t(out.samples.size()));
    sf_close(f);
    return out;
}

size_t FileCount(const fs::path& dir) {
    return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

struct AudioExportTest : testing::Test {
    TSong song{(SharedDir() / "corpus" / "intro.xm").string()};
    fs::path dir = TempDir();
    TAudioExportProgress progress;

    TAudioExportOptions Options(const std::string& name) {
        TAudioExportOptions options;
        options.fileName = (dir / name).string();
        options.rate = 11025;
        return options;
    }
};

TEST_F(AudioExportTest, MixIsTheRenderSampleForSample) {
    std::vector<int16_t> rendered;
    RenderOptions render;
    render.rate = 11025;
    ASSERT_TRUE(RenderModule(song.Module(), render, rendered));
    ASSERT_TRUE(ExportSongAudio(song.Module(), Options("mix.wav"), progress));
    const Decoded wav = Read(dir / "mix.wav");
    EXPECT_EQ(wav.rate, 11025);
    EXPECT_EQ(wav.channels, 2);
    ASSERT_EQ(wav.samples.size(), rendered.size());
    for (size_t i = 0; i < rendered.size(); ++i)
        ASSERT_EQ(wav.samples[i] >> 16, rendered[i]) << "sample " << i;
    EXPECT_DOUBLE_EQ(progress.fraction.load(), 1.0);
    EXPECT_EQ(FileCount(dir), 1u); // no temporary file stays beside it

    // 24 bits carry the same signal with more resolution; FLAC holds it losslessly.
    TAudioExportOptions deep = Options("mix.flac");
    deep.bits = 24;
    ASSERT_TRUE(ExportSongAudio(song.Module(), deep, progress));
    const Decoded flac = Read(dir / "mix.flac");
    EXPECT_EQ(flac.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
    EXPECT_EQ(flac.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_24);
    ASSERT_EQ(flac.samples.size(), rendered.size());
    for (size_t i = 0; i < rendered.size(); ++i)
        ASSERT_NEAR(flac.samples[i] / 65536.0, rendered[i], 1.0) << "sample " << i;
}

TEST_F(AudioExportTest, ChannelFilesAddUpToTheMix) {
    TAudioExportOptions options = Options("intro.wav");
    ASSERT_TRUE(ExportSongAudio(song.Module(), options, progress));
    options.perChannel = true;
    const int channels = song.Module()->channelCount;
    const std::vector<std::string> names = AudioExportFileNames(options, channels);
    ASSERT_EQ(names.size(), size_t(channels));
    EXPECT_EQ(fs::path(names[0]).filename(), "intro - 01.wav");
    ASSERT_TRUE(ExportSongAudio(song.Module(), options, progress));

    const Decoded mix = Read(dir / "intro.wav");
    std::vector<long> sum(mix.samples.size(), 0);
    int silentChannels = 0;
    for (const std::string& name : names) {
        const Decoded part = Read(name);
        ASSERT_EQ(part.samples.size(), mix.samples.size()) << name;
        long energy = 0;
        for (size_t i = 0; i < sum.size(); ++i) {
            sum[i] += part.samples[i] >> 16;
            energy += std::labs(part.samples[i] >> 16);
        }
        silentChannels += energy == 0;
    }
    EXPECT_LT(silentChannels, channels);
    // Each channel file rounds on its own, and the mix clips where the parts do not.
    size_t compared = 0;
    for (size_t i = 0; i < sum.size(); ++i) {
        const int mixed = mix.samples[i] >> 16;
        if (std::abs(mixed) >= 32000) continue;
        ASSERT_NEAR(sum[i], mixed, channels) << "sample " << i;
        ++compared;
    }
    EXPECT_GT(compared, sum.size() / 2);
}

TEST_F(AudioExportTest, CancelAndFailureLeaveNothingBehind) {
    TAudioExportOptions options = Options("cancelled.wav");
    options.perChannel = true;
    std::thread canceller([this] {
        while (progress.fraction.load() < 0.3) std::this_thread::yield();
        progress.cancel.store(true);
    });
    EXPECT_FALSE(ExportSongAudio(song.Module(), options, progress));
    canceller.join();
    EXPECT_LT(progress.fraction.load(), 0.9);
    EXPECT_EQ(FileCount(dir), 0u);

    progress.cancel.store(false);
    const fs::path missing = dir / "no such folder" / "out.wav";
    options.fileName = missing.string();
    options.perChannel = false;
    try {
        ExportSongAudio(song.Module(), options, progress);
        ADD_FAILURE() << "an export into a missing folder succeeded";
    } catch (const ESongError& error) {
        EXPECT_NE(std::string(error.what()).find(missing.string()), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(FileCount(dir), 0u);
}

} // namespace
