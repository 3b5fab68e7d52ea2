// Mouse and keys of the piano roll, and the edits it hands to the edit layer.
#include "model/notes.h"
#include "model/pattern.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "project/song_edit.h"
#include "ui/widgets/piano_roll.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

void TPianoRoll::Commit(const QString& text) {
    TCellChanges changes = model_.Cells().Take();
    if (!pattern_ || changes.empty()) return;
    for (const TCellChange& c : changes) {
        // A changed note can move the pitch of the key offs after it: repaint to the right.
        viewport()->update(QRect(QPoint(geo_.X(c.row), 0), viewport()->rect().bottomRight()));
    }
    SongEdit().ChangeCells(pattern_->Number(), std::move(changes), text, this);
    emit ChangePattern();
}

void TPianoRoll::PreviewNote(int instrument, int note) {
    TSong* song = Project().Song();
    if (!song) return;
    if (previewChannel_ >= 0) song->ReleaseNote(std::exchange(previewChannel_, -1));
    if (instrument >= 0 && instrument < song->InstrumentCount() && note >= 0 && note < kNoteCount)
        previewChannel_ = song->PlayInstrumentNote(instrument, NoteFromIndex(note));
}

void TPianoRoll::SelectAll() {
    if (!pattern_) return;
    model_.SelectAll();
    viewport()->update();
    emit ChangeSelection();
}

void TPianoRoll::DeleteSelected() {
    if (!pattern_ || model_.Selection().Count() == 0) return;
    RepaintSelection();
    model_.DeleteSelected();
    Commit("Delete Notes");
    emit ChangeSelection();
}

void TPianoRoll::MoveSelectedTrack(bool down) {
    if (!pattern_) return;
    RepaintSelection();
    model_.MoveSelectedTrack(down);
    Commit(down ? "Notes Down a Track" : "Notes Up a Track");
    RepaintSelection();
}

void TPianoRoll::SetSelectedValue(int field, int value) {
    if (!pattern_) return;
    if (field == 3 && !model_.IsInstrumentVisible(value)) viewport()->update();
    model_.SetSelectedValue(field, value);
    Commit("Note Values");
    RepaintSelection();
}

void TPianoRoll::CancelOperation() {
    if (dragMode_ == 1 || dragMode_ == 2) {
        model_.Selection().CancelDrag();
        model_.Cells().Discard();
    }
    dragMode_ = 0;
    PreviewNote(-1, 0);
    viewport()->update();
}

void TPianoRoll::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (event->button() != Qt::LeftButton || !pattern_ || dragMode_ != 0) return;
    const QPoint p = event->position().toPoint();
    if (p.x() < geo_.noteColumnWidth) {
        // The key lane auditions its note on the entry instrument.
        const int lane = p.y() / geo_.rowHeight + geo_.vertScroll;
        PreviewNote(model_.currentInstrument, lane);
        return;
    }
    const TRollPoint place = PointAt(p);
    if (!place.IsPlace()) return;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    TSelNotes& selection = model_.Selection();
    if (const std::optional<TRollHit> hit = model_.HitTest(place)) {
        RepaintSelection();
        if (shift) {
            selection.Toggle(hit->track, hit->row, hit->cell);
            emit ChangeSelection();
        } else {
            if (!selection.Contains(hit->track, hit->row, hit->cell)) {
                selection.Clear();
                selection.Toggle(hit->track, hit->row, hit->cell);
                emit ChangeSelection();
            }
            dragMode_ = ctrl ? 2 : 1;
            selection.BeginDrag(place, ctrl);
        }
        PreviewNote(hit->cell.instrument, place.note);
        RepaintSelection();
    } else if (ctrl) {
        dragMode_ = 3;
        boxFrom_ = boxTo_ = place;
        RepaintBox();
    } else if (shift) {
    } else if (selection.Count() > 0) {
        RepaintSelection();
        selection.Clear();
        emit ChangeSelection();
    } else if (model_.currentInstrument >= 0) {
        if (model_.PlaceNote(place)) Commit("Place Note");
        PreviewNote(model_.currentInstrument, place.note);
    }
}

void TPianoRoll::DragTo(TRollPoint place) {
    TSelNotes& selection = model_.Selection();
    RepaintSelection();
    if (selection.CanMoveTo(place)) {
        selection.MoveTo(place);
        viewport()->unsetCursor();
        const TSelNote& only = selection.Notes().front();
        if (selection.Count() == 1 && only.pitchChanged && IsValidNote(only.movedCell.note))
            PreviewNote(only.movedCell.instrument, NoteIndex(only.movedCell.note));
    } else {
        viewport()->setCursor(Qt::ForbiddenCursor);
    }
    RepaintSelection();
}

void TPianoRoll::ShowPointer(TRollPoint place, Qt::KeyboardModifiers modifiers) {
    if (model_.HitTest(place))
        viewport()->setCursor(Qt::PointingHandCursor);
    else if (modifiers & Qt::ControlModifier)
        viewport()->setCursor(Qt::CrossCursor);
    else if (model_.FindFreeTrack(place.row, 0, false) >= 0)
        viewport()->unsetCursor();
    else
        viewport()->setCursor(Qt::ForbiddenCursor);
}

void TPianoRoll::mouseMoveEvent(QMouseEvent* event) {
    if (!pattern_) return;
    const TRollPoint place = PointAt(event->position().toPoint());
    if (!place.IsPlace()) return;
    if (dragMode_ == 3) {
        RepaintBox();
        boxTo_ = place;
        RepaintBox();
    } else if (dragMode_ == 0) {
        ShowPointer(place, event->modifiers());
    } else {
        DragTo(place);
    }
}

void TPianoRoll::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pattern_) return;
    if (dragMode_ == 1 || dragMode_ == 2) {
        RepaintSelection();
        TSelNotes& selection = model_.Selection();
        const bool moved = selection.AnyMoved();
        const bool copy = selection.Copying();
        selection.EndDrag();
        if (moved) Commit(copy ? "Copy Notes" : "Move Notes");
        model_.Cells().Discard();
        RepaintSelection();
    } else if (dragMode_ == 3) {
        RepaintBox();
        RepaintSelection();
        model_.SelectBox(boxFrom_, boxTo_, event->modifiers() & Qt::ShiftModifier);
        RepaintSelection();
        emit ChangeSelection();
    }
    PreviewNote(-1, 0);
    dragMode_ = 0;
}

void TPianoRoll::keyPressEvent(QKeyEvent* event) {
    if (!pattern_) return QAbstractScrollArea::keyPressEvent(event);
    if (event->key() == Qt::Key_Escape) {
        if (dragMode_ != 0) {
            CancelOperation();
        } else {
            RepaintSelection();
            model_.Selection().Clear();
            emit ChangeSelection();
        }
    } else if (event->key() == Qt::Key_Delete) {
        DeleteSelected();
    } else if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TPianoRoll::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction("Delete", QKeySequence::Delete, this, &TPianoRoll::DeleteSelected);
    menu.addAction("Select All", QKeySequence::SelectAll, this, &TPianoRoll::SelectAll);
    menu.addAction("Insert Release Note");
    menu.addSeparator();
    for (const char* text : {"Cut", "Copy", "Paste"}) menu.addAction(text)->setEnabled(false);
    menu.exec(event->globalPos());
}
