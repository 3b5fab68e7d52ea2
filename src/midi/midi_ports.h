// The device list both directions share: made lazily, quiet, and empty where the machine has
// no MIDI system.
#pragma once

#include <algorithm>
#include <memory>
#include <rtmidi/RtMidi.h>
#include <string>
#include <vector>

bool MidiSystemAvailable();

inline void QuietMidiErrors(RtMidiError::Type, const std::string&, void*) {}

// Reads the names of the ports `client` sees, making the client on first use; on any error the
// client goes and the list is empty.
template <class Client> std::vector<std::string> ListMidiPorts(std::unique_ptr<Client>& client) {
    std::vector<std::string> names;
    if (!MidiSystemAvailable()) return names;
    try {
        if (!client) {
            client = std::make_unique<Client>();
            client->setErrorCallback(&QuietMidiErrors);
        }
        for (unsigned i = 0; i < client->getPortCount(); ++i)
            names.push_back(client->getPortName(i));
    } catch (const RtMidiError&) {
        client.reset();
        names.clear();
    }
    return names;
}

// Where the device called `name` now is in `names`, or -1.
inline int FindMidiPort(const std::vector<std::string>& names, const std::string& name) {
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() || name.empty() ? -1 : int(it - names.begin());
}

// The system's text for an error, as the components raise it.
inline std::string MidiErrorText(const RtMidiError& error) {
    return error.getMessage().empty() ? "Specified error number is out of range"
                                      : error.getMessage();
}
