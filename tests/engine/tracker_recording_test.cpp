// VibratoDouble.xm plays a vibrato on its left channel and the XM tracker's own recording of it
// on the right. Our vibrato must follow that recording tick by tick. libopenmpt moves the pitch
// a tick earlier, so comparing renders with it cannot tell which player is right here.
#include "audio_compare.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/test_paths.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

constexpr int kRate = 22050;

double Pitch(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    return StrongestFrequency(pcm, kRate, from, to, 80, 150);
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
        const double truth = Pitch(recording, from, to);
        oursOff += Cents(Pitch(ours, from, to), truth);
        peerOff += Cents(Pitch(peer, from, to), truth);
    }
    oursOff /= ticks;
    peerOff /= ticks;
    std::printf("  mean distance from the recording per tick: ours %.1f cents, libopenmpt %.1f\n",
                oursOff, peerOff);
    EXPECT_LT(oursOff, 5.0); // the recording's sample sits about 3 cents off
}
