#pragma once
// The member-pictures page (dialog 168), third page of the left panel: six
// small video windows (100..105, each showing what video-view window 0..5
// shows) and, below them in the same column, the still pictures of the
// members whose video is shown. Its 50 ms timer is the clock that asks the server for the frames of
// the video view's nine windows, so it runs whether the page is shown or not.

#include "core/window_messages.h"
#include "skin/ui/good_dlg_no_upper.h"

#include <QTimer>

#include <array>

class CVideoWnd;
class QScrollArea;

// Where the page's windows and pictures sit on its scrolling canvas.
inline constexpr int pictures_page_windows_left = 5;
inline constexpr int pictures_page_windows_top = 20;
inline constexpr int pictures_page_window_step = 180;
inline constexpr int pictures_page_pictures_left = 10;
inline constexpr int pictures_page_line_step = 30;

class CLeftFormChild4 : public Cgood_dlg_no_upper, public WindowTarget {
    Q_OBJECT
public:
    explicit CLeftFormChild4(QWidget* parent = nullptr);
    ~CLeftFormChild4() override;

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // Kills the timer and sets it at 50 ms again (the video option page).
    void restart_timer();
    void OnTimer();
    bool timer_running() const { return timer_.isActive(); }
    QTimer& timer() { return timer_; }

    CVideoWnd* window(int i) const { return windows_[static_cast<size_t>(i)]; }
    QScrollArea* scroll_area() const { return scroll_; }
    QWidget* canvas() const { return canvas_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QScrollArea* scroll_ = nullptr;
    QWidget* canvas_ = nullptr;
    std::array<CVideoWnd*, 6> windows_ {};
    QTimer timer_;
    WindowSlotBinding slot_binding_ { WindowSlot::pictures_page, this };
};

// The page while it exists (UI thread only).
extern CLeftFormChild4* g_left_form_child4;
