// No device: a thread of our own pulls the mixer at real-time pace and drops the result, so
// playing positions advance exactly as they would with sound.
#include "engine/output/audio_driver.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class SilentDriver final : public AudioDriver {
public:
    ~SilentDriver() override { Close(); }

    bool Open(const OutputFormat& format, FillCallback fill, std::string&) override {
        Close();
        format_ = format;
        fill_ = std::move(fill);
        stop_ = false;
        thread_ = std::thread([this] { Run(); });
        return true;
    }

    void Close() override {
        if (!thread_.joinable()) return;
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    OutputFormat Format() const override { return format_; }

private:
    void Run() {
        using Clock = std::chrono::steady_clock;
        // Short blocks keep the positions smooth whatever buffer length was asked for.
        const int frames = std::max(64, format_.rate / 100);
        std::vector<uint8_t> block(size_t(frames) * size_t(format_.BytesPerFrame()));
        const auto period = std::chrono::nanoseconds(int64_t(frames) * 1000000000 / format_.rate);
        auto next = Clock::now();
        std::unique_lock lock(mutex_);
        while (!stop_) {
            lock.unlock();
            fill_(block.data(), int(block.size()));
            lock.lock();
            next += period;
            wake_.wait_until(lock, next, [this] { return stop_; });
        }
    }

    OutputFormat format_;
    FillCallback fill_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
};

} // namespace

std::unique_ptr<AudioDriver> MakeSilentDriver() {
    return std::make_unique<SilentDriver>();
}
