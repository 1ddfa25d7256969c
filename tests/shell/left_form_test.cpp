// The left panel: its three tabs over their pages, the presenter's tab
// pushed to everybody, a tab told by the presenter or a recording.

#include "core/global_state.h"
#include "core/ui_text.h"
#include "core/window_messages.h"
#include "sharing/ui/files_page.h"
#include "shell/ui/left_form.h"
#include "shell/ui/left_form_tab.h"
#include "shell/ui/member_pictures_page.h"
#include "shell/ui/members_page.h"
#include "skin/ui/my_list_ctrl.h"
#include "tests/skin/screenshots.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

QImage render(QWidget& w)
{
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    w.render(&image);
    return image;
}

std::string record(const std::string& name, const char* id)
{
    std::string r = name;
    r.push_back('\0');
    r += id;
    return r + std::string(5, '\0'); // as the handler hands it over
}

} // namespace

TEST(LeftTabChoice, OnlyAnotherTabShowsAndOnlyThePresenterInPushModeTellsTheOthers)
{
    struct Case {
        int shown, selected;
        bool presenter, push;
        bool show, notify;
    };
    const Case cases[] = {
        { 0, 0, true, true, false, false }, // the tab already shown: nothing sent, nothing recorded
        { 0, 1, false, true, true, false },
        { 0, 1, true, false, true, false },
        { 0, 2, true, true, true, true },
        { 2, 0, true, true, true, true },
    };
    for (const Case& c : cases) {
        LeftTabChoice choice = left_tab_choice(c.shown, c.selected, c.presenter, c.push);
        EXPECT_EQ(choice.show, c.show) << c.shown << c.selected;
        EXPECT_EQ(choice.notify, c.notify) << c.shown << c.selected;
    }
}

TEST(LeftForm, StartsOnTheMembersPageAndFollowsTheTabs)
{
    TempHome home;
    CLeftForm form;
    form.resize(220, 500);
    form.show();
    CLeftFormTab* tab = form.tab();
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(g_left_form, &form);
    EXPECT_TRUE(window_exists(WindowSlot::left_tab));
    EXPECT_EQ(tab->item_count(), 3);
    EXPECT_EQ(tab->item_text(0), "Meeting Room");
    EXPECT_EQ(tab->item_text(1), "File Share");
    EXPECT_EQ(tab->item_text(2), "Video");
    EXPECT_EQ(tab->cur_sel(), 0);
    EXPECT_EQ(tab->first_visible(), 0);
    EXPECT_EQ(tab->geometry().topLeft(), QPoint(7, 7));
    EXPECT_TRUE(tab->members_page()->isVisible());
    EXPECT_FALSE(tab->files_page()->isVisible());
    EXPECT_FALSE(tab->pictures_page()->isVisible());

    // A click on a tab shows its page.
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->item_rect(2).center());
    EXPECT_EQ(tab->shown_index(), 2);
    EXPECT_TRUE(tab->pictures_page()->isVisible());
    EXPECT_FALSE(tab->members_page()->isVisible());

    // The presenter's tab, or a recorded one: 3 and 4 change no page.
    for (int index : { 3, 4 }) {
        post_window_message(WindowSlot::left_tab, WM_MY_MSG_BOARD_NOTICE, static_cast<uintptr_t>(index));
        QApplication::processEvents();
        EXPECT_EQ(tab->shown_index(), 2) << index;
        EXPECT_TRUE(tab->pictures_page()->isVisible()) << index;
    }
    post_window_message(WindowSlot::left_tab, WM_MY_MSG_BOARD_NOTICE, 1);
    QApplication::processEvents();
    EXPECT_EQ(tab->cur_sel(), 1);
    EXPECT_EQ(tab->shown_index(), 1);
    EXPECT_TRUE(tab->files_page()->isVisible());
}

TEST(MembersPage, ListsTheNewestMemberFirstAndForgetsTheRoomOnLeaving)
{
    TempHome home;
    CLeftForm form;
    form.resize(220, 500);
    form.show();
    CLeftFormMembers* page = form.tab()->members_page();
    g_room_number = 2;
    g_current_room_name.set("Lobby");
    const std::string names[] = { "first", "second", std::string(70, 'n') };
    send_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBER_LIST_FIRST,
                        reinterpret_cast<uintptr_t>(record(names[0], "1000").c_str()), 1);
    send_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBER_LIST_ADD,
                        reinterpret_cast<uintptr_t>(record(names[1], "1001").c_str()), 0);
    // A record without its id part is still listed.
    std::string bare = names[2] + std::string(5, '\0');
    send_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBER_LIST_ADD, reinterpret_cast<uintptr_t>(bare.c_str()), 0);
    CMyListCtrl* list = page->member_list();
    ASSERT_EQ(list->item_count(), 3);
    // The row keeps the whole name; the attendee table keeps 63 characters.
    EXPECT_EQ(list->item_text(0, 0).toStdString(), names[2]);
    EXPECT_EQ(std::string(customer_info[2].name.data()), std::string(63, 'n'));
    EXPECT_EQ(list->item_text(1, 0), "second");
    EXPECT_EQ(list->item_text(2, 0), "first");
    EXPECT_EQ(list->item_data(2), 1000);
    EXPECT_EQ(list->item_data(0), -1);
    EXPECT_EQ(customer_info[0].customer_id, 1000);
    EXPECT_EQ(customer_info[0].flags, 1);
    EXPECT_EQ(customer_info[2].in_use, 1);

    g_room_number = -1;
    post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
    QApplication::processEvents();
    EXPECT_EQ(list->item_count(), 0);
    EXPECT_EQ(customer_info[0].in_use, 0);
}

// Not compared: the left panel with its members, in the default scheme and both languages.
TEST(LeftForm, Screenshots)
{
    TempHome home;
    const QString dir = screenshot_dir();
    g_room_number = 0;
    g_current_room_name.set("Lobby");
    // The room label is put together below the windows, in the language shown, as in the program.
    set_text_translator([](const char* source) { return QCoreApplication::translate("tamblo", source).toStdString(); });
    // The panel's background and the tabs follow the scheme.
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        CLeftForm form;
        form.resize(220, 420);
        form.show();
        for (const char* name : { "ann", "bob" })
            send_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBER_LIST_ADD,
                                reinterpret_cast<uintptr_t>(record(name, "1000").c_str()), 0);
        post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
        QApplication::processEvents();
        EXPECT_TRUE(render(form).save(QString("%1/left_form_scheme_%2_%3.png").arg(dir).arg(scheme).arg(language)));
    }));
    set_text_translator(nullptr);
    g_room_number = -1;
}
