// The instrument editor's property controls and sample commands: what they show, and the edit
// steps they make.
#include "edit/sample_view.h"
#include "engine/sndlib.h"
#include "model/envelope.h"
#include "model/errors.h"
#include "model/instrument.h"
#include "model/notes.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "project/song_edit.h"
#include "ui/widgets/envelope_box.h"
#include "ui/widgets/keyboard_box.h"
#include "ui/widgets/sample_editor.h"
#include "ui/windows/inst_form.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>
#include <cstring>

namespace {

// Puts a value into a slider and its label without writing it back.
void Load(QSlider* slider, QLabel* label, int value) {
    const QSignalBlocker guard(slider);
    slider->setValue(value);
    label->setText(QString::number(slider->value()));
}

std::vector<int> SampleCounts(const TSong& song) {
    std::vector<int> counts;
    for (int i = 0; i < song.InstrumentCount(); ++i)
        counts.push_back(song.Instruments(i)->SampleCount());
    return counts;
}

} // namespace

void TInstForm::ShowInstrument() {
    LoadSampleList();
    TInstrument* instrument = Instrument();
    keyBox->SetInstrument(instrument ? currentInstrument_ : -1);
    if (instrument) {
        Load(fadeBar, fadeBarLabel, instrument->FadeOut());
        Load(speedBar, speedBarLabel, instrument->VibratoRate());
        Load(depthBar, depthBarLabel, instrument->VibratoDepth());
        Load(sweepBar, sweepBarLabel, instrument->VibratoSweep());
        if (QAbstractButton* type = typeButtons->button(instrument->VibratoType() & 3))
            type->setChecked(true);
    }
    for (bool panning : {false, true}) {
        TEnvelopeBox* box = panning ? panEnvBox : volEnvBox;
        QCheckBox* enable = panning ? panEnvCB : volEnvCB;
        TEnvelope* envelope = !instrument ? nullptr
                              : panning   ? instrument->PanningEnvelope()
                                          : instrument->VolumeEnvelope();
        if (envelope)
            box->SetEnvelope(currentInstrument_, panning);
        else
            box->ClearEnvelope();
        const QSignalBlocker guard(enable);
        enable->setEnabled(envelope != nullptr);
        enable->setChecked(envelope && envelope->Enabled());
        (panning ? panControlPanel : volControlPanel)
            ->setEnabled(panning ? enable->isEnabled() : enable->isChecked());
        ShowEnvelopeParams(panning);
    }
    EventManager().Dispatch<EvCurrInstChange>(instrument ? currentInstrument_ : -1);
}

void TInstForm::ShowSample() {
    TSample* sample = Sample();
    const bool single = SelectedSamples().size() == 1 && SelectedInstruments().size() == 1;
    relNote->setText(sample && single ? QString::fromStdString(NoteIndexName(sample->BaseNote()))
                                      : QString());
    // Giving the editor its own sample again would end a drag it is in.
    if (!sample)
        sampleEditor->ClearSample();
    else if (sampleEditor->InstrumentNumber() != currentInstrument_ ||
             sampleEditor->SampleNumber() != currentSample_)
        sampleEditor->SetSample(currentInstrument_, currentSample_);
    keyBox->SetAssignSample(sample ? currentSample_ : -1);
    if (sample) {
        showingSample_ = true;
        Load(volBar, volBarLabel, sample->Volume());
        Load(panBar, panBarLabel, sample->Panning());
        Load(tuneBar, tuneBarLabel, sample->FineTune());
        {
            const QSignalBlocker g8(quality8), g16(quality16);
            (sample->Bits() == 16 ? quality16 : quality8)->setChecked(true);
        }
        const QSignalBlocker gl(smpLoopBox);
        smpLoopBox->setCurrentIndex(std::clamp(sample->LoopType(), 0, 2));
        ShowLoopFields();
        showingSample_ = false;
    }
    UpdateRangeActions();
    EventManager().Dispatch<EvCurrSampChange>(sample ? currentSample_ : -1);
}

void TInstForm::ShowLoopFields() {
    TSample* sample = Sample();
    if (!sample) return;
    const QSignalBlocker gs(startLoopEd), ge(endLoopEd);
    startLoopEd->setMaximum(sample->Length());
    endLoopEd->setMaximum(sample->Length());
    startLoopEd->setValue(sample->LoopStart());
    endLoopEd->setValue(sample->LoopEnd());
}

void TInstForm::UpdateRangeActions() {
    const bool sample = Sample() != nullptr;
    const bool selection = sample && sampleEditor->HasSelection();
    if (selection) {
        const TSampleView view = sampleEditor->View();
        selRangePanel->setText(QString("Selection: %1 -- %2")
                                   .arg(std::min(view.selStart, view.selEnd))
                                   .arg(std::max(view.selStart, view.selEnd)));
    } else {
        selRangePanel->setText("No range selected");
    }
    zoomPanel->setText(sample ? QString("Zoom: %1 to 1").arg(sampleEditor->View().viewZoom)
                              : QString("Zoom:"));
    zoomOutAct->setEnabled(sample && !sampleEditor->IsFitZoom());
    zoomSelAct->setEnabled(sample && sampleEditor->View().viewZoom != 1);
    for (QAction* act : {cutAct, copyAct, cropAct, deleteRangeAct, loopToSelAct})
        act->setEnabled(selection);
    pasteAct->setEnabled(currentInstrument_ >= 0 && sample && !clip_.Empty());
    for (QAction* act :
         {unsignAct, unsignBtnAct, normalizeAct, crossfadeAct, playAct, stopAct, saveSampleAct})
        act->setEnabled(sample);
    // The dialogs also work on several selected samples or instruments at once.
    const bool targets = sample || SelectedSamples().size() > 1 || SelectedInstruments().size() > 1;
    for (QAction* act : {echoAct, amplifyAct, reverseAct}) act->setEnabled(targets);
}

void TInstForm::SliderChanged(int tag, int value) {
    QLabel* labels[] = {volBarLabel, panBarLabel, tuneBarLabel};
    TSong* song = Project().Song();
    if (tag < 10) {
        labels[tag]->setText(QString::number(value));
        if (!song) return;
        static const char* names[] = {"Sample Volume", "Sample Panning", "Finetune"};
        for (auto [i, s] : SampleTargets(Selection(), SampleCounts(*song)))
            SongEdit().EditSample(i, s, names[tag], [tag, value](TSample& sample) {
                if (tag == 0) sample.SetVolume(value);
                if (tag == 1) sample.SetPanning(value);
                if (tag == 2) sample.SetFineTune(value);
            });
        return;
    }
    QLabel* instLabels[] = {fadeBarLabel, speedBarLabel, depthBarLabel, sweepBarLabel};
    instLabels[tag - 10]->setText(QString::number(value));
    if (!song) return;
    static const char* names[] = {"Fadeout", "Vibrato Speed", "Vibrato Depth", "Vibrato Sweep"};
    for (int i : InstrumentTargets(Selection()))
        SongEdit().EditInstrument(i, names[tag - 10], [tag, value](TInstrument& in) {
            if (tag == 10) in.SetFadeOut(value);
            if (tag == 11) in.SetVibratoRate(value);
            if (tag == 12) in.SetVibratoDepth(value);
            if (tag == 13) in.SetVibratoSweep(value);
        });
}

void TInstForm::ShiftRelativeNote(int delta) {
    TSong* song = Project().Song();
    if (!song) return;
    for (auto [i, s] : SampleTargets(Selection(), SampleCounts(*song)))
        SongEdit().EditSample(i, s, "Relative Note", [delta](TSample& sample) {
            sample.SetBaseNote((sample.BaseNote() + delta) & 0xFF);
        });
    if (TSample* sample = Sample(); sample && SelectedSamples().size() < 2)
        relNote->setText(QString::fromStdString(NoteIndexName(sample->BaseNote())));
}

void TInstForm::QualityChosen(int bits) {
    TSample* sample = Sample();
    if (!sample || showingSample_ || sample->Bits() == bits) return;
    // The bytes stay; only the format changes, so a copy swaps in as one undoable block.
    SongEdit().ProcessSample(currentInstrument_, currentSample_, "Quality", [bits](TSample& s) {
        TSampleData block{nullptr, s.ByteLength(), bits, 0, 0};
        if (block.bytes > 0) {
            block.block = static_cast<uint8_t*>(PLYRmemAlloc(size_t(block.bytes)));
            if (!block.block) throw ESampleError("Failed to allocate memory.");
            std::memcpy(block.block, s.Record()->data, size_t(block.bytes));
        }
        const int frames = block.bytes / (bits / 8);
        block.loopStart = std::min(s.LoopStart(), frames);
        block.loopEnd = std::clamp(s.LoopEnd(), block.loopStart, frames);
        s.ExchangeData(block);
        // `block` now holds the old block, which the step keeps for undo.
    });
    sampleEditor->SampleDataChanged();
}

void TInstForm::LoopTypeChosen(int type) {
    if (!Sample()) return;
    SongEdit().EditSample(currentInstrument_, currentSample_, "Loop Type",
                          [type](TSample& s) { s.SetLoopType(type); });
    sampleEditor->RefreshLoopMarkers();
    sampleEditor->setFocus();
}

void TInstForm::LoopFieldChanged(bool end, int value) {
    TSample* sample = Sample();
    if (!sample || showingSample_) return;
    if ((end ? sample->LoopEnd() : sample->LoopStart()) == value) return;
    SongEdit().EditSample(currentInstrument_, currentSample_, end ? "Loop End" : "Loop Start",
                          [end, value](TSample& s) {
                              if (end)
                                  s.SetLoopEnd(value);
                              else
                                  s.SetLoopStart(value);
                          });
    sampleEditor->RefreshLoopMarkers();
}

void TInstForm::PlaySample() {
    TSample* sample = Sample();
    if (!sample) return;
    // The selection alone, unlooped; without one, from the caret on as the sample loops.
    const TFrameRange range = PreviewRange(sampleEditor->View(), sample->Length());
    sample->PlayNote(NoteFromIndex(sample->BaseNote()), int(range.first),
                     sampleEditor->HasSelection() ? int(range.end) : -1);
}

void TInstForm::StopSample() {
    if (TSample* sample = Sample()) sample->StopNote();
}
