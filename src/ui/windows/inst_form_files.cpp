// The instrument editor's files, bus reactions and note keys.
#include "model/errors.h"
#include "model/instrument.h"
#include "model/notes.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "project/song_edit.h"
#include "ui/key_char.h"
#include "ui/widgets/envelope_box.h"
#include "ui/widgets/keyboard_box.h"
#include "ui/widgets/sample_editor.h"
#include "ui/windows/env_dlg.h"
#include "ui/windows/inst_form.h"
#include "ui/windows/main_form.h"
#include "ui/windows/sample_editor_look.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace {

bool IsXI(const QString& file) {
    return QFileInfo(file).suffix().compare("xi", Qt::CaseInsensitive) == 0;
}

const char* kSampleFilter =
    "Sample files (*.wav *.aif *.aiff *.flac *.ogg *.iff *.8svx *.smp *.au *.snd *.voc *.w64 "
    "*.caf *.raw);;All files (*)";

} // namespace

void TInstForm::ReportError(const std::exception& error) {
    if (MainForm())
        MainForm()->ShowException(error);
    else
        QMessageBox::warning(this, "Error", QString::fromStdString(error.what()));
}

int TInstForm::LoadInstrumentFiles(const QStringList& files) {
    if (!Project().Song()) return 0;
    int loaded = 0;
    for (const QString& file : files) {
        const std::string name = file.toStdString();
        try {
            // A sample file becomes an instrument of its own that plays it.
            const int index = SongEdit().AddInstrument(-1, "Load Instrument", [&](TInstrument& in) {
                if (IsXI(file)) {
                    in.LoadFromXI(name);
                    return;
                }
                TSample* sample = in.InsertSample(-1);
                sample->LoadRawFile(name);
                in.SetName(sample->Name());
            });
            if (index < 0) break;
            ++loaded;
            instrList->setFocus();
            instrList->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        } catch (const std::exception& error) {
            ReportError(error);
        }
    }
    return loaded;
}

int TInstForm::LoadSampleFiles(const QStringList& files) {
    if (!Project().Song()) return 0;
    int loaded = 0;
    QStringList instruments;
    for (const QString& file : files) {
        if (IsXI(file)) {
            instruments << file;
            continue;
        }
        if (currentInstrument_ < 0) continue;
        const std::string name = file.toStdString();
        try {
            const int index = SongEdit().AddSample(currentInstrument_, "Load Sample",
                                                   [&](TSample& s) { s.LoadRawFile(name); });
            if (index < 0) break;
            ++loaded;
            sampleList->setFocus();
            if (index < sampleList->count())
                sampleList->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        } catch (const std::exception& error) {
            ReportError(error);
        }
    }
    // An instrument file dropped on the samples still arrives as an instrument.
    return loaded + LoadInstrumentFiles(instruments);
}

void TInstForm::LoadInstrumentClick() {
    const QStringList files = QFileDialog::getOpenFileNames(
        this, "Load Instrument", {},
        QString("Instruments and samples (*.xi *.wav *.aif *.aiff *.flac *.ogg *.iff *.8svx "
                "*.smp *.au *.voc *.w64 *.caf);;XI files (*.xi);;") +
            kSampleFilter);
    LoadInstrumentFiles(files);
}

void TInstForm::LoadSampleClick() {
    if (currentInstrument_ < 0) return;
    LoadSampleFiles(QFileDialog::getOpenFileNames(this, "Load Sample", {}, kSampleFilter));
}

void TInstForm::SaveSampleAs(const QString& fileName) {
    TSample* sample = Sample();
    if (!sample) return;
    try {
        sample->SaveToFile(fileName.toStdString());
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

void TInstForm::SaveInstrumentAs(const QString& fileName) {
    TInstrument* instrument = Instrument();
    if (!instrument) return;
    try {
        instrument->SaveToXI(fileName.toStdString());
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

// --- Drops from the lists and the sample editor ---------------------------------------

void TInstForm::RowDropped(TNKListView::TKind from, int sourceRow, TNKListView::TKind to, int row) {
    TSong* song = Project().Song();
    if (!song) return;
    try {
        if (from == TNKListView::Instruments) {
            // Instrument on instrument: the two exchange places.
            if (to != TNKListView::Instruments || row < 0 || row == sourceRow) return;
            SongEdit().SwapInstruments(sourceRow, row);
            instrList->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
            instrList->setFocus();
            return;
        }
        const int instrument = currentInstrument_;
        if (instrument < 0 || sourceRow >= song->Instruments(instrument)->SampleCount()) return;
        if (to == TNKListView::Samples) {
            if (row < 0 || row == sourceRow || row >= sampleList->count()) return;
            SongEdit().SwapSamples(instrument, sourceRow, row);
            sampleList->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
            sampleList->setFocus();
            return;
        }
        // Sample on instrument: it moves there, or to a new instrument over empty space.
        SongEdit().MoveSample(instrument, sourceRow, row < instrList->count() ? row : -1);
        instrList->setFocus();
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

void TInstForm::RangeDropped(int instrument, int sample, int start, int end, TNKListView::TKind to,
                             int row) {
    TSong* song = Project().Song();
    if (!song || instrument >= song->InstrumentCount() ||
        sample >= song->Instruments(instrument)->SampleCount())
        return;
    const int length = song->Instruments(instrument)->Samples(sample)->Length();
    start = std::min(start, length);
    end = std::clamp(end, start, length);
    try {
        if (to == TNKListView::Samples) {
            if (currentInstrument_ < 0) return;
            const int target = currentInstrument_;
            if (SongEdit().CopySampleRange(instrument, sample, start, end, target) < 0) return;
            sampleList->setFocus();
            const int last = song->Instruments(target)->SampleCount() - 1;
            if (last < sampleList->count())
                sampleList->setCurrentRow(last, QItemSelectionModel::ClearAndSelect);
            return;
        }
        const int target = row >= 0 && row < instrList->count() ? row : -1;
        if (SongEdit().CopySampleRange(instrument, sample, start, end, target) < 0) return;
        instrList->setFocus();
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

// --- Bus ---------------------------------------------------------------------------------

void TInstForm::ApplyVisualProperties() {
    if (MainForm() && MainForm()->EnvDlg())
        ApplySampleEditorLook(*sampleEditor, *MainForm()->EnvDlg());
}

void TInstForm::HandleEvent(TZEvent& event) {
    if (dynamic_cast<EvLoadModule*>(&event)) {
        LoadInstrumentList();
    } else if (dynamic_cast<EvClosedModule*>(&event) || dynamic_cast<EvClosingModule*>(&event)) {
        CloseModule();
    } else if (dynamic_cast<EvEnvPropsChange*>(&event)) {
        ApplyVisualProperties();
    } else if (dynamic_cast<EvInstListChange*>(&event)) {
        // Keep the selection where it can stay; rows come and go with the song.
        const std::vector<int> selected = SelectedInstruments();
        const int count = Project().Song() ? Project().Song()->InstrumentCount() : 0;
        if (instrList->count() != count) {
            updatingInstruments_ = true;
            while (instrList->count() > count) delete instrList->takeItem(instrList->count() - 1);
            while (instrList->count() < count) instrList->addItem(QString());
            updatingInstruments_ = false;
        }
        RefreshInstrumentCaptions();
        if (currentInstrument_ >= count || SelectedInstruments() != selected)
            InstrumentSelectionChanged();
        else if (selected.size() == 1)
            ShowInstrument();
    } else if (auto* inst = dynamic_cast<EvInstrumentChange*>(&event)) {
        if (inst->Instrument != currentInstrument_) return;
        TInstrument* instrument = Instrument();
        if (instrument && sampleList->count() != instrument->SampleCount()) {
            const int keep = currentSample_;
            LoadSampleList();
            if (keep >= 0 && keep < sampleList->count())
                sampleList->setCurrentRow(keep, QItemSelectionModel::ClearAndSelect);
        } else {
            ShowInstrument();
        }
    } else if (auto* change = dynamic_cast<EvSampleChange*>(&event)) {
        if (change->Instrument != currentInstrument_) return;
        RefreshSampleCaptions();
        if (change->Sample == currentSample_) ShowSample();
    } else if (auto* env = dynamic_cast<EvEnvelopeChange*>(&event)) {
        if (env->Instrument == currentInstrument_) ShowEnvelopeParams(env->Panning);
    }
}

// --- Keys --------------------------------------------------------------------------------

bool TInstForm::PreviewKey(QKeyEvent* event, bool down) {
    TInstrument* instrument = Instrument();
    if (!instrument) return false;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    QWidget* focus = focusWidget();
    if (qobject_cast<QComboBox*>(focus) || qobject_cast<QLineEdit*>(focus) ||
        qobject_cast<QAbstractSpinBox*>(focus) || qobject_cast<QPlainTextEdit*>(focus) || renaming_)
        return false;
    const char c = UsCharOfEvent(*event);
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    const uint8_t note = KeyToNote(c, BaseOctave());
    event->accept();
    if (!IsValidNote(note) || event->isAutoRepeat()) return true;
    if (down)
        instrument->NoteOn(note);
    else
        instrument->NoteOff(note);
    return true;
}

void TInstForm::keyPressEvent(QKeyEvent* event) {
    if (PreviewKey(event, true)) return;
    if (MainForm() && MainForm()->FormKeyDown(event->key(), event->modifiers())) return;
    QWidget::keyPressEvent(event);
}

void TInstForm::keyReleaseEvent(QKeyEvent* event) {
    if (PreviewKey(event, false)) return;
    QWidget::keyReleaseEvent(event);
}

void TInstForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && Instrument())
        Instrument()->AllNotesOff();
    QWidget::changeEvent(event);
}
