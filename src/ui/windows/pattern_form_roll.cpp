// The Piano Roll page of the pattern window: zoom, preferred track, the value boxes that act on
// the selected notes and on new ones, and the status line.
#include "engine/effect_catalogue.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/widgets/piano_roll.h"
#include "ui/widgets/repeat_button.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/filter_popup.h"
#include "ui/windows/pattern_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

enum TRollField { kFieldVolume = 2, kFieldInstrument = 3, kFieldCommand = 4, kFieldParam = 5 };

QToolButton* PopupBtn(const QString& text, const QString& hint, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setArrowType(Qt::DownArrow);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return button;
}

// The strips may be cut off in a narrow window rather than widen every pattern window.
class TRollPage : public QWidget {
public:
    QSize sizeHint() const override { return {120, 120}; }
    QSize minimumSizeHint() const override { return {120, 120}; }
};

} // namespace

QWidget* TPatternForm::BuildPianoRollPage() {
    auto* page = new TRollPage;
    auto* tools = new QHBoxLayout;
    tools->addWidget(new QLabel("Zoom:", page));
    tools->addWidget(new QLabel("X:", page));
    xZoomEd = new TSpinEdit(4, 32, 16, page);
    xZoomEd->setObjectName("xZoomEd");
    tools->addWidget(xZoomEd);
    tools->addWidget(new QLabel("Y:", page));
    yZoomEd = new TSpinEdit(4, 32, 10, page);
    yZoomEd->setObjectName("yZoomEd");
    tools->addWidget(yZoomEd);
    tools->addSpacing(8);
    tools->addWidget(new QLabel("Preferred Track", page));
    prefTrackEd = new TSpinEdit(0, 31, 0, page);
    prefTrackEd->setObjectName("prefTrackEd");
    tools->addWidget(prefTrackEd);
    decTrackBtn = new TRepeatButton("<", page);
    decTrackBtn->setToolTip("move selected notes down one track");
    incTrackBtn = new TRepeatButton(">", page);
    incTrackBtn->setToolTip("move selected notes up one track");
    tools->addWidget(decTrackBtn);
    tools->addWidget(incTrackBtn);
    tools->addSpacing(8);
    tools->addWidget(new QLabel("Filter:", page));
    selInstsBtn = PopupBtn("Instruments", "select the instruments you want to see", page);
    selInstsBtn->setObjectName("selInstsBtn");
    selTracksBtn = PopupBtn("Tracks", "select the tracks you want to see", page);
    selTracksBtn->setObjectName("selTracksBtn");
    tools->addWidget(selInstsBtn);
    tools->addWidget(selTracksBtn);
    tools->addStretch(1);

    pianoRoll = new TPianoRoll(page);
    pianoRoll->setObjectName("pianoRoll");
    pianoRoll->SetColWidth(16);
    pianoRoll->SetRowHeight(10);
    pianoRoll->SetShowSongRow(false);

    auto* status = new QHBoxLayout;
    status->addWidget(new QLabel("ctrl+drag to box a bunch of notes", page), 1);
    selObPanel = new QLabel("0 selected notes", page);
    selObPanel->setObjectName("selObPanel");
    status->addWidget(selObPanel);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(tools);
    layout->addWidget(BuildValueStrip(page));
    layout->addWidget(pianoRoll, 1);
    layout->addLayout(status);
    return page;
}

QWidget* TPatternForm::BuildValueStrip(QWidget* page) {
    auto* strip = new QWidget(page);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    volCheck = new QCheckBox("Vol:", strip);
    volCheck->setObjectName("volCheck");
    volBox = new TSpinEdit(0, 63, 64 - 1, strip);
    volBox->setObjectName("volBox");
    instBox = new QComboBox(strip);
    instBox->setObjectName("instBox");
    effectBox = new QComboBox(strip);
    effectBox->setObjectName("effectBox");
    for (int c = 0; c < kEffectCount; ++c)
        effectBox->addItem(
            QString("%1: %2").arg(c, 2, 16, QChar('0')).toUpper().arg(EffectInfoOf(c).name));
    effectValBox = new TSpinEdit(0, 255, 0, strip);
    effectValBox->setObjectName("effectValBox");
    row->addWidget(volCheck);
    row->addWidget(volBox);
    row->addWidget(new QLabel("Inst:", strip));
    row->addWidget(instBox, 1);
    row->addWidget(new QLabel("Effect:", strip));
    row->addWidget(effectBox, 1);
    row->addWidget(effectValBox);
    return strip;
}

void TPatternForm::ConnectRoll() {
    TPianoRoll* roll = pianoRoll;
    connect(xZoomEd, &TSpinEdit::UserChanged, roll, &TPianoRoll::SetColWidth);
    connect(yZoomEd, &TSpinEdit::UserChanged, roll, &TPianoRoll::SetRowHeight);
    connect(roll, &TPianoRoll::ColWidthChanged, xZoomEd, &TSpinEdit::SetValue);
    connect(prefTrackEd, &TSpinEdit::UserChanged, this,
            [roll](int track) { roll->Model().preferredTrack = track; });
    connect(incTrackBtn, &QAbstractButton::clicked, this, [this] {
        if (Song()) pianoRoll->MoveSelectedTrack(false);
    });
    connect(decTrackBtn, &QAbstractButton::clicked, this, [this] {
        if (Song()) pianoRoll->MoveSelectedTrack(true);
    });
    connect(volCheck, &QCheckBox::clicked, this, [this](bool on) {
        const int volume = on ? volBox->value() : kVolumeNone;
        pianoRoll->SetSelectedValue(kFieldVolume, volume);
        pianoRoll->Model().defaultVolume = uint8_t(volume);
    });
    connect(volBox, &TSpinEdit::UserChanged, this, [this](int volume) {
        if (!volCheck->isChecked()) return;
        pianoRoll->SetSelectedValue(kFieldVolume, volume);
        pianoRoll->Model().defaultVolume = uint8_t(volume);
    });
    connect(instBox, &QComboBox::activated, this, [this](int index) {
        TSong* song = Song();
        if (!song || index < 0 || index >= song->InstrumentCount() ||
            song->Instruments(index)->SampleCount() == 0)
            return;
        pianoRoll->SetSelectedValue(kFieldInstrument, index);
        pianoRoll->Model().currentInstrument = index;
        pianoRoll->setFocus();
    });
    connect(instBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { pianoRoll->Model().currentInstrument = index; });
    connect(effectBox, &QComboBox::activated, this, [this](int command) {
        pianoRoll->SetSelectedValue(kFieldCommand, command);
        pianoRoll->Model().defaultCommand = uint8_t(command);
    });
    connect(effectValBox, &TSpinEdit::UserChanged, this, [this](int param) {
        pianoRoll->SetSelectedValue(kFieldParam, param);
        pianoRoll->Model().defaultParam = uint8_t(param);
    });
    connect(roll, &TPianoRoll::ChangeSelection, this, &TPatternForm::RollSelectionChanged);
    connect(roll, &TPianoRoll::ChangePattern, this, &TPatternForm::UpdateInfoLabels);
    auto dropDown = [this](QToolButton* button, TFilterPopup* popup) {
        BindFilters();
        popup->PopUpAt(button->mapToGlobal(button->rect().bottomLeft()));
    };
    connect(selInstsBtn, &QAbstractButton::clicked, this,
            [this, dropDown] { dropDown(selInstsBtn, TinstPopupForm::Instance()); });
    connect(selTracksBtn, &QAbstractButton::clicked, this,
            [this, dropDown] { dropDown(selTracksBtn, TtrackPopupForm::Instance()); });
    TtrackPopupForm::Instance()->Bind(this);
}

void TPatternForm::BindFilters() {
    TtrackPopupForm::Instance()->Bind(this);
    if (TinstPopupForm::Instance()->Bound() != this)
        TinstPopupForm::Instance()->Bind(this, InstrumentItems());
}

QStringList TPatternForm::InstrumentItems() const {
    QStringList items;
    for (int i = 0; i < instBox->count(); ++i) items << instBox->itemText(i);
    return items;
}

void TPatternForm::RollSelectionChanged() {
    const TRollModel& model = pianoRoll->Model();
    selObPanel->setText(QString("%1 selected notes").arg(model.Selection().Count()));
    if (model.Selection().Count() == 0) return;
    const int volume = model.GetSelectedValue(kFieldVolume);
    const QSignalBlocker blockVol(volCheck);
    volCheck->setChecked(volume != kVolumeNone);
    if (volume != kVolumeNone) volBox->SetValue(std::min(volume, 63));
    const int instrument = model.GetSelectedValue(kFieldInstrument);
    if (instrument < instBox->count()) instBox->setCurrentIndex(instrument);
    effectBox->setCurrentIndex(model.GetSelectedValue(kFieldCommand));
    effectValBox->SetValue(model.GetSelectedValue(kFieldParam));
    pianoRoll->Model().currentInstrument = instBox->currentIndex();
}
