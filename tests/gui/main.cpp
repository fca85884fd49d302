// The widget tests run on one QApplication (offscreen platform, set by CTest).
#include <gtest/gtest.h>

#include <QApplication>

#include "gui/app_setup.h"

int main(int argc, char** argv)
{
    // CTest sets the offscreen platform for the runs, but not when it lists the tests.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    tengun::configure_application(app, QStringLiteral("2.3.0"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
