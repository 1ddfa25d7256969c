#include "shell/ui/wnd_full_screen.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "core/wire_builders.h"
#include "media/ui/dlg_show_me.h"
#include "platform/sys/timed_lock.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "sharing/share_state.h"
#include "sharing/ui/share_picture.h"
#include "sharing/ui/share_view.h"
#include "shell/frame_commands.h"
#include "shell/ui/brenmo_view.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/left_form.h"
#include "shell/ui/left_form_tab.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/members_page.h"
#include "shell/ui/wnd_full_screen_toolbar.h"
#include "skin/skin_table.h"
#include "skin/ui/edit_text_tool.h"
#include "skin/ui/picture.h"
#include "skin/ui/skin_bitmaps.h"
#include "skin/ui/skin_scroll_bars.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_commands.h"
#include "whiteboard/ui/board_paint.h"
#include "whiteboard/ui/board_text_box.h"
#include "whiteboard/ui/board_view.h"
#include "whiteboard/ui/shape_renderers.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

CWndFullScreen* g_full_screen = nullptr;

namespace {

constexpr int board_annotation = 9;
constexpr int pictures_wait_ms = 3000;
constexpr size_t picture_name_limit = 64;

board_record* current_page()
{
    const int board = g_current_board.load();
    return board_index_valid(board) ? &g_board[static_cast<size_t>(board)] : nullptr;
}

bool page_zoomed(int board) { return board_index_valid(board) && g_board[static_cast<size_t>(board)].half_size == 1; }

QCursor cursor_of(int id)
{
    switch (id) {
    case cursor_drawing: return QCursor(Qt::CrossCursor);
    case cursor_text: return QCursor(Qt::IBeamCursor);
    default: return QCursor(Qt::ArrowCursor);
    }
}

// The members list in its order: id and name of every row.
struct Attendee {
    int customer_id = -1;
    std::string name;
};
std::vector<Attendee> attendees()
{
    std::vector<Attendee> out;
    if (!g_left_form || !g_left_form->tab() || !g_left_form->tab()->members_page())
        return out;
    for (const RosterRow& row : g_left_form->tab()->members_page()->roster().rows())
        out.push_back({ row.customer_id, row.name });
    return out;
}

// "<user folder>bmp/<name>.jpg"; empty for a name that cannot be a file's.
QString picture_path(const std::string& folder, const std::string& full_name)
{
    const std::string name = cut_copy(full_name, picture_name_limit);
    if (name.empty() || !is_plain_file_name(name + ".jpg"))
        return {};
    return QString::fromStdString(folder + "bmp/" + name + ".jpg");
}

// The commands that open a dialog: run as the frame's, on top of this window.
bool opens_board_dialog(int id)
{
    return id == cmd::pen_colour || id == cmd::pen_width || id == cmd::eraser_width || id == cmd::board_font;
}

} // namespace

CWndFullScreen::CWndFullScreen(QWidget* owner, CFormRightUpper1* board_view, CFormRightUpper2* share_view)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      board_view_(board_view),
      share_view_(share_view),
      canvas_(full_screen_canvas_width, full_screen_canvas_height, QImage::Format_RGB32),
      gestures_(builders_, *this, BoardGestureOptions { &pen_moves_, &eraser_moves_, false })
{
    setObjectName("full_screen");
    setWindowTitle(tr_ui("Full Screen View"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    canvas_.fill(Qt::white);
    // The bar posts, as the window's other senders do, so a command runs after the click.
    toolbar_ = new CWndFullScreenToolbar(this, [](int command) {
        post_window_message(WindowSlot::full_screen, WM_COMMAND, static_cast<uintptr_t>(command));
    });
    text_box_ = make_board_text_box(this);
    for (QScrollBar** bar : { &horizontal_, &vertical_ }) {
        *bar = new QScrollBar(bar == &horizontal_ ? Qt::Horizontal : Qt::Vertical, this);
        (*bar)->setStyle(skin_scroll_style(ScrollBarKind::view));
        (*bar)->hide();
        connect(*bar, &QScrollBar::valueChanged, this, [this] { on_scrolled(); });
    }
    g_full_screen = this;
}

CWndFullScreen::~CWndFullScreen()
{
    if (g_full_screen == this)
        g_full_screen = nullptr;
}

// ---- showing, scrolling, leaving ---------------------------------------------

void CWndFullScreen::show_over_screen()
{
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->geometry());
    showFullScreen();
    raise();
    activateWindow();
    set_scroll_sizes();
    toolbar_->show_tool(current_tool());
    update();
}

void CWndFullScreen::set_scroll_sizes()
{
    apply_scroll();
    update();
}

void CWndFullScreen::apply_scroll()
{
    scroll_view_ = g_current_view;
    scroll_zoomed_ = page_zoomed(g_current_board.load());
    if (scroll_view_ == upper_view_board) {
        const QPoint at = board_view_ ? board_view_->scroll_position() : QPoint();
        scroll_ = full_screen_board_scroll(scroll_zoomed_, width(), height(), at.x(), at.y());
    } else {
        scroll_ = full_screen_other_scroll();
    }
    setting_bars_ = true;
    horizontal_->setRange(0, scroll_.max_x);
    horizontal_->setSingleStep(std::max(1, scroll_.line_x));
    horizontal_->setPageStep(std::max(1, scroll_.page_x));
    horizontal_->setValue(scroll_.x);
    vertical_->setRange(0, scroll_.max_y);
    vertical_->setSingleStep(std::max(1, scroll_.line_y));
    vertical_->setPageStep(std::max(1, scroll_.page_y));
    vertical_->setValue(scroll_.y);
    setting_bars_ = false;
    place_scroll_bars();
}

// The presenter may bring another view forward or zoom the page while the
// window is shown: its ranges follow before it paints.
void CWndFullScreen::follow_view()
{
    if (g_current_view != scroll_view_ || page_zoomed(g_current_board.load()) != scroll_zoomed_)
        apply_scroll();
}

void CWndFullScreen::place_scroll_bars()
{
    const int extent = skin_scroll_bar_extent_px;
    horizontal_->setGeometry(0, height() - extent, width() - extent, extent);
    vertical_->setGeometry(width() - extent, 0, extent, height() - extent);
    horizontal_->setVisible(scroll_bars_shown_);
    vertical_->setVisible(scroll_bars_shown_);
    if (scroll_bars_shown_) {
        horizontal_->raise();
        vertical_->raise();
    }
}

void CWndFullScreen::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place_scroll_bars();
}

void CWndFullScreen::on_scrolled()
{
    if (setting_bars_)
        return;
    scroll_.x = horizontal_->value();
    scroll_.y = vertical_->value();
    update();
    // Others follow the presenter's page (sent only while presenter in push mode).
    if (g_current_view == upper_view_board)
        send_board_select(scroll_.x, scroll_.y);
}

void CWndFullScreen::leave()
{
    if (!isVisible())
        return;
    // What is still typed goes onto the page before the window goes.
    flush_text_entry(g_current_board.load(), false);
    if (g_current_view == upper_view_board && board_view_) {
        // The page's scroll size stays the board's: only the position comes back.
        if (board_record* r = current_page()) {
            r->scroll_x = scroll_.x;
            r->scroll_y = scroll_.y;
        }
        board_view_->board_views_refresh();
    }
    hide();
    if (g_is_presenter == 1 && g_push_mode == 1)
        send_cmd_to_all(MSG_FULL_SCREEN_VIEW_OFF);
    record_ui_event_simple(record_ui_full_screen_off);
    if (g_main_frame)
        g_main_frame->commands().refresh();
}

// ---- commands ------------------------------------------------------------------

void CWndFullScreen::OnCommand(int id)
{
    auto set_tool = [this](int tool) {
        if (board_record* r = current_page())
            r->tool = tool;
        toolbar_->show_tool(tool);
    };
    switch (id) {
    case full_screen_close:
    case full_screen_close_command: leave(); return;
    case full_screen_show_scroll:
    case full_screen_show_scroll_command:
        scroll_bars_shown_ = !scroll_bars_shown_;
        place_scroll_bars();
        return;
    case cmd::tool_pointer: set_tool(tool_select); return;
    case cmd::tool_pen: set_tool(tool_pen); return;
    case cmd::tool_eraser: set_tool(tool_eraser); return;
    case cmd::tool_text: set_tool(tool_text); return;
    case cmd::board_undo:
    case cmd::board_clear:
        // The sharer's screen wipes the old drawings when board 9 loses some.
        if (frame_command_ && frame_command_(id) && g_current_view == upper_view_share)
            send_cmd(g_desktop_mode ? MSG_DESK_OVERLAY_REPAINT : MSG_APP_OVERLAY_REPAINT);
        return;
    default: break;
    }
    if (opens_board_dialog(id)) {
        run_frame_command(id);
        return;
    }
    // The rest of the bar (shapes, Redo, Reload) is the frame's own command.
    if (frame_command_)
        frame_command_(id);
    toolbar_->show_tool(current_tool());
}

void CWndFullScreen::run_frame_command(int id)
{
    // The pen width is this window's own dialog; the others follow the frame's rules.
    if (id != cmd::pen_width && !command_enabled(id, read_command_state()))
        return;
    for (auto& [command, handler] : board_view_command_handlers([this] { return board_view_.data(); }, this))
        if (command == id) {
            handler();
            return;
        }
}

// ---- window messages -------------------------------------------------------------

intptr_t CWndFullScreen::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    switch (msg) {
    case WM_MY_MSG_REPAINT: {
        const int board = static_cast<int>(wparam) - 1;
        if (board < 0 || board == board_buffer_.board())
            board_buffer_.mark_stale();
        update();
        break;
    }
    case WM_MY_MSG_BOARD_ACTIONS_ADDED: {
        const int board = static_cast<int>(wparam);
        // A buffer that cannot take them is painted whole at the update.
        if (board == g_current_board.load() && g_current_view == upper_view_board)
            board_buffer_.add_actions(board, static_cast<int>(lparam));
        update();
        break;
    }
    case WM_MY_MSG_SHARE_CURSOR_MOVED: update(); break;
    case WM_COMMAND: OnCommand(static_cast<int>(wparam)); break;
    default: break;
    }
    return 0;
}

// ---- painting ----------------------------------------------------------------------

void CWndFullScreen::paint_background(QPainter& p, const QRect& rect)
{
    QPixmap bitmap = skin_word_bitmap(skin_word::full_screen_background);
    if (bitmap.isNull()) {
        p.fillRect(rect, Qt::white);
        return;
    }
    // Its one-pixel column stretched over the width, row to row.
    p.drawPixmap(rect, bitmap, QRect(0, 0, 1, std::min(rect.height(), bitmap.height())));
}

void CWndFullScreen::paintEvent(QPaintEvent*)
{
    try {
        follow_view();
        QPainter p(this);
        const int view = g_current_view;
        const int board = g_current_board.load();
        const FullScreenCopy from = full_screen_copy_origin(view, page_zoomed(board), scroll_.x, scroll_.y);
        // The canvas covers at most 1600 x 1000 of the window; the rest shows the background.
        const QRect shown(0, 0, std::max(0, full_screen_canvas_width - (from.stretch ? 0 : from.x)),
                          std::max(0, full_screen_canvas_height - (from.stretch ? 0 : from.y)));
        p.setClipRegion(QRegion(rect()) - QRegion(shown));
        paint_background(p, rect());
        p.setClipping(false);
        if (view == upper_view_board) {
            board_buffer_.show_board(board);
            const QImage& page = board_buffer_.image();
            if (from.stretch) {
                GdiPainter dc(p);
                dc.stretch_blt(0, 0, full_screen_canvas_width, full_screen_canvas_height, page, from.x, from.y,
                               full_screen_canvas_width / 2, full_screen_canvas_height / 2);
            } else {
                p.drawImage(QPoint(0, 0), page, QRect(from.x, from.y, shown.width(), shown.height()));
            }
            return;
        }
        if (view == upper_view_video)
            paint_people();
        else if (view == upper_view_share)
            paint_share();
        else
            paint_playback();
        p.drawImage(QPoint(0, 0), canvas_, QRect(from.x, from.y, shown.width(), shown.height()));
    } catch (...) {
        dbg_log("exception in CWndFullScreen::OnPaint.\n");
    }
}

void CWndFullScreen::paint_people()
{
    canvas_.fill(Qt::white);
    people_places_.clear();
    std::string folder;
    if (get_user_folder(folder) != 0)
        return;
    QPainter p(&canvas_);
    platform::TimedLockWait wait(g_pictures_lock, pictures_wait_ms);
    // A box from a paint handler would paint into itself: the writer is late, paint what is there.
    if (!wait)
        dbg_log("Wait failed in WndFullScreen paint_people.\n");
    const std::vector<Attendee> list = attendees();
    const int zoomed = g_zoomed_customer_id.load();
    if (zoomed >= 0) {
        for (const Attendee& a : list) {
            if (a.customer_id != zoomed)
                continue;
            CPicture picture;
            const QString path = picture_path(folder, a.name);
            if (path.isEmpty() || !picture.Load(path))
                return;
            const QRect place(full_screen_picture_gap, full_screen_picture_gap,
                              picture.m_width * full_screen_zoom_factor, picture.m_height * full_screen_zoom_factor);
            picture.Show(&p, place.left(), place.top(), place.right() + 1, place.bottom() + 1);
            people_places_.push_back(place);
            return;
        }
        return;
    }
    // Pictures that do not load are left out and take no place.
    std::vector<CPicture> pictures;
    std::vector<PictureSize> sizes;
    for (const Attendee& a : list) {
        CPicture picture;
        const QString path = picture_path(folder, a.name);
        if (path.isEmpty() || !picture.Load(path))
            continue;
        sizes.push_back({ picture.m_width, picture.m_height });
        pictures.push_back(std::move(picture));
    }
    const std::vector<PicturePlace> places = full_screen_people_places(sizes);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const QRect place(places[i].x, places[i].y, sizes[i].width, sizes[i].height);
        pictures[i].Show(&p, place.left(), place.top(), place.right() + 1, place.bottom() + 1);
        people_places_.push_back(place);
    }
}

void CWndFullScreen::paint_share()
{
    QPainter p(&canvas_);
    paint_background(p, canvas_.rect());
    // The whole picture first, so a late joiner sees the screen at once; the tiles over it.
    draw_whole_share_picture(p, g_desktop_mode ? ShareGrid::desk : ShareGrid::app);
    if (share_view_)
        share_view_->paint_tiles(p);
    GdiPainter dc(p);
    const int count = g_board[board_annotation].visible_count;
    if (count > 0)
        board_paint_action(board_annotation, dc, 0, count - 1, 0, 0);
    for (const BoardRubberBand& band : share_bands_)
        draw_rubber_band(dc, band);
    p.drawImage(g_share_cursor_x.load(), g_share_cursor_y.load(), share_cursor_image());
}

void CWndFullScreen::paint_playback()
{
    QPainter p(&canvas_);
    paint_background(p, canvas_.rect());
}

// ---- mouse and keys ------------------------------------------------------------------

int CWndFullScreen::current_tool() const
{
    const board_record* r = current_page();
    return r ? r->tool : tool_select;
}

QPoint CWndFullScreen::board_point(QPoint window_point) const { return window_point + scroll_position(); }

bool CWndFullScreen::remote_allowed() const { return share_view_ && full_screen_steers(g_current_view); }

void CWndFullScreen::mousePressEvent(QMouseEvent* event)
{
    const QPoint window_point = event->position().toPoint();
    const QPoint at = board_point(window_point);
    const int board = g_current_board.load();
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        if (full_screen_draws(g_current_view)) {
            if (g_current_view == upper_view_board)
                board_buffer_.show_board(board);
            gestures_.button_down(board, at.x(), at.y());
        } else {
            flush_text_entry(board, false);
        }
        if (remote_allowed() && current_tool() == tool_select)
            share_view_->remote().left_down(at.x(), at.y());
    } else if (event->button() == Qt::RightButton && remote_allowed()) {
        share_view_->remote().right(true, window_point.x(), window_point.y(), at.x(), at.y());
    }
}

void CWndFullScreen::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = board_point(event->position().toPoint());
    const bool draws = full_screen_draws(g_current_view);
    setCursor(cursor_of(draws ? full_screen_cursor(current_tool()) : 0));
    if (draws)
        gestures_.mouse_move(g_current_board.load(), at.x(), at.y());
    if (remote_allowed() && current_tool() == tool_select)
        share_view_->remote().move(at.x(), at.y());
}

void CWndFullScreen::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint window_point = event->position().toPoint();
    const QPoint at = board_point(window_point);
    if (event->button() == Qt::LeftButton) {
        if (full_screen_draws(g_current_view))
            gestures_.button_up(g_current_board.load(), at.x(), at.y());
        if (remote_allowed() && current_tool() == tool_select)
            share_view_->remote().left_up(at.x(), at.y());
    } else if (event->button() == Qt::RightButton && remote_allowed()) {
        share_view_->remote().right(false, window_point.x(), window_point.y(), at.x(), at.y());
    }
}

// The second click of a double click comes here instead of a press.
void CWndFullScreen::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint at = board_point(event->position().toPoint());
    if (event->button() == Qt::LeftButton && remote_allowed())
        share_view_->remote().double_click(at.x(), at.y());
}

void CWndFullScreen::keyPressEvent(QKeyEvent* event)
{
    if (!remote_allowed())
        return;
    if (int vk = virtual_key_of(event->key()))
        share_view_->remote().key_down(vk, 1 | (static_cast<int>(event->nativeScanCode() & 0xff) << 16));
}

// ---- the gestures' surface ----------------------------------------------------------

void CWndFullScreen::draw_now(int board, const board_action& action)
{
    if (g_current_view == upper_view_board && board_buffer_.draw(board, action))
        update();
    else if (g_current_view == upper_view_share)
        update();
}

void CWndFullScreen::xor_rubber_band(int board, const BoardRubberBand& band)
{
    if (g_current_view == upper_view_share) {
        // The shared screen is painted whole each time: the bands shown are kept and drawn over it.
        auto shown = std::find(share_bands_.begin(), share_bands_.end(), band);
        if (shown != share_bands_.end())
            share_bands_.erase(shown);
        else
            share_bands_.push_back(band);
        update();
        return;
    }
    if (!board_buffer_.xor_band(board, band).isNull())
        update();
}

void CWndFullScreen::flush_text_entry(int board, bool keep_open)
{
    if (board_text_box_send(text_box_, board) < 0)
        return;
    if (!keep_open)
        text_box_->hide();
}

void CWndFullScreen::open_text_entry(int board)
{
    if (!board_index_valid(board))
        return;
    const board_record& r = g_board[static_cast<size_t>(board)];
    const int k = r.half_size == 1 ? 2 : 1;
    board_text_box_open(text_box_, board, QPoint(r.text_x * k, r.text_y * k) - scroll_position());
}

void CWndFullScreen::invalidate(int)
{
    board_buffer_.mark_stale();
    update();
}

// ---- the frame's part ----------------------------------------------------------------

bool full_screen_view_shown() { return g_full_screen && g_full_screen->isVisible(); }

void show_full_screen_view(CMainFrame* frame)
{
    if (!frame)
        return;
    CBrenmoView* right = frame->brenmo_view();
    if (!g_full_screen) {
        auto* window = new CWndFullScreen(frame, right ? right->board_view() : nullptr,
                                          right ? right->share_view() : nullptr);
        window->set_frame_command([frame](int id) { return frame->commands().trigger(id); });
        // The same key leaves as entered.
        window->addAction(frame->commands().action(cmd::full_screen));
    }
    g_full_screen->show_over_screen();
    if (right && right->share_view()) {
        right->share_view()->horizontalScrollBar()->setValue(0);
        right->share_view()->verticalScrollBar()->setValue(0);
    }
    show_me_bring_to_top();
    if (g_is_presenter == 1 && g_push_mode == 1)
        send_cmd_to_all(MSG_FULL_SCREEN_VIEW);
    record_ui_event_simple(record_ui_full_screen_on);
    frame->commands().refresh();
}

void leave_full_screen_view()
{
    if (g_full_screen)
        g_full_screen->leave();
}

void install_full_screen_commands(CMainFrame* frame)
{
    frame->commands().set_handler(cmd::full_screen, [frame] {
        if (full_screen_view_shown())
            leave_full_screen_view();
        else
            show_full_screen_view(frame);
    });
    MainFrameHooks& hooks = main_frame_hooks();
    if (!hooks.show_full_screen)
        hooks.show_full_screen = [] { show_full_screen_view(g_main_frame); };
    if (!hooks.leave_full_screen)
        hooks.leave_full_screen = [] { leave_full_screen_view(); };
}
