// Event grid painting: a full repaint of a 256-row, 32-track pattern at 1920x1080 against one
// 60 Hz frame, the area one cell entry asks to repaint, how long a note key takes to handle, and
// how many mixed blocks pass from its press to the first one holding the note.
#include "engine/playback_engine.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/widgets/event_grid.h"
#include "ui/windows/pattern_form.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
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

// From a note key's press to the first mixed block that holds its sound, through the running
// output (the silent driver where there is no sound card): how many blocks, and how long.
void KeyToSound(TPatternForm& form, QApplication& app) {
    PlaybackEngine& engine = PlaybackEngine::Get();
    std::atomic<uint64_t> armedAfter{UINT64_MAX}, loudBlock{0};
    std::atomic<int64_t> loudAt{0};
    std::atomic<bool> silent{false};
    engine.SetBlockObserver([&](uint64_t block, const float* stereo, int frames) {
        float peak = 0;
        for (int i = 0; i < 2 * frames; ++i) peak = std::max(peak, std::abs(stereo[i]));
        silent.store(peak == 0.0f);
        if (peak > 0 && block > armedAfter.load() && loudBlock.load() == 0) {
            loudAt.store(Clock::now().time_since_epoch().count());
            loudBlock.store(block);
        }
    });
    std::vector<double> ms;
    std::vector<uint64_t> blocks;
    for (int i = 0; i < 20; ++i) {
        const auto wait = [&](auto done) {
            const auto until = Clock::now() + std::chrono::milliseconds(500);
            while (!done() && Clock::now() < until) app.processEvents(QEventLoop::AllEvents, 1);
            return done();
        };
        if (!wait([&] { return silent.load(); })) continue;
        loudBlock.store(0);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, "z");
        const uint64_t before = engine.BlocksStarted();
        armedAfter.store(before);
        const auto start = Clock::now();
        QApplication::sendEvent(form.Grid(), &key);
        const bool heard = wait([&] { return loudBlock.load() != 0; });
        armedAfter.store(UINT64_MAX);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Z, Qt::NoModifier, "z");
        QApplication::sendEvent(form.Grid(), &up);
        if (!heard) continue;
        blocks.push_back(loudBlock.load() - before);
        ms.push_back(double(loudAt.load() - start.time_since_epoch().count()) / 1e6);
    }
    engine.SetBlockObserver(nullptr);
    if (ms.empty()) {
        std::printf("key press to sound: no note was heard\n");
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("key press to the first block holding the note: %zu of %zu presses in the next"
                " block mixed, at most %llu blocks later; median %.2f ms, worst %.2f ms\n",
                size_t(std::count(blocks.begin(), blocks.end(), 1u)), blocks.size(),
                (unsigned long long)*std::max_element(blocks.begin(), blocks.end()),
                ms[ms.size() / 2], ms.back());
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
                " worst %.3f ms\n",
                sounded ? "started every time" : "NOT always started", keyMs[keyMs.size() / 2],
                keyMs.back());
    KeyToSound(form, app);
    return 0;
}
