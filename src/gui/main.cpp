// tengun [FILE ...]: the start form; each file named opens by its content in an analysis form of
// its own, the first in the first one.
#include <QApplication>
#include <QFile>

#include "gui/app_setup.h"
#include "gui/main_form.h"
#include "gui/start_menu.h"
#include "gui/user_settings.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tengun::configure_application(app, QStringLiteral(TENGUN_VERSION));
    tengun::enter_last_folder();
    tengun::StartMenu start;
    start.show();
    // Qt has taken its own options (-platform ...) out of the arguments by now.
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        start.open_main_form(false)->open_path(QFile::encodeName(args[i]).toStdString());
    }
    return QApplication::exec();
}
