#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/song_dump.h"
#include "song_fixture.h"

#include <gtest/gtest.h>

TEST(SongLoading, RefusalCarriesTheEnginesMessageNamingTheFile) {
    const std::string missing = (TempDir() / "nothing-here.xm").string();
    try {
        TSong song(missing);
        FAIL();
    } catch (const ESongError& e) {
        EXPECT_STREQ(e.ClassName(), "ESongError");
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
        EXPECT_EQ(std::string(e.what()).find("Sound engine error"), std::string::npos);
    }
}

TEST(SongLoading, WrappersMatchTheRecordsAndNumbersEqualIndices) {
    auto song = LoadCorpusSong("heroes04.xm");
    ASSERT_EQ(song->PatternCount(), song->Module()->patternCount);
    int samples = 0;
    for (int i = 0; i < song->InstrumentCount(); ++i) {
        EXPECT_EQ(song->Instruments(i)->Number(), i);
        for (int s = 0; s < song->Instruments(i)->SampleCount(); ++s)
            EXPECT_EQ(song->Instruments(i)->Samples(s)->Number(), s);
        samples += song->Instruments(i)->SampleCount();
    }
    EXPECT_EQ(samples, song->SampleCount());
    for (int p = 0; p < song->PatternCount(); ++p) {
        EXPECT_FALSE(song->Patterns(p)->Packed());
        EXPECT_EQ(song->Patterns(p)->TrackCount(), song->ChannelCount());
    }
    EXPECT_EQ(song->MusicVolume(), 64);
    EXPECT_FALSE(song->Playing());
}

TEST(SongProperties, NamesAreCutAtThirtyOneCharacters) {
    auto song = LoadCorpusSong("mph.xm");
    const std::string longName(40, 'x');
    song->SetName(longName);
    EXPECT_EQ(song->Name(), longName.substr(0, 31));
    song->Instruments(0)->SetName(longName);
    EXPECT_EQ(song->Instruments(0)->Name().size(), 31u);
    song->Instruments(0)->Samples(0)->SetName("ab");
    EXPECT_EQ(song->Instruments(0)->Samples(0)->Name(), "ab");
    // Bytes after the terminator are zero, so nothing of the longer name lingers.
    EXPECT_EQ(song->Instruments(0)->Samples(0)->Record()->name[5], 0);
}

TEST(SongProperties, TypeTwoModulesDropTrailingMarkerPositions) {
    auto song = LoadCorpusSong("mph.xm");
    ModuleRecord* m = song->Module();
    const int stored = m->songLength;
    m->orders[stored - 1] = 255;
    m->orders[stored - 2] = 254;
    EXPECT_EQ(song->SongLength(), stored);
    m->moduleType = kModuleTypeSkipMarkers;
    EXPECT_EQ(song->SongLength(), stored - 2);
}

TEST(SampleProperties, ValuesClampToEachFormatsRange) {
    auto song = LoadCorpusSong("mph.xm");
    TSample* sample = song->Instruments(0)->Samples(0);
    ASSERT_EQ(sample->Bits(), 8);
    sample->SetValues(0, 200);
    EXPECT_EQ(sample->Record()->data[0], 255);
    EXPECT_EQ(sample->Values(0), 127);
    sample->SetValues(1, -300);
    EXPECT_EQ(sample->Record()->data[1], 0);
    EXPECT_EQ(sample->Values(1), -128);
    sample->SetValues(2, -5);
    EXPECT_EQ(sample->Values(2), -5);

    sample->SetBits(16);
    EXPECT_EQ(sample->Length(), sample->ByteLength() / 2);
    sample->SetValues(0, -40000);
    EXPECT_EQ(sample->Values(0), -32767);
    sample->SetValues(1, 40000);
    EXPECT_EQ(sample->Values(1), 32767);
    EXPECT_THROW(sample->Values(sample->Length()), EAssertionFailed);
    EXPECT_THROW(sample->SetBits(12), EAssertionFailed);
}

TEST(SampleProperties, BaseNoteAndPanningAreOffsetsOfTheRecord) {
    auto song = LoadCorpusSong("mph.xm");
    TSample* sample = song->Instruments(0)->Samples(0);
    sample->Record()->relativeNote = -12;
    EXPECT_EQ(sample->BaseNote(), 36);
    sample->SetBaseNote(60);
    EXPECT_EQ(sample->Record()->relativeNote, 12);
    sample->Record()->panning = 128;
    EXPECT_EQ(sample->Panning(), 0);
    sample->SetPanning(-128);
    EXPECT_EQ(sample->Record()->panning, 0);
}

TEST(InstrumentProperties, KeyboardMapIsIgnoredWithoutAMapAndForTypeFourModules) {
    auto song = LoadCorpusSong("heroes04.xm");
    TInstrument* instrument = song->Instruments(0);
    InstrumentRecord* record = instrument->Record();
    instrument->SetNoteSample(40, 3);
    EXPECT_EQ(instrument->NoteSample(40), 3);
    song->Module()->moduleType = kModuleTypeNoKeyboardMap;
    EXPECT_EQ(instrument->NoteSample(40), 0);
    song->Module()->moduleType = kModuleTypeXM;

    uint8_t* map = record->keyboardMap;
    record->keyboardMap = nullptr;
    EXPECT_EQ(instrument->NoteSample(40), 0);
    instrument->SetNoteSample(40, 5); // nothing to write to
    record->keyboardMap = map;
    EXPECT_EQ(instrument->NoteSample(40), 3);
}

TEST(InstrumentProperties, AnEmptyInstrumentSlotCannotBeWrapped) {
    auto song = LoadCorpusSong("mph.xm");
    try {
        TInstrument nil(song.get(), song->InstrumentCount());
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_TRUE(
            std::string(e.what()).starts_with("Error creating nil instrument. (instrument, line "));
    }
}

TEST(ChannelCount, SameCountTouchesNothingAndChangesKeepTheCellsThatFit) {
    auto song = LoadCorpusSong("heroes04.xm");
    ASSERT_EQ(song->ChannelCount(), 10);
    const PatternRecord* before = song->Patterns(0)->Record();
    song->SetChannelCount(10);
    EXPECT_EQ(song->Patterns(0)->Record(), before);

    const std::string dump = DumpSong(*song);
    song->SetChannelCount(32);
    EXPECT_EQ(song->ChannelCount(), 32);
    EXPECT_EQ(song->Channels(31)->Index, 31);
    for (int p = 0; p < song->PatternCount(); ++p)
        for (int r = 0; r < song->Patterns(p)->RowCount(); ++r)
            for (int t = 10; t < 32; ++t) ASSERT_TRUE(song->Patterns(p)->IsCellEmpty(t, r));
    song->SetChannelCount(10);
    EXPECT_EQ(DumpSong(*song), dump);

    // Fewer channels lose the cells of the dropped tracks, and only those.
    const TCell kept = song->Patterns(0)->GetCell(0, 0);
    song->SetChannelCount(1);
    EXPECT_EQ(song->Patterns(0)->GetCell(0, 0), kept);
    EXPECT_THROW(song->Patterns(0)->GetCell(1, 0), EAssertionFailed);
    EXPECT_THROW(song->SetChannelCount(33), EAssertionFailed);
}
