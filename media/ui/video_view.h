#pragma once
// The video view (CFormRightUpper3): a 1600 x 1000 scroll area with the
// nine video windows in a 3 x 3 grid and, beside them, the still pictures of
// the room's attendees ("bmp/<name>.jpg"). The members page and the main
// frame use its operations through g_video_view.

#include "core/window_messages.h"
#include "skin/ui/my_form_view.h"

#include <array>

class CVideoWnd;

inline constexpr int video_view_width = 1600;
inline constexpr int video_view_height = 1000;

// Where the windows and the attendees' pictures sit in the view.
QPoint video_view_window_place(int index);
inline constexpr int video_view_pictures_left = 560;

class CFormRightUpper3 : public CMyFormView, public WindowTarget {
    Q_OBJECT
public:
    explicit CFormRightUpper3(QWidget* parent = nullptr);
    ~CFormRightUpper3() override;

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // Nothing when a window shows the user already; else the first free window takes it.
    int video_window_assign(int user);
    // Assigns, then opens the zoom dialog of every window showing the user.
    void video_window_zoom_user(int user);
    void video_zoom_window_hide(int user);
    void video_window_close_user(int user);
    // The nine windows here and the six of the member-pictures page.
    void video_windows_clear_all();

    CVideoWnd* window(int index) const { return windows_[static_cast<size_t>(index)]; }
    QWidget* canvas() const { return canvas_; }

private:
    QWidget* canvas_ = nullptr;
    std::array<CVideoWnd*, 9> windows_ {};
    WindowSlotBinding slot_binding_ { WindowSlot::video_view, this };
};

// The view while it exists (UI thread only).
extern CFormRightUpper3* g_video_view;

// The attendees' still pictures in a column from (x, y): each drawn at its
// own size (at most 160 x 120, kept in proportion), its name below. The
// zoomed attendee's is framed. Under the pictures lock, like their writer.
// Returns the height used.
class QPainter;
int paint_member_pictures(QPainter& p, int x, int y, bool only_shown);
