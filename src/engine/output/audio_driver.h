// An output that pulls mixed frames from the engine: a sound device or a silent clock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct OutputFormat {
    int rate = 44100;
    bool stereo = true;
    bool sixteenBit = true;
    int bufferMs = 175;
    int BytesPerFrame() const { return (stereo ? 2 : 1) * (sixteenBit ? 2 : 1); }
};

// Fills `bytes` bytes of output in the format the driver was opened with.
using FillCallback = std::function<void(uint8_t* out, int bytes)>;

class AudioDriver {
public:
    virtual ~AudioDriver() = default;
    // False with `error` set when the output cannot start.
    virtual bool Open(const OutputFormat& format, FillCallback fill, std::string& error) = 0;
    virtual void Close() = 0;
    // The format actually obtained, valid after a successful Open.
    virtual OutputFormat Format() const = 0;
};

std::unique_ptr<AudioDriver> MakeSdlDriver();
std::unique_ptr<AudioDriver> MakeSilentDriver();
