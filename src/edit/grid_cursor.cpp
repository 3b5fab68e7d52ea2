#include "edit/grid_cursor.h"

#include "model/errors.h"

#include <algorithm>

namespace {

// Wraps v into 0 .. n-1.
int Wrap(int v, int n) {
    const int m = v % n;
    return m < 0 ? m + n : m;
}

} // namespace

TCellColumn ColumnOfPos(int pos) {
    CW_ASSERT(pos >= 0 && pos < kCursorPositions);
    if (pos == kPosNote) return kColumnNote;
    if (pos <= kPosInstrumentLow) return kColumnInstrument;
    if (pos <= kPosVolumeLow) return kColumnVolume;
    return kColumnEffect;
}

int FirstPosOfColumn(TCellColumn column) {
    static const int kFirst[kColumnsPerTrack] = {kPosNote, kPosInstrumentHigh, kPosVolumeHigh,
                                                 kPosCommandHigh};
    CW_ASSERT(column >= 0 && column < kColumnsPerTrack);
    return kFirst[column];
}

TCharSpan CursorChars(int pos) {
    if (pos == kPosNote) return {0, 3};
    const int digit = pos - FirstPosOfColumn(ColumnOfPos(pos));
    return {digit, digit + 1};
}

void TGridCursor::SetCursorRow(int r, int rows) {
    CW_ASSERT(rows > 0);
    row_ = Wrap(r, rows);
}

void TGridCursor::MoveCursor(int n, int channels) {
    pos_ += n % kCursorPositions;
    int trackStep = n / kCursorPositions;
    if (pos_ < 0) {
        pos_ += kCursorPositions;
        --trackStep;
    } else if (pos_ >= kCursorPositions) {
        pos_ -= kCursorPositions;
        ++trackStep;
    }
    if (trackStep != 0) MoveCursorTrack(trackStep, channels);
}

void TGridCursor::MoveCursorTrack(int n, int channels) {
    CW_ASSERT(channels > 0);
    track_ = Wrap(track_ + n % channels, channels);
}

void TGridCursor::Clamp(int rows, int channels) {
    row_ = std::clamp(row_, 0, std::max(0, rows - 1));
    track_ = std::clamp(track_, 0, std::max(0, channels - 1));
}

void TGridCursor::AdvanceCursor(int step, int rows) {
    if (step > 0) {
        SetCursorRow(row_ + step, rows);
        return;
    }
    // Within one field: high digit to low digit, and from the low digit back to the high one.
    static const int kDigitStep[kCursorPositions] = {0, +1, -1, +1, -1, +1, +1, +1, -3};
    pos_ += kDigitStep[pos_];
}

int PageUpRow(int row, int rows, int highlightStep) {
    const int step = std::max(1, highlightStep);
    if (row == 0) return ((rows - 1) / step) * step;
    return ((row - 1) / step) * step;
}

int PageDownRow(int row, int rows, int highlightStep) {
    const int step = std::max(1, highlightStep);
    const int next = (row / step + 1) * step;
    return next < rows ? next : 0;
}

bool TGridCursor::Navigate(TNavKey key, TModifiers mods, int rows, int channels,
                           int highlightStep) {
    if (mods.ctrl || mods.alt) return false;
    switch (key) {
    case TNavKey::Tab:
        MoveCursor(mods.shift ? -kCursorPositions : kCursorPositions, channels);
        return true;
    case TNavKey::Left:
        MoveCursor(-1, channels);
        return true;
    case TNavKey::Right:
        MoveCursor(+1, channels);
        return true;
    case TNavKey::Up:
        SetCursorRow(row_ - 1, rows);
        return true;
    case TNavKey::Down:
        SetCursorRow(row_ + 1, rows);
        return true;
    case TNavKey::PageUp:
        if (mods.shift) return false;
        row_ = PageUpRow(row_, rows, highlightStep);
        return true;
    case TNavKey::PageDown:
        if (mods.shift) return false;
        row_ = PageDownRow(row_, rows, highlightStep);
        return true;
    case TNavKey::Home:
        row_ = 0;
        return true;
    case TNavKey::End:
        row_ = rows - 1;
        return true;
    }
    return false;
}

void TGridScroll::ScrollRows(int delta, int rows) {
    firstRow = std::clamp(firstRow + delta, 0, std::max(0, rows - 1));
}

void TGridScroll::ScrollColumns(int delta, int channels) {
    firstColumn = std::clamp(firstColumn + delta, 1, std::max(1, channels * kColumnsPerTrack));
}

void TGridScroll::FollowRow(int r, int vis, int scrollMode, bool paged) {
    vis = std::max(1, vis);
    if (scrollMode == 1) {
        firstRow = std::max(0, r - vis / 2);
    } else if (paged) {
        firstRow = (r / vis) * vis;
    } else if (r - vis + 2 > firstRow) {
        firstRow = std::max(0, r - vis + 2);
    } else if (firstRow > r) {
        firstRow = r;
    }
}
