// The check list's click area and marks, and the filter windows bound to the active pattern
// window and hiding notes of its piano roll.
#include "model/notes.h"
#include "model/song.h"
#include "paint_log.h"
#include "pattern_windows_fixture.h"
#include "ui/widgets/check_list.h"
#include "ui/widgets/piano_roll.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/filter_popup.h"
#include "ui/windows/pattern_form.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>

namespace {

QRect ItemRect(TCheckList& list, int index) {
    return list.visualRect(list.model()->index(index, 0));
}

void ClickAt(TCheckList& list, QPoint at) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

} // namespace

TEST(CheckListTest, OnlyTheCheckBoxTogglesAndEachChangeFiresOnce) {
    TCheckList list;
    list.addItems({"a", "b", "c"});
    list.resize(120, 100);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    EXPECT_EQ(ItemRect(list, 1).height(), 16);
    QSignalSpy checks(&list, &TCheckList::OnCheck);
    QSignalSpy unchecks(&list, &TCheckList::OnUncheck);

    list.SetChecked(0, false);
    EXPECT_EQ(unchecks.count(), 0) << "an item without a mark already reads unchecked";

    const QRect item = ItemRect(list, 1);
    ClickAt(list, item.topLeft() + QPoint(2, 2));
    EXPECT_TRUE(list.Checked(1));
    ASSERT_EQ(checks.count(), 1);
    EXPECT_EQ(checks.at(0).at(0).toInt(), 1);
    ClickAt(list, item.topLeft() + QPoint(12, 12));
    EXPECT_FALSE(list.Checked(1)) << "the last pixel of the box still toggles";
    ASSERT_EQ(unchecks.count(), 1);

    ClickAt(list, item.topLeft() + QPoint(13, 5));
    ClickAt(list, item.topLeft() + QPoint(5, 1));
    ClickAt(list, item.topLeft() + QPoint(40, 5));
    EXPECT_FALSE(list.Checked(1)) << "beside the box, above it and on the text only select";
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(checks.count() + unchecks.count(), 2);

    list.SetChecked(2, true);
    list.SetChecked(2, true);
    EXPECT_EQ(checks.count(), 2) << "setting the same mark again fires nothing";
}

TEST(CheckListTest, ATogglePaintsOnlyItsRow) {
    TCheckList list;
    for (int i = 0; i < 8; ++i) list.addItem(QString("item %1").arg(i));
    list.resize(120, 160);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QTest::qWait(20);
    PaintLog paints;
    list.viewport()->installEventFilter(&paints);
    list.Toggle(3);
    QTest::qWait(20);
    ASSERT_FALSE(paints.region.isEmpty());
    EXPECT_TRUE(ItemRect(list, 3).contains(paints.region.boundingRect()));
}

namespace {

class FilterPopupTest : public PianoRollWindowTest {
protected:
    void TearDown() override {
        TtrackPopupForm::Instance()->hide();
        TinstPopupForm::Instance()->hide();
        PianoRollWindowTest::TearDown();
    }

    void Place(int track, TRollPoint at) {
        pf->prefTrackEd->SetValue(track);
        emit pf->prefTrackEd->UserChanged(track);
        QTest::mouseClick(roll->viewport(), Qt::LeftButton, Qt::NoModifier, roll->Centre(at));
    }
    // Clicks an item's check box as the user would.
    static void ClickBox(TCheckList* list, int index) {
        ClickAt(*list, TCheckList::CheckBoxRect(ItemRect(*list, index)).center());
    }
};

} // namespace

TEST_F(FilterPopupTest, HidingATrackHidesItsNotesAndDropsThemFromTheSelection) {
    Place(0, {48, 2});
    Place(1, {50, 4});
    Place(1, {52, 6});
    ASSERT_EQ(pattern->Note(1, 4), NoteFromIndex(50));
    QTest::keyClick(roll, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(roll->Model().Selection().Count(), 3);

    pf->selTracksBtn->click();
    TtrackPopupForm* popup = TtrackPopupForm::Instance();
    ASSERT_EQ(popup->Bound(), pf);
    ASSERT_EQ(popup->List()->count(), 32);
    EXPECT_TRUE(popup->List()->Checked(1));
    ClickBox(popup->List(), 1);
    EXPECT_FALSE(roll->Model().IsTrackVisible(1));
    EXPECT_TRUE(roll->Model().IsTrackVisible(0));
    EXPECT_EQ(roll->Model().Selection().Count(), 1);
    EXPECT_EQ(pf->selObPanel->text(), "1 selected notes");
    EXPECT_EQ(pattern->Note(1, 4), NoteFromIndex(50)) << "hiding never touches the song";

    popup->noneBtn->click();
    EXPECT_EQ(roll->Model().Selection().Count(), 0);
    for (int t = 0; t < 32; ++t) EXPECT_FALSE(roll->Model().IsTrackVisible(t)) << t;
    popup->allBtn->click();
    EXPECT_TRUE(roll->Model().IsTrackVisible(1));
    QTest::keyClick(roll, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(roll->Model().Selection().Count(), 3);
}

TEST_F(FilterPopupTest, TheFiltersFollowTheActiveWindow) {
    form->NewPatternEditorClick();
    QTest::qWait(30);
    ASSERT_EQ(Forms().size(), 2u);
    TPatternForm* other = Forms().back();
    TtrackPopupForm* tracks = TtrackPopupForm::Instance();
    EXPECT_EQ(tracks->Bound(), other);

    ClickBox(tracks->List(), 4);
    EXPECT_FALSE(other->Roll()->Model().IsTrackVisible(4));
    EXPECT_TRUE(roll->Model().IsTrackVisible(4)) << "only the bound window's roll changes";

    roll->SetTrackVisible(7, false);
    for (QMdiSubWindow* sub : form->MdiArea()->subWindowList())
        if (sub->widget() == pf) form->MdiArea()->setActiveSubWindow(sub);
    QTest::qWait(30);
    ASSERT_EQ(tracks->Bound(), pf);
    EXPECT_TRUE(tracks->List()->Checked(4));
    EXPECT_FALSE(tracks->List()->Checked(7)) << "marks reload from the newly bound roll";
    EXPECT_TRUE(roll->Model().IsTrackVisible(4)) << "reloading writes nothing back";

    TinstPopupForm* insts = TinstPopupForm::Instance();
    ASSERT_EQ(insts->Bound(), pf);
    ASSERT_EQ(insts->List()->count(), Song()->InstrumentCount());
    roll->SetInstrumentVisible(1, false);
    pf->selInstsBtn->click();
    EXPECT_FALSE(insts->List()->Checked(1)) << "the marks load each time it is shown";
    EXPECT_TRUE(insts->List()->Checked(0));
    ClickBox(insts->List(), 0);
    EXPECT_FALSE(roll->Model().IsInstrumentVisible(0));
    EXPECT_TRUE(other->Roll()->Model().IsInstrumentVisible(0));
}
