// Test entry point. Suites that touch Qt get a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#ifdef CW_TEST_QT
#include <QApplication>
#endif

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
#ifdef CW_TEST_QT
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
