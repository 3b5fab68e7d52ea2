// The instrument editor's MIDI page: devices, monitoring, pass-through and the message log;
// notes from the keyboard go into the recording pattern editor or play here.
#include "midi/midi_input.h"
#include "midi/midi_monitor.h"
#include "midi/midi_output.h"
#include "midi/midi_ports.h"
#include "model/instrument.h"
#include "model/notes.h"
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

// Shows `names` in the list, keeping `keep` chosen when it is still there.
void FillList(QComboBox* box, QCheckBox* tick, const std::vector<std::string>& names,
              const std::string& keep) {
    const QSignalBlocker blocker(box);
    box->clear();
    for (const std::string& name : names) box->addItem(QString::fromStdString(name));
    const int count = int(names.size());
    box->setEnabled(count > 0);
    tick->setEnabled(count > 0);
    if (count == 0) tick->setChecked(false);
    box->setCurrentIndex(count == 0 ? -1 : std::max(0, FindMidiPort(names, keep)));
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
    monitor_->KeyPressed = [this](int key) {
        if (Instrument()) noteLabel->setText(QString::fromStdString(NoteIndexName(key)));
    };
    midiIn_->OnMidiInput = [this] { DrainMidi(); };
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
    ShowMidiDevices();
}

void TInstForm::ShowMidiDevices() {
    const auto chosen = [](const QComboBox* box, bool open, const std::string& product) {
        return open ? product : box->currentText().toStdString();
    };
    FillList(midiInBox, monitorCB, midiIn_->DeviceNames(),
             chosen(midiInBox, midiIn_->IsOpen(), midiIn_->ProductName()));
    FillList(midiOutBox, passCB, midiOut_->DeviceNames(),
             chosen(midiOutBox, midiOut_->IsOpen(), midiOut_->ProductName()));
}

void TInstForm::PollMidiDevices() {
    if (!isVisible() || pages->currentWidget()->objectName() != "midiPage") return;
    if (!MidiSystemAvailable()) return;
    const std::vector<std::string> inBefore = midiIn_->DeviceNames();
    const std::vector<std::string> outBefore = midiOut_->DeviceNames();
    const bool inOpen = midiIn_->IsOpen() && midiIn_->DeviceID() >= 0;
    const bool outOpen = midiOut_->IsOpen() && midiOut_->DeviceID() >= 0;
    midiIn_->RefreshDevices();
    midiOut_->RefreshDevices();
    if (midiIn_->DeviceNames() == inBefore && midiOut_->DeviceNames() == outBefore) return;
    // A device unplugged while in use is closed; the others keep running on their ports.
    if (inOpen && midiIn_->DeviceID() < 0) monitorCB->setChecked(false);
    if (outOpen && midiOut_->DeviceID() < 0) passCB->setChecked(false);
    ShowMidiDevices();
}

void TInstForm::DrainMidi() {
    // Each message is taken off the queue before it is handled, so one that fails is reported
    // and the rest still run.
    for (;;) {
        try {
            monitor_->Drain(*midiIn_);
            return;
        } catch (const EmidioutputError& error) {
            passCB->setChecked(false);
            ReportError(error);
        } catch (const std::exception& error) {
            ReportError(error);
        }
    }
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
