// The piano roll on its own: which pixels each change asks to repaint, and that the picture
// built from those partial repaints is the picture a full repaint draws.
#include "edit/grid_pattern.h"
#include "model/notes.h"
#include "paint_log.h"
#include "project/app_objects.h"
#include "ui/widgets/piano_roll.h"

#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Describe(const QRegion& region) {
    std::string text;
    for (const QRect& r : region)
        text += std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
                std::to_string(r.width()) + "x" + std::to_string(r.height()) + "; ";
    return text;
}

class PianoRollPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int t = 0; t < 8; ++t)
            for (int r = 0; r < 64; r += 2) Put(t, r, 40 + (t * 5 + r) % 20);
        roll.SetColWidth(12);
        roll.SetRowHeight(10);
        roll.resize(420, 320);
        roll.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&roll));
        roll.SetPattern(&*pattern);
        roll.verticalScrollBar()->setValue(38);
        Settle();
        roll.viewport()->installEventFilter(&paints);
    }
    void Put(int track, int row, int lane, uint8_t instrument = 0) {
        pattern->SetCell(track, row, TGridPattern::Note(NoteFromIndex(lane), instrument));
    }
    void Settle() {
        QTest::qWait(20);
        paints.region = QRegion();
    }
    QRect Place(int row, int lane) const {
        const TRollGeometry& g = roll.Geometry();
        return QRect(g.X(row), g.Y(lane), g.colWidth, g.rowHeight);
    }
    // What is on the screen against what a repaint of everything would draw.
    QImage Shown() { return roll.screen()->grabWindow(roll.winId()).toImage(); }
    // Read first: a full repaint would hide what partial repaints left behind.
    bool MatchesFreshPaint() {
        const QImage shown = Shown();
        return shown == Fresh();
    }
    QImage Fresh() {
        roll.viewport()->update();
        QTest::qWait(20);
        return Shown();
    }
    void Mouse(QEvent::Type type, TRollPoint at, Qt::KeyboardModifiers mods = {}) {
        const QPoint p = roll.Centre(at);
        QMouseEvent event(type, p, roll.viewport()->mapToGlobal(p), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, mods);
        QApplication::sendEvent(roll.viewport(), &event);
    }

    TAppObjects objects;
    TGridPattern pattern{8, 64};
    TPianoRoll roll;
    PaintLog paints;
};

} // namespace

TEST_F(PianoRollPaintTest, TheMarksOfAToggledNoteRepaintOnlyItsBox) {
    const int lane = 40 + (2 * 5 + 6) % 20;
    ASSERT_TRUE(roll.Model().HitTest({lane, 6}).has_value());
    Mouse(QEvent::MouseButtonPress, {lane, 6}, Qt::ShiftModifier);
    Mouse(QEvent::MouseButtonRelease, {lane, 6}, Qt::ShiftModifier);
    ASSERT_EQ(roll.Model().Selection().Count(), 1);
    QTest::qWait(20);
    ASSERT_FALSE(paints.region.isEmpty());
    EXPECT_TRUE(Place(6, lane).adjusted(-2, -2, 2, 2).contains(paints.region.boundingRect()))
        << "painted " << paints.region.boundingRect().width() << " x "
        << paints.region.boundingRect().height();
    EXPECT_TRUE(MatchesFreshPaint());
}

TEST_F(PianoRollPaintTest, ABoxRepaintsItsOutlineAndNotItsInside) {
    const TRollPoint from{39, 3}, to{52, 20};
    Mouse(QEvent::MouseButtonPress, from, Qt::ControlModifier);
    ASSERT_EQ(roll.DragMode(), 3);
    Settle();
    Mouse(QEvent::MouseMove, to, Qt::ControlModifier);
    QTest::qWait(20);
    const QRect box = Place(from.row, from.note).united(Place(to.row, to.note));
    ASSERT_FALSE(paints.region.isEmpty());
    EXPECT_TRUE(box.adjusted(-2, -2, 2, 2).contains(paints.region.boundingRect()))
        << Describe(paints.region) << " box " << Describe(box);
    // Inside, only the outline of the one-place box it grew from is erased.
    const QRegion inside = QRegion(box.adjusted(3, 3, -3, -3))
                               .subtracted(Place(from.row, from.note).adjusted(-2, -2, 2, 2));
    EXPECT_TRUE(paints.region.intersected(inside).isEmpty()) << Describe(paints.region);
    EXPECT_TRUE(MatchesFreshPaint()) << "the outline drawn from partial repaints";
    Mouse(QEvent::MouseMove, {45, 10}, Qt::ControlModifier);
    QTest::qWait(20);
    EXPECT_TRUE(MatchesFreshPaint()) << "a shrunk box leaves nothing of its old outline";
    Mouse(QEvent::MouseButtonRelease, {45, 10});
    EXPECT_GT(roll.Model().Selection().Count(), 0);
}

TEST_F(PianoRollPaintTest, ADragRepaintsTheNotesItMovesAndLeavesNoTrace) {
    roll.Model().SelectBox({40, 0}, {59, 9}, false);
    const int selected = roll.Model().Selection().Count();
    ASSERT_GT(selected, 4);
    roll.viewport()->update();
    Settle();
    const TSelNote first = roll.Model().Selection().Notes().front();
    const TRollPoint anchor{NoteIndex(first.homeCell.note), first.homeRow};
    Mouse(QEvent::MouseButtonPress, anchor);
    ASSERT_EQ(roll.DragMode(), 1);
    Mouse(QEvent::MouseMove, {anchor.note + 2, anchor.row + 1});
    Mouse(QEvent::MouseMove, {anchor.note + 3, anchor.row + 3});
    QTest::qWait(20);
    // Rows 0..9 moved by up to three rows: nothing right of row 13 needs drawing again.
    const int right = Place(13, 40).right();
    EXPECT_LE(paints.region.boundingRect().right(), right);
    EXPECT_TRUE(MatchesFreshPaint());
    Mouse(QEvent::MouseMove, {anchor.note - 1, anchor.row + 1});
    QTest::qWait(20);
    EXPECT_TRUE(MatchesFreshPaint()) << "moving back leaves no box behind";
    roll.CancelOperation();
    EXPECT_EQ(roll.Model().Selection().Count(), selected);
}

TEST_F(PianoRollPaintTest, TheMarkerRepaintsItsStripAndGlidesWithinItsRow) {
    QRegion strips;
    const auto strip = [&] { return QRect(roll.MarkerX() - 1, 0, 3, roll.viewport()->height()); };
    strips += strip();
    roll.SetSongRow(5);
    strips += strip();
    QTest::qWait(20);
    ASSERT_FALSE(paints.region.isEmpty());
    EXPECT_TRUE(paints.region.subtracted(strips).isEmpty());
    EXPECT_TRUE(MatchesFreshPaint());

    int playing = 7;
    roll.FollowPlayback([&] { return playing; }, 200);
    EXPECT_TRUE(roll.FollowingPlayback());
    const TRollGeometry& g = roll.Geometry();
    for (int row : {7, 8, 9}) {
        playing = row;
        roll.AdvanceMarker();
        EXPECT_EQ(roll.SongRow(), row);
        EXPECT_GE(roll.MarkerX(), g.X(row) + g.colWidth / 2);
        EXPECT_LT(roll.MarkerX(), g.X(row + 1) + g.colWidth / 2) << "never into the next row";
    }
    Settle();
    roll.AdvanceMarker();
    QTest::qWait(20);
    for (const QRect& r : paints.region) EXPECT_LE(r.width(), 6) << "only marker strips";
    // The glide runs on the wall clock: compare once the marker waits short of the next row.
    for (int x = -1, i = 0; i < 120 && roll.MarkerX() != x; ++i) {
        x = roll.MarkerX();
        QTest::qWait(50);
    }
    EXPECT_TRUE(MatchesFreshPaint());
    playing = -1;
    roll.AdvanceMarker();
    EXPECT_FALSE(roll.FollowingPlayback());
    EXPECT_EQ(roll.MarkerX(), g.X(9) + g.colWidth / 2) << "at rest on the row's centre";
    QTest::qWait(20);
    EXPECT_TRUE(MatchesFreshPaint());
}

TEST_F(PianoRollPaintTest, ScrollingRepaintsOnlyTheUncoveredStrip) {
    const TRollGeometry& g = roll.Geometry();
    const QRect view = roll.viewport()->rect();
    roll.horizontalScrollBar()->setValue(roll.horizontalScrollBar()->value() + 2);
    QTest::qWait(20);
    ASSERT_FALSE(paints.region.isEmpty());
    EXPECT_LE(paints.region.boundingRect().width(), 2 * g.colWidth + 1);
    EXPECT_GE(paints.region.boundingRect().left(), view.right() - 2 * g.colWidth - 1)
        << "the key lane and the notes already drawn stay";
    EXPECT_TRUE(MatchesFreshPaint());
    Settle();
    roll.verticalScrollBar()->setValue(roll.verticalScrollBar()->value() - 3);
    QTest::qWait(20);
    ASSERT_FALSE(paints.region.isEmpty());
    EXPECT_LE(paints.region.boundingRect().height(), 3 * g.rowHeight);
    EXPECT_EQ(paints.region.boundingRect().top(), 0);
    EXPECT_TRUE(MatchesFreshPaint());
}

TEST_F(PianoRollPaintTest, TheLowerTrackShowsWhereTwoHoldTheSameNote) {
    const auto boxImage = [&] {
        const QImage all = Fresh();
        return all.copy(roll.viewport()->mapTo(&roll, Place(1, 45).topLeft()).x(),
                        roll.viewport()->mapTo(&roll, Place(1, 45).topLeft()).y(), 12, 10);
    };
    Put(5, 1, 45);
    const QImage five = boxImage();
    Put(2, 1, 45);
    const QImage both = boxImage();
    pattern->ClearCell(5, 1);
    const QImage two = boxImage();
    EXPECT_EQ(both, two);
    EXPECT_NE(both, five) << "the track numbers differ";
}

TEST_F(PianoRollPaintTest, ThePointerTellsWhatAClickWouldDo) {
    const auto shape = [&](TRollPoint at, Qt::KeyboardModifiers mods = {}) {
        Mouse(QEvent::MouseMove, at, mods);
        return roll.viewport()->cursor().shape();
    };
    const int lane = 40 + (3 * 5 + 4) % 20;
    EXPECT_EQ(shape({lane, 4}), Qt::PointingHandCursor);
    EXPECT_EQ(shape({lane + 1, 4}), Qt::ForbiddenCursor) << "all eight tracks hold row 4";
    EXPECT_EQ(shape({lane + 1, 3}), Qt::ArrowCursor) << "row 3 has free tracks";
    EXPECT_EQ(shape({lane + 1, 4}, Qt::ControlModifier), Qt::CrossCursor) << "a box may start";
    for (int t = 0; t < 8; ++t) Put(t, 5, 60 + t);
    EXPECT_EQ(shape({50, 5}), Qt::ForbiddenCursor) << "every track of row 5 is taken";
    roll.Model().currentInstrument = 0;
    Mouse(QEvent::MouseButtonPress, {50, 5});
    Mouse(QEvent::MouseButtonRelease, {50, 5});
    EXPECT_FALSE(roll.Model().Cells().Pending()) << "nothing placed";
    roll.SetTrackVisible(7, false);
    pattern->ClearCell(7, 5);
    EXPECT_EQ(shape({50, 5}), Qt::ForbiddenCursor) << "a hidden free track does not count";
}

TEST_F(PianoRollPaintTest, ATallRollShowsEveryLaneWithoutAVerticalBar) {
    EXPECT_TRUE(roll.verticalScrollBar()->isEnabled());
    roll.resize(420, 1100);
    QTest::qWait(20);
    EXPECT_FALSE(roll.verticalScrollBar()->isEnabled());
    EXPECT_EQ(roll.verticalScrollBar()->value(), 0);
    EXPECT_EQ(roll.Geometry().vertScroll, 0);
    EXPECT_EQ(roll.Geometry().Y(0), 0) << "lane 0 at the top";
    EXPECT_TRUE(MatchesFreshPaint());
}
