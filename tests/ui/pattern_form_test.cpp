// The pattern editor window over the real engine: entry as the user types it, the pattern
// list and row tools, the range tools, the clipboard, undo, and what each edit repaints.
#include "model/notes.h"
#include "model/song.h"
#include "paint_log.h"
#include "pattern_windows_fixture.h"
#include "ui/widgets/choice_group.h"
#include "ui/widgets/color_button.h"
#include "ui/widgets/event_grid.h"
#include "ui/widgets/repeat_button.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/env_dlg.h"
#include "ui/windows/inst_form.h"
#include "ui/windows/pattern_form.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// What a cell shows, without the engine's own byte.
std::array<int, 5> Fields(const TCell& cell) {
    return {cell.note, cell.instrument, cell.volume, cell.command, cell.param};
}

class PatternFormTest : public PatternWindowsTest {
protected:
    void SetUp() override {
        PatternWindowsTest::SetUp();
        ShowFirstPatternWindow();
        if (HasFatalFailure()) return;
        grid = pf->Grid();
    }

    // A new empty pattern at the end, shown by every pattern window.
    TPattern* EmptyPattern() {
        const int index = Song()->PatternCount();
        SongEdit().InsertPattern(index, false);
        EXPECT_EQ(pf->ShownPattern(), Song()->Patterns(index));
        return Song()->Patterns(index);
    }

    static void Settle() { QTest::qWait(30); }

    // Waits until the paints saw a paint and the grid is quiet again.
    static QRegion PaintedAfter(PaintLog& paints, const std::function<void()>& action) {
        Settle();
        paints.region = QRegion();
        action();
        WaitFor([&] { return !paints.region.isEmpty(); }, 1000);
        Settle();
        return paints.region;
    }

    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(grid, Qt::Key(key), mods);
    }

    // A key as an X11 keyboard with another layout reports it: the label's key, the position's
    // keycode.
    void PhysicalKey(int labelKey, const QString& text, quint32 keycode) {
        QKeyEvent press(QEvent::KeyPress, labelKey, Qt::NoModifier, keycode, 0, 0, text);
        QApplication::sendEvent(grid, &press);
        QKeyEvent release(QEvent::KeyRelease, labelKey, Qt::NoModifier, keycode, 0, 0, text);
        QApplication::sendEvent(grid, &release);
    }

    void SetCell(TPattern* pattern, int track, int row, uint8_t note, uint8_t instrument) {
        TCell cell = pattern->GetCell(track, row);
        cell.note = note;
        cell.instrument = instrument;
        SongEdit().ChangeCells(pattern->Number(),
                               {{track, row, pattern->GetCell(track, row), cell}}, "Set");
    }

    TEventGrid* grid = nullptr;
};

} // namespace

TEST_F(PatternFormTest, NoteKeysEnterByBaseOctaveAndOutOfRangeKeysEnterNothing) {
    TPattern* pattern = EmptyPattern();
    grid->setFocus();
    grid->SetCursor({0, 0, kPosNote});
    Key(Qt::Key_Z);
    EXPECT_EQ(pattern->Note(0, 0), 0x40);
    EXPECT_EQ(pattern->Instrument(0, 0), 0);
    EXPECT_EQ(grid->Editor().cursor.CursorRow(), 1) << "step 1 moves the cursor down";
    EXPECT_EQ(pf->instLabel->text(), "[none]") << "the labels describe the cell under the cursor";
    Key(Qt::Key_Up);
    EXPECT_EQ(pf->instLabel->text().left(3), "0: ");
    Key(Qt::Key_Down);

    BaseOctave() = 7;
    for (int key : {Qt::Key_I, Qt::Key_9, Qt::Key_O, Qt::Key_0, Qt::Key_P}) Key(key);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 1));
    EXPECT_EQ(grid->Editor().cursor.CursorRow(), 1) << "an invalid note leaves the cursor";
    BaseOctave() = 4;

    // Edit mode off (F11) enters nothing; on again it does.
    Key(Qt::Key_F11);
    EXPECT_FALSE(pf->toggleEditBtn->isChecked());
    Key(Qt::Key_X);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 1));
    Key(Qt::Key_F11);
    Key(Qt::Key_X);
    EXPECT_EQ(pattern->Note(0, 1), 0x42);
}

TEST_F(PatternFormTest, NoteKeysGoByPositionOnAzertyAndDvorak) {
    TPattern* pattern = EmptyPattern();
    grid->setFocus();
    pf->addEdit->SetValue(0);
    struct Case {
        int labelKey;
        const char* label;
        quint32 keycode;
        uint8_t note;
    };
    // AZERTY prints W, S and A on the US Z, S and Q keys; Dvorak ;, O and '.
    const Case cases[] = {
        {Qt::Key_W, "w", 52, 0x40}, {Qt::Key_S, "s", 39, 0x41},
        {Qt::Key_A, "a", 24, 0x50}, {Qt::Key_Semicolon, ";", 52, 0x40},
        {Qt::Key_O, "o", 39, 0x41}, {Qt::Key_Apostrophe, "'", 24, 0x50},
    };
    int row = 0;
    for (const Case& c : cases) {
        grid->SetCursor({row, 0, kPosNote});
        PhysicalKey(c.labelKey, c.label, c.keycode);
        EXPECT_EQ(pattern->Note(0, row), c.note) << c.label;
        ++row;
    }
}

TEST_F(PatternFormTest, HexEntryWithStepZeroWalksTheDigitsAndRefusesUnknownEffects) {
    TPattern* pattern = EmptyPattern();
    grid->setFocus();
    pf->addEdit->SetValue(0);
    grid->SetCursor({2, 1, kPosInstrumentHigh});
    Key(Qt::Key_8);
    Key(Qt::Key_0);
    EXPECT_EQ(pattern->Instrument(1, 2), 0x80);
    EXPECT_EQ(grid->Editor().cursor.CursorPos(), kPosInstrumentHigh);

    grid->SetCursor({2, 1, kPosCommandLow});
    Key(Qt::Key_F);
    ASSERT_EQ(pattern->Command(1, 2), 0x0F);
    grid->SetCursor({2, 1, kPosCommandHigh});
    Key(Qt::Key_3);
    EXPECT_EQ(pattern->Command(1, 2), 0x0F) << "0x3F is beyond the catalogue";
    // The backquote key raises the step, with Shift lowers it again.
    Key(Qt::Key_QuoteLeft);
    EXPECT_EQ(pf->addEdit->value(), 1);
    Key(Qt::Key_QuoteLeft, Qt::ShiftModifier);
    EXPECT_EQ(pf->addEdit->value(), 0);
}

TEST_F(PatternFormTest, CursorKeysWrapAtThePatternEdges) {
    EmptyPattern();
    grid->setFocus();
    grid->SetCursor({0, 0, kPosNote});
    Key(Qt::Key_Up);
    EXPECT_EQ(grid->Editor().cursor.CursorRow(), 63);
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->Editor().cursor.CursorRow(), 0);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(grid->Editor().cursor.CursorRow(), 60) << "highlight step 4 of the configuration";
    grid->SetCursor({0, 7, kPosParamLow});
    Key(Qt::Key_Right);
    EXPECT_EQ(grid->Editor().cursor, TGridCursor(0, 0, kPosNote));
    Key(Qt::Key_Tab);
    EXPECT_EQ(grid->Editor().cursor.CursorTrack(), 1);

    // Ctrl+Right is the grid's: it scrolls a column and leaves the cursor.
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(grid->Editor().scroll.firstColumn, 2);
    EXPECT_EQ(grid->horizontalScrollBar()->value(), 1);
    EXPECT_EQ(grid->Editor().cursor.CursorTrack(), 1);
}

TEST_F(PatternFormTest, DeleteBackspaceAndInsertShiftTheTrackAndUndoRestoresIt) {
    TPattern* pattern = EmptyPattern();
    SetCell(pattern, 0, 0, 0x40, 0);
    SetCell(pattern, 0, 1, 0x42, 0);
    TCell full = pattern->GetCell(0, 1);
    full.volume = 0x20;
    full.command = 0x0C;
    full.param = 0x10;
    SongEdit().ChangeCells(pattern->Number(), {{0, 1, pattern->GetCell(0, 1), full}}, "Set");
    grid->setFocus();

    grid->SetCursor({0, 0, kPosNote});
    Key(Qt::Key_Backspace);
    EXPECT_EQ(pattern->Note(0, 0), 0x40) << "Backspace on row 0 does nothing";

    grid->SetCursor({1, 0, kPosNote});
    Key(Qt::Key_Delete);
    EXPECT_EQ(pattern->Note(0, 1), kNoteNone);
    EXPECT_EQ(pattern->Volume(0, 1), 0x20) << "Delete alone keeps volume and effect";
    SongEdit().Undo();
    grid->SetCursor({1, 0, kPosNote});
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 1));
    SongEdit().Undo();

    grid->SetCursor({0, 0, kPosNote});
    Key(Qt::Key_Insert);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 0));
    EXPECT_EQ(pattern->Note(0, 1), 0x40);
    EXPECT_EQ(pattern->Note(0, 2), 0x42);
    SongEdit().Undo();
    EXPECT_EQ(pattern->Note(0, 0), 0x40);
    EXPECT_EQ(pattern->Note(0, 1), 0x42);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 2));

    grid->SetCursor({1, 0, kPosNote});
    Key(Qt::Key_Backspace);
    EXPECT_EQ(pattern->Note(0, 0), 0x42);
    EXPECT_EQ(grid->Editor().cursor.CursorRow(), 0);
}

TEST_F(PatternFormTest, AnEntryRepaintsOneTrackRowAndInsertOneTrack) {
    EmptyPattern();
    grid->setFocus();
    pf->addEdit->SetValue(0);
    grid->SetCursor({5, 2, kPosNote});
    PaintLog painted(grid->viewport());

    const QRegion entry = PaintedAfter(painted, [&] { Key(Qt::Key_C); });
    EXPECT_EQ(entry, QRegion(grid->TrackRowRect(2, 5)));

    // A move along the row repaints the two cursor cells; to another row the two rows.
    const QRegion right = PaintedAfter(painted, [&] { Key(Qt::Key_Right); });
    EXPECT_EQ(right, QRegion(grid->CellRect(6, GridColumn(2, kColumnNote)))
                         .united(grid->CellRect(6, GridColumn(2, kColumnInstrument))));
    const QRegion down = PaintedAfter(painted, [&] { Key(Qt::Key_Down); });
    const int row5Top = grid->CellRect(6, 0).top();
    EXPECT_EQ(down, QRegion(0, row5Top, grid->viewport()->width(), 2 * grid->RowHeight()));
    Key(Qt::Key_Up);
    Key(Qt::Key_Left);

    const QRegion insert = PaintedAfter(painted, [&] { Key(Qt::Key_Insert); });
    const QRect track = insert.boundingRect();
    EXPECT_EQ(track.left(), grid->TrackRowRect(2, 5).left());
    EXPECT_EQ(track.right(), grid->TrackRowRect(2, 5).right());
    EXPECT_EQ(track.top(), grid->RowHeight()) << "the header stays";
    EXPECT_EQ(track.bottom(), grid->viewport()->height() - 1);
}

TEST_F(PatternFormTest, TwoEditorsOnOnePatternStayInStepThroughTheBus) {
    TPattern* pattern = EmptyPattern();
    form->NewPatternEditorClick();
    ASSERT_EQ(Forms().size(), 2u);
    TPatternForm* other = Forms().back();
    EXPECT_EQ(other->ShownPattern(), Song()->Patterns(Song()->CurrentPattern()))
        << "a new window starts on the current song pattern";
    other->patternListBox->setCurrentRow(pattern->Number());
    ASSERT_EQ(other->ShownPattern(), pattern);
    PaintLog painted(other->Grid()->viewport());

    grid->setFocus();
    pf->addEdit->SetValue(0);
    grid->SetCursor({3, 1, kPosNote});
    const QRegion shown = PaintedAfter(painted, [&] { Key(Qt::Key_Q); });
    EXPECT_EQ(pattern->Note(1, 3), 0x50);
    EXPECT_EQ(shown, QRegion(other->Grid()->TrackRowRect(1, 3)));

    // Undo is news to both windows.
    const QRegion undone = PaintedAfter(painted, [&] { SongEdit().Undo(); });
    EXPECT_TRUE(pattern->IsCellEmpty(1, 3));
    EXPECT_EQ(undone, QRegion(other->Grid()->TrackRowRect(1, 3)));
}

TEST_F(PatternFormTest, InsRenumbersTheOrderListWhenAsked) {
    // An order list playing 0 1 4 5.
    for (int position = 0; position < 4; ++position)
        SongEdit().SetOrder(position, std::array{0, 1, 4, 5}[size_t(position)]);
    while (Song()->SongLength() > 4) SongEdit().DeletePosition(4);
    const int patterns = Song()->PatternCount();

    pf->patternListBox->setCurrentRow(3);
    pf->insButton->click();
    ASSERT_EQ(Song()->PatternCount(), patterns + 1);
    EXPECT_TRUE(Song()->Patterns(4)->IsCellEmpty(0, 0));
    EXPECT_EQ(Song()->Patterns(4)->RowCount(), 64);
    std::vector<int> orders;
    for (int p = 0; p < 4; ++p) orders.push_back(Song()->Orders(p));
    EXPECT_EQ(orders, (std::vector<int>{0, 1, 5, 6}));
    EXPECT_EQ(pf->patternListBox->currentRow(), 4);
    EXPECT_EQ(pf->ShownPattern(), Song()->Patterns(4));
    EXPECT_EQ(pf->patternListBox->count(), patterns + 1);

    SongEdit().Undo();
    orders.clear();
    for (int p = 0; p < 4; ++p) orders.push_back(Song()->Orders(p));
    EXPECT_EQ(orders, (std::vector<int>{0, 1, 4, 5}));
    EXPECT_EQ(pf->patternListBox->count(), patterns);

    pf->renumberCB->setChecked(false);
    pf->patternListBox->setCurrentRow(3);
    pf->insButton->click();
    orders.clear();
    for (int p = 0; p < 4; ++p) orders.push_back(Song()->Orders(p));
    EXPECT_EQ(orders, (std::vector<int>{0, 1, 4, 5}));
}

TEST_F(PatternFormTest, DelAsksAndShrinkAsksOnlyWhenOddRowsHoldData) {
    const int patterns = Song()->PatternCount();
    QString asked;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        asked = box->text();
        box->button(QMessageBox::No)->click();
    });
    pf->delButton->click();
    EXPECT_EQ(asked, "Are you sure you would like to delete this pattern?");
    EXPECT_EQ(Song()->PatternCount(), patterns);

    TPattern* pattern = EmptyPattern();
    SetCell(pattern, 0, 2, 0x40, 0);
    asked.clear();
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        asked = box->text();
        box->button(QMessageBox::No)->click();
    });
    pf->shrinkButton->click();
    EXPECT_TRUE(asked.isEmpty()) << "even rows only: nothing is lost";
    EXPECT_EQ(pattern->RowCount(), 32);
    EXPECT_EQ(pf->rowEdit->value(), 32);
    EXPECT_EQ(pattern->Note(0, 1), 0x40);

    SetCell(pattern, 0, 3, 0x42, 0);
    pf->shrinkButton->click(); // the armed answer says No
    EXPECT_EQ(asked, "Some notes/data may be lost.  Continue?");
    EXPECT_EQ(pattern->RowCount(), 32);
    WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    pf->shrinkButton->click();
    EXPECT_EQ(pattern->RowCount(), 16);
    SongEdit().Undo();
    EXPECT_EQ(pattern->RowCount(), 32);
    EXPECT_EQ(pattern->Note(0, 3), 0x42);
}

TEST_F(PatternFormTest, TransposeTrackScopeAndRemapSelectionChangeOnlyTheirRange) {
    TPattern* pattern = EmptyPattern();
    SetCell(pattern, 0, 0, 0x40, 0);
    SetCell(pattern, 1, 0, 0x40, 0);
    SetCell(pattern, 1, 1, 0x5B, 0); // B-5: an octave up would still fit
    SetCell(pattern, 1, 2, 0x7B, 0); // B-7: an octave up leaves the range
    grid->SetCursor({0, 1, kPosNote});
    pf->trApplyToBox->SetCurrentIndex(int(TApplyScope::Track));
    pf->incOctaveBtn->click();
    EXPECT_EQ(pattern->Note(0, 0), 0x40);
    EXPECT_EQ(pattern->Note(1, 0), 0x50);
    EXPECT_EQ(pattern->Note(1, 1), 0x6B);
    EXPECT_EQ(pattern->Note(1, 2), 0x7B) << "a note that would leave the range stays";
    SongEdit().Undo();
    EXPECT_EQ(pattern->Note(1, 0), 0x40);

    // "Selected (in I.E.)" moves the notes of the instruments the instrument editor selects.
    pf->instApplyBox->SetCurrentIndex(0);
    ASSERT_GE(form->InstForm()->instrList->count(), 2);
    form->InstForm()->instrList->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    pf->incOctaveBtn->click();
    EXPECT_EQ(pattern->Note(1, 0), 0x40);
    form->InstForm()->instrList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    pf->incOctaveBtn->click();
    EXPECT_EQ(pattern->Note(1, 0), 0x50);
    SongEdit().Undo();

    // Remap 00 to 01 over a Shift selection of track 1, rows 0..1.
    grid->setFocus();
    grid->SetCursor({0, 1, kPosNote});
    Key(Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyRelease(grid, Qt::Key_Shift, Qt::ShiftModifier);
    pf->srcInstList->setCurrentIndex(0);
    pf->destInstList->setCurrentIndex(1);
    pf->rmpApplyToBox->SetCurrentIndex(int(TApplyScope::Selection));
    pf->remapBtn->click();
    EXPECT_EQ(pattern->Instrument(1, 0), 1);
    EXPECT_EQ(pattern->Instrument(1, 1), 1);
    EXPECT_EQ(pattern->Instrument(1, 2), 0) << "outside the selection";
    EXPECT_EQ(pattern->Instrument(0, 0), 0) << "another track";
}

TEST_F(PatternFormTest, SongTransposeIsOneUndoStep) {
    TPattern* first = Song()->Patterns(0);
    TPattern* last = EmptyPattern();
    SetCell(last, 0, 0, 0x40, 0);
    const TCell before = first->GetCell(0, 0);
    const int steps = SongEdit().History().count();
    pf->trApplyToBox->SetCurrentIndex(int(TApplyScope::Song));
    pf->incHaveToneBtn->click();
    EXPECT_EQ(last->Note(0, 0), 0x41);
    EXPECT_EQ(SongEdit().History().count(), steps + 1);
    SongEdit().Undo();
    EXPECT_EQ(last->Note(0, 0), 0x40);
    EXPECT_EQ(first->GetCell(0, 0), before);
}

TEST_F(PatternFormTest, InterpolateAndThePeerClipboardTextBothWays) {
    TPattern* pattern = EmptyPattern();
    for (int row : {0, 4}) {
        TCell cell;
        cell.volume = uint8_t(row == 0 ? 0x00 : 0x40);
        SongEdit().ChangeCells(pattern->Number(), {{0, row, pattern->GetCell(0, row), cell}},
                               "Set");
    }
    grid->setFocus();
    grid->SetCursor({0, 0, kPosVolumeHigh});
    for (int i = 0; i < 4; ++i) Key(Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyRelease(grid, Qt::Key_Shift, Qt::ShiftModifier);
    Key(Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(pattern->Volume(0, 2), 0x20);
    EXPECT_EQ(pattern->Volume(0, 1), 0x10);

    grid->CopySelection();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->text().startsWith("ModPlug Tracker  XM"));
    // The text alone, as another tracker leaves it, pastes the same cells.
    const QString text = data->text();
    QGuiApplication::clipboard()->setText(text);
    grid->SetCursor({10, 3, kPosNote});
    grid->PasteAtCursor();
    for (int row = 0; row <= 4; ++row)
        EXPECT_EQ(Fields(pattern->GetCell(3, 10 + row)), Fields(pattern->GetCell(0, row))) << row;
}

TEST_F(PatternFormTest, CtrlPOpensAnEditorWithTheFocusOnItsGridAtTheFirstCell) {
    grid->SetCursor({5, 2, kPosVolumeHigh});
    form->activateWindow();
    QTest::keySequence(form.get(), QKeySequence("Ctrl+P"));
    ASSERT_EQ(Forms().size(), 2u);
    TEventGrid* opened = Forms().back()->Grid();
    EXPECT_NE(opened, grid);
    EXPECT_EQ(opened->Editor().cursor, TGridCursor(0, 0, kPosNote));
    EXPECT_EQ(QApplication::focusWidget(), opened);
    // Closing one leaves its listener no longer on the bus.
    const size_t listeners = EventManager().ListenerCount();
    Forms().back()->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(EventManager().ListenerCount(), listeners - 1);
}

TEST_F(PatternFormTest, SpacePlaysThePatternAndPausesIt) {
    grid->setFocus();
    Key(Qt::Key_Space);
    EXPECT_TRUE(Song()->Playing());
    Key(Qt::Key_Space);
    EXPECT_FALSE(Song()->Playing());
    // The frame's keys pass through the grid to the main window.
    Key(Qt::Key_F9);
    EXPECT_TRUE(Song()->Playing());
    Key(Qt::Key_F10);
    EXPECT_FALSE(Song()->Playing());
    Key(Qt::Key_F3);
    EXPECT_EQ(BaseOctave(), 2);
    grid->SetCursor({0, 0, kPosNote});
    Key(Qt::Key_Z);
    EXPECT_EQ(pf->ShownPattern()->Note(0, 0), 0x20) << "the octave key reached the main window";
}

TEST_F(PatternFormTest, AnotherModuleRefillsTheListsAndTheGrid) {
    ASSERT_EQ(pf->patternListBox->count(), 11);
    EXPECT_EQ(pf->eventInstBox->count(), 8);
    EXPECT_TRUE(pf->eventInstBox->itemText(0).startsWith("00: "));
    ASSERT_TRUE(form->OpenModule(CorpusModule("dali.xm").string()));
    EXPECT_EQ(pf->patternListBox->count(), Song()->PatternCount());
    EXPECT_EQ(pf->eventInstBox->count(), Song()->InstrumentCount());
    EXPECT_EQ(pf->ShownPattern(), Song()->Patterns(Song()->CurrentPattern()));
    EXPECT_EQ(grid->Pattern(), pf->ShownPattern());
}

TEST_F(PatternFormTest, RowFieldSetsTheCountAndOtherWindowsFollow) {
    TPattern* pattern = EmptyPattern();
    form->NewPatternEditorClick();
    TPatternForm* other = Forms().back();
    other->patternListBox->setCurrentRow(pattern->Number());
    grid->SetCursor({60, 0, kPosNote});
    pf->rowEdit->setFocus();
    pf->rowEdit->selectAll();
    SetCell(pattern, 0, 20, 0x40, 0);
    const int steps = SongEdit().History().count();
    // Typing 40 passes through 4 on the way: only the finished number counts.
    QTest::keyClicks(pf->rowEdit, "40");
    QTest::keyClick(pf->rowEdit, Qt::Key_Return);
    EXPECT_EQ(pattern->RowCount(), 40);
    EXPECT_EQ(SongEdit().History().count(), steps + 1);
    EXPECT_EQ(pattern->Note(0, 20), 0x40);
    EXPECT_EQ(grid->Editor().cursor.CursorRow(), 39) << "the cursor is pulled to the last row";
    EXPECT_EQ(other->rowEdit->value(), 40);
    SongEdit().Undo();
    EXPECT_EQ(pattern->RowCount(), 64);
    EXPECT_EQ(pf->rowEdit->value(), 64);
}

TEST_F(PatternFormTest, MouseSetsTheCursorSelectsAndPicksTheInstrument) {
    TPattern* pattern = EmptyPattern();
    SetCell(pattern, 1, 3, 0x40, 5);
    QWidget* view = grid->viewport();
    const QPoint volume = grid->CellRect(4, GridColumn(1, kColumnVolume)).center();
    QTest::mouseClick(view, Qt::LeftButton, {}, volume);
    EXPECT_EQ(grid->Editor().cursor, TGridCursor(3, 1, kPosVolumeHigh));
    EXPECT_EQ(QApplication::focusWidget(), grid);
    // The header and the row numbers move nothing.
    QTest::mouseClick(view, Qt::LeftButton, {}, grid->CellRect(0, 6).center());
    QTest::mouseClick(view, Qt::LeftButton, {}, grid->CellRect(8, 0).center());
    EXPECT_EQ(grid->Editor().cursor, TGridCursor(3, 1, kPosVolumeHigh));

    QTest::mouseDClick(view, Qt::LeftButton, {},
                       grid->CellRect(4, GridColumn(1, kColumnInstrument)).center());
    EXPECT_EQ(pf->eventInstBox->currentIndex(), 5);

    // A drag selects whole tracks once the button is up.
    const QPoint from = grid->CellRect(3, GridColumn(0, kColumnEffect)).center();
    const QPoint to = grid->CellRect(6, GridColumn(1, kColumnNote)).center();
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    EXPECT_EQ(grid->Editor().selection.Range(64, 8), (TCellRange{0, 1, 2, 5}));
}

TEST_F(PatternFormTest, FollowsTheSongPositionAndOnRequestItsRow) {
    pf->followRowAct->setChecked(true);
    form->playBtnClick();
    Song()->SetPosition(2); // pattern 3
    EXPECT_TRUE(WaitFor([&] { return pf->ShownPattern() == Song()->Patterns(3); }));
    EXPECT_TRUE(WaitFor([&] { return grid->Editor().cursor.CursorRow() > 4; }))
        << "the cursor follows the playing row";
    EXPECT_TRUE(WaitFor([&] { return grid->Editor().cursor.CursorRow() >= grid->VisibleRows(); }));
    EXPECT_GT(grid->Editor().scroll.firstRow, 0);
    EXPECT_EQ(grid->Editor().scroll.firstRow % grid->VisibleRows(), 0) << "page by page";
    form->stopBtnClick();

    pf->followPositionAct->setChecked(false);
    pf->patternListBox->setCurrentRow(5);
    form->playBtnClick();
    Song()->SetPosition(2);
    QTest::qWait(200);
    EXPECT_EQ(pf->ShownPattern(), Song()->Patterns(5));
    form->stopBtnClick();
}

TEST_F(PatternFormTest, NewVisualSettingsReachTheGrid) {
    form->EnvDlg()->gridHlStep->SetValue(8);
    form->EnvDlg()->gridSelCol->SetColor(Qt::red);
    EventManager().Dispatch<EvEnvPropsChange>();
    EXPECT_EQ(grid->Editor().highlightStep, 8);
    EXPECT_EQ(grid->Visuals().selection, QColor(Qt::red));
    grid->setFocus();
    grid->SetCursor({20, 0, kPosNote});
    Key(Qt::Key_PageUp);
    EXPECT_EQ(grid->Editor().cursor.CursorRow(), 16);

    // Scroll mode 1 keeps the cursor row in the middle of the view.
    form->EnvDlg()->gridScrollMode->SetCurrentIndex(1);
    EventManager().Dispatch<EvEnvPropsChange>();
    grid->SetCursorRow(40);
    EXPECT_EQ(grid->Editor().scroll.firstRow, 40 - grid->VisibleRows() / 2);
    EXPECT_EQ(grid->verticalScrollBar()->value(), grid->Editor().scroll.firstRow);
}

TEST_F(PatternFormTest, TheTrackHeaderMutesAndSolos) {
    form->NewPatternEditorClick();
    PaintLog painted(Forms().back()->Grid()->viewport());
    grid->setFocus();
    QWidget* view = grid->viewport();
    const QRegion header = PaintedAfter(painted, [&] {
        QTest::mouseClick(view, Qt::LeftButton, {},
                          grid->CellRect(0, GridColumn(2, kColumnVolume)).center());
    });
    EXPECT_TRUE(Song()->Channels(2)->Muted);
    EXPECT_FALSE(Song()->Channels(1)->Muted);
    EXPECT_EQ(header.boundingRect().top(), 0) << "the other window shows the mute";
    EXPECT_EQ(header.boundingRect().height(), grid->RowHeight());

    QTest::mouseClick(view, Qt::RightButton, {},
                      grid->CellRect(0, GridColumn(1, kColumnNote)).center());
    for (int t = 0; t < Song()->ChannelCount(); ++t) EXPECT_EQ(Song()->Channels(t)->Muted, t != 1);
    QTest::mouseClick(view, Qt::RightButton, {},
                      grid->CellRect(0, GridColumn(1, kColumnNote)).center());
    for (int t = 0; t < Song()->ChannelCount(); ++t) EXPECT_FALSE(Song()->Channels(t)->Muted);
}

TEST_F(PatternFormTest, CutAndPasteOnTheirShortcutsAreStepsOfTheHistory) {
    TPattern* pattern = EmptyPattern();
    SetCell(pattern, 2, 0, 0x40, 3);
    SetCell(pattern, 2, 1, 0x43, 3);
    grid->setFocus();
    grid->SetCursor({0, 2, kPosNote});
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(pattern->IsCellEmpty(2, 0));
    EXPECT_TRUE(pattern->IsCellEmpty(2, 1));
    grid->SetCursor({10, 5, kPosNote});
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(pattern->Note(5, 10), 0x40);
    EXPECT_EQ(pattern->Note(5, 11), 0x43);
    EXPECT_EQ(pattern->Instrument(5, 11), 3);
    SongEdit().Undo();
    EXPECT_TRUE(pattern->IsCellEmpty(5, 10));
    SongEdit().Undo();
    EXPECT_EQ(pattern->Note(2, 0), 0x40);
    // Ctrl+Space enters a key off.
    grid->SetCursor({4, 0, kPosNote});
    Key(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(pattern->Note(0, 4), kNoteKeyOff);
}

TEST_F(PatternFormTest, NoteKeysSoundOnTheEntryInstrumentUntilReleased) {
    EmptyPattern();
    grid->setFocus();
    pf->eventInstBox->setCurrentIndex(1);
    TInstrument* instrument = Song()->Instruments(1);
    ASSERT_GT(instrument->SampleCount(), 0);
    grid->SetCursor({0, 0, kPosNote});
    QTest::keyPress(grid, Qt::Key_X);
    EXPECT_TRUE(instrument->NoteStatus().IsPlaying(0x42));
    EXPECT_FALSE(instrument->NoteStatus().IsReleased(0x42));
    QTest::keyRelease(grid, Qt::Key_X);
    EXPECT_TRUE(instrument->NoteStatus().IsReleased(0x42));

    // A chord: each release stops its own key's note.
    QTest::keyPress(grid, Qt::Key_Z);
    QTest::keyPress(grid, Qt::Key_C);
    QTest::keyRelease(grid, Qt::Key_Z);
    EXPECT_TRUE(instrument->NoteStatus().IsReleased(0x40));
    EXPECT_FALSE(instrument->NoteStatus().IsReleased(0x44));
    QTest::keyRelease(grid, Qt::Key_C);
    EXPECT_TRUE(instrument->NoteStatus().IsReleased(0x44));

    // Outside a note column the key is a digit or nothing, and sounds nothing.
    grid->SetCursor({0, 0, kPosVolumeHigh});
    QTest::keyClick(grid, Qt::Key_V);
    EXPECT_EQ(instrument->NoteStatus().StatusOf(NoteIndex(0x45)), -1);
}

TEST_F(PatternFormTest, AShiftSelectionWidensToTracksWhicheverKeyComesUpFirst) {
    EmptyPattern();
    grid->setFocus();
    grid->SetCursor({0, 1, kPosInstrumentHigh});
    // Shift released before the arrow, as fast typing and xdotool do.
    QTest::keyPress(grid, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyPress(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyRelease(grid, Qt::Key_Shift, Qt::NoModifier);
    QTest::keyRelease(grid, Qt::Key_Down, Qt::NoModifier);
    EXPECT_EQ(grid->Editor().selection.LeftColumn(), GridColumn(1, kColumnNote));
    EXPECT_EQ(grid->Editor().selection.RightColumn(), GridColumn(1, kColumnEffect));
    // A plain key release later leaves a selection made by the mouse alone.
    grid->Editor().selection.Start({5, GridColumn(2, kColumnVolume)});
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(grid->Editor().selection.LeftColumn(), GridColumn(2, kColumnVolume));
}

TEST_F(PatternFormTest, GrowStopsAt256RowsAndDelKeepsTheLastPattern) {
    TPattern* pattern = EmptyPattern();
    pf->expandBtn->click();
    EXPECT_EQ(pattern->RowCount(), 128);
    EXPECT_EQ(pf->rowEdit->value(), 128);
    SongEdit().SetRowCount(pattern->Number(), 200);
    QString told;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        told = box->text();
        box->accept();
    });
    pf->expandBtn->click();
    EXPECT_EQ(told, "Pattern cannot be expanded anymore.");
    EXPECT_EQ(pattern->RowCount(), 200);

    std::vector<int> all;
    for (int i = 1; i < Song()->PatternCount(); ++i) all.push_back(i);
    SongEdit().DeletePatterns(all, true);
    ASSERT_EQ(Song()->PatternCount(), 1);
    EXPECT_EQ(pf->patternListBox->count(), 1);
    // Answers a question should one come, so that the test cannot hang; gone with the test.
    QString asked;
    QTimer guard;
    guard.setInterval(10);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = box->text();
            box->reject();
        }
    });
    guard.start();
    pf->delButton->click(); // a beep, no question
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(Song()->PatternCount(), 1);
}

TEST_F(PatternFormTest, VisualPropertiesOpensTheEventEditorPage) {
    QString page;
    bool treeShown = true;
    WhenShown<TEnvDlg>([&](TEnvDlg* dialog) {
        page = dialog->CurrentPage();
        treeShown = dialog->categoryTree->isVisible();
        dialog->reject();
    });
    QAction* item = nullptr;
    for (QAction* action : grid->ContextMenu()->actions())
        if (action->text() == "Visual Properties...") item = action;
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(page, "Event Editor");
    EXPECT_FALSE(treeShown);
}

TEST_F(PatternFormTest, FewerChannelsPullTheCursorAndTheViewBack) {
    grid->setFocus();
    grid->SetCursor({0, 7, kPosNote});
    EXPECT_GT(grid->Editor().scroll.firstColumn, 1) << "the window is too narrow for 8 tracks";
    SongEdit().SetChannelCount(2);
    EXPECT_EQ(grid->Editor().cursor.CursorTrack(), 1);
    EXPECT_LE(grid->Editor().scroll.firstColumn, GridColumn(1, kColumnEffect));
    Key(Qt::Key_Tab);
    EXPECT_EQ(grid->Editor().cursor.CursorTrack(), 0);
}
