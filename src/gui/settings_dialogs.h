#pragma once
// The two settings dialogs.
//
// SplineSettingsDialog "次数と点数をセット" (jisuu_settei): Text1 spline degree ("3"), Text2
// divisions between points ("10"). OK (Command1) needs both fields to be numbers, otherwise it
// names the field in a message and the dialog stays open; with numbers it sets spline_degree,
// division_count and dialog_cancelled = false and closes. cancel (Command2) sets
// dialog_cancelled = true and closes.
//
// ThinningDialog "間引き方の説明" (setumei): a diagram of the thinning rule, Text1 angle in
// degrees ("10") and the scroll bar VScroll1 (0..30, at 10) that writes its value into Text1.
// OK needs a number in Text1, then sets thinning_angle and dialog_cancelled = false and closes;
// cancel sets dialog_cancelled = true and closes. The close box of either leaves the flag true.

#include <QImage>

#include "gui/protocol_dialog.h"

class QLineEdit;

namespace tengun {

class SplineSettingsDialog final : public ProtocolDialog {
    Q_OBJECT
public:
    SplineSettingsDialog(ProgramWide& program, MessageSink message, QWidget* parent = nullptr);

private:
    void confirm();

    QLineEdit* degree_ = nullptr;
    QLineEdit* divisions_ = nullptr;
};

class ThinningDialog final : public ProtocolDialog {
    Q_OBJECT
public:
    ThinningDialog(ProgramWide& program, MessageSink message, QWidget* parent = nullptr);

private:
    void confirm();

    QLineEdit* angle_ = nullptr;
};

/// The explanation of the thinning rule shown in ThinningDialog: a polyline whose points are
/// kept where its direction turns by more than θ and dropped elsewhere; black on white.
QImage thinning_diagram(QSize size = {617, 349});

}  // namespace tengun
