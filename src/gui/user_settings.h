#pragma once
// What the window remembers between runs, in QSettings under the application's organisation and
// name: the analysis form's size and position, the folder the file chooser was last confirmed
// in, and the last eight files opened, each with the load command that opened it. Tests point
// QSettings at a folder of their own (QSettings::setPath) so that the user's settings stay
// untouched.

#include <QByteArray>
#include <QString>
#include <vector>

namespace tengun {

inline constexpr int recent_file_limit = 8;

struct RecentFile {
    QString command; ///< the load command's menu name, e.g. "csv_file_input"
    QString path;    ///< absolute path
    friend bool operator==(const RecentFile&, const RecentFile&) = default;
};

/// The saved geometry of the analysis form (QWidget::saveGeometry); empty before any.
QByteArray saved_form_geometry();
void save_form_geometry(const QByteArray& geometry);

/// The folder the file chooser was last confirmed in; empty before any.
QString last_folder();
void remember_folder(const QString& folder);
/// At start: makes the last folder the current one when it still exists. True when it did.
bool enter_last_folder();

/// The recent files, newest first; entries whose command is not a load command are left out.
std::vector<RecentFile> recent_files();
/// Puts `file` first (once: an earlier entry of the same path goes) and keeps the newest eight.
/// A file without a load command is not kept.
void add_recent_file(const RecentFile& file);

} // namespace tengun
