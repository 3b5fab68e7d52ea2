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
        throw EmidioutputError(error.getMessage());
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

void TMidiOutput::SendShort(uint8_t status, uint8_t param1, uint8_t param2) {
    Send({status, param1, param2});
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
        throw EmidioutputError(error.getMessage());
    }
}
