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
#include <QApplication>
#include <QComboBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QUrl>
#include <QVBoxLayout>
#include <array>
#include <optional>
#include <utility>

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

TNKListView::TNKListView(TKind kind, QWidget* parent) : QListWidget(parent), kind_(kind) {
    RunDrag = [](QDrag& drag) { return drag.exec(Qt::MoveAction); };
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

namespace {

struct TRowData {
    TNKListView::TKind kind;
    int row;
};

std::optional<TRowData> RowOf(const QMimeData* mime) {
    if (!mime || !mime->hasFormat(TNKListView::kRowMime)) return std::nullopt;
    const QList<QByteArray> parts = mime->data(TNKListView::kRowMime).split(' ');
    bool kindOk = false, rowOk = false;
    if (parts.size() != 2) return std::nullopt;
    const int kind = parts[0].toInt(&kindOk);
    const int row = parts[1].toInt(&rowOk);
    if (!kindOk || !rowOk || row < 0 ||
        (kind != TNKListView::Instruments && kind != TNKListView::Samples))
        return std::nullopt;
    return TRowData{TNKListView::TKind(kind), row};
}

// Instrument, sample, first and last frame, as the sample editor puts them.
std::optional<std::array<int, 4>> RangeOf(const QMimeData* mime) {
    if (!mime || !mime->hasFormat(TSampleEditor::kRangeMime)) return std::nullopt;
    const QList<QByteArray> parts = mime->data(TSampleEditor::kRangeMime).split(' ');
    if (parts.size() != 4) return std::nullopt;
    std::array<int, 4> values{};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[size_t(i)] = parts[i].toInt(&ok);
        if (!ok || values[size_t(i)] < 0) return std::nullopt;
    }
    return values;
}

} // namespace

QMimeData* TNKListView::RowMime(TKind kind, int row) {
    auto* mime = new QMimeData;
    mime->setData(kRowMime, QByteArray::number(int(kind)) + ' ' + QByteArray::number(row));
    return mime;
}

namespace {

// Paints the name, and the row's size right-aligned in the second column.
class TSizeColumnDelegate : public QStyledItemDelegate {
public:
    explicit TSizeColumnDelegate(TNKListView* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString name = opt.text;
        opt.text.clear();
        QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        const int sizeWidth = list_->SecondColumnWidth();
        QRect nameRect = opt.rect.adjusted(3, 0, -sizeWidth - 3, 0);
        QRect sizeRect = opt.rect;
        sizeRect.setLeft(opt.rect.right() - sizeWidth);
        sizeRect.adjust(0, 0, -3, 0);
        painter->save();
        painter->setPen(opt.palette.color(
            opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                          opt.fontMetrics.elidedText(name, Qt::ElideRight, nameRect.width()));
        painter->drawText(sizeRect, Qt::AlignRight | Qt::AlignVCenter,
                          index.data(Qt::UserRole).toString());
        painter->restore();
    }

private:
    TNKListView* list_;
};

} // namespace

QWidget* TNKListView::WithHeader(const QStringList& titles, const QList<int>& widths) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* model = new QStandardItemModel(0, int(titles.size()), box);
    model->setHorizontalHeaderLabels(titles);
    header_ = new QHeaderView(Qt::Horizontal, box);
    header_->setModel(model);
    header_->setSectionsClickable(false);
    for (int c = 0; c < widths.size(); ++c) header_->resizeSection(c, widths[c]);
    // Room for a seven-digit byte count whatever the design width.
    if (titles.size() > 1)
        header_->resizeSection(
            1, std::max(widths.value(1), fontMetrics().horizontalAdvance("0000000") + 8));
    header_->setStretchLastSection(titles.size() == 1);
    if (titles.size() > 1) {
        // The size column keeps its width at the right edge; the name takes the rest.
        header_->setSectionResizeMode(0, QHeaderView::Stretch);
        header_->setSectionResizeMode(1, QHeaderView::Interactive);
        setItemDelegate(new TSizeColumnDelegate(this));
        connect(header_, &QHeaderView::sectionResized, viewport(),
                [this] { viewport()->update(); });
    }
    header_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    header_->setFixedHeight(header_->sizeHint().height());
    layout->addWidget(header_);
    layout->addWidget(this, 1);
    return box;
}

int TNKListView::SecondColumnWidth() const {
    return header_ && header_->count() > 1 ? header_->sectionSize(1) : 0;
}

void TNKListView::startDrag(Qt::DropActions) {
    // A drag carries one row: the current instrument or sample.
    const QList<QListWidgetItem*> items = selectedItems();
    if (items.size() != 1) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(RowMime(kind_, row(items.front())));
    dragging_ = true;
    RunDrag(*drag);
    dragging_ = false;
    emit DragFinished();
}

bool TNKListView::AcceptsDrag(const QMimeData* mime) const {
    if (const auto rowData = RowOf(mime)) return rowData->kind == Samples || kind_ == Instruments;
    if (RangeOf(mime)) return true;
    const QStringList files = LocalFiles(mime);
    if (files.isEmpty() || !AcceptsFile) return false;
    return std::all_of(files.begin(), files.end(), AcceptsFile);
}

void TNKListView::Drop(const QMimeData* mime, int row) {
    if (!AcceptsDrag(mime)) return;
    if (const auto rowData = RowOf(mime))
        emit RowDropped(rowData->kind, rowData->row, row);
    else if (const auto range = RangeOf(mime))
        emit RangeDropped((*range)[0], (*range)[1], (*range)[2], (*range)[3], row);
    else
        emit FilesDropped(LocalFiles(mime), row);
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
    // The window rearranges the rows itself; the list must not move them too.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QModelIndex at = indexAt(event->position().toPoint());
    Drop(event->mimeData(), at.isValid() ? at.row() : -1);
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

bool TInstForm::ListDragging() const {
    return instrList->Dragging() || sampleList->Dragging();
}

void TInstForm::ListDragFinished() {
    // Catch up once with where the drag and its drop left the lists; the instrument's reaction
    // reloads the samples, which runs theirs.
    const bool instruments = std::exchange(instrumentsPending_, false);
    const bool samples = std::exchange(samplesPending_, false);
    if (instruments)
        InstrumentSelectionChanged();
    else if (samples)
        SampleSelectionChanged();
}

void TInstForm::InstrumentSelectionChanged() {
    // The row in flight belongs to the current objects until it lands.
    if (ListDragging()) {
        instrumentsPending_ = true;
        return;
    }
    const std::vector<int> rows = SelectedInstruments();
    TInstrument* previous = Instrument();
    currentInstrument_ = rows.size() == 1 ? rows.front() : -1;
    if (updatingInstruments_) return;
    if (previous && previous != Instrument()) previous->AllNotesOff();
    ShowInstrument();
}

void TInstForm::SampleSelectionChanged() {
    if (ListDragging()) {
        samplesPending_ = true;
        return;
    }
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
