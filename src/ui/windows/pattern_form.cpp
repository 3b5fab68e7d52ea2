#include "ui/windows/pattern_form.h"

#include "edit/key_entry.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/key_char.h"
#include "ui/widgets/choice_group.h"
#include "ui/widgets/event_grid.h"
#include "ui/widgets/piano_roll.h"
#include "ui/widgets/repeat_button.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/env_dlg.h"
#include "ui/windows/main_form.h"
#include "ui/windows/pattern_form_listener.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

TPatternForm::TPatternForm(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Pattern Editor");
    resize(689, 324);
    editorPages = new QTabWidget(this);
    editorPages->setObjectName("editorPages");
    pianoRollSheet = BuildPianoRollPage();
    eventListSheet = BuildEventPage();
    editorPages->addTab(pianoRollSheet, "Piano Roll");
    editorPages->addTab(eventListSheet, "Event Editor");
    editorPages->setCurrentWidget(eventListSheet);
    connect(editorPages, &QTabWidget::currentChanged, this, [this] {
        if (editorPages->currentWidget() == eventListSheet) eventGrid->setFocus();
    });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(BuildLeftColumn());
    layout->addWidget(editorPages, 1);

    ConnectGrid();
    ConnectRoll();
    ApplyVisualSettings();
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    listener_ = EventManager().Register(std::make_unique<TPatternFormListener>(this));
}

TPatternForm::~TPatternForm() {
    if (listener_) EventManager().Unregister(listener_);
}

TSong* TPatternForm::Song() const {
    return Project().Song();
}

QWidget* TPatternForm::BuildLeftColumn() {
    auto* column = new QWidget(this);
    followBtn = new QToolButton(column);
    followBtn->setText("Follow");
    followBtn->setToolTip("follow song");
    followBtn->setPopupMode(QToolButton::InstantPopup);
    auto* followPopup = new QMenu(followBtn);
    followRowAct = followPopup->addAction("Song Row");
    followRowAct->setCheckable(true);
    followPositionAct = followPopup->addAction("Song Position");
    followPositionAct->setCheckable(true);
    followPositionAct->setChecked(true);
    followBtn->setMenu(followPopup);
    connect(followRowAct, &QAction::toggled, this, [this](bool on) {
        eventGrid->SetFollowSongRow(on);
        pianoRoll->SetShowSongRow(on);
    });

    rowEdit = new TSpinEdit(1, 256, 64, column);
    rowEdit->setObjectName("rowEdit");
    // A number being typed passes through smaller counts ("40" is "4" first): act once it is done.
    rowEdit->setKeyboardTracking(false);
    connect(rowEdit, &TSpinEdit::UserChanged, this, &TPatternForm::rowEditChange);
    expandBtn = new QPushButton("Grow", column);
    expandBtn->setToolTip("double pattern length");
    connect(expandBtn, &QPushButton::clicked, this, &TPatternForm::expandBtnClick);
    shrinkButton = new QPushButton("Shrink", column);
    shrinkButton->setToolTip("half pattern length");
    connect(shrinkButton, &QPushButton::clicked, this, &TPatternForm::shrinkButtonClick);

    insButton = new QPushButton("Ins", column);
    insButton->setToolTip("insert new pattern");
    connect(insButton, &QPushButton::clicked, this, &TPatternForm::insButtonClick);
    delButton = new QPushButton("Del", column);
    delButton->setToolTip("delete selected pattern");
    connect(delButton, &QPushButton::clicked, this, &TPatternForm::delButtonClick);
    renumberCB = new QCheckBox("Renumber", column);
    renumberCB->setToolTip("update pattern order when doing an insert/delete");
    renumberCB->setChecked(true);
    patternListBox = new QListWidget(column);
    patternListBox->setObjectName("patternListBox");
    connect(patternListBox, &QListWidget::itemClicked, this, &TPatternForm::patternListBoxClick);
    connect(patternListBox, &QListWidget::currentRowChanged, this, [this] {
        if (!filling_) patternListBoxClick();
    });

    auto* rows = new QHBoxLayout;
    rows->addWidget(new QLabel("Rows", column));
    rows->addWidget(rowEdit);
    auto* grow = new QHBoxLayout;
    grow->addWidget(expandBtn);
    grow->addWidget(shrinkButton);
    auto* insDel = new QHBoxLayout;
    insDel->addWidget(insButton);
    insDel->addWidget(delButton);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(followBtn);
    layout->addLayout(rows);
    layout->addLayout(grow);
    layout->addWidget(new QLabel("Patterns", column));
    layout->addLayout(insDel);
    layout->addWidget(renumberCB);
    layout->addWidget(patternListBox, 1);
    column->setMaximumWidth(110);
    return column;
}

QWidget* TPatternForm::BuildEventPage() {
    auto* page = new QWidget;
    toggleEditPanelBtn = new QToolButton(page);
    toggleEditPanelBtn->setText("Tabs");
    toggleEditPanelBtn->setToolTip("toggle editor tabs");
    toggleEditPanelBtn->setCheckable(true);
    toggleEditBtn = new QToolButton(page);
    toggleEditBtn->setText("&Edit");
    toggleEditBtn->setToolTip("toggle edit mode");
    toggleEditBtn->setCheckable(true);
    toggleEditBtn->setChecked(true);
    addEdit = new TSpinEdit(0, 255, 1, page);
    addEdit->setObjectName("addEdit");
    addEdit->setToolTip("set number of rows song position jumps after entering data");
    eventInstBox = new QComboBox(page);
    eventInstBox->setObjectName("eventInstBox");
    eventInstBox->setToolTip("set instrument for selected/added notes");
    eventInstBox->setMinimumContentsLength(16);

    editPanel = new QTabWidget(page);
    editPanel->addTab(BuildTransposeTab(), "Transpose");
    editPanel->addTab(BuildRemapTab(), "Remap");
    for (const char* name : {"Echo", "Quantize"}) {
        const int index = editPanel->addTab(new QLabel("Not implemented yet."), name);
        editPanel->setTabVisible(index, false);
    }
    editPanel->setVisible(toggleEditPanelBtn->isChecked());
    connect(toggleEditPanelBtn, &QToolButton::toggled, editPanel, &QWidget::setVisible);

    eventGrid = new TEventGrid(page);
    instLabel = new QLabel("<none>", page);
    instLabel->setObjectName("instLabel");
    effectCaption = new QLabel("Sample: ", page);
    effectLabel = new QLabel("<none>", page);
    effectLabel->setObjectName("effectLabel");

    auto* strip = new QHBoxLayout;
    strip->addWidget(toggleEditPanelBtn);
    strip->addWidget(toggleEditBtn);
    strip->addWidget(new QLabel("Step:", page));
    strip->addWidget(addEdit);
    strip->addWidget(new QLabel("Inst:", page));
    strip->addWidget(eventInstBox, 1);
    auto* centre = new QHBoxLayout;
    centre->addWidget(editPanel);
    centre->addWidget(eventGrid, 1);
    auto* info = new QHBoxLayout;
    auto* instHalf = new QHBoxLayout;
    instHalf->addWidget(new QLabel("Inst:", page));
    instHalf->addWidget(instLabel, 1);
    auto* effectHalf = new QHBoxLayout;
    effectHalf->addWidget(effectCaption);
    effectHalf->addWidget(effectLabel, 1);
    info->addLayout(instHalf, 1);
    info->addLayout(effectHalf, 1);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(strip);
    layout->addLayout(centre, 1);
    layout->addLayout(info);
    return page;
}

QWidget* TPatternForm::BuildTransposeTab() {
    auto* tab = new QWidget;
    incOctaveBtn = new TRepeatButton("+12", tab);
    incOctaveBtn->setToolTip("up one octave");
    decOctaveBtn = new TRepeatButton("-12", tab);
    decOctaveBtn->setToolTip("down one octave");
    incHaveToneBtn = new TRepeatButton("+1", tab);
    incHaveToneBtn->setToolTip("up one halftone");
    decHalftoneBtn = new TRepeatButton("-1", tab);
    decHalftoneBtn->setToolTip("down one halftone");
    connect(incOctaveBtn, &QPushButton::clicked, this, [this] { Transpose(+12); });
    connect(decOctaveBtn, &QPushButton::clicked, this, [this] { Transpose(-12); });
    connect(incHaveToneBtn, &QPushButton::clicked, this, [this] { Transpose(+1); });
    connect(decHalftoneBtn, &QPushButton::clicked, this, [this] { Transpose(-1); });
    trApplyToBox = new TChoiceGroup("Apply To", {"Song", "Pattern", "Track", "Selection"}, tab);
    trApplyToBox->SetCurrentIndex(int(TApplyScope::Pattern));
    instApplyBox = new TChoiceGroup("Instruments", {"Selected (in I.E.)", "All"}, tab);
    instApplyBox->SetCurrentIndex(1);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {decOctaveBtn, decHalftoneBtn, incHaveToneBtn, incOctaveBtn})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(buttons);
    layout->addWidget(trApplyToBox);
    layout->addWidget(instApplyBox);
    layout->addStretch(1);
    return tab;
}

QWidget* TPatternForm::BuildRemapTab() {
    auto* tab = new QWidget;
    srcInstList = new QComboBox(tab);
    srcInstList->setObjectName("srcInstList");
    destInstList = new QComboBox(tab);
    destInstList->setObjectName("destInstList");
    rmpApplyToBox = new TChoiceGroup("Apply To", {"Song", "Pattern", "Track", "Selection"}, tab);
    rmpApplyToBox->SetCurrentIndex(int(TApplyScope::Pattern));
    remapBtn = new QPushButton("Remap", tab);
    connect(remapBtn, &QPushButton::clicked, this, &TPatternForm::remapBtnClick);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(new QLabel("Source:", tab));
    layout->addWidget(srcInstList);
    layout->addWidget(new QLabel("Destination:", tab));
    layout->addWidget(destInstList);
    layout->addWidget(rmpApplyToBox);
    layout->addWidget(remapBtn);
    layout->addStretch(1);
    return tab;
}

void TPatternForm::ConnectGrid() {
    TEntryState& entry = eventGrid->Editor().entry;
    entry.step = addEdit->value();
    connect(addEdit, &TSpinEdit::ValueChanged, this,
            [this](int step) { eventGrid->Editor().entry.step = step; });
    connect(eventGrid, &TEventGrid::StepChanged, this,
            [this](int step) { addEdit->SetValue(step); });
    connect(toggleEditBtn, &QToolButton::toggled, this,
            [this](bool on) { eventGrid->Editor().entry.editMode = on; });
    connect(eventGrid, &TEventGrid::EditModeToggled, toggleEditBtn, &QToolButton::toggle);
    connect(eventInstBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { eventGrid->Editor().entry.instrument = index; });
    connect(eventInstBox, &QComboBox::activated, this, [this] { eventGrid->setFocus(); });
    connect(eventGrid, &TEventGrid::InstrumentPicked, eventInstBox, &QComboBox::setCurrentIndex);
    connect(eventGrid, &TEventGrid::CursorChanged, this, &TPatternForm::UpdateInfoLabels);
    connect(eventGrid, &TEventGrid::PlayPauseRequested, this, [this] {
        if (!MainForm() || !Song()) return;
        if (Song()->Playing())
            MainForm()->pauseBtnClick();
        else
            MainForm()->playPatBtnClick();
    });
    connect(eventGrid, &TEventGrid::VisualPropertiesRequested, this, [] {
        if (MainForm() && MainForm()->EnvDlg()) MainForm()->EnvDlg()->ExecOnPage("Event Editor");
    });
}

int TPatternForm::EntryInstrument() const {
    return eventInstBox->currentIndex();
}

bool TPatternForm::FollowSongRow() const {
    return followRowAct->isChecked();
}

bool TPatternForm::FollowSongPosition() const {
    return followPositionAct->isChecked();
}

void TPatternForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window opened later starts on the current song pattern.
    if (Song() && !shownPattern_) LoadModule();
    auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (frame && !activationHooked_) {
        activationHooked_ = true;
        connect(frame, &QMdiSubWindow::aboutToActivate, this, &TPatternForm::BindFilters);
    }
}

// --- Keys --------------------------------------------------------------------------------

bool TPatternForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        PreviewKey(static_cast<QKeyEvent*>(event), event->type() == QEvent::KeyPress);
    return QWidget::eventFilter(watched, event);
}

namespace {

// The same physical key in its press and its release.
quint32 KeyId(const QKeyEvent& event) {
    return event.nativeScanCode() != 0 ? event.nativeScanCode() : quint32(event.key());
}

} // namespace

void TPatternForm::PreviewKey(QKeyEvent* event, bool press) {
    TSong* song = Song();
    if (!song || event->isAutoRepeat()) return;
    if (!press) {
        const auto held = heldNotes_.find(KeyId(*event));
        if (held == heldNotes_.end()) return;
        if (held->second.instrument < song->InstrumentCount())
            song->Instruments(held->second.instrument)->NoteOff(held->second.note);
        heldNotes_.erase(held);
        return;
    }
    QWidget* focus = focusWidget();
    if (qobject_cast<QComboBox*>(focus) || qobject_cast<QLineEdit*>(focus) ||
        qobject_cast<QAbstractSpinBox*>(focus) || qobject_cast<QListWidget*>(focus))
        return;
    if (focus == eventGrid && eventGrid->Editor().cursor.Column() != kColumnNote) return;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return;
    const uint8_t note = EntryNoteForKey(UsCharOfEvent(*event), BaseOctave());
    const int instrument = EntryInstrument();
    if (note == kNoteNone || instrument < 0 || instrument >= song->InstrumentCount()) return;
    TInstrument* entry = song->Instruments(instrument);
    if (entry->SampleCount() < 1) return;
    entry->NoteOn(note);
    heldNotes_[KeyId(*event)] = {instrument, note};
}

void TPatternForm::keyPressEvent(QKeyEvent* event) {
    // The grid's keys reach it before the frame's; what it leaves comes here.
    if (MainForm() && MainForm()->FormKeyDown(event->key(), event->modifiers())) return;
    QWidget::keyPressEvent(event);
}
