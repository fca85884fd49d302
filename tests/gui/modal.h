#pragma once
// Driving modal windows from a test: the action runs inside the window's own event loop, as
// soon as the window is the active modal one.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

namespace tengun::testing {

/// Runs `action` on the next modal window once it is shown; the action must close it. If no
/// window appears the test fails, and a window the action left open is closed with a failure,
/// so a broken dialog fails the test instead of hanging it.
inline void when_modal(std::function<void(QWidget*)> action, int retries = 500)
{
    // Looked for every 10 ms: a command on the form's worker thread asks the window to show its
    // dialog, which may take a moment to arrive.
    QTimer::singleShot(10, [action = std::move(action), retries]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            const QPointer<QWidget> shown(modal);
            action(modal);
            if (shown && shown->isVisible()) {
                ADD_FAILURE() << "modal window " << shown->objectName().toStdString()
                              << " left open";
                shown->close();
            }
        } else if (retries > 0) {
            when_modal(std::move(action), retries - 1);
        } else {
            ADD_FAILURE() << "no modal window appeared";
        }
    });
}

template <class T = QWidget>
T* child(QWidget* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << "no child " << name << " in "
                              << parent->objectName().toStdString();
    return found;
}

inline void set_text(QWidget* dialog, const char* name, const QString& text)
{
    if (auto* edit = child<QLineEdit>(dialog, name)) {
        edit->setText(text);
    }
}

inline void click(QWidget* dialog, const char* name)
{
    if (auto* button = child<QPushButton>(dialog, name)) {
        button->click();
    }
}

}  // namespace tengun::testing
