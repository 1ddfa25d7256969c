#include "core/control_messages.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/server_notices.h"
#include "core/server_table.h"
#include "core/text_util.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"

#include <cstdio>
#include <string>

namespace {

// Windows that are sent a body get a terminated copy that lives until they return.
intptr_t send_body(WindowSlot slot, uint32_t msg, const char* body, int len)
{
    std::string copy = body_text(body, len);
    return send_window_message(slot, msg, reinterpret_cast<uintptr_t>(copy.c_str()), static_cast<intptr_t>(copy.size()));
}

// The member-name notices carry the name alone, terminated.
intptr_t send_name(uint32_t msg, const char* body, int len)
{
    std::string copy = body_text(body, len);
    return send_window_message(WindowSlot::main_frame, msg, reinterpret_cast<uintptr_t>(copy.c_str()), 0);
}

// "%d" reading of a text body; false when it holds no number.
bool parse_int(const char* body, int len, int& out)
{
    std::string text = body_text(body, len);
    return std::sscanf(text.c_str(), "%d", &out) == 1;
}

// The meeting-room dialog takes these while it is open, else the members page.
WindowSlot room_dialog_or_members_page()
{
    return window_exists(WindowSlot::meeting_room) ? WindowSlot::meeting_room : WindowSlot::members_page;
}

} // namespace

void do_customer_id_from_server(const char* body, int len, int)
{
    int id = 0;
    if (!parse_int(body, len, id)) {
        dbg_log("customer id not a number in do_customer_id_from_server.\n");
        return;
    }
    g_my_customer_id = id < 0 ? 0 : id;
}

void do_login_ok_from_server(const char* body, int len, int)
{
    g_login_name.set(body_text(body, len));
    g_logged_in = 1;
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_LOGIN_SUCCESS);
    g_company_logo_path.clear();
    g_server_text_792.clear();
    send_cmd(MSG_SERVER_LIST_REQUEST);
    send_cmd(MSG_790);
}

void do_login_failed_from_server(const char*, int, int)
{
    g_login_name.clear();
    g_logged_in = 0;
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_LOGIN_FAILED);
}

void do_not_logged_in_from_server(const char*, int, int)
{
    g_logged_in = 0;
    g_login_name.clear();
    g_room_number = -1;
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_NOT_LOGGED_IN);
}

void do_room_list_first_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_FIRST, body, len);
}

void do_room_list_add_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_ADD, body, len);
}

void do_room_list_changed_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_CHANGED);
}

void do_create_room_failed_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::meeting_room, WM_MY_MSG_CREATE_ROOM_FAILED);
}

void do_room_entered_from_server(const char* body, int len, int)
{
    std::string text = body_text(body, len);
    int number = -1;
    if (std::sscanf(text.c_str(), "%d", &number) != 1) {
        dbg_log("room number not a number in do_room_entered_from_server:%s\n", text.c_str());
        return;
    }
    g_room_number = number < 0 ? -1 : number;
    g_current_room_name.set(text.size() > 5 ? std::string_view(text).substr(5, 64) : std::string_view());
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_ROOM_CAPTION);
    if (window_exists(WindowSlot::meeting_room))
        post_window_message(WindowSlot::meeting_room, WM_MY_MSG_ROOM_CURRENT);
    else
        post_window_message(WindowSlot::main_frame, number < 0 ? WM_MY_MSG_JOIN_ROOM_FAILED : WM_MY_MSG_ROOM_ENTERED);
    if (number >= 0) {
        send_cmd(MSG_581);
        // The server tells the others of a new member (116), not the member
        // itself: the page asks for the room's members now.
        post_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBERS_NOTICE_116);
    }
}

void do_set_room_password_ok_from_server(const char*, int, int)
{
    post_window_message(room_dialog_or_members_page(), WM_MY_MSG_SET_ROOM_PASSWORD_OK);
}

void do_set_room_password_failed_from_server(const char*, int, int)
{
    post_window_message(room_dialog_or_members_page(), WM_MY_MSG_SET_ROOM_PASSWORD_FAILED);
}

// The record is name, zero byte, four characters of customer id; the
// member's flags come in head field 2.
namespace {

intptr_t send_member_record(uint32_t msg, const char* body, int len, int flags)
{
    // Zeros behind the copy: the page reads four characters behind the
    // name's NUL, which a body cut short does not have.
    std::string copy = body_text(body, len);
    copy.append(5, '\0');
    return send_window_message(WindowSlot::members_page, msg, reinterpret_cast<uintptr_t>(copy.c_str()), flags);
}

} // namespace

void do_member_list_first_from_server(const char* body, int len, int field2)
{
    send_member_record(WM_MY_MSG_MEMBER_LIST_FIRST, body, len, field2);
}

void do_member_list_add_from_server(const char* body, int len, int field2)
{
    send_member_record(WM_MY_MSG_MEMBER_LIST_ADD, body, len, field2);
}

void do_kicked_out_from_server(const char*, int, int)
{
    g_room_number = -1;
    g_current_room_name.clear();
    post_window_message(WindowSlot::members_page, WM_MY_MSG_KICKED_OUT);
}

void do_members_notice_116_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBERS_NOTICE_116);
}

void do_members_notice_780_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBERS_NOTICE_780);
}

void do_leave_room_ok_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::members_page, WM_MY_MSG_LEAVE_ROOM_OK);
}

void do_meeting_started_from_server(const char*, int, int)
{
    g_meeting_started = 1;
    post_window_message(WindowSlot::members_page, WM_MY_MSG_MEETING_STARTED);
}

void do_meeting_stopped_from_server(const char*, int, int)
{
    g_meeting_started = 0;
    post_window_message(WindowSlot::members_page, WM_MY_MSG_MEETING_STOPPED);
}

void do_meeting_time_from_server(const char* body, int len, int)
{
    int seconds = 0;
    if (!parse_int(body, len, seconds)) {
        dbg_log("elapsed time not a number in do_meeting_time_from_server.\n");
        return;
    }
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_MEETING_TIME, static_cast<uintptr_t>(seconds));
}

void do_chat_reload_first_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::chat_view, WM_MY_MSG_CHAT_RELOAD_FIRST, body, len);
}

void do_chat_reload_add_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::chat_view, WM_MY_MSG_CHAT_RELOAD_ADD, body, len);
}

void do_main_frame_notice_128_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_CHAT_TEXT);
}

void do_private_chat_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::main_frame, WM_MY_MSG_PRIVATE_CHAT_FROM_SERVER, body, len);
}

void do_rest_room_list_first_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_LIST_FIRST, body, len);
}

void do_rest_room_list_add_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_LIST_ADD, body, len);
}

void do_rest_room_chat_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_CHAT, body, len);
}

// The main frame sets or clears the role flags when it shows these.
void do_chairman_approved_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::main_frame, WM_MY_MSG_CHAIRMAN_APPROVED, body, len);
}

void do_chairman_denied_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::main_frame, WM_MY_MSG_CHAIRMAN_DENIED, body, len);
}

void do_chairman_given_up_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::main_frame, WM_MY_MSG_CHAIRMAN_GIVEN_UP, body, len);
}

void do_presenter_approved_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::main_frame, WM_MY_MSG_PRESENTER_APPROVED, body, len);
}

void do_presenter_given_up_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::main_frame, WM_MY_MSG_PRESENTER_GIVEN_UP, body, len);
}

void do_presenter_apply_from_server(const char* body, int len, int field2)
{
    g_presenter_applicant.set(body_text(body, len));
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_PRESENTER_APPLY, static_cast<uintptr_t>(field2));
}

void do_presenter_denied_from_server(const char* body, int len, int)
{
    send_body(WindowSlot::main_frame, WM_MY_MSG_PRESENTER_DENIED, body, len);
}

void do_become_presenter_from_server(const char* body, int len, int)
{
    g_new_presenter_name.set(body_text(body, len));
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_BECOME_PRESENTER);
}

void do_become_chairman_from_server(const char* body, int len, int)
{
    g_new_chairman_name.set(body_text(body, len));
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_BECOME_CHAIRMAN);
}

void do_hand_raised_from_server(const char* body, int len, int) { send_name(WM_MY_MSG_HAND_RAISED, body, len); }
void do_hand_lowered_from_server(const char* body, int len, int) { send_name(WM_MY_MSG_HAND_LOWERED, body, len); }
void do_member_joined_from_server(const char* body, int len, int) { send_name(WM_MY_MSG_MEMBER_JOINED, body, len); }
void do_member_left_from_server(const char* body, int len, int) { send_name(WM_MY_MSG_MEMBER_LEFT, body, len); }
void do_talker_changed_from_server(const char* body, int len, int) { send_name(WM_MY_MSG_TALKER_CHANGED, body, len); }
void do_talker_gave_up_from_server(const char* body, int len, int) { send_name(WM_MY_MSG_TALKER_GAVE_UP, body, len); }

void do_hand_button_422_from_server(const char* body, int len, int)
{
    g_hand_raised = 1;
    send_body(WindowSlot::members_page, WM_MY_MSG_HAND_BUTTON, body, len);
}

void do_hand_button_423_from_server(const char* body, int len, int)
{
    g_hand_raised = 0;
    send_body(WindowSlot::members_page, WM_MY_MSG_HAND_BUTTON, body, len);
}

void do_member_state_from_server(const char* body, int len, int field2)
{
    int flags = 0;
    if (!parse_int(body, len, flags)) {
        dbg_log("member flags not a number in do_member_state_from_server.\n");
        return;
    }
    post_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBER_STATE, static_cast<uintptr_t>(field2), flags);
}

void push_zoom_one_person_from_server(const char* body, int len, int)
{
    int index = -1;
    if (!parse_int(body, len, index)) {
        dbg_log("customer index not a number in push_zoom_one_person_from_server.\n");
        return;
    }
    if (index < 0) {
        dbg_log("customer_index:%d < 0 in push_zoom_one_person_from_server.\n", index);
        return;
    }
    post_window_message(WindowSlot::members_page, WM_MY_MSG_ZOOM_ONE_PERSON, static_cast<uintptr_t>(index));
}

void do_restore_zoom_from_server(const char*, int, int)
{
    g_zoomed_customer_id = -1;
    for (WindowSlot slot : { WindowSlot::members_page, WindowSlot::video_view, WindowSlot::full_screen })
        post_window_message(slot, WM_MY_MSG_REPAINT);
}

AtomicInt g_probes_received { 0 };

void do_probe_from_server(const char*, int, int)
{
    ++g_probes_received;
    if (g_room_number >= 0)
        send_cmd(MSG_PROBE_ANSWER);
}

void do_server_text_792_from_server(const char* body, int len, int) { g_server_text_792.set(body_text(body, len)); }

void do_784_from_server(const char*, int, int field2) { g_enter_full_screen = field2 & 1; }

void install_control_handlers()
{
    using Body = void (*)(const char*, int);
    struct Entry {
        int number;
        void (*handler)(const char*, int, int);
    };
    static constexpr Entry entries[] = {
        { MSG_HELLO_MAIN, do_customer_id_from_server },
        { MSG_LOGIN_OK, do_login_ok_from_server },
        { MSG_LOGIN_FAILED, do_login_failed_from_server },
        { MSG_NOT_LOGGED_IN, do_not_logged_in_from_server },
        { MSG_ROOM_LIST_FIRST, do_room_list_first_from_server },
        { MSG_ROOM_LIST_ADD, do_room_list_add_from_server },
        { MSG_ROOM_LIST_CHANGED, do_room_list_changed_from_server },
        { MSG_CREATE_ROOM_FAILED, do_create_room_failed_from_server },
        { MSG_ROOM_ENTERED, do_room_entered_from_server },
        { MSG_SET_ROOM_PASSWORD_OK, do_set_room_password_ok_from_server },
        { MSG_SET_ROOM_PASSWORD_FAILED, do_set_room_password_failed_from_server },
        { MSG_MEMBER_LIST_FIRST, do_member_list_first_from_server },
        { MSG_MEMBER_LIST_ADD, do_member_list_add_from_server },
        { MSG_KICKED_OUT, do_kicked_out_from_server },
        { MSG_MEMBERS_NOTICE_116, do_members_notice_116_from_server },
        { MSG_MEMBERS_NOTICE_780, do_members_notice_780_from_server },
        { MSG_LEAVE_ROOM_OK, do_leave_room_ok_from_server },
        { MSG_MEETING_STARTED, do_meeting_started_from_server },
        { MSG_MEETING_STOPPED, do_meeting_stopped_from_server },
        { MSG_MEETING_ELAPSED_TIME, do_meeting_time_from_server },
        { MSG_CHAT_RELOAD_FIRST, do_chat_reload_first_from_server },
        { MSG_CHAT_RELOAD_ADD, do_chat_reload_add_from_server },
        { MSG_MAIN_FRAME_NOTICE_128, do_main_frame_notice_128_from_server },
        { MSG_PRIVATE_CHAT, do_private_chat_from_server },
        { MSG_REST_ROOM_LIST_FIRST, do_rest_room_list_first_from_server },
        { MSG_REST_ROOM_LIST_ADD, do_rest_room_list_add_from_server },
        { MSG_REST_ROOM_CHAT, do_rest_room_chat_from_server },
        { MSG_CHAIRMAN_APPROVED, do_chairman_approved_from_server },
        { MSG_CHAIRMAN_DENIED, do_chairman_denied_from_server },
        { MSG_CHAIRMAN_GIVEN_UP, do_chairman_given_up_from_server },
        { MSG_PRESENTER_APPROVED, do_presenter_approved_from_server },
        { MSG_PRESENTER_GIVEN_UP, do_presenter_given_up_from_server },
        { MSG_PRESENTER_APPLY, do_presenter_apply_from_server },
        { MSG_PRESENTER_DENIED, do_presenter_denied_from_server },
        { MSG_BECOME_PRESENTER, do_become_presenter_from_server },
        { MSG_BECOME_CHAIRMAN, do_become_chairman_from_server },
        { MSG_HAND_RAISED, do_hand_raised_from_server },
        { MSG_HAND_LOWERED, do_hand_lowered_from_server },
        { MSG_MEMBER_JOINED, do_member_joined_from_server },
        { MSG_MEMBER_LEFT, do_member_left_from_server },
        { MSG_TALKER_CHANGED, do_talker_changed_from_server },
        { MSG_TALKER_GAVE_UP, do_talker_gave_up_from_server },
        { MSG_HAND_BUTTON_422, do_hand_button_422_from_server },
        { MSG_HAND_BUTTON_423, do_hand_button_423_from_server },
        { MSG_MEMBER_STATE, do_member_state_from_server },
        { MSG_ZOOM_ONE_PERSON, push_zoom_one_person_from_server },
        { MSG_RESTORE_ZOOM, do_restore_zoom_from_server },
        { MSG_PROBE, do_probe_from_server },
        { MSG_SERVER_TEXT_792, do_server_text_792_from_server },
        { MSG_784, do_784_from_server },
    };
    for (const Entry& e : entries)
        set_main_handler(e.number, e.handler);

    // The server table's and the server notices' handlers take no field 2.
    struct BodyEntry {
        int number;
        Body handler;
    };
    static constexpr BodyEntry body_entries[] = {
        { MSG_SERVER_LIST, do_server_list_from_server },
        { MSG_SERVER_ADDRESS, do_server_address_item_from_server },
        { MSG_NEW_VERSION, do_new_version_from_server },
        { MSG_SERVER_VERSION, do_server_version_from_server },
        { MSG_SERVER_VERSION_TEXT, do_server_version_text_from_server },
        { MSG_SERVER_HELLO, do_server_hello_from_server },
    };
    for (const BodyEntry& e : body_entries)
        set_main_handler(e.number, [handler = e.handler](const char* body, int len, int) { handler(body, len); });
    set_main_handler(MSG_SERVER_LIST_SAVE, [](const char*, int, int) { do_server_list_save_from_server(); });
}
