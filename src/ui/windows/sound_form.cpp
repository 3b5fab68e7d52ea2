#include "ui/windows/sound_form.h"

#include "model/song.h"
#include "project/app_objects.h"
#include "ui/windows/channel_grid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

TSoundForm::TSoundForm(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Sound Control");

    ampBar = new QSlider(Qt::Horizontal, this);
    ampBar->setObjectName("ampBar");
    ampBar->setRange(0, 64);
    ampBar->setValue(64);
    ampBar->setTickPosition(QSlider::TicksBelow);
    ampBar->setTickInterval(4);
    ampBar->setPageStep(4);
    ampLabel = new QLabel("64", this);
    ampLabel->setObjectName("ampLabel");
    ampLabel->setMinimumWidth(ampLabel->fontMetrics().horizontalAdvance("88"));
    connect(ampBar, &QSlider::valueChanged, this, &TSoundForm::ampBarChange);

    tabs = new QTabWidget(this);
    tabs->addTab(BuildTracksPage(), "Tracks");
    tabs->addTab(BuildEchoPage(), "Realtime Echo");

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Music Volume:", this));
    top->addWidget(ampBar, 1);
    top->addWidget(ampLabel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tabs, 1);
}

QWidget* TSoundForm::BuildTracksPage() {
    auto* page = new QWidget;
    auto* hint =
        new QLabel("left click to mute/unmute, right click to enable/disable \"keyjazz\"", page);
    chanGrid = new TChannelGrid;
    chanGrid->setObjectName("chanGrid");
    connect(chanGrid, &TChannelGrid::Resized, this, &TSoundForm::Refresh);
    auto* scroll = new QScrollArea(page);
    scroll->setWidget(chanGrid);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A bar that came and went would change the width, the columns and again the height.
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(hint);
    layout->addWidget(scroll, 1);
    return page;
}

QWidget* TSoundForm::BuildEchoPage() {
    // Laid out for a realtime echo that nothing drives yet.
    auto* page = new QWidget;
    auto* form = new QFormLayout;
    form->addRow("Preset:", new QComboBox);
    form->addRow("Gain:", new QSlider(Qt::Horizontal));
    form->addRow("Feedback:", new QSlider(Qt::Horizontal));
    auto* entry = new QHBoxLayout;
    auto* delay = new QSpinBox;
    delay->setRange(0, 2000);
    entry->addWidget(new QLabel("Delay (ms)"));
    entry->addWidget(delay);
    entry->addWidget(new QLabel("Gain"));
    entry->addWidget(new QSpinBox);
    entry->addWidget(new QCheckBox("Filter"));
    entry->addWidget(new QCheckBox("Rvs. Ch."));
    auto* buttons = new QHBoxLayout;
    for (const char* caption : {"New", "Add", "Remove"})
        buttons->addWidget(new QPushButton(caption));
    buttons->addStretch(1);
    auto* taps = new QTreeWidget;
    taps->setHeaderLabels({"Delay", "Gain", "Rvs Chn?", "Filter"});
    taps->setRootIsDecorated(false);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addLayout(entry);
    layout->addLayout(buttons);
    layout->addWidget(taps, 1);
    return page;
}

void TSoundForm::Refresh() {
    if (const TSong* song = Project().Song()) {
        // The handler runs even when the position does not move, so the label is current.
        const QSignalBlocker block(ampBar);
        ampBar->setValue(song->MusicVolume());
        ampBarChange(ampBar->value());
    }
    chanGrid->Relayout();
}

void TSoundForm::ampBarChange(int position) {
    ampLabel->setText(QString::number(position));
    if (TSong* song = Project().Song()) song->SetMusicVolume(position);
}

void TSoundForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
}
