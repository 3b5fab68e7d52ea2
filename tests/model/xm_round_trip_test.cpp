// Every XM module we have survives a save: the model reads back the same, a second save is
// byte-identical, and an independent reader sees the same song.
#include "file_bytes.h"
#include "model/song.h"
#include "model/song_dump.h"
#include "model/xm_writer.h"
#include "support/test_paths.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> AllXM() {
    std::vector<fs::path> files = CorpusFiles({".xm"});
    const std::vector<fs::path> conformance = ConformanceFiles();
    files.insert(files.end(), conformance.begin(), conformance.end());
    return files;
}

// What the independent reader sees: orders, sample count, instrument names and every cell.
struct OracleView {
    std::vector<int> orders;
    int samples = 0;
    std::vector<std::string> instruments;
    std::vector<std::vector<std::array<int, 6>>> cells; // [pattern][row * channels + channel]
    int channels = 0;
};

OracleView Oracle(const std::vector<uint8_t>& bytes) {
    std::ostringstream log;
    openmpt::module mod(bytes, log);
    OracleView view;
    for (int o = 0; o < mod.get_num_orders(); ++o) view.orders.push_back(mod.get_order_pattern(o));
    view.samples = mod.get_num_samples();
    view.instruments = mod.get_instrument_names();
    view.channels = mod.get_num_channels();
    for (int p = 0; p < mod.get_num_patterns(); ++p) {
        auto& cells = view.cells.emplace_back();
        for (int r = 0; r < mod.get_pattern_num_rows(p); ++r)
            for (int c = 0; c < view.channels; ++c) {
                std::array<int, 6> cell{};
                int f = 0;
                for (int field :
                     {openmpt::module::command_note, openmpt::module::command_instrument,
                      openmpt::module::command_volumeffect, openmpt::module::command_volume,
                      openmpt::module::command_effect, openmpt::module::command_parameter})
                    cell[size_t(f++)] = mod.get_pattern_row_channel_command(p, r, c, field);
                cells.push_back(cell);
            }
    }
    return view;
}

} // namespace

TEST(XMRoundTrip, EveryModuleReadsBackTheSameAndSavesIdentically) {
    const std::vector<fs::path> files = AllXM();
    ASSERT_GT(files.size(), 10u);
    const fs::path dir = TempDir();
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const fs::path copy = dir / "copy.xm", again = dir / "again.xm";
        std::string original;
        {
            TSong song(file.string());
            original = DumpSong(song);
            song.SaveToXM(copy.string());
        }
        TSong reloaded(copy.string());
        EXPECT_EQ(DumpSong(reloaded), original);
        reloaded.SaveToXM(again.string());
        EXPECT_EQ(ReadBytes(again), ReadBytes(copy));
    }
}

// Cells must agree field by field; an effect may be missing only where our reader did not keep
// it (the model's cell has no command), which the dump comparison above already pins down.
TEST(XMRoundTrip, AnIndependentReaderSeesTheSameSong) {
    const fs::path dir = TempDir();
    int compared = 0;
    for (const fs::path& file : AllXM()) {
        SCOPED_TRACE(file.string());
        const std::vector<uint8_t> originalBytes = ReadBytes(file);
        OracleView before;
        try {
            before = Oracle(originalBytes);
        } catch (const openmpt::exception&) {
            continue; // a file the oracle itself cannot read says nothing about us
        }
        const fs::path copy = dir / "copy.xm";
        TSong(file.string()).SaveToXM(copy.string());
        TSong model(copy.string());
        // The oracle picks playback quirks by the tracker name; give it the original's.
        std::vector<uint8_t> copyBytes = ReadBytes(copy);
        std::copy(originalBytes.begin() + 38, originalBytes.begin() + 58, copyBytes.begin() + 38);
        const OracleView after = Oracle(copyBytes);

        EXPECT_EQ(after.orders, before.orders);
        EXPECT_EQ(after.samples, before.samples);
        EXPECT_EQ(after.instruments, before.instruments);
        ASSERT_EQ(after.cells.size(), before.cells.size());
        int mismatches = 0;
        for (size_t p = 0; p < before.cells.size(); ++p) {
            ASSERT_EQ(after.cells[p].size(), before.cells[p].size()) << "pattern " << p;
            for (size_t i = 0; i < before.cells[p].size(); ++i) {
                const auto& a = after.cells[p][i];
                const auto& b = before.cells[p][i];
                const int row = int(i) / before.channels, track = int(i) % before.channels;
                const bool dropped =
                    model.Patterns(int(p))->Command(track, row) == 0 && a[4] == 0 && a[5] == 0;
                const bool same = std::equal(a.begin(), a.begin() + 4, b.begin()) &&
                                  (dropped || (a[4] == b[4] && a[5] == b[5]));
                if (!same && ++mismatches <= 5)
                    ADD_FAILURE() << "pattern " << p << " row " << row << " track " << track;
            }
        }
        ++compared;
    }
    EXPECT_GT(compared, 10);
}

// The reference player cannot show sample data, but it plays it: the copy of each corpus song
// must sound the same as the original, sample for sample, over its first seconds.
TEST(XMRoundTrip, TheReferencePlayerHearsTheSameSamplesInTheCopy) {
    const fs::path dir = TempDir();
    constexpr int kRate = 22050, kSeconds = 8;
    for (const fs::path& file : CorpusFiles({".xm"})) {
        SCOPED_TRACE(file.string());
        const std::vector<uint8_t> originalBytes = ReadBytes(file);
        const fs::path copy = dir / "copy.xm";
        TSong(file.string()).SaveToXM(copy.string());
        // The oracle plays each file by the rules of the tracker that saved it; the copy carries
        // the original's in its settings block, under our own name.
        const std::vector<uint8_t> copyBytes = ReadBytes(copy);
        const auto render = [](const std::vector<uint8_t>& bytes) {
            std::ostringstream log;
            openmpt::module mod(bytes, log);
            mod.ctl_set_integer("dither", 0); // its default noise would differ run to run
            std::vector<int16_t> pcm(size_t(kRate) * kSeconds * 2);
            size_t done = 0;
            while (done < pcm.size() / 2) {
                const size_t n = mod.read_interleaved_stereo(
                    kRate, std::min<size_t>(4096, pcm.size() / 2 - done), pcm.data() + 2 * done);
                if (n == 0) break;
                done += n;
            }
            return pcm;
        };
        EXPECT_EQ(render(copyBytes), render(originalBytes));
    }
}
