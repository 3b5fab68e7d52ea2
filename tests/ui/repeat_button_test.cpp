#include "ui/widgets/repeat_button.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(RepeatButton, RepeatsWhileHeldAfterTheFirstDelay) {
    TRepeatButton button("forward");
    button.SetTiming(100, 20);
    button.show();
    QSignalSpy clicks(&button, &QPushButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton);
    QTest::qWait(60);
    EXPECT_EQ(clicks.count(), 0); // still inside the first delay
    QTest::qWait(200);
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_GE(clicks.count(), 2);
}
