// The instrument editor's two lists: filling them from the song, their selection, captions,
// commands, file drops and the note keys typed into them.
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
#include "ui/windows/inst_form.h"
#include "ui/windows/main_form.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

namespace {

bool IsNoteKey(const QKeyEvent& event) {
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const char c = UsCharOfEvent(event);
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

QStringList LocalFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

} // namespace

// --- TNKListView -------------------------------------------------------------------------

void TNKListView::keyPressEvent(QKeyEvent* event) {
    // Letters and digits are notes, never a search of the list.
    if (IsNoteKey(*event) && state() != QAbstractItemView::EditingState) {
        event->ignore();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TNKListView::keyReleaseEvent(QKeyEvent* event) {
    if (IsNoteKey(*event)) {
        event->ignore();
        return;
    }
    QListWidget::keyReleaseEvent(event);
}

bool TNKListView::AcceptsDrag(const QMimeData* mime) const {
    const QStringList files = LocalFiles(mime);
    if (files.isEmpty() || !AcceptsFile) return false;
    return std::all_of(files.begin(), files.end(), AcceptsFile);
}

void TNKListView::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptsDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TNKListView::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptsDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TNKListView::dropEvent(QDropEvent* event) {
    if (!AcceptsDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const QModelIndex at = indexAt(event->position().toPoint());
    emit FilesDropped(LocalFiles(event->mimeData()), at.isValid() ? at.row() : -1);
}

// --- Captions and selection --------------------------------------------------------------

QString TInstForm::InstrumentCaption(int index) const {
    const TSong* song = Project().Song();
    const QString name = QString::fromStdString(song->Instruments(index)->Name());
    return QString("%1: ").arg(index, 2, 16, QChar('0')).toUpper() + name;
}

QString TInstForm::SampleCaption(int index) const {
    return QString("%1: %2").arg(index).arg(
        QString::fromStdString(Instrument()->Samples(index)->Name()));
}

TInstrument* TInstForm::Instrument() const {
    TSong* song = Project().Song();
    if (!song || currentInstrument_ < 0 || currentInstrument_ >= song->InstrumentCount())
        return nullptr;
    return song->Instruments(currentInstrument_);
}

TSample* TInstForm::Sample() const {
    TInstrument* instrument = Instrument();
    if (!instrument || currentSample_ < 0 || currentSample_ >= instrument->SampleCount())
        return nullptr;
    return instrument->Samples(currentSample_);
}

namespace {

std::vector<int> SelectedRows(const QListWidget* list) {
    std::vector<int> rows;
    for (int r = 0; r < list->count(); ++r)
        if (list->item(r)->isSelected()) rows.push_back(r);
    return rows;
}

} // namespace

std::vector<int> TInstForm::SelectedInstruments() const {
    return SelectedRows(instrList);
}

std::vector<int> TInstForm::SelectedSamples() const {
    return SelectedRows(sampleList);
}

TListSelection TInstForm::Selection() const {
    return {SelectedInstruments(), SelectedSamples(), currentInstrument_, currentSample_};
}

void TInstForm::RefreshInstrumentCaptions() {
    const QSignalBlocker guard(instrList);
    for (int r = 0; r < instrList->count(); ++r) instrList->item(r)->setText(InstrumentCaption(r));
}

void TInstForm::RefreshSampleCaptions() {
    if (!Instrument()) return;
    const QSignalBlocker guard(sampleList);
    for (int r = 0; r < sampleList->count() && r < Instrument()->SampleCount(); ++r) {
        sampleList->item(r)->setText(SampleCaption(r));
        sampleList->item(r)->setData(Qt::UserRole, Instrument()->Samples(r)->ByteLength());
        sampleList->item(r)->setToolTip(
            QString("%1 bytes").arg(Instrument()->Samples(r)->ByteLength()));
    }
}

// --- Filling -----------------------------------------------------------------------------

void TInstForm::LoadInstrumentList() {
    TSong* song = Project().Song();
    updatingInstruments_ = true;
    sampleList->clear();
    instrList->clear();
    const int count = song ? song->InstrumentCount() : 0;
    for (int i = 0; i < count; ++i) instrList->addItem(InstrumentCaption(i));
    updatingInstruments_ = false;
    currentInstrument_ = -1;
    if (count > 0)
        instrList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    else
        ShowInstrument();
}

void TInstForm::LoadSampleList() {
    if (updatingInstruments_) return;
    updatingSamples_ = true;
    sampleList->clear();
    TInstrument* instrument = Instrument();
    if (instrument && SelectedInstruments().size() == 1)
        for (int s = 0; s < instrument->SampleCount(); ++s) sampleList->addItem(SampleCaption(s));
    RefreshSampleCaptions();
    updatingSamples_ = false;
    currentSample_ = -1;
    if (sampleList->count() == 0)
        SampleSelectionChanged();
    else
        sampleList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

void TInstForm::CloseModule() {
    updatingInstruments_ = updatingSamples_ = true;
    sampleList->clear();
    instrList->clear();
    updatingInstruments_ = updatingSamples_ = false;
    volEnvBox->ClearEnvelope();
    panEnvBox->ClearEnvelope();
    currentInstrument_ = currentSample_ = -1;
    sampleEditor->ClearSample();
    keyBox->SetInstrument(-1);
}

void TInstForm::InstrumentSelectionChanged() {
    const std::vector<int> rows = SelectedInstruments();
    TInstrument* previous = Instrument();
    currentInstrument_ = rows.size() == 1 ? rows.front() : -1;
    if (updatingInstruments_) return;
    if (previous && previous != Instrument()) previous->AllNotesOff();
    ShowInstrument();
}

void TInstForm::SampleSelectionChanged() {
    const std::vector<int> rows = SelectedSamples();
    currentSample_ = rows.size() == 1 && Instrument() ? rows.front() : -1;
    if (!updatingSamples_) ShowSample();
}

// --- List commands -----------------------------------------------------------------------

void TInstForm::NewInstrument() {
    if (!Project().Song() || sampleList->hasFocus()) return;
    try {
        const int index =
            SongEdit().AddInstrument(currentInstrument_, "New Instrument",
                                     [](TInstrument& in) { in.SetName("< new instrument >"); });
        if (index < 0) return;
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

void TInstForm::DeleteSelected(bool confirm) {
    const bool samples = sampleList->hasFocus();
    const std::vector<int> rows = samples ? SelectedSamples() : SelectedInstruments();
    if (rows.empty() || (samples && currentInstrument_ < 0)) return;
    if (confirm) {
        const QString question = samples
                                     ? "Are you sure you would like to delete these sample(s)?"
                                     : "Are you sure you would like to delete these instrument(s)?";
        if (QMessageBox::question(this, "Delete", question, QMessageBox::Yes | QMessageBox::No) !=
            QMessageBox::Yes)
            return;
    }
    const int lowest = rows.front();
    if (samples) {
        const int instrument = currentInstrument_;
        SongEdit().DeleteSamples(instrument, rows);
        if (lowest < sampleList->count())
            sampleList->setCurrentRow(lowest, QItemSelectionModel::ClearAndSelect);
        else if (sampleList->count() > 0)
            sampleList->setCurrentRow(sampleList->count() - 1, QItemSelectionModel::ClearAndSelect);
    } else {
        SongEdit().RemoveInstruments(rows);
        if (lowest < instrList->count())
            instrList->setCurrentRow(lowest, QItemSelectionModel::ClearAndSelect);
    }
}

void TInstForm::RenameFocused() {
    QListWidget* list = sampleList->hasFocus() ? static_cast<QListWidget*>(sampleList) : instrList;
    QListWidgetItem* item = list->currentItem();
    if (!item || (list == sampleList && !Instrument())) return;
    const int row = list->row(item);
    const std::string name = list == sampleList ? Instrument()->Samples(row)->Name()
                                                : Project().Song()->Instruments(row)->Name();
    renaming_ = list;
    {
        const QSignalBlocker guard(list);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setText(QString::fromStdString(name));
    }
    list->editItem(item);
}

void TInstForm::RenameCommitted(QListWidgetItem* item) {
    QListWidget* list = item->listWidget();
    if (list != renaming_) return;
    renaming_ = nullptr;
    const int row = list->row(item);
    const std::string name = item->text().toStdString();
    {
        const QSignalBlocker guard(list);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    if (list == sampleList) {
        SongEdit().EditSample(currentInstrument_, row, "Rename Sample",
                              [name](TSample& s) { s.SetName(name); });
        RefreshSampleCaptions();
    } else {
        SongEdit().EditInstrument(row, "Rename Instrument",
                                  [name](TInstrument& in) { in.SetName(name); });
        RefreshInstrumentCaptions();
    }
}

void TInstForm::InvertSelection() {
    QListWidget* list = sampleList->hasFocus() ? static_cast<QListWidget*>(sampleList) : instrList;
    {
        const QSignalBlocker guard(list);
        for (int r = 0; r < list->count(); ++r)
            list->item(r)->setSelected(!list->item(r)->isSelected());
    }
    if (list == instrList)
        InstrumentSelectionChanged();
    else
        SampleSelectionChanged();
}
