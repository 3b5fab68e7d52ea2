// The instrument editor from its gestures to what they reach: rows dragged between the lists
// while the selection moves, an instrument saved through the list menu and read back, and the
// play button down to the voice the engine sounds.
#include "edit/sample_process.h"
#include "edit/sample_view.h"
#include "engine/sndlib.h"
#include "inst_form_fixture.h"
#include "model/notes.h"
#include "ui/widgets/bus_hook.h"
#include "ui/widgets/choice_group.h"
#include "ui/widgets/sample_editor.h"
#include "ui/windows/process_dlgs.h"

#include <QDrag>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>
#include <optional>

namespace {

class InstFormFlowTest : public InstFormTest {
protected:
    // Presses on the row and moves far enough to start dragging it; `inFlight` runs while the
    // row is being dragged and answers the drop action.
    void DragRow(TNKListView* list, int row, std::function<Qt::DropAction(QDrag&)> inFlight) {
        list->RunDrag = std::move(inFlight);
        const QPoint from = list->visualItemRect(list->item(row)).center();
        const QPoint to = from + QPoint(0, 4 * QApplication::startDragDistance());
        QMouseEvent press(QEvent::MouseButtonPress, from, list->viewport()->mapToGlobal(from),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &press);
        // The first move arms the drag, the second one past the distance starts it.
        for (const QPoint& at : {from + QPoint(0, 1), to}) {
            QMouseEvent move(QEvent::MouseMove, at, list->viewport()->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(list->viewport(), &move);
        }
    }

    // A 16-bit sample of `frames` frames added to instrument 1, looped over all of it.
    TSample* LoopedSample(int frames) {
        const auto file = TempDir() / "long.raw";
        {
            std::ofstream out(file, std::ios::binary);
            for (int i = 0; i < frames; ++i) {
                const int16_t v = int16_t((i * 97) % 20000 - 10000);
                out.write(reinterpret_cast<const char*>(&v), 2);
            }
        }
        const int index =
            SongEdit().AddSample(1, "Long", [&](TSample& s) { s.LoadRawFile(file.string()); });
        SongEdit().EditSample(1, index, "Loop", [frames](TSample& s) {
            s.SetLoopType(1);
            s.SetLoopStart(0);
            s.SetLoopEnd(frames);
        });
        return SampleOf(1, index);
    }

    // The drop of the drag's data on a row of the list, as the platform delivers it.
    static bool DropOn(TNKListView* list, int row, QDrag& drag) {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QDragEnterEvent enter(at, Qt::MoveAction, drag.mimeData(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QDropEvent drop(at, Qt::MoveAction, drag.mimeData(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &drop);
        return drop.isAccepted();
    }
};

TEST_F(InstFormFlowTest, TheListsFollowTheirSelectionOnlyOnceADraggedRowHasLanded) {
    SelectRows(inst->instrList, {2});
    SelectRows(inst->sampleList, {1});
    std::vector<int> instruments, samples;
    TBusHook hook([&](TZEvent& event) {
        if (auto* i = dynamic_cast<EvCurrInstChange*>(&event)) instruments.push_back(i->Index);
        if (auto* s = dynamic_cast<EvCurrSampChange*>(&event)) samples.push_back(s->Index);
    });

    // Sample 1 of instrument 2 is in flight when the instrument list's selection moves.
    bool flew = false;
    DragRow(inst->sampleList, 1, [&](QDrag& drag) {
        flew = true;
        EXPECT_TRUE(inst->sampleList->Dragging());
        inst->instrList->setCurrentRow(4, QItemSelectionModel::ClearAndSelect);
        EXPECT_EQ(inst->CurrentInstrument(), 2);
        EXPECT_EQ(inst->sampleList->count(), 3) << "still instrument 2's samples";
        EXPECT_TRUE(instruments.empty());
        // It lands on instrument 5: it came from instrument 2, whatever is selected now.
        EXPECT_TRUE(DropOn(inst->instrList, 5, drag));
        return Qt::MoveAction;
    });
    ASSERT_TRUE(flew) << "the move started a drag";
    EXPECT_FALSE(inst->sampleList->Dragging());
    ASSERT_EQ(Song()->Instruments(2)->SampleCount(), 2);
    EXPECT_EQ(SampleOf(2, 1)->Name(), "Inst2-2");
    ASSERT_EQ(Song()->Instruments(5)->SampleCount(), 3);
    EXPECT_EQ(SampleOf(5, 2)->Name(), "Inst2-1");
    EXPECT_EQ(Song()->Instruments(4)->SampleCount(), 2) << "the newly selected one is untouched";
    // Landed: the window shows what the list selects now.
    EXPECT_EQ(inst->CurrentInstrument(), 4);
    ASSERT_FALSE(instruments.empty());
    EXPECT_EQ(instruments.back(), 4);
    ASSERT_EQ(inst->sampleList->count(), 2);
    EXPECT_EQ(inst->sampleList->item(0)->text(), "0: Inst4-0");
    EXPECT_EQ(inst->CurrentSample(), 0);
    EXPECT_EQ(inst->sampleEditor->InstrumentNumber(), 4);

    // Swapping two samples: the selection the drop makes is taken up after it.
    SelectRows(inst->sampleList, {0});
    samples.clear();
    DragRow(inst->sampleList, 0, [&](QDrag& drag) {
        inst->sampleList->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
        EXPECT_EQ(inst->CurrentSample(), 0);
        EXPECT_TRUE(samples.empty());
        EXPECT_TRUE(DropOn(inst->sampleList, 1, drag));
        return Qt::MoveAction;
    });
    EXPECT_EQ(SampleOf(4, 0)->Name(), "Inst4-1");
    EXPECT_EQ(SampleOf(4, 1)->Name(), "Inst4-0");
    EXPECT_EQ(inst->CurrentSample(), 1);
    ASSERT_FALSE(samples.empty());
    EXPECT_EQ(samples.back(), 1);
    EXPECT_EQ(inst->sampleEditor->Sample(), SampleOf(4, 1));

    // A drag given up changes nothing and leaves the window as it was.
    const int steps = SongEdit().History().count();
    DragRow(inst->instrList, 4, [](QDrag&) { return Qt::IgnoreAction; });
    EXPECT_EQ(SongEdit().History().count(), steps);
    EXPECT_EQ(inst->CurrentInstrument(), 4);
    EXPECT_EQ(inst->CurrentSample(), 1);
}

TEST_F(InstFormFlowTest, SaveInstrumentAsWritesAnXIThatReadsBackWhole) {
    // Instrument 2 with a switched-on volume envelope, a sustain point and a keyboard map.
    SongEdit().EditInstrument(2, "Shape", [](TInstrument& in) {
        TEnvelope& env = *in.VolumeEnvelope();
        env.SetEnabled(true);
        env.SetPointValue(1, 50);
        env.SetSustainPoint(1);
        env.SetSustainEnabled(true);
        for (int note = 0; note < 96; ++note) in.SetNoteSample(note, note / 40);
        in.SetFadeOut(321);
    });
    SelectRows(inst->instrList, {2});
    const auto file = TempDir() / "saved.xi";
    std::filesystem::remove(file);
    QString title;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        ChooseFile(dialog, QString::fromStdString(file.string()));
    });
    ASSERT_TRUE(inst->instPopup->actions().contains(inst->saveInstAct));
    EXPECT_EQ(inst->saveInstAct->text(), "Save Instrument As...");
    inst->saveInstAct->trigger();
    EXPECT_EQ(title, "Save Instrument As");
    ASSERT_TRUE(std::filesystem::exists(file));

    const int loaded = SongEdit().AddInstrument(
        -1, "Load", [&](TInstrument& in) { in.LoadFromXI(file.string()); });
    ASSERT_EQ(loaded, 8);
    const TInstrument& saved = *Song()->Instruments(2);
    const TInstrument& back = *Song()->Instruments(loaded);
    EXPECT_EQ(back.Name(), "Inst2");
    EXPECT_EQ(back.FadeOut(), 321);
    ASSERT_EQ(back.SampleCount(), 3);
    for (int s = 0; s < 3; ++s) {
        const TSample& a = *saved.Samples(s);
        const TSample& b = *back.Samples(s);
        EXPECT_EQ(b.Name(), a.Name());
        ASSERT_EQ(b.Length(), a.Length());
        for (int f = 0; f < a.Length(); ++f) EXPECT_EQ(b.Values(f), a.Values(f)) << s << ":" << f;
    }
    const TEnvelope& env = *back.VolumeEnvelope();
    EXPECT_TRUE(env.Enabled());
    ASSERT_EQ(env.PointCount(), 3);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(env.PointTick(p), saved.VolumeEnvelope()->PointTick(p));
        EXPECT_EQ(env.PointValue(p), saved.VolumeEnvelope()->PointValue(p));
    }
    EXPECT_EQ(env.PointValue(1), 50);
    EXPECT_TRUE(env.SustainEnabled());
    EXPECT_EQ(env.SustainPoint(), 1);
    for (int note = 0; note < 96; ++note) EXPECT_EQ(back.NoteSample(note), note / 40) << note;

    // Nothing to save without a current instrument: no dialog, no file.
    SelectRows(inst->instrList, {2, 3});
    std::filesystem::remove(file);
    inst->saveInstAct->trigger();
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(InstFormFlowTest, PlayPreviewsTheSelectedFramesOrFromTheCaretOn) {
    TSample* sample = LoopedSample(40000);
    SelectRows(inst->instrList, {1});
    SelectRows(inst->sampleList, {2});
    ASSERT_EQ(inst->sampleEditor->Sample(), sample);
    auto* bar = inst->findChild<QToolBar*>();
    ASSERT_NE(bar, nullptr);
    auto* play = qobject_cast<QToolButton*>(bar->widgetForAction(inst->playAct));
    auto* stop = qobject_cast<QToolButton*>(bar->widgetForAction(inst->stopAct));
    ASSERT_TRUE(play && stop);

    QWidget* view = inst->sampleEditor->viewport();
    const auto mouse = [&](QEvent::Type type, int x) {
        const QPointF at(x, view->height() / 2);
        QMouseEvent event(type, at, view->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    int channel = -1;
    const auto voice = [&]() -> std::optional<VoiceStatusRecord> {
        VoiceStatusRecord status{};
        if (channel < 0 || !PLYRgetVoiceStatus(Song()->PlayHandle(), channel, &status) ||
            status.instrument < 0)
            return std::nullopt;
        return status;
    };

    // A selection dragged leftwards: the voice plays its frames in order, and no further.
    inst->zoomOutAct->trigger();
    ASSERT_GT(inst->sampleEditor->View().viewZoom, 1);
    const TSampleView before = inst->sampleEditor->View();
    const int first = int(TSampleGeometry::FrameAt(before, 40));
    const int end = int(TSampleGeometry::FrameAt(before, 100));
    ASSERT_GT(first, 0);
    mouse(QEvent::MouseButtonPress, 100);
    mouse(QEvent::MouseMove, 70);
    mouse(QEvent::MouseButtonRelease, 40);
    ASSERT_EQ(inst->selRangePanel->text(), QString("Selection: %1 -- %2").arg(first).arg(end));
    QTest::mouseClick(play, Qt::LeftButton);
    channel = sample->PreviewChannel;
    std::optional<VoiceStatusRecord> status = voice();
    ASSERT_TRUE(status) << "the preview sounds";
    EXPECT_EQ(status->instrument, 1);
    EXPECT_EQ(status->sample, 2);
    EXPECT_EQ(status->note, NoteFromIndex(sample->BaseNote()));
    EXPECT_EQ(status->startFrame, first);
    EXPECT_EQ(status->endFrame, end);
    EXPECT_GE(status->frame, first);
    EXPECT_LE(status->frame, end);
    // The range runs out although the sample loops over all of it.
    ASSERT_TRUE(WaitFor([&] { return !voice(); }, 10000)) << "the selection's end stops it";

    // A click leaves only the caret: from there on, looping as the sample does.
    mouse(QEvent::MouseButtonPress, 200);
    mouse(QEvent::MouseButtonRelease, 200);
    ASSERT_FALSE(inst->sampleEditor->HasSelection());
    const int caret = int(TSampleGeometry::FrameAt(inst->sampleEditor->View(), 200));
    QTest::mouseClick(play, Qt::LeftButton);
    channel = sample->PreviewChannel;
    status = voice();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->startFrame, caret);
    EXPECT_EQ(status->endFrame, -1);
    EXPECT_GE(status->frame, caret);
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_FALSE(voice()) << "stop silences it";
}

TEST_F(InstFormFlowTest, EveryProcessOpensOnTheSelectedRangeWhenThereIsOne) {
    SelectRows(inst->instrList, {2});
    for (QAction* act : {inst->echoAct, inst->amplifyAct, inst->reverseAct}) {
        // Two samples and no range, then one sample with a range: the choice follows each time.
        for (const bool range : {false, true}) {
            SelectRows(inst->sampleList, range ? std::vector<int>{1} : std::vector<int>{0, 2});
            if (range) {
                inst->sampleEditor->SelectAll();
                ASSERT_TRUE(inst->sampleEditor->HasSelection());
            }
            int shown = -1;
            WhenShown<TProcessDlg>([&](TProcessDlg* dialog) {
                shown = dialog->applyToBox->CurrentIndex();
                dialog->reject();
            });
            act->trigger();
            EXPECT_EQ(shown, range ? kApplySelectedRange : kApplySelectedSamples)
                << act->text().toStdString();
        }
    }
    EXPECT_FALSE(SongEdit().CanUndo()) << "every dialog was cancelled";
}

} // namespace
