#include "edit/sample_mouse.h"
#include "edit/sample_view.h"

#include <gtest/gtest.h>

namespace {

TSampleFacts Facts(int64_t length, bool looped = false, int loopStart = 0, int loopEnd = 0) {
    return {length, looped, {loopStart, loopEnd}};
}

TEST(SampleGeometry, ZoomOutFitsTheSampleAndSaysWhenItAlreadyDoes) {
    const TSampleGeometry g(1000, 431);
    TSampleView view{40, 0, 0, 1};
    EXPECT_TRUE(g.UpdateScrollBar(view).enabled);
    EXPECT_FALSE(g.IsFitZoom(view));
    const TZoomAnswer fit = g.ZoomToFit(view);
    EXPECT_TRUE(fit.zoomChanged);
    EXPECT_EQ(view.viewZoom, 3); // Round(2.32 + 0.5)
    EXPECT_EQ(view.viewStart, 0);
    EXPECT_EQ(g.TotalColumns(view), 333);
    EXPECT_FALSE(g.UpdateScrollBar(view).enabled);
    EXPECT_TRUE(g.IsFitZoom(view));
    EXPECT_EQ(g.ZoomToFit(view).hint.value_or(""), kZoomWholeThing);
    // A sample shorter than the control still gets one frame per column.
    TSampleView small{0, 0, 0, 4};
    EXPECT_TRUE(TSampleGeometry(10, 431).ZoomToFit(small).zoomChanged);
    EXPECT_EQ(small.viewZoom, 1);
}

TEST(SampleGeometry, ZoomSelectionRoundsTiesToEvenAndPutsTheSelectionAtTheLeft) {
    const TSampleGeometry g(100000, 431);
    TSampleView view{0, 0, 0, 1};
    EXPECT_EQ(g.ZoomToSelection(view).hint.value_or(""), kZoomSelectFirst);
    EXPECT_EQ(view.viewZoom, 1);
    view.selEnd = 862;
    EXPECT_TRUE(g.ZoomToSelection(view).zoomChanged);
    EXPECT_EQ(view.viewZoom, 2); // Round(2.5)
    EXPECT_EQ(g.ZoomToSelection(view).hint.value_or(""), kZoomEnough);
    view = {0, 43100, 86200, 1};
    g.ZoomToSelection(view);
    EXPECT_EQ(view.viewZoom, 100); // Round(100.5)
    EXPECT_EQ(view.viewStart, 431);
    EXPECT_EQ(TSampleGeometry::ColumnOf(view, view.selStart), 0);
}

TEST(SampleGeometry, ScrollingStaysWithinTheRangeAtAnyLength) {
    const int64_t length = 10'000'000;
    const TSampleGeometry g(length, 800);
    TSampleView view{0, 0, 0, 1};
    TScrollBarState bar = g.UpdateScrollBar(view);
    EXPECT_EQ(bar.maximum, length - 800 - 1);
    EXPECT_EQ(g.Scroll(view, TScrollAction::LineRight), -400);
    EXPECT_EQ(g.Scroll(view, TScrollAction::PageRight), -800);
    EXPECT_EQ(view.viewStart, 1200);
    EXPECT_EQ(g.Scroll(view, TScrollAction::PageLeft), 800);
    g.Scroll(view, TScrollAction::Bottom);
    EXPECT_EQ(view.viewStart, bar.maximum);
    EXPECT_LT(TSampleGeometry::FrameAt(view, 799), length);
    EXPECT_EQ(TSampleGeometry::ColumnOf(view, length - 2), 799);
    g.Scroll(view, TScrollAction::Thumb, 12345);
    EXPECT_EQ(TSampleGeometry::FrameAt(view, 5), 12350);
    g.Scroll(view, TScrollAction::Top);
    EXPECT_EQ(view.viewStart, 0);
    g.Scroll(view, TScrollAction::LineLeft);
    EXPECT_EQ(view.viewStart, 0);
    // Far zoomed out on a long sample the frame products pass 32 bits.
    view = {9'000, 0, 0, 400'000};
    EXPECT_EQ(TSampleGeometry::FrameAt(view, 799), int64_t(9799) * 400'000);
    g.ClampView(view);
    EXPECT_EQ(view.viewStart, 0);
}

TEST(SampleGeometry, CtrlWheelZoomKeepsTheFrameUnderThePointer) {
    const TSampleGeometry g(1'000'000, 500);
    TSampleView view{1000, 0, 0, 16};
    const int64_t under = TSampleGeometry::FrameAt(view, 100);
    EXPECT_TRUE(g.ZoomAround(view, 100, true).zoomChanged);
    EXPECT_EQ(view.viewZoom, 8);
    EXPECT_EQ(TSampleGeometry::FrameAt(view, 100), under);
    g.ZoomAround(view, 100, false);
    g.ZoomAround(view, 100, false);
    EXPECT_EQ(view.viewZoom, 32);
    EXPECT_EQ(TSampleGeometry::FrameAt(view, 100), under);
    view.viewZoom = 1;
    EXPECT_EQ(g.ZoomAround(view, 0, true).hint.value_or(""), kZoomEnough);
    g.ZoomToFit(view);
    EXPECT_EQ(g.ZoomAround(view, 0, false).hint.value_or(""), kZoomWholeThing);
}

TEST(SampleGeometry, SelectionStaysInTheDataAndItsBandInTheControl) {
    const TSampleGeometry g(1000, 300);
    TSampleView view{0, 900, 1000, 1};
    g.SelectAll(view);
    EXPECT_EQ(view.selStart, 0);
    EXPECT_EQ(view.selEnd, 999);
    view = {0, 990, 1000, 1};
    TSampleGeometry(500, 300).SampleDataChanged(view);
    EXPECT_EQ(view.selStart, 499);
    EXPECT_EQ(view.selEnd, 499);
    view = {100, 50, 700, 1};
    const auto band = g.SelectionBand(view);
    ASSERT_TRUE(band);
    EXPECT_EQ(band->left, -50);
    EXPECT_EQ(band->right, 300);
    view.selStart = 401;
    EXPECT_FALSE(g.SelectionBand(view));
}

TEST(SampleCaret, BlinksOnlyWithFocusAndGoesWhenAGestureStartsOrTheFocusLeaves) {
    TSampleCaret caret;
    EXPECT_FALSE(caret.Tick(true, false, false));
    EXPECT_FALSE(caret.Tick(false, false, true));
    EXPECT_TRUE(caret.Tick(true, false, true));
    EXPECT_TRUE(caret.Shown());
    EXPECT_FALSE(caret.Tick(true, true, true)); // no blinking during a gesture
    EXPECT_TRUE(caret.Shown());
    EXPECT_TRUE(caret.Tick(true, false, false)); // focus gone: removed once
    EXPECT_FALSE(caret.Shown());
    EXPECT_FALSE(caret.Tick(true, false, false));
    caret.Tick(true, false, true);
    EXPECT_TRUE(caret.Hide());
    EXPECT_FALSE(caret.Hide());
    const TLoopMarkers m = LoopMarkerColumns({10, 0, 0, 4}, {100, 4000});
    EXPECT_EQ(m.startX, 15);
    EXPECT_EQ(m.endX, 990);
}

TEST(LoopRule, KeepsStartBeforeEndWithinTheData) {
    EXPECT_EQ(ApplyLoopRule(500, 400, 1000), (TLoopPoints{500, 501}));
    EXPECT_EQ(ApplyLoopRule(1000, 400, 1000), (TLoopPoints{998, 999}));
    EXPECT_EQ(ApplyLoopRule(5000, 400, 1000), (TLoopPoints{998, 999}));
    EXPECT_EQ(ApplyLoopRule(-20, 400, 1000), (TLoopPoints{0, 400}));
    EXPECT_EQ(ApplyLoopRule(100, 4000, 1000), (TLoopPoints{100, 1000}));
    EXPECT_EQ(ApplyLoopRule(100, 50, 1000), (TLoopPoints{100, 101}));
}

TEST(LoopRule, SetLoopToSelectionAndThePreviewRangeTakeTheSelectionInOrder) {
    EXPECT_EQ(LoopFromSelection({0, 300, 100, 1}, 1000), (TLoopPoints{100, 300}));
    EXPECT_EQ(LoopFromSelection({0, 900, 1000, 1}, 1000), (TLoopPoints{900, 1000}));
    EXPECT_FALSE(LoopFromSelection({0, 5, 5, 1}, 1000));
    EXPECT_EQ(PreviewRange({0, 300, 100, 1}, 1000), (TFrameRange{100, 300}));
    EXPECT_EQ(PreviewRange({0, 700, 700, 1}, 1000), (TFrameRange{700, 1000}));
    EXPECT_EQ(PreviewRange({0, 700, 700, 1}, 500), (TFrameRange{500, 500}));
}

TEST(SampleMouse, APressPicksTheFrameUnderThePointerAtAnyZoom) {
    TSampleMouse mouse;
    TSampleView view{100, 0, 0, 1};
    EXPECT_TRUE(mouse.Press(view, Facts(10000), TMouseButton::Left, 20, false, false).selChanged);
    EXPECT_EQ(mouse.Mode(), mmSelect);
    EXPECT_EQ(view.selStart, 120);
    EXPECT_EQ(view.selEnd, 120);
    mouse.Release(view, 20);
    view = {100, 0, 0, 4};
    mouse.Press(view, Facts(10000), TMouseButton::Left, 20, false, false);
    EXPECT_EQ(view.selStart, 480);
    // Beyond the data the selection stops at the length.
    mouse.Release(view, 5000);
    EXPECT_EQ(view.selStart, 480);
    EXPECT_EQ(view.selEnd, 10000);
    EXPECT_EQ(mouse.Mode(), mmNone);
}

TEST(SampleMouse, EdgesAreGrabbedWithinFivePixelsAndBeforeLoopMarkers) {
    TSampleMouse mouse;
    const auto facts = Facts(1000, true, 205, 600);
    TSampleView view{0, 100, 200, 1};
    mouse.Press(view, facts, TMouseButton::Left, 205, false, false);
    EXPECT_EQ(mouse.Mode(), mmSelEnd); // the loop start is there too
    mouse.Release(view, 205);
    EXPECT_EQ(view.selEnd, 205);
    view = {0, 100, 200, 1};
    auto answer = mouse.Press(view, facts, TMouseButton::Left, 194, false, false);
    EXPECT_EQ(mouse.Mode(), mmDragSelection);
    EXPECT_TRUE(answer.armDrag);
    EXPECT_EQ(view, (TSampleView{0, 100, 200, 1}));
    mouse.Release(view, 194); // released without dragging: the selection collapses
    EXPECT_EQ(view.selEnd, 100);
    view = {0, 100, 200, 1};
    mouse.Press(view, facts, TMouseButton::Left, 206, false, false);
    EXPECT_EQ(mouse.Mode(), mmLoopStart);
    mouse.Release(view, 206);
    view = {0, 100, 200, 1};
    mouse.Press(view, facts, TMouseButton::Left, 211, false, false);
    EXPECT_EQ(mouse.Mode(), mmSelect);
    mouse.Release(view, 211);
    EXPECT_TRUE(ResizeCursorAt({0, 100, 200, 1}, facts, 95));
    EXPECT_TRUE(ResizeCursorAt({0, 100, 100, 1}, facts, 600));
    EXPECT_FALSE(ResizeCursorAt({0, 100, 100, 1}, facts, 95));
}

TEST(SampleMouse, EdgeDragsCannotCrossAndANewSelectionIsOrderedOnRelease) {
    TSampleMouse mouse;
    TSampleView view{0, 100, 200, 1};
    mouse.Press(view, Facts(1000), TMouseButton::Left, 100, false, false);
    EXPECT_EQ(mouse.Mode(), mmSelStart);
    mouse.Move(view, 300);
    EXPECT_EQ(view.selStart, 200);
    mouse.Release(view, 150);
    EXPECT_EQ(view, (TSampleView{0, 150, 200, 1}));
    mouse.Press(view, Facts(1000), TMouseButton::Left, 200, false, false);
    mouse.Move(view, 10);
    EXPECT_EQ(view.selEnd, 150);
    mouse.Release(view, 10);
    EXPECT_EQ(view.selEnd, 150);
    view = {0, 0, 0, 1};
    mouse.Press(view, Facts(1000), TMouseButton::Left, 500, false, false);
    mouse.Move(view, 300);
    EXPECT_EQ(view.selStart, 500);
    EXPECT_EQ(view.selEnd, 300); // reversed while dragged
    mouse.Release(view, 250);
    EXPECT_EQ(view, (TSampleView{0, 250, 500, 1}));
}

TEST(SampleMouse, ShiftExtendsFromTheFartherEndAndDoubleClickSelectsAll) {
    TSampleMouse mouse;
    TSampleView view{0, 100, 200, 1};
    mouse.Press(view, Facts(1000), TMouseButton::Left, 180, false, true);
    mouse.Release(view, 180);
    EXPECT_EQ(view, (TSampleView{0, 100, 180, 1}));
    mouse.Press(view, Facts(1000), TMouseButton::Left, 50, false, true);
    mouse.Release(view, 40);
    EXPECT_EQ(view, (TSampleView{0, 40, 180, 1}));
    view = {0, 300, 300, 1}; // no selection: from the caret
    mouse.Press(view, Facts(1000), TMouseButton::Left, 320, false, true);
    mouse.Release(view, 320);
    EXPECT_EQ(view, (TSampleView{0, 300, 320, 1}));
    const auto answer = mouse.Press(view, Facts(1000), TMouseButton::Left, 5, true, false);
    EXPECT_TRUE(answer.selChanged);
    EXPECT_EQ(view, (TSampleView{0, 0, 999, 1}));
    EXPECT_EQ(mouse.Mode(), mmNone);
    const auto right = mouse.Press(view, Facts(1000), TMouseButton::Right, 5, false, false);
    EXPECT_FALSE(right.selChanged || right.hideCaret);
}

TEST(SampleMouse, LoopDragsFollowTheLoopRuleAndReportTheOriginalLoop) {
    TSampleMouse mouse;
    TSampleView view{0, 0, 0, 1};
    auto answer =
        mouse.Press(view, Facts(1000, true, 100, 400), TMouseButton::Left, 102, false, false);
    EXPECT_EQ(mouse.Mode(), mmLoopStart);
    EXPECT_EQ(answer.loop, (TLoopPoints{102, 400}));
    EXPECT_EQ(mouse.Move(view, 500).loop, (TLoopPoints{500, 501}));
    EXPECT_EQ(mouse.Move(view, 1200).loop, (TLoopPoints{998, 999}));
    answer = mouse.Release(view, 1000);
    EXPECT_TRUE(answer.loopReleased);
    EXPECT_EQ(answer.loop, (TLoopPoints{998, 999}));
    EXPECT_EQ(mouse.Original(), (TLoopPoints{100, 400}));
    EXPECT_EQ(view, (TSampleView{0, 0, 0, 1})); // the selection is left alone
    // The end marker at zoom 2 maps columns to frames.
    view = {10, 0, 0, 2};
    mouse.Press(view, Facts(1000, true, 100, 400), TMouseButton::Left, 190, false, false);
    EXPECT_EQ(mouse.Mode(), mmLoopEnd);
    // Dragged left past the start, the end is pushed to just after it.
    EXPECT_EQ(mouse.Move(view, 30).loop, (TLoopPoints{100, 101}));
    EXPECT_EQ(mouse.Move(view, 300).loop, (TLoopPoints{100, 620}));
    // Without a loop the markers are not grabbed.
    mouse.Release(view, 30);
    mouse.Press(view, Facts(1000, false, 100, 400), TMouseButton::Left, 190, false, false);
    EXPECT_EQ(mouse.Mode(), mmSelect);
}

} // namespace
