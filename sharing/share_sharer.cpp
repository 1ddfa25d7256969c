#include "sharing/share_sharer.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "sharing/share_recording.h"
#include "sharing/sharing_messages.h"
#include "sharing/whole_picture.h"

ShareSharer& share_sharer()
{
    static ShareSharer sharer;
    return sharer;
}

ShareSharer::ShareSharer() : source_(std::make_unique<X11FrameSource>()) {}

void ShareSharer::start_share_timer()
{
    timer_running_ = true;
    if (timer_control_)
        timer_control_(true);
}

void ShareSharer::stop_share_timer()
{
    if (timer_running_ && timer_control_)
        timer_control_(false);
    timer_running_ = false;
}

void ShareSharer::app_share_approved(platform::XWindowId window)
{
    delete_app_tile_files();
    forget_whole_picture(ShareGrid::app);
    shared_window_ = window;
    sharer_ = true;
    app_.restart();
    start_share_timer();
    // Without the library the share runs on full comparisons.
    hooks_.start_paint_hook(window);
    app_.set_dirty();
    platform::x11_restore_window(window);
    platform::x11_activate_window(window);
    g_sharing_app = 1;
    g_desktop_mode = 0;
    reset_tile_versions(ShareGrid::app);
    g_app_tick = 0;
}

void ShareSharer::desktop_share_approved()
{
    forget_whole_picture(ShareGrid::desk);
    reset_tile_versions(ShareGrid::desk);
    g_sharing_desktop = 1;
    g_desktop_mode = 1;
    sharer_ = true;
    desk_.restart();
    g_desk_tick = 0;
    start_share_timer();
    hooks_.start_paint_hook_global();
    desk_.set_dirty();
}

void ShareSharer::stop_app_share()
{
    send_share_app_stop(g_my_customer_id);
    g_sharing_app = 0;
    sharer_ = g_sharing_desktop != 0;
    shared_window_ = 0;
    if (!g_sharing_desktop)
        stop_share_timer();
    hooks_.stop_paint_hook();
}

void ShareSharer::stop_desktop_share()
{
    send_share_desk_stop();
    g_sharing_desktop = 0;
    g_desktop_mode = 0;
    sharer_ = g_sharing_app != 0;
    if (!g_sharing_app)
        stop_share_timer();
    hooks_.stop_paint_hook_global();
}

void ShareSharer::on_capture_tick()
{
    if (!g_sharing_app && !g_sharing_desktop)
        return;
    int x = 0, y = 0;
    if (platform::x11_cursor_position(x, y)) {
        g_share_cursor_prev_x = g_share_cursor_x.load();
        g_share_cursor_prev_y = g_share_cursor_y.load();
        g_share_cursor_x = x;
        g_share_cursor_y = y;
        if (x != g_share_cursor_prev_x || y != g_share_cursor_prev_y)
            send_share_cursor_pos(x, y);
    }
    if (g_sharing_app)
        app_tick();
    else if (g_sharing_desktop)
        desk_tick();
}

void ShareSharer::app_tick()
{
    int tick = ++g_app_tick;
    if (tick % 5 == 0)
        send_app_viewer_alive();
    if (!sharer_ || !shared_window_)
        return;
    if (!platform::x11_window_exists(shared_window_)) {
        // Nothing left to show: the share ends rather than run on without a window.
        dbg_log("the shared window is gone: application sharing stopped.\n");
        stop_app_share();
        if (share_lost_)
            share_lost_();
        return;
    }
    if (tick % 10 == 0) {
        platform::x11_restore_window(shared_window_);
        platform::x11_activate_window(shared_window_);
    }
    if (!platform::x11_window_is_active(shared_window_))
        return;
    platform::ScreenRect rect;
    if (!platform::x11_window_frame_rect(shared_window_, rect))
        return;
    send_share_window_rect(rect.left, rect.top, rect.width, rect.height);
    record_share_window_rect(rect.left, rect.top, rect.width, rect.height);
    shared_rect_ = rect;
    app_.run_pass(rect, *source_, hooks_.paint_hooks_installed());
}

void ShareSharer::desk_tick()
{
    int tick = ++g_desk_tick;
    if (tick % 5 == 0)
        send_desk_viewer_alive();
    if (!sharer_)
        return;
    int w = 0, h = 0;
    if (!platform::x11_screen_size(w, h))
        return;
    send_share_desk_size(w, h);
    record_share_desktop_size(w, h);
    desktop_width_ = w;
    desktop_height_ = h;
    desk_.run_pass({ 0, 0, w, h }, *source_, hooks_.global_hooks_installed());
}

void ShareSharer::on_hook_paint_rect(bool global, uintptr_t wparam, intptr_t lparam)
{
    int left = high_half(wparam), right = low_half(wparam);
    int top = high_half(static_cast<uintptr_t>(lparam)), bottom = low_half(static_cast<uintptr_t>(lparam));
    (global ? desk_ : app_).add_dirty({ left, top, right - left, bottom - top });
}

void ShareSharer::on_hook_menu(bool global) { (global ? desk_ : app_).set_refresh(); }

void install_sharing_parts()
{
    GlobalStateSteps& steps = global_state_steps();
    steps.clear_app_sharing = clear_app_sharing;
    steps.remove_share_hooks = [] {
        share_sharer().hooks().stop_paint_hook();
        share_sharer().hooks().stop_paint_hook_global();
    };
}
