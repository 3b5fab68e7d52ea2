// The XM reader on hand-made files: the variants real trackers write, and files it must refuse.
#include "engine/effect_catalogue.h"
#include "engine/formats/xm_reader.h"
#include "engine/sndlib.h"
#include "support/xm_builder.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct ModuleFree {
    void operator()(ModuleRecord* m) const { SNDfreeModule(m); }
};
using ModulePtr = std::unique_ptr<ModuleRecord, ModuleFree>;

ModulePtr Load(const std::vector<uint8_t>& bytes, XMLoadReport* report = nullptr) {
    ModulePtr module(LoadXM(bytes.data(), bytes.size(), "test.xm", report));
    EXPECT_NE(module, nullptr) << SNDgetErrorMessage(SNDgetLastError());
    return module;
}

std::vector<uint8_t> Cell(ModuleRecord* m, int pattern, int row, int track) {
    if (!PatternIsUnpacked(m->patterns[pattern])) {
        EXPECT_TRUE(PLYRdecompressPattern(m, pattern));
    }
    const uint8_t* c =
        m->patterns[pattern]->data + row * RowStride(m->channelCount) + track * kCellSize;
    return {c + 1, c + kCellSize}; // note, instrument, volume, command, param
}

const std::vector<uint8_t> kEmpty = {kNoteNone, kInstrumentNone, kVolumeNone, 0, 0};

XMTestSample Sample8(std::vector<int> values, std::string name = "") {
    XMTestSample s;
    s.values = std::move(values);
    s.name = std::move(name);
    return s;
}

std::vector<int> SignedData(const SampleRecord* s) {
    std::vector<int> out;
    if (s->format == kSampleFormat16) {
        for (int i = 0; i + 1 < s->length; i += 2)
            out.push_back(int16_t(uint16_t(s->data[i] | (s->data[i + 1] << 8))));
    } else {
        for (int i = 0; i < s->length; ++i) out.push_back(int(s->data[i]) - 128);
    }
    return out;
}

XMTestSong SongWithTwoInstruments(uint16_t version) {
    XMTestSong song;
    song.version = version;
    song.orders = {0, 1, 0};
    song.patterns.resize(2);
    song.patterns[1].rows = 100;
    song.patterns[1].cells = {{99, 3, 49, 2, 0x30, 0x0A, 0x04}, {0, 0, 97, 0, 0, 0, 0}};
    XMTestInstrument a;
    a.name = "first";
    a.samples = {Sample8({1, 2, 3}, "one"), Sample8({-5, 5}, "two")};
    a.keyboard[40] = 1;
    XMTestInstrument b;
    b.name = "second";
    XMTestSample wide;
    wide.is16 = true;
    wide.values = {1000, -1000, 32767};
    b.samples = {wide};
    song.instruments = {a, XMTestInstrument{"empty"}, b};
    return song;
}

} // namespace

TEST(XMReader, HeaderFieldsAndCellTranslation) {
    XMTestSong song;
    song.name = "A name of twenty chr";
    song.tracker = "Some Tracker";
    song.speed = 3;
    song.bpm = 140;
    song.restart = 1;
    song.orders = {0, 0};
    song.patterns[0].cells = {
        {0, 0, 1, 1, 0x10, 0x0C, 0x20},   {1, 0, 96, 0, 0x50, 0x0E, 0xC3},
        {2, 0, 97, 0, 0x55, 0x21, 0x15},  {3, 0, 98, 0, 0x65, 0x00, 0x37},
        {4, 1, 0, 0, 0x05, 0x0F, 0x20},   {5, 1, 0, 0, 0, 0x0F, 0x1F},
        {6, 1, 0, 0, 0, 0x22, 0x10},      {7, 1, 0, 0, 0, 0x21, 0x30},
        {8, 2, 0, 255, 0xFF, 0x0D, 0x21},
    };
    XMLoadReport report;
    ModulePtr m = Load(BuildXM(song), &report);
    ASSERT_TRUE(m);
    EXPECT_STREQ(m->name, "A name of twenty chr");
    EXPECT_STREQ(m->tracker, "Some Tracker");
    EXPECT_STREQ(m->origin, "xm");
    EXPECT_EQ(m->fileVersion, 0x0104);
    EXPECT_EQ(m->moduleType, kModuleTypeXM);
    EXPECT_EQ(m->speed, 3);
    EXPECT_EQ(m->tempo, 140);
    EXPECT_EQ(m->restartPosition, 1);
    EXPECT_EQ(m->songLength, 2);
    EXPECT_EQ(m->flags & kModuleFlagLinear, kModuleFlagLinear);
    EXPECT_EQ(m->channelCount, 4);

    EXPECT_EQ(Cell(m.get(), 0, 0, 0), (std::vector<uint8_t>{0x00, 0, 0, kCmdSetVolume, 0x20}));
    EXPECT_EQ(Cell(m.get(), 0, 1, 0), (std::vector<uint8_t>{0x7B, 255, 64, kCmdNoteCut, 3}));
    EXPECT_EQ(Cell(m.get(), 0, 2, 0),
              (std::vector<uint8_t>{kNoteKeyOff, 255, kVolumeNone, kCmdExtraFinePortaUp, 5}));
    EXPECT_EQ(Cell(m.get(), 0, 3, 0),
              (std::vector<uint8_t>{kNoteNone, 255, 0x55, kCmdArpeggio, 0x37}));
    EXPECT_EQ(Cell(m.get(), 0, 4, 1),
              (std::vector<uint8_t>{255, 255, kVolumeNone, kCmdSetTempo, 0x20}));
    EXPECT_EQ(Cell(m.get(), 0, 5, 1),
              (std::vector<uint8_t>{255, 255, kVolumeNone, kCmdSetSpeed, 0x1F}));
    EXPECT_EQ(Cell(m.get(), 0, 6, 1), kEmpty); // no command for these two: dropped and counted
    EXPECT_EQ(Cell(m.get(), 0, 7, 1), kEmpty);
    EXPECT_EQ(Cell(m.get(), 0, 8, 2),
              (std::vector<uint8_t>{255, 254, 0xEF, kCmdPatternBreak, 0x21}));
    EXPECT_EQ(Cell(m.get(), 0, 63, 3), kEmpty);
    EXPECT_EQ(report.droppedEffectTotal, 2u);
    EXPECT_EQ(report.droppedEffects[0x22], 1u);
    EXPECT_EQ(report.droppedEffects[0x21], 1u);
}

TEST(XMReader, OlderVersionsStoreTheSameSongInTheirOwnOrder) {
    for (uint16_t version : {0x0102, 0x0103, 0x0104}) {
        SCOPED_TRACE(version);
        const std::vector<uint8_t> bytes = BuildXM(SongWithTwoInstruments(version));
        ModulePtr m = Load(bytes);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->fileVersion, version);
        EXPECT_EQ(m->patternCount, 2);
        EXPECT_EQ(m->patterns[1]->rowCount, 100);
        EXPECT_EQ(Cell(m.get(), 1, 99, 3),
                  (std::vector<uint8_t>{0x40, 1, 0x20, kCmdVolumeSlide, 0x04}));
        EXPECT_EQ(Cell(m.get(), 1, 0, 0), (std::vector<uint8_t>{kNoteKeyOff, 255, 80, 0, 0}));
        ASSERT_EQ(m->instrumentCount, 3);
        EXPECT_EQ(m->sampleCount, 3);
        EXPECT_STREQ(m->instruments[0]->name, "first");
        EXPECT_EQ(m->instruments[0]->keyboardMap[40], 1);
        EXPECT_EQ(SignedData(m->instruments[0]->samples[0]), (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(SignedData(m->instruments[0]->samples[1]), (std::vector<int>{-5, 5}));
        EXPECT_STREQ(m->instruments[0]->samples[1]->name, "two");
        EXPECT_EQ(m->instruments[1]->sampleCount, 0);
        EXPECT_EQ(SignedData(m->instruments[2]->samples[0]),
                  (std::vector<int>{1000, -1000, 32767}));
    }
}

TEST(XMReader, UnusualHeaderSizesAreHonoured) {
    XMTestSong song = SongWithTwoInstruments(0x0104);
    song.headerSize = 300;
    song.patterns[0].headerLength = 13;
    song.instruments[0].headerSize = 300;
    song.instruments[0].sampleHeaderSize = 48;
    song.instruments[1].headerSize = 263; // room reserved although it has no samples
    song.instruments[2].headerSize = 33;  // nothing after the sample header size
    song.instruments[2].keyboard[5] = 3;
    ModulePtr m = Load(BuildXM(song));
    ASSERT_TRUE(m);
    EXPECT_EQ((std::vector<int>(m->orders, m->orders + 3)), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(Cell(m.get(), 1, 99, 3)[3], kCmdVolumeSlide);
    EXPECT_EQ(SignedData(m->instruments[0]->samples[1]), (std::vector<int>{-5, 5}));
    EXPECT_STREQ(m->instruments[0]->samples[1]->name, "two");
    const InstrumentRecord* short33 = m->instruments[2];
    EXPECT_EQ(short33->keyboardMap[5], 0);
    EXPECT_EQ(short33->volumeEnvelope->pointCount, 0);
    EXPECT_EQ(SignedData(short33->samples[0]), (std::vector<int>{1000, -1000, 32767}));

    // A module header that holds only two order bytes.
    song.headerSize = 22;
    song.orders = {1, 1, 1};
    m = Load(BuildXM(song));
    ASSERT_TRUE(m);
    EXPECT_EQ((std::vector<int>(m->orders, m->orders + 3)), (std::vector<int>{1, 1, 0}));
}

TEST(XMReader, PatternRowCountsAndMissingData) {
    XMTestSong song;
    song.orders = {0, 1, 2, 3};
    song.patterns.resize(4);
    song.patterns[0].emptyData = true;
    song.patterns[0].rows = 32;
    song.patterns[1].rows = 0; // read as 64 rows, as peers do
    song.patterns[2].rows = 300;
    song.patterns[2].cells = {{255, 1, 5, 0, 0, 0, 0}, {256, 1, 6, 0, 0, 0, 0}};
    song.patterns[3].cells = {{1, 1, 10, 0, 0, 0, 0}};
    std::vector<uint8_t> bytes = BuildXM(song);
    // Cut pattern 3's data short after its second row: the rest of it reads as empty.
    const size_t pattern3 = bytes.size() - 64 * 4 - 9 - 1; // header, cells, one note byte
    PutU16(bytes, pattern3 + 7, uint16_t(2 * 4 + 1));
    bytes.resize(pattern3 + 9 + 2 * 4 + 1);
    XMLoadReport report;
    ModulePtr m = Load(bytes, &report);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->patterns[0]->rowCount, 32);
    EXPECT_EQ(m->patterns[0]->word0, kPatternHeaderSize + 32 + 1);
    EXPECT_EQ(m->patterns[1]->rowCount, 64);
    EXPECT_EQ(m->patterns[2]->rowCount, 256);
    EXPECT_EQ(report.droppedRows, 44u);
    EXPECT_EQ(Cell(m.get(), 2, 255, 1)[0], 0x04);
    EXPECT_EQ(Cell(m.get(), 3, 1, 1)[0], 0x09);
    EXPECT_EQ(Cell(m.get(), 3, 63, 3), kEmpty);
}

TEST(XMReader, SampleDataVariants) {
    XMTestInstrument ins;
    XMTestSample plain = Sample8({0, 1, -1, 127, -128}, "exactly twenty-two chX");
    plain.volume = 80;
    plain.finetune = -16;
    plain.relativeNote = -12;
    plain.panning = 255;
    XMTestSample odd16; // 16-bit data with one stray byte: dropped, the next sample still lines up
    odd16.is16 = true;
    odd16.rawData = {0x10, 0x00, 0x10, 0x00, 0x7F};
    odd16.length = 5;
    odd16.lengthOverride = true;
    XMTestSample loop16;
    loop16.is16 = true;
    loop16.values = {0, 1, 2, 3, 4, 5, 6, 7};
    loop16.loopType = 1;
    loop16.loopStart = 4; // bytes: frames 2 .. 5
    loop16.loopLength = 6;
    XMTestSample pastEnd = Sample8(std::vector<int>(10, 0));
    pastEnd.loopType = 2;
    pastEnd.loopStart = 4;
    pastEnd.loopLength = 100;
    XMTestSample zeroLoop = Sample8(std::vector<int>(10, 0));
    zeroLoop.loopType = 1;
    zeroLoop.loopStart = 3;
    XMTestSample both = Sample8(std::vector<int>(10, 0));
    both.loopType = 3;
    both.loopLength = 10;
    XMTestSample adpcm; // table, then nibbles low first: steps +1, +1, -2, +7, +1
    adpcm.reserved = 0xAD;
    adpcm.rawData = {0, 1, 0xFE, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x11, 0x32, 0x01};
    adpcm.length = 5;
    adpcm.lengthOverride = true;
    XMTestSample stereo8 = Sample8({10, 20, -30});
    stereo8.rightValues = {30, -20, -10};
    stereo8.loopType = 1;
    stereo8.loopStart = 2; // bytes of both channels: frame 1
    stereo8.loopLength = 4;
    XMTestSample stereo16;
    stereo16.is16 = true;
    stereo16.values = {30000, -30000};
    stereo16.rightValues = {30000, 2};
    ins.samples = {plain, odd16, loop16, pastEnd, zeroLoop, both, adpcm, stereo8, stereo16};
    XMTestInstrument last;
    last.samples = {Sample8({1, 2, 3, 4, 5, 6, 7, 8})};
    XMTestSong song;
    song.instruments = {ins, last};
    std::vector<uint8_t> bytes = BuildXM(song);
    bytes.resize(bytes.size() - 3); // the last sample's data is cut short by the end of the file

    XMLoadReport report;
    ModulePtr m = Load(bytes, &report);
    ASSERT_TRUE(m);
    SampleRecord* const* s = m->instruments[0]->samples;
    EXPECT_EQ(s[0]->length, 5);
    EXPECT_EQ((std::vector<int>(s[0]->data, s[0]->data + 5)),
              (std::vector<int>{128, 129, 127, 255, 0}));
    EXPECT_EQ(std::string(s[0]->name), "exactly twenty-two chX");
    EXPECT_EQ(s[0]->volume, 64);
    EXPECT_EQ(s[0]->finetune, -16);
    EXPECT_EQ(s[0]->relativeNote, -12);
    EXPECT_EQ(s[0]->panning, 255);
    EXPECT_EQ(s[0]->format, kSampleFormat8);

    EXPECT_EQ(s[1]->format, kSampleFormat16);
    EXPECT_EQ(SignedData(s[1]), (std::vector<int>{16, 32}));
    EXPECT_EQ(SignedData(s[2]), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(s[2]->loopType, kLoopForward);
    EXPECT_EQ(s[2]->loopStart, 2);
    EXPECT_EQ(s[2]->loopEnd, 5);
    EXPECT_EQ(s[3]->loopType, kLoopPingPong);
    EXPECT_EQ(s[3]->loopStart, 4);
    EXPECT_EQ(s[3]->loopEnd, 10);
    EXPECT_EQ(s[4]->loopType, kLoopNone);
    EXPECT_EQ(s[5]->loopType, kLoopForward);
    EXPECT_EQ(report.pingPongForwardLoops, 1u);
    EXPECT_EQ(SignedData(s[6]), (std::vector<int>{1, 2, 0, 7, 8}));
    EXPECT_EQ(SignedData(s[7]), (std::vector<int>{20, 0, -20}));
    EXPECT_EQ(s[7]->loopStart, 1);
    EXPECT_EQ(s[7]->loopEnd, 3);
    EXPECT_EQ(SignedData(s[8]), (std::vector<int>{30000, -14999}));
    EXPECT_EQ(report.adpcmSamples, 1u);
    EXPECT_EQ(report.stereoSamples, 2u);

    EXPECT_EQ(SignedData(m->instruments[1]->samples[0]), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(report.truncatedSamples, 1u);
}

TEST(XMReader, InstrumentsKeepSixteenSamplesAndMissingOnesAreEmpty) {
    XMTestInstrument many;
    for (int i = 0; i < 18; ++i) many.samples.push_back(Sample8({i, i}));
    many.keyboard[0] = 17;
    many.keyboard[1] = 15;
    XMTestInstrument after;
    after.name = "after";
    after.samples = {Sample8({42})};
    XMTestSong song;
    song.instruments = {many, after};
    song.instrumentCountOverride = 4; // the file ends after two
    XMLoadReport report;
    ModulePtr m = Load(BuildXM(song), &report);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->instruments[0]->sampleCount, 16);
    EXPECT_EQ(SignedData(m->instruments[0]->samples[15]), (std::vector<int>{15, 15}));
    EXPECT_EQ(m->instruments[0]->keyboardMap[0], 0);
    EXPECT_EQ(m->instruments[0]->keyboardMap[1], 15);
    EXPECT_EQ(report.droppedSamples, 2u);
    EXPECT_STREQ(m->instruments[1]->name, "after");
    EXPECT_EQ(SignedData(m->instruments[1]->samples[0]), (std::vector<int>{42}));
    EXPECT_EQ(m->sampleCount, 17);
    ASSERT_EQ(m->instrumentCount, 4);
    for (int i : {2, 3}) {
        ASSERT_NE(m->instruments[i], nullptr);
        EXPECT_EQ(m->instruments[i]->sampleCount, 0);
        EXPECT_NE(m->instruments[i]->keyboardMap, nullptr);
    }
    EXPECT_EQ(report.missingInstruments, 2u);
}

TEST(XMReader, EnvelopesKeepSwitchedOffSettings) {
    XMTestInstrument ins;
    ins.samples = {Sample8({0})};
    ins.volume = {{{0, 64}, {10, 32}, {20, 16}, {30, 0}}, 4, 2, 1, 3, 1 | 2 | 4};
    ins.panning = {{{0, 0}, {5, 60}, {9, 20}, {12, 40}, {15, 32}}, 5, 9, 3, 7, 2 | 4};
    XMTestInstrument wild;
    wild.samples = {Sample8({0})};
    wild.volume = {{{0, 1}}, 20, 200, 13, 11, 1 | 2 | 4};
    XMTestSong song;
    song.instruments = {ins, wild};
    ModulePtr m = Load(BuildXM(song));
    ASSERT_TRUE(m);
    const EnvelopeRecord* v = m->instruments[0]->volumeEnvelope;
    EXPECT_EQ(v->pointCount, 4);
    EXPECT_EQ(v->sustainPoint, 2);
    EXPECT_EQ(v->loopStart, 1);
    EXPECT_EQ(v->loopEnd, 3);
    EXPECT_EQ(v->points[1].tick, 10);
    EXPECT_EQ(v->points[1].value, 32);

    const EnvelopeRecord* p = m->instruments[0]->panningEnvelope;
    EXPECT_EQ(p->pointCount, 0); // switched off
    EXPECT_EQ(p->savedPointCount, 5);
    EXPECT_EQ(p->savedSustain, 9);
    EXPECT_EQ(p->savedLoopStart, 3);
    EXPECT_EQ(p->savedLoopEnd, 7);
    EXPECT_EQ(p->sustainPoint, 4); // indices clamped to the points there are
    EXPECT_EQ(p->loopStart, 3);
    EXPECT_EQ(p->loopEnd, 4);
    EXPECT_EQ(p->points[3].value, 40);

    const EnvelopeRecord* w = m->instruments[1]->volumeEnvelope;
    EXPECT_EQ(w->pointCount, 12);
    EXPECT_EQ(w->savedPointCount, 12);
    EXPECT_EQ(w->savedSustain, 0);
    EXPECT_EQ(w->savedLoopStart, 0);
    EXPECT_EQ(w->savedLoopEnd, 11);
    EXPECT_EQ(w->sustainPoint, 11);
    EXPECT_EQ(w->loopEnd, 11);
    EXPECT_EQ(w->loopStart, 11);
    const EnvelopeRecord* off = m->instruments[1]->panningEnvelope;
    EXPECT_EQ(off->sustainPoint, kEnvelopeNone);
    EXPECT_EQ(off->loopStart, kEnvelopeNone);
    EXPECT_EQ(off->loopEnd, kEnvelopeNone);
}

TEST(XMReader, BrokenAndHostileFilesAreRefusedNamingTheFile) {
    XMTestSong song = SongWithTwoInstruments(0x0104);
    const std::vector<uint8_t> good = BuildXM(song);
    const size_t pattern0 = 336;
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        int32_t code;
    };
    const std::vector<Case> cases = {
        {"signature", [](auto& b) { b[3] = 'X'; }, kSndErrFormat},
        {"version", [](auto& b) { PutU16(b, 58, 0x0101); }, kSndErrCorrupt},
        {"no channels", [](auto& b) { PutU16(b, 68, 0); }, kSndErrCorrupt},
        {"33 channels", [](auto& b) { PutU16(b, 68, 33); }, kSndErrCorrupt},
        {"257 patterns", [](auto& b) { PutU16(b, 70, 257); }, kSndErrCorrupt},
        {"256 instruments", [](auto& b) { PutU16(b, 72, 256); }, kSndErrCorrupt},
        {"song length", [](auto& b) { PutU16(b, 64, 257); }, kSndErrCorrupt},
        {"header size", [](auto& b) { PutU32(b, 60, 0xFFFFFFF0u); }, kSndErrCorrupt},
        {"tiny header", [](auto& b) { PutU32(b, 60, 10); }, kSndErrCorrupt},
        {"pattern header", [=](auto& b) { PutU32(b, pattern0, 0x7FFFFFFFu); }, kSndErrCorrupt},
        {"pattern data", [=](auto& b) { PutU16(b, pattern0 + 7, 0xFFFF); }, kSndErrCorrupt},
        {"40 bytes", [](auto& b) { b.resize(40); }, kSndErrCorrupt},
        {"cut in the patterns", [=](auto& b) { b.resize(pattern0 + 20); }, kSndErrCorrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good;
        c.damage(bytes);
        SNDfail(kSndOk, "");
        ModuleRecord* m = LoadXM(bytes.data(), bytes.size(), "hostile.xm");
        EXPECT_EQ(m, nullptr);
        if (m) SNDfreeModule(m);
        EXPECT_EQ(SNDgetLastError(), c.code);
        EXPECT_EQ(SNDgetErrorMessage(c.code).rfind("hostile.xm: ", 0), 0u)
            << SNDgetErrorMessage(c.code);
    }
}

TEST(XMReader, HostileInstrumentAndSampleHeadersAreRefused) {
    // The first instrument header follows the single empty 4-channel pattern.
    const size_t instrument = 336 + 9 + 64 * 4;
    XMTestSong song;
    XMTestInstrument ins;
    ins.samples = {Sample8({1, 2})};
    song.instruments = {ins};
    const std::vector<uint8_t> good = BuildXM(song);
    ASSERT_EQ(good.size(), instrument + 263 + 40 + 2);
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
        int width;
    };
    for (const Case& c : {Case{"instrument size", instrument, 0x10000000u, 4},
                          Case{"sample count", instrument + 27, 60000, 2},
                          Case{"sample header size", instrument + 29, 100000, 4},
                          Case{"cut in the header", 0, 0, 0}}) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good;
        if (c.width == 4) PutU32(bytes, c.offset, c.value);
        if (c.width == 2) PutU16(bytes, c.offset, uint16_t(c.value));
        if (c.width == 0) bytes.resize(instrument + 100);
        ModuleRecord* m = LoadXM(bytes.data(), bytes.size(), "hostile.xm");
        EXPECT_EQ(m, nullptr);
        if (m) SNDfreeModule(m);
        EXPECT_EQ(SNDgetLastError(), kSndErrCorrupt);
        EXPECT_EQ(SNDgetErrorMessage(kSndErrCorrupt).rfind("hostile.xm: instrument 1", 0), 0u)
            << SNDgetErrorMessage(kSndErrCorrupt);
    }
}
