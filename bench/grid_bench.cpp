// Event grid painting: a full repaint of a 256-row, 32-track pattern at 1920x1080 against one
// 60 Hz frame, and the area one cell entry asks to repaint.
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/widgets/event_grid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

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
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        grid.viewport()->repaint();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    const QSize view = grid.viewport()->size();
    std::printf("full repaint of %d rows x %d tracks, viewport %dx%d: median %.2f ms, worst %.2f ms"
                " (one 60 Hz frame is 16.7 ms)\n",
                pattern.RowCount(), pattern.TrackCount(), view.width(), view.height(),
                ms[ms.size() / 2], ms.back());

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
    return 0;
}
