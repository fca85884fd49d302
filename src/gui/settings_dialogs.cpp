#include "gui/settings_dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <array>
#include <cmath>
#include <numbers>

#include "geometry/number_text.h"

namespace tengun {

namespace {

QLabel* label(const QString& name, const QString& caption, QWidget* parent)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

QLineEdit* field(const QString& name, const QString& text, QWidget* parent)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setMaximumWidth(90);
    return e;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

/// OK and cancel at the bottom right; OK answers Enter.
QHBoxLayout* button_row(QPushButton* ok, QPushButton* cancel)
{
    ok->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

/// The number in `edit`, or a message naming the field and false.
bool read_number(const QLineEdit* edit, const char* field_name, const MessageSink& message,
                 double& value)
{
    if (parse_number(edit->text().toStdString(), value)) {
        return true;
    }
    message(std::string(field_name) + "には数値を入力して下さい");
    return false;
}

/// Screen direction of a -> b in degrees, counter-clockwise as QPainter's arcs count.
double direction_deg(QPointF a, QPointF b)
{
    return std::atan2(-(b.y() - a.y()), b.x() - a.x()) * 180.0 / std::numbers::pi;
}

}  // namespace

SplineSettingsDialog::SplineSettingsDialog(ProgramWide& program, MessageSink message,
                                           QWidget* parent)
    : ProtocolDialog(program, std::move(message), parent)
{
    setObjectName(QStringLiteral("jisuu_settei"));
    setWindowTitle(QStringLiteral("次数と点数をセット"));

    degree_ = field(QStringLiteral("Text1"), QStringLiteral("3"), this);
    divisions_ = field(QStringLiteral("Text2"), QStringLiteral("10"), this);
    auto* ok = button(QStringLiteral("Command1"), QStringLiteral("OK"), this);
    auto* cancel = button(QStringLiteral("Command2"), QStringLiteral("cancel"), this);

    auto* grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("Label1(0)"), QStringLiteral("スプライン次数＝"), this), 0, 0);
    grid->addWidget(degree_, 0, 1);
    grid->addWidget(label(QStringLiteral("Label1(1)"), QStringLiteral("直線なら１次"), this), 0, 2);
    grid->addWidget(
        label(QStringLiteral("Label1(3)"), QStringLiteral("全点通過なら(点群数-1）次"), this), 1, 2);
    grid->addWidget(
        label(QStringLiteral("Label1(4)"), QStringLiteral("Bスプラインは３次固定"), this), 2, 2);
    grid->addWidget(label(QStringLiteral("Label1(2)"), QStringLiteral("点間の分割数＝"), this), 3, 0);
    grid->addWidget(divisions_, 3, 1);
    grid->setColumnStretch(2, 1);
    grid->setHorizontalSpacing(12);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(button_row(ok, cancel));
    setMinimumWidth(440);

    connect(ok, &QPushButton::clicked, this, &SplineSettingsDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, [this] {
        program_.dialog_cancelled = true;
        reject();
    });
}

void SplineSettingsDialog::confirm()
{
    double degree = 0.0;
    double divisions = 0.0;
    if (!read_number(degree_, "スプライン次数", message_, degree) ||
        !read_number(divisions_, "点間の分割数", message_, divisions)) {
        return;
    }
    program_.spline_degree = degree;
    program_.division_count = divisions;
    program_.dialog_cancelled = false;
    accept();
}

ThinningDialog::ThinningDialog(ProgramWide& program, MessageSink message, QWidget* parent)
    : ProtocolDialog(program, std::move(message), parent)
{
    setObjectName(QStringLiteral("setumei"));
    setWindowTitle(QStringLiteral("間引き方の説明"));

    auto* picture = label(QStringLiteral("Picture1"), QString(), this);
    picture->setPixmap(QPixmap::fromImage(thinning_diagram()));
    picture->setFrameShape(QFrame::Box);
    angle_ = field(QStringLiteral("Text1"), QStringLiteral("10"), this);
    auto* scroll = new QScrollBar(Qt::Vertical, this);
    scroll->setObjectName(QStringLiteral("VScroll1"));
    scroll->setRange(0, 30);
    scroll->setValue(10);
    scroll->setMinimumHeight(120);
    auto* ok = button(QStringLiteral("Command1"), QStringLiteral("OK"), this);
    auto* cancel = button(QStringLiteral("Command2"), QStringLiteral("cancel"), this);

    auto* angle_row = new QHBoxLayout;
    angle_row->addWidget(label(QStringLiteral("Label1"), QStringLiteral("間引き角度θ＝"), this));
    angle_row->addWidget(angle_);
    angle_row->addWidget(label(QStringLiteral("Label2"), QStringLiteral("度"), this));
    angle_row->addStretch();

    auto* side = new QVBoxLayout;
    side->addWidget(scroll, 1, Qt::AlignHCenter);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(angle_row);
    layout->addLayout(button_row(ok, cancel));

    connect(scroll, &QScrollBar::valueChanged, this,
            [this](int value) { angle_->setText(QString::number(value)); });
    connect(ok, &QPushButton::clicked, this, &ThinningDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, [this] {
        program_.dialog_cancelled = true;
        reject();
    });
}

void ThinningDialog::confirm()
{
    double angle = 0.0;
    if (!read_number(angle_, "間引き角度", message_, angle)) {
        return;
    }
    program_.thinning_angle = angle;
    program_.dialog_cancelled = false;
    accept();
}

QImage thinning_diagram(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font;
    font.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Sans Serif")});
    font.setPixelSize(15);
    p.setFont(font);

    // Drawn for 617 x 349 and scaled to the size asked for.
    p.scale(size.width() / 617.0, size.height() / 349.0);

    // Three straight runs with a little scatter; the corners A, B, C, D are what thinning keeps.
    const std::array<QPointF, 4> corners{QPointF(40, 290), QPointF(250, 255), QPointF(420, 130),
                                         QPointF(585, 175)};
    const std::array<int, 3> steps{5, 4, 3};
    const std::array<double, 4> scatter{3.0, -2.5, 2.0, -3.0};
    std::vector<QPointF> points{corners[0]};
    std::vector<bool> kept{true};
    for (std::size_t run = 0; run < steps.size(); ++run) {
        const QPointF a = corners[run];
        const QPointF b = corners[run + 1];
        for (int k = 1; k <= steps[run]; ++k) {
            const double t = static_cast<double>(k) / steps[run];
            const bool corner = k == steps[run];
            const double off = corner ? 0.0 : scatter[static_cast<std::size_t>(k) % scatter.size()];
            points.push_back(a + t * (b - a) + QPointF(0.0, off));
            kept.push_back(corner);
        }
    }

    p.setPen(QPen(QColor(90, 90, 90), 1.5));
    p.drawPolyline(points.data(), static_cast<int>(points.size()));

    // The turn at B: the run's direction carried on (dashed) and the angle to the new direction.
    const QPointF a = corners[0];
    const QPointF b = corners[1];
    const QPointF c = corners[2];
    const double d1 = direction_deg(a, b);
    const double d2 = direction_deg(b, c);
    const QPointF ahead = b + (b - a) * (120.0 / std::hypot(b.x() - a.x(), b.y() - a.y()));
    p.setPen(QPen(Qt::black, 1.0, Qt::DashLine));
    p.drawLine(b, ahead);
    const double r = 62.0;
    p.setPen(QPen(Qt::black, 1.5));
    p.drawArc(QRectF(b.x() - r, b.y() - r, 2 * r, 2 * r), static_cast<int>(d1 * 16),
              static_cast<int>((d2 - d1) * 16));
    const double mid = (d1 + d2) / 2.0 * std::numbers::pi / 180.0;
    p.drawText(QPointF(b.x() + (r + 10) * std::cos(mid), b.y() - (r + 10) * std::sin(mid) + 5),
               QStringLiteral("θ"));

    for (std::size_t i = 0; i < points.size(); ++i) {
        if (kept[i]) {
            p.setPen(QPen(Qt::black, 1.5));
            p.setBrush(Qt::black);
            p.drawEllipse(points[i], 6.5, 6.5);
        } else {
            p.setPen(QPen(QColor(110, 110, 110), 1.5));
            p.setBrush(Qt::white);
            p.drawEllipse(points[i], 5.0, 5.0);
        }
    }

    p.setPen(Qt::black);
    p.drawText(QPointF(20, 30), QStringLiteral("点の並び順に結んだ折れ線の向きを調べ、"));
    p.drawText(QPointF(20, 54), QStringLiteral("θ（度）以上方向が変わる点を残す"));
    p.drawText(QPointF(20, 78), QStringLiteral("それ以外の点は間引く（最初と最後の点は残す）"));

    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(330, 300), 6.5, 6.5);
    p.drawText(QPointF(345, 305), QStringLiteral("残す点"));
    p.setPen(QPen(QColor(110, 110, 110), 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(450, 300), 5.0, 5.0);
    p.setPen(Qt::black);
    p.drawText(QPointF(465, 305), QStringLiteral("間引く点"));
    return image;
}

}  // namespace tengun
