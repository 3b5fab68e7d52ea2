// Sound through SDL's audio subsystem; SDL calls the fill callback on its own thread.
#include "engine/output/audio_driver.h"

#include <SDL.h>
#include <algorithm>

namespace {

class SdlDriver final : public AudioDriver {
public:
    ~SdlDriver() override { Close(); }

    bool Open(const OutputFormat& format, FillCallback fill, std::string& error) override {
        Close();
        // SDL would otherwise turn SIGINT and SIGTERM into quit events nobody reads, and the
        // program could not be stopped from outside.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            error = std::string("cannot start SDL audio: ") + SDL_GetError();
            return false;
        }
        initialised_ = true;
        fill_ = std::move(fill);
        SDL_AudioSpec want{};
        SDL_AudioSpec have{};
        want.freq = format.rate;
        want.format = format.sixteenBit ? AUDIO_S16SYS : AUDIO_U8;
        want.channels = uint8_t(format.stereo ? 2 : 1);
        // The buffer length in frames, rounded down to a power of two as SDL prefers.
        const int frames = std::max(256, format.rate * format.bufferMs / 1000);
        int samples = 256;
        while (samples * 2 <= frames && samples < 32768) samples *= 2;
        want.samples = uint16_t(samples);
        want.callback = &SdlDriver::Callback;
        want.userdata = this;
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            error = std::string("cannot open the sound device: ") + SDL_GetError();
            Close();
            return false;
        }
        format_ = format;
        format_.rate = have.freq;
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    void Close() override {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
            device_ = 0;
        }
        if (initialised_) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            initialised_ = false;
        }
    }

    OutputFormat Format() const override { return format_; }

private:
    static void Callback(void* userdata, Uint8* stream, int len) {
        static_cast<SdlDriver*>(userdata)->fill_(stream, len);
    }

    SDL_AudioDeviceID device_ = 0;
    bool initialised_ = false;
    FillCallback fill_;
    OutputFormat format_;
};

} // namespace

std::unique_ptr<AudioDriver> MakeSdlDriver() {
    return std::make_unique<SdlDriver>();
}
