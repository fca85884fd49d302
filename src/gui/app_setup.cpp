#include "gui/app_setup.h"

#include <QApplication>
#include <QFontDatabase>

namespace tengun {

void configure_application(QApplication& app, const QString& version)
{
    QApplication::setApplicationName(QStringLiteral("Tengun"));
    QApplication::setOrganizationName(QStringLiteral("Tengun")); // where QSettings keeps its file
    QApplication::setApplicationVersion(version);
    // Without a Japanese font the captions would come out as boxes on a bare system.
    const QStringList families = QFontDatabase::families();
    for (const QString& family : {QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"),
                                  QStringLiteral("Noto Sans CJK JP")}) {
        if (families.contains(family)) {
            QFont font = QApplication::font();
            font.setFamily(family);
            app.setFont(font);
            break;
        }
    }
}

}  // namespace tengun
