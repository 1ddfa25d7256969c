#include "sharing/ui/share_view.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "core/title_status.h"
#include "core/ui_text.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "sharing/share_sharer.h"
#include "sharing/share_viewer.h"
#include "sharing/ui/share_overlay.h"
#include "sharing/ui/share_picture.h"
#include "skin/ui/edit_text_tool.h"
#include "skin/ui/my_static.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_paint.h"
#include "whiteboard/ui/board_text_box.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>

CEditTextTool* g_share_text_tool = nullptr;

namespace {

constexpr int board_annotation = 9;

} // namespace

const QImage& share_cursor_image()
{
    static const QImage image = [] {
        QImage img(12, 19, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        QPolygon arrow({ QPoint(0, 0), QPoint(0, 16), QPoint(4, 12), QPoint(7, 18), QPoint(9, 17), QPoint(6, 11),
                         QPoint(11, 11) });
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawPolygon(arrow);
        return img;
    }();
    return image;
}

int virtual_key_of(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Space)
        return key;  // the same codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    struct Pair {
        int qt;
        int vk;
    };
    static constexpr Pair table[] = {
        { Qt::Key_Backspace, 0x08 }, { Qt::Key_Tab, 0x09 }, { Qt::Key_Return, 0x0d }, { Qt::Key_Enter, 0x0d },
        { Qt::Key_Shift, 0x10 }, { Qt::Key_Control, 0x11 }, { Qt::Key_Alt, 0x12 }, { Qt::Key_Pause, 0x13 },
        { Qt::Key_CapsLock, 0x14 }, { Qt::Key_Escape, 0x1b }, { Qt::Key_PageUp, 0x21 }, { Qt::Key_PageDown, 0x22 },
        { Qt::Key_End, 0x23 }, { Qt::Key_Home, 0x24 }, { Qt::Key_Left, 0x25 }, { Qt::Key_Up, 0x26 },
        { Qt::Key_Right, 0x27 }, { Qt::Key_Down, 0x28 }, { Qt::Key_Print, 0x2c }, { Qt::Key_Insert, 0x2d },
        { Qt::Key_Delete, 0x2e }, { Qt::Key_Menu, 0x5d }, { Qt::Key_NumLock, 0x90 }, { Qt::Key_ScrollLock, 0x91 },
        { Qt::Key_Semicolon, 0xba }, { Qt::Key_Equal, 0xbb }, { Qt::Key_Comma, 0xbc }, { Qt::Key_Minus, 0xbd },
        { Qt::Key_Period, 0xbe }, { Qt::Key_Slash, 0xbf }, { Qt::Key_QuoteLeft, 0xc0 }, { Qt::Key_BracketLeft, 0xdb },
        { Qt::Key_Backslash, 0xdc }, { Qt::Key_BracketRight, 0xdd }, { Qt::Key_Apostrophe, 0xde },
    };
    for (const Pair& p : table)
        if (p.qt == key)
            return p.vk;
    return 0;
}

CShareCanvas::CShareCanvas(CFormRightUpper2* view) : view_(view)
{
    setFixedSize(CFormRightUpper2::area_width, CFormRightUpper2::area_height);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CShareCanvas::paintEvent(QPaintEvent* event)
{
    try {
        view_->paint_share();
        QPainter p(this);
        p.drawImage(event->rect(), view_->back_buffer(), event->rect());
    } catch (...) {
        dbg_log("exception in FormRightUpper2::OnPaint.\n");
    }
}

void CShareCanvas::mousePressEvent(QMouseEvent* event) { view_->on_mouse_press(event->button(), event->position().toPoint()); }
void CShareCanvas::mouseReleaseEvent(QMouseEvent* event) { view_->on_mouse_release(event->button(), event->position().toPoint()); }
void CShareCanvas::mouseMoveEvent(QMouseEvent* event) { view_->on_mouse_move(event->position().toPoint()); }
void CShareCanvas::mouseDoubleClickEvent(QMouseEvent* event) { view_->on_double_click(event->button(), event->position().toPoint()); }

void CShareCanvas::keyPressEvent(QKeyEvent* event)
{
    if (int vk = virtual_key_of(event->key()))
        view_->on_key(vk, 1 | (static_cast<int>(event->nativeScanCode() & 0xff) << 16));
}

CFormRightUpper2::CFormRightUpper2(QWidget* parent) : CMyFormView(105, parent)
{
    setObjectName("view_share");
    buffer_ = QImage(area_width, area_height, QImage::Format_RGB32);
    canvas_ = new CShareCanvas(this);
    setWidget(canvas_);
    title_ = new CMyStatic(1, tr_ui("Share"), viewport());
    title_->setGeometry(2, 2, 128, 20);
    title_->raise();
    title_->show();
    g_share_text_tool = make_board_text_box(canvas_);
    capture_timer_.setInterval(ShareSharer::capture_period_ms);
    connect(&capture_timer_, &QTimer::timeout, this, [] {
        try {
            share_sharer().on_capture_tick();
        } catch (...) {
            dbg_log("exception in CFormRightUpper2::OnTimer.\n");
        }
    });
    share_sharer().set_timer_control([this](bool run) { run ? start_share_timer() : stop_share_timer(); });
    share_sharer().set_share_lost([] { message_box_printf("Application Sharing Stopped."); });
    replay_.set_shared_window([](int& left, int& top) {
        const platform::ScreenRect& r = share_sharer().shared_rect();
        left = r.left;
        top = r.top;
        return share_sharer().shared_window() != 0;
    });
    viewer_timer_.setInterval(viewer_period_ms);
    connect(&viewer_timer_, &QTimer::timeout, this, [] {
        try {
            viewer_tick();
        } catch (...) {
            dbg_log("exception in CFormRightUpper2::OnTimer.\n");
        }
    });
    viewer_timer_.start();
    overlay_timer_.setInterval(ShareAnnotation::overlay_period_ms);
    connect(&overlay_timer_, &QTimer::timeout, this, [this] {
        try {
            on_overlay_tick();
        } catch (...) {
            dbg_log("exception in CFormRightUpper2::OnTimer.\n");
        }
    });
    // Board 9's actions arrive on the main connection's thread.
    board_window_hooks().invalidate_share_view = [](int) { post_window_message(WindowSlot::share_view, WM_MY_MSG_REPAINT); };
}

void CFormRightUpper2::start_share_timer()
{
    capture_timer_.start();
    if (!overlay_)
        overlay_ = std::make_unique<CShareOverlay>();
    overlay_->refresh();
    overlay_timer_.start();
}

void CFormRightUpper2::stop_share_timer()
{
    capture_timer_.stop();
    overlay_timer_.stop();
    overlay_.reset();
}

void CFormRightUpper2::on_overlay_tick()
{
    ShareAnnotation::Step step = annotation_step_.overlay_step();
    if (!overlay_)
        return;
    if (step.segment) {
        const board_record& page = g_board[board_annotation];
        overlay_->add_segment(step.x1, step.y1, step.x2, step.y2, page.pen_width,
                              static_cast<unsigned>(page.pen_red | (page.pen_green << 8) | (page.pen_blue << 16)));
    }
    if (step.repaint || step.cleared)
        overlay_->refresh();
}

CFormRightUpper2::~CFormRightUpper2()
{
    // The box goes with the view.
    g_share_text_tool = nullptr;
    share_sharer().set_timer_control({});
    share_sharer().set_share_lost({});
}

QPoint CFormRightUpper2::scroll_position() const { return { horizontalScrollBar()->value(), verticalScrollBar()->value() }; }

QImage& CFormRightUpper2::picture_of(ShareGrid grid, int row, int column)
{
    return grid == ShareGrid::app ? app_pictures_[static_cast<size_t>(row * app_grid_size + column)]
                                  : desk_pictures_[static_cast<size_t>(row * desk_grid_size + column)];
}

void CFormRightUpper2::load_fresh_tile(ShareGrid grid, int row, int column)
{
    share_tile& tile = tile_of(grid, row, column);
    if (tile.fresh.load() != 1)
        return;
    QImage loaded;
    {
        platform::TimedLockWait lock(tile_lock_of(grid, row, column), tile_lock_wait_ms);
        if (!lock)
            dbg_log(grid == ShareGrid::app ? "wait object failed in draw_shared_app_memory.\n" : "wait failed in draw_shared_desktop_memory.\n");
        loaded.load(QString::fromStdString(tile_picture_path(grid, row, column)));
    }
    tile.fresh = 0;
    if (!loaded.isNull()) {
        picture_of(grid, row, column) = std::move(loaded);
        return;
    }
    // The stale picture stays until a good one arrives.
    if (grid == ShareGrid::app) {
        if (!g_sharing_app)
            send_tile_request(grid, row, column);
    } else {
        send_tile_request(grid, row, column);
        std::string text = tr_text("jpg %d:%d not correct through multicast, request to server.");
        size_t at = text.find("%d:%d");
        if (at != std::string::npos)
            text.replace(at, 5, std::to_string(row) + ":" + std::to_string(column));
        set_status_printf("%s", text.c_str());
    }
}

void CFormRightUpper2::paint_share()
{
    // The sharer's own view places its tiles where its own capture found them.
    ShareSharer& sharer = share_sharer();
    if (g_sharing_app && sharer.shared_window()) {
        const platform::ScreenRect& r = sharer.shared_rect();
        g_view_share_left = r.left;
        g_view_share_top = r.top;
        g_view_share_width = r.width;
        g_view_share_height = r.height;
    }
    if (g_sharing_desktop && sharer.desktop_width() > 0) {
        g_view_desk_width = sharer.desktop_width();
        g_view_desk_height = sharer.desktop_height();
    }
    QPainter p(&buffer_);
    paint_view_background(p, buffer_.rect());
    draw_whole_share_picture(p, g_desktop_mode ? ShareGrid::desk : ShareGrid::app);
    paint_tiles(p);
    {
        GdiPainter dc(p);
        int count = g_board[board_annotation].visible_count;
        if (count > 0)
            board_paint_action(board_annotation, dc, 0, count - 1, 0, 0);
    }
    if (band_) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        if (band_->tool == tool_line)
            p.drawLine(band_->x1, band_->y1, band_->x2, band_->y2);
        else
            p.drawRect(QRect(QPoint(band_->x1, band_->y1), QPoint(band_->x2, band_->y2)).normalized());
    }
    p.drawImage(g_share_cursor_x.load(), g_share_cursor_y.load(), share_cursor_image());
}

void CFormRightUpper2::paint_tiles(QPainter& p)
{
    ShareGrid grid = g_desktop_mode ? ShareGrid::desk : ShareGrid::app;
    int n = grid_size(grid);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            load_fresh_tile(grid, r, c);
            const QImage& picture = picture_of(grid, r, c);
            TileRect rect;
            if (!picture.isNull() && view_tile_rect(grid, r, c, rect))
                p.drawImage(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top), picture);
        }
}

void CFormRightUpper2::on_mouse_press(Qt::MouseButton button, QPoint at)
{
    QPoint client = at - scroll_position();
    if (button == Qt::LeftButton) {
        g_current_board = board_annotation;
        annotation_.button_down(board_annotation, at.x(), at.y());
        remote_.left_down(at.x(), at.y());
    } else if (button == Qt::MiddleButton) {
        remote_.middle(true, client.x(), client.y(), at.x(), at.y());
    } else if (button == Qt::RightButton) {
        remote_.right(true, client.x(), client.y(), at.x(), at.y());
    }
}

void CFormRightUpper2::on_mouse_release(Qt::MouseButton button, QPoint at)
{
    QPoint client = at - scroll_position();
    if (button == Qt::LeftButton) {
        annotation_.button_up(board_annotation, at.x(), at.y());
        remote_.left_up(at.x(), at.y());
    } else if (button == Qt::MiddleButton) {
        remote_.middle(false, client.x(), client.y(), at.x(), at.y());
    } else if (button == Qt::RightButton) {
        remote_.right(false, client.x(), client.y(), at.x(), at.y());
    }
}

void CFormRightUpper2::on_mouse_move(QPoint at)
{
    annotation_.mouse_move(board_annotation, at.x(), at.y());
    remote_.move(at.x(), at.y());
}

void CFormRightUpper2::on_double_click(Qt::MouseButton button, QPoint at)
{
    if (button == Qt::LeftButton)
        remote_.double_click(at.x(), at.y());
}

void CFormRightUpper2::on_key(int virtual_key, int key_flags) { remote_.key_down(virtual_key, key_flags); }

void CFormRightUpper2::draw_now(int, const board_action&) { canvas_->update(); }

void CFormRightUpper2::xor_rubber_band(int, const BoardRubberBand& band)
{
    // Drawing the band that is shown takes it away, as the XOR pen does.
    if (band_ && *band_ == band)
        band_.reset();
    else
        band_ = band;
    canvas_->update();
}

void CFormRightUpper2::set_cursor(int cursor_id)
{
    canvas_->setCursor(cursor_id == cursor_drawing || cursor_id == cursor_eraser ? Qt::CrossCursor : Qt::ArrowCursor);
}

void CFormRightUpper2::invalidate(int) { canvas_->update(); }

// The box is the canvas's child, so it stands at the page's text position in content coordinates.
void CFormRightUpper2::open_text_entry(int board)
{
    if (!board_index_valid(board) || !g_share_text_tool)
        return;
    const board_record& r = g_board[static_cast<size_t>(board)];
    const int k = r.half_size == 1 ? 2 : 1;
    board_text_box_open(g_share_text_tool, board, QPoint(r.text_x * k, r.text_y * k));
}

void CFormRightUpper2::flush_text_entry(int board, bool keep_open)
{
    if (!g_share_text_tool || board_text_box_send(g_share_text_tool, board) < 0)
        return;
    if (!keep_open)
        g_share_text_tool->hide();
}

void CFormRightUpper2::forget_tiles()
{
    app_pictures_.fill(QImage());
    desk_pictures_.fill(QImage());
    canvas_->update();
}

intptr_t CFormRightUpper2::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    ShareSharer& sharer = share_sharer();
    const int a = static_cast<int>(static_cast<intptr_t>(wparam));
    const int b = static_cast<int>(lparam);
    switch (msg) {
    case WM_MY_MSG_REPAINT:
        canvas_->update();
        if (overlay_)
            overlay_->refresh();
        break;
    case WM_MY_MSG_SHARE_APP_226:
    case WM_MY_MSG_SHARE_DESK_266:
        if (overlay_)
            overlay_->refresh();
        break;
    case WM_MY_MSG_SHARE_CURSOR_MOVED: canvas_->update(); break;
    case WM_MY_MSG_HOOK_PAINT_RECT: sharer.on_hook_paint_rect(false, wparam, lparam); break;
    case WM_MY_MSG_HOOK_PAINT_RECT_GLOBAL: sharer.on_hook_paint_rect(true, wparam, lparam); break;
    case WM_MY_MSG_HOOK_MENU: sharer.on_hook_menu(false); break;
    case WM_MY_MSG_HOOK_MENU_GLOBAL: sharer.on_hook_menu(true); break;
    case WM_MY_MSG_HOOK_MOUSE_POS: sharer.on_hook_mouse_pos(); break;
    case WM_MY_MSG_REMOTE_CONTROL_ALLOWED: message_box_post_printf("%s", tr_text("Remote control allowed.").c_str()); break;
    case WM_MY_MSG_REMOTE_CONTROL_DENIED:
        message_box_post_printf("%s", tr_text("Remote control denied.\nEither because remote control is not allow, or someone else is controling now.").c_str());
        break;
    // A steering viewer's input, replayed here when this instance shares.
    case WM_MY_MSG_REMOTE_DESK_MOUSE_MOVE: replay_.desk_move(a, b); break;
    case WM_MY_MSG_REMOTE_DESK_LBUTTON_DOWN: replay_.desk_button(true); break;
    case WM_MY_MSG_REMOTE_DESK_LBUTTON_UP: replay_.desk_button(false); break;
    case WM_MY_MSG_REMOTE_DESK_LBUTTON_DBLCLK: replay_.desk_double_click(a, b); break;
    case WM_MY_MSG_REMOTE_APP_MOUSE_MOVE: replay_.app_move(a, b); break;
    case WM_MY_MSG_REMOTE_APP_LBUTTON_DOWN: replay_.app_button(a, b, true); break;
    case WM_MY_MSG_REMOTE_APP_LBUTTON_UP: replay_.app_button(a, b, false); break;
    case WM_MY_MSG_REMOTE_APP_LBUTTON_DBLCLK: replay_.app_double_click(a, b); break;
    case WM_MY_MSG_POST_KEY_DOWN: replay_.app_key(a, b); break;
    case WM_MY_MSG_POST_KEY_DOWN_8038: replay_.desk_key(a, b); break;
    case WM_MY_MSG_REMOTE_KEY_INPUT: replay_.key_input(reinterpret_cast<const char*>(wparam), b); break;
    default: break;
    }
    return 0;
}
