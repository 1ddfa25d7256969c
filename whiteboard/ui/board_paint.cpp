#include "whiteboard/ui/board_paint.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "core/ui/dib_image.h"
#include "platform/ui/gdi_painter.h"
#include "whiteboard/board_geometry.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_font.h"
#include "whiteboard/ui/shape_renderers.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

COLORREF colour_of(const board_action& a, int first_word)
{
    return board_action_colour(a.data[static_cast<size_t>(first_word)], a.data[static_cast<size_t>(first_word) + 1],
                               a.data[static_cast<size_t>(first_word) + 2]);
}

// The visible actions from .. to, copied under the lock so that painting
// never holds up the receive thread.
std::vector<board_action> visible_actions(int board, int from, int to)
{
    std::vector<board_action> out;
    std::lock_guard<std::mutex> guard(board_actions_lock());
    const board_record& r = g_board[static_cast<size_t>(board)];
    to = std::min({ to, r.visible_count - 1, r.capacity - 1 });
    from = std::max(from, 0);
    if (from > to)
        return out;
    out.reserve(static_cast<size_t>(to - from + 1));
    for (int i = from; i <= to; ++i)
        if (const board_action* a = board_action_at(board, i))  // a reload may leave holes
            out.push_back(*a);
    return out;
}

// The device area in the painter's coordinates: what lies outside is never seen.
QRect visible_area(QPainter& p)
{
    const QRect device(0, 0, p.device()->width(), p.device()->height());
    QRect area = p.transform().inverted().mapRect(device);
    if (p.hasClipping())
        area &= p.clipBoundingRect().toAlignedRect();
    return area.adjusted(-1, -1, 1, 1);
}

} // namespace

QString board_text_to_qstring(std::string_view text)
{
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}

void paint_board_text(GdiPainter& dc, int x, int y, int font_index, const QString& text, COLORREF colour,
                      int bottom_room)
{
    if (text.isEmpty())
        return;
    QPainter& p = dc.painter();
    const QRect area = visible_area(p);
    // In 64 bits: a text far off the page must not wrap into view.
    if (static_cast<int64_t>(x) + 5000 <= area.left() || x > area.right() ||
        static_cast<int64_t>(y) + bottom_room <= area.top() || y > area.bottom())
        return;
    const QRect rect(x, y, 5000, bottom_room);
    p.save();
    p.setFont(board_font_for_index(font_index));
    p.setPen(colorref_color(colour));
    p.drawText(rect, Qt::AlignLeft | Qt::AlignTop, text);
    p.restore();
}

void paint_action_point(GdiPainter& dc, const board_action& a)
{
    QPainter& p = dc.painter();
    const QRect area = visible_area(p);
    const int x = a.data[0];
    const int y = a.data[1];
    const int width = a.data[2];
    if (width < 2 || static_cast<int64_t>(x) + width < area.left() || static_cast<int64_t>(x) - width > area.right() ||
        static_cast<int64_t>(y) + width < area.top() || static_cast<int64_t>(y) - width > area.bottom())
        return;
    const QColor colour = colorref_color(colour_of(a, 3));
    for (const PointRow& row : board_point_rows(width)) {
        const int64_t row_y = static_cast<int64_t>(y) + row.dy;
        if (row_y < area.top() || row_y > area.bottom())
            continue;
        const int64_t left = std::max<int64_t>(static_cast<int64_t>(x) - row.half_span, area.left());
        const int64_t right = std::min<int64_t>(static_cast<int64_t>(x) + row.half_span, area.right());
        if (left <= right)
            p.fillRect(QRect(static_cast<int>(left), static_cast<int>(row_y), static_cast<int>(right - left + 1), 1),
                       colour);
    }
}

void paint_action_line(GdiPainter& dc, const board_action& a)
{
    dc.select_pen(colour_of(a, 5), a.data[4]);
    dc.move_to(a.data[0], a.data[1]);
    dc.line_to(a.data[2], a.data[3]);
}

void paint_action_text(GdiPainter& dc, const board_action& a)
{
    const std::string_view text = board_action_text(a);
    paint_board_text(dc, a.data[0], a.data[1], a.data[5], board_text_to_qstring(text), colour_of(a, 2), 4000);
}

void paint_action_rect(GdiPainter& dc, const board_action& a)
{
    const int x1 = a.data[0], y1 = a.data[1], x2 = a.data[2], y2 = a.data[3];
    dc.select_pen(colour_of(a, 5), a.data[4]);
    dc.polyline({ { x1, y1 }, { x2, y1 }, { x2, y2 }, { x1, y2 }, { x1, y1 } });
}

void paint_action_filled_rect(GdiPainter& dc, const board_action& a)
{
    // Dragged from any corner, the rectangle fills the same box.
    const BoardBox b = board_box(a.data[0], a.data[1], a.data[2], a.data[3]);
    const QRect area = visible_area(dc.painter());
    dc.fill_rect(std::max(b.left, area.left()), std::max(b.top, area.top()), std::min(b.right, area.right()),
                 std::min(b.bottom, area.bottom()), colour_of(a, 5));
}

void paint_action_ellipse(GdiPainter& dc, const board_action& a)
{
    const BoardBox b = board_box(a.data[0], a.data[1], a.data[2], a.data[3]);
    dc.select_pen(colour_of(a, 5), a.data[4]);
    dc.ellipse(b.left, b.top, b.right, b.bottom, true, 0);
}

void paint_action_filled_ellipse(GdiPainter& dc, const board_action& a)
{
    const BoardBox b = board_box(a.data[0], a.data[1], a.data[2], a.data[3]);
    dc.select_pen(colour_of(a, 5), a.data[4]);
    dc.ellipse(b.left, b.top, b.right, b.bottom, false, colour_of(a, 5));
}

void paint_round_rect_outline(GdiPainter& dc, int x1, int y1, int x2, int y2)
{
    const BoardBox b = board_box(x1, y1, x2, y2);
    const int d = board_round_rect_outline_diameter(x1, y1, x2, y2);
    const int r = d / 2;
    if (d > 0) {
        dc.arc(b.left, b.top, b.left + d, b.top + d, 90, 90);
        dc.arc(b.right - d, b.top, b.right, b.top + d, 0, 90);
        dc.arc(b.right - d, b.bottom - d, b.right, b.bottom, 270, 90);
        dc.arc(b.left, b.bottom - d, b.left + d, b.bottom, 180, 90);
    }
    dc.move_to(b.left + r, b.top);
    dc.line_to(b.right - r, b.top);
    dc.move_to(b.right, b.top + r);
    dc.line_to(b.right, b.bottom - r);
    dc.move_to(b.right - r, b.bottom);
    dc.line_to(b.left + r, b.bottom);
    dc.move_to(b.left, b.bottom - r);
    dc.line_to(b.left, b.top + r);
}

void paint_action_round_rect(GdiPainter& dc, const board_action& a)
{
    dc.select_pen(colour_of(a, 5), a.data[4]);
    paint_round_rect_outline(dc, a.data[0], a.data[1], a.data[2], a.data[3]);
}

void paint_action_filled_round_rect(GdiPainter& dc, const board_action& a)
{
    const BoardBox b = board_box(a.data[0], a.data[1], a.data[2], a.data[3]);
    const int c = board_round_rect_filled_corner(a.data[0], a.data[1], a.data[2], a.data[3]);
    dc.select_pen(colour_of(a, 5), a.data[4]);
    dc.round_rect(b.left, b.top, b.right, b.bottom, c, c, colour_of(a, 5));
}

bool paint_action(GdiPainter& dc, const board_action& a)
{
    switch (a.kind) {
    case ACTION_POINT: paint_action_point(dc, a); return true;
    case ACTION_LINE: paint_action_line(dc, a); return true;
    case ACTION_TEXT: paint_action_text(dc, a); return true;
    case ACTION_RECT: paint_action_rect(dc, a); return true;  // also shape code 4
    case ACTION_FILLED_RECT: paint_action_filled_rect(dc, a); return true;
    case ACTION_ELLIPSE: paint_action_ellipse(dc, a); return true;
    case ACTION_FILLED_ELLIPSE: paint_action_filled_ellipse(dc, a); return true;
    case ACTION_ROUND_RECT: paint_action_round_rect(dc, a); return true;
    case ACTION_FILLED_ROUND_RECT: paint_action_filled_round_rect(dc, a); return true;
    default: return draw_shape_action(dc, a);
    }
}

void board_paint_actions(int board, GdiPainter& dc, int from, int to)
{
    if (!board_index_valid(board))
        return;
    for (const board_action& a : visible_actions(board, from, to))
        paint_action(dc, a);
}

void board_paint_action(int board, GdiPainter& dc, int from, int to, int origin_x, int origin_y)
{
    if (!board_index_valid(board))
        return;
    const bool half = g_board[static_cast<size_t>(board)].half_size == 1;
    for (const board_action& a : visible_actions(board, from, to))
        paint_action(dc, board_action_on_window(a, half, origin_x, origin_y));
}

int bmp_paint_one(int board, int index, GdiPainter& dc)
{
    if (!board_index_valid(board) || index < 0 || index >= board_bmp_count)
        return -1;
    const bmp_slot& slot = g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(index)];
    if (slot.used == 0) {
        message_box_printf("Used==0 in bmp_paint_one.");
        return -1;
    }
    if (slot.path[0] == '\0') {
        message_box_printf("full_path is blank in bmp_paint_one.");
        return -1;
    }
    return bmp_draw(dc, board, index);
}

int bmp_paint_board(int board, GdiPainter& dc)
{
    if (!board_index_valid(board)) {
        message_box_printf("board_num out of range in bmp_paint_board.");
        return -1;
    }
    const board_record& r = g_board[static_cast<size_t>(board)];
    for (int index : board_bmp_paint_order(r.bitmaps)) {
        // A slot whose picture has not arrived yet has no file to paint; a box
        // here would come back with every repaint.
        if (r.bitmaps[static_cast<size_t>(index)].path[0] == '\0')
            continue;
        bmp_paint_one(board, index, dc);
    }
    return 0;
}

const QImage& pointer_mark_image()
{
    static const QImage mark = [] {
        QImage image(pointer_mark_width, pointer_mark_height, QImage::Format_RGB32);
        image.fill(QColor(255, 255, 225));
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(128, 0, 0));
        p.drawRect(0, 0, pointer_mark_width - 1, pointer_mark_height - 1);
        // An arrow whose point is the bottom-right corner: the pointer position.
        QPolygon arrow;
        arrow << QPoint(29, 18) << QPoint(17, 16) << QPoint(21, 12) << QPoint(3, 3) << QPoint(6, 1)
              << QPoint(24, 9) << QPoint(27, 5);
        p.setBrush(QColor(220, 0, 0));
        p.setPen(QColor(128, 0, 0));
        p.drawPolygon(arrow);
        return image;
    }();
    return mark;
}

void paint_pointer_stamp(int board, GdiPainter& dc)
{
    if (!board_index_valid(board))
        return;
    const board_record& r = g_board[static_cast<size_t>(board)];
    if (r.show_pointer != 1)
        return;
    const QImage& mark = pointer_mark_image();
    // The position comes from the network: any int.
    const auto corner = [](int32_t at, int size) {
        return static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(at) - size, -100000, 100000));
    };
    dc.painter().drawImage(QPoint(corner(r.pointer_x, pointer_mark_width), corner(r.pointer_y, pointer_mark_height)),
                           mark);
}

int board_paint(int board, GdiPainter& dc, int)
{
    if (!board_index_valid(board)) {
        message_box_printf("board_num out of range in board_paint.");
        return -1;
    }
    return board_paint_first(board, dc, g_board[static_cast<size_t>(board)].visible_count);
}

int board_paint_first(int board, GdiPainter& dc, int count)
{
    if (!board_index_valid(board))
        return -1;
    const board_record& r = g_board[static_cast<size_t>(board)];
    dc.fill_rect(0, 0, board_page_width, board_page_height, board_action_colour(r.eraser_red, r.eraser_green, r.eraser_blue));
    bmp_paint_board(board, dc);
    board_paint_actions(board, dc, 0, count - 1);
    const size_t typed = ::strnlen(r.text_buffer.data(), r.text_buffer.size());
    if (typed > 0)
        paint_board_text(dc, r.text_x, r.text_y, r.font_index,
                         board_text_to_qstring(std::string_view(r.text_buffer.data(), typed)),
                         board_action_colour(r.text_red, r.text_green, r.text_blue), 5000);
    paint_pointer_stamp(board, dc);
    return 0;
}

QImage board_page_image(int board)
{
    QImage image(board_page_width, board_page_height, QImage::Format_RGB32);
    image.fill(Qt::white);
    GdiPainter dc(&image);
    board_paint(board, dc);
    return image;
}
