#include "gui/file_chooser.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include "formats/file_format.h"
#include "gui/user_settings.h"

namespace tengun {

namespace {

const QString parent_entry = QStringLiteral("..");

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);  // Enter in the folder list enters the folder, nothing else
    return b;
}

}  // namespace

QStringList file_patterns(int file_kind)
{
    switch (file_kind) {
    case file_kinds::csv:
        return {QStringLiteral("*.csv")};
    case file_kinds::pix:
        return {QStringLiteral("*.pix")};
    case file_kinds::bmp:
        return {QStringLiteral("*.bmp")};
    case file_kinds::igs:
        return {QStringLiteral("*.igs")};
    case file_kinds::stl:
        return {QStringLiteral("*.stl")};
    case file_kinds::ply:
        return {QStringLiteral("*.ply")};
    case file_kinds::all_formats: {
        QStringList all;
        for (const std::string_view p : supported_file_patterns()) {
            all.push_back(to_qstring(p));
        }
        return all;
    }
    case file_kinds::results:
        return {QStringLiteral("*.txt"), QStringLiteral("*.json"), QStringLiteral("*.csv")};
    default:
        return {QStringLiteral("*.*")};
    }
}

FileChooser::FileChooser(ProgramWide& program, MessageSink message, QWidget* parent)
    : ProtocolDialog(program, std::move(message), parent), patterns_(file_patterns(program.file_kind))
{
    setObjectName(QStringLiteral("sentaku"));
    setWindowTitle(QStringLiteral("ファイル選択"));

    drives_ = new QComboBox(this);
    drives_->setObjectName(QStringLiteral("Drive1"));
    for (const QFileInfo& drive : QDir::drives()) {
        drives_->addItem(QDir::toNativeSeparators(drive.absoluteFilePath()),
                         drive.absoluteFilePath());
    }
    path_ = new QLabel(this);
    path_->setWordWrap(true);
    folders_ = new QListWidget(this);
    folders_->setObjectName(QStringLiteral("Dir1"));
    folders_->setIconSize({16, 16});
    files_ = new QListWidget(this);
    files_->setObjectName(QStringLiteral("File1"));
    auto* name_label = new QLabel(QStringLiteral("ファイル名＝"), this);
    name_label->setObjectName(QStringLiteral("Label1"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("Text3"));
    auto* ok = button(QStringLiteral("Command1"), QStringLiteral("OK"), this);
    auto* cancel_button = button(QStringLiteral("Command2"), QStringLiteral("cansel"), this);
    auto* pattern_label = new QLabel(patterns_.join(QLatin1Char(' ')), this);
    pattern_label->setWordWrap(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(name_label, 0, 0);
    grid->addWidget(name_, 0, 1, 1, 2);
    grid->addWidget(drives_, 1, 0, 1, 2);
    grid->addWidget(pattern_label, 1, 2);
    grid->addWidget(path_, 2, 0, 1, 2);
    grid->addWidget(folders_, 3, 0, 1, 2);
    grid->addWidget(files_, 2, 2, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel_button);
    grid->addLayout(buttons, 4, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 1);
    resize(560, 400);

    connect(drives_, &QComboBox::activated, this,
            [this](int index) { enter_folder(drives_->itemData(index).toString()); });
    connect(folders_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        enter_folder(QDir::current().absoluteFilePath(item->text()));
    });
    connect(files_, &QListWidget::itemSelectionChanged, this, [this] {
        const auto selected = files_->selectedItems();
        if (!selected.isEmpty()) {
            name_->setText(selected.front()->text());
        }
    });
    connect(files_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        name_->setText(item->text());
        confirm();
    });
    connect(name_, &QLineEdit::returnPressed, this, &FileChooser::confirm);
    connect(ok, &QPushButton::clicked, this, &FileChooser::confirm);
    connect(cancel_button, &QPushButton::clicked, this, &FileChooser::cancel);

    fill_lists();
}

void FileChooser::enter_folder(const QString& path)
{
    // A folder that cannot be entered leaves the lists where they were.
    if (QDir::setCurrent(QDir::cleanPath(path))) {
        fill_lists();
    }
}

void FileChooser::fill_lists()
{
    const QDir here = QDir::current();
    path_->setText(QDir::toNativeSeparators(here.absolutePath()));
    for (int i = 0; i < drives_->count(); ++i) {
        if (here.absolutePath().startsWith(drives_->itemData(i).toString(), Qt::CaseInsensitive)) {
            drives_->setCurrentIndex(i);
        }
    }

    const QIcon folder_icon = style()->standardIcon(QStyle::SP_DirIcon);
    folders_->clear();
    if (!here.isRoot()) {
        folders_->addItem(new QListWidgetItem(folder_icon, parent_entry));
    }
    for (const QString& name :
         here.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        folders_->addItem(new QListWidgetItem(folder_icon, name));
    }

    // Without QDir::CaseSensitive the pattern matches DATA.CSV as well as data.csv. "*.*" means
    // every file, as it does on Windows, also names without a dot.
    const QStringList filters =
        patterns_ == QStringList{QStringLiteral("*.*")} ? QStringList{QStringLiteral("*")} : patterns_;
    files_->clear();
    files_->addItems(here.entryList(filters, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void FileChooser::confirm()
{
    remember_folder(QDir::currentPath());
    program_.dialog_cancelled = false;
    program_.selected_file_name = name_->text().toStdString();
    if (program_.selected_file_name.empty()) {
        message_("ファイルを選択して下さい");
    }
    accept();
}

void FileChooser::cancel()
{
    program_.dialog_cancelled = true;
    program_.selected_file_name.clear();
    reject();
}

}  // namespace tengun
