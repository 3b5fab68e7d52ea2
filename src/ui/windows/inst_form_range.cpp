// The sample editor's range commands, each one step of the undo history.
#include "edit/sample_range.h"
#include "edit/sample_view.h"
#include "model/instrument.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "project/song_edit.h"
#include "ui/widgets/sample_editor.h"
#include "ui/windows/inst_form.h"

#include <QAction>
#include <algorithm>

namespace {

struct TRange {
    int start, end;
};

TRange Ordered(const TSampleView& view) {
    return {std::min(view.selStart, view.selEnd), std::max(view.selStart, view.selEnd)};
}

} // namespace

void TInstForm::CopyRange() {
    TSample* sample = Sample();
    if (!sample || !sampleEditor->HasSelection()) return;
    const TRange range = Ordered(sampleEditor->View());
    clip_ = CopyFrames(*sample, range.start, range.end);
    UpdateRangeActions();
}

void TInstForm::CutRange() {
    CopyRange();
    DeleteRange();
}

void TInstForm::DeleteRange() {
    if (!Sample() || !sampleEditor->HasSelection()) return;
    const TRange range = Ordered(sampleEditor->View());
    SongEdit().ProcessSample(currentInstrument_, currentSample_, "Delete Range",
                             [range](TSample& s) {
                                 s.SelStart = range.start;
                                 s.SelEnd = range.end;
                                 s.DeleteSelection();
                             });
    sampleEditor->SampleDataChanged();
}

void TInstForm::PasteRange() {
    TSample* sample = Sample();
    if (!sample || clip_.Empty()) return;
    const TSampleView view = sampleEditor->View();
    // Over a selection the clip replaces it; else it goes in at the caret.
    const TRange range = Ordered(view);
    const TSampleClip clip = clip_;
    SongEdit().ProcessSample(currentInstrument_, currentSample_, "Paste",
                             [range, clip](TSample& s) {
                                 TSampleData block = WithFramesAt(s, range.start, range.end, clip);
                                 s.InstallData(block);
                             });
    sampleEditor->SampleDataChanged();
}

void TInstForm::CropRange() {
    if (!Sample() || !sampleEditor->HasSelection()) return;
    const TRange range = Ordered(sampleEditor->View());
    SongEdit().ProcessSample(currentInstrument_, currentSample_, "Crop", [range](TSample& s) {
        TSampleData block = OnlyFrames(s, range.start, range.end);
        s.InstallData(block);
        s.SelStart = s.SelEnd = 0;
    });
    sampleEditor->SampleDataChanged();
}

void TInstForm::LoopToSelection() {
    TSample* sample = Sample();
    if (!sample) return;
    const auto loop = LoopFromSelection(sampleEditor->View(), sample->Length());
    if (!loop) return;
    SongEdit().EditSample(currentInstrument_, currentSample_, "Set Loop to Selection",
                          [loop = *loop](TSample& s) {
                              if (s.LoopType() == kLoopNone) s.SetLoopType(kLoopForward);
                              s.SetLoopStart(loop.start);
                              s.SetLoopEnd(loop.end);
                          });
    sampleEditor->RefreshLoopMarkers();
}

void TInstForm::Normalize() {
    if (!Sample()) return;
    const TRange range = Ordered(sampleEditor->View());
    SongEdit().ProcessSample(currentInstrument_, currentSample_, "Normalize", [range](TSample& s) {
        TSampleData block = Normalized(s, range.start, range.end);
        s.InstallData(block);
    });
    sampleEditor->SampleDataChanged();
}

void TInstForm::FlipSign() {
    if (!Sample()) return;
    const TRange range = Ordered(sampleEditor->View());
    SongEdit().ProcessSample(currentInstrument_, currentSample_, "(Un)Sign", [range](TSample& s) {
        TSampleData block = SignFlipped(s, range.start, range.end);
        s.InstallData(block);
    });
    sampleEditor->SampleDataChanged();
}

void TInstForm::CrossfadeLoop(int frames) {
    if (!Sample()) return;
    SongEdit().ProcessSample(currentInstrument_, currentSample_, "Crossfade Loop",
                             [frames](TSample& s) {
                                 TSampleData block = CrossfadedLoop(s, frames);
                                 s.InstallData(block);
                             });
    sampleEditor->SampleDataChanged();
}
