#pragma once
// The whiteboard view: the upper view that shows the current page and turns
// mouse gestures into whiteboard messages. The page is painted from the
// model into a 1600 x 1000 back buffer; new actions are painted onto it as
// they arrive, rubber bands are XORed onto it, and the window shows the
// buffer (stretched 2x on a zoomed page). What the user draws appears for
// good when the server relays it back.

#include "core/window_messages.h"
#include "skin/ui/my_form_view.h"
#include "whiteboard/board_gestures.h"
#include "whiteboard/ui/board_back_buffer.h"
#include "whiteboard/ui/board_print.h"

#include <QImage>

#include <functional>
#include <memory>
#include <vector>

class CEditTextTool;
class CMyStatic;
class QMenu;

// The right-click menus' command ids.
namespace board_menu {
inline constexpr int paste_clipboard_bitmap = 33052;
inline constexpr int paste_video = 33054;
inline constexpr int paste_area = 32798;
inline constexpr int paste_window = 32799;
inline constexpr int lock_board = 32866;
inline constexpr int zoom = 32792;
inline constexpr int show_pointer = 32795;
inline constexpr int undo = 32800;
inline constexpr int redo = 32801;
inline constexpr int reload = 32802;
inline constexpr int upload = 32822;
inline constexpr int clear = 32804;
inline constexpr int save_as = 33070;
inline constexpr int save_as_picture = 33071;
inline constexpr int put_to_back = 32830;
inline constexpr int put_to_front = 32829;
inline constexpr int delete_bmp = 32831;
} // namespace board_menu

// Where the main frame's area and window captures put the picture they take.
extern int g_board_paste_x;
extern int g_board_paste_y;

// "Paste Video": opens the video snapshot dialog with the board as its
// target. The program sets it (the dialog lives with the video windows);
// without it the item stays disabled.
std::function<void()>& board_paste_video_opener();

class CBoardCanvas;

class CFormRightUpper1 : public CMyFormView, public WindowTarget, private BoardGestureSurface {
    Q_OBJECT
public:
    explicit CFormRightUpper1(QWidget* parent = nullptr);
    ~CFormRightUpper1() override;

    // The scroll area of the board: 1600 x 1000, 3200 x 2000 while zoomed.
    void set_scroll_size(int width, int height);
    QSize scroll_size() const;
    QPoint scroll_position() const;

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // Stores the view's scroll position and sizes into the current page; and
    // the other way round, when the current page changes.
    void board_save_view_position();
    void board_views_refresh();

    // The back buffer as it stands (page coordinates).
    const QImage& back_buffer();
    CEditTextTool* text_box() const { return text_box_; }
    CBoardCanvas* canvas() const { return canvas_; }
    CMyStatic* caption() const { return caption_; }
    BoardGestureController& gestures() { return gestures_; }
    int selected_bmp() const { return selected_bmp_; }
    QPoint paste_position() const { return { g_board_paste_x, g_board_paste_y }; }

    // The right-click menu at a canvas point (window scale); returns the menu
    // id shown (264 or 160) and leaves it open unless exec is false.
    int OnRButtonUp(QPoint canvas_point, bool exec = true);
    QMenu* context_menu() const { return menu_.get(); }
    void OnCommand(int id);
    void OnPutToBack();
    void OnPutToFront();
    void OnDeleteBmp();
    void OnPasteClipboardBitmap();
    // The verify question (message 580).
    void OnMyMsgBoardVerify(const char* list, int len);
    // Sends the text in the text box (or the page's own text buffer).
    void send_pending_text(int board, bool keep_open);
    // Printing the current page through the print-scale dialog.
    int print(BoardPrintMode mode);

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class CBoardCanvas;
    // BoardGestureSurface
    void draw_now(int board, const board_action& action) override;
    void xor_rubber_band(int board, const BoardRubberBand& band) override;
    void set_cursor(int cursor_id) override;
    void capture_mouse() override;
    void flush_text_entry(int board, bool keep_open) override;
    void open_text_entry(int board) override;
    void invalidate(int board) override;

    // Brings the buffer up to the model: a full repaint when it is stale.
    void ensure_buffer();
    void paint_new_actions(int board, int count);
    void update_page_rect(const QRect& page_rect);
    void follow_page_scroll();
    bool over_caption(QPoint canvas_point) const;
    void text_key(QKeyEvent* event);
    void place_caret();

    CBoardCanvas* canvas_ = nullptr;
    CMyStatic* caption_ = nullptr;
    CEditTextTool* text_box_ = nullptr;
    std::unique_ptr<QMenu> menu_;
    BoardBuilders builders_;
    BoardGestureController gestures_ { builders_, *this };
    BoardBackBuffer buffer_;
    int selected_bmp_ = -1;
    bool following_ = false;  // scrolling to the page's position, not the user's
    QRect caret_;
    WindowSlotBinding slot_binding_ { WindowSlot::board_view, this };
};

// The scrolled surface: paints the buffer and hands input to the view.
class CBoardCanvas : public QWidget {
    Q_OBJECT
public:
    explicit CBoardCanvas(CFormRightUpper1* view);
    // The view is going: events that still arrive (the focus leaving) find none.
    void detach() { view_ = nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    CFormRightUpper1* view_;
};

// The text-entry box of the whiteboard view: made by the view as its child,
// hidden until text is typed onto the picture (UI thread only).
extern CEditTextTool* g_board_text_tool;
