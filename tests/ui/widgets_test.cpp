#include "ui/widgets/spin_edit.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(SpinEdit, TellsUserEditsFromProgramSets) {
    TSpinEdit edit(1, 16, 4);
    QSignalSpy any(&edit, &TSpinEdit::ValueChanged);
    QSignalSpy user(&edit, &TSpinEdit::UserChanged);
    EXPECT_FALSE(edit.Modified());

    edit.SetValue(9);
    EXPECT_EQ(any.count(), 1);
    EXPECT_EQ(user.count(), 0);
    EXPECT_FALSE(edit.Modified());

    edit.show();
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.value(), 10);
    ASSERT_EQ(user.count(), 1);
    EXPECT_EQ(user.front().front().toInt(), 10);
    EXPECT_TRUE(edit.Modified());

    // A narrower range clamps the value without counting as the user's change.
    edit.SetRange(1, 5);
    EXPECT_EQ(edit.value(), 5);
    EXPECT_EQ(user.count(), 1);
    EXPECT_TRUE(edit.Modified());
    edit.SetValue(3);
    EXPECT_FALSE(edit.Modified());
    QTest::keyClick(&edit, Qt::Key_Down);
    EXPECT_TRUE(edit.Modified());
    edit.ClearModified();
    EXPECT_FALSE(edit.Modified());
}
