#pragma once
// The choice dialog "hozon_keishiki" (保存形式, how to save): one radio button per option
// (Option1(0), Option1(1), ...), the initial one checked, OK (Command1) and cancel (Command2).
// OK: chosen_option = the checked option, dialog_cancelled = false, close. cancel and the close
// box leave dialog_cancelled true and chosen_option as it was.

#include <QList>

#include "app/dialogs.h"
#include "gui/protocol_dialog.h"

class QRadioButton;

namespace tengun {

class ChoiceDialog final : public ProtocolDialog {
    Q_OBJECT
public:
    ChoiceDialog(ProgramWide& program, const Choice& choice, MessageSink message,
                 QWidget* parent = nullptr);

private:
    void confirm();

    QList<QRadioButton*> options_;
};

}  // namespace tengun
