// Keys, mouse and the context menu of the event grid: each is mapped to TGridEditor, and what it
// answers goes to the edit layer and to the repaint of the cells it names.
#include "edit/cell_block.h"
#include "edit/track_mutes.h"
#include "model/notes.h"
#include "model/pattern.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/key_char.h"
#include "ui/pattern_clipboard.h"
#include "ui/widgets/event_grid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

namespace {

TModifiers ModifiersOf(Qt::KeyboardModifiers modifiers) {
    return {(modifiers & Qt::ShiftModifier) != 0, (modifiers & Qt::ControlModifier) != 0,
            (modifiers & Qt::AltModifier) != 0};
}

std::optional<TNavKey> NavKeyOf(int key) {
    switch (key) {
    case Qt::Key_Up:
        return TNavKey::Up;
    case Qt::Key_Down:
        return TNavKey::Down;
    case Qt::Key_Left:
        return TNavKey::Left;
    case Qt::Key_Right:
        return TNavKey::Right;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return TNavKey::Tab;
    case Qt::Key_PageUp:
        return TNavKey::PageUp;
    case Qt::Key_PageDown:
        return TNavKey::PageDown;
    case Qt::Key_Home:
        return TNavKey::Home;
    case Qt::Key_End:
        return TNavKey::End;
    default:
        return std::nullopt;
    }
}

TEditKey EditKeyOf(const QKeyEvent& event) {
    TEditKey key;
    key.mods = ModifiersOf(event.modifiers());
    switch (event.key()) {
    case Qt::Key_Space:
        key.kind = TEditKeyKind::Space;
        break;
    case Qt::Key_Delete:
        key.kind = TEditKeyKind::Delete;
        break;
    case Qt::Key_Insert:
        key.kind = TEditKeyKind::Insert;
        break;
    case Qt::Key_Backspace:
        key.kind = TEditKeyKind::Backspace;
        break;
    default:
        key.c = UsCharOfEvent(event);
    }
    return key;
}

QString StepName(const TEditKey& key) {
    switch (key.kind) {
    case TEditKeyKind::Insert:
        return "Insert Row";
    case TEditKeyKind::Backspace:
        return "Delete Row";
    case TEditKeyKind::Delete:
        return "Clear Cell";
    default:
        return "Edit Cell";
    }
}

} // namespace

void TEventGrid::CreateMenu() {
    eventListPopup_ = new QMenu(this);
    auto add = [this](QMenu* menu, const QString& text, const char* keys, auto slot) {
        QAction* action = menu->addAction(text);
        if (keys) {
            action->setShortcut(QKeySequence(keys));
            action->setShortcutContext(Qt::WidgetShortcut);
            addAction(action);
        }
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    auto selectionChanged = [this] { viewport()->update(); };
    QMenu* expand = eventListPopup_->addMenu("Expand Selection");
    add(expand, "Select Entire Row(s)", "Ctrl+R", [this, selectionChanged] {
        editor_.selection.SelectRows(Channels());
        selectionChanged();
    });
    add(expand, "Select Entire Track(s)", "Ctrl+T", [this, selectionChanged] {
        editor_.selection.SelectTracks(Rows());
        selectionChanged();
    });
    add(expand, "Select Entire Pattern", "Ctrl+A", [this, selectionChanged] {
        editor_.selection.SelectAll(Rows(), Channels());
        selectionChanged();
    });
    add(eventListPopup_, "Cut", "Ctrl+X", [this] { CutSelection(); });
    add(eventListPopup_, "Copy", "Ctrl+C", [this] { CopySelection(); });
    add(eventListPopup_, "Paste", "Ctrl+V", [this] { PasteAtCursor(); });
    eventListPopup_->addSeparator();
    add(eventListPopup_, "Interpolate", "Ctrl+I", [this] { InterpolateSelection(); });
    QMenu* transpose = eventListPopup_->addMenu("Transpose Selection");
    add(transpose, "Up a Semitone", "Ctrl+Shift+Q", [this] { TransposeSelection(+1); });
    add(transpose, "Down a Semitone", "Ctrl+Shift+A", [this] { TransposeSelection(-1); });
    add(transpose, "Up an Octave", "Ctrl+Shift+W", [this] { TransposeSelection(+12); });
    add(transpose, "Down an Octave", "Ctrl+Shift+S", [this] { TransposeSelection(-12); });
    eventListPopup_->addSeparator();
    add(eventListPopup_, "Visual Properties...", nullptr,
        [this] { emit VisualPropertiesRequested(); });
}

void TEventGrid::contextMenuEvent(QContextMenuEvent* event) {
    if (event->pos().y() < rowHeight_) return; // a right click there solos the track
    eventListPopup_->popup(event->globalPos());
}

bool TEventGrid::focusNextPrevChild(bool /*next*/) {
    return false; // Tab moves the cursor to the next track
}

// --- Keys --------------------------------------------------------------------------------

void TEventGrid::keyPressEvent(QKeyEvent* event) {
    if (!pattern_ || !Project().Song()) {
        event->ignore();
        return;
    }
    if (NavigationKey(event)) return;
    const TModifiers mods = ModifiersOf(event->modifiers());
    if (event->key() == Qt::Key_Space && mods.None()) {
        emit PlayPauseRequested();
        return;
    }
    if (event->key() == Qt::Key_F11) {
        emit EditModeToggled();
        return;
    }
    if (!EntryKey(event)) event->ignore();
}

bool TEventGrid::NavigationKey(QKeyEvent* event) {
    const std::optional<TNavKey> key = NavKeyOf(event->key());
    if (!key) return false;
    const TGridCursor before = editor_.cursor;
    const TGridScroll scroll = editor_.scroll;
    const bool selecting = editor_.selection.Active();
    const TModifiers mods = ModifiersOf(event->modifiers());
    if (!editor_.NavKey(*key, mods, Rows(), Channels())) return true;
    if (scroll.firstRow != editor_.scroll.firstRow ||
        scroll.firstColumn != editor_.scroll.firstColumn)
        ApplyScroll();
    if (mods.shift && (selecting || editor_.selection.Active())) {
        shiftSelecting_ = true;
        viewport()->update();
    }
    if (!(editor_.cursor == before))
        AfterCursorMove(before, before.CursorRow() != editor_.cursor.CursorRow());
    return true;
}

bool TEventGrid::EntryKey(QKeyEvent* event) {
    const TEditKey key = EditKeyOf(*event);
    editor_.entry.baseOctave = BaseOctave();
    editor_.entry.holdRow = FollowingPlayback();
    const TGridCursor before = editor_.cursor;
    const int stepBefore = editor_.entry.step;
    const TEntryResult result = editor_.Key(*pattern_, key);
    if (result.step != stepBefore) emit StepChanged(result.step);
    if (!result.changes.empty()) {
        if (result.wholeTrack)
            RepaintTrack(before.CursorTrack());
        else
            RepaintChanges(result.changes);
        Apply(result.changes, StepName(key));
    }
    if (result.refused) QApplication::beep();
    if (!(editor_.cursor == before))
        AfterCursorMove(before, before.CursorRow() != editor_.cursor.CursorRow());
    else if (result.acted)
        emit CursorChanged();
    return result.acted || result.refused || result.step != stepBefore;
}

bool TEventGrid::EnterPlayedNote(uint8_t note, int volume, int& track, int& row) {
    if (!pattern_) return false;
    editor_.entry.holdRow = FollowingPlayback();
    const TGridCursor before = editor_.cursor;
    track = before.CursorTrack();
    row = before.CursorRow();
    const TEntryResult result = editor_.PlayedNote(*pattern_, note, volume);
    if (result.changes.empty()) return false;
    RepaintChanges(result.changes);
    Apply(result.changes, "Enter Note");
    if (!(editor_.cursor == before))
        AfterCursorMove(before, before.CursorRow() != editor_.cursor.CursorRow());
    else
        emit CursorChanged();
    return true;
}

void TEventGrid::EnterKeyOff(int track, int row) {
    if (!pattern_) return;
    TCellChanges changes = KeyOffChanges(*pattern_, track, row);
    if (changes.empty()) return;
    RepaintChanges(changes);
    Apply(std::move(changes), "Enter Key Off");
}

int TEventGrid::CursorRow() const {
    return editor_.cursor.CursorRow();
}

void TEventGrid::keyReleaseEvent(QKeyEvent* event) {
    // Shift may come up before the arrow key: the first release after a Shift move also counts.
    const bool shiftHeld = (event->modifiers() & Qt::ShiftModifier) != 0;
    if ((shiftHeld || std::exchange(shiftSelecting_, false)) && editor_.selection.Active()) {
        editor_.FinishSelection(Channels());
        viewport()->update();
    }
    event->ignore();
}

void TEventGrid::Apply(TCellChanges changes, const QString& text) {
    if (!pattern_ || changes.empty()) return;
    SongEdit().ChangeCells(pattern_->Number(), std::move(changes), text, this);
}

// --- Cursor ------------------------------------------------------------------------------

void TEventGrid::SetCursorRow(int row) {
    if (!pattern_) return;
    const TGridCursor before = editor_.cursor;
    editor_.cursor.SetCursorRow(row, Rows());
    if (editor_.cursor == before) return;
    AfterCursorMove(before, true);
}

void TEventGrid::SetCursor(const TGridCursor& cursor) {
    const TGridCursor before = editor_.cursor;
    editor_.cursor = cursor;
    if (pattern_) editor_.cursor.Clamp(Rows(), Channels());
    AfterCursorMove(before, true);
}

void TEventGrid::AfterCursorMove(const TGridCursor& before, bool rowMoved) {
    if (rowMoved) {
        RepaintRow(before.CursorRow());
        ScrollToRow(editor_.cursor.CursorRow());
        RepaintRow(editor_.cursor.CursorRow());
    } else {
        RepaintCursorCell(before);
        RepaintCursorCell(editor_.cursor);
    }
    ScrollToCursorTrack();
    emit CursorChanged();
}

bool TEventGrid::FollowingPlayback() const {
    return followSongRow_ && Project().Song() && Project().Song()->Playing();
}

void TEventGrid::ScrollToRow(int row) {
    if (!pattern_) return;
    editor_.scroll.FollowRow(row, VisibleRows(), visuals_.scrollMode, FollowingPlayback());
    editor_.scroll.firstRow = std::clamp(editor_.scroll.firstRow, 0, std::max(0, Rows() - 1));
    ApplyScroll();
}

void TEventGrid::ScrollToCursorTrack() {
    if (!pattern_ || columnX_.size() < 2) return;
    const int track = editor_.cursor.CursorTrack();
    const int first = GridColumn(track, kColumnNote);
    const int last = GridColumn(track, kColumnEffect);
    if (first < editor_.scroll.firstColumn) {
        editor_.scroll.firstColumn = first;
    } else {
        const int width = viewport()->width();
        while (editor_.scroll.firstColumn < first && CellRect(0, last).right() >= width)
            ++editor_.scroll.firstColumn;
    }
    ApplyScroll();
}

// --- Mouse -------------------------------------------------------------------------------

void TEventGrid::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    TSong* song = Project().Song();
    if (!pattern_ || !song || HeaderPress(event)) return;
    if (event->button() != Qt::LeftButton || FollowingPlayback()) return;
    if (previewChannel_ >= 0) song->StopNote(std::exchange(previewChannel_, -1));
    const QPoint point = event->position().toPoint();
    const TGridCursor before = editor_.cursor;
    const bool hadSelection = editor_.selection.Active();
    if (!editor_.MousePress(PatternRowAt(point.y()), GridColumnAt(point.x()), Rows(), Channels()))
        return;
    mouseSelecting_ = true;
    if (hadSelection) viewport()->update();
    AfterCursorMove(before, true);
    const TGridCursor& cursor = editor_.cursor;
    if ((event->modifiers() & Qt::ControlModifier) && cursor.Column() == kColumnNote) {
        const TCell cell = pattern_->GetCell(cursor.CursorTrack(), cursor.CursorRow());
        if (IsValidNote(cell.note) && cell.instrument < song->InstrumentCount())
            previewChannel_ = song->PlayInstrumentNote(cell.instrument, cell.note);
    }
}

bool TEventGrid::HeaderPress(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (point.y() >= rowHeight_) return false;
    TSong* song = Project().Song();
    const int column = GridColumnAt(point.x());
    if (column < 1 || TrackOfGridColumn(column) >= song->ChannelCount()) return true;
    const int track = TrackOfGridColumn(column);
    if (event->button() == Qt::LeftButton) {
        song->Channels(track)->SetMuted(!song->Channels(track)->Muted);
    } else if (event->button() == Qt::RightButton) {
        std::vector<bool> muted;
        for (int t = 0; t < song->ChannelCount(); ++t) muted.push_back(song->Channels(t)->Muted);
        const std::vector<bool> solo = SoloMutes(muted, track);
        for (int t = 0; t < song->ChannelCount(); ++t)
            if (solo[size_t(t)] != muted[size_t(t)]) song->Channels(t)->SetMuted(solo[size_t(t)]);
    } else {
        return true;
    }
    // Playback state, not an edit: every view showing mutes looks again.
    EventManager().Dispatch<EvChannelMuteChange>();
    return true;
}

void TEventGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!mouseSelecting_ || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint point = event->position().toPoint();
    int column = GridColumnAt(point.x());
    if (column < 0) column = int(columnX_.size()) - 2;
    editor_.MouseDrag(PatternRowAt(point.y()), std::max(1, column), Rows(), Channels());
    viewport()->update();
}

void TEventGrid::mouseReleaseEvent(QMouseEvent* /*event*/) {
    if (mouseSelecting_) {
        mouseSelecting_ = false;
        editor_.FinishSelection(Channels());
        viewport()->update();
    }
    if (previewChannel_ >= 0 && Project().Song())
        Project().Song()->ReleaseNote(std::exchange(previewChannel_, -1));
}

void TEventGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    TSong* song = Project().Song();
    if (!pattern_ || !song) return;
    mousePressEvent(event);
    const TGridCursor& cursor = editor_.cursor;
    if (cursor.Column() != kColumnInstrument) return;
    const int instrument = pattern_->Instrument(cursor.CursorTrack(), cursor.CursorRow());
    if (instrument != kInstrumentNone && instrument < song->InstrumentCount())
        emit InstrumentPicked(instrument);
}

// --- Block commands ----------------------------------------------------------------------

void TEventGrid::CopySelection() {
    if (!pattern_ || !editor_.selection.Active()) return;
    const TBlock block = editor_.Copy(*pattern_);
    if (!block.IsEmpty()) PatternClipboard::PutBlock(block);
}

void TEventGrid::CutSelection() {
    if (!pattern_ || !editor_.selection.Active()) return;
    TBlock block;
    TCellChanges changes = editor_.Cut(*pattern_, block);
    if (block.IsEmpty()) return;
    PatternClipboard::PutBlock(block);
    Apply(std::move(changes), "Cut");
    viewport()->update();
}

void TEventGrid::PasteAtCursor() {
    if (!pattern_) return;
    const std::optional<TBlock> block = PatternClipboard::TakeBlock();
    if (!block || block->IsEmpty()) return;
    Apply(editor_.Paste(*pattern_, *block), "Paste");
    viewport()->update();
}

void TEventGrid::TransposeSelection(int semitones) {
    if (!pattern_) return;
    Apply(editor_.TransposeSelection(*pattern_, semitones), "Transpose");
    viewport()->update();
}

void TEventGrid::InterpolateSelection() {
    if (!pattern_) return;
    std::optional<TCellChanges> changes = editor_.Interpolate(*pattern_);
    if (!changes) {
        QApplication::beep();
        return;
    }
    Apply(std::move(*changes), "Interpolate");
    viewport()->update();
}
