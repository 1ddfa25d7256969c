#include "whiteboard/ui/board_view.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "skin/ui/edit_text_tool.h"
#include "skin/ui/my_menu.h"
#include "skin/ui/my_static.h"
#include "whiteboard/board_geometry.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/board_text.h"
#include "whiteboard/ui/board_font.h"
#include "whiteboard/ui/board_paint.h"
#include "whiteboard/ui/board_pictures.h"
#include "whiteboard/ui/board_text_box.h"
#include "whiteboard/ui/shape_renderers.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>
#include <cstring>

CEditTextTool* g_board_text_tool = nullptr;
int g_board_paste_x = 0;
int g_board_paste_y = 0;

std::function<void()>& board_paste_video_opener()
{
    static std::function<void()> opener;
    return opener;
}

namespace {

constexpr int menu_white_board = 264;
constexpr int menu_z_order = 160;
constexpr int string_delete_bitmap = 33925;
constexpr int frame_save_as = 32815;
constexpr int frame_save_as_picture = 32943;

board_record* page_of(int board) { return board_index_valid(board) ? &g_board[static_cast<size_t>(board)] : nullptr; }

bool zoomed(int board)
{
    const board_record* r = page_of(board);
    return r && r->half_size == 1;
}

QCursor eraser_cursor()
{
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(2, 2, 11, 11);
    return QCursor(p, 8, 8);
}

QCursor pointer_place_cursor()
{
    // The mark itself, held where the click puts its corner (x + 5, y + 10).
    return QCursor(QPixmap::fromImage(pointer_mark_image()), pointer_mark_width - 5, pointer_mark_height - 10);
}

QCursor cursor_for(int id)
{
    switch (id) {
    case cursor_eraser: return eraser_cursor();
    case cursor_drawing: return QCursor(Qt::CrossCursor);
    case cursor_text: return QCursor(Qt::IBeamCursor);
    case cursor_pointer_place: return pointer_place_cursor();
    default: return QCursor(Qt::ArrowCursor);
    }
}

} // namespace

CFormRightUpper1::CFormRightUpper1(QWidget* parent) : CMyFormView(105, parent)
{
    setObjectName("view_board");
    canvas_ = new CBoardCanvas(this);
    setWidget(canvas_);
    set_scroll_size(board_page_width, board_page_height);

    caption_ = new CMyStatic(1, tr_ui("WhiteBoard"), viewport());
    caption_->setGeometry(2, 2, 128, 20);
    caption_->raise();
    caption_->show();

    text_box_ = make_board_text_box(canvas_);
    g_board_text_tool = text_box_;

    // Font index 0 is the view's own font.
    g_board_font[0].logfont = board_qfont_to_logfont(font());
    g_board_font[0].used = 1;

    BoardWindowHooks& hooks = board_window_hooks();
    hooks.invalidate_board_windows = [](int board) {
        post_window_message(WindowSlot::board_view, WM_MY_MSG_REPAINT, static_cast<uintptr_t>(board + 1));
    };
}

CFormRightUpper1::~CFormRightUpper1()
{
    canvas_->detach();
    // The box goes with the view.
    g_board_text_tool = nullptr;
}

void CFormRightUpper1::set_scroll_size(int width, int height)
{
    canvas_->setFixedSize(width, height);
    buffer_.mark_stale();
    canvas_->update();
}

QSize CFormRightUpper1::scroll_size() const { return canvas_->size(); }

QPoint CFormRightUpper1::scroll_position() const
{
    return { horizontalScrollBar()->value(), verticalScrollBar()->value() };
}

intptr_t CFormRightUpper1::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    switch (msg) {
    case WM_MY_MSG_REPAINT: {
        const int board = static_cast<int>(wparam) - 1;
        if (board < 0 || board == g_current_board.load()) {
            buffer_.mark_stale();
            follow_page_scroll();
            canvas_->update();
        }
        return 0;
    }
    case WM_MY_MSG_BOARD_ACTIONS_ADDED: paint_new_actions(static_cast<int>(wparam), static_cast<int>(lparam)); return 0;
    case WM_MY_MSG_BOARD_VERIFY:
        OnMyMsgBoardVerify(reinterpret_cast<const char*>(wparam), static_cast<int>(lparam));
        return 0;
    default: return 0;
    }
}

// ---- the back buffer ----

const QImage& CFormRightUpper1::back_buffer()
{
    ensure_buffer();
    return buffer_.image();
}

void CFormRightUpper1::ensure_buffer()
{
    if (buffer_.show_board(g_current_board.load()))
        board_views_refresh();
    buffer_.image();
}

void CFormRightUpper1::paint_new_actions(int board, int count)
{
    // A buffer that cannot take them is painted whole at the update.
    if (board == g_current_board.load())
        buffer_.add_actions(board, count);
    canvas_->update();
}

void CFormRightUpper1::update_page_rect(const QRect& page_rect)
{
    const int k = zoomed(buffer_.board()) ? 2 : 1;
    canvas_->update(QRect(page_rect.x() * k, page_rect.y() * k, page_rect.width() * k, page_rect.height() * k));
}

void CFormRightUpper1::draw_now(int board, const board_action& action)
{
    ensure_buffer();
    if (buffer_.draw(board, action))
        canvas_->update();
}

void CFormRightUpper1::xor_rubber_band(int board, const BoardRubberBand& band)
{
    ensure_buffer();
    const QRect box = buffer_.xor_band(board, band);
    if (!box.isNull())
        update_page_rect(box);
}

void CFormRightUpper1::invalidate(int)
{
    buffer_.mark_stale();
    canvas_->update();
}

void CFormRightUpper1::set_cursor(int cursor_id) { canvas_->setCursor(cursor_for(cursor_id)); }

void CFormRightUpper1::capture_mouse()
{
    // The toolkit keeps the mouse with the canvas while a button is held.
}

// ---- scrolling and pages ----

void CFormRightUpper1::scrollContentsBy(int dx, int dy)
{
    CMyFormView::scrollContentsBy(dx, dy);
    if (following_)
        return;
    const QPoint at = scroll_position();
    if (board_record* r = page_of(g_current_board.load())) {
        r->scroll_x = at.x();
        r->scroll_y = at.y();
    }
    // Others follow the presenter's scrolling (sent only while presenter with board sync).
    send_board_select(at.x(), at.y());
}

void CFormRightUpper1::resizeEvent(QResizeEvent* event)
{
    CMyFormView::resizeEvent(event);
    caption_->raise();
}

void CFormRightUpper1::follow_page_scroll()
{
    const board_record* r = page_of(g_current_board.load());
    if (!r)
        return;
    if (scroll_position() == QPoint(r->scroll_x, r->scroll_y))
        return;
    following_ = true;
    horizontalScrollBar()->setValue(r->scroll_x);
    verticalScrollBar()->setValue(r->scroll_y);
    following_ = false;
}

void CFormRightUpper1::board_save_view_position()
{
    board_record* r = page_of(g_current_board.load());
    if (!r)
        return;
    const QPoint at = scroll_position();
    r->scroll_x = at.x();
    r->scroll_y = at.y();
    r->scroll_width = canvas_->width();
    r->scroll_height = canvas_->height();
    dbg_log("save, board:%d, x:%d,y:%d, cx:%d, cy:%d", g_current_board.load(), r->scroll_x, r->scroll_y,
            r->scroll_width, r->scroll_height);
}

void CFormRightUpper1::board_views_refresh()
{
    const board_record* r = page_of(g_current_board.load());
    if (!r)
        return;
    following_ = true;
    canvas_->setFixedSize(std::max(1, r->scroll_width), std::max(1, r->scroll_height));
    horizontalScrollBar()->setValue(r->scroll_x);
    verticalScrollBar()->setValue(r->scroll_y);
    following_ = false;
    buffer_.mark_stale();
    canvas_->update();
}

bool CFormRightUpper1::over_caption(QPoint canvas_point) const
{
    const QPoint in_viewport = canvas_->mapTo(viewport(), canvas_point);
    return !viewport()->rect().contains(in_viewport) || caption_->geometry().contains(in_viewport);
}

// ---- text entry ----

void CFormRightUpper1::open_text_entry(int board)
{
    board_record* r = page_of(board);
    if (!r)
        return;
    const int k = r->half_size == 1 ? 2 : 1;
    const QPoint at(r->text_x * k, r->text_y * k);
    const QPoint scroll = scroll_position();
    r->text_window_x = at.x() - scroll.x();
    r->text_window_y = at.y() - scroll.y();
    board_text_box_open(text_box_, board, at);
}

void CFormRightUpper1::flush_text_entry(int board, bool keep_open) { send_pending_text(board, keep_open); }

void CFormRightUpper1::send_pending_text(int board, bool keep_open)
{
    board_record* r = page_of(board);
    if (!r)
        return;
    int sent = 0;
    if (!text_box_->toPlainText().isEmpty()) {
        sent = board_text_box_send(text_box_, board);
    } else {
        sent = send_board_text_checked(board, std::string(r->text_buffer.data(), ::strnlen(r->text_buffer.data(), r->text_buffer.size())));
        if (sent > 0)
            invalidate(board);
    }
    if (sent < 0)
        return;
    if (sent > 0) {
        r->text_buffer.fill('\0');
        r->caret = 0;
    }
    if (!keep_open)
        text_box_->hide();
}

void CFormRightUpper1::text_key(QKeyEvent* event)
{
    board_record* r = page_of(g_current_board.load());
    if (!r || r->tool != tool_text)
        return;
    std::string text(r->text_buffer.data(), ::strnlen(r->text_buffer.data(), r->text_buffer.size()));
    int caret = std::clamp(r->caret, 0, static_cast<int>(text.size()));
    switch (event->key()) {
    case Qt::Key_Left: caret = std::max(0, caret - 1); break;
    case Qt::Key_Right: caret = std::min(static_cast<int>(text.size()), caret + 1); break;
    case Qt::Key_Up: caret = text_prev_line(text, caret); break;
    case Qt::Key_Down: caret = text_next_line(text, caret); break;
    case Qt::Key_Delete: text_delete_char(text, caret); break;
    case Qt::Key_Backspace:
        if (caret > 0 && text_delete_char(text, caret - 1) == 0)
            --caret;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (text_insert_char(text, caret, board_text_line_break) == 0)
            ++caret;
        break;
    default: {
        const std::string typed = event->text().toStdString();
        for (char c : typed) {
            if (static_cast<unsigned char>(c) < 32)
                continue;
            if (text_insert_char(text, caret, c) == 0)
                ++caret;
        }
        break;
    }
    }
    r->text_buffer.fill('\0');
    std::memcpy(r->text_buffer.data(), text.data(), std::min(text.size(), r->text_buffer.size() - 1));
    r->caret = caret;
    invalidate(g_current_board.load());
    place_caret();
}

void CFormRightUpper1::place_caret()
{
    const board_record* r = page_of(g_current_board.load());
    if (!r)
        return;
    const std::string text(r->text_buffer.data(), ::strnlen(r->text_buffer.data(), r->text_buffer.size()));
    const int caret = std::clamp(r->caret, 0, static_cast<int>(text.size()));
    const QFontMetrics metrics(board_font_for_index(r->font_index));
    const int line_start = caret > 0 ? text_line_start_before(text, caret - 1) : 0;
    const int start = caret > 0 && text[static_cast<size_t>(caret - 1)] == board_text_line_break ? caret : line_start;
    const int line = caret > 0 ? text_line_number(text, caret - 1) : 0;
    const QString before = QString::fromUtf8(text.data() + start, caret - start);
    const int line_height = metrics.boundingRect(QStringLiteral("tes")).height();
    caret_ = QRect(r->text_x + metrics.horizontalAdvance(before), r->text_y + line_height * line, 1, line_height);
    update_page_rect(caret_.adjusted(-1, -1, 1, 1));
}

// ---- the right-click menus and their commands ----

int CFormRightUpper1::OnRButtonUp(QPoint canvas_point, bool exec)
{
    const int board = g_current_board.load();
    board_record* r = page_of(board);
    if (!r)
        return 0;
    const int k = r->half_size == 1 ? 2 : 1;
    const QPoint at(canvas_point.x() / k, canvas_point.y() / k);
    selected_bmp_ = board_bmp_pick(r->bitmaps, at.x(), at.y());
    menu_ = std::make_unique<QMenu>(this);
    auto add = [this](int id, const char* text, bool enabled = true) {
        QAction* a = menu_->addAction(tr_ui(text));
        a->setData(id);
        a->setEnabled(enabled);
    };
    int menu_id = 0;
    const bool frame = window_exists(WindowSlot::main_frame);
    if (selected_bmp_ < 0) {
        g_board_paste_x = at.x();
        g_board_paste_y = at.y();
        menu_id = menu_white_board;
        add(board_menu::paste_clipboard_bitmap, "Paste Clipboard Bitmap");
        add(board_menu::paste_video, "Paste Video", static_cast<bool>(board_paste_video_opener()));
        add(board_menu::paste_area, "Paste Area", frame);
        add(board_menu::paste_window, "Paste Window", frame);
        menu_->addSeparator();
        add(board_menu::lock_board, "Lock Current Board", frame);
        add(board_menu::zoom, "Zoom", frame);
        add(board_menu::show_pointer, "Show Pointer", frame);
        add(board_menu::undo, "Undo", frame);
        add(board_menu::redo, "Redo", frame);
        add(board_menu::reload, "Reload Board Content From Server", frame);
        add(board_menu::upload, "Upload Board Content To Server", frame);
        add(board_menu::clear, "Clear Board", frame);
        menu_->addSeparator();
        add(board_menu::save_as, "Save Whiteboard as...", frame);
        add(board_menu::save_as_picture, "Save Whiteboard as Picture...", frame);
    } else {
        menu_id = menu_z_order;
        add(board_menu::put_to_back, "Put to back");
        add(board_menu::put_to_front, "Put to front");
        add(board_menu::delete_bmp, "Delete");
    }
    skin_menu(menu_.get());
    if (exec) {
        QAction* chosen = menu_->exec(canvas_->mapToGlobal(canvas_point));
        if (chosen)
            OnCommand(chosen->data().toInt());
    }
    return menu_id;
}

void CFormRightUpper1::OnCommand(int id)
{
    switch (id) {
    case board_menu::put_to_back: OnPutToBack(); return;
    case board_menu::put_to_front: OnPutToFront(); return;
    case board_menu::delete_bmp: OnDeleteBmp(); return;
    case board_menu::paste_clipboard_bitmap: OnPasteClipboardBitmap(); return;
    case board_menu::paste_video:
        if (board_paste_video_opener())
            board_paste_video_opener()();
        return;
    case board_menu::save_as: id = frame_save_as; break;
    case board_menu::save_as_picture: id = frame_save_as_picture; break;
    default: break;
    }
    post_window_message(WindowSlot::main_frame, WM_COMMAND, static_cast<uintptr_t>(id));
}

void CFormRightUpper1::OnPutToBack()
{
    const int board = g_current_board.load();
    board_record* r = page_of(board);
    if (!r || selected_bmp_ < 0 || selected_bmp_ >= board_bmp_count)
        return;
    send_bmp_z_order(board, selected_bmp_, board_bmp_back_z_order(r->bitmaps));
}

void CFormRightUpper1::OnPutToFront()
{
    const int board = g_current_board.load();
    board_record* r = page_of(board);
    if (!r || selected_bmp_ < 0 || selected_bmp_ >= board_bmp_count)
        return;
    send_bmp_z_order(board, selected_bmp_, board_bmp_front_z_order(r->bitmaps));
}

void CFormRightUpper1::OnDeleteBmp()
{
    if (selected_bmp_ < 0 || selected_bmp_ >= board_bmp_count) {
        message_box_printf("Please right click a bitmap.");
        return;
    }
    if (message_box_id_yes_no(string_delete_bitmap) == IDYES)
        send_bmp_delete(g_current_board.load(), selected_bmp_);
}

void CFormRightUpper1::OnPasteClipboardBitmap()
{
    board_paste_clipboard_bitmap(g_current_board.load(), g_board_paste_x, g_board_paste_y);
}

void CFormRightUpper1::OnMyMsgBoardVerify(const char* list, int len) { board_verify_run(list, len); }

int CFormRightUpper1::print(BoardPrintMode mode) { return board_print_with_dialogs(g_current_board.load(), mode, this); }

// ---- the canvas ----

CBoardCanvas::CBoardCanvas(CFormRightUpper1* view) : QWidget(view), view_(view)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CBoardCanvas::paintEvent(QPaintEvent* event)
{
    if (!view_)
        return;
    try {
        const QImage& buffer = view_->back_buffer();
        GdiPainter dc(this);
        const QRect r = event->rect();
        if (zoomed(view_->buffer_.board())) {
            // Whole page pixels, each shown 2 x 2.
            const int sx = r.left() / 2;
            const int sy = r.top() / 2;
            const int sw = (r.right() + 2) / 2 - sx;
            const int sh = (r.bottom() + 2) / 2 - sy;
            dc.stretch_blt(sx * 2, sy * 2, sw * 2, sh * 2, buffer, sx, sy, sw, sh);
        } else {
            dc.painter().drawImage(r.topLeft(), buffer, r);
        }
        if (hasFocus() && !view_->caret_.isNull()) {
            const int k = zoomed(view_->buffer_.board()) ? 2 : 1;
            const QRect c = view_->caret_;
            dc.fill_rect(c.x() * k, c.y() * k, c.x() * k + 1, (c.y() + c.height()) * k, 0);
        }
    } catch (...) {
        dbg_log("exception in CFormRightUpper1::OnPaint().\n");
    }
}

void CBoardCanvas::mousePressEvent(QMouseEvent* event)
{
    if (!view_)
        return;
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        view_->ensure_buffer();
        view_->gestures_.button_down(g_current_board.load(), p.x(), p.y());
    }
}

void CBoardCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (!view_)
        return;
    const QPoint p = event->position().toPoint();
    view_->gestures_.mouse_move(g_current_board.load(), p.x(), p.y(), view_->over_caption(p));
}

void CBoardCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (!view_)
        return;
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        view_->gestures_.button_up(g_current_board.load(), p.x(), p.y());
    else if (event->button() == Qt::RightButton)
        view_->OnRButtonUp(p);
}

void CBoardCanvas::keyPressEvent(QKeyEvent* event)
{
    if (!view_)
        return;
    const board_record* r = page_of(g_current_board.load());
    if (r && r->tool == tool_text) {
        view_->text_key(event);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CBoardCanvas::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (!view_)
        return;
    // Typing into the view's own buffer ends when the view loses the keyboard.
    const int board = g_current_board.load();
    const board_record* r = page_of(board);
    if (r && r->text_buffer[0] != '\0' && !view_->text_box_->hasFocus())
        view_->send_pending_text(board, view_->text_box_->isVisible());
    view_->caret_ = QRect();
    update();
}
