// The instrument editor's logic against one 60 Hz frame: reading the waveform columns of a
// 10-million-frame sample at fit zoom from the peak summary (with and without averages, and
// frame by frame for comparison), one envelope drag step and one loop-marker drag step.
#include "edit/envelope_box.h"
#include "edit/peak_summary.h"
#include "edit/sample_mouse.h"
#include "edit/waveform.h"
#include "engine/records.h"
#include "frame_budget.h"
#include "model/envelope.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>


int main() {
    const int64_t frames = 10'000'000;
    const int width = 800;
    std::vector<uint8_t> block(size_t(frames) * 2);
    std::mt19937 rng(7);
    for (uint8_t& b : block) b = uint8_t(rng());
    const TSampleFrames f{block.data(), frames, 16};

    TPeakSummary summary;
    Report("peak summary build (once per data block)",
           PerCallMs(1, [&](int) { summary = TPeakSummary(f); }));
    TSampleView view;
    TSampleGeometry(frames, width).ZoomToFit(view);
    size_t sink = 0;
    for (bool averaging : {false, true}) {
        const double ms = PerCallMs(
            20, [&](int) { sink += WaveColumns(summary, f, view, width, averaging).size(); });
        Report(averaging ? "fit-zoom columns, averaging" : "fit-zoom columns", ms);
    }
    Report("fit-zoom columns and their lines", PerCallMs(20, [&](int) {
               const auto columns = WaveColumns(summary, f, view, width, false);
               sink += WaveLines(columns, 300, 16, dmRelative, false).size();
           }));
    const TPeakSummary none; // no summary: every frame is read
    Report("fit-zoom columns frame by frame (no summary)",
           PerCallMs(2, [&](int) { sink += WaveColumns(none, f, view, width, true).size(); }));

    EnvelopeRecord record{};
    record.sustainPoint = record.loopStart = record.loopEnd = kEnvelopeNone;
    TEnvelope envelope(&record);
    const TEnvelopeGeometry g(600, 115);
    TEnvelopePoints env;
    for (int i = 0; i < 12; ++i) env.points.push_back({i * 50, 32});
    TEnvelopeDrag drag;
    drag.Press(g, env, true, TMouseButton::Left, 250, 57);
    Report("envelope drag step with its preview", PerCallMs(100000, [&](int i) {
               ApplyEnvelopePoints(envelope, *drag.Move(g, 210 + i % 80, i % 115));
           }));

    TSampleMouse mouse;
    TSampleView loopView{0, 0, 0, view.viewZoom};
    const TSampleFacts facts{frames, true, {1000, frames / 2}};
    mouse.Press(loopView, facts, TMouseButton::Left, 0, false, false);
    Report("loop-marker drag step", PerCallMs(100000, [&](int i) {
               sink += size_t(mouse.Move(loopView, i % width).loop->start);
           }));
    return sink == 0 ? 1 : 0;
}
