#include "shell/ui/members_page.h"

#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/text_util.h"
#include "media/ui/video_wnd.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_list_ctrl.h"
#include "skin/ui/my_static.h"

#include <QResizeEvent>

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t member_record_limit = 127;
constexpr size_t member_name_chars = 63;
constexpr int list_top_px = 60;
constexpr int list_height_px = 200;

// "name\0" then the customer id in four characters of decimal text; the
// copy the page is given ends in zero bytes, so the id part is always there
// to read, empty when the record had none.
bool parse_member_record(const char* record, std::string& name, int& id)
{
    if (!record)
        return false;
    const size_t name_len = strnlen(record, member_record_limit);
    name.assign(record, name_len);
    id = -1;
    const char* id_part = record + name_len + 1;
    std::string id_text(id_part, strnlen(id_part, 4));
    if (std::sscanf(id_text.c_str(), "%d", &id) != 1)
        id = -1;
    return !name.empty();
}

} // namespace

CLeftFormMembers::CLeftFormMembers(QWidget* parent) : Cgood_dlg_no_upper(131, parent)
{
    // A page inside the tab control, not a window of its own.
    setWindowFlags(Qt::Widget);
    in_label_ = new CMyStatic(1089, tr_ui("You are currently in:"), this);
    room_label_ = new CMyStatic(1025, tr_ui("meeting room"), this);
    list_ = new CMyListCtrl(1026, this);
    list_->insert_column(0, tr_ui("Name"), 150);
    refresh_ = new CMyButton(1027, tr_ui("Refresh"), this);
    connect(refresh_, &QPushButton::clicked, this, &CLeftFormMembers::OnRefresh);
    show_room();
}

void CLeftFormMembers::resizeEvent(QResizeEvent* event)
{
    Cgood_dlg_no_upper::resizeEvent(event);
    const int w = event->size().width();
    in_label_->setGeometry(4, 6, w - 8, 20);
    room_label_->setGeometry(4, 30, w - 8, 20);
    list_->setGeometry(0, list_top_px, w, list_height_px);
    refresh_->setGeometry(4, list_top_px + list_height_px + 8, refresh_->sizeHint().width(), refresh_->sizeHint().height());
}

void CLeftFormMembers::show_room()
{
    if (g_room_number < 0) {
        room_label_->setText(QString());
        return;
    }
    room_label_->setText(QString::fromStdString(g_current_room_name.get()));
}

void CLeftFormMembers::empty_list()
{
    list_->delete_all_items();
    for (int i = 0; i < customer_count; ++i)
        reset_user_slot(i);
    show_room();
}

void CLeftFormMembers::OnRefresh()
{
    empty_list();
    if (g_room_number >= 0)
        send_get_member_list();
}

void CLeftFormMembers::add_member(const char* record, int flags)
{
    std::string name;
    int id = -1;
    if (!parse_member_record(record, name, id))
        return;
    list_->insert_item(0, QString::fromStdString(cut_copy(name, member_name_chars)));
    list_->set_item_data(0, id);
    for (customer_info_record& c : customer_info) {
        if (c.in_use)
            continue;
        c.in_use = 1;
        c.customer_id = id;
        copy_to_field(c.name, name, member_name_chars);
        c.flags = flags;
        break;
    }
}

intptr_t CLeftFormMembers::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    const char* body = reinterpret_cast<const char*>(wparam);
    switch (msg) {
    case WM_MY_MSG_MEMBER_LIST_FIRST:
        empty_list();
        add_member(body, static_cast<int>(lparam));
        break;
    case WM_MY_MSG_MEMBER_LIST_ADD:
        add_member(body, static_cast<int>(lparam));
        break;
    case WM_MY_MSG_MEMBERS_NOTICE_116: OnRefresh(); break;
    case WM_MY_MSG_MEMBERS_NOTICE_780: {
        // The member list is whole: every video window's list offers its rows.
        std::vector<VideoMemberChoice> members;
        for (int row = 0; row < list_->item_count(); ++row)
            members.push_back({ list_->item_text(row, 0).toStdString(), static_cast<int>(list_->item_data(row)) });
        video_windows_set_member_choices(members);
        break;
    }
    case WM_MY_MSG_REPAINT:
        // Out of the room: its members are gone with it.
        if (g_room_number < 0)
            empty_list();
        show_room();
        update();
        break;
    default: break;
    }
    return 0;
}
