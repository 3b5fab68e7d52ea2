// The piano roll in the pattern window over the real engine: mouse edits as single history
// steps, and the roll and the grids of every window kept in step.
#include "model/notes.h"
#include "model/song.h"
#include "paint_log.h"
#include "pattern_windows_fixture.h"
#include "ui/widgets/event_grid.h"
#include "ui/widgets/piano_roll.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/pattern_form.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTabWidget>

namespace {

class PianoRollTest : public PianoRollWindowTest {
protected:
    void Press(TRollPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mousePress(roll->viewport(), Qt::LeftButton, mods, roll->Centre(at));
    }
    void Move(TRollPoint to) { QTest::mouseMove(roll->viewport(), roll->Centre(to)); }
    void Release(TRollPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseRelease(roll->viewport(), Qt::LeftButton, mods, roll->Centre(at));
    }
    void Click(TRollPoint at) {
        Press(at);
        Release(at);
    }
};

} // namespace

TEST_F(PianoRollTest, ADragIsOneStepThatUndoesAndRedoes) {
    pf->prefTrackEd->SetValue(3);
    emit pf->prefTrackEd->UserChanged(3);
    Click({48, 2});
    ASSERT_EQ(pattern->Note(3, 2), NoteFromIndex(48)) << "placed on the preferred track";
    Click({50, 4});
    ASSERT_EQ(pattern->Note(3, 4), NoteFromIndex(50));
    QTest::keyClick(roll, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(pf->selObPanel->text(), "2 selected notes");

    Press({48, 2});
    Move({49, 3});
    Move({49, 5});
    EXPECT_EQ(pattern->Note(3, 2), NoteFromIndex(48)) << "the song waits for the drop";
    Release({49, 5});
    EXPECT_EQ(pattern->Note(3, 5), NoteFromIndex(49));
    EXPECT_EQ(pattern->Note(3, 7), NoteFromIndex(51));
    EXPECT_TRUE(pattern->IsCellEmpty(3, 2));
    EXPECT_TRUE(pattern->IsCellEmpty(3, 4));

    SongEdit().Undo();
    EXPECT_EQ(pattern->Note(3, 2), NoteFromIndex(48));
    EXPECT_EQ(pattern->Note(3, 4), NoteFromIndex(50));
    EXPECT_TRUE(pattern->IsCellEmpty(3, 5));
    EXPECT_TRUE(pattern->IsCellEmpty(3, 7));
    EXPECT_EQ(pf->selObPanel->text(), "0 selected notes");
    SongEdit().Redo();
    EXPECT_EQ(pattern->Note(3, 5), NoteFromIndex(49));
    EXPECT_EQ(pattern->Note(3, 7), NoteFromIndex(51));
}

TEST_F(PianoRollTest, EscapeAndCtrlDragInPlaceLeaveTheSongAlone) {
    Click({48, 2});
    ASSERT_EQ(pattern->Note(0, 2), NoteFromIndex(48));
    const int steps = SongEdit().HistoryIndex();
    Press({48, 2}, Qt::ControlModifier);
    Move({52, 6});
    Move({48, 2});
    Release({48, 2}, Qt::ControlModifier);
    EXPECT_EQ(SongEdit().HistoryIndex(), steps);
    Press({48, 2});
    Move({44, 9});
    QTest::keyClick(roll, Qt::Key_Escape);
    Release({44, 9});
    EXPECT_EQ(pattern->Note(0, 2), NoteFromIndex(48));
    EXPECT_EQ(pattern->GetCell(0, 2).param, 0);
    for (int t = 0; t < pattern->TrackCount(); ++t) EXPECT_TRUE(pattern->IsCellEmpty(t, 9));
    EXPECT_EQ(SongEdit().HistoryIndex(), steps);
}

TEST_F(PianoRollTest, GridsAndRollsOfTwoWindowsAgreeAtOnce) {
    form->NewPatternEditorClick();
    ASSERT_EQ(Forms().size(), 2u);
    TPatternForm* other = Forms().back();
    other->patternListBox->setCurrentRow(pattern->Number());
    ASSERT_EQ(other->ShownPattern(), pattern);
    other->editorPages->setCurrentWidget(other->eventListSheet);
    QTest::qWait(30);
    ASSERT_TRUE(other->Grid()->isVisible()) << "the other window shows its grid";
    // The grid of the roll's own window, on the page behind the roll.
    const auto ownGridCell = [&](int track, int row) {
        pf->editorPages->setCurrentWidget(pf->eventListSheet);
        QTest::qWait(20);
        const QImage cell =
            pf->Grid()->viewport()->grab(pf->Grid()->TrackRowRect(track, row)).toImage();
        pf->editorPages->setCurrentWidget(pf->pianoRollSheet);
        QTest::qWait(20);
        return cell;
    };
    const QImage emptyCell = ownGridCell(0, 2);
    QTest::qWait(30);
    PaintLog otherGrid(other->Grid()->viewport());

    Click({48, 2});
    ASSERT_EQ(pattern->Note(0, 2), NoteFromIndex(48));
    QTest::qWait(30);
    EXPECT_TRUE(otherGrid.region.contains(other->Grid()->TrackRowRect(0, 2)))
        << "the other window's grid redraws the cell";
    EXPECT_TRUE(other->Roll()->Model().HitTest({48, 2}).has_value());
    EXPECT_NE(ownGridCell(0, 2), emptyCell) << "the roll's own grid shows the note";
    SongEdit().Undo();
    EXPECT_EQ(ownGridCell(0, 2), emptyCell);
    SongEdit().Redo();

    // The reverse: a grid edit shows in both rolls, and the selected note follows its cell.
    QTest::keyClick(roll, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(roll->Model().Selection().Count(), 1);
    QTest::qWait(30);
    PaintLog ownRoll(roll->viewport());
    TCell cell = pattern->GetCell(0, 2);
    cell.note = NoteFromIndex(55);
    SongEdit().ChangeCells(pattern->Number(), {{0, 2, pattern->GetCell(0, 2), cell}}, "Set",
                           other->Grid());
    QTest::qWait(30);
    const QPoint at = roll->Centre({55, 2});
    EXPECT_TRUE(ownRoll.region.contains(at)) << "the roll redraws the new pitch";
    EXPECT_TRUE(ownRoll.region.contains(roll->Centre({48, 2}))) << "and the old one";
    ASSERT_EQ(roll->Model().Selection().Count(), 1);
    EXPECT_EQ(roll->Model().Selection().Notes()[0].homeCell, cell);
    EXPECT_EQ(pf->selObPanel->text(), "1 selected notes");
    EXPECT_TRUE(roll->Model().HitTest({55, 2}).has_value());
    EXPECT_TRUE(other->Roll()->Model().HitTest({55, 2}).has_value());
    EXPECT_FALSE(other->Roll()->Model().HitTest({48, 2}).has_value());
    // A drag of the reselected note moves what the cell holds now.
    Press({55, 2});
    Move({55, 4});
    Release({55, 4});
    EXPECT_EQ(pattern->Note(0, 4), NoteFromIndex(55));
    EXPECT_TRUE(pattern->IsCellEmpty(0, 2));
}

TEST_F(PianoRollTest, ValueBoxesChangeTheSelectionInOneStep) {
    Click({48, 2});
    Click({40, 6});
    QTest::keyClick(roll, Qt::Key_A, Qt::ControlModifier);
    const int steps = SongEdit().HistoryIndex();
    pf->effectBox->setCurrentIndex(0x0C);
    emit pf->effectBox->activated(0x0C);
    EXPECT_EQ(pattern->Command(0, 2), 0x0C);
    EXPECT_EQ(pattern->Command(0, 6), 0x0C);
    EXPECT_EQ(SongEdit().HistoryIndex(), steps + 1);
    QTest::keyClick(roll, Qt::Key_Delete);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 2));
    EXPECT_TRUE(pattern->IsCellEmpty(0, 6));
    EXPECT_EQ(SongEdit().HistoryIndex(), steps + 2);
    SongEdit().Undo();
    EXPECT_EQ(pattern->Command(0, 6), 0x0C);
}

TEST_F(PianoRollTest, ScrollRangesFollowTheZoom) {
    roll->resize(600 + roll->width() - roll->viewport()->width(), roll->height());
    QTest::qWait(10);
    const int width = roll->viewport()->width();
    EXPECT_EQ(roll->horizontalScrollBar()->maximum(), 64 - (width - 20) / 16);
    roll->SetColWidth(4);
    EXPECT_EQ(roll->horizontalScrollBar()->maximum(), std::max(0, 64 - (width - 20) / 4));
}
