#include "sharing/remote_control.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/wire_head.h"
#include "platform/x11/x11_input.h"
#include "sharing/share_state.h"
#include "sharing/share_viewer.h"
#include "sharing/sharing_messages.h"

#include <cstring>

namespace {

void put_word(std::string& out, int32_t value)
{
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

int32_t get_word(const char* at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(at[i])) << (8 * i);
    return static_cast<int32_t>(v);
}

class XTestTarget : public RemoteReplay::Target {
public:
    bool move_pointer(int x, int y) override { return platform::x11_move_pointer(x, y); }
    bool button(int button, bool press) override { return platform::x11_button(button, press); }
    bool key(unsigned long keysym, bool press) override { return platform::x11_key(keysym, press); }
};

} // namespace

std::string encode_input_record(const InputRecord& r)
{
    std::string out;
    for (int32_t word : { r.kind, r.dx, r.dy, r.mouse_data, r.flags, r.time, r.extra })
        put_word(out, word);
    return out;
}

bool decode_input_record(const char* body, int len, InputRecord& r)
{
    if (!body || len != input_record_len)
        return false;
    int32_t* words[] = { &r.kind, &r.dx, &r.dy, &r.mouse_data, &r.flags, &r.time, &r.extra };
    for (int i = 0; i < 7; ++i)
        *words[i] = get_word(body + 4 * i);
    return true;
}

int send_key_input(const InputRecord& record)
{
    std::string body = encode_input_record(record);
    std::string message = format_wire_head(WireHead { 0, 0, MSG_REMOTE_KEY_INPUT, static_cast<int>(body.size()) }) + body;
    int length = static_cast<int>(message.size());
    return g_main_sock.my_send_fixed_len(message.data(), length) == length ? 0 : -1;
}

int toggle_remote_control()
{
    if (g_remote_controlling.load() == 0)
        return send_request_app_control(0);
    g_remote_controlling = 0;
    return send_release_app_control(0);
}

// ---- viewer

bool RemoteControlViewer::may_send() { return g_remote_controlling.load() != 0 && !this_instance_shares(); }

bool RemoteControlViewer::inside_picture(int x, int y)
{
    if (g_desktop_mode.load())
        return true;
    int left = g_view_share_left.load(), top = g_view_share_top.load();
    return x >= left && x <= left + g_view_share_width.load() && y >= top && y <= top + g_view_share_height.load();
}

void RemoteControlViewer::left_down(int x, int y)
{
    if (may_send() && inside_picture(x, y))
        send_desk_mouse_down(0, x, y);
}

void RemoteControlViewer::left_up(int x, int y)
{
    if (may_send())
        send_desk_mouse_up(0, x, y);
}

void RemoteControlViewer::move(int x, int y)
{
    ++moves_;
    if (may_send() && moves_ % move_thinning == 0)
        send_desk_mouse_move(0, x, y);
}

void RemoteControlViewer::double_click(int x, int y)
{
    if (may_send() && inside_picture(x, y))
        send_desk_mouse_dblclk(0, x, y);
}

void RemoteControlViewer::button_record(int32_t flags, int client_x, int client_y)
{
    InputRecord record;
    record.kind = input_kind_mouse;
    record.dx = client_x;
    record.dy = client_y;
    record.flags = flags;
    send_key_input(record);
}

void RemoteControlViewer::middle(bool down, int client_x, int client_y, int x, int y)
{
    if (may_send() && (!down || inside_picture(x, y)))
        button_record(down ? mouse_middle_down : mouse_middle_up, client_x, client_y);
}

void RemoteControlViewer::right(bool down, int client_x, int client_y, int x, int y)
{
    if (may_send() && (!down || inside_picture(x, y)))
        button_record(down ? mouse_right_down : mouse_right_up, client_x, client_y);
}

void RemoteControlViewer::key_down(int virtual_key, int key_flags)
{
    if (may_send())
        send_desk_key_event(virtual_key, key_flags);
}

// ---- sharer

RemoteReplay::RemoteReplay(Target* target) : target_(target)
{
    if (!target_) {
        static XTestTarget xtest;
        target_ = &xtest;
    }
}

bool RemoteReplay::sharing() { return this_instance_shares(); }

bool RemoteReplay::window_origin(int& left, int& top) const
{
    return g_sharing_app.load() && shared_window_ && shared_window_(left, top);
}

void RemoteReplay::desk_move(int x, int y)
{
    remote_x_ = x;
    remote_y_ = y;
    if (sharing())
        target_->move_pointer(x, y);
}

// The button acts where the moves before it put the pointer.
void RemoteReplay::desk_button(bool down)
{
    if (sharing())
        target_->button(1, down);
}

void RemoteReplay::click_twice()
{
    for (int i = 0; i < 2; ++i) {
        target_->button(1, true);
        target_->button(1, false);
    }
}

void RemoteReplay::desk_double_click(int x, int y)
{
    if (!sharing())
        return;
    target_->move_pointer(x, y);
    click_twice();
}

void RemoteReplay::press_and_release(int virtual_key, const char* from)
{
    unsigned long keysym = platform::keysym_of_virtual_key(virtual_key & 0xffff);
    if (keysym == 0) {
        dbg_log("unknown key %d in %s: dropped.\n", virtual_key, from);
        return;
    }
    target_->key(keysym, true);
    target_->key(keysym, false);
}

void RemoteReplay::desk_key(int virtual_key, int)
{
    if (sharing())
        press_and_release(virtual_key, "the desktop key");
}

void RemoteReplay::app_move(int x, int y)
{
    remote_x_ = x;
    remote_y_ = y;
    int left = 0, top = 0;
    if (window_origin(left, top))
        target_->move_pointer(left + x, top + y);
}

void RemoteReplay::app_button(int x, int y, bool down)
{
    int left = 0, top = 0;
    if (!window_origin(left, top))
        return;
    target_->move_pointer(left + x, top + y);
    target_->button(1, down);
}

void RemoteReplay::app_double_click(int x, int y)
{
    int left = 0, top = 0;
    if (!window_origin(left, top))
        return;
    target_->move_pointer(left + x, top + y);
    click_twice();
}

// The key goes to the window under the remote pointer: the pointer is put
// there first, so a focus-follows-mouse desktop hands it to that window too.
void RemoteReplay::app_key(int wparam, int)
{
    int left = 0, top = 0;
    if (!window_origin(left, top))
        return;
    target_->move_pointer(left + remote_x_, top + remote_y_);
    press_and_release(wparam, "the application key");
}

bool RemoteReplay::key_input(const char* body, int len)
{
    InputRecord r;
    if (!decode_input_record(body, len, r)) {
        dbg_log("input record of %d bytes: dropped.\n", len);
        return false;
    }
    if (!sharing())
        return false;
    if (r.kind == input_kind_mouse) {
        struct Flag {
            int32_t flag;
            int button;
            bool press;
        };
        static constexpr Flag flags[] = { { mouse_left_down, 1, true }, { mouse_left_up, 1, false },
            { mouse_right_down, 3, true }, { mouse_right_up, 3, false }, { mouse_middle_down, 2, true },
            { mouse_middle_up, 2, false } };
        bool any = false;
        for (const Flag& f : flags)
            if (r.flags & f.flag) {
                target_->button(f.button, f.press);
                any = true;
            }
        if (!any)
            dbg_log("input record with mouse flags 0x%x: nothing replayed.\n", static_cast<unsigned>(r.flags));
        return any;
    }
    if (r.kind == input_kind_key) {
        unsigned long keysym = platform::keysym_of_virtual_key(r.dx & 0xffff);
        if (keysym == 0) {
            dbg_log("input record with unknown key %d: dropped.\n", r.dx & 0xffff);
            return false;
        }
        target_->key(keysym, (r.flags & key_flag_up) == 0);
        return true;
    }
    dbg_log("input record of unknown kind %d: dropped.\n", r.kind);
    return false;
}
