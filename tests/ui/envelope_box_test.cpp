// The envelope control through mouse events on a real song: the grab radius, the drag limits,
// the live preview committed as one step, and repaints kept to the changed points.
#include "model/envelope.h"
#include "model/instrument.h"
#include "model/song.h"
#include "paint_log.h"
#include "project/app_objects.h"
#include "support/test_paths.h"
#include "ui/widgets/envelope_box.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class EnvelopeBoxTest : public testing::Test {
protected:
    void SetUp() override {
        Project().Open((SharedDir() / "corpus" / "heroes04.xm").string());
        TSong& song = *Project().Song();
        while (!song.Instruments(instrument)->VolumeEnvelope()) ++instrument;
        // A known shape: three points, value 64 at the top edge of a 115-pixel control.
        SongEdit().EditEnvelope(instrument, false, "setup", [](TEnvelope& e) {
            e.SetEnabled(true);
            ApplyEnvelopePoints(e, {{{0, 32}, {50, 64}, {120, 16}}, 1, 0, 2});
        });
        SongEdit().Clear();
        box.resize(200, 115);
        box.SetEnvelope(instrument, false);
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    }
    void TearDown() override {
        SongEdit().Clear();
        Project().Close();
    }

    void Send(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, box.mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(&box, &event);
    }
    void Press(QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        Send(QEvent::MouseButtonPress, at, button);
    }
    void Move(QPointF at) { Send(QEvent::MouseMove, at, Qt::LeftButton); }
    void Release(QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        Send(QEvent::MouseButtonRelease, at, button);
    }
    TEnvelopePoints Points() const { return EnvelopePointsOf(*box.Envelope()); }
    QPointF At(int index) const {
        const TEnvelopePoint p = Points().points[size_t(index)];
        return QPointF(p.tick, box.Geometry().ValueToY(p.value));
    }

    int instrument = 0;
    TAppObjects objects;
    TEnvelopeBox box;
};

TEST_F(EnvelopeBoxTest, AGrabReachesFivePixelsAndNoFurther) {
    const QPointF middle = At(1);
    Press(middle + QPointF(3, 4));
    EXPECT_TRUE(box.Drag().Dragging());
    EXPECT_EQ(box.Drag().DragIndex(), 1);
    Release(middle + QPointF(3, 4));
    EXPECT_EQ(Points().points.size(), 3u);

    // 5.1 pixels to the right is empty space: a new point follows the mouse.
    Press(middle + QPointF(5.1, 0));
    ASSERT_TRUE(box.Drag().Dragging());
    EXPECT_EQ(box.Drag().DragIndex(), 2);
    EXPECT_EQ(Points().points.size(), 4u) << "the insertion shows at once";
    Release(middle + QPointF(5.1, 0));
    EXPECT_EQ(Points().points.size(), 4u);
    EXPECT_EQ(Points().points[2].tick, 55);
    EXPECT_EQ(SongEdit().UndoText(), "Insert Point");
}

TEST_F(EnvelopeBoxTest, DragsStopAtTheNeighboursAndTheEdges) {
    Press(At(1));
    Move({500, -30});
    EXPECT_EQ(Points().points[1], (TEnvelopePoint{119, 64})) << "one pixel before the next";
    Move({-10, 115});
    EXPECT_EQ(Points().points[1], (TEnvelopePoint{1, 0})) << "one pixel after the previous";
    Move({20, 57});
    EXPECT_EQ(Points().points[1], (TEnvelopePoint{20, 32}));
    Release({20, 57});

    Press(At(0));
    Move({90, 0});
    EXPECT_EQ(Points().points[0], (TEnvelopePoint{0, 64})) << "point 0 moves only vertically";
    Release({90, 0});

    Press(At(2));
    Move({1000, 200});
    EXPECT_EQ(Points().points[2], (TEnvelopePoint{200, 0})) << "the last point reaches the width";
    Release({1000, 200});
    EXPECT_EQ(SongEdit().History().count(), 3);
}

TEST_F(EnvelopeBoxTest, ADragIsPreviewedLiveAndUndoneAsOneStep) {
    const TEnvelopePoints before = Points();
    QSignalSpy changes(&box, &TEnvelopeBox::OnChange);
    Press(At(1));
    for (int x = 40; x <= 90; x += 10) Move({double(x), 20});
    EXPECT_EQ(Points().points[1].tick, 90) << "the envelope follows the drag";
    EXPECT_EQ(SongEdit().History().count(), 0) << "nothing is recorded before the release";
    EXPECT_EQ(changes.count(), 7);
    Release({90, 20});
    const TEnvelopePoints after = Points();
    ASSERT_NE(after, before);
    ASSERT_EQ(SongEdit().History().count(), 1);
    EXPECT_EQ(SongEdit().UndoText(), "Move Point");
    QApplication::processEvents();
    PaintLog log;
    box.installEventFilter(&log);
    SongEdit().Undo();
    EXPECT_EQ(Points(), before);
    QApplication::processEvents();
    EXPECT_FALSE(log.region.isEmpty()) << "an undo repaints the control";
    SongEdit().Redo();
    EXPECT_EQ(Points(), after);

    // A press that moves nothing records nothing.
    Press(At(1));
    Release(At(1));
    EXPECT_EQ(SongEdit().History().count(), 1);
}

TEST_F(EnvelopeBoxTest, RightPressesDeleteAsTheRulesAllow) {
    QSignalSpy changes(&box, &TEnvelopeBox::OnChange);
    Press(At(0), Qt::RightButton);
    EXPECT_EQ(Points().points.size(), 3u) << "point 0 stays";
    EXPECT_EQ(changes.count(), 1);
    Press({150, 10}, Qt::RightButton);
    Press({150, 10}, Qt::MiddleButton);
    EXPECT_EQ(changes.count(), 1) << "empty space fires nothing";
    EXPECT_EQ(SongEdit().History().count(), 0);

    const TEnvelopePoints before = Points();
    Press(At(1), Qt::RightButton);
    EXPECT_EQ(Points().points.size(), 2u);
    EXPECT_EQ(SongEdit().UndoText(), "Delete Point");
    Press(At(1), Qt::RightButton);
    EXPECT_EQ(Points().points.size(), 2u) << "two points remain";
    EXPECT_EQ(SongEdit().History().count(), 1);
    SongEdit().Undo();
    EXPECT_EQ(Points(), before);
}

TEST_F(EnvelopeBoxTest, ADisabledControlRefusesEverything) {
    box.setEnabled(false);
    QSignalSpy changes(&box, &TEnvelopeBox::OnChange);
    Press(At(1));
    EXPECT_FALSE(box.Drag().Dragging());
    EXPECT_EQ(changes.count(), 0);
    box.setEnabled(true);
    EventManager().Dispatch<EvClosingModule>();
    EXPECT_EQ(box.Envelope(), nullptr) << "a closing song takes the envelope away";
    Press({30, 30});
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(EnvelopeBoxTest, ADragRepaintsOnlyAroundTheDraggedPoint) {
    QApplication::processEvents();
    PaintLog log;
    box.installEventFilter(&log);
    Press(At(1));
    Move({60, 40});
    QApplication::processEvents();
    // The lines from point 0 to point 2 change; beyond point 2 nothing does.
    const QRect painted = log.region.boundingRect();
    EXPECT_FALSE(painted.isEmpty());
    EXPECT_LE(painted.right(), 120 + 4);
    EXPECT_LT(painted.width(), box.width());

    log.region = {};
    Release({60, 40});
    Press(At(2));
    Move({150, 40});
    QApplication::processEvents();
    EXPECT_GE(log.region.boundingRect().left(), 60 - 4) << "left of point 1 stays";
    Release({150, 40});
}

} // namespace
