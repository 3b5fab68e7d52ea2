// The XM layout as written: header, packing, instrument blocks, sample coding, and what a
// failed save leaves behind.
#include "engine/effect_catalogue.h"
#include "file_bytes.h"
#include "model/errors.h"
#include "model/safe_file.h"
#include "model/song.h"
#include "model/xm_writer.h"
#include "support/test_paths.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct XMWriterTest : testing::Test {
    // 8 channels, 9 patterns, 7 instruments; instrument 2 has no samples.
    TSong song{(SharedDir() / "corpus" / "mph.xm").string()};
    fs::path dir = TempDir();

    std::vector<uint8_t> Encode() { return EncodeXM(song); }

    void ClearPattern(int p) {
        TPattern* pattern = song.Patterns(p);
        for (int r = 0; r < pattern->RowCount(); ++r)
            for (int t = 0; t < pattern->TrackCount(); ++t) pattern->ClearCell(t, r);
    }

    // A sample of `bytes` bytes made through a raw file, appended to instrument i.
    TSample* NewSample(int i, size_t bytes) {
        const fs::path raw = dir / "data.smp";
        WriteBytes(raw, std::vector<uint8_t>(bytes, 0));
        TSample* sample = song.Instruments(i)->InsertSample(-1);
        sample->LoadRawFile(raw.string());
        return sample;
    }
};

std::vector<uint8_t> Slice(const std::vector<uint8_t>& b, size_t at, size_t n) {
    return {b.begin() + long(at), b.begin() + long(at + n)};
}

} // namespace

TEST_F(XMWriterTest, HeaderFieldsAndOrderTable) {
    // Garbage after the terminator must not reach the file.
    std::memcpy(song.Module()->name, "ab\0XYZ", 6);
    const std::vector<uint8_t> b = Encode();
    EXPECT_EQ(std::string(b.begin(), b.begin() + 17), "Extended Module: ");
    EXPECT_EQ(Slice(b, 17, 20), (std::vector<uint8_t>{'a', 'b', 0, 0, 0, 0, 0, 0, 0, 0,
                                                      0,   0,   0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(b[37], 0x1A);
    EXPECT_EQ(std::string(b.begin() + 38, b.begin() + 58), "Cantorwright 0.1a   ");
    EXPECT_EQ(LE16(b, 58), 0x0104u);
    EXPECT_EQ(LE32(b, 60), 276u);
    EXPECT_EQ(LE16(b, 64), 14u);
    EXPECT_EQ(LE16(b, 68), 8u);
    EXPECT_EQ(LE16(b, 70), 9u);
    EXPECT_EQ(LE16(b, 72), 7u);
    EXPECT_EQ(LE16(b, 74), 1u);
    EXPECT_EQ(LE16(b, 76), 9u);
    EXPECT_EQ(LE16(b, 78), 125u);
    for (int p = 0; p < 14; ++p) EXPECT_EQ(b[size_t(80 + p)], song.Orders(p));
    EXPECT_EQ(Slice(b, 80 + 14, 256 - 14), std::vector<uint8_t>(256 - 14, 0));

    song.SetName(std::string(31, 'n'));
    const std::vector<uint8_t> cut = Encode();
    EXPECT_EQ(Slice(cut, 17, 20), std::vector<uint8_t>(20, 'n'));
    EXPECT_EQ(cut[37], 0x1A);
}

TEST_F(XMWriterTest, CellsPackAsTheFlagByteAndTheFieldsItNames) {
    ClearPattern(0);
    const int rows = song.Patterns(0)->RowCount();
    std::vector<uint8_t> b = Encode();
    size_t at = XMPatternOffset(b, 0);
    EXPECT_EQ(LE32(b, at), 9u);
    EXPECT_EQ(b[at + 4], 0);
    EXPECT_EQ(LE16(b, at + 5), uint32_t(rows));
    ASSERT_EQ(LE16(b, at + 7), uint32_t(rows * 8));
    EXPECT_EQ(Slice(b, at + 9, size_t(rows * 8)), std::vector<uint8_t>(size_t(rows * 8), 0x80));

    TPattern* p = song.Patterns(0);
    p->SetNote(0, 0, kNoteKeyOff);
    p->SetCommand(1, 0, kCmdNoteCut); // parameter 0 still carries the sub-command
    p->SetCommand(2, 0, kCmdSetVolume);
    p->SetCommand(3, 0, kCmdSetPanning16);
    p->SetParam(3, 0, 15);
    p->SetCommand(4, 0, kCmdSync);
    p->SetParam(4, 0, 5);
    p->SetCell(5, 0, TCell{0, 0x40, 0, 48, kCmdSetSpeed, 6}); // C-4, instrument 1, volume 0x40
    p->SetCell(6, 0, TCell{0, 0x7B, 3, kVolumeNone, kCmdFinePortaDown, 0x12});
    b = Encode();
    at = XMPatternOffset(b, 0);
    const std::vector<uint8_t> expected{0x81, 0x61,                         // key off
                                        0x98, 0x0E, 0xC0,                   // note cut
                                        0x88, 0x0C,                         // set volume 0
                                        0x98, 0x08, 0xFF,                   // 16-point panning 15
                                        0x80,                               // sync: no effect
                                        0x9F, 0x31, 0x01, 0x40, 0x0F, 0x06, // all five fields
                                        0x9B, 0x60, 0x04, 0x0E, 0x22,       // B-7, E2x keeps 2x
                                        0x80};
    EXPECT_EQ(Slice(b, at + 9, expected.size()), expected);
    EXPECT_EQ(LE16(b, at + 7), uint32_t(rows * 8 + expected.size() - 8));
}

TEST_F(XMWriterTest, EveryCommandWithAnXMEffectSurvivesSaveAndLoad) {
    ClearPattern(2); // 128 rows
    TPattern* p = song.Patterns(2);
    std::vector<std::pair<uint8_t, uint8_t>> cells;
    for (int c = 1; c < kEffectCount; ++c) {
        if (c == kCmdSetPanning16 || c == kCmdSync) continue;
        const EffectInfo& info = EffectInfoOf(c);
        uint8_t param = (info.xmEffect == 0x0E || info.xmEffect == 0x21) ? 0x05 : 0x37;
        if (c == kCmdSetSpeed) param = 0x06;
        if (c == kCmdSetTempo) param = 0x80;
        cells.emplace_back(uint8_t(c), param);
    }
    cells.emplace_back(kCmdSetPanning16, 8); // becomes set panning 8 * 17
    cells.emplace_back(kCmdSync, 3);         // has no XM form
    ASSERT_LE(int(cells.size()), p->RowCount());
    for (size_t i = 0; i < cells.size(); ++i) {
        p->SetCommand(0, int(i), cells[i].first);
        p->SetParam(0, int(i), cells[i].second);
    }
    const fs::path file = dir / "effects.xm";
    song.SaveToXM(file.string());
    TSong back(file.string());
    TPattern* q = back.Patterns(2);
    for (size_t i = 0; i + 2 < cells.size(); ++i) {
        EXPECT_EQ(q->Command(0, int(i)), cells[i].first) << "command " << int(cells[i].first);
        EXPECT_EQ(q->Param(0, int(i)), cells[i].second) << "command " << int(cells[i].first);
    }
    const int n = int(cells.size());
    EXPECT_EQ(q->Command(0, n - 2), kCmdSetPanning);
    EXPECT_EQ(q->Param(0, n - 2), 136);
    EXPECT_EQ(q->Command(0, n - 1), kCmdNone);
    EXPECT_EQ(q->Param(0, n - 1), 0);
}

TEST_F(XMWriterTest, ANoteXMCannotHoldIsRefusedAndTheOldFileStays) {
    const fs::path file = dir / "song.xm";
    song.SaveToXM(file.string());
    const std::vector<uint8_t> before = ReadBytes(file);
    song.Patterns(3)->SetNote(2, 7, 0x80); // C-8 would be stored as XM's key off
    try {
        song.SaveToXM(file.string());
        FAIL() << "saved a note XM cannot store";
    } catch (const ESongError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(file.string()), std::string::npos) << message;
        EXPECT_NE(message.find("pattern 3 row 7 track 3"), std::string::npos) << message;
    }
    EXPECT_EQ(ReadBytes(file), before);
}

TEST_F(XMWriterTest, InstrumentBlocks) {
    TInstrument* full = song.Instruments(0);
    full->SetName(std::string(31, 'i'));
    full->Samples(0)->SetName(std::string(31, 's'));
    full->Samples(0)->SetFineTune(-16);
    const std::vector<uint8_t> b = Encode();

    // Without samples: exactly 29 bytes.
    const size_t empty = XMInstrumentOffset(b, 2);
    EXPECT_EQ(LE32(b, empty), 29u);
    EXPECT_EQ(LE16(b, empty + 27), 0u);
    EXPECT_EQ(XMInstrumentOffset(b, 3), empty + 29);

    const size_t at = XMInstrumentOffset(b, 0);
    EXPECT_EQ(LE32(b, at), 263u);
    EXPECT_EQ(Slice(b, at + 4, 22), std::vector<uint8_t>(22, 'i'));
    EXPECT_EQ(LE16(b, at + 27), 1u);
    EXPECT_EQ(LE32(b, at + 29), 40u);
    const size_t header = at + 263;
    EXPECT_EQ(LE32(b, header), 100u);
    EXPECT_EQ(b[header + 13], 0xF0); // finetune -16
    EXPECT_EQ(b[header + 14], 1);    // forward loop, 8-bit
    EXPECT_EQ(Slice(b, header + 18, 22), std::vector<uint8_t>(22, 's'));
}

TEST_F(XMWriterTest, SampleDataIsDeltaCodedAndLoopsAreStoredInBytes) {
    TSample* eight = NewSample(2, 3);
    eight->SetBits(8);
    ASSERT_EQ(eight->Length(), 3);
    eight->SetValues(0, 0);
    eight->SetValues(1, 1);
    eight->SetValues(2, -1);
    TSample* sixteen = NewSample(2, 8);
    sixteen->SetValues(0, 1000);
    sixteen->SetValues(1, -1000);
    sixteen->SetLoopStart(1);
    sixteen->SetLoopEnd(3);
    sixteen->SetLoopType(kLoopPingPong);

    const std::vector<uint8_t> b = Encode();
    const size_t at = XMInstrumentOffset(b, 2);
    ASSERT_EQ(LE32(b, at), 263u);
    ASSERT_EQ(LE16(b, at + 27), 2u);
    const size_t h16 = at + 263 + 40;
    EXPECT_EQ(LE32(b, h16), 8u);
    EXPECT_EQ(LE32(b, h16 + 4), 2u); // frame 1
    EXPECT_EQ(LE32(b, h16 + 8), 4u); // two frames
    EXPECT_EQ(b[h16 + 14], 0x12);
    const size_t data = at + 263 + 80;
    EXPECT_EQ(Slice(b, data, 3), (std::vector<uint8_t>{0x00, 0x01, 0xFE}));
    EXPECT_EQ(Slice(b, data + 3, 8),
              (std::vector<uint8_t>{0xE8, 0x03, 0x30, 0xF8, 0xE8, 0x03, 0x00, 0x00}));

    const fs::path file = dir / "loops.xm";
    song.SaveToXM(file.string());
    TSong back(file.string());
    const TSample* loaded = back.Instruments(2)->Samples(1);
    EXPECT_EQ(loaded->LoopStart(), 1);
    EXPECT_EQ(loaded->LoopEnd(), 3);
    EXPECT_EQ(loaded->Values(1), -1000);
}

TEST_F(XMWriterTest, ASwitchedOffEnvelopeKeepsItsPointsThroughASave) {
    TEnvelope* env = song.Instruments(0)->VolumeEnvelope(); // 4 points, kept sustain 1, loop 1-2
    env->SetEnabled(false);
    env->SetSustainEnabled(true);
    const std::vector<uint8_t> b = Encode();
    const size_t at = XMInstrumentOffset(b, 0);
    EXPECT_EQ(b[at + 225], 4);              // the kept count, not 0
    EXPECT_EQ(b[at + 227], 1);              // sustain
    EXPECT_EQ(b[at + 228], 1);              // loop start, kept while the loop is off
    EXPECT_EQ(b[at + 229], 2);              // loop end
    EXPECT_EQ(b[at + 233], 2);              // sustain on, envelope and loop off
    EXPECT_EQ(LE16(b, at + 129 + 12), 16u); // fourth point's tick

    const fs::path file = dir / "envelope.xm";
    song.SaveToXM(file.string());
    TSong back(file.string());
    TEnvelope* loaded = back.Instruments(0)->VolumeEnvelope();
    EXPECT_FALSE(loaded->Enabled());
    EXPECT_TRUE(loaded->SustainEnabled());
    loaded->SetEnabled(true);
    EXPECT_EQ(loaded->PointCount(), 4);
    EXPECT_EQ(loaded->PointTick(3), 16);
}

TEST_F(XMWriterTest, AFailedWriteLeavesThePreviousFileAndNoTemporaryFile) {
    const fs::path file = dir / "keep.xm";
    song.SaveToXM(file.string());
    const std::vector<uint8_t> before = ReadBytes(file);
    song.SetName("changed");
    const std::vector<uint8_t> bytes = Encode();

    // A disk that fills up after the first kilobyte.
    size_t written = 0;
    const FileWriteFunction full = [&](int fd, const void* data, size_t size) -> ssize_t {
        if (written >= 1024) {
            errno = ENOSPC;
            return -1;
        }
        const size_t n = std::min<size_t>(size, 1024 - written);
        written += n;
        return ::write(fd, data, n);
    };
    try {
        ReplaceFileContents(file.string(), bytes, full);
        FAIL() << "a failing write was not reported";
    } catch (const ESongError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(file.string()), std::string::npos) << message;
        EXPECT_NE(message.find(std::strerror(ENOSPC)), std::string::npos) << message;
    }
    EXPECT_EQ(written, 1024u);
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);

    // The same bytes through a working disk replace it whole.
    ReplaceFileContents(file.string(), bytes);
    EXPECT_EQ(ReadBytes(file), bytes);
}
