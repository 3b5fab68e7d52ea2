// MIDI input over RtMidi (the ALSA sequencer, or JACK): the service's thread queues each message
// and posts one notification to the interface thread, which reads the queue there.
#pragma once

#include "midi/midi_queue.h"
#include "model/errors.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QObject;
class RtMidiIn;

CW_DECLARE_ERROR(EMidiInputError, EZException);

struct TMyMidiEvent {
    uint8_t Status = 0;
    uint8_t Param1 = 0;
    uint8_t Param2 = 0;
    uint32_t Timestamp = 0;
    uint16_t SysexSize = 0;
    std::vector<uint8_t> SysexBytes; // empty unless Status is 0xF0
};

// True where the machine has a MIDI sequencer; without one no MIDI object is made, so nothing
// is printed and every device list is empty.
bool MidiSystemAvailable();

class TMidiInput {
public:
    TMidiInput();
    ~TMidiInput();
    TMidiInput(const TMidiInput&) = delete;
    TMidiInput& operator=(const TMidiInput&) = delete;

    // Reads the devices again (after one was plugged in or out). The chosen device keeps its
    // name; DeviceID follows it to its new place, or becomes -1 when it went.
    void RefreshDevices();
    const std::vector<std::string>& DeviceNames() const { return names_; }
    int DeviceCount() const { return int(names_.size()); }
    std::string DeviceName(int index) const;

    int DeviceID() const { return deviceId_; }
    void SetDeviceID(int id);
    const std::string& ProductName() const { return productName_; }

    size_t Capacity = 1024;
    size_t SysexBufferSize() const { return sysexBufferSize_; }
    void SetSysexBufferSize(size_t bytes);
    size_t SysexBufferCount() const { return sysexBufferCount_; }
    void SetSysexBufferCount(size_t count);
    std::atomic<bool> SysexOnly{false}; // read on the service's thread

    // Raised on the interface thread.
    std::function<void()> OnMidiInput;
    std::function<void()> OnOverflow;

    void Open();
    void Start();
    void Stop();
    void Close();
    bool IsOpen() const { return open_; }

    // The oldest queued message, or none.
    std::unique_ptr<TMyMidiEvent> ReadEvent();
    size_t PendingCount() const;

    // What the MIDI service's thread calls for every message; a test without a sequencer feeds
    // an input opened with OpenWithoutDevice the same way.
    void Deliver(double deltaSeconds, const uint8_t* bytes, size_t size);
    void OpenWithoutDevice();

private:
    void MakeQueue();
    void Post(std::atomic<bool>& pending, void (TMidiInput::*handler)());
    void Arrived();
    void Overflowed();

    std::vector<std::string> names_;
    int deviceId_ = -1;
    std::string productName_;
    size_t sysexBufferSize_ = 4096;
    size_t sysexBufferCount_ = 16;
    bool open_ = false;
    std::atomic<bool> started_{false};
    std::unique_ptr<RtMidiIn> port_;
    std::unique_ptr<TMidiQueue> queue_;
    std::unique_ptr<QObject> notifier_;
    // Written on the service's thread only.
    double clockSeconds_ = 0;
    std::atomic<bool> arrivalPosted_{false};
    std::atomic<bool> overflowPosted_{false};
};
