#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumivast"));
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // gtest counts a skipped case as passed; this line lets CTest show the run as skipped instead.
    // A run with a failure never prints it, so a skip cannot hide the failure.
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    if (result == 0 && run.skipped_test_count() > 0)
        std::printf("tests: %d skipped, none failed\n", run.skipped_test_count());
    return result;
}
