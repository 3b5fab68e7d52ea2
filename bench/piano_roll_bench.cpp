// The piano roll against one 60 Hz frame: a full repaint of a dense pattern and one drag step
// of a large selection with its repaint.
#include "engine/records.h"
#include "frame_budget.h"
#include "model/notes.h"
#include "model/pattern.h"
#include "project/app_objects.h"
#include "ui/widgets/piano_roll.h"

#include <QApplication>
#include <QMouseEvent>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// A pattern without a song, laid out as the clipboard carries one.
struct TBenchPattern {
    TBenchPattern(int tracks, int rows)
        : bytes(kPatternHeaderSize + size_t(kMaxRows) * RowStride(tracks) + 1, 0) {
        const int32_t header[2] = {tracks, rows};
        std::memcpy(bytes.data(), header, sizeof header);
        pattern = std::make_unique<TPattern>(bytes.data());
        for (int t = 0; t < tracks; ++t)
            for (int r = 0; r < rows; ++r) pattern->ClearCell(t, r);
    }
    void Put(int track, int row, int lane) {
        TCell cell;
        cell.note = NoteFromIndex(lane);
        cell.instrument = 0;
        pattern->SetCell(track, row, cell);
    }
    std::vector<uint8_t> bytes;
    std::unique_ptr<TPattern> pattern;
};

void Mouse(QWidget* target, QEvent::Type type, QPoint at) {
    QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TAppObjects objects;

    TBenchPattern dense(32, 256);
    for (int t = 0; t < 32; ++t)
        for (int r = 0; r < 256; ++r) dense.Put(t, r, (t * 7 + r * 5) % kNoteCount);
    TPianoRoll roll;
    roll.SetColWidth(4);
    roll.SetRowHeight(10);
    roll.resize(1100, 1000);
    roll.show();
    roll.SetPattern(dense.pattern.get());
    QApplication::processEvents();
    Report("full repaint, 256 rows x 32 tracks, all lanes",
           PerCallMs(50, [&](int) { roll.viewport()->repaint(); }));
    // The pattern window's zoom, where every box carries its track number.
    roll.SetColWidth(16);
    QApplication::processEvents();
    Report("full repaint at 16 x 10, numbered boxes",
           PerCallMs(50, [&](int) { roll.viewport()->repaint(); }));
    // One frame of the playing-row marker's glide: two strips.
    Report("marker step over the dense pattern", PerCallMs(200, [&](int i) {
               roll.SetSongRow(i % 2 ? 9 : 10);
               QApplication::processEvents();
           }));
    roll.SetColWidth(4);

    // 200 notes on 8 tracks; each step moves them all a semitone and repaints what changed.
    TBenchPattern sparse(32, 256);
    for (int i = 0; i < 200; ++i) sparse.Put(i % 8, i / 8, 40 + i % 12);
    roll.SetPattern(sparse.pattern.get());
    roll.Model().SelectAll();
    QApplication::processEvents();
    const TRollPoint anchor{40, 0};
    Mouse(roll.viewport(), QEvent::MouseButtonPress, roll.Centre(anchor));
    const double step = PerCallMs(200, [&](int i) {
        Mouse(roll.viewport(), QEvent::MouseMove, roll.Centre({40 + (i % 2 ? 0 : 1), 0}));
        QApplication::processEvents();
    });
    Report("drag step of 200 notes with its repaint", step);
    // No song to record into: the drag is cancelled rather than dropped.
    std::printf("moved in the last step: %s\n", roll.Model().Selection().AnyMoved() ? "yes" : "no");
    roll.CancelOperation();
    Mouse(roll.viewport(), QEvent::MouseButtonRelease, roll.Centre(anchor));
    return 0;
}
