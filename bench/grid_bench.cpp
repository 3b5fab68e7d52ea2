// Event grid painting: a full repaint of a 256-row, 32-track pattern at 1920x1080 against one
// 60 Hz frame, the area one cell entry asks to repaint, and how long a note key takes from its
// press to the note started in the engine (which mixes it in its next block).
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/widgets/event_grid.h"
#include "ui/windows/pattern_form.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of this thread: what the repaint costs, whatever else the machine runs.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

class TPaintRecorder : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QRegion region;
};

// Every cell holds a note, an instrument, a volume and an effect: the most text to draw.
void FillPattern(TPattern& pattern) {
    TCellChanges changes;
    for (int t = 0; t < pattern.TrackCount(); ++t)
        for (int r = 0; r < pattern.RowCount(); ++r) {
            TCell cell = pattern.GetCell(t, r);
            const TCell before = cell;
            cell.note = uint8_t(0x30 + (r + t) % 12);
            cell.instrument = 0;
            cell.volume = uint8_t(r % 64);
            cell.command = uint8_t(1 + t % 15);
            cell.param = uint8_t(r);
            changes.push_back({t, r, before, cell});
        }
    SongEdit().ChangeCells(pattern.Number(), std::move(changes), "Fill");
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TAppObjects objects;
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: grid_bench MODULE.xm\n");
        return 2;
    }
    Audio().StartUp();
    Project().Open(argv[1]);
    SongEdit().SetChannelCount(32);
    SongEdit().SetRowCount(0, 256);
    TPattern& pattern = *Project().Song()->Patterns(0);
    FillPattern(pattern);

    TEventGrid grid;
    grid.resize(1920, 1080);
    grid.SetPattern(&pattern);
    grid.show();
    app.processEvents();

    constexpr int kRuns = 60;
    std::vector<double> ms, cpu;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        const double cpuStart = ThreadCpuMs();
        grid.viewport()->repaint();
        cpu.push_back(ThreadCpuMs() - cpuStart);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    const QSize view = grid.viewport()->size();
    std::printf("full repaint of %d rows x %d tracks, viewport %dx%d: median %.2f ms, worst %.2f ms"
                " wall; median %.2f ms CPU (one 60 Hz frame is 16.7 ms)\n",
                pattern.RowCount(), pattern.TrackCount(), view.width(), view.height(),
                ms[ms.size() / 2], ms.back(), cpu[cpu.size() / 2]);

    // One note entered with step 0, so the cursor stays: the area the grid asks to repaint.
    TPaintRecorder recorder;
    grid.viewport()->installEventFilter(&recorder);
    grid.Editor().entry.step = 0;
    grid.SetCursor({10, 3, kPosNote});
    app.processEvents();
    recorder.region = QRegion();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, "z");
    QApplication::sendEvent(&grid, &press);
    app.processEvents();
    const QRect area = recorder.region.boundingRect();
    const QRect expected = grid.TrackRowRect(3, 10);
    std::printf("one entry repaints %dx%d at (%d,%d): %s one track row, %.2f%% of the viewport\n",
                area.width(), area.height(), area.x(), area.y(),
                area == expected ? "exactly" : "NOT",
                100.0 * area.width() * area.height() / (view.width() * view.height()));

    // A note key in a pattern window: preview, entry, the edit layer's step and its event.
    TPatternForm form;
    form.resize(1200, 800);
    form.show();
    app.processEvents();
    form.Grid()->setFocus();
    std::vector<double> keyMs;
    bool sounded = true;
    for (int i = 0; i < 100; ++i) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, "z");
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Z, Qt::NoModifier, "z");
        const auto start = Clock::now();
        QApplication::sendEvent(form.Grid(), &key);
        keyMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        sounded = sounded && Project().Song()->Instruments(0)->NoteStatus().IsPlaying(0x40);
        QApplication::sendEvent(form.Grid(), &up);
        app.processEvents();
    }
    std::sort(keyMs.begin(), keyMs.end());
    std::printf("note key press handled (note %s, cell entered, event sent): median %.3f ms,"
                " worst %.3f ms; the silent driver then mixes it in its next 10 ms block\n",
                sounded ? "started every time" : "NOT always started", keyMs[keyMs.size() / 2],
                keyMs.back());
    return 0;
}
