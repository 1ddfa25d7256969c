#include "core/control_messages.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "core/wire_builders.h"
#include "core/wire_head.h"

#include <algorithm>
#include <string>

namespace {

// The generic builders carry at most this much.
constexpr size_t generic_body_limit = 1024;
constexpr int chat_style_count = 5;

bool has_colon(const std::string& text) { return text.find(':') != std::string::npos; }

int send_text(int number, const std::string& body)
{
    if (body.size() > generic_body_limit) {
        dbg_log("body of %zu bytes too long for message %d.\n", body.size(), number);
        return -1;
    }
    send_cmd_data(number, body);
    return 0;
}

// Bodies beyond the generic builders' 1024 bytes go straight to the main
// connection's scrambling send.
int send_long(int number, const std::string& body)
{
    std::string message = format_wire_head(WireHead { 0, 0, number, static_cast<int>(body.size()) }) + body;
    int length = static_cast<int>(message.size());
    return g_main_sock.my_send_fixed_len(message.data(), length) == length ? 0 : -1;
}

std::string with_style(std::string body, int s1, int s2, int s3, int s4, int s5)
{
    body.push_back('\0');
    for (int s : { s1, s2, s3, s4, s5 })
        body.push_back(static_cast<char>(s));
    return body;
}

} // namespace

int send_login(const std::string& name, const std::string& code)
{
    std::string body = name + ":" + code;
    if (body.size() > login_body_limit) {
        message_box_printf("Login content too long.");
        return -1;
    }
    if (has_colon(name)) {
        message_box_printf("Login name should not contain ':'");
        return -1;
    }
    if (has_colon(code)) {
        message_box_printf("Auth code should not contain ':'.");
        return -1;
    }
    return send_text(MSG_LOGIN, body);
}

int send_logout() { return send_cmd(MSG_LOGOUT), 0; }
int send_get_meeting_room_list() { return send_cmd(MSG_ROOM_LIST_REFRESH), 0; }

int send_create_meeting_room(const std::string& name)
{
    if (name.size() > room_body_limit) {
        message_box_printf("Meeting Room Name should not greater than 64.");
        return -1;
    }
    if (has_colon(name)) {
        message_box_printf("Meeting room name should not contain ':'.");
        return -1;
    }
    return send_text(MSG_ROOM_CREATE, name);
}

int send_join_meeting_room(const std::string& room, const std::string& password)
{
    std::string body = room + ":" + password;
    if (body.size() > room_body_limit) {
        message_box_printf("Meeting Room content should not greater than 64.");
        return -1;
    }
    if (has_colon(room)) {
        message_box_printf("Meeting room name should not contain ':'.");
        return -1;
    }
    if (has_colon(password)) {
        dbg_log("':' in the room password refused in send_join_meeting_room.\n");
        return -1;
    }
    return send_text(MSG_ROOM_JOIN, body);
}

int send_leave_meeting_room() { return send_cmd(MSG_ROOM_LEAVE), 0; }

int send_boost_member(const std::string& name)
{
    if (name.size() > room_body_limit) {
        message_box_printf("Meeting Room content should not greater than 64.");
        return -1;
    }
    return send_text(MSG_KICK_MEMBER, name);
}

namespace {

int send_password_pair(int number, const std::string& old_password, const std::string& new_password)
{
    if (has_colon(old_password)) {
        message_box_printf("old passwd can not contain ':'.");
        return -1;
    }
    if (has_colon(new_password)) {
        message_box_printf("New passwd can not contain ':'.");
        return -1;
    }
    return send_text(number, old_password + ":" + new_password);
}

} // namespace

int send_set_meeting_room_password(const std::string& old_password, const std::string& new_password)
{
    return send_password_pair(MSG_ROOM_SET_PASSWORD, old_password, new_password);
}

int send_set_chairman_password(const std::string& old_password, const std::string& new_password)
{
    return send_password_pair(MSG_SET_CHAIRMAN_PASSWORD, old_password, new_password);
}

int send_start_meeting() { return send_cmd(MSG_MEETING_START), 0; }
int send_stop_meeting() { return send_cmd(MSG_MEETING_STOP), 0; }
int send_get_member_list() { return send_cmd(MSG_MEMBER_LIST_REFRESH), 0; }
int send_talk_start() { return send_cmd(MSG_TALK_START), 0; }
int send_talk_stop() { return send_cmd(MSG_TALK_STOP), 0; }
int send_free_lance_mode() { return send_cmd(MSG_MODE_FREE), 0; }
int send_chairman_control_mode() { return send_cmd(MSG_MODE_CHAIRMAN), 0; }

int send_chat_text(const std::string& text, int s1, int s2, int s3, int s4, int s5)
{
    return send_long(MSG_CHAT_TEXT, with_style(cut_copy(text, chat_text_limit), s1, s2, s3, s4, s5));
}

int send_private_chat(const std::string& target, const std::string& text, int s1, int s2, int s3, int s4, int s5)
{
    if (has_colon(target)) {
        dbg_log("':' in the partner name refused in send_private_chat.\n");
        return -1;
    }
    std::string body = cut_copy(target + ":" + text, chat_body_limit - 1 - chat_style_count);
    return send_long(MSG_PRIVATE_CHAT_SEND, with_style(std::move(body), s1, s2, s3, s4, s5));
}

int send_reload_chat() { return send_cmd(MSG_CHAT_RELOAD), 0; }
int send_rest_room_refresh() { return send_cmd(MSG_REST_ROOM_REFRESH), 0; }
int send_rest_room_chat(const std::string& text) { return send_text(MSG_REST_ROOM_CHAT_SEND, cut_copy(text, rest_room_chat_limit)); }
