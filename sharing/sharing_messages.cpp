#include "sharing/sharing_messages.h"

#include "sharing/co_browse.h"
#include "sharing/share_viewer.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/text_util.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"
#include "core/wire_head.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr size_t sharer_text_limit = 127;
constexpr size_t browser_sender_limit = 255;
constexpr size_t browser_url_limit = 2047;
constexpr size_t browser_frame_limit = 100;

int send_with_body(Cwf_socket& socket, int field2, int number, const std::string& body)
{
    return send_wire_message(socket, field2, number, body);
}

int send_head_only(int field2, int number) { return send_with_body(g_main_sock, field2, number, {}); }

int send_mouse(int number, int seat, int x, int y) { return send_with_body(g_main_sock, seat, number, format_text("%4d:%4d", x, y)); }

int send_key(int number, int seat, int w, int l) { return send_with_body(g_main_sock, seat, number, format_text("%10d:%10d", w, l)); }

std::string_view body_view(const char* body, int len) { return body && len > 0 ? std::string_view(body, static_cast<size_t>(len)) : std::string_view(); }

// "%d:%d" from a body; the receive buffer ends every body with a zero byte,
// but a copy keeps the parse independent of that.
bool parse_pair(const char* body, int len, int& a, int& b)
{
    std::string text(body_view(body, len));
    return std::sscanf(text.c_str(), "%d:%d", &a, &b) == 2;
}

uintptr_t as_wparam(int value) { return static_cast<uintptr_t>(static_cast<intptr_t>(value)); }

void post_pair(WindowSlot slot, uint32_t msg, const char* body, int len, const char* handler)
{
    int a = 0, b = 0;
    if (!parse_pair(body, len, a, b)) {
        dbg_log("format error in %s\n", handler);
        return;
    }
    post_window_message(slot, msg, as_wparam(a), b);
}

} // namespace

int send_share_app_start(int seat) { return send_head_only(seat, MSG_SHARE_APP_START); }
int send_share_app_stop(int seat) { return send_head_only(seat, MSG_SHARE_APP_STOP); }
int send_share_app_allow_control(int seat) { return send_head_only(seat, MSG_SHARE_APP_ALLOW_CONTROL); }
int send_share_app_deny_control(int seat) { return send_head_only(seat, MSG_SHARE_APP_DENY_CONTROL); }
int send_request_app_control(int seat) { return send_head_only(seat, MSG_REQUEST_APP_CONTROL); }
int send_release_app_control(int seat) { return send_head_only(seat, MSG_RELEASE_APP_CONTROL); }
int send_share_desk_start() { return send_head_only(0, MSG_SHARE_DESK_START); }
int send_share_desk_stop() { return send_head_only(0, MSG_SHARE_DESK_STOP); }
int send_share_desk_allow_control() { return send_head_only(0, MSG_SHARE_DESK_ALLOW_CONTROL); }
int send_share_desk_deny_control() { return send_head_only(0, MSG_SHARE_DESK_DENY_CONTROL); }
int send_request_desk_control() { return send_head_only(0, MSG_REQUEST_DESK_CONTROL); }
int send_release_desk_control() { return send_head_only(0, MSG_RELEASE_DESK_CONTROL); }

int send_app_mouse_move(int seat, int x, int y) { return send_mouse(MSG_REMOTE_APP_MOUSE_MOVE, seat, x, y); }
int send_app_mouse_down(int seat, int x, int y) { return send_mouse(MSG_REMOTE_APP_LBUTTON_DOWN, seat, x, y); }
int send_app_mouse_up(int seat, int x, int y) { return send_mouse(MSG_REMOTE_APP_LBUTTON_UP, seat, x, y); }
int send_app_mouse_dblclk(int seat, int x, int y) { return send_mouse(MSG_REMOTE_APP_LBUTTON_DBLCLK, seat, x, y); }
int send_desk_mouse_move(int seat, int x, int y) { return send_mouse(MSG_REMOTE_DESK_MOUSE_MOVE, seat, x, y); }
int send_desk_mouse_down(int seat, int x, int y) { return send_mouse(MSG_REMOTE_DESK_LBUTTON_DOWN, seat, x, y); }
int send_desk_mouse_up(int seat, int x, int y) { return send_mouse(MSG_REMOTE_DESK_LBUTTON_UP, seat, x, y); }
int send_desk_mouse_dblclk(int seat, int x, int y) { return send_mouse(MSG_REMOTE_DESK_LBUTTON_DBLCLK, seat, x, y); }
int send_app_key_event(int seat, int w, int l) { return send_key(MSG_REMOTE_APP_KEY, seat, w, l); }
int send_desk_key_event(int w, int l) { return send_key(MSG_REMOTE_DESK_KEY, 0, w, l); }

namespace {

// A field of four characters keeps its width: a number beyond it is clamped.
int fits_4(int value) { return std::clamp(value, -999, 9999); }

} // namespace

int send_share_window_rect(int left, int top, int width, int height)
{
    return send_with_body(g_main_sock, 0, MSG_SHARE_APP_WINDOW_RECT,
                          format_text("%4d:%4d:%4d:%4d", fits_4(left), fits_4(top), fits_4(width), fits_4(height)));
}
int send_share_desk_size(int width, int height)
{
    return send_with_body(g_main_sock, 0, MSG_SHARE_DESK_SIZE, format_text("%4d:%4d", fits_4(width), fits_4(height)));
}
int send_share_cursor_pos(int x, int y)
{
    return send_with_body(g_main_sock, 0, MSG_SHARE_CURSOR_POS, format_text("%4d:%4d", fits_4(x), fits_4(y)));
}
int send_app_viewer_alive() { return send_head_only(0, MSG_APP_VIEWER_ALIVE); }
int send_desk_viewer_alive() { return send_head_only(0, MSG_DESK_VIEWER_ALIVE); }

void do_remote_app_mouse_move_from_server(const char* body, int len, int)
{
    post_pair(WindowSlot::share_view, WM_MY_MSG_REMOTE_APP_MOUSE_MOVE, body, len, "do_remote_app_mouse_move_from_server");
}
void do_remote_app_lbutton_down_from_server(const char* body, int len, int)
{
    post_pair(WindowSlot::share_view, WM_MY_MSG_REMOTE_APP_LBUTTON_DOWN, body, len, "do_remote_app_lbutton_down_from_server");
}
void do_remote_app_lbutton_up_from_server(const char* body, int len, int)
{
    post_pair(WindowSlot::share_view, WM_MY_MSG_REMOTE_APP_LBUTTON_UP, body, len, "do_remote_app_lbutton_up_from_server");
}
void do_remote_app_lbutton_dblclk_from_server(const char* body, int len, int)
{
    post_pair(WindowSlot::share_view, WM_MY_MSG_REMOTE_APP_LBUTTON_DBLCLK, body, len, "do_remote_app_lbutton_dblclk_from_server");
}
void do_remote_desk_mouse_move_from_server(const char* body, int len, int)
{
    post_pair(WindowSlot::share_view, WM_MY_MSG_REMOTE_DESK_MOUSE_MOVE, body, len, "do_remote_desk_mouse_move_from_server");
}
void do_remote_desk_lbutton_down_from_server(const char* body, int len, int)
{
    post_pair(WindowSlot::share_view, WM_MY_MSG_REMOTE_DESK_LBUTTON_DOWN, body, len, "do_remote_desk_lbutton_down_from_server");
}
void do_remote_desk_lbutton_up_from_server(const char* body, int len, int)
{
    post_pair(WindowSlot::share_view, WM_MY_MSG_REMOTE_DESK_LBUTTON_UP, body, len, "do_remote_desk_lbutton_up_from_server");
}
void do_remote_desk_lbutton_dblclk_from_server(const char* body, int len, int)
{
    post_pair(WindowSlot::share_view, WM_MY_MSG_REMOTE_DESK_LBUTTON_DBLCLK, body, len, "do_remote_desk_lbutton_dblclk_from_server");
}

void do_remote_app_key_from_server(const char* body, int len, int)
{
    int w = 0, l = 0;
    if (!parse_pair(body, len, w, l)) {
        dbg_log("format error in do_remote_app_key_from_server\n");
        return;
    }
    post_window_message(WindowSlot::share_app_view, WM_MY_MSG_POST_KEY_DOWN, as_wparam(w), l);
    post_window_message(WindowSlot::share_view, WM_MY_MSG_POST_KEY_DOWN, as_wparam(w), l);
}

void do_remote_desk_key_from_server(const char* body, int len, int)
{
    post_pair(WindowSlot::share_view, WM_MY_MSG_POST_KEY_DOWN_8038, body, len, "do_remote_desk_key_from_server");
}

void do_share_app_refused_from_server(const char* body, int len, int)
{
    post_window_message_with_body(WindowSlot::choose_app, WM_MY_MSG_SHARE_APP_REFUSED, std::string(body_view(body, len)));
}

void do_app_control_allowed_from_server(const char*, int, int)
{
    g_remote_controlling = 1;
    post_window_message(WindowSlot::share_view, WM_MY_MSG_REMOTE_CONTROL_ALLOWED);
}

void do_desk_control_allowed_from_server(const char*, int, int)
{
    g_remote_controlling = 1;
    post_window_message(WindowSlot::share_desktop_view, WM_MY_MSG_REMOTE_CONTROL_ALLOWED_8033);
}

void do_app_control_refused_from_server(const char*, int, int)
{
    g_remote_controlling = 0;
    post_window_message(WindowSlot::share_view, WM_MY_MSG_REMOTE_CONTROL_DENIED);
}

void do_desk_control_refused_from_server(const char*, int, int)
{
    g_remote_controlling = 0;
    post_window_message(WindowSlot::share_desktop_view, WM_MY_MSG_REMOTE_CONTROL_DENIED_8034);
}

void do_share_app_ended_from_server(const char*, int, int)
{
    g_remote_controlling = 0;
    share_viewer_share_ended();
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_SHARE_APP_ENDED);
}

void do_share_desk_ended_from_server(const char*, int, int)
{
    share_viewer_share_ended();
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_SHARE_DESK_ENDED);
}

void do_share_desk_allowed_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_SHARE_DESKTOP_APPROVED);
}

void do_share_desk_refused_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_SHARE_DESKTOP_DENIED);
}

void do_app_overlay_repaint_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::share_view, WM_MY_MSG_SHARE_APP_226);
}

void do_desk_overlay_repaint_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::share_view, WM_MY_MSG_SHARE_DESK_266);
}

// "%4d:%4d": two four-character fields at offsets 0 and 5.
void do_share_cursor_pos_from_server(const char* body, int len, int)
{
    if (len < 9 || body[4] != ':') {
        dbg_log("format error in do_share_cursor_pos_from_server\n");
        return;
    }
    std::string x_text(body, 4);
    std::string y_text(body + 5, 4);
    int x = std::atoi(x_text.c_str());
    int y = std::atoi(y_text.c_str());
    int old_x = g_share_cursor_x.exchange(x);
    int old_y = g_share_cursor_y.exchange(y);
    g_share_cursor_prev_x = old_x;
    g_share_cursor_prev_y = old_y;
    if (x != old_x || y != old_y) {
        post_window_message(WindowSlot::share_view, WM_MY_MSG_SHARE_CURSOR_MOVED);
        // The full-screen window draws the same cursor.
        post_window_message(WindowSlot::full_screen, WM_MY_MSG_SHARE_CURSOR_MOVED);
    }
}

void do_ppt_shared_from_server(const char* body, int len, int)
{
    g_ppt_sharer.set(cut_copy(body_view(body, len), sharer_text_limit));
    post_window_message(WindowSlot::files_page, WM_MY_MSG_PPT_SHARED);
}

void do_excel_shared_from_server(const char* body, int len, int)
{
    g_excel_sharer.set(cut_copy(body_view(body, len), sharer_text_limit));
    post_window_message(WindowSlot::files_page, WM_MY_MSG_EXCEL_SHARED);
}

// "sender:url".
void share_my_ie_open_url_from_server(const char* body, int len, int)
{
    std::string_view text = body_view(body, len);
    record_id_action(record_id_own_browser_url, text.data(), static_cast<int>(std::min<size_t>(text.size(), record_id_text_limit)));
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        std::string copy(text);
        dbg_log("share_my_ie_open_url_from_server format error:\n");
        dbg_log("content is:%s\n", copy.c_str());
        return;
    }
    std::string url = cut_copy(text.substr(colon + 1), browser_url_limit);
    // Refused here, the browser window does not come forward for nothing.
    if (!browser_url_allowed(url, false)) {
        dbg_log("share_my_ie_open_url_from_server: address refused: %s\n", cut_copy(url, 200).c_str());
        return;
    }
    g_browser_sender.set(cut_copy(text.substr(0, colon), browser_sender_limit));
    g_browser_url.set(url);
    send_window_message(WindowSlot::main_frame, WM_MY_MSG_OPEN_SHARED_BROWSER);
}

// "%s:%4d:%s:%s": page name, the frame name's length, the frame name, URL.
// The length says where the frame name ends, so it may hold ':'.
void share_my_ie_open_frame_url_from_server(const char* body, int len, int)
{
    std::string_view text = body_view(body, len);
    auto fail = [&text] {
        std::string copy(text);
        dbg_log("share_my_ie_open_frame_url_from_server format error:\n");
        dbg_log("content is:%s\n", copy.c_str());
    };
    record_id_action(record_id_own_browser_frame_url, text.data(), static_cast<int>(std::min<size_t>(text.size(), record_id_text_limit)));
    size_t colon = text.find(':');
    if (colon == std::string_view::npos || text.size() < colon + 6 || text[colon + 5] != ':') {
        fail();
        return;
    }
    std::string length_text(text.substr(colon + 1, 4));
    char* end = nullptr;
    long frame_len = std::strtol(length_text.c_str(), &end, 10);
    size_t frame_at = colon + 6;
    if (end == length_text.c_str() || frame_len < 0 || static_cast<size_t>(frame_len) > browser_frame_limit
        || text.size() < frame_at + static_cast<size_t>(frame_len) + 1 || text[frame_at + static_cast<size_t>(frame_len)] != ':') {
        fail();
        return;
    }
    std::string frame(text.substr(frame_at, static_cast<size_t>(frame_len)));
    std::string url = cut_copy(text.substr(frame_at + static_cast<size_t>(frame_len) + 1), browser_url_limit);
    if (!browser_url_allowed(url, false) || !ie_frame_name_allowed(frame)) {
        dbg_log("share_my_ie_open_frame_url_from_server: frame or address refused: %s\n", cut_copy(url, 200).c_str());
        return;
    }
    g_browser_sender.set(cut_copy(text.substr(0, colon), browser_sender_limit));
    g_browser_frame_name.set(frame);
    g_browser_url.set(url);
    send_window_message(WindowSlot::main_frame, WM_MY_MSG_IE_OPEN_FRAME_URL);
}

// Asks for the next piece of a whiteboard bitmap: 303 with the number as "%4d".
void do_bmp_download_next_from_server(const char* body, int len, int field2)
{
    std::string text(body_view(body, len));
    int number = 0;
    if (std::sscanf(text.c_str(), "%d", &number) != 1) {
        dbg_log("format error in do_bmp_download_next_from_server\n");
        return;
    }
    send_with_body(g_file_sock, field2, MSG_BMP_DOWNLOAD_REQUEST, format_text("%4d", number));
}

void do_net_speed_673_from_server(const char*, int, int) { post_window_message(WindowSlot::net_speed, WM_MY_MSG_NET_SPEED_673); }
void do_net_speed_674_from_server(const char*, int, int) { post_window_message(WindowSlot::net_speed, WM_MY_MSG_NET_SPEED_674); }
void do_net_speed_result_from_server(const char*, int, int) { post_window_message(WindowSlot::net_speed, WM_MY_MSG_NET_SPEED_RESULT); }

void install_sharing_handlers()
{
    struct Entry {
        int number;
        void (*handler)(const char*, int, int);
    };
    static constexpr Entry main_entries[] = {
        { MSG_REMOTE_APP_MOUSE_MOVE, do_remote_app_mouse_move_from_server },
        { MSG_REMOTE_APP_LBUTTON_DOWN, do_remote_app_lbutton_down_from_server },
        { MSG_REMOTE_APP_LBUTTON_UP, do_remote_app_lbutton_up_from_server },
        { MSG_REMOTE_APP_LBUTTON_DBLCLK, do_remote_app_lbutton_dblclk_from_server },
        { MSG_REMOTE_DESK_MOUSE_MOVE, do_remote_desk_mouse_move_from_server },
        { MSG_REMOTE_DESK_LBUTTON_DOWN, do_remote_desk_lbutton_down_from_server },
        { MSG_REMOTE_DESK_LBUTTON_UP, do_remote_desk_lbutton_up_from_server },
        { MSG_REMOTE_DESK_LBUTTON_DBLCLK, do_remote_desk_lbutton_dblclk_from_server },
        { MSG_REMOTE_APP_KEY, do_remote_app_key_from_server },
        { MSG_REMOTE_DESK_KEY, do_remote_desk_key_from_server },
        { MSG_SHARE_APP_REFUSED, do_share_app_refused_from_server },
        { MSG_APP_CONTROL_ALLOWED, do_app_control_allowed_from_server },
        { MSG_DESK_CONTROL_ALLOWED, do_desk_control_allowed_from_server },
        { MSG_APP_CONTROL_REFUSED, do_app_control_refused_from_server },
        { MSG_DESK_CONTROL_REFUSED, do_desk_control_refused_from_server },
        { MSG_SHARE_APP_ENDED, do_share_app_ended_from_server },
        { MSG_SHARE_DESK_ENDED, do_share_desk_ended_from_server },
        { MSG_SHARE_DESK_ALLOWED, do_share_desk_allowed_from_server },
        { MSG_SHARE_DESK_REFUSED, do_share_desk_refused_from_server },
        { MSG_APP_OVERLAY_REPAINT, do_app_overlay_repaint_from_server },
        { MSG_DESK_OVERLAY_REPAINT, do_desk_overlay_repaint_from_server },
        { MSG_SHARE_CURSOR_POS, do_share_cursor_pos_from_server },
        { MSG_PPT_SHARED, do_ppt_shared_from_server },
        { MSG_EXCEL_SHARED, do_excel_shared_from_server },
        { MSG_IE_OPEN_URL, share_my_ie_open_url_from_server },
        { MSG_IE_OPEN_FRAME_URL, share_my_ie_open_frame_url_from_server },
    };
    static constexpr Entry file_entries[] = {
        { MSG_BMP_DOWNLOAD_NEXT, do_bmp_download_next_from_server },
        { MSG_NET_SPEED_673, do_net_speed_673_from_server },
        { MSG_NET_SPEED_674, do_net_speed_674_from_server },
        { MSG_NET_SPEED_RESULT, do_net_speed_result_from_server },
    };
    for (const Entry& entry : main_entries)
        set_main_handler(entry.number, entry.handler);
    for (const Entry& entry : file_entries)
        set_file_handler(entry.number, entry.handler);
    install_co_browse_handlers();
}
