#include "gui/user_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "app/commands.h"

namespace tengun {

namespace {

const QString geometry_key = QStringLiteral("Form1/geometry");
const QString folder_key = QStringLiteral("sentaku/folder");
const QString recent_key = QStringLiteral("file_input/recent");
const QString command_key = QStringLiteral("command");
const QString path_key = QStringLiteral("path");

bool is_load_command(const QString& name)
{
    const QByteArray utf8 = name.toUtf8();
    const MenuEntry* entry = find_menu_command(std::string_view(utf8.data(), utf8.size()));
    return entry != nullptr && top_menu_of(*entry) == "file_input";
}

} // namespace

QByteArray saved_form_geometry()
{
    return QSettings().value(geometry_key).toByteArray();
}

void save_form_geometry(const QByteArray& geometry)
{
    QSettings().setValue(geometry_key, geometry);
}

QString last_folder()
{
    return QSettings().value(folder_key).toString();
}

void remember_folder(const QString& folder)
{
    QSettings().setValue(folder_key, folder);
}

bool enter_last_folder()
{
    const QString folder = last_folder();
    return !folder.isEmpty() && QFileInfo(folder).isDir() && QDir::setCurrent(folder);
}

std::vector<RecentFile> recent_files()
{
    QSettings settings;
    std::vector<RecentFile> files;
    const int n = settings.beginReadArray(recent_key);
    for (int i = 0; i < n && static_cast<int>(files.size()) < recent_file_limit; ++i) {
        settings.setArrayIndex(i);
        RecentFile file{settings.value(command_key).toString(),
                        settings.value(path_key).toString()};
        if (is_load_command(file.command) && !file.path.isEmpty()) {
            files.push_back(std::move(file));
        }
    }
    settings.endArray();
    return files;
}

void add_recent_file(const RecentFile& file)
{
    if (!is_load_command(file.command) || file.path.isEmpty()) {
        return;
    }
    std::vector<RecentFile> files = recent_files();
    std::erase_if(files, [&](const RecentFile& f) { return f.path == file.path; });
    files.insert(files.begin(), file);
    if (files.size() > static_cast<std::size_t>(recent_file_limit)) {
        files.resize(recent_file_limit);
    }
    QSettings settings;
    settings.remove(recent_key);
    settings.beginWriteArray(recent_key, static_cast<int>(files.size()));
    for (int i = 0; i < static_cast<int>(files.size()); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(command_key, files[static_cast<std::size_t>(i)].command);
        settings.setValue(path_key, files[static_cast<std::size_t>(i)].path);
    }
    settings.endArray();
}

} // namespace tengun
