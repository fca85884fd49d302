// The start form: version and title, one more independent main form per press, and the end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "app/command_helpers.h"
#include "gui/main_form.h"
#include "gui/start_menu.h"
#include "modal.h"

namespace tengun {
namespace {

using testing::child;
using testing::click;
using testing::when_modal;

TEST(StartMenu, shows_title_and_version)
{
    StartMenu start;
    EXPECT_EQ(start.objectName(), "start_menu");
    EXPECT_EQ(child<QLabel>(&start, "lblProductName")->text(), "Tengun");
    EXPECT_EQ(child<QLabel>(&start, "lblVersion")->text(), "ﾊﾞｰｼﾞｮﾝ 2.3.0");
    EXPECT_EQ(child<QPushButton>(&start, "Command2")->text(), "解析フォーム");
    EXPECT_EQ(child<QPushButton>(&start, "終了")->text(), "終了");
    EXPECT_EQ(version_text("2.3"), "ﾊﾞｰｼﾞｮﾝ 2.3.0");
    EXPECT_EQ(version_text("10.0.12"), "ﾊﾞｰｼﾞｮﾝ 10.0.12");
}

TEST(StartMenu, each_press_opens_a_form_of_its_own_sharing_the_program_values)
{
    StartMenu start;
    std::vector<std::string> messages;
    start.set_message_sink([&](const std::string& m) { messages.push_back(m); });
    start.show();
    click(&start, "Command2");
    click(&start, "Command2");
    const std::string basic =
        "基本操作：　マウス左ボタンを押しながらドラッグすると回転します。右ボタンでは画面に垂直に回転します｡両ボタンでは平行移動します｡ まず、file_inputに入って下さい";
    EXPECT_EQ(messages, (std::vector<std::string>{basic, basic}));

    const std::vector<MainForm*> forms = start.open_forms();
    ASSERT_EQ(forms.size(), 2U);
    MainForm& a = *forms[0];
    MainForm& b = *forms[1];
    EXPECT_TRUE(a.isVisible());
    EXPECT_TRUE(b.isVisible());
    EXPECT_EQ(&a.context().program, &start.program());
    EXPECT_EQ(&b.context().program, &start.program());

    a.context().state.points.add({1.0, 2.0, 3.0});
    EXPECT_EQ(b.context().state.point_count(), 0U);

    // A spline setting confirmed in one form is what the other reads.
    when_modal([](QWidget* modal) {
        testing::set_text(modal, "Text1", "5");
        testing::set_text(modal, "Text2", "12");
        click(modal, "Command1");
    });
    a.dialogs().ask_spline_settings(a.context().program);
    EXPECT_EQ(b.context().program.spline_degree, 5.0);
    EXPECT_EQ(b.context().program.division_count, 12.0);

    // Closing a form leaves the other and the start form open.
    a.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(start.open_forms().size(), 1U);
    EXPECT_TRUE(start.isVisible());
}

TEST(StartMenu, opening_message_is_a_box_over_the_new_form)
{
    StartMenu start;
    QString text;
    when_modal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->parentWidget()->objectName(), "Form1");
        box->button(QMessageBox::Ok)->click();
    });
    click(&start, "Command2");
    EXPECT_TRUE(text.startsWith("基本操作："));
    EXPECT_EQ(start.open_forms().size(), 1U);
}

TEST(StartMenu, end_button_closes_every_window)
{
    StartMenu start;
    start.set_message_sink([](const std::string&) {});
    start.show();
    click(&start, "Command2");
    ASSERT_EQ(start.open_forms().size(), 1U);
    click(&start, "終了");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(start.open_forms().empty());
    EXPECT_FALSE(start.isVisible());
}

TEST(StartMenu, a_form_opened_for_a_named_file_skips_the_greeting)
{
    StartMenu start;
    std::vector<std::string> messages;
    start.set_message_sink([&](const std::string& m) { messages.push_back(m); });
    MainForm* form = start.open_main_form(false);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(start.open_forms(), std::vector<MainForm*>{form});
    EXPECT_EQ(&form->context().program, &start.program());
}

}  // namespace
}  // namespace tengun
