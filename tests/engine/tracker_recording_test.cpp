// VibratoDouble.xm plays a vibrato on its left channel and the XM tracker's own recording of it
// on the right. Our vibrato must follow that recording tick by tick. libopenmpt moves the pitch
// a tick earlier, so comparing renders with it cannot tell which player is right here.
#include "audio_compare.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/test_paths.h"

#include <cmath>
#include <complex>
#include <cstdio>
#include <gtest/gtest.h>
#include <numbers>

namespace {

constexpr int kRate = 22050;

double Strength(const std::vector<int16_t>& pcm, size_t from, size_t to, double hz) {
    const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi * hz / kRate);
    std::complex<double> turn = 1, sum = 0;
    for (size_t i = from; i < to && 2 * i + 1 < pcm.size(); ++i) {
        const double window =
            0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i - from) / double(to - from));
        sum += double(pcm[2 * i] + pcm[2 * i + 1]) * window * turn;
        turn *= step;
    }
    return std::abs(sum);
}

// The strongest frequency between `low` and `high` Hz: a coarse scan, then a fine one.
double Pitch(const std::vector<int16_t>& pcm, size_t from, size_t to, double low, double high) {
    auto strongest = [&](double a, double b, double step) {
        double best = 0, at = a;
        for (double hz = a; hz <= b; hz += step)
            if (const double s = Strength(pcm, from, to, hz); s > best) best = s, at = hz;
        return at;
    };
    const double coarse = strongest(low, high, 0.5);
    return strongest(coarse - 0.5, coarse + 0.5, 0.05);
}

double Cents(double a, double b) {
    return std::abs(1200 * std::log2(a / b));
}

} // namespace

TEST(TrackerRecording, OurVibratoFollowsTheTrackersOwnRecordingTickByTick) {
    const auto file = SharedDir() / "conformance" / "xm" / "VibratoDouble.xm";
    ModuleRecord* module = SNDloadModule(file.string().c_str());
    ASSERT_NE(module, nullptr);
    std::vector<int16_t> ours, recording;
    ASSERT_TRUE(RenderModule(module, RenderOptions{kRate, true, 0}, ours));
    ASSERT_TRUE(RenderModule(module, RenderOptions{kRate, true, 1}, recording));
    SNDfreeModule(module);
    const std::vector<int16_t> peer = PeerRenderChannel(file, kRate, 0);

    const double tick = kRate * 2.5 / 64; // tempo 64
    const int ticks = int(double(ours.size() / 2) / tick) - 1;
    ASSERT_GT(ticks, 80);
    double oursOff = 0, peerOff = 0;
    for (int t = 0; t < ticks; ++t) {
        const size_t from = size_t(t * tick), to = size_t((t + 1) * tick);
        const double truth = Pitch(recording, from, to, 80, 150);
        oursOff += Cents(Pitch(ours, from, to, 80, 150), truth);
        peerOff += Cents(Pitch(peer, from, to, 80, 150), truth);
    }
    oursOff /= ticks;
    peerOff /= ticks;
    std::printf("  mean distance from the recording per tick: ours %.1f cents, libopenmpt %.1f\n",
                oursOff, peerOff);
    EXPECT_LT(oursOff, 5.0); // the recording's sample sits about 3 cents off
}
