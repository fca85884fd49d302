#pragma once
// The start form: product name and version, "解析フォーム" (Command2) opening one more
// independent main form each time, "終了" ending the program at once. It owns the program-wide
// values that every main form shares, and closes the forms still open when it is destroyed.

#include <QPointer>
#include <QWidget>
#include <vector>

#include "app/program_state.h"
#include "gui/message_box.h"

namespace tengun {

class MainForm;

/// "ﾊﾞｰｼﾞｮﾝ " and the version as major.minor.revision ("2.3" gives "ﾊﾞｰｼﾞｮﾝ 2.3.0").
QString version_text(const QString& version);

/// What the start form tells the user about the mouse when it opens a main form.
inline constexpr const char* basic_operation_message =
    "基本操作：　マウス左ボタンを押しながらドラッグすると回転します。右ボタンでは画面に垂直に回転"
    "します｡両ボタンでは平行移動します｡ まず、file_inputに入って下さい";

class StartMenu final : public QWidget {
    Q_OBJECT
public:
    explicit StartMenu(QWidget* parent = nullptr);
    ~StartMenu() override;

    [[nodiscard]] ProgramWide& program() { return program_; }
    /// The main forms opened from here and not yet closed.
    [[nodiscard]] std::vector<MainForm*> open_forms() const;
    /// Messages go to `sink` instead of a message box (tests).
    void set_message_sink(MessageSink sink) { sink_ = std::move(sink); }
    /// What "解析フォーム" does: one more main form, shown; with `greet`, the basic-operation
    /// message over it (a form opened for a file named on the command line skips it).
    MainForm* open_main_form(bool greet = true);

private:

    ProgramWide program_;
    std::vector<QPointer<MainForm>> forms_;
    MessageSink sink_;
};

}  // namespace tengun
