#include "ui/windows/inst_form.h"

#include "midi/midi_input.h"
#include "midi/midi_monitor.h"
#include "midi/midi_output.h"
#include "model/instrument.h"
#include "project/app_objects.h"
#include "project/song_edit.h"
#include "ui/widgets/bus_hook.h"
#include "ui/widgets/envelope_box.h"
#include "ui/widgets/keyboard_box.h"
#include "ui/widgets/sample_editor.h"
#include "ui/windows/process_dlgs.h"

#include <QAbstractItemDelegate>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TInstForm::TInstForm(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Instrument Editor");
    resize(720, 420);
    CreateActions();
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(CreateLists());
    pages = new QTabWidget;
    pages->setObjectName("pages");
    pages->addTab(CreateSamplePage(), "Sample");
    pages->addTab(CreateInstrumentPage(), "Instrument");
    pages->addTab(CreateEnvelopesPage(), "Envelopes");
    pages->addTab(CreateMidiPage(), "MIDI [temporary]");
    split->addWidget(pages);
    split->setStretchFactor(1, 1);
    split->setSizes({171, 549});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(split);
    CreateMenus();

    ApplyVisualProperties();
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    hook_ = std::make_unique<TBusHook>([this](TZEvent& event) { HandleEvent(event); });
    ShowInstrument();
}

TInstForm::~TInstForm() {
    // The lists' last signals must not reach a half-destroyed window.
    updatingInstruments_ = updatingSamples_ = true;
    hook_.reset();
    instrList->blockSignals(true);
    sampleList->blockSignals(true);
}

void TInstForm::CreateDialogs() {
    if (!processes_) processes_ = std::make_unique<TProcessDialogs>(this);
}

TProcessDialogs* TInstForm::Processes() {
    CreateDialogs();
    return processes_.get();
}

QWidget* TInstForm::CreateLists() {
    auto* split = new QSplitter(Qt::Vertical);
    instrList = new TNKListView(TNKListView::Instruments);
    instrList->setObjectName("instrList");
    sampleList = new TNKListView(TNKListView::Samples);
    sampleList->setObjectName("sampleList");
    // Before the loop below connects to the lists' delegates.
    QWidget* instrBox = instrList->WithHeader({"Instrument Name"}, {150});
    QWidget* sampleBox = sampleList->WithHeader({"Sample Name", "Size"}, {125, 35});
    for (TNKListView* list : {instrList, sampleList}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setToolTip("right click for options");
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        list->setDropIndicatorShown(true);
        connect(list, &TNKListView::RowDropped, this,
                [this, list](TNKListView::TKind from, int sourceRow, int row) {
                    RowDropped(from, sourceRow, list->Kind(), row);
                });
        connect(list, &TNKListView::RangeDropped, this,
                [this, list](int instrument, int sample, int start, int end, int row) {
                    RangeDropped(instrument, sample, start, end, list->Kind(), row);
                });
        connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& at) {
            list->setFocus();
            instPopup->exec(list->viewport()->mapToGlobal(at));
        });
        connect(list, &QListWidget::itemChanged, this, &TInstForm::RenameCommitted);
        // An edit given up leaves the caption as it was; an accepted one was handled already.
        connect(list->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this, list] {
            if (renaming_ != list) return;
            renaming_ = nullptr;
            if (QListWidgetItem* item = list->currentItem()) {
                const QSignalBlocker guard(list);
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            }
            if (list == instrList)
                RefreshInstrumentCaptions();
            else
                RefreshSampleCaptions();
        });
    }
    split->addWidget(instrBox);
    split->addWidget(sampleBox);
    instrList->AcceptsFile = [](const QString& f) { return IsInstrumentFile(f.toStdString()); };
    sampleList->AcceptsFile = [](const QString& f) { return IsSampleFile(f.toStdString()); };
    connect(instrList, &QListWidget::itemSelectionChanged, this,
            &TInstForm::InstrumentSelectionChanged);
    connect(sampleList, &QListWidget::itemSelectionChanged, this,
            &TInstForm::SampleSelectionChanged);
    connect(sampleList, &QListWidget::itemDoubleClicked, this, &TInstForm::PlaySample);
    for (TNKListView* list : {instrList, sampleList})
        connect(list, &TNKListView::DragFinished, this, &TInstForm::ListDragFinished);
    connect(instrList, &TNKListView::FilesDropped, this,
            [this](const QStringList& files) { LoadInstrumentFiles(files); });
    connect(sampleList, &TNKListView::FilesDropped, this,
            [this](const QStringList& files) { LoadSampleFiles(files); });
    split->setSizes({150, 200});
    split->setMinimumWidth(120);
    return split;
}

QSlider* TInstForm::AddSlider(QGridLayout* grid, int row, const QString& title, int min, int max,
                              int page, QLabel** label, bool vertical) {
    auto* slider = new QSlider(vertical ? Qt::Vertical : Qt::Horizontal);
    slider->setRange(min, max);
    slider->setPageStep(page);
    *label = new QLabel("0");
    (*label)->setMinimumWidth(30);
    if (vertical) {
        // Top of the slider is its maximum, as a fader reads.
        grid->addWidget(new QLabel(title), 0, row, Qt::AlignHCenter);
        grid->addWidget(slider, 1, row, Qt::AlignHCenter);
        grid->addWidget(*label, 2, row, Qt::AlignHCenter);
    } else {
        grid->addWidget(new QLabel(title), row, 0);
        grid->addWidget(slider, row, 1);
        grid->addWidget(*label, row, 2);
    }
    return slider;
}

QWidget* TInstForm::CreateSamplePage() {
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(2, 2, 2, 2);

    auto* left = new QVBoxLayout;
    auto* bars = new QGridLayout;
    volBar = AddSlider(bars, 0, "Vol", 0, 64, 4, &volBarLabel, true);
    panBar = AddSlider(bars, 1, "Pan", -128, 127, 4, &panBarLabel, true);
    tuneBar = AddSlider(bars, 2, "Tune", -128, 127, 4, &tuneBarLabel, true);
    left->addLayout(bars, 1);
    left->addWidget(new QLabel("Relative Note:"));
    auto* rel = new QHBoxLayout;
    relNote = new QLineEdit;
    relNote->setObjectName("relNote");
    relNote->setReadOnly(true);
    relNote->setMaximumWidth(50);
    relUpBtn = new QToolButton;
    relUpBtn->setArrowType(Qt::UpArrow);
    relDownBtn = new QToolButton;
    relDownBtn->setArrowType(Qt::DownArrow);
    rel->addWidget(relNote);
    rel->addWidget(relDownBtn);
    rel->addWidget(relUpBtn);
    left->addLayout(rel);
    auto* quality = new QGroupBox("Quality");
    auto* qualityLayout = new QVBoxLayout(quality);
    quality8 = new QRadioButton("8 bit");
    quality16 = new QRadioButton("16 bit");
    qualityLayout->addWidget(quality8);
    qualityLayout->addWidget(quality16);
    left->addWidget(quality);
    row->addLayout(left);

    auto* right = new QVBoxLayout;
    right->addWidget(CreateSampleToolbar());
    right->addWidget(CreateLoopBar());
    sampleEditor = new TSampleEditor;
    sampleEditor->setObjectName("sampleEditor");
    sampleEditor->setContextMenuPolicy(Qt::CustomContextMenu);
    right->addWidget(sampleEditor, 1);
    auto* status = new QHBoxLayout;
    selRangePanel = new QLabel("No range selected");
    zoomPanel = new QLabel("Zoom:");
    status->addWidget(selRangePanel, 1);
    status->addWidget(zoomPanel);
    right->addLayout(status);
    row->addLayout(right, 1);

    for (QSlider* bar : {volBar, panBar, tuneBar}) {
        const int tag = bar == volBar ? 0 : bar == panBar ? 1 : 2;
        connect(bar, &QSlider::valueChanged, this, [this, tag](int v) { SliderChanged(tag, v); });
    }
    connect(relUpBtn, &QToolButton::clicked, this, [this] { ShiftRelativeNote(1); });
    connect(relDownBtn, &QToolButton::clicked, this, [this] { ShiftRelativeNote(-1); });
    connect(quality8, &QRadioButton::toggled, this, [this](bool on) {
        if (on) QualityChosen(8);
    });
    connect(quality16, &QRadioButton::toggled, this, [this](bool on) {
        if (on) QualityChosen(16);
    });
    connect(sampleEditor, &TSampleEditor::OnSelChange, this, &TInstForm::UpdateRangeActions);
    connect(sampleEditor, &TSampleEditor::OnZoomChange, this, &TInstForm::UpdateRangeActions);
    connect(sampleEditor, &TSampleEditor::onLoopChange, this, &TInstForm::ShowLoopFields);
    return page;
}

QWidget* TInstForm::CreateSampleToolbar() {
    auto* bar = new QToolBar;
    processBtn = new QToolButton;
    processBtn->setText("Process");
    processBtn->setPopupMode(QToolButton::InstantPopup);
    auto* effects = new QMenu(processBtn);
    effects->setObjectName("effectsPopup");
    effects->addAction(echoAct);
    effects->addAction(amplifyAct);
    effects->addAction(reverseAct);
    effects->addAction(unsignBtnAct);
    effects->addAction(normalizeAct);
    effects->addAction(crossfadeAct);
    processBtn->setMenu(effects);
    bar->addWidget(processBtn);
    for (QAction* act : {zoomSelAct, zoomOutAct, cutAct, copyAct, pasteAct, deleteRangeAct})
        bar->addAction(act);
    QAction* record = bar->addAction("record");
    record->setEnabled(false);
    bar->addAction(playAct);
    bar->addAction(stopAct);
    return bar;
}

QWidget* TInstForm::CreateLoopBar() {
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    smpLoopBox = new QComboBox;
    smpLoopBox->setObjectName("smpLoopBox");
    smpLoopBox->addItems({"None", "Forward", "Ping-Pong"});
    startLoopEd = new QSpinBox;
    startLoopEd->setObjectName("startLoopEd");
    endLoopEd = new QSpinBox;
    endLoopEd->setObjectName("endLoopEd");
    for (QSpinBox* field : {startLoopEd, endLoopEd}) {
        field->setRange(0, 0);
        field->setKeyboardTracking(false);
        field->setMinimumWidth(90);
    }
    row->addWidget(new QLabel("Loop:"));
    row->addWidget(smpLoopBox);
    row->addWidget(new QLabel("Start:"));
    row->addWidget(startLoopEd);
    row->addWidget(new QLabel("End:"));
    row->addWidget(endLoopEd);
    row->addStretch(1);
    connect(smpLoopBox, &QComboBox::activated, this, &TInstForm::LoopTypeChosen);
    connect(startLoopEd, &QSpinBox::valueChanged, this,
            [this](int v) { LoopFieldChanged(false, v); });
    connect(endLoopEd, &QSpinBox::valueChanged, this, [this](int v) { LoopFieldChanged(true, v); });
    return bar;
}

QWidget* TInstForm::CreateInstrumentPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    auto* keyPanel = new QGroupBox("Sample to Note Mappings");
    auto* keyRow = new QHBoxLayout(keyPanel);
    noteLabel = new QLabel;
    noteLabel->setMinimumWidth(30);
    keyBox = new TKeyboardBox;
    keyBox->setObjectName("keyBox");
    keyBox->SetKeyWidth(15);
    keyBox->setToolTip("right click to assign samples");
    keyBox->viewport()->setMouseTracking(true);
    keyRow->addWidget(noteLabel);
    keyRow->addWidget(keyBox, 1);
    column->addWidget(keyPanel);

    auto* grid = new QGridLayout;
    fadeBar = AddSlider(grid, 0, "Fadeout", 0, 4095, 100, &fadeBarLabel, false);
    column->addLayout(grid);
    auto* vibrato = new QGroupBox("Vibrato");
    auto* vgrid = new QGridLayout(vibrato);
    speedBar = AddSlider(vgrid, 0, "Speed", 0, 63, 4, &speedBarLabel, false);
    depthBar = AddSlider(vgrid, 1, "Depth", 0, 15, 4, &depthBarLabel, false);
    sweepBar = AddSlider(vgrid, 2, "Sweep", 0, 255, 4, &sweepBarLabel, false);
    vgrid->addWidget(new QLabel("Type:"), 3, 0);
    auto* types = new QHBoxLayout;
    typeButtons = new QButtonGroup(this);
    const char* typeNames[] = {"Sine", "Square", "Ramp down", "Ramp up"};
    for (int t = 0; t < 4; ++t) {
        auto* button = new QToolButton;
        button->setObjectName(QString("type%1Btn").arg(t));
        button->setText(typeNames[t]);
        button->setCheckable(true);
        typeButtons->addButton(button, t);
        types->addWidget(button);
    }
    vgrid->addLayout(types, 3, 1);
    column->addWidget(vibrato);
    column->addStretch(1);

    const std::pair<QSlider*, int> tagged[] = {
        {fadeBar, 10}, {speedBar, 11}, {depthBar, 12}, {sweepBar, 13}};
    for (auto [bar, tag] : tagged)
        connect(bar, &QSlider::valueChanged, this,
                [this, tag = tag](int v) { SliderChanged(tag, v); });
    connect(typeButtons, &QButtonGroup::idClicked, this, [this](int type) {
        for (int i : InstrumentTargets(Selection()))
            SongEdit().EditInstrument(i, "Vibrato Type",
                                      [type](TInstrument& in) { in.SetVibratoType(type); });
    });
    connect(keyBox, &TKeyboardBox::OnAssign, this, [this] { keyBox->update(); });
    keyBox->viewport()->installEventFilter(this);
    return page;
}
