// The keyboard map control through mouse events and its scroll bar on a real song: the hit
// tests, the right-button assignment as one step, and scrolling by whole keys.
#include "model/instrument.h"
#include "model/song.h"
#include "paint_log.h"
#include "project/app_objects.h"
#include "support/test_paths.h"
#include "ui/widgets/keyboard_box.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class KeyboardBoxTest : public testing::Test {
protected:
    void SetUp() override {
        Project().Open((SharedDir() / "corpus" / "dali.xm").string());
        TSong& song = *Project().Song();
        while (song.Instruments(instrument)->SampleCount() == 0) ++instrument;
        Instrument().InsertSample(-1); // a second sample to assign
        box.SetInstrument(instrument);
        box.SetAssignSample(1);
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        Size(300, 71);
    }
    void TearDown() override {
        SongEdit().Clear();
        Project().Close();
    }
    // Sizes the control so that its keys get this area.
    void Size(int width, int height) {
        const QSize keys = box.viewport()->size();
        box.resize(box.width() + width - keys.width(), box.height() + height - keys.height());
        ASSERT_EQ(box.viewport()->size(), QSize(width, height));
    }
    TInstrument& Instrument() { return *Project().Song()->Instruments(instrument); }

    void Send(QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent event(type, at, box.viewport()->mapToGlobal(at), Qt::RightButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(box.viewport(), &event);
    }
    // The notes a right-button press at this point assigns.
    int RightClick(QPoint at) {
        QSignalSpy assigned(&box, &TKeyboardBox::OnAssign);
        Send(QEvent::MouseButtonPress, at, Qt::RightButton);
        Send(QEvent::MouseButtonRelease, at, Qt::NoButton);
        return assigned.isEmpty() ? -1 : box.CurrentNote();
    }

    int instrument = 0;
    TAppObjects objects;
    TKeyboardBox box;
};

TEST_F(KeyboardBoxTest, RightPressesHitTheKeysUnderThem) {
    EXPECT_EQ(RightClick({17, 10}), 1) << "C# over the left edge of D";
    EXPECT_EQ(RightClick({17, 50}), 2) << "D in the lower half";
    EXPECT_EQ(RightClick({12, 10}), 1) << "C# over the right edge of C";
    EXPECT_EQ(RightClick({3, 10}), 0) << "C has no black key to its left";
    EXPECT_EQ(RightClick({47, 10}), 5) << "nor has F";
    for (int note : {0, 1, 2, 5}) EXPECT_EQ(Instrument().NoteSample(note), 1) << note;
    EXPECT_EQ(Instrument().NoteSample(3), 0);

    box.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(box.FirstKey(), 7);
    EXPECT_EQ(RightClick({17, 50}), 14) << "one octave on";
}

TEST_F(KeyboardBoxTest, ADragAssignsEveryKeyPassedOverAsOneStep) {
    Send(QEvent::MouseButtonPress, {2, 60}, Qt::RightButton);
    for (int x = 10; x <= 100; x += 10) Send(QEvent::MouseMove, {x, 60}, Qt::RightButton);
    EXPECT_EQ(SongEdit().History().count(), 0) << "nothing is written before the release";
    Send(QEvent::MouseButtonRelease, {100, 60}, Qt::NoButton);
    ASSERT_EQ(SongEdit().History().count(), 1);
    // The white keys of octave 0 (x 0 to 104) along the lower half, none of the black ones.
    for (int note : {0, 2, 4, 5, 7, 9, 11}) EXPECT_EQ(Instrument().NoteSample(note), 1) << note;
    for (int note : {1, 3, 6, 8, 10, 12}) EXPECT_EQ(Instrument().NoteSample(note), 0) << note;
    QApplication::processEvents();
    PaintLog log;
    box.viewport()->installEventFilter(&log);
    SongEdit().Undo();
    QApplication::processEvents();
    EXPECT_FALSE(log.region.isEmpty()) << "an undo repaints the keys";
    for (int note = 0; note < 12; ++note) EXPECT_EQ(Instrument().NoteSample(note), 0) << note;

    // Moves without the right button held assign nothing.
    Send(QEvent::MouseMove, {120, 60}, Qt::NoButton);
    box.SetAssignSample(-1);
    EXPECT_EQ(RightClick({17, 50}), -1) << "no sample to assign";
    EXPECT_EQ(SongEdit().History().count(), 1);
}

TEST_F(KeyboardBoxTest, AWideControlShowsEveryKeyAndNothingBeyond) {
    Size(900, 71);
    EXPECT_FALSE(box.horizontalScrollBar()->isEnabled());
    EXPECT_EQ(box.FirstKey(), 0);
    EXPECT_EQ(RightClick({850, 60}), -1);
    EXPECT_EQ(SongEdit().History().count(), 0);
    EventManager().Dispatch<EvClosingModule>();
    EXPECT_EQ(box.Instrument(), -1) << "a closing song takes the instrument away";
    EXPECT_EQ(RightClick({17, 50}), -1) << "no instrument";
}

TEST_F(KeyboardBoxTest, ScrollingMovesByWholeKeysAndRepaintsTheUncoveredStrip) {
    QScrollBar* bar = box.horizontalScrollBar();
    ASSERT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->maximum(), 56 - 300 / 15);
    QApplication::processEvents();
    PaintLog log;
    box.viewport()->installEventFilter(&log);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(box.FirstKey(), 1);
    EXPECT_EQ(bar->value(), 1);
    QApplication::processEvents();
    EXPECT_EQ(log.region.boundingRect(), QRect(300 - 15, 0, 15, 71));

    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(box.FirstKey(), bar->maximum());
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(box.FirstKey(), 0);

    // An assignment to F (x 45 to 59) repaints the key and its black neighbours only.
    QApplication::processEvents();
    log.region = {};
    RightClick({50, 60});
    QApplication::processEvents();
    EXPECT_EQ(log.region.boundingRect(), QRect(45, 0, 30, 71));
}

} // namespace
