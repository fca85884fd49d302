#include "gui/protocol_dialog.h"

namespace tengun {

ProtocolDialog::ProtocolDialog(ProgramWide& program, MessageSink message, QWidget* parent)
    : QDialog(parent), program_(program), message_(std::move(message))
{
    program_.dialog_cancelled = true;
}

}  // namespace tengun
