// The instrument editor window over the real engine: which samples and instruments its controls
// write, deleting and loading through the lists, note keys in the lists, the process dialogs and
// how the window follows undo.
#include "edit/sample_view.h"
#include "inst_form_fixture.h"
#include "model/instrument.h"
#include "model/notes.h"
#include "model/song.h"
#include "project/song_edit.h"
#include "support/xm_builder.h"
#include "ui/widgets/bus_hook.h"
#include "ui/widgets/choice_group.h"
#include "ui/widgets/sample_editor.h"
#include "ui/windows/inst_form.h"
#include "ui/windows/process_dlgs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QUrl>
#include <thread>

namespace {

TEST_F(InstFormTest, VolumeGoesToTheSamplesTheSelectionNames) {
    // Two instruments: every sample of both.
    SelectRows(inst->instrList, {0, 1});
    EXPECT_EQ(inst->CurrentInstrument(), -1);
    EXPECT_EQ(inst->sampleList->count(), 0) << "two instruments show no samples";
    inst->volBar->setValue(10);
    for (int i : {0, 1})
        for (int s : {0, 1}) EXPECT_EQ(SampleOf(i, s)->Volume(), 10) << i << "," << s;
    EXPECT_EQ(SampleOf(2, 0)->Volume(), 64);
    EXPECT_EQ(inst->volBarLabel->text(), "10");

    // One instrument and two of its three samples: those only.
    SelectRows(inst->instrList, {2});
    ASSERT_EQ(inst->sampleList->count(), 3);
    SelectRows(inst->sampleList, {0, 2});
    inst->volBar->setValue(20);
    EXPECT_EQ(SampleOf(2, 0)->Volume(), 20);
    EXPECT_EQ(SampleOf(2, 1)->Volume(), 64);
    EXPECT_EQ(SampleOf(2, 2)->Volume(), 20);
    EXPECT_EQ(SampleOf(0, 0)->Volume(), 10);

    // One sample: showing it loads the slider without writing the others.
    SelectRows(inst->sampleList, {1});
    EXPECT_EQ(inst->volBar->value(), 64);
    EXPECT_EQ(SampleOf(2, 0)->Volume(), 20);
    inst->volBar->setValue(5);
    EXPECT_EQ(SampleOf(2, 1)->Volume(), 5);
    SongEdit().Undo();
    EXPECT_EQ(SampleOf(2, 1)->Volume(), 64);
    EXPECT_EQ(inst->volBar->value(), 64) << "the slider follows the undo";

    // An instrument slider writes instruments only, every selected one.
    SelectRows(inst->instrList, {3, 4});
    inst->fadeBar->setValue(300);
    EXPECT_EQ(Song()->Instruments(3)->FadeOut(), 300);
    EXPECT_EQ(Song()->Instruments(4)->FadeOut(), 300);
    EXPECT_EQ(Song()->Instruments(5)->FadeOut(), 0);
    EXPECT_EQ(SampleOf(3, 0)->Volume(), 64);
}

TEST_F(InstFormTest, DeletingInstrumentsRenumbersTheRowsAfterThem) {
    inst->instrList->setFocus();
    SelectRows(inst->instrList, {2, 5});
    inst->DeleteSelected(false);
    ASSERT_EQ(Song()->InstrumentCount(), 6);
    ASSERT_EQ(inst->instrList->count(), 6);
    EXPECT_EQ(inst->instrList->item(2)->text(), "02: Inst3");
    EXPECT_EQ(inst->instrList->item(4)->text(), "04: Inst6");
    EXPECT_EQ(inst->SelectedInstruments(), std::vector<int>{2});
    EXPECT_EQ(inst->CurrentInstrument(), 2);
    EXPECT_EQ(inst->sampleList->item(0)->text(), "0: Inst3-0");

    SongEdit().Undo();
    ASSERT_EQ(inst->instrList->count(), 8);
    EXPECT_EQ(inst->instrList->item(5)->text(), "05: Quiet");
}

TEST_F(InstFormTest, DeletedSamplesComeBackWithTheirDataOnUndo) {
    SelectRows(inst->instrList, {2});
    inst->sampleList->setFocus();
    SelectRows(inst->sampleList, {0, 1});
    inst->DeleteSelected(false);
    ASSERT_EQ(Song()->Instruments(2)->SampleCount(), 1);
    EXPECT_EQ(inst->sampleList->count(), 1);
    EXPECT_EQ(inst->sampleList->item(0)->text(), "0: Inst2-2");

    SongEdit().Undo();
    ASSERT_EQ(Song()->Instruments(2)->SampleCount(), 3);
    EXPECT_EQ(SampleOf(2, 1)->Name(), "Inst2-1");
    ASSERT_EQ(SampleOf(2, 1)->Length(), 8);
    EXPECT_EQ(SampleOf(2, 1)->Values(3), 120);
    EXPECT_EQ(inst->sampleList->count(), 3);
    SongEdit().Redo();
    EXPECT_EQ(Song()->Instruments(2)->SampleCount(), 1);
}

TEST_F(InstFormTest, InstrumentFilesAreAcceptedByExtensionAndLoadAsOneStep) {
    const auto piano = TempDir() / "Piano.XI";
    Song()->Instruments(1)->SaveToXI(piano.string());
    const auto song = TempDir() / "song.xm";
    std::filesystem::copy_file(CorpusModule("dali.xm"), song,
                               std::filesystem::copy_options::overwrite_existing);

    EXPECT_FALSE(Drag(inst->instrList, {QString::fromStdString(song.string())}, false));
    EXPECT_FALSE(Drag(inst->sampleList, {QString::fromStdString(song.string())}, false));
    ASSERT_TRUE(Drag(inst->instrList, {QString::fromStdString(piano.string())}, true));
    ASSERT_EQ(Song()->InstrumentCount(), 9);
    EXPECT_EQ(Song()->Instruments(8)->Name(), "Inst1");
    EXPECT_EQ(Song()->Instruments(8)->SampleCount(), 2);
    EXPECT_EQ(inst->instrList->item(8)->text(), "08: Inst1");
    EXPECT_EQ(inst->CurrentInstrument(), 8);
    SongEdit().Undo();
    EXPECT_EQ(Song()->InstrumentCount(), 8);
    EXPECT_EQ(inst->instrList->count(), 8);

    // A sample file on the sample list adds a sample to the current instrument.
    SelectRows(inst->instrList, {0});
    const auto wav = TempDir() / "tone.wav";
    SampleOf(0, 0)->SaveToFile(wav.string());
    ASSERT_TRUE(Drag(inst->sampleList, {QString::fromStdString(wav.string())}, true));
    ASSERT_EQ(Song()->Instruments(0)->SampleCount(), 3);
    EXPECT_EQ(SampleOf(0, 2)->Length(), 8);
    EXPECT_EQ(SampleOf(0, 2)->Values(6), SampleOf(0, 0)->Values(6));
    EXPECT_EQ(inst->sampleList->count(), 3);
}

TEST_F(InstFormTest, LettersInAListPlayNotesWithoutMovingTheSelection) {
    SelectRows(inst->instrList, {1});
    inst->instrList->setFocus();
    const uint8_t note = KeyToNote('Q', BaseOctave());
    ASSERT_TRUE(IsValidNote(note));
    TInstrument* instrument = Song()->Instruments(1);
    QTest::keyPress(inst->instrList, Qt::Key_Q);
    EXPECT_TRUE(instrument->NoteStatus().IsPlaying(note));
    QTest::keyRelease(inst->instrList, Qt::Key_Q);
    EXPECT_FALSE(instrument->NoteStatus().IsPlaying(note) &&
                 !instrument->NoteStatus().IsReleased(note));
    EXPECT_EQ(inst->SelectedInstruments(), std::vector<int>{1})
        << "the list's search would have gone to Quiet";
    EXPECT_EQ(inst->instrList->currentRow(), 1);
    // Arrows still move through the list.
    QTest::keyClick(inst->instrList, Qt::Key_Down);
    EXPECT_EQ(inst->CurrentInstrument(), 2);
}

TEST_F(InstFormTest, TheDialogsOpenOnTheSelectionAndAProcessIsOneUndoStep) {
    SelectRows(inst->instrList, {0});
    SelectRows(inst->sampleList, {0});
    inst->sampleEditor->SelectAll();
    ASSERT_TRUE(inst->sampleEditor->HasSelection());
    int shown = -1;
    WhenShown<TamplifyDialog>([&](TamplifyDialog* dialog) {
        shown = dialog->applyToBox->CurrentIndex();
        dialog->pctField->setValue(50);
        dialog->accept();
    });
    inst->Processes()->RunAmplify();
    EXPECT_EQ(shown, kApplySelectedRange);
    EXPECT_EQ(SampleOf(0, 0)->Values(2), 40);
    EXPECT_EQ(SampleOf(0, 0)->Values(1), 20);
    EXPECT_EQ(SampleOf(0, 1)->Values(2), 80) << "the other sample is not in the range";
    EXPECT_EQ(SongEdit().UndoText(), "Amplify");
    SongEdit().Undo();
    EXPECT_EQ(SampleOf(0, 0)->Values(2), 80);
    EXPECT_FALSE(SongEdit().CanUndo());

    // Without a range, two samples preselect them; Cancel changes nothing.
    StoreView(*SampleOf(0, 0), {0, 0, 0, 1});
    SelectRows(inst->sampleList, {0, 1});
    WhenShown<TapplyDlg>([&](TapplyDlg* dialog) {
        shown = dialog->applyToBox->CurrentIndex();
        EXPECT_EQ(dialog->windowTitle(), "Reverse");
        dialog->reject();
    });
    inst->Processes()->RunReverse();
    EXPECT_EQ(shown, kApplySelectedSamples);
    EXPECT_FALSE(SongEdit().CanUndo());

    // Two instruments: every sample of both in one step.
    SelectRows(inst->instrList, {3, 4});
    EXPECT_EQ(inst->Processes()->Apply(
                  kApplySelectedInstruments, "Reverse",
                  [](const TSample& s, int start, int end) { return s.ReversedData(start, end); }),
              4);
    EXPECT_EQ(SampleOf(4, 1)->Values(0), 50);
    SongEdit().Undo();
    EXPECT_EQ(SampleOf(4, 1)->Values(0), 0);
    EXPECT_EQ(SampleOf(3, 0)->Values(7), 40);
}

TEST_F(InstFormTest, ALongSampleIsProcessedOffTheInterfaceThread) {
    SelectRows(inst->instrList, {6});
    const auto raw = TempDir() / "long.raw";
    const int frames = TProcessDialogs::kWorkerFrames + 1000;
    {
        std::ofstream out(raw, std::ios::binary);
        for (int i = 0; i < frames; ++i) {
            const int16_t v = int16_t(i % 20000);
            out.write(reinterpret_cast<const char*>(&v), 2);
        }
    }
    ASSERT_EQ(SongEdit().AddSample(6, "Load", [&](TSample& s) { s.LoadRawFile(raw.string()); }), 2);
    SelectRows(inst->sampleList, {2});
    ASSERT_EQ(inst->CurrentSample(), 2);
    std::thread::id worker;
    const std::thread::id ui = std::this_thread::get_id();
    ASSERT_EQ(inst->Processes()->Apply(kApplyCurrentSample, "Reverse",
                                       [&](const TSample& s, int start, int end) {
                                           worker = std::this_thread::get_id();
                                           return s.ReversedData(start, end);
                                       }),
              1);
    EXPECT_NE(worker, ui);
    EXPECT_EQ(SampleOf(6, 2)->Values(0), (frames - 1) % 20000);
    SongEdit().Undo();
    EXPECT_EQ(SampleOf(6, 2)->Values(0), 0);
}

TEST_F(InstFormTest, TheLoopAndEnvelopeControlsFollowUndo) {
    SelectRows(inst->instrList, {0});
    SelectRows(inst->sampleList, {1});
    inst->smpLoopBox->setCurrentIndex(1);
    emit inst->smpLoopBox->activated(1);
    EXPECT_EQ(SampleOf(0, 1)->LoopType(), 1);
    inst->endLoopEd->setValue(6);
    inst->startLoopEd->setValue(2);
    EXPECT_EQ(SampleOf(0, 1)->LoopStart(), 2);
    EXPECT_EQ(SampleOf(0, 1)->LoopEnd(), 6);
    SongEdit().Undo();
    EXPECT_EQ(SampleOf(0, 1)->LoopStart(), 0);
    EXPECT_EQ(inst->startLoopEd->value(), 0) << "the field follows the undo";
    EXPECT_EQ(SampleOf(0, 1)->LoopEnd(), 6);

    // A selection made into the loop, then undone.
    StoreView(*SampleOf(0, 1), {0, 1, 5, 1});
    inst->sampleEditor->UpdateScrollBar();
    inst->LoopToSelection();
    EXPECT_EQ(SampleOf(0, 1)->LoopStart(), 1);
    EXPECT_EQ(SampleOf(0, 1)->LoopEnd(), 5);
    EXPECT_EQ(inst->endLoopEd->value(), 5);
    SongEdit().Undo();
    EXPECT_EQ(inst->endLoopEd->value(), 6);

    // The envelope band: switching the loop on, then undoing it.
    TEnvelope* envelope = Song()->Instruments(0)->VolumeEnvelope();
    ASSERT_NE(envelope, nullptr);
    SongEdit().EditEnvelope(0, false, "On", [](TEnvelope& e) { e.SetEnabled(true); });
    EXPECT_TRUE(inst->volEnvCB->isChecked());
    inst->volLoopCB->setChecked(true);
    EXPECT_TRUE(envelope->LoopEnabled());
    SongEdit().Undo();
    EXPECT_FALSE(envelope->LoopEnabled());
    EXPECT_FALSE(inst->volLoopCB->isChecked());
    SongEdit().Undo();
    EXPECT_FALSE(inst->volEnvCB->isChecked());
}

TEST_F(InstFormTest, ALoopMarkerDragInTheWindowEndsWhereThePointerLeftIt) {
    const auto raw = TempDir() / "ramp.raw";
    {
        std::ofstream out(raw, std::ios::binary);
        for (int i = 0; i < 1000; ++i) {
            const int16_t v = int16_t(i * 30 - 15000);
            out.write(reinterpret_cast<const char*>(&v), 2);
        }
    }
    ASSERT_EQ(SongEdit().AddSample(0, "Load", [&](TSample& s) { s.LoadRawFile(raw.string()); }), 2);
    SelectRows(inst->instrList, {0});
    SelectRows(inst->sampleList, {2});
    SongEdit().EditSample(0, 2, "Loop", [](TSample& s) {
        s.SetLoopType(1);
        s.SetLoopStart(100);
        s.SetLoopEnd(400);
    });
    TSampleEditor* editor = inst->sampleEditor;
    ASSERT_GE(editor->viewport()->width(), 400);
    StoreView(*SampleOf(0, 2), {0, 0, 0, 1});
    editor->UpdateScrollBar();
    editor->RefreshLoopMarkers();
    const auto send = [&](QEvent::Type type, int x) {
        const QPointF at(x, 20);
        QMouseEvent event(type, at, editor->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(editor->viewport(), &event);
    };
    send(QEvent::MouseButtonPress, 101);
    for (int x : {150, 250, 300}) send(QEvent::MouseMove, x);
    EXPECT_EQ(inst->startLoopEd->value(), 300) << "the field follows the drag";
    send(QEvent::MouseButtonRelease, 300);
    EXPECT_EQ(SampleOf(0, 2)->LoopStart(), 300);
    EXPECT_EQ(SongEdit().UndoText(), "Move Loop");
    SongEdit().Undo();
    EXPECT_EQ(SampleOf(0, 2)->LoopStart(), 100);
    EXPECT_EQ(inst->startLoopEd->value(), 100);
}

TEST_F(InstFormTest, ANewInstrumentGetsAnEnvelopeToShapeWhenSwitchedOn) {
    inst->instrList->setFocus();
    SelectRows(inst->instrList, {7});
    inst->NewInstrument();
    ASSERT_EQ(Song()->InstrumentCount(), 9);
    EXPECT_EQ(Song()->Instruments(7)->Name(), "< new instrument >");
    EXPECT_EQ(inst->instrList->item(8)->text(), "08: Inst7");
    SelectRows(inst->instrList, {7});
    TEnvelope* envelope = Song()->Instruments(7)->VolumeEnvelope();
    ASSERT_TRUE(inst->volEnvCB->isEnabled());
    inst->volEnvCB->setChecked(true);
    EXPECT_TRUE(envelope->Enabled());
    EXPECT_EQ(envelope->PointCount(), 2);
    EXPECT_TRUE(inst->volControlPanel->isEnabled());
    SongEdit().Undo();
    EXPECT_EQ(envelope->PointCount(), 0);
    EXPECT_FALSE(inst->volEnvCB->isChecked());
    // "New" does nothing while the sample list has the focus.
    inst->sampleList->setFocus();
    inst->NewInstrument();
    EXPECT_EQ(Song()->InstrumentCount(), 9);
}

TEST_F(InstFormTest, RangeCommandsCutPasteAndCropThroughTheHistory) {
    SelectRows(inst->instrList, {0});
    SelectRows(inst->sampleList, {0});
    StoreView(*SampleOf(0, 0), {0, 1, 3, 1}); // frames 1 and 2
    inst->sampleEditor->UpdateScrollBar();
    inst->CutRange();
    ASSERT_EQ(SampleOf(0, 0)->Length(), 6);
    EXPECT_EQ(SampleOf(0, 0)->Values(1), 120);
    StoreView(*SampleOf(0, 0), {0, 6, 6, 1});
    inst->PasteRange();
    ASSERT_EQ(SampleOf(0, 0)->Length(), 8);
    EXPECT_EQ(SampleOf(0, 0)->Values(6), 40);
    EXPECT_EQ(SampleOf(0, 0)->Values(7), 80);
    StoreView(*SampleOf(0, 0), {0, 2, 4, 1});
    inst->CropRange();
    ASSERT_EQ(SampleOf(0, 0)->Length(), 2);
    EXPECT_EQ(SampleOf(0, 0)->Values(0), -40);
    for (int i = 0; i < 3; ++i) SongEdit().Undo();
    ASSERT_EQ(SampleOf(0, 0)->Length(), 8);
    EXPECT_EQ(SampleOf(0, 0)->Values(1), 40);
}

TEST_F(InstFormTest, RenamingEditsTheBareNameAndKeepsTheNumber) {
    SelectRows(inst->instrList, {3});
    inst->instrList->setFocus();
    inst->RenameFocused();
    auto* editor = inst->instrList->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Inst3");
    editor->setText("Bass");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits a Return later
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Song()->Instruments(3)->Name(), "Bass");
    EXPECT_EQ(inst->instrList->item(3)->text(), "03: Bass");
    SongEdit().Undo();
    EXPECT_EQ(inst->instrList->item(3)->text(), "03: Inst3");

    // Given up, the caption comes back and letters are notes again.
    inst->RenameFocused();
    editor = inst->instrList->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(inst->instrList->item(3)->text(), "03: Inst3");
    EXPECT_EQ(Song()->Instruments(3)->Name(), "Inst3");
    const uint8_t note = KeyToNote('Q', BaseOctave());
    inst->instrList->setFocus();
    QTest::keyPress(inst->instrList, Qt::Key_Q);
    EXPECT_TRUE(Song()->Instruments(3)->NoteStatus().IsPlaying(note));
    QTest::keyRelease(inst->instrList, Qt::Key_Q);
}

// A drop of row or range data on a list, as a drag from the lists or the editor ends.
void DropOn(TNKListView* list, QMimeData* mime, int row) {
    const std::unique_ptr<QMimeData> owned(mime);
    ASSERT_TRUE(list->AcceptsDrag(mime));
    list->Drop(mime, row);
}

TEST_F(InstFormTest, RowsDroppedOnTheListsSwapOrMoveThroughTheHistory) {
    // Instrument on instrument: the two exchange places and captions.
    const std::unique_ptr<QMimeData> instrumentRow(
        TNKListView::RowMime(TNKListView::Instruments, 1));
    EXPECT_FALSE(inst->sampleList->AcceptsDrag(instrumentRow.get()));
    SelectRows(inst->instrList, {1});
    DropOn(inst->instrList, TNKListView::RowMime(TNKListView::Instruments, 1), 3);
    EXPECT_EQ(Song()->Instruments(1)->Name(), "Inst3");
    EXPECT_EQ(Song()->Instruments(3)->Name(), "Inst1");
    EXPECT_EQ(inst->instrList->item(1)->text(), "01: Inst3");
    EXPECT_EQ(inst->instrList->item(3)->text(), "03: Inst1");
    EXPECT_EQ(inst->CurrentInstrument(), 3) << "the dragged instrument stays current";
    EXPECT_EQ(inst->sampleList->item(0)->text(), "0: Inst1-0");
    SongEdit().Undo();
    EXPECT_EQ(Song()->Instruments(1)->Name(), "Inst1");
    EXPECT_EQ(inst->instrList->item(3)->text(), "03: Inst3");

    // Sample on sample: they swap; over empty space nothing happens.
    SelectRows(inst->instrList, {2});
    SelectRows(inst->sampleList, {0});
    const int before = SongEdit().HistoryIndex();
    DropOn(inst->sampleList, TNKListView::RowMime(TNKListView::Samples, 0), -1);
    EXPECT_EQ(SongEdit().HistoryIndex(), before);
    DropOn(inst->sampleList, TNKListView::RowMime(TNKListView::Samples, 0), 2);
    EXPECT_EQ(SampleOf(2, 0)->Name(), "Inst2-2");
    EXPECT_EQ(SampleOf(2, 2)->Name(), "Inst2-0");
    EXPECT_EQ(inst->sampleList->item(2)->text(), "2: Inst2-0");
    EXPECT_EQ(inst->CurrentSample(), 2);
    SongEdit().Undo();
    EXPECT_EQ(inst->sampleList->item(0)->text(), "0: Inst2-0");

    // Sample on another instrument: it moves to the end of that one's samples.
    SelectRows(inst->sampleList, {1});
    SampleOf(2, 1)->SetVolume(33);
    DropOn(inst->instrList, TNKListView::RowMime(TNKListView::Samples, 1), 4);
    ASSERT_EQ(Song()->Instruments(2)->SampleCount(), 2);
    ASSERT_EQ(Song()->Instruments(4)->SampleCount(), 3);
    EXPECT_EQ(SampleOf(4, 2)->Name(), "Inst2-1");
    EXPECT_EQ(SampleOf(4, 2)->Volume(), 33);
    EXPECT_EQ(inst->sampleList->count(), 2);
    EXPECT_EQ(inst->sampleList->item(1)->text(), "1: Inst2-2");
    SongEdit().Undo();
    ASSERT_EQ(Song()->Instruments(2)->SampleCount(), 3);
    EXPECT_EQ(SampleOf(2, 1)->Name(), "Inst2-1") << "back in its own place";
    EXPECT_EQ(SampleOf(2, 2)->Name(), "Inst2-2");
    EXPECT_EQ(SampleOf(2, 1)->Values(7), 30);
    EXPECT_EQ(Song()->Instruments(4)->SampleCount(), 2);

    // Over empty space: a new instrument named after it, in one step.
    DropOn(inst->instrList, TNKListView::RowMime(TNKListView::Samples, 1), -1);
    ASSERT_EQ(Song()->InstrumentCount(), 9);
    EXPECT_EQ(Song()->Instruments(8)->Name(), "Inst2-1");
    ASSERT_EQ(Song()->Instruments(8)->SampleCount(), 1);
    EXPECT_EQ(inst->instrList->item(8)->text(), "08: Inst2-1");
    EXPECT_EQ(SongEdit().UndoText(), "Move Sample");
    SongEdit().Undo();
    EXPECT_EQ(Song()->InstrumentCount(), 8);
    EXPECT_EQ(inst->instrList->count(), 8);
    EXPECT_EQ(Song()->Instruments(2)->SampleCount(), 3);
    EXPECT_EQ(SampleOf(2, 1)->Name(), "Inst2-1");
}

TEST_F(InstFormTest, ASelectionDraggedOutOfTheEditorBecomesANewSample) {
    SelectRows(inst->instrList, {0});
    SelectRows(inst->sampleList, {0});
    StoreView(*SampleOf(0, 0), {0, 2, 5, 1}); // frames 2, 3 and 4
    inst->sampleEditor->UpdateScrollBar();

    // On the sample list: a new sample of the current instrument.
    DropOn(inst->sampleList, inst->sampleEditor->SelectionMime(), -1);
    ASSERT_EQ(Song()->Instruments(0)->SampleCount(), 3);
    ASSERT_EQ(SampleOf(0, 2)->Length(), 3);
    EXPECT_EQ(SampleOf(0, 2)->Values(0), 80);
    EXPECT_EQ(SampleOf(0, 2)->Values(2), -40);
    EXPECT_EQ(inst->sampleList->count(), 3);
    EXPECT_EQ(inst->CurrentSample(), 2);
    EXPECT_EQ(SampleOf(0, 0)->SelStart, 2) << "the source keeps its selection";
    EXPECT_EQ(SampleOf(0, 0)->SelEnd, 5);

    // On an instrument row: appended there. On empty space: a new instrument.
    SelectRows(inst->sampleList, {0});
    StoreView(*SampleOf(0, 0), {0, 2, 5, 1});
    DropOn(inst->instrList, inst->sampleEditor->SelectionMime(), 5);
    ASSERT_EQ(Song()->Instruments(5)->SampleCount(), 3);
    EXPECT_EQ(SampleOf(5, 2)->Length(), 3);
    SelectRows(inst->instrList, {0});
    SelectRows(inst->sampleList, {0});
    StoreView(*SampleOf(0, 0), {0, 0, 0, 1}); // no selection: all of it
    DropOn(inst->instrList, inst->sampleEditor->SelectionMime(), -1);
    ASSERT_EQ(Song()->InstrumentCount(), 9);
    EXPECT_EQ(Song()->Instruments(8)->Name(), SampleOf(8, 0)->Name());
    EXPECT_EQ(SampleOf(8, 0)->Length(), 8);
    EXPECT_EQ(inst->instrList->item(8)->text().left(4), "08: ");

    for (int i = 0; i < 3; ++i) SongEdit().Undo();
    EXPECT_EQ(Song()->InstrumentCount(), 8);
    EXPECT_EQ(Song()->Instruments(5)->SampleCount(), 2);
    EXPECT_EQ(Song()->Instruments(0)->SampleCount(), 2);
    EXPECT_FALSE(SongEdit().CanUndo());

    // A range from a sample that is gone by the drop changes nothing.
    QMimeData stale;
    stale.setData(TSampleEditor::kRangeMime, "0 7 0 4");
    inst->sampleList->Drop(&stale, -1);
    EXPECT_FALSE(SongEdit().CanUndo());
}

TEST_F(InstFormTest, TheSizeColumnSignAndVibratoFollowTheSample) {
    SelectRows(inst->instrList, {0});
    SelectRows(inst->sampleList, {0});
    EXPECT_EQ(inst->sampleList->item(0)->data(Qt::UserRole).toInt(), 8);
    auto* header = inst->sampleList->parentWidget()->findChild<QHeaderView*>();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->model()->headerData(1, Qt::Horizontal).toString(), "Size");

    // (Un)Sign flips the range's frames between the two conventions, and the size stays.
    StoreView(*SampleOf(0, 0), {0, 1, 3, 1});
    inst->FlipSign();
    EXPECT_EQ(SampleOf(0, 0)->Values(0), 0);
    EXPECT_EQ(SampleOf(0, 0)->Values(1), 40 - 128);
    EXPECT_EQ(SampleOf(0, 0)->Values(2), 80 - 128);
    EXPECT_EQ(SampleOf(0, 0)->Values(3), 120);
    inst->FlipSign();
    EXPECT_EQ(SampleOf(0, 0)->Values(1), 40);
    SongEdit().Undo();
    SongEdit().Undo();
    EXPECT_EQ(SampleOf(0, 0)->Values(2), 80);

    // A crop shortens the sample, and its size shows it.
    StoreView(*SampleOf(0, 0), {0, 2, 4, 1});
    inst->CropRange();
    EXPECT_EQ(inst->sampleList->item(0)->data(Qt::UserRole).toInt(), 2);

    // Two instruments leave the sliders where they were; a type of 3 presses the fourth button.
    SongEdit().EditInstrument(1, "Vibrato", [](TInstrument& in) {
        in.SetVibratoType(3);
        in.SetFadeOut(200);
    });
    SelectRows(inst->instrList, {1});
    EXPECT_TRUE(inst->typeButtons->button(3)->isChecked());
    EXPECT_EQ(inst->fadeBar->value(), 200);
    inst->instrList->item(0)->setSelected(true); // a second row, with no single one between
    EXPECT_EQ(inst->CurrentInstrument(), -1);
    EXPECT_EQ(inst->fadeBar->value(), 200);
}

TEST_F(InstFormTest, NoteQualityInvertAndTheCurrentEvents) {
    std::vector<int> instruments, samples;
    TBusHook hook([&](TZEvent& event) {
        if (auto* i = dynamic_cast<EvCurrInstChange*>(&event)) instruments.push_back(i->Index);
        if (auto* s = dynamic_cast<EvCurrSampChange*>(&event)) samples.push_back(s->Index);
    });
    SelectRows(inst->instrList, {4});
    SelectRows(inst->sampleList, {1});
    ASSERT_FALSE(instruments.empty());
    EXPECT_EQ(instruments.back(), 4);
    EXPECT_EQ(samples.back(), 1);
    SelectRows(inst->instrList, {4, 5});
    EXPECT_EQ(instruments.back(), -1);
    EXPECT_EQ(samples.back(), -1);

    // The relative note: C-4 at 0, one step up and back; one undo step each.
    SelectRows(inst->instrList, {4});
    SelectRows(inst->sampleList, {1});
    EXPECT_EQ(inst->relNote->text(), "C 4");
    inst->relUpBtn->click();
    EXPECT_EQ(SampleOf(4, 1)->BaseNote(), 49);
    EXPECT_EQ(inst->relNote->text(), "C#4");
    EXPECT_EQ(SampleOf(4, 0)->BaseNote(), 48) << "only the current sample";
    SongEdit().Undo();
    EXPECT_EQ(inst->relNote->text(), "C 4");

    // 16 bit keeps the bytes: half the frames, and back on undo.
    inst->quality16->click();
    EXPECT_EQ(SampleOf(4, 1)->Bits(), 16);
    EXPECT_EQ(SampleOf(4, 1)->Length(), 4);
    EXPECT_EQ(SampleOf(4, 1)->ByteLength(), 8);
    SongEdit().Undo();
    EXPECT_EQ(SampleOf(4, 1)->Bits(), 8);
    EXPECT_TRUE(inst->quality8->isChecked());

    // Inverting the focused list's selection.
    inst->sampleList->setFocus();
    inst->InvertSelection();
    EXPECT_EQ(inst->SelectedSamples(), std::vector<int>{0});
    EXPECT_EQ(inst->CurrentSample(), 0);
    inst->instrList->setFocus();
    inst->InvertSelection();
    EXPECT_EQ(inst->SelectedInstruments().size(), 7u);
    EXPECT_EQ(inst->CurrentInstrument(), -1);

    // "Save Sample As..." writes a file that loads back frame for frame.
    SelectRows(inst->instrList, {4});
    SelectRows(inst->sampleList, {0});
    const auto wav = TempDir() / "saved.wav";
    std::filesystem::remove(wav);
    inst->SaveSampleAs(QString::fromStdString(wav.string()));
    ASSERT_TRUE(std::filesystem::exists(wav));
    ASSERT_EQ(SongEdit().AddSample(4, "Load", [&](TSample& s) { s.LoadRawFile(wav.string()); }), 2);
    ASSERT_EQ(SampleOf(4, 2)->Length(), 8);
    for (int f = 0; f < 8; ++f) EXPECT_EQ(SampleOf(4, 2)->Values(f), SampleOf(4, 0)->Values(f));
}

TEST_F(InstFormTest, TheWindowHidesOnCloseAndTheViewMenuBringsItBack) {
    QMdiSubWindow* window = form->InstWindow();
    ASSERT_TRUE(window->isVisible());
    window->close();
    EXPECT_FALSE(window->isVisible());
    form->instEditorAct->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(form->InstForm(), inst);
}

} // namespace
