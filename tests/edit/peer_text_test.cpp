#include "edit/peer_text.h"
#include "engine/effect_catalogue.h"
#include "grid_pattern.h"
#include "model/notes.h"
#include "model/song.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <random>

namespace {

TCell MakeCell(uint8_t note, uint8_t instrument, uint8_t volume, uint8_t command, uint8_t param) {
    TCell cell;
    cell.note = note;
    cell.instrument = instrument;
    cell.volume = volume;
    cell.command = command;
    cell.param = param;
    return cell;
}

TEST(PeerText, EncodesCellsAsThePeersWriteThem) {
    TBlock block(3, 2);
    block.Cell(0, 0) = MakeCell(0x40, 0, 64, kCmdVolumeSlide, 0x0F);
    block.Cell(1, 0) = MakeCell(kNoteKeyOff, kInstrumentNone, kVolumeNone, 0, 0);
    block.Cell(2, 0) = MakeCell(0x7B, 99, 0xB8, kCmdSetTempo, 0x80);
    block.Cell(0, 1) = MakeCell(0x03, 11, 0x55, kCmdFinePortaUp, 0x0A);
    block.Cell(1, 1) = MakeCell(kNoteNone, kInstrumentNone, 0x60, kCmdSetGlobalVolume, 0);
    block.Cell(2, 1) = MakeCell(kNoteNone, kInstrumentNone, 0xE3, kCmdExtraFinePortaDown, 0x02);
    EXPECT_EQ(EncodePeerText(block), "ModPlug Tracker  XM\r\n"
                                     "|C-501v64A0F|===........|B-8:0p34F80\r\n"
                                     "|D#112d05E1A|.....c00G..|.....g03X22\r\n");
}

TEST(PeerText, ParsesTextCopiedInAPeer) {
    const std::string text = "ModPlug Tracker  XM\r\n"
                             "|C-501v64A0F|===........|F#3..v00...\r\n"
                             "|...........|D#503...E1A|C-9..p64B02\r\n"
                             "|C-0.......F|B-899d15ED3|G-4:3a05R81\r\n";
    const std::optional<TBlock> block = ParsePeerText(text);
    ASSERT_TRUE(block);
    ASSERT_EQ(block->Tracks(), 3);
    ASSERT_EQ(block->Rows(), 3);
    EXPECT_EQ(block->Cell(0, 0), MakeCell(0x40, 0, 64, kCmdVolumeSlide, 0x0F));
    EXPECT_EQ(block->Cell(1, 0), MakeCell(kNoteKeyOff, kInstrumentNone, kVolumeNone, 0, 0));
    EXPECT_EQ(block->Cell(2, 0), MakeCell(0x26, kInstrumentNone, 0, 0, 0));
    EXPECT_EQ(block->Cell(0, 1), TCell{});
    EXPECT_EQ(block->Cell(1, 1), MakeCell(0x43, 2, kVolumeNone, kCmdFinePortaUp, 0x0A));
    // C-9 is past the last XM note; panning 64 is the top nibble.
    EXPECT_EQ(block->Cell(2, 1), MakeCell(kNoteNone, kInstrumentNone, 0xBF, kCmdPositionJump, 2));
    EXPECT_EQ(block->Cell(0, 2), MakeCell(kNoteNone, kInstrumentNone, kVolumeNone, 0, 0));
    EXPECT_EQ(block->Cell(1, 2), MakeCell(0x7B, 98, 0x5F, kCmdNoteDelay, 3));
    EXPECT_EQ(block->Cell(2, 2), MakeCell(0x37, 102, 0x85, kCmdMultiRetrig, 0x81));
    EXPECT_EQ(block->Fields(0, 1), kFieldsAll);
}

TEST(PeerText, BlanksCarryNoField) {
    const std::optional<TBlock> block = ParsePeerText("ModPlug Tracker XM\n"
                                                      "|E-4        |   02   C10\n"
                                                      "|\n");
    ASSERT_TRUE(block);
    ASSERT_EQ(block->Tracks(), 2);
    ASSERT_EQ(block->Rows(), 2);
    EXPECT_EQ(block->Fields(0, 0), kFieldNote);
    EXPECT_EQ(block->Cell(0, 0).note, 0x34);
    EXPECT_EQ(block->Fields(1, 0), kFieldInstrument | kFieldEffect);
    EXPECT_EQ(block->Cell(1, 0).instrument, 1);
    EXPECT_EQ(block->Cell(1, 0).command, kCmdSetVolume);
    EXPECT_EQ(block->Fields(0, 1), 0);
    EXPECT_EQ(block->Fields(1, 1), 0); // a row shorter than the block
}

// Schism Tracker copies with Impulse Tracker effect letters, another alphabet than XM's.
TEST(PeerText, ImpulseLetteredTextKeepsEverythingButTheEffects) {
    int dropped = -1;
    const auto block = ParsePeerText("Pasted Pattern - IT\r\n"
                                     "|C-501v64A0F|D-502...\r\n"
                                     "|E-5..p32...|F-503c05T7D\r\n",
                                     &dropped);
    ASSERT_TRUE(block);
    EXPECT_EQ(dropped, 2);
    EXPECT_EQ(block->Cell(0, 0), MakeCell(0x40, 0, 64, 0, 0));
    EXPECT_EQ(block->Fields(0, 0), kFieldNote | kFieldInstrument | kFieldVolume);
    EXPECT_EQ(block->Cell(0, 1).volume, 0xB8);
    EXPECT_EQ(block->Cell(1, 1), MakeCell(0x45, 2, 0x65, 0, 0));
    EXPECT_TRUE(ParsePeerText("ModPlug Tracker S3M\r\n|C-501v64A0F\r\n", &dropped));
    EXPECT_EQ(dropped, 1);
    EXPECT_TRUE(ParsePeerText("ModPlug Tracker  XM\r\n|C-501v64A0F\r\n", &dropped));
    EXPECT_EQ(dropped, 0);
}

TEST(PeerText, MalformedTextIsRefusedOrClipped) {
    EXPECT_FALSE(ParsePeerText(""));
    EXPECT_FALSE(ParsePeerText("ModPlug Tracker  XM"));
    EXPECT_FALSE(ParsePeerText("ModPlug Tracker  XM\r\n\r\n"));
    EXPECT_FALSE(ParsePeerText("ModPlug Tracker  XX\r\n|C-501v64A0F\r\n"));
    EXPECT_FALSE(ParsePeerText("Pasted Pattern\r\n|C-501v64A0F\r\n"));
    EXPECT_FALSE(ParsePeerText("|C-501v64A0F\r\n"));
    EXPECT_FALSE(ParsePeerText(std::string("ModPlug Tracker  XM\r\n\0|C-5", 26)));
    // Text before the header is someone else's; lines before the rows (an order list) too.
    const auto later = ParsePeerText("clip from elsewhere\nModPlug Tracker  XM\nOrders: 0\n"
                                     "Rows: 2\n|C-5..\n|D-5..\nRows: 4\n|E-5..\n");
    ASSERT_TRUE(later);
    EXPECT_EQ(later->Rows(), 2); // the second pattern is not pasted
    EXPECT_EQ(later->Cell(0, 1).note, 0x42);
    std::string wide = "ModPlug Tracker  XM\n";
    for (int t = 0; t < 40; ++t) wide += "|C-501......";
    wide += '\n';
    for (int r = 0; r < 300; ++r) wide += "|D-5\n";
    const auto clipped = ParsePeerText(wide);
    ASSERT_TRUE(clipped);
    EXPECT_EQ(clipped->Tracks(), 32);
    EXPECT_EQ(clipped->Rows(), 256);
    const auto junk = ParsePeerText("ModPlug Tracker  XM\n|Q-5ZZz99x!!|||C#\xff\xfe\n");
    ASSERT_TRUE(junk);
    EXPECT_EQ(junk->Cell(0, 0), TCell{});
    EXPECT_EQ(junk->Cell(3, 0).note, kNoteNone);
}

// Whatever the text, a parsed block holds only cells the pattern can take.
TEST(PeerText, MutatedTextNeverYieldsAnImpossibleCell) {
    const std::string seed = "ModPlug Tracker  XM\r\n|C-501v64A0F|===........|F#3..v00...\r\n"
                             "|...........|D#503...E1A|C-9..p64B02\r\n";
    const std::string alphabet = "|.=-#0123456789ABCDEFGHKLPRTXvpcdabuhlrg \r\n\xff";
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        std::string text = seed;
        const int edits = 1 + int(random() % 12);
        for (int e = 0; e < edits; ++e) {
            const size_t at = random() % text.size();
            const char c = alphabet[random() % alphabet.size()];
            switch (random() % 3) {
            case 0:
                text[at] = c;
                break;
            case 1:
                text.insert(at, 1, c);
                break;
            default:
                text.erase(at, 1 + random() % 4);
                break;
            }
            if (text.empty()) text = "|";
        }
        const std::optional<TBlock> block = ParsePeerText(text);
        if (!block) continue;
        ASSERT_LE(block->Tracks(), kMaxChannels);
        ASSERT_LE(block->Rows(), kMaxRows);
        for (int t = 0; t < block->Tracks(); ++t)
            for (int r = 0; r < block->Rows(); ++r) {
                const TCell& cell = block->Cell(t, r);
                ASSERT_TRUE(cell.note == kNoteNone || cell.note == kNoteKeyOff ||
                            (NoteSemitone(cell.note) < 12 && NoteIndex(cell.note) < kNoteCount))
                    << text;
                ASSERT_LT(cell.command, kEffectCount) << text;
                ASSERT_TRUE(cell.volume <= 64 || (cell.volume >= 0x50 && cell.volume < 0xF0))
                    << text;
            }
    }
}

// Every pattern of the corpus XM modules goes out as text and comes back cell for cell.
TEST(PeerText, CorpusPatternsSurviveTheRoundTrip) {
    int patterns = 0;
    for (const auto& path : CorpusFiles({".xm"})) {
        TSong song(path.string());
        for (int p = 0; p < song.PatternCount(); ++p) {
            const TPattern& pattern = *song.Patterns(p);
            const TBlock block = CopyBlock(pattern, WholePattern(pattern));
            const std::optional<TBlock> back = ParsePeerText(EncodePeerText(block));
            ASSERT_TRUE(back) << path << " pattern " << p;
            ASSERT_EQ(back->Tracks(), block.Tracks());
            ASSERT_EQ(back->Rows(), block.Rows());
            for (int t = 0; t < block.Tracks(); ++t)
                for (int r = 0; r < block.Rows(); ++r)
                    ASSERT_EQ(back->Cell(t, r), block.Cell(t, r))
                        << path << " pattern " << p << " track " << t << " row " << r;
            ++patterns;
        }
    }
    EXPECT_GT(patterns, 20);
}

} // namespace
