// The widget tests run on one QApplication (offscreen platform, set by CTest). Settings go to a
// folder of the run's own, so the user's settings are neither read nor written.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "gui/app_setup.h"

int main(int argc, char** argv)
{
    // CTest sets the offscreen platform for the runs, but not when it lists the tests.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    tengun::configure_application(app, QStringLiteral("2.3.0"));
    const QTemporaryDir settings_dir;
    if (!settings_dir.isValid()) {
        return 1;
    }
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_dir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_dir.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
