// The audio controller: the engine's start-up options, starting and closing the engine, and
// suspending and resuming its output.
#pragma once

#include <array>
#include <cstdint>

// The mix rates the configuration offers, in its list's order.
constexpr std::array<int32_t, 4> kMixRates = {44100, 32075, 22050, 11025};

class TAudio {
public:
    // The first controller made becomes the process's controller, reached through Audio().
    TAudio();
    ~TAudio();
    TAudio(const TAudio&) = delete;
    TAudio& operator=(const TAudio&) = delete;

    void StartUp();
    void ShutDown();
    void SuspendOutput();
    void ResumeOutput();

    void SetMixingMode(int mode);
    void SetBufferLength(int ms);
    void SetDSoundBufferLength(int ms);

    bool Active = false;
    bool Suspended = false;
    int32_t MixRate = 44100;
    int32_t MixingMode = 1;
    int32_t OutputMode = 10;
    int32_t FilterMode = 3;
    int32_t BufferLength = 175;
    int32_t DSoundBufferLength = 60;
    bool UseDirectSound = false;
    intptr_t WindowHandle = 0;

private:
    void ReapplyIfRunning();
};

// The process-wide controller; one must exist.
TAudio& Audio();
