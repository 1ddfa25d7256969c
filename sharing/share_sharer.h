#pragma once
// The sharer's side of the share view without the window: starting and
// stopping a window or desktop share, the capture tick (cursor, geometry
// messages, the passes), and the library's notices. The view runs the timer
// and forwards its window messages here.

#include "sharing/paint_hook.h"
#include "sharing/tile_capture.h"

#include "platform/x11/x11_windows.h"

#include <functional>
#include <memory>

class ShareSharer {
public:
    static constexpr int capture_period_ms = 1000;

    ShareSharer();

    // An application share approved (202), for the window chosen: its tile
    // files deleted, the sharer set, the timer and the per-window hooks
    // started, the window restored and brought to the front.
    void app_share_approved(platform::XWindowId window);
    // A desktop share approved (242): the timer and the global hooks.
    void desktop_share_approved();
    // The share command again: 201 / 241, flags cleared, timer and hooks stopped.
    void stop_app_share();
    void stop_desktop_share();

    // Timer 1.
    void on_capture_tick();
    // The library's notices (the view's window messages).
    void on_hook_paint_rect(bool global, uintptr_t wparam, intptr_t lparam);
    void on_hook_menu(bool global);
    void on_hook_mouse_pos() { ++mouse_events_; }

    bool sharer() const { return sharer_; }
    platform::XWindowId shared_window() const { return shared_window_; }
    const platform::ScreenRect& shared_rect() const { return shared_rect_; }
    int desktop_width() const { return desktop_width_; }
    int desktop_height() const { return desktop_height_; }
    TileCapturer& capturer(ShareGrid grid) { return grid == ShareGrid::app ? app_ : desk_; }
    PaintHookBinding& hooks() { return hooks_; }
    int mouse_events() const { return mouse_events_; }

    // The view starts and stops its capture timer through this.
    void set_timer_control(std::function<void(bool run)> control) { timer_control_ = std::move(control); }
    // Tests give a source of their own.
    void set_frame_source(std::unique_ptr<FrameSource> source) { source_ = std::move(source); }
    // Called when the shared window vanished and the share ended on its own.
    void set_share_lost(std::function<void()> lost) { share_lost_ = std::move(lost); }

private:
    void start_share_timer();
    void stop_share_timer();
    void app_tick();
    void desk_tick();

    bool sharer_ = false;
    platform::XWindowId shared_window_ = 0;
    platform::ScreenRect shared_rect_;
    int desktop_width_ = 0;
    int desktop_height_ = 0;
    bool timer_running_ = false;
    int mouse_events_ = 0;
    TileCapturer app_ { ShareGrid::app };
    TileCapturer desk_ { ShareGrid::desk };
    PaintHookBinding hooks_;
    std::unique_ptr<FrameSource> source_;
    std::function<void(bool)> timer_control_;
    std::function<void()> share_lost_;
};

// The one sharer of the program (the share view's).
ShareSharer& share_sharer();

// The sharing steps of the global state's set-up and of the program's exit
// (the hooks removed first), and the library's notices.
void install_sharing_parts();
