#pragma once
// The file chooser "ファイル選択" (sentaku): drive list Drive1, folder list Dir1, file list File1
// filtered by the pattern of program.file_kind, name field Text3, OK (Command1) and
// cansel (Command2).
//
// The lists show the process's current folder; entering a folder (activating it in Dir1, or
// choosing a drive) makes it the current folder, so the bare name the user picks opens relative
// to it. OK: dialog_cancelled = false, selected_file_name = Text3 (an empty name shows
// "ファイルを選択して下さい"), close. cansel: dialog_cancelled = true, name cleared, close.
// The close box (or Esc) changes nothing: the flag stays true and the previous name is kept.
// OK also remembers the folder for the next run (user_settings.h).

#include <QStringList>

#include "gui/protocol_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace tengun {

/// File-list patterns for a file_kind: 1 "*.csv", 2 "*.pix", 3 "*.bmp", 4 "*.igs", 5 "*.stl",
/// 6 "*.ply", 7 every pattern that opening by content knows, anything else "*.*".
QStringList file_patterns(int file_kind);

class FileChooser final : public ProtocolDialog {
    Q_OBJECT
public:
    FileChooser(ProgramWide& program, MessageSink message, QWidget* parent = nullptr);

private:
    void enter_folder(const QString& path);
    void fill_lists();
    void confirm();
    void cancel();

    QStringList patterns_;
    QComboBox* drives_ = nullptr;
    QLabel* path_ = nullptr;
    QListWidget* folders_ = nullptr;
    QListWidget* files_ = nullptr;
    QLineEdit* name_ = nullptr;
};

}  // namespace tengun
