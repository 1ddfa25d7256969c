#pragma once
// The shared-screen view: the upper view that shows another attendee's
// screen tile by tile, with the sharer's cursor and the annotation board 9
// drawn over it. On the sharer's side it runs the capture timer, hands the
// paint library's notices to the sharer (share_sharer) and replays a
// steering viewer's input (remote_control); on a viewer's side its timer 3
// asks for stale tiles, and the mouse and keys draw on board 9 and steer.

#include "core/window_messages.h"
#include "sharing/remote_control.h"
#include "sharing/share_annotation.h"
#include "sharing/share_state.h"
#include "skin/ui/my_form_view.h"
#include "whiteboard/board_gestures.h"

#include <QImage>
#include <QTimer>

#include <array>
#include <memory>
#include <optional>

class CEditTextTool;
class CMyStatic;
class CFormRightUpper2;
class CShareOverlay;
class QPainter;

// The view's content: 1600 x 1000, painted through the view's back buffer.
class CShareCanvas : public QWidget {
    Q_OBJECT
public:
    explicit CShareCanvas(CFormRightUpper2* view);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CFormRightUpper2* view_;
};

class CFormRightUpper2 : public CMyFormView, public WindowTarget, private BoardGestureSurface {
    Q_OBJECT
public:
    static constexpr int area_width = 1600;
    static constexpr int area_height = 1000;
    static constexpr int viewer_period_ms = 1000;

    explicit CFormRightUpper2(QWidget* parent = nullptr);
    ~CFormRightUpper2() override;

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // Timer 1 of the sharer: a capture tick every second while a share runs.
    void start_share_timer();
    void stop_share_timer();
    bool share_timer_running() const { return capture_timer_.isActive(); }
    bool viewer_timer_running() const { return viewer_timer_.isActive(); }
    // The sharer's annotation overlay, while a share runs (timer 2).
    CShareOverlay* overlay() const { return overlay_.get(); }
    void on_overlay_tick();

    // The back buffer as the last paint left it (content coordinates).
    const QImage& back_buffer() const { return buffer_; }
    // Paints the back buffer now from the tiles, board 9 and the cursor.
    void paint_share();
    // The tiles of the grid shown, at content coordinates; fresh files are
    // loaded first (the full-screen window draws the same pictures).
    void paint_tiles(QPainter& p);
    // A recording starts to play: the tiles of an earlier meeting are dropped.
    void forget_tiles();
    CShareCanvas* canvas() const { return canvas_; }
    CMyStatic* title() const { return title_; }
    RemoteControlViewer& remote() { return remote_; }
    RemoteReplay& replay() { return replay_; }

    // The canvas's input, in content coordinates.
    void on_mouse_press(Qt::MouseButton button, QPoint content);
    void on_mouse_release(Qt::MouseButton button, QPoint content);
    void on_mouse_move(QPoint content);
    void on_double_click(Qt::MouseButton button, QPoint content);
    void on_key(int virtual_key, int key_flags);

private:
    QImage& picture_of(ShareGrid grid, int row, int column);
    void load_fresh_tile(ShareGrid grid, int row, int column);
    QPoint scroll_position() const;

    // BoardGestureSurface: the view repaints board 9 from the model, so
    // drawing now is a repaint, and the one rubber band is kept to paint.
    void draw_now(int board, const board_action& action) override;
    void xor_rubber_band(int board, const BoardRubberBand& band) override;
    void set_cursor(int cursor_id) override;
    void capture_mouse() override {}
    void flush_text_entry(int board, bool keep_open) override;
    void open_text_entry(int board) override;
    void invalidate(int board) override;

    CShareCanvas* canvas_ = nullptr;
    CMyStatic* title_ = nullptr;
    QTimer capture_timer_;
    QTimer viewer_timer_;
    QTimer overlay_timer_;
    std::unique_ptr<CShareOverlay> overlay_;
    ShareAnnotation annotation_step_;
    QImage buffer_;
    std::array<QImage, app_grid_size * app_grid_size> app_pictures_;
    std::array<QImage, desk_grid_size * desk_grid_size> desk_pictures_;
    RemoteControlViewer remote_;
    RemoteReplay replay_;
    BoardBuilders builders_;
    BoardGestureController annotation_ { builders_, *this };
    std::optional<BoardRubberBand> band_;
    WindowSlotBinding slot_binding_ { WindowSlot::share_view, this };
};

// The text-entry box of the shared-screen view: made by the view as its child, hidden
// until text is typed onto the picture (UI thread only).
extern CEditTextTool* g_share_text_tool;

// The sharer's cursor as the viewers draw it: an arrow with its tip on the point.
const QImage& share_cursor_image();

// A key of the toolkit as the virtual-key code the sharer's replay reads; 0 when none.
int virtual_key_of(int qt_key);
