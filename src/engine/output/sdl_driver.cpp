// Sound through SDL's audio subsystem; SDL calls the fill callback on its own thread.
// SDL (and the display and sound libraries it pulls in) is opened on first use, so programs
// that never play, such as an offline render, do not pay for loading it.
#include "engine/output/audio_driver.h"

#include <SDL.h>
#include <algorithm>
#include <dlfcn.h>
#include <string>
#include <type_traits>

namespace {

// The SDL calls the driver makes, looked up once in the shared library.
struct SdlCalls {
    decltype(&SDL_SetHint) SetHint = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&SDL_GetError) GetError = nullptr;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    std::string error; // why the library could not be used; empty when it can

    SdlCalls() {
        void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* reason = dlerror();
            error = std::string("cannot load SDL: ") + (reason ? reason : "unknown error");
            return;
        }
        // Kept loaded for the life of the process, as a linked library would be.
        auto find = [&](auto& call, const char* name) {
            call = reinterpret_cast<std::remove_reference_t<decltype(call)>>(dlsym(library, name));
            if (!call && error.empty()) error = std::string("SDL lacks ") + name;
        };
        find(SetHint, "SDL_SetHint");
        find(InitSubSystem, "SDL_InitSubSystem");
        find(QuitSubSystem, "SDL_QuitSubSystem");
        find(GetError, "SDL_GetError");
        find(OpenAudioDevice, "SDL_OpenAudioDevice");
        find(PauseAudioDevice, "SDL_PauseAudioDevice");
        find(CloseAudioDevice, "SDL_CloseAudioDevice");
    }
};

const SdlCalls& Sdl() {
    static const SdlCalls calls;
    return calls;
}

class SdlDriver final : public AudioDriver {
public:
    ~SdlDriver() override { Close(); }

    bool Open(const OutputFormat& format, FillCallback fill, std::string& error) override {
        Close();
        const SdlCalls& sdl = Sdl();
        if (!sdl.error.empty()) {
            error = sdl.error;
            return false;
        }
        // SDL would otherwise turn SIGINT and SIGTERM into quit events nobody reads, and the
        // program could not be stopped from outside.
        sdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (sdl.InitSubSystem(SDL_INIT_AUDIO) != 0) {
            error = std::string("cannot start SDL audio: ") + sdl.GetError();
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
        device_ = sdl.OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            error = std::string("cannot open the sound device: ") + sdl.GetError();
            Close();
            return false;
        }
        format_ = format;
        format_.rate = have.freq;
        sdl.PauseAudioDevice(device_, 0);
        return true;
    }

    void Close() override {
        if (device_ == 0 && !initialised_) return;
        const SdlCalls& sdl = Sdl();
        if (device_ != 0) {
            sdl.CloseAudioDevice(device_);
            device_ = 0;
        }
        if (initialised_) {
            sdl.QuitSubSystem(SDL_INIT_AUDIO);
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
