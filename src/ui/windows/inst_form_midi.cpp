// The instrument editor's MIDI page: devices, monitoring, pass-through and the message log;
// notes from the keyboard go into the recording pattern editor or play here.
#include "midi/midi_input.h"
#include "midi/midi_monitor.h"
#include "midi/midi_output.h"
#include "model/instrument.h"
#include "ui/windows/inst_form.h"
#include "ui/windows/main_form.h"
#include "ui/windows/pattern_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

namespace {

// Devices plugged in or out show up within this while the page is shown.
constexpr int kDevicePollMs = 1000;

void FillList(QComboBox* box, QCheckBox* tick, int count,
              const std::function<std::string(int)>& name, int current) {
    const QSignalBlocker blocker(box);
    box->clear();
    for (int i = 0; i < count; ++i) box->addItem(QString::fromStdString(name(i)));
    box->setEnabled(count > 0);
    tick->setEnabled(count > 0);
    if (count == 0) tick->setChecked(false);
    box->setCurrentIndex(count == 0 ? -1 : std::clamp(current, 0, count - 1));
}

} // namespace

QWidget* TInstForm::CreateMidiPage() {
    auto* page = new QWidget;
    page->setObjectName("midiPage");
    auto* grid = new QGridLayout(page);
    midiInBox = new QComboBox;
    midiInBox->setObjectName("MIDIinList");
    midiOutBox = new QComboBox;
    midiOutBox->setObjectName("MIDIoutList");
    monitorCB = new QCheckBox("Monitor MIDI In Device");
    passCB = new QCheckBox("Pass to MIDI Out Device");
    recordVelocityCB = new QCheckBox("Record velocity");
    recordVelocityCB->setChecked(TPatternForm::RecordVelocity());
    recordNoteOffCB = new QCheckBox("Record note-off");
    recordNoteOffCB->setChecked(TPatternForm::RecordNoteOff());
    midiMemo = new QPlainTextEdit;
    midiMemo->setObjectName("Memo1");
    midiMemo->setReadOnly(true);
    midiMemo->setMaximumBlockCount(int(TMidiMonitor::kLogLines));
    grid->addWidget(new QLabel("MIDI In Device:"), 0, 0);
    grid->addWidget(midiInBox, 0, 1);
    grid->addWidget(new QLabel("MIDI Out Device:"), 1, 0);
    grid->addWidget(midiOutBox, 1, 1);
    grid->addWidget(monitorCB, 2, 0, 1, 2);
    grid->addWidget(passCB, 3, 0, 1, 2);
    grid->addWidget(recordVelocityCB, 4, 0, 1, 2);
    grid->addWidget(recordNoteOffCB, 5, 0, 1, 2);
    grid->addWidget(new QLabel("MIDI messages:"), 6, 0, 1, 2);
    grid->addWidget(midiMemo, 7, 0, 1, 2);
    WireMidi();
    return page;
}

void TInstForm::WireMidi() {
    midiIn_ = std::make_unique<TMidiInput>();
    midiOut_ = std::make_unique<TMidiOutput>();
    monitor_ = std::make_unique<TMidiMonitor>();
    monitor_->PassTo = midiOut_.get();
    monitor_->Logged = [this](const std::string& line) {
        midiMemo->appendPlainText(QString::fromStdString(line));
    };
    monitor_->NoteOn = [this](uint8_t note, int velocity) { MidiNoteOn(note, velocity); };
    monitor_->NoteOff = [this](uint8_t note) { MidiNoteOff(note); };
    midiIn_->OnMidiInput = [this] { monitor_->Drain(*midiIn_); };
    FillMidiDevices();
    connect(monitorCB, &QCheckBox::toggled, this, &TInstForm::MonitorToggled);
    connect(passCB, &QCheckBox::toggled, this, &TInstForm::PassToggled);
    connect(midiInBox, &QComboBox::currentIndexChanged, this, [this] {
        midiIn_->Stop();
        midiIn_->Close();
        if (monitorCB->isChecked()) OpenMidiIn();
    });
    connect(midiOutBox, &QComboBox::currentIndexChanged, this, [this] {
        midiOut_->Close();
        if (passCB->isChecked()) OpenMidiOut();
    });
    connect(recordVelocityCB, &QCheckBox::toggled, this, &TPatternForm::SetRecordVelocity);
    connect(recordNoteOffCB, &QCheckBox::toggled, this, &TPatternForm::SetRecordNoteOff);
    midiPoll_ = new QTimer(this);
    midiPoll_->setInterval(kDevicePollMs);
    connect(midiPoll_, &QTimer::timeout, this, &TInstForm::PollMidiDevices);
    midiPoll_->start();
}

void TInstForm::FillMidiDevices() {
    midiIn_->RefreshDevices();
    midiOut_->RefreshDevices();
    midiPorts_ = midiIn_->DeviceCount() + midiOut_->DeviceCount();
    FillList(
        midiInBox, monitorCB, midiIn_->DeviceCount(),
        [this](int i) { return midiIn_->DeviceName(i); }, midiIn_->DeviceID());
    FillList(
        midiOutBox, passCB, midiOut_->DeviceCount(),
        [this](int i) { return midiOut_->DeviceName(i); }, midiOut_->DeviceID());
}

void TInstForm::PollMidiDevices() {
    if (!isVisible() || pages->currentWidget()->objectName() != "midiPage") return;
    if (!MidiSystemAvailable()) return;
    TMidiInput probeIn;
    TMidiOutput probeOut;
    probeIn.RefreshDevices();
    probeOut.RefreshDevices();
    if (probeIn.DeviceCount() + probeOut.DeviceCount() == midiPorts_) return;
    // An open device keeps its place; the lists only grow or shrink around it.
    if (!midiIn_->IsOpen() && !midiOut_->IsOpen()) FillMidiDevices();
}

void TInstForm::OpenMidiIn() {
    try {
        midiIn_->SetDeviceID(midiInBox->currentIndex());
        midiIn_->Open();
        midiIn_->Start();
    } catch (const std::exception& error) {
        ReportError(error);
        const QSignalBlocker blockList(midiInBox), blockTick(monitorCB);
        midiInBox->setCurrentIndex(midiIn_->DeviceID());
        monitorCB->setChecked(false);
    }
}

void TInstForm::OpenMidiOut() {
    try {
        midiOut_->SetDeviceID(midiOutBox->currentIndex());
        midiOut_->Open();
    } catch (const std::exception& error) {
        ReportError(error);
        const QSignalBlocker blockList(midiOutBox), blockTick(passCB);
        midiOutBox->setCurrentIndex(midiOut_->DeviceID());
        passCB->setChecked(false);
    }
}

void TInstForm::MonitorToggled(bool on) {
    if (on) {
        OpenMidiIn();
    } else {
        midiIn_->Stop();
        midiIn_->Close();
    }
}

void TInstForm::PassToggled(bool on) {
    if (on) {
        OpenMidiOut();
    } else {
        midiOut_->Close();
    }
}

void TInstForm::MidiNoteOn(uint8_t note, int velocity) {
    TPatternForm* recording = MainForm() ? MainForm()->RecordingPatternForm() : nullptr;
    if (recording && recording->MidiNoteOn(note, velocity)) return;
    if (TInstrument* instrument = Instrument()) instrument->NoteOn(note);
}

void TInstForm::MidiNoteOff(uint8_t note) {
    TPatternForm* recording = MainForm() ? MainForm()->RecordingPatternForm() : nullptr;
    if (recording && recording->MidiNoteOff(note)) return;
    if (TInstrument* instrument = Instrument()) instrument->NoteOff(note);
}
