// The instrument editor's controls painting against one 60 Hz frame: a 10-million-frame sample
// at fit zoom with and without averages, one envelope drag step and one loop-marker drag step,
// each with the repaint it causes.
#include "frame_budget.h"
#include "model/envelope.h"
#include "model/instrument.h"
#include "model/sample.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/widgets/envelope_box.h"
#include "ui/widgets/sample_editor.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

using Clock = std::chrono::steady_clock;

namespace {

void Mouse(QWidget* target, QEvent::Type type, QPointF at) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A 10-million-frame 16-bit sample with a loop, as the last slot of the first instrument.
int MakeLongSample(int instrument) {
    const auto file = std::filesystem::temp_directory_path() / "cw_widget_bench.raw";
    {
        std::ofstream out(file, std::ios::binary);
        std::vector<int16_t> chunk(1 << 16);
        for (int64_t i = 0; i < 10'000'000; i += int64_t(chunk.size())) {
            for (size_t j = 0; j < chunk.size(); ++j) chunk[j] = int16_t((i + j) * 7919 % 65536);
            out.write(reinterpret_cast<const char*>(chunk.data()),
                      std::streamsize(chunk.size() * 2));
        }
    }
    TInstrument* inst = Project().Song()->Instruments(instrument);
    TSample* s = inst->InsertSample(-1);
    s->LoadRawFile(file.string());
    std::filesystem::remove(file);
    s->SetLoopType(1);
    s->SetLoopStart(1'000'000);
    s->SetLoopEnd(9'000'000);
    return inst->SampleCount() - 1;
}

// Counts the paint events a widget receives, to show that a step's timing includes one.
class PaintCount : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

// Drag steps repaint through the event loop, which paints only an exposed window.
void Expose(QWidget& widget) {
    widget.show();
    while (!widget.windowHandle() || !widget.windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TAppObjects objects;
    Project().Open((std::filesystem::path(CW_SHARED_DIR) / "corpus" / "dali.xm").string());
    int instrument = 0;
    while (!Project().Song()->Instruments(instrument)->VolumeEnvelope()) ++instrument;

    TSampleEditor editor;
    editor.resize(800, 200);
    Expose(editor);
    editor.SetSample(instrument, MakeLongSample(instrument));
    editor.ZoomToFit();
    QImage image(editor.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    const auto first = Clock::now();
    editor.viewport()->render(&image);
    Report("first paint (builds the peak summary)",
           std::chrono::duration<double, std::milli>(Clock::now() - first).count());
    for (bool averaging : {false, true}) {
        editor.SetAveraging(averaging);
        Report(averaging ? "10M frames at fit zoom, averaging" : "10M frames at fit zoom",
               PerCallMs(50, [&](int) { editor.viewport()->render(&image); }));
    }
    const int markerX = int(editor.LoopMarkers().startX);
    PaintCount editorPaints;
    editor.viewport()->installEventFilter(&editorPaints);
    Mouse(editor.viewport(), QEvent::MouseButtonPress, QPointF(markerX, 100));
    Report("loop-marker drag step with its repaint", PerCallMs(200, [&](int i) {
               Mouse(editor.viewport(), QEvent::MouseMove, QPointF(markerX + 1 + i % 50, 100));
               QApplication::processEvents();
           }));
    std::printf("  (%d paints in 200 steps)\n", editorPaints.count);
    Mouse(editor.viewport(), QEvent::MouseButtonRelease, QPointF(markerX, 100));

    TEnvelopeBox box;
    box.resize(400, 115);
    Expose(box);
    SongEdit().EditEnvelope(instrument, false, "setup", [](TEnvelope& e) {
        ApplyEnvelopePoints(e, {{{0, 32}, {50, 64}, {100, 20}, {200, 40}}, 1, 0, 3});
    });
    box.SetEnvelope(instrument, false);
    QApplication::processEvents();
    PaintCount boxPaints;
    box.installEventFilter(&boxPaints);
    Mouse(&box, QEvent::MouseButtonPress, QPointF(100, box.Geometry().ValueToY(20)));
    Report("envelope drag step with its repaint", PerCallMs(200, [&](int i) {
               Mouse(&box, QEvent::MouseMove, QPointF(60 + i % 100, 10 + i % 90));
               QApplication::processEvents();
           }));
    std::printf("  (%d paints in 200 steps)\n", boxPaints.count);
    Mouse(&box, QEvent::MouseButtonRelease, QPointF(100, 50));
    return 0;
}
