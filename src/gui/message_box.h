#pragma once
// The one way the window shows a message: a box with an OK button only, titled with the
// application's name (and a question with OK and cancel). Forms and dialogs hold a MessageSink so
// that tests can catch the text.

#include <QString>
#include <functional>
#include <string>
#include <string_view>

class QWidget;

namespace tengun {

/// Receives the text (UTF-8) of a message the user has to acknowledge.
using MessageSink = std::function<void(const std::string&)>;

/// Modal message box over `owner` (or the active modal window, or no window), OK only.
void show_message_box(QWidget* owner, const std::string& text);
/// Modal question over `owner` with OK and cancel; true on OK (cancel is the default button).
bool ask_ok_cancel(QWidget* owner, const std::string& text);

/// UTF-8 text of the non-Qt layers as a QString.
inline QString to_qstring(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tengun
