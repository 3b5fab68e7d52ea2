#include "midi/midi_output.h"

#include "midi/midi_ports.h"

TMidiOutput::TMidiOutput() {
    RefreshDevices();
}

TMidiOutput::~TMidiOutput() {
    if (open_) Close();
}

void TMidiOutput::RefreshDevices() {
    names_ = ListMidiPorts(device_);
    if (deviceId_ < 0) return;
    deviceId_ = FindMidiPort(names_, productName_);
    if (deviceId_ < 0 && !open_) productName_.clear();
}

std::string TMidiOutput::DeviceName(int index) const {
    if (index == -1) index = 0;
    return index >= 0 && index < DeviceCount() ? names_[size_t(index)] : std::string();
}

void TMidiOutput::SetDeviceID(int id) {
    if (open_) throw EmidioutputError("Change to DeviceID while device was open");
    if (id >= DeviceCount() || id < -1) throw EmidioutputError("Invalid device ID");
    deviceId_ = id;
    productName_ = DeviceName(id);
}

void TMidiOutput::SetProductName(const std::string& name) {
    if (open_) throw EmidioutputError("Change to ProductName while device was open");
    for (int i = 0; i < DeviceCount(); ++i)
        if (names_[size_t(i)] == name) {
            SetDeviceID(i);
            return;
        }
    throw EmidioutputError("MIDI output Device " + name + " not installed");
}

void TMidiOutput::Open() {
    if (open_) return;
    if (!device_ || DeviceCount() == 0) throw EmidioutputError("Invalid device ID");
    try {
        device_->openPort(unsigned(deviceId_ < 0 ? 0 : deviceId_), "Cantorwright Output");
    } catch (const RtMidiError& error) {
        throw EmidioutputError(MidiErrorText(error));
    }
    open_ = true;
}

void TMidiOutput::OpenPort(Port port) {
    if (open_) return;
    port_ = std::move(port);
    open_ = true;
}

void TMidiOutput::Close() {
    if (!open_) return;
    open_ = false;
    port_ = nullptr;
    if (device_ && device_->isPortOpen()) device_->closePort();
}

void TMidiOutput::SendEvent(const TMyMidiEvent& event) {
    if (!open_) throw EmidioutputError("MIDI Output device not open");
    if (!event.SysexBytes.empty())
        SendLong(event.SysexBytes.data(), event.SysexBytes.size());
    else
        SendShort(event.Status, event.Param1, event.Param2);
}

namespace {

// Bytes a short message has, by its status: a device reads a third byte of a two-byte message
// as the start of another one (running status).
size_t ShortMessageLength(uint8_t status) {
    if (status >= 0xC0 && status <= 0xDF) return 2; // program change, channel pressure
    if (status == 0xF1 || status == 0xF3) return 2; // time code quarter frame, song select
    if (status == 0xF2 || status < 0xF0) return 3;
    return 1; // tune request and the real-time messages
}

} // namespace

void TMidiOutput::SendShort(uint8_t status, uint8_t param1, uint8_t param2) {
    std::vector<uint8_t> message{status, param1, param2};
    message.resize(ShortMessageLength(status));
    Send(message);
}

void TMidiOutput::SendLong(const uint8_t* data, size_t size) {
    Send(std::vector<uint8_t>(data, data + size));
    if (Onmidioutput) Onmidioutput();
}

void TMidiOutput::Send(const std::vector<uint8_t>& message) {
    if (!open_) throw EmidioutputError("MIDI Output device not open");
    if (port_) {
        port_(message);
        return;
    }
    try {
        device_->sendMessage(&message);
    } catch (const RtMidiError& error) {
        throw EmidioutputError(MidiErrorText(error));
    }
}
