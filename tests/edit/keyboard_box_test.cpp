#include "edit/keyboard_box.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using Notes = std::vector<int>;

TEST(KeyboardGeometry, HitTestsBlackKeysOverWhiteOnesAndAtTheEdges) {
    const TKeyboardGeometry g(15, 600, 71);
    EXPECT_EQ(g.BlackWidth(), 5);
    EXPECT_EQ(g.NoteAt(17, 10), 1);   // D's left edge: C#
    EXPECT_EQ(g.NoteAt(17, 50), 2);   // lower half: D itself
    EXPECT_EQ(g.NoteAt(12, 10), 1);   // C's right edge: C#
    EXPECT_EQ(g.NoteAt(3, 10), 0);    // no black key left of C
    EXPECT_EQ(g.NoteAt(47, 10), 5);   // nor left of F
    EXPECT_EQ(g.NoteAt(42, 10), 4);   // nor right of E
    EXPECT_EQ(g.NoteAt(102, 10), 11); // nor right of B
    EXPECT_EQ(g.NoteAt(107, 10), 12); // C of octave 1
    EXPECT_EQ(g.NoteAt(20, 35), 2);   // y = H div 2 is already the lower half
    EXPECT_EQ(g.NoteAt(-1, 50), -1);
    EXPECT_EQ(TKeyboardGeometry(15, 600, 71, 7).NoteAt(17, 50), 14);
}

TEST(KeyboardGeometry, EveryKeysMiddleHitsItsOwnNoteAndItsRepaintSpanCoversIt) {
    for (int first : {0, 9}) {
        const TKeyboardGeometry g(15, 2000, 80, first);
        const auto keys = g.Keys();
        ASSERT_EQ(keys.size(), size_t(kKeyboardNotes));
        std::vector<bool> seen(kKeyboardNotes, false);
        for (size_t i = 0; i < keys.size(); ++i) {
            const TKeyRect& key = keys[i];
            EXPECT_EQ(key.black, i >= size_t(kWhiteKeys)); // black keys painted last
            seen[size_t(key.note)] = true;
            const int midX = (key.left + 1 + key.right) / 2;
            const int y = key.black ? key.bottom / 2 : key.bottom - 1;
            EXPECT_EQ(g.NoteAt(midX, y), key.note) << key.note;
            const TColumnSpan span = g.InvalidateNote(key.note);
            EXPECT_LE(span.left, key.left + (key.black ? 0 : 1)) << key.note;
            EXPECT_GE(span.right, key.right) << key.note;
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), true), kKeyboardNotes);
    }
}

TEST(KeyboardGeometry, KeysShareOutlinesAndCentreTheirLabels) {
    const TKeyboardGeometry g(15, 600, 71);
    const auto keys = g.Keys();
    const TKeyRect& d = keys[1];
    EXPECT_EQ(d.note, 2);
    EXPECT_EQ((std::vector<int>{d.left, d.top, d.right, d.bottom}),
              (std::vector<int>{14, -1, 30, 71}));
    EXPECT_EQ(d.LabelX(7), 19);
    EXPECT_EQ(d.labelY, 46);
    const TKeyRect& cs = keys[kWhiteKeys];
    EXPECT_EQ(cs.note, 1);
    EXPECT_EQ((std::vector<int>{cs.left, cs.top, cs.right, cs.bottom}),
              (std::vector<int>{10, 0, 20, 35}));
    EXPECT_EQ(cs.LabelX(4), 13);
    EXPECT_EQ(cs.labelY, 14);
    EXPECT_EQ(KeyLabel(nullptr, 40), "x");
}

TEST(KeyboardGeometry, ScrollsByWholeKeysWithinTheKeyboard) {
    TKeyboardGeometry g(15, 300, 71);
    TScrollBarState bar = g.UpdateScrollBar();
    EXPECT_TRUE(bar.enabled);
    EXPECT_EQ(bar.maximum, 36);
    EXPECT_EQ(g.Scroll(TScrollAction::LineRight), -15);
    EXPECT_EQ(g.Scroll(TScrollAction::PageRight), -105);
    EXPECT_EQ(g.FirstKey(), 8);
    g.Scroll(TScrollAction::Bottom);
    EXPECT_EQ(g.FirstKey(), 36);
    EXPECT_EQ(g.Scroll(TScrollAction::Thumb, 40), 0);
    EXPECT_EQ(g.Scroll(TScrollAction::Top), 36 * 15);
    g.Scroll(TScrollAction::LineLeft);
    EXPECT_EQ(g.FirstKey(), 0);
    TKeyboardGeometry wide(15, 900, 71, 20);
    EXPECT_EQ(wide.VisibleWhiteKeys(), 60);
    EXPECT_FALSE(wide.UpdateScrollBar().enabled);
    EXPECT_EQ(wide.FirstKey(), 0);
    EXPECT_GE(wide.NoteAt(850, 10), kKeyboardNotes);
}

TEST(KeyAssignDrag, AssignsEveryKeyPassedOverOnceAndOnlyWithTheRightButton) {
    const TKeyboardGeometry g(15, 600, 71);
    TKeyAssignDrag drag;
    EXPECT_EQ(drag.Press(g, TMouseButton::Left, 7, 60, true), Notes{});
    EXPECT_EQ(drag.Press(g, TMouseButton::Right, 7, 60, false), Notes{});
    EXPECT_FALSE(drag.Active());
    EXPECT_EQ(drag.Press(g, TMouseButton::Right, 7, 60, true), Notes{0});
    EXPECT_EQ(drag.Move(g, 9, 60, true), Notes{}); // still on C
    // A quick move reaches the keys in between.
    EXPECT_EQ(drag.Move(g, 97, 60, true), (Notes{2, 4, 5, 7, 9, 11}));
    EXPECT_EQ(drag.Move(g, 40, 60, true), (Notes{9, 7, 5, 4}));
    EXPECT_EQ(drag.Move(g, 10, 60, false), Notes{});
    EXPECT_EQ(drag.Release(), (Notes{0, 2, 4, 5, 7, 9, 11}));
    EXPECT_EQ(drag.Move(g, 10, 60, true), Notes{});
    // Beyond the last key nothing is assigned.
    const TKeyboardGeometry wide(15, 900, 71);
    EXPECT_EQ(drag.Press(wide, TMouseButton::Right, 850, 10, true), Notes{});
    EXPECT_EQ(drag.Move(wide, 830, 10, true), (Notes{95}));
}

} // namespace
