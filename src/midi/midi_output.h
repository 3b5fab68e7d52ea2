// MIDI output over RtMidi. Messages can also go to a port of the program's own instead of a
// device, which is how pass-through is checked where the machine has no sequencer.
#pragma once

#include "midi/midi_input.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class RtMidiOut;

CW_DECLARE_ERROR(EmidioutputError, EZException);

class TMidiOutput {
public:
    using Port = std::function<void(const std::vector<uint8_t>& message)>;

    TMidiOutput();
    ~TMidiOutput();
    TMidiOutput(const TMidiOutput&) = delete;
    TMidiOutput& operator=(const TMidiOutput&) = delete;

    // As for the input: the chosen device is followed by name.
    void RefreshDevices();
    const std::vector<std::string>& DeviceNames() const { return names_; }
    int DeviceCount() const { return int(names_.size()); }
    std::string DeviceName(int index) const;

    int DeviceID() const { return deviceId_; }
    // -1 is the system's default device, the first one.
    void SetDeviceID(int id);
    const std::string& ProductName() const { return productName_; }
    void SetProductName(const std::string& name);

    // Raised once a long message has gone out.
    std::function<void()> Onmidioutput;

    void Open();
    void OpenPort(Port port);
    void Close();
    bool IsOpen() const { return open_; }

    void SendEvent(const TMyMidiEvent& event);
    void SendShort(uint8_t status, uint8_t param1, uint8_t param2);
    void SendLong(const uint8_t* data, size_t size);

private:
    void Send(const std::vector<uint8_t>& message);

    std::vector<std::string> names_;
    int deviceId_ = -1;
    std::string productName_;
    bool open_ = false;
    std::unique_ptr<RtMidiOut> device_;
    Port port_;
};
