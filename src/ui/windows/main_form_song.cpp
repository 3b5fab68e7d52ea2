// The song properties bar, the order list and the base octave toolbar of the main window.
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/widgets/order_grid.h"
#include "ui/widgets/repeat_button.h"
#include "ui/windows/main_form.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolBar>

namespace {

constexpr int kOrderColumnWidth = TOrderGrid::kMinCellWidth;

QSpinBox* NewSpin(int minimum, int maximum, int value) {
    auto* spin = new QSpinBox;
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    spin->setKeyboardTracking(false);
    return spin;
}

} // namespace

void TMainForm::CreateSongToolbars() {
    QToolBar* layout = CreateOrderToolbar();
    QToolBar* props = CreatePropertiesToolbar();
    QToolBar* misc = AddToolbar("Miscellaneous Toolbar", "Miscellaneous");
    misc->addWidget(new QLabel("Base Octave:"));
    octaveEdit = NewSpin(1, 7, 4);
    octaveEdit->setToolTip("set the base octave for note entry");
    misc->addWidget(octaveEdit);
    connect(octaveEdit, &QSpinBox::valueChanged, this, &TMainForm::octaveEditChange);
    // The octave ends the first row; the song's fields and then the order list, which takes
    // the rest of the width, get the second.
    insertToolBar(layout, props);
    insertToolBar(props, misc);
    insertToolBarBreak(props);
    layout->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QToolBar* TMainForm::CreateOrderToolbar() {
    QToolBar* layout = AddToolbar("Pattern Layout Toolbar", "Pattern Layout");
    layoutGrid = new TOrderGrid(1, 1);
    layoutGrid->verticalHeader()->hide();
    // Positions are numbered in hex above their cells, as the grid shows rows.
    layoutGrid->horizontalHeader()->setDefaultSectionSize(kOrderColumnWidth);
    layoutGrid->horizontalHeader()->setMinimumSectionSize(kOrderColumnWidth);
    layoutGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    layoutGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layoutGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layoutGrid->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    layoutGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    layoutGrid->setFixedHeight(layoutGrid->horizontalHeader()->sizeHint().height() +
                               layoutGrid->rowHeight(0) + 2 * layoutGrid->frameWidth());
    layoutGrid->setMinimumWidth(10 * kOrderColumnWidth);
    layoutGrid->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Two and three digits stay readable in a narrow cell rather than turning into "...".
    layoutGrid->setTextElideMode(Qt::ElideNone);
    layoutGrid->setWordWrap(false);
    layoutGrid->setEditTriggers(QAbstractItemView::DoubleClicked |
                                QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
    connect(layoutGrid, &QTableWidget::currentCellChanged, this, &TMainForm::layoutGridSelectCell);
    connect(layoutGrid, &QTableWidget::cellChanged, this, &TMainForm::layoutGridSetEditText);
    const auto repeat = [layout](const char* text, const char* hint) {
        auto* button = new TRepeatButton(text);
        button->SetTiming(500, 100);
        button->setToolTip(hint);
        button->setFixedWidth(24);
        layout->addWidget(button);
        return button;
    };
    ordLeftBtn = repeat("<", "scroll left");
    layout->addWidget(layoutGrid);
    ordRightBtn = repeat(">", "scroll right");
    incOrderBtn = repeat("+", "increment pattern number for this position");
    decOrderBtn = repeat("-", "decrement pattern number for this position");
    insBtn = new QPushButton("Ins");
    insBtn->setFixedWidth(40);
    insBtn->setToolTip("insert a position");
    delBtn = new QPushButton("Del");
    delBtn->setFixedWidth(40);
    delBtn->setToolTip("delete current position");
    layout->addWidget(insBtn);
    layout->addWidget(delBtn);
    ordLeftBtn->setEnabled(false);
    ordRightBtn->setEnabled(false);
    connect(ordLeftBtn, &QPushButton::clicked, this, &TMainForm::ordLeftBtnClick);
    connect(ordRightBtn, &QPushButton::clicked, this, &TMainForm::ordRightBtnClick);
    connect(incOrderBtn, &QPushButton::clicked, this, &TMainForm::incOrderBtnClick);
    connect(decOrderBtn, &QPushButton::clicked, this, &TMainForm::decOrderBtnClick);
    connect(insBtn, &QPushButton::clicked, this, &TMainForm::insBtnClick);
    connect(delBtn, &QPushButton::clicked, this, &TMainForm::delBtnClick);
    return layout;
}

QToolBar* TMainForm::CreatePropertiesToolbar() {
    QToolBar* props = AddToolbar("Song Properties", "Song Properties");
    songNameEd = new QLineEdit("Untitled");
    // What the XM file keeps of the name.
    songNameEd->setMaxLength(TSong::kStoredNameLength);
    songNameEd->setMinimumWidth(130);
    chanSpin = NewSpin(4, kMaxChannels, 16);
    tempoSpin = NewSpin(32, 255, 32);
    speedSpin = NewSpin(1, 31, 1);
    restartSpin = NewSpin(0, 3, 0);
    props->addWidget(new QLabel("Song Name:"));
    props->addWidget(songNameEd);
    props->addWidget(new QLabel(" Channels:"));
    props->addWidget(chanSpin);
    props->addWidget(new QLabel(" Tempo:"));
    props->addWidget(tempoSpin);
    props->addWidget(new QLabel(" Speed:"));
    props->addWidget(speedSpin);
    props->addWidget(new QLabel(" Restart:"));
    props->addWidget(restartSpin);
    connect(songNameEd, &QLineEdit::textChanged, this, &TMainForm::songNameEdChange);
    connect(chanSpin, &QSpinBox::valueChanged, this, &TMainForm::chanEditChange);
    connect(tempoSpin, &QSpinBox::valueChanged, this, &TMainForm::tempoEdChange);
    connect(speedSpin, &QSpinBox::valueChanged, this, &TMainForm::speedEdChange);
    connect(restartSpin, &QSpinBox::valueChanged, this, &TMainForm::restartEdChange);
    return props;
}

void TMainForm::ShowSongProperties() {
    TSong* song = Song();
    if (!song) return;
    EnableSongProperties(true);
    // Every handler ignores what the program fills in; only the user's changes become edits.
    fillingProperties = true;
    chanSpin->setValue(song->ChannelCount());
    songNameEd->setText(QString::fromStdString(song->Name()));
    restartSpin->setMaximum(song->SongLength() - 1);
    restartSpin->setValue(song->RestartPosition());
    fillingProperties = false;
    ShowTempoSpeed();
}

void TMainForm::ShowTempoSpeed() {
    TSong* song = Song();
    if (!song) return;
    fillingProperties = true;
    tempoSpin->setValue(song->Tempo());
    speedSpin->setValue(song->Speed());
    fillingProperties = false;
}

// With no song open the fields show nothing rather than the last song's numbers.
void TMainForm::ClearSongProperties() {
    fillingProperties = true;
    songNameEd->clear();
    for (QSpinBox* spin : {chanSpin, tempoSpin, speedSpin, restartSpin}) {
        spin->setSpecialValueText(" ");
        spin->setValue(spin->minimum());
    }
    fillingProperties = false;
    EnableSongProperties(false);
}

void TMainForm::EnableSongProperties(bool enabled) {
    songNameEd->setEnabled(enabled);
    for (QSpinBox* spin : {chanSpin, tempoSpin, speedSpin, restartSpin}) {
        if (enabled) spin->setSpecialValueText(QString());
        spin->setEnabled(enabled);
    }
}

void TMainForm::songNameEdChange(const QString& text) {
    if (!Song() || ProgramChanging()) return;
    SongEdit().SetName(text.toStdString());
}

// The spinners report a typed value only on Return or when the focus leaves, so an
// intermediate value never reaches the song.
void TMainForm::chanEditChange() {
    if (!Song() || ProgramChanging()) return;
    const int channels = chanSpin->value();
    const int lost = channels < Song()->ChannelCount() ? SongEdit().CellsBeyondTrack(channels) : 0;
    if (lost > 0 &&
        QMessageBox::question(
            this, "Channels",
            QString("Tracks %1 to %2 hold %3 cells that would go. Lower the channel count?")
                .arg(channels)
                .arg(Song()->ChannelCount() - 1)
                .arg(lost),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        ShowSongProperties();
        return;
    }
    SongEdit().SetChannelCount(channels);
}

void TMainForm::tempoEdChange() {
    if (!Song() || ProgramChanging()) return;
    SongEdit().SetTempo(tempoSpin->value());
}

void TMainForm::speedEdChange() {
    if (!Song() || ProgramChanging()) return;
    SongEdit().SetSpeed(speedSpin->value());
}

void TMainForm::restartEdChange() {
    if (!Song() || ProgramChanging()) return;
    // The spin box's limit keeps typed values below the song length.
    SongEdit().SetRestart(restartSpin->value());
}

void TMainForm::SetOrderCellText(int column, int pattern) {
    const QSignalBlocker block(layoutGrid);
    auto* item = layoutGrid->item(0, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        layoutGrid->setItem(0, column, item);
    }
    item->setText(pattern < 0 ? QString() : QString::number(pattern));
}

void TMainForm::FillOrderGrid() {
    TSong* song = Song();
    const int columns = song ? song->SongLength() : 1;
    layoutGridTag = 1;
    {
        const QSignalBlocker block(layoutGrid);
        layoutGrid->setColumnCount(columns);
        QStringList numbers;
        for (int column = 0; column < columns; ++column)
            numbers << QString("%1").arg(column, 2, 16, QChar('0')).toUpper();
        layoutGrid->setHorizontalHeaderLabels(numbers);
        for (int column = 0; column < columns; ++column)
            SetOrderCellText(column, song ? song->Orders(column) : -1);
        const int current = song ? std::min(song->CurrentPosition(), columns - 1) : 0;
        layoutGrid->setCurrentCell(0, current);
    }
    layoutGridTag = 0;
    SetFirstVisibleOrderColumn(std::min(firstOrderColumn, columns - 1));
    if (song) {
        fillingProperties = true;
        restartSpin->setMaximum(columns - 1);
        fillingProperties = false;
    }
}

int TMainForm::VisibleOrderColumns() const {
    return layoutGrid->VisibleCells();
}

int TMainForm::FirstVisibleOrderColumn() const {
    return firstOrderColumn;
}

void TMainForm::SetFirstVisibleOrderColumn(int column) {
    firstOrderColumn = std::max(0, column);
    layoutGrid->horizontalScrollBar()->setValue(firstOrderColumn);
}

void TMainForm::UpdateScrollButtons() {
    TSong* song = Song();
    const int visible = VisibleOrderColumns();
    const bool scrollable = song && visible < song->SongLength();
    ordLeftBtn->setEnabled(scrollable && firstOrderColumn > 0);
    ordRightBtn->setEnabled(scrollable && firstOrderColumn + visible < song->SongLength());
}

void TMainForm::ordLeftBtnClick() {
    if (!Song() || firstOrderColumn == 0) return;
    SetFirstVisibleOrderColumn(firstOrderColumn - 1);
    UpdateScrollButtons();
}

void TMainForm::ordRightBtnClick() {
    if (!Song() || firstOrderColumn + VisibleOrderColumns() >= Song()->SongLength()) return;
    SetFirstVisibleOrderColumn(firstOrderColumn + 1);
    UpdateScrollButtons();
}

void TMainForm::FollowPosition() {
    TSong* song = Song();
    if (!song) return;
    const int position = song->CurrentPosition();
    if (position == layoutGrid->currentColumn()) return;
    if (layoutGrid->Editing()) return;
    layoutGridTag = 1;
    layoutGrid->setCurrentCell(0, position);
    if (position < firstOrderColumn || position >= firstOrderColumn + VisibleOrderColumns())
        SetFirstVisibleOrderColumn(position);
    UpdateScrollButtons();
    layoutGridTag = 0;
}

void TMainForm::layoutGridSelectCell(int, int column, int, int previousColumn) {
    TSong* song = Song();
    if (!song || layoutGridTag == 1) return;
    if (previousColumn >= 0 && previousColumn < song->SongLength())
        SetOrderCellText(previousColumn, song->Orders(previousColumn));
    if (column >= 0 && column != song->CurrentPosition()) {
        song->SetPosition(column);
        EventManager().Dispatch<EvSongPosChange>();
    }
}

void TMainForm::layoutGridSetEditText(int, int column) {
    TSong* song = Song();
    if (!song || column < 0 || column >= song->SongLength()) return;
    const QString text = layoutGrid->item(0, column)->text().trimmed();
    bool ok = true;
    const int pattern = text.isEmpty() ? 0 : text.toInt(&ok);
    if (ok && pattern >= 0 && pattern < song->PatternCount()) SongEdit().SetOrder(column, pattern);
    SetOrderCellText(column, song->Orders(column));
}

void TMainForm::StepOrderPattern(int step) {
    TSong* song = Song();
    if (!song) return;
    const int position = song->CurrentPosition();
    int pattern = (song->Orders(position) + step) % song->PatternCount();
    if (pattern < 0) pattern += song->PatternCount();
    SongEdit().SetOrder(position, pattern);
}

void TMainForm::incOrderBtnClick() {
    StepOrderPattern(1);
}

void TMainForm::decOrderBtnClick() {
    StepOrderPattern(-1);
}

void TMainForm::insBtnClick() {
    TSong* song = Song();
    if (!song) return;
    SongEdit().InsertPosition(layoutGrid->currentColumn());
}

void TMainForm::delBtnClick() {
    TSong* song = Song();
    if (!song) return;
    SongEdit().DeletePosition(layoutGrid->currentColumn());
}

namespace {

QString Hex2(int value) {
    return QString("%1").arg(value, 2, 16, QChar('0')).toUpper();
}

QString MinutesSeconds(double seconds) {
    const int whole = int(seconds);
    return QString("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QChar('0'));
}

// Editing while playing re-measures the song at most this often.
constexpr int kTimelineRefreshMs = 500;

} // namespace

void TMainForm::ShowTransport() {
    if (!Song()) {
        transportPanel->clear();
        return;
    }
    if (timelineStale_ && (!timelineAge_.isValid() ||
                           timelineAge_.elapsed() >= kTimelineRefreshMs || !Song()->Playing())) {
        timeline_ = MeasureSongTimeline(Song()->Module());
        timelineStale_ = false;
        timelineAge_.start();
    }
    const int position = Song()->CurrentPosition(), row = Song()->CurrentRow();
    QString text = QString("%1/%2  Pattern %3  Row %4")
                       .arg(Hex2(position), Hex2(Song()->SongLength()),
                            Hex2(Song()->CurrentPattern()), Hex2(row));
    const double total = timeline_.TotalSeconds();
    if (total >= 0) {
        const double at = timeline_.SecondsAt(position, row);
        const QString elapsed = at >= 0 ? MinutesSeconds(at) : QString("-:--");
        text += "  " + (Song()->Playing() ? elapsed + " / " : QString()) + MinutesSeconds(total);
    }
    transportPanel->setText(text);
}
