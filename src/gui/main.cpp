#include <QApplication>

#include "gui/app_setup.h"
#include "gui/start_menu.h"
#include "gui/user_settings.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tengun::configure_application(app, QStringLiteral(TENGUN_VERSION));
    tengun::enter_last_folder();
    tengun::StartMenu start;
    start.show();
    return QApplication::exec();
}
