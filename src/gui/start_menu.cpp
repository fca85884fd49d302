#include "gui/start_menu.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVersionNumber>
#include <cmath>
#include <numbers>

#include "gui/main_form.h"

namespace tengun {

namespace {

/// The start form's picture: a point cloud sampled on a sphere, seen slightly from above.
QPixmap logo(int size)
{
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double r = size * 0.42;
    const double tilt = 0.45;
    for (int i = 0; i < 14; ++i) {
        const double lat = std::numbers::pi * (i + 0.5) / 14 - std::numbers::pi / 2;
        const int around = static_cast<int>(28 * std::cos(lat)) + 1;
        for (int j = 0; j < around; ++j) {
            const double lon = 2 * std::numbers::pi * j / around;
            const double x = std::cos(lat) * std::cos(lon);
            const double y = std::sin(lat);
            const double z = std::cos(lat) * std::sin(lon);
            const double y2 = y * std::cos(tilt) - z * std::sin(tilt);
            const double z2 = y * std::sin(tilt) + z * std::cos(tilt);
            const int shade = static_cast<int>(120 - 100 * z2);
            p.setPen(Qt::NoPen);
            p.setBrush(z2 > 0 ? QColor(0, 0, shade + 60) : QColor(170, 170, 210));
            p.drawEllipse(QPointF(size / 2.0 + r * x, size / 2.0 - r * y2), 1.8, 1.8);
        }
    }
    return QPixmap::fromImage(image);
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setMinimumHeight(36);
    return b;
}

}  // namespace

QString version_text(const QString& version)
{
    const QVersionNumber v = QVersionNumber::fromString(version);
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3").arg(v.majorVersion()).arg(v.minorVersion()).arg(v.microVersion());
}

StartMenu::StartMenu(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("start_menu"));
    setWindowTitle(QCoreApplication::applicationName());

    auto* picture = new QLabel(this);
    picture->setPixmap(logo(150));
    auto* product = new QLabel(QCoreApplication::applicationName(), this);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 2.4);
    big.setBold(true);
    product->setFont(big);
    auto* purpose = new QLabel(QStringLiteral("３次元点群データの解析"), this);
    auto* version = new QLabel(version_text(QCoreApplication::applicationVersion()), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* open = button(QStringLiteral("Command2"), QStringLiteral("解析フォーム"), this);
    auto* quit = button(QStringLiteral("終了"), QStringLiteral("終了"), this);

    auto* texts = new QVBoxLayout;
    texts->addStretch();
    texts->addWidget(product);
    texts->addWidget(purpose);
    texts->addSpacing(12);
    texts->addWidget(version);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(16);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(open, &QPushButton::clicked, this, [this] { (void)open_main_form(); });
    connect(quit, &QPushButton::clicked, this, [] {
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
}

StartMenu::~StartMenu()
{
    // The forms refer to program_: none may outlive it.
    for (const QPointer<MainForm>& form : forms_) {
        delete form.data();
    }
}

std::vector<MainForm*> StartMenu::open_forms() const
{
    std::vector<MainForm*> open;
    for (const QPointer<MainForm>& form : forms_) {
        if (form) {
            open.push_back(form.data());
        }
    }
    return open;
}

MainForm* StartMenu::open_main_form(bool greet)
{
    std::erase_if(forms_, [](const QPointer<MainForm>& form) { return form.isNull(); });
    // A top-level window of its own, deleted when the user closes it.
    auto* form = new MainForm(program_);
    form->setAttribute(Qt::WA_DeleteOnClose);
    forms_.emplace_back(form);
    form->show();
    if (!greet) {
        return form;
    }
    if (sink_) {
        sink_(basic_operation_message);
    } else {
        show_message_box(form, basic_operation_message);
    }
    return form;
}

}  // namespace tengun
