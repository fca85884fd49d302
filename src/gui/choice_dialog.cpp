#include "gui/choice_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tengun {

ChoiceDialog::ChoiceDialog(ProgramWide& program, const Choice& choice, MessageSink message,
                           QWidget* parent)
    : ProtocolDialog(program, std::move(message), parent)
{
    setObjectName(QStringLiteral("hozon_keishiki"));
    setWindowTitle(to_qstring(choice.title));
    auto* layout = new QVBoxLayout(this);
    if (!choice.text.empty()) {
        auto* question = new QLabel(to_qstring(choice.text), this);
        question->setObjectName(QStringLiteral("Label1"));
        question->setWordWrap(true);
        layout->addWidget(question);
    }
    for (std::size_t k = 0; k < choice.options.size(); ++k) {
        auto* option = new QRadioButton(to_qstring(choice.options[k].caption), this);
        option->setObjectName(QStringLiteral("Option1(%1)").arg(k));
        option->setChecked(static_cast<int>(k) == choice.initial);
        options_.push_back(option);
        layout->addWidget(option);
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("cancel"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(320);

    connect(ok, &QPushButton::clicked, this, &ChoiceDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, [this] {
        program_.dialog_cancelled = true;
        reject();
    });
}

void ChoiceDialog::confirm()
{
    for (qsizetype k = 0; k < options_.size(); ++k) {
        if (options_[k]->isChecked()) {
            program_.chosen_option = static_cast<int>(k);
            program_.dialog_cancelled = false;
            accept();
            return;
        }
    }
    // Radio buttons in one group always keep one checked once one was; an empty choice list
    // has nothing to confirm.
    reject();
}

}  // namespace tengun
