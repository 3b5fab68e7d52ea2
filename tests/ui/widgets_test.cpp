#include "ui/widgets/choice_group.h"
#include "ui/widgets/color_button.h"
#include "ui/widgets/font_button.h"
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

TEST(PickerButtons, ReportOnlyRealChanges) {
    TColorButton colour(Qt::blue);
    QSignalSpy colourSpy(&colour, &TColorButton::ColorChanged);
    colour.SetColor(Qt::blue);
    colour.SetColor(Qt::red);
    EXPECT_EQ(colourSpy.count(), 1);
    EXPECT_EQ(colour.Color(), QColor(Qt::red));

    TFontButton font(QFont("Arial"));
    EXPECT_EQ(font.text(), "Arial");
    QSignalSpy fontSpy(&font, &TFontButton::FontChanged);
    font.SetFont(QFont("Arial"));
    font.SetFont(QFont("Courier"));
    EXPECT_EQ(fontSpy.count(), 1);
    EXPECT_EQ(font.text(), "Courier");

    TChoiceGroup group("View", {"Empty Waveform", "Solid Waveform"});
    QSignalSpy groupSpy(&group, &TChoiceGroup::CurrentIndexChanged);
    EXPECT_EQ(group.CurrentIndex(), 0);
    group.SetCurrentIndex(1);
    group.SetCurrentIndex(5); // no such choice: unchanged
    EXPECT_EQ(group.CurrentIndex(), 1);
    EXPECT_EQ(groupSpy.count(), 1);
}
