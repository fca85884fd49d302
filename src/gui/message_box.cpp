#include "gui/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace tengun {

void show_message_box(QWidget* owner, const std::string& text)
{
    // A message raised from inside a dialog belongs over that dialog, not behind it.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        owner = modal;
    }
    QMessageBox::information(owner, QCoreApplication::applicationName(), to_qstring(text),
                             QMessageBox::Ok);
}

bool ask_ok_cancel(QWidget* owner, const std::string& text)
{
    if (QWidget* modal = QApplication::activeModalWidget()) {
        owner = modal;
    }
    return QMessageBox::question(owner, QCoreApplication::applicationName(), to_qstring(text),
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
}

}  // namespace tengun
