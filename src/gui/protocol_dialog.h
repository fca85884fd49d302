#pragma once
// Common ground of the three modal dialogs. Opening one sets dialog_cancelled = true; only its
// OK sets it back to false. Each dialog is built afresh for every showing, so its fields start
// from their design values. Messages (a missing name, a field that is not a number) go to the
// sink the dialog was given.

#include <QDialog>

#include "app/program_state.h"
#include "gui/message_box.h"

namespace tengun {

class ProtocolDialog : public QDialog {
    Q_OBJECT
protected:
    ProtocolDialog(ProgramWide& program, MessageSink message, QWidget* parent);

    ProgramWide& program_;
    MessageSink message_;
};

}  // namespace tengun
