#include "shell/ui/left_form_tab.h"

#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "core/wire_builders.h"
#include "sharing/ui/files_page.h"
#include "shell/ui/member_pictures_page.h"
#include "shell/ui/members_page.h"

#include <QResizeEvent>

LeftTabChoice left_tab_choice(int shown, int selected, bool presenter, bool push_mode)
{
    LeftTabChoice choice;
    if (selected == shown)
        return choice;
    choice.show = true;
    choice.notify = presenter && push_mode;
    return choice;
}

CLeftFormTab::CLeftFormTab(QWidget* parent) : CMyTabCtrl(1001, parent)
{
    connect(this, &CMyTabCtrl::selection_changed, this, &CLeftFormTab::OnSelChange);
}

void CLeftFormTab::create_pages()
{
    members_ = new CLeftFormMembers(this);
    files_ = new CLeftFormFiles(this);
    pictures_ = new CLeftFormChild4(this);
    members_->show();
    files_->hide();
    pictures_->hide();
    set_cur_sel(left_tab_members);
    shown_ = left_tab_members;
    place_pages();
}

void CLeftFormTab::resizeEvent(QResizeEvent* event)
{
    CMyTabCtrl::resizeEvent(event);
    place_pages();
}

void CLeftFormTab::place_pages()
{
    if (!members_)
        return;
    // Below the row of tabs; the pictures page takes more of the width.
    const int top = std::max(25, display_rect().top());
    const int w = width();
    const int h = height();
    members_->setGeometry(12, top, std::max(0, w - 25), std::max(0, h - top - 7));
    files_->setGeometry(12, top, std::max(0, w - 25), std::max(0, h - top - 7));
    pictures_->setGeometry(2, top, std::max(0, w - 6), std::max(0, h - top - 4));
}

void CLeftFormTab::show_page(int index)
{
    if (index >= left_tab_members && index <= left_tab_pictures && members_) {
        members_->setVisible(index == left_tab_members);
        files_->setVisible(index == left_tab_files);
        pictures_->setVisible(index == left_tab_pictures);
    }
    if (QWidget* form = parentWidget())
        form->update();
}

void CLeftFormTab::OnSelChange(int index)
{
    LeftTabChoice choice = left_tab_choice(shown_, index, g_is_presenter == 1, g_push_mode == 1);
    if (!choice.show)
        return;
    shown_ = index;
    show_page(index);
    if (choice.notify)
        send_cmd_data_to_all(MSG_BOARD_NOTICE, format_text("%4d", index));
    record_ui_event(record_ui_left_tab, index);
}

void CLeftFormTab::OnMyMsgBoardNotice(int index)
{
    // The presenter's tab, or a recorded one: an index past the three tabs
    // selects no item and shows no page.
    if (index >= 0 && index <= 4)
        set_cur_sel(index);
    if (index >= left_tab_members && index <= left_tab_pictures)
        shown_ = index;
    show_page(index);
}

intptr_t CLeftFormTab::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t)
{
    if (msg == WM_MY_MSG_BOARD_NOTICE)
        OnMyMsgBoardNotice(static_cast<int>(static_cast<intptr_t>(wparam)));
    return 0;
}
