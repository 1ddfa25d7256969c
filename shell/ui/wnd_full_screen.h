#pragma once
// The full-screen view: the current upper view (whiteboard, attendees'
// pictures, shared screen or playback) over the whole screen in a frameless
// window that stays on top, with a floating tool bar of drawing tools in its
// top-left corner. The whiteboard and the shared screen take drawing as
// their views do; the shared screen takes remote control. Made once, then
// shown and hidden.

#include "core/window_messages.h"
#include "shell/full_screen_rules.h"
#include "whiteboard/board_gestures.h"
#include "whiteboard/ui/board_back_buffer.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class CEditTextTool;
class CFormRightUpper1;
class CFormRightUpper2;
class CMainFrame;
class CWndFullScreenToolbar;
class QScrollBar;

class CWndFullScreen : public QWidget, public WindowTarget, private BoardGestureSurface {
    Q_OBJECT
public:
    // The views whose content it shows (either may be null); the frame owns it.
    CWndFullScreen(QWidget* owner, CFormRightUpper1* board_view, CFormRightUpper2* share_view);
    ~CWndFullScreen() override;

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // Shown over the whole of the owner's screen (its geometry, also where no
    // window manager makes it full screen), with the scroll ranges of the
    // current view.
    void show_over_screen();
    // The scroll ranges and position of the current view, applied to the bars.
    void set_scroll_sizes();
    // Close: the whiteboard's position goes back to its page, the window hides.
    void leave();
    // The tool bar's commands and the menu's (1 / 32935 Close, 2 / 32936 Show Scroll ...).
    void OnCommand(int id);

    bool scroll_bars_shown() const { return scroll_bars_shown_; }
    const FullScreenScroll& scroll() const { return scroll_; }
    QPoint scroll_position() const { return { scroll_.x, scroll_.y }; }
    QScrollBar* horizontal_bar() const { return horizontal_; }
    QScrollBar* vertical_bar() const { return vertical_; }
    CWndFullScreenToolbar* toolbar() const { return toolbar_; }
    CEditTextTool* text_box() const { return text_box_; }
    // The canvas of the view as the last paint made it (1600 x 1000).
    const QImage& canvas() const { return canvas_; }
    // Where the attendees' pictures were put at the last paint, in list order.
    const std::vector<QRect>& people_places() const { return people_places_; }

    // What runs the frame's commands (undo, redo, clear, reload, font ...):
    // true when the command was enabled and ran.
    void set_frame_command(std::function<bool(int id)> run) { frame_command_ = std::move(run); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Painting, by the current view, onto the 1600 x 1000 canvas.
    void paint_board(QPainter& p);
    void paint_people();
    void paint_share();
    void paint_playback();
    void paint_background(QPainter& p, const QRect& rect);

    void on_scrolled();
    void place_scroll_bars();
    // The ranges made again when the view or the page's zoom changed since they were set.
    void follow_view();
    void apply_scroll();
    int current_tool() const;
    QPoint board_point(QPoint window_point) const;
    bool remote_allowed() const;
    void run_frame_command(int id);

    // BoardGestureSurface
    void draw_now(int board, const board_action& action) override;
    void xor_rubber_band(int board, const BoardRubberBand& band) override;
    void set_cursor(int) override {}
    void capture_mouse() override {}
    void flush_text_entry(int board, bool keep_open) override;
    void open_text_entry(int board) override;
    void invalidate(int board) override;

    QPointer<CFormRightUpper1> board_view_;
    QPointer<CFormRightUpper2> share_view_;
    CWndFullScreenToolbar* toolbar_ = nullptr;
    CEditTextTool* text_box_ = nullptr;
    QScrollBar* horizontal_ = nullptr;
    QScrollBar* vertical_ = nullptr;
    bool scroll_bars_shown_ = false;
    bool setting_bars_ = false;
    FullScreenScroll scroll_;
    int scroll_view_ = 0;         // the view and zoom the ranges were set for
    bool scroll_zoomed_ = false;
    BoardBackBuffer board_buffer_;
    QImage canvas_;
    std::vector<QRect> people_places_;
    // Rubber bands shown over the shared screen (board 9).
    std::vector<BoardRubberBand> share_bands_;
    // This window's own pen and eraser move counters.
    int pen_moves_ = 0;
    int eraser_moves_ = 0;
    BoardBuilders builders_;
    BoardGestureController gestures_;
    std::function<bool(int)> frame_command_;
    WindowSlotBinding slot_binding_ { WindowSlot::full_screen, this };
};

// The one full-screen window while it exists (UI thread only).
extern CWndFullScreen* g_full_screen;

// The frame's part: command 32893 (shows the view, or leaves it when it is
// shown, F11) and the window messages of the presenter's push
// (main_frame_hooks().show_full_screen / leave_full_screen).
void install_full_screen_commands(CMainFrame* frame);
// Showing as the frame does it: made once or shown again, the scroll ranges,
// the shared screen's view at its top-left, the own-video dialog on top; the
// presenter in push mode takes everyone along (414); interface event 5.
void show_full_screen_view(CMainFrame* frame);
// Leaving (Close): the window's leave, then 415 in push mode, interface event 6.
void leave_full_screen_view();
bool full_screen_view_shown();
