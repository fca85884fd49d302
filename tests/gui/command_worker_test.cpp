// A long command in the window: it runs on the worker while the window repaints and answers,
// shows its step and share in the progress bar, refuses a second command, and leaves the form
// exactly as it was when it is cancelled.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "gui/main_form.h"
#include "gui/picture_widget.h"
#include "modal.h"
#include "support/surface_clouds.h"
#include "view/draw_view.h"

namespace tengun {
namespace {

using testing::child;

/// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

/// What the test saw while the command ran, sampled every 10 ms on the window's thread.
struct Seen {
    bool panel_shown = false;
    int largest_share = -1; // progress bar value, 0..1000
    QString step;
    int paints_while_working = 0;
    bool refused = false;
    bool cancelled = false;
};

class CommandWorkerTest : public ::testing::Test {
protected:
    CommandWorkerTest()
    {
        form.dialogs().set_message_sink([this](const std::string& m) { messages.push_back(m); });
        form.resize(1000, 700);
        form.show();
        CommandContext& ctx = form.context();
        ctx.state.points.xyz = testing::random_sheet(300000, 400.0, 400.0, 11, 3.0);
        ctx.state.points.label.assign(ctx.state.points.xyz.size(), 0.0);
        after_load(ctx);
        redraw(ctx);
        QApplication::processEvents();
    }

    /// Runs `name` as its menu item does while a timer watches; `cancel` presses "中止" once the
    /// bar shows a share.
    Seen run_watched(const char* name, bool cancel)
    {
        auto* picture = child<PictureWidget>(&form, "Picture1");
        PaintCounter counter;
        picture->installEventFilter(&counter);
        auto* panel = child<QWidget>(&form, "progress_panel");
        auto* bar = child<QProgressBar>(&form, "progress_bar");
        auto* step = child<QLabel>(&form, "progress_step");
        auto* stop = child<QPushButton>(&form, "cancel_button");
        Seen seen;
        int paints_at_start = -1;
        QTimer watch;
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!form.working()) {
                return;
            }
            if (paints_at_start < 0) {
                paints_at_start = counter.paints;
            }
            picture->update(); // as a window uncovered or resized asks
            seen.paints_while_working = counter.paints - paints_at_start;
            if (!panel->isVisible()) {
                return;
            }
            seen.panel_shown = true;
            seen.largest_share = std::max(seen.largest_share, bar->value());
            if (!seen.cancelled && bar->maximum() > 0 && bar->value() > 0) {
                seen.step = step->text();
            }
            if (!seen.refused) {
                child<QAction>(&form, "heimen")->trigger(); // a second command meanwhile
                seen.refused = true;
            }
            if (cancel && !seen.cancelled && bar->value() > 0 && seen.paints_while_working > 1) {
                stop->click();
                seen.cancelled = true;
            }
        });
        watch.start();
        form.run_menu(*find_menu_command(name));
        watch.stop();
        picture->removeEventFilter(&counter);
        return seen;
    }

    ProgramWide program;
    MainForm form{program};
    std::vector<std::string> messages;
};

TEST_F(CommandWorkerTest, a_cancelled_mesh_leaves_the_form_as_it_was_while_the_window_repainted)
{
    const FormState before = form.context().state;
    const QImage picture_before = child<PictureWidget>(&form, "Picture1")->surface().image();
    const Seen seen = run_watched("menhari", true);

    EXPECT_TRUE(seen.panel_shown) << "the progress bar appears during a long command";
    EXPECT_GT(seen.largest_share, 0);
    EXPECT_TRUE(seen.step.contains(QStringLiteral("面張り"))) << seen.step.toStdString();
    EXPECT_GE(seen.paints_while_working, 2) << "the picture repaints while the worker runs";
    ASSERT_TRUE(seen.cancelled);
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.front().find("実行中です"), std::string::npos) << messages.front();

    EXPECT_FALSE(form.working());
    EXPECT_TRUE(form.context().state == before) << "a cancelled command changes nothing";
    EXPECT_EQ(child<PictureWidget>(&form, "Picture1")->surface().image(), picture_before);
    EXPECT_FALSE(child<QWidget>(&form, "progress_panel")->isVisible());
    EXPECT_FALSE(form.history().can_undo()) << "nothing to undo after a cancelled command";
}

TEST_F(CommandWorkerTest, no_progress_bar_while_a_load_waits_for_its_file_chooser)
{
    // The load runs on the worker and asks for its file there; while the chooser is open the
    // command waits for the user, so the bar stays hidden however long that takes.
    auto* panel = child<QWidget>(&form, "progress_panel");
    bool shown_while_choosing = true;
    testing::when_modal([&](QWidget* modal) {
        QEventLoop wait;
        QTimer::singleShot(500, &wait, &QEventLoop::quit);
        wait.exec(); // the command's progress ticks meanwhile
        shown_while_choosing = panel->isVisible();
        modal->close();
    });
    form.run_menu(*find_menu_command("csv_file_input"));
    EXPECT_FALSE(shown_while_choosing);
    EXPECT_FALSE(form.working());
}

TEST_F(CommandWorkerTest, a_finished_mesh_is_taken_into_the_form_and_can_be_undone)
{
    // A smaller cloud, meshed to its end on the worker.
    CommandContext& ctx = form.context();
    ctx.state.points.xyz = testing::random_sheet(20000, 100.0, 100.0, 5, 1.0);
    ctx.state.points.label.assign(ctx.state.points.xyz.size(), 0.0);
    after_load(ctx);
    const FormState before = ctx.state;
    form.run_menu(*find_menu_command("menhari"));
    EXPECT_FALSE(form.working());
    EXPECT_GT(ctx.state.triangle_count(), 20000U);
    EXPECT_EQ(ctx.state.surface_display, surface_modes::mesh);
    ASSERT_TRUE(form.history().can_undo());
    form.run_menu(*find_menu_command("undo"));
    // (The fields are the widgets' texts the form collected before the command, not compared.)
    EXPECT_TRUE(ctx.state.points == before.points);
    EXPECT_EQ(ctx.state.triangle_count(), 0U);
    EXPECT_EQ(ctx.state.surface_display, before.surface_display);
}

TEST_F(CommandWorkerTest, a_drag_shows_part_of_a_big_cloud_and_the_release_the_full_picture)
{
    auto* picture = child<PictureWidget>(&form, "Picture1");
    CommandContext& ctx = form.context();
    ASSERT_NE(ctx.preview, nullptr);
    ctx.preview->frame_seconds = 1e-9; // every frame too slow: the budget falls to its least
    const auto send = [picture](QEvent::Type type, QPointF at, Qt::MouseButton button,
                                Qt::MouseButtons held) {
        QMouseEvent event(type, at, picture->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(picture, &event);
    };
    /// The picture draw_view makes of the form's state now, at the widget's size.
    const auto full_picture = [&] {
        ImageSurface surface(picture->surface().image().size(), picture->surface().dots_per_inch());
        FormState copy = ctx.state;
        draw_view(surface, copy, program);
        return surface.image();
    };
    for (int k = 0; k < 8; ++k) {
        send(QEvent::MouseMove, {300.0 + 10.0 * k, 200.0 + 5.0 * k}, Qt::NoButton, Qt::LeftButton);
    }
    EXPECT_LT(ctx.preview->budget, ctx.state.point_count());
    const QImage during = picture->surface().image();
    EXPECT_NE(during, full_picture()) << "a drag step draws only part of 300,000 points";
    send(QEvent::MouseButtonRelease, {370.0, 235.0}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(picture->surface().image(), full_picture()) << "the release draws every point";
}

} // namespace
} // namespace tengun
