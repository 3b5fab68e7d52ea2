#include "model/pattern.h"

#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/song.h"

#include <cstring>

bool TCell::IsEmpty() const {
    return note == kNoteNone && instrument == kInstrumentNone && volume == kVolumeNone &&
           command == 0 && param == 0;
}

TPattern::TPattern(TSong* song, int number) : song_(song), number_(number), packed_(true) {
    CW_ASSERT(song);
    Unpack();
}

TPattern::TPattern(uint8_t* block) : record_(reinterpret_cast<PatternRecord*>(block)) {}

TPattern::~TPattern() {
    if (!song_) return;
    try {
        Pack();
    } catch (const EZException&) {
        // The song is going away; a pattern that cannot be packed is freed with the module.
    }
}

void TPattern::Unpack() {
    if (packed_) CheckAudio(PLYRdecompressPattern(song_->Module(), number_));
    record_ = song_->Module()->patterns[number_];
    packed_ = false;
}

void TPattern::Pack() {
    if (!packed_) CheckAudio(PLYRcompressPattern(song_->Module(), number_));
    record_ = song_->Module()->patterns[number_];
    packed_ = true;
}

int TPattern::TrackCount() const {
    return song_ ? song_->ChannelCount() : int(record_->word0 & 0xFFFF);
}

const uint8_t* TPattern::CellAt(int track, int row) const {
    CW_ASSERT(!packed_);
    CW_ASSERT(row >= 0 && row < RowCount());
    CW_ASSERT(track >= 0 && track < TrackCount());
    return record_->data + size_t(row) * RowStride(TrackCount()) + size_t(track) * kCellSize;
}

uint8_t* TPattern::CellAt(int track, int row) {
    return const_cast<uint8_t*>(static_cast<const TPattern*>(this)->CellAt(track, row));
}

void TPattern::SetByte(int track, int row, int byte, uint8_t value) {
    FieldStore(CellAt(track, row)[byte], value);
}

void TPattern::SetRowCount(int n) {
    CW_ASSERT(n >= 1 && n <= kMaxRows);
    if (n == RowCount()) return;
    const bool restart = song_ && song_->Playing() && song_->CurrentPattern() == number_;
    if (restart) song_->Stop();
    {
        EngineLock lock;
        // Rows above the count are kept empty, so growing again shows empty rows.
        for (int r = n; r < RowCount(); ++r)
            for (int t = 0; t < TrackCount(); ++t) ClearCell(t, r);
        FieldStore(record_->rowCount, n);
    }
    if (restart) song_->Resume();
}

TCell TPattern::GetCell(int track, int row) const {
    const uint8_t* c = CellAt(track, row);
    return TCell{c[0], c[1], c[2], c[3], c[4], c[5]};
}

void TPattern::SetCell(int track, int row, const TCell& cell) {
    EngineLock lock;
    uint8_t* c = CellAt(track, row);
    c[kCellNote] = cell.note;
    c[kCellInstrument] = cell.instrument;
    c[kCellVolume] = cell.volume;
    c[kCellCommand] = cell.command;
    c[kCellParam] = cell.param;
}

void TPattern::ClearCell(int track, int row) {
    SetCell(track, row, TCell{});
}

void TPattern::MoveCell(int track, int from, int to) {
    const TCell cell = GetCell(track, from);
    ClearCell(track, from);
    SetCell(track, to, cell);
}

void TPattern::InsertRow(int track, int row) {
    CW_ASSERT(row >= 0 && row < RowCount() && track >= 0 && track < TrackCount());
    EngineLock lock;
    for (int r = RowCount() - 1; r > row; --r) SetCell(track, r, GetCell(track, r - 1));
    ClearCell(track, row);
}

void TPattern::DeleteRow(int track, int row) {
    CW_ASSERT(row >= 0 && row < RowCount() && track >= 0 && track < TrackCount());
    EngineLock lock;
    for (int r = row; r < RowCount() - 1; ++r) SetCell(track, r, GetCell(track, r + 1));
    ClearCell(track, RowCount() - 1);
}

bool TPattern::ExpandRows() {
    const int old = RowCount();
    if (old > 128) return false;
    EngineLock lock;
    FieldStore(record_->rowCount, old * 2);
    for (int t = 0; t < TrackCount(); ++t) {
        for (int r = old; r < 2 * old; ++r) ClearCell(t, r);
        for (int r = old - 1; r >= 0; --r) MoveCell(t, r, 2 * r);
    }
    return true;
}

bool TPattern::ShrinkRows(bool checkOnly) {
    const int rows = RowCount();
    if (rows <= 1) return false;
    if (checkOnly) {
        for (int t = 0; t < TrackCount(); ++t)
            for (int r = 1; r < rows; r += 2)
                if (!IsCellEmpty(t, r)) return true;
        return false;
    }
    EngineLock lock;
    for (int t = 0; t < TrackCount(); ++t)
        for (int r = 0; r < rows; r += 2) MoveCell(t, r, r / 2);
    // With an odd count the last even row's event lands just beyond the new count; rows above
    // the count are kept empty.
    for (int t = 0; t < TrackCount(); ++t)
        for (int r = rows / 2; r < rows; ++r) ClearCell(t, r);
    FieldStore(record_->rowCount, rows / 2);
    return true;
}
