#include "midi/midi_input.h"

#include "midi/midi_ports.h"

#include <QMetaObject>
#include <QObject>
#include <unistd.h>

bool MidiSystemAvailable() {
    // RtMidi and ALSA print to the terminal when the sequencer is missing: look first.
    return ::access("/dev/snd/seq", R_OK | W_OK) == 0;
}

namespace {

void OnMessage(double delta, std::vector<unsigned char>* message, void* input) {
    if (message && !message->empty())
        static_cast<TMidiInput*>(input)->Deliver(delta, message->data(), message->size());
}

} // namespace

TMidiInput::TMidiInput() : notifier_(std::make_unique<QObject>()) {
    RefreshDevices();
}

TMidiInput::~TMidiInput() {
    if (open_) Close();
}

void TMidiInput::RefreshDevices() {
    names_ = ListMidiPorts(port_);
    if (deviceId_ < 0) return;
    deviceId_ = FindMidiPort(names_, productName_);
    if (deviceId_ < 0 && !open_) productName_.clear();
}

std::string TMidiInput::DeviceName(int index) const {
    return index >= 0 && index < DeviceCount() ? names_[size_t(index)] : std::string();
}

void TMidiInput::SetDeviceID(int id) {
    if (open_) throw EMidiInputError("Change to DeviceID while device was open");
    if (id >= DeviceCount()) throw EMidiInputError("Invalid device ID");
    deviceId_ = id < 0 ? -1 : id;
    productName_ = DeviceName(deviceId_);
}

void TMidiInput::SetSysexBufferSize(size_t bytes) {
    if (open_) throw EMidiInputError("Change to SysexBufferSize while device was open");
    sysexBufferSize_ = bytes;
}

void TMidiInput::SetSysexBufferCount(size_t count) {
    if (open_) throw EMidiInputError("Change to SysexBuffercount while device was open");
    sysexBufferCount_ = count;
}

void TMidiInput::MakeQueue() {
    const bool sysex = sysexBufferSize_ > 0 && sysexBufferCount_ > 0;
    queue_ = std::make_unique<TMidiQueue>(Capacity, sysex ? sysexBufferSize_ : 0,
                                          sysex ? sysexBufferCount_ : 0);
    clockSeconds_ = 0;
}

void TMidiInput::Open() {
    if (open_) return;
    if (deviceId_ < 0 || !port_) throw EMidiInputError("Invalid device ID");
    MakeQueue();
    try {
        port_->setCallback(&OnMessage, this);
        port_->ignoreTypes(false, true, true);
        port_->openPort(unsigned(deviceId_), "Cantorwright Input");
    } catch (const RtMidiError& error) {
        port_->cancelCallback();
        queue_.reset();
        throw EMidiInputError(MidiErrorText(error));
    }
    open_ = true;
}

void TMidiInput::OpenWithoutDevice() {
    if (open_) return;
    MakeQueue();
    open_ = true;
}

void TMidiInput::Start() {
    if (open_) started_ = true;
}

void TMidiInput::Stop() {
    if (open_) started_ = false;
}

void TMidiInput::Close() {
    if (!open_) return;
    open_ = false;
    started_ = false;
    // The service's thread ends with the port, so the queue goes only after it.
    if (port_ && port_->isPortOpen()) {
        port_->closePort();
        port_->cancelCallback();
    }
    queue_.reset();
}

size_t TMidiInput::PendingCount() const {
    return open_ && queue_ ? queue_->PendingCount() : 0;
}

std::unique_ptr<TMyMidiEvent> TMidiInput::ReadEvent() {
    if (!open_ || !queue_) return nullptr;
    TMidiQueueEntry entry;
    auto event = std::make_unique<TMyMidiEvent>();
    if (!queue_->Pop(entry, event->SysexBytes)) return nullptr;
    event->Timestamp = entry.timestamp;
    if (entry.sysex >= 0) {
        event->Status = 0xF0;
        event->SysexSize = entry.sysexSize;
    } else {
        event->Status = uint8_t(entry.message);
        event->Param1 = uint8_t(entry.message >> 8);
        event->Param2 = uint8_t(entry.message >> 16);
    }
    return event;
}

void TMidiInput::Deliver(double deltaSeconds, const uint8_t* bytes, size_t size) {
    // Runs on the MIDI service's thread: only the queue and the two flags are shared.
    if (!queue_ || size == 0 || !started_.load(std::memory_order_relaxed)) return;
    clockSeconds_ += deltaSeconds;
    const auto timestamp = uint32_t(clockSeconds_ * 1000.0);
    bool queued = true;
    if (bytes[0] == 0xF0) {
        queued = queue_->PushSysex(timestamp, bytes, size);
    } else {
        if (SysexOnly) return;
        uint32_t message = bytes[0];
        if (size > 1) message |= uint32_t(bytes[1]) << 8;
        if (size > 2) message |= uint32_t(bytes[2]) << 16;
        queued = queue_->PushShort(timestamp, message);
    }
    if (queued)
        Post(arrivalPosted_, &TMidiInput::Arrived);
    else
        Post(overflowPosted_, &TMidiInput::Overflowed);
}

void TMidiInput::Post(std::atomic<bool>& pending, void (TMidiInput::*handler)()) {
    // One notification at a time: the handler drains everything queued before it.
    if (pending.exchange(true)) return;
    QMetaObject::invokeMethod(
        notifier_.get(), [this, handler] { (this->*handler)(); }, Qt::QueuedConnection);
}

void TMidiInput::Arrived() {
    arrivalPosted_.store(false);
    if (OnMidiInput && open_ && PendingCount() > 0) OnMidiInput();
}

void TMidiInput::Overflowed() {
    overflowPosted_.store(false);
    if (OnOverflow && open_) OnOverflow();
}
