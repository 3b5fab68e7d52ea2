// The sample editor through mouse events, its scroll bar and its commands on a real song: the
// zoom figures and their feedback texts, the selection gestures, a loop drag previewed live and
// undone as one step, and repaints kept to what changed.
#include "model/instrument.h"
#include "model/sample.h"
#include "model/song.h"
#include "paint_log.h"
#include "project/app_objects.h"
#include "support/test_paths.h"
#include "ui/widgets/choice_group.h"
#include "ui/widgets/color_button.h"
#include "ui/widgets/sample_editor.h"
#include "ui/windows/env_dlg.h"
#include "ui/windows/sample_editor_look.h"

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

namespace {

class SampleEditorTest : public testing::Test {
protected:
    void SetUp() override {
        Project().Open((SharedDir() / "corpus" / "dali.xm").string());
        TSong& song = *Project().Song();
        while (song.Instruments(instrument)->SampleCount() == 0) ++instrument;
        editor.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
        const QSize area = editor.viewport()->size();
        editor.resize(editor.width() + 431 - area.width(), editor.height() + 100 - area.height());
        ASSERT_EQ(editor.viewport()->size(), QSize(431, 100));
    }
    void TearDown() override {
        SongEdit().Clear();
        Project().Close();
    }

    // A new 16-bit sample of the given length, shown in the editor: a ramp, or silence.
    TSample& Make(int frames, int slope = 37) {
        const auto file = TempDir() / "ramp.raw";
        {
            std::ofstream out(file, std::ios::binary);
            for (int i = 0; i < frames; ++i) {
                const int16_t v = int16_t(slope ? int64_t(i) * slope % 60000 - 30000 : 0);
                out.write(reinterpret_cast<const char*>(&v), 2);
            }
        }
        TInstrument* inst = Project().Song()->Instruments(instrument);
        TSample* s = inst->InsertSample(-1);
        s->LoadRawFile(file.string());
        editor.SetSample(instrument, inst->SampleCount() - 1);
        return *s;
    }
    void SetView(int start, int selStart, int selEnd, int zoom) {
        StoreView(*editor.Sample(), {start, selStart, selEnd, zoom});
        editor.UpdateScrollBar();
    }

    void Send(QEvent::Type type, int x, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QPointF at(x, 50);
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, editor.viewport()->mapToGlobal(at), Qt::LeftButton, held, mods);
        QApplication::sendEvent(editor.viewport(), &event);
    }
    void Press(int x) { Send(QEvent::MouseButtonPress, x); }
    void Move(int x) { Send(QEvent::MouseMove, x); }
    void Release(int x) { Send(QEvent::MouseButtonRelease, x); }
    TLoopPoints Loop() const { return {editor.Sample()->LoopStart(), editor.Sample()->LoopEnd()}; }

    int instrument = 0;
    TAppObjects objects;
    TSampleEditor editor;
};

TEST_F(SampleEditorTest, ZoomCommandsGiveTheirFiguresAndFeedback) {
    Make(1000);
    QSignalSpy zooms(&editor, &TSampleEditor::OnZoomChange);
    editor.ZoomToFit();
    EXPECT_EQ(editor.View().viewZoom, 3) << "Round(2.32 + 0.5)";
    EXPECT_EQ(editor.View().viewStart, 0);
    EXPECT_FALSE(editor.horizontalScrollBar()->isEnabled()) << "333 columns fit";
    EXPECT_TRUE(editor.IsFitZoom());
    EXPECT_EQ(zooms.count(), 1);
    EXPECT_EQ(editor.Hint(), "");
    editor.ZoomToFit();
    EXPECT_EQ(editor.Hint(), "You can already see the whole thing, can't you?");
    EXPECT_EQ(zooms.count(), 1);

    SetView(0, 0, 0, 1);
    editor.ZoomToSelection();
    EXPECT_EQ(editor.Hint(), "First select an area you wan't to zoom in to.");
    SetView(0, 0, 862, 1);
    editor.ZoomToSelection();
    EXPECT_EQ(editor.View().viewZoom, 2) << "Round(2.5) is 2";
    EXPECT_EQ(zooms.count(), 2);
    editor.ZoomToSelection();
    EXPECT_EQ(editor.Hint(), "You've zoomed enough.");
    EXPECT_EQ(editor.View().viewZoom, 2);
    EXPECT_EQ(zooms.count(), 2);
}

TEST_F(SampleEditorTest, PressesSelectFromTheFrameUnderThePointer) {
    Make(10000);
    SetView(100, 0, 0, 1);
    Press(20);
    Release(20);
    EXPECT_EQ(editor.View().selStart, 120);
    SetView(100, 0, 0, 4);
    Press(20);
    EXPECT_EQ(editor.MouseMode(), mmSelect);
    Release(20);
    EXPECT_EQ(editor.View().selStart, 480);

    // A selection dragged leftwards is reversed until the release puts it in order.
    SetView(0, 0, 0, 1);
    QSignalSpy changes(&editor, &TSampleEditor::OnSelChange);
    Press(300);
    Move(200);
    EXPECT_EQ(editor.View().selStart, 300);
    EXPECT_EQ(editor.View().selEnd, 200);
    Release(150);
    EXPECT_EQ(editor.View().selStart, 150);
    EXPECT_EQ(editor.View().selEnd, 300);
    EXPECT_EQ(changes.count(), 3);

    // 5 pixels from the end grabs it; 6 pixels inside arms a drag that a release collapses.
    Press(305);
    EXPECT_EQ(editor.MouseMode(), mmSelEnd);
    Release(305);
    EXPECT_EQ(editor.View().selEnd, 305);
    Press(299);
    EXPECT_EQ(editor.MouseMode(), mmDragSelection);
    Release(299);
    EXPECT_EQ(editor.View().selStart, 150);
    EXPECT_EQ(editor.View().selEnd, 150);
    EXPECT_EQ(SongEdit().History().count(), 0) << "the selection is view state";
}

TEST_F(SampleEditorTest, ADoubleClickSelectsEverything) {
    Make(1000);
    QSignalSpy changes(&editor, &TSampleEditor::OnSelChange);
    Send(QEvent::MouseButtonDblClick, 40);
    EXPECT_EQ(editor.View().selStart, 0);
    EXPECT_EQ(editor.View().selEnd, 999);
    EXPECT_EQ(changes.count(), 1);

    EventManager().Dispatch<EvClosingModule>();
    EXPECT_EQ(editor.Sample(), nullptr) << "a closing song takes the sample away";
    EXPECT_EQ(editor.View(), (TSampleView{0, 0, 0, 0}));
    Send(QEvent::MouseButtonDblClick, 40);
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(SampleEditorTest, ALoopDragIsPreviewedLiveAndUndoneAsOneStep) {
    TSample& s = Make(1000);
    s.SetLoopType(1);
    s.SetLoopStart(100);
    s.SetLoopEnd(400);
    SongEdit().Clear();
    SetView(0, 0, 0, 1);
    QSignalSpy loops(&editor, &TSampleEditor::onLoopChange);
    Press(102);
    EXPECT_EQ(editor.MouseMode(), mmLoopStart);
    Move(500);
    EXPECT_EQ(Loop(), (TLoopPoints{500, 501})) << "the start pushes the end on";
    EXPECT_EQ(SongEdit().History().count(), 0) << "nothing is recorded before the release";
    Release(500);
    EXPECT_GE(loops.count(), 3);
    ASSERT_EQ(SongEdit().History().count(), 1);
    EXPECT_EQ(SongEdit().UndoText(), "Move Loop");
    SongEdit().Undo();
    EXPECT_EQ(Loop(), (TLoopPoints{100, 400}));
    EXPECT_EQ(editor.LoopMarkers().startX, 100) << "the markers follow the undo";
    SongEdit().Redo();
    EXPECT_EQ(Loop(), (TLoopPoints{500, 501}));

    // Beyond the end the loop keeps one frame inside the data.
    SetView(0, 0, 0, 3);
    editor.RefreshLoopMarkers();
    Press(500 / 3);
    EXPECT_EQ(editor.MouseMode(), mmLoopStart);
    Release(400);
    EXPECT_EQ(Loop(), (TLoopPoints{998, 999}));
    EXPECT_EQ(SongEdit().History().count(), 2);
}

TEST_F(SampleEditorTest, ALoopDragRepaintsOnlyStripsAroundTheMarkers) {
    TSample& s = Make(1000);
    s.SetLoopType(1);
    s.SetLoopStart(100);
    s.SetLoopEnd(400);
    SetView(0, 0, 0, 1);
    QApplication::processEvents();
    PaintLog log;
    editor.viewport()->installEventFilter(&log);
    Press(100);
    Move(250);
    QApplication::processEvents();
    ASSERT_FALSE(log.region.isEmpty());
    for (const QRect& r : log.region) {
        EXPECT_LE(r.width(), 2 * kLoopStripHalfWidth + 1);
        const int middle = r.center().x();
        EXPECT_TRUE(std::abs(middle - 100) <= 5 || std::abs(middle - 250) <= 5 ||
                    std::abs(middle - 400) <= 5)
            << middle;
    }
    Release(250);
}

TEST_F(SampleEditorTest, PaintsTheLoopMarkersAndInvertsTheSelection) {
    TSample& s = Make(1000, 0);
    s.SetLoopType(1);
    s.SetLoopStart(100);
    s.SetLoopEnd(400);
    editor.SetLoopColor(Qt::blue);
    SetView(0, 200, 300, 1);
    const QImage image = editor.viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(100, 20), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(400, 80), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(150, 20), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(250, 20), QColor(Qt::white)) << "the band is inverted";
    EXPECT_EQ(image.pixelColor(150, 50), QColor(0, 255, 0)) << "silence on the centre line";
    EXPECT_EQ(image.pixelColor(250, 50), QColor(255, 0, 255)) << "and inverted in the band";
}

TEST_F(SampleEditorTest, TheWaveformFollowsProcessesTheirUndoAndWritesInPlace) {
    // Long enough for the columns to come from the summary's blocks, each spanning most of the
    // full scale.
    TSample& s = Make(100000, 20000);
    editor.ZoomToFit();
    const auto picture = [&] { return editor.viewport()->grab().toImage(); };
    const QImage ramp = picture();
    SongEdit().ProcessSample(instrument, editor.SampleNumber(), "Amplify",
                             [](TSample& sample) { sample.Amplify(0, 0, 0.25); });
    QApplication::processEvents();
    EXPECT_NE(picture(), ramp);
    SongEdit().Undo();
    QApplication::processEvents();
    EXPECT_EQ(picture(), ramp);

    // A write in place keeps the block: the owner tells the control.
    for (int i = 0; i < s.Length(); ++i) s.SetValues(i, 0);
    editor.SampleDataChanged();
    QApplication::processEvents();
    EXPECT_NE(picture(), ramp);
    EXPECT_EQ(picture().pixelColor(200, 50), QColor(0, 255, 0)) << "silence on the centre line";
    EXPECT_EQ(picture().pixelColor(200, 10), QColor(Qt::black)) << "and nothing off it";
}

// Timer events sent at once stand for the timers firing.
void Fire(QTimer* timer) {
    ASSERT_NE(timer, nullptr);
    QTimerEvent tick(timer->timerId());
    QApplication::sendEvent(timer, &tick);
}

TEST_F(SampleEditorTest, TheCaretBlinksAtTheSelectionStartOnlyWithTheFocus) {
    Make(1000);
    SetView(0, 120, 120, 1);
    auto* caret = editor.findChild<QTimer*>("caretTimer");
    editor.clearFocus();
    Fire(caret);
    EXPECT_FALSE(editor.CaretShown()) << "no focus, no caret";
    editor.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.hasFocus(); }));
    QApplication::processEvents();
    PaintLog log;
    editor.viewport()->installEventFilter(&log);
    Fire(caret);
    EXPECT_TRUE(editor.CaretShown());
    QApplication::processEvents();
    EXPECT_EQ(log.region.boundingRect(), QRect(120, 0, 1, 100));
    EXPECT_EQ(editor.viewport()->grab().toImage().pixelColor(120, 10), QColor(Qt::white));

    Press(200);
    EXPECT_FALSE(editor.CaretShown()) << "a gesture hides it";
    Fire(caret);
    EXPECT_FALSE(editor.CaretShown()) << "and none shows while it runs";
    Release(200);
    Fire(caret);
    EXPECT_TRUE(editor.CaretShown());
    editor.clearFocus();
    Fire(caret);
    EXPECT_FALSE(editor.CaretShown()) << "removed once the focus left";
    Fire(caret);
    EXPECT_FALSE(editor.CaretShown());
}

TEST_F(SampleEditorTest, TheHintGoesWhenItsTimerFires) {
    Make(1000);
    editor.ZoomToFit();
    editor.ZoomToFit();
    EXPECT_FALSE(editor.Hint().isEmpty());
    auto* hint = editor.findChild<QTimer*>("hintTimer");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->interval(), 2000);
    Fire(hint);
    EXPECT_EQ(editor.Hint(), "");
}

TEST_F(SampleEditorTest, TheScrollBarReachesTheEndAndMovesThePicture) {
    Make(100000);
    SetView(0, 0, 0, 1);
    QScrollBar* bar = editor.horizontalScrollBar();
    ASSERT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->maximum(), 100000 - 431 - 1);
    QApplication::processEvents();
    PaintLog log;
    editor.viewport()->installEventFilter(&log);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(editor.View().viewStart, 431 / 2);
    QApplication::processEvents();
    EXPECT_EQ(log.region.boundingRect(), QRect(431 - 215, 0, 215, 100)) << "the uncovered strip";
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(editor.View().viewStart, bar->maximum());
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(SampleEditorTest, ControlWheelZoomsAroundThePointer) {
    Make(100000);
    SetView(0, 0, 0, 8);
    const int64_t frame = TSampleGeometry::FrameAt(editor.View(), 200);
    QWheelEvent wheel(QPointF(200, 50), editor.viewport()->mapToGlobal(QPointF(200, 50)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(editor.viewport(), &wheel);
    EXPECT_EQ(editor.View().viewZoom, 4);
    EXPECT_NEAR(double(TSampleGeometry::FrameAt(editor.View(), 200)), double(frame), 4);
}

TEST(SampleEditorLook, TakesThePageOfTheConfigurationDialog) {
    const QString dir = QString::fromStdString(TempDir().string());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir);
    TAppObjects objects;
    TEnvDlg dlg;
    TSampleEditor editor;
    ApplySampleEditorLook(editor, dlg);
    EXPECT_EQ(editor.SampleColor(), dlg.smpWaveCol->Color());
    EXPECT_EQ(editor.BackgroundColor(), QColor(36, 36, 36));
    EXPECT_EQ(editor.DrawMode(), dmRelative);
    EXPECT_FALSE(editor.Averaging());

    dlg.smpLoopCol->SetColor(Qt::cyan);
    dlg.smpMidCol->SetColor(Qt::darkRed);
    dlg.smpCenterCol->SetColor(Qt::gray);
    dlg.smpViewStyleBox->SetCurrentIndex(1);
    dlg.aveCB->setChecked(true);
    ApplySampleEditorLook(editor, dlg);
    EXPECT_EQ(editor.LoopColor(), QColor(Qt::cyan));
    EXPECT_EQ(editor.MidPointColor(), QColor(Qt::darkRed));
    EXPECT_EQ(editor.CenterColor(), QColor(Qt::gray));
    EXPECT_EQ(editor.DrawMode(), dmSolid);
    EXPECT_TRUE(editor.Averaging());
}

} // namespace
