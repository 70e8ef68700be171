#include <QApplication>
#include <gtest/gtest.h>

// GoogleTest with a QApplication around it, so tests may create widgets and
// use queued calls; the offscreen platform is set by CTest.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
