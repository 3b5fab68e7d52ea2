// The configuration pages. Only the setting controls get object names: they are what windows
// read and what persists.
#include "ui/widgets/choice_group.h"
#include "ui/widgets/color_button.h"
#include "ui/widgets/font_button.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/env_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

TColorButton* Colour(const char* name, const QColor& color) {
    return Named(new TColorButton(color), name);
}

QComboBox* Choice(const char* name, const QStringList& items) {
    auto* box = Named(new QComboBox, name);
    box->addItems(items);
    return box;
}

// A spinner followed by its unit, as in "Highlight Every: [4] Rows".
QWidget* WithUnit(QWidget* field, const QString& unit) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field);
    layout->addWidget(new QLabel(unit));
    layout->addStretch(1);
    return row;
}

// The sixteen-colour palette's names as the defaults use them.
const QColor kDarkGrey(36, 36, 36);
const QColor kNavy(0, 0, 128);
const QColor kTeal(0, 128, 128);
const QColor kGreen(0, 128, 0);
const QColor kFuchsia(255, 0, 255);
const QColor kGrey(128, 128, 128);
const QColor kYellow(255, 255, 0);
const QColor kMaroon(128, 0, 0);
const QColor kWhite(255, 255, 255);

} // namespace

QWidget* TEnvDlg::BuildAudioPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout;
    mixRateBox = Choice("mixRateBox", {"44khz", "32khz", "22khz", "11khz"});
    outputQualityBox =
        Choice("outputQualityBox", {"16 Bit Stereo", "16 Bit Mono", "8 Bit Stereo", "8 Bit Mono"});
    filterBox =
        Choice("filterBox", {"Auto filtering", "More filtering", "Some filtering", "No filtering"});
    interpolationCB = Named(new QCheckBox("&Interpolation"), "interpolationCB");
    interpolationCB->setChecked(true);
    useDSoundCB = Named(new QCheckBox("Use &DirectSound"), "useDSoundCB");
    buffLengthEd = Named(new TSpinEdit(20, 1000, 175), "buffLengthEd");
    dsoundBufLengthEd = Named(new TSpinEdit(20, 1000, 60), "dsoundBufLengthEd");
    autosaveEd = Named(new TSpinEdit(0, 3600, 60), "autosaveEd");
    autosaveEd->setToolTip("0 switches autosave off");
    form->addRow("&Mix Rate:", mixRateBox);
    form->addRow("&Output Quality:", outputQualityBox);
    form->addRow("&Filter Mode:", filterBox);
    form->addRow(interpolationCB);
    form->addRow(useDSoundCB);
    form->addRow("Normal &Buffer Length (ms):", buffLengthEd);
    form->addRow("DirectSound Buffer &Length (ms):", dsoundBufLengthEd);
    form->addRow("&Autosave Every (s):", autosaveEd);
    auto* note =
        new QLabel("NOTE: Changes (except for buffer sizes) will not take effect until a new "
                   "module is loaded.");
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addStretch(1);
    return page;
}

QWidget* TEnvDlg::BuildDirectoriesPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout;
    for (const char* caption : {"Song Directory:", "Instrument Directory:", "Sample Directory:"}) {
        auto* row = new QWidget;
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new QLineEdit);
        layout->addWidget(new QPushButton("..."));
        form->addRow(caption, row);
    }
    form->addRow(new QCheckBox("Automatically Remember Last Directories"));
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addStretch(1);
    return page;
}

QWidget* TEnvDlg::BuildEventEditorPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout;
    gridBgCol = Colour("gridBgCol", kDarkGrey);
    gridHlRowCol = Colour("gridHlRowCol", kNavy);
    gridHlCellCol = Colour("gridHlCellCol", kTeal);
    gridHlTxtCol = Colour("gridHlTxtCol", kWhite);
    gridSelCol = Colour("gridSelCol", kGreen);
    gridHlStep = Named(new TSpinEdit(1, 16, 4), "gridHlStep");
    gridFont = Named(new TFontButton(QFont("Small Fonts")), "gridFont");
    gridScrollMode =
        Named(new TChoiceGroup("Scrolling", {"Normal", "FastTracker Style"}), "gridScrollMode");
    form->addRow("Background:", gridBgCol);
    form->addRow("Row Highlight:", gridHlRowCol);
    form->addRow("Cell Highlight:", gridHlCellCol);
    form->addRow("Highlighted Text:", gridHlTxtCol);
    form->addRow("Selected Cells:", gridSelCol);
    form->addRow("Highlight Every:", WithUnit(gridHlStep, "Rows"));
    form->addRow("Cell Font:", gridFont);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(gridScrollMode);
    layout->addStretch(1);
    return page;
}

QWidget* TEnvDlg::BuildMidiPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel("MIDI In Devices:"));
    layout->addWidget(new QListWidget);
    layout->addWidget(new QLabel("MIDI Out Devices:"));
    layout->addWidget(new QListWidget);
    layout->addWidget(new QPushButton("Refresh Lists"));
    layout->addWidget(new QCheckBox("Echo input to this device"));
    layout->addWidget(new QCheckBox("Record Note Volumes"));
    layout->addWidget(new QCheckBox("Record Key-Ups"));
    layout->addStretch(1);
    return page;
}

QWidget* TEnvDlg::BuildPianoRollPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout;
    pianoBgCol = Colour("pianoBgCol", palette().color(QPalette::Button));
    pianoSplitAmt = Named(new TSpinEdit(1, 128, 4), "pianoSplitAmt");
    pianoNoteCol = Colour("pianoNoteCol", kFuchsia);
    pianoGridCol = Colour("pianoGridCol", kGrey);
    pianoFont = Named(new TFontButton(QFont("Arial")), "pianoFont");
    pianoShowEffects = Named(new QCheckBox("Show Effects Row"), "pianoShowEffects");
    form->addRow("Background:", pianoBgCol);
    form->addRow("Split Every:", WithUnit(pianoSplitAmt, "Note Columns"));
    form->addRow("Note Color:", pianoNoteCol);
    form->addRow("Grid Line Color:", pianoGridCol);
    form->addRow("Font:", pianoFont);
    form->addRow(pianoShowEffects);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addStretch(1);
    return page;
}

QWidget* TEnvDlg::BuildSampleEditorPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout;
    smpWaveCol = Colour("smpWaveCol", kYellow);
    smpCenterCol = Colour("smpCenterCol", kWhite);
    smpMidCol = Colour("smpMidCol", kMaroon);
    smpBgCol = Colour("smpBgCol", kDarkGrey);
    smpLoopCol = Colour("smpLoopCol", kGreen);
    smpViewStyleBox =
        Named(new TChoiceGroup("View", {"Empty Waveform", "Solid Waveform"}), "smpViewStyleBox");
    aveCB = Named(new QCheckBox("Draw Averages (slower)"), "aveCB");
    form->addRow("Wave Color:", smpWaveCol);
    form->addRow("Center Line Color", smpCenterCol);
    form->addRow("Midpoint Lines Color:", smpMidCol);
    form->addRow("Background Color:", smpBgCol);
    form->addRow("Loop Lines:", smpLoopCol);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(smpViewStyleBox);
    layout->addWidget(aveCB);
    layout->addStretch(1);
    return page;
}

QWidget* TEnvDlg::BuildShortcutPage() {
    auto* page = new QWidget;
    auto* categories = new QComboBox;
    categories->addItems({"Global", "Event Editor", "Piano Roll", "Sample Editor"});
    auto* commands = new QTreeWidget;
    commands->setHeaderLabels({"Command", "Shortcut"});
    commands->setRootIsDecorated(false);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(categories);
    layout->addWidget(commands, 1);
    layout->addWidget(new QKeySequenceEdit);
    return page;
}
