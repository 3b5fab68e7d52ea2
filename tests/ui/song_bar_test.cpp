#include "main_form_fixture.h"
#include "ui/widgets/order_grid.h"
#include "ui/widgets/repeat_button.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

class SongBarTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowWithModule("finalman-quickie.xm");
    }

    QString Cell(int column) const { return form->layoutGrid->item(0, column)->text(); }

    // Types into the cell as the user does: open its editor, replace the text, commit.
    void TypeIntoCell(int column, const QString& text) {
        form->layoutGrid->setCurrentCell(0, column);
        form->layoutGrid->editItem(form->layoutGrid->item(0, column));
        auto* editor = form->layoutGrid->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Tab); // commits and moves on, as leaving the cell does
        // The closed editor goes only later; it must not be found by the next edit.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

TEST_F(SongBarTest, LoadingWritesBackOnlyTheNameAndTheSpeed) {
    // Values the song rejects or could not keep would show up as differences after a load.
    EXPECT_EQ(Song()->ChannelCount(), 8);
    EXPECT_EQ(Song()->Tempo(), 120);
    EXPECT_EQ(Song()->RestartPosition(), 5);
    EXPECT_EQ(recorder->Count(typeid(EvTrackCountChange)), 0);
    // The user's changes are written.
    form->tempoSpin->setValue(140);
    EXPECT_EQ(Song()->Tempo(), 140);
    form->speedSpin->setValue(4);
    EXPECT_EQ(Song()->Speed(), 4);
    form->songNameEd->setText("renamed");
    EXPECT_EQ(Song()->Name(), "renamed");
    form->chanSpin->setValue(12);
    EXPECT_EQ(Song()->ChannelCount(), 12);
    EXPECT_EQ(recorder->Count(typeid(EvTrackCountChange)), 1);
}

TEST_F(SongBarTest, ARestartPositionAtTheSongLengthIsRefused) {
    const int length = Song()->SongLength();
    QLineEdit* edit = form->restartSpin->findChild<QLineEdit*>();
    edit->selectAll();
    QTest::keyClicks(edit, QString::number(length));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_LT(Song()->RestartPosition(), length);
    EXPECT_EQ(form->restartSpin->value(), Song()->RestartPosition());
    form->restartSpin->setValue(length - 1);
    EXPECT_EQ(Song()->RestartPosition(), length - 1);
    // A new position raises the limit; deleting it lowers it again.
    form->layoutGrid->setCurrentCell(0, 0);
    form->insBtn->click();
    form->restartSpin->setValue(length);
    EXPECT_EQ(Song()->RestartPosition(), length);
}

TEST_F(SongBarTest, OrderGridShowsEveryPositionAndTakesValidPatternNumbers) {
    ASSERT_EQ(form->layoutGrid->columnCount(), Song()->SongLength());
    for (int position = 0; position < Song()->SongLength(); ++position)
        EXPECT_EQ(Cell(position).toInt(), Song()->Orders(position));
    const int old = Song()->Orders(2);
    TypeIntoCell(2, QString::number(Song()->PatternCount()));
    EXPECT_EQ(Song()->Orders(2), old);
    EXPECT_EQ(Cell(2), QString::number(old));
    TypeIntoCell(2, "x1");
    EXPECT_EQ(Cell(2), QString::number(old));
    TypeIntoCell(2, QString::number(Song()->PatternCount() - 1));
    EXPECT_EQ(Song()->Orders(2), Song()->PatternCount() - 1);
    form->layoutGrid->item(0, 2)->setText(""); // an emptied cell counts as pattern 0
    EXPECT_EQ(Song()->Orders(2), 0);
    EXPECT_EQ(Cell(2), "0");
}

TEST_F(SongBarTest, SteppingThePatternNumberWrapsBothWays) {
    form->layoutGrid->setCurrentCell(0, 1);
    ASSERT_EQ(Song()->CurrentPosition(), 1);
    Song()->SetOrders(1, 0);
    form->decOrderBtn->click();
    EXPECT_EQ(Song()->Orders(1), Song()->PatternCount() - 1);
    EXPECT_EQ(Cell(1).toInt(), Song()->PatternCount() - 1);
    form->incOrderBtn->click();
    EXPECT_EQ(Song()->Orders(1), 0);
    EXPECT_EQ(Cell(1), "0");
}

TEST_F(SongBarTest, SelectingAColumnMovesTheSongAndAnnouncesIt) {
    recorder->names.clear();
    form->layoutGrid->setCurrentCell(0, 7);
    EXPECT_EQ(Song()->CurrentPosition(), 7);
    EXPECT_EQ(recorder->Count(typeid(EvSongPosChange)), 1);
    EXPECT_TRUE(form->posPanel->text().startsWith("7: "));
    // Playback moving on selects the column without announcing again.
    recorder->names.clear();
    form->nxtOrderBtnClick();
    EXPECT_EQ(form->layoutGrid->currentColumn(), 8);
    EXPECT_EQ(recorder->Count(typeid(EvSongPosChange)), 1);
}

TEST_F(SongBarTest, PlaybackDoesNotMoveTheSelectionWhileTheUserEditsACell) {
    form->layoutGrid->setCurrentCell(0, 2);
    form->layoutGrid->editItem(form->layoutGrid->item(0, 2));
    ASSERT_TRUE(form->layoutGrid->Editing());
    form->nxtOrderBtnClick();
    EXPECT_EQ(Song()->CurrentPosition(), 3);
    EXPECT_EQ(form->layoutGrid->currentColumn(), 2);
}

TEST_F(SongBarTest, InsertAndDeletePositionsRefillTheGrid) {
    const int length = Song()->SongLength();
    form->layoutGrid->setCurrentCell(0, 3);
    const int pattern = Song()->Orders(3);
    form->insBtn->click();
    EXPECT_EQ(Song()->SongLength(), length + 1);
    EXPECT_EQ(form->layoutGrid->columnCount(), length + 1);
    EXPECT_EQ(Cell(4).toInt(), pattern);
    EXPECT_EQ(recorder->Count(typeid(EvInsertPosition)), 1);
    form->delBtn->click();
    EXPECT_EQ(form->layoutGrid->columnCount(), length);
    EXPECT_EQ(recorder->Count(typeid(EvDeletePosition)), 1);
}

TEST_F(SongBarTest, DeletingTheOnlyPositionKeepsItAndRecordsNoStep) {
    form->OpenModule(CliPath().parent_path().append("defmodule.xm").string());
    ASSERT_EQ(Song()->SongLength(), 1);
    recorder->names.clear();
    form->delBtn->click();
    EXPECT_EQ(Song()->SongLength(), 1);
    EXPECT_EQ(form->layoutGrid->columnCount(), 1);
    EXPECT_FALSE(form->undoAct->isEnabled());
    EXPECT_EQ(form->windowTitle(), "Cantorwright - Untitled");
}

TEST_F(SongBarTest, ScrollButtonsMoveTheFirstVisibleColumnWithinTheSong) {
    form->resize(600, 700); // fewer columns visible than the song's 25 positions
    QTest::qWait(20);
    form->UpdateScrollButtons();
    EXPECT_FALSE(form->ordLeftBtn->isEnabled());
    ASSERT_TRUE(form->ordRightBtn->isEnabled());
    int steps = 0;
    while (form->ordRightBtn->isEnabled() && steps < 100) {
        form->ordRightBtn->click();
        ++steps;
    }
    EXPECT_GT(steps, 0);
    EXPECT_LT(steps, Song()->SongLength());
    EXPECT_TRUE(form->ordLeftBtn->isEnabled());
    for (int i = 0; i < steps; ++i) form->ordLeftBtn->click();
    EXPECT_FALSE(form->ordLeftBtn->isEnabled());
}

TEST_F(SongBarTest, TheWindowKeepsAMinimumAndTheOrderListGrowsWithItsWidth) {
    form->resize(100, 100);
    QTest::qWait(20);
    EXPECT_GE(form->width(), form->minimumWidth());
    EXPECT_GE(form->minimumWidth(), 700);
    EXPECT_GE(form->minimumHeight(), 400);
    form->resize(1100, 720);
    QTest::qWait(20);
    const int narrow = form->layoutGrid->VisibleCells();
    form->resize(1500, 720);
    QTest::qWait(20);
    EXPECT_GT(form->layoutGrid->VisibleCells(), narrow);
    EXPECT_EQ(form->layoutGrid->horizontalHeaderItem(10)->text(), "0A");
    // The cells share the width out: what is left over is less than one more cell would need.
    const int leftover = form->layoutGrid->viewport()->width() -
                         form->layoutGrid->VisibleCells() * form->layoutGrid->CellWidth();
    EXPECT_LT(leftover, form->layoutGrid->VisibleCells());
}
