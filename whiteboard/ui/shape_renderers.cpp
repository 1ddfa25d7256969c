#include "whiteboard/ui/shape_renderers.h"

#include "platform/ui/gdi_painter.h"
#include "whiteboard/board_geometry.h"
#include "whiteboard/ui/board_paint.h"

#include <QPolygon>

namespace {

COLORREF colour_of(const board_action& a) { return board_action_colour(a.data[5], a.data[6], a.data[7]); }

std::vector<ShapeStroke> strokes_of(const board_action& a, int code)
{
    return board_shape_strokes(code, a.data[0], a.data[1], a.data[2], a.data[3], a.data[4]);
}

void draw_code(GdiPainter& dc, const board_action& a, int code)
{
    draw_shape_strokes(dc, strokes_of(a, code), colour_of(a), a.data[4]);
}

void draw_preview(GdiPainter& dc, const board_action& a, int code)
{
    dc.set_xor_dotted(true);
    draw_shape_strokes(dc, board_shape_preview_strokes(code, a.data[0], a.data[1], a.data[2], a.data[3]), 0, 1);
    dc.set_xor_dotted(false);
}

board_action band_action(const BoardRubberBand& band)
{
    board_action a;
    a.data = { band.x1, band.y1, band.x2, band.y2, 1, 0, 0, 0, 0 };
    return a;
}

} // namespace

void draw_shape_strokes(GdiPainter& dc, const std::vector<ShapeStroke>& strokes, COLORREF colour, int width)
{
    dc.select_pen(colour, width);
    for (const ShapeStroke& s : strokes) {
        switch (s.kind) {
        case ShapeStroke::Kind::lines:
            for (size_t i = 0; i < s.points.size(); ++i) {
                if (i == 0)
                    dc.move_to(s.points[i].x, s.points[i].y);
                else
                    dc.line_to(s.points[i].x, s.points[i].y);
            }
            break;
        case ShapeStroke::Kind::filled_polygon: {
            QPolygon polygon;
            for (const BoardPoint& p : s.points)
                polygon << QPoint(p.x, p.y);
            dc.solid_polygon(polygon, colour);
            break;
        }
        case ShapeStroke::Kind::ellipse:
            dc.ellipse(s.box.left, s.box.top, s.box.right, s.box.bottom, true, colour);
            break;
        case ShapeStroke::Kind::filled_ellipse:
            dc.ellipse(s.box.left, s.box.top, s.box.right, s.box.bottom, false, colour);
            break;
        case ShapeStroke::Kind::arc:
            dc.arc(s.box.left, s.box.top, s.box.right, s.box.bottom, s.start_deg, s.span_deg);
            break;
        }
    }
}

void draw_board_shape(GdiPainter& dc, const board_action& action, int code)
{
    if (code == shape_plain_line || board_is_decorated_line(code))
        draw_code(dc, action, code);
}

void draw_shape_triangles(GdiPainter& dc, const board_action& action, int code)
{
    if (code >= 40 && code <= 47)
        draw_code(dc, action, code);
}

void draw_shape_diamonds(GdiPainter& dc, const board_action& action, int code)
{
    if (code == 50)
        draw_code(dc, action, code);
}

void draw_shape_quads(GdiPainter& dc, const board_action& action, int code)
{
    if (code >= 60 && code <= 63)
        draw_code(dc, action, code);
}

void draw_shape_parallelograms(GdiPainter& dc, const board_action& action, int code)
{
    if (code == 70)
        draw_code(dc, action, code);
}

void draw_shape_roundeds(GdiPainter& dc, const board_action& action, int code)
{
    if (code >= 71 && code <= 74)
        draw_code(dc, action, code);
}

void draw_shape_hexagons(GdiPainter& dc, const board_action& action, int code)
{
    if (code == 80)
        draw_code(dc, action, code);
}

void draw_shape_octagons(GdiPainter& dc, const board_action& action, int code)
{
    if (code == 81)
        draw_code(dc, action, code);
}

bool draw_shape_action(GdiPainter& dc, const board_action& action)
{
    const int code = action.kind;
    if (board_is_decorated_line(code))
        draw_board_shape(dc, action, code);
    else if (code >= 40 && code <= 47)
        draw_shape_triangles(dc, action, code);
    else if (code == 50)
        draw_shape_diamonds(dc, action, code);
    else if (code >= 60 && code <= 63)
        draw_shape_quads(dc, action, code);
    else if (code == 70)
        draw_shape_parallelograms(dc, action, code);
    else if (code >= 71 && code <= 74)
        draw_shape_roundeds(dc, action, code);
    else if (code == 80)
        draw_shape_hexagons(dc, action, code);
    else if (code == 81)
        draw_shape_octagons(dc, action, code);
    else
        return false;
    return true;
}

void draw_tool_rects(GdiPainter& dc, const board_action& action, int tool)
{
    if (tool == tool_filled_rect)
        paint_action_filled_rect(dc, action);
    else
        paint_action_rect(dc, action);
}

void draw_tool_ellipses(GdiPainter& dc, const board_action& action, int tool)
{
    if (tool == tool_filled_ellipse)
        paint_action_filled_ellipse(dc, action);
    else
        paint_action_ellipse(dc, action);
}

void draw_tool_round_rects(GdiPainter& dc, const board_action& action, int tool)
{
    if (tool == tool_filled_round_rect)
        paint_action_filled_round_rect(dc, action);
    else
        paint_action_round_rect(dc, action);
}

void draw_tool_points(GdiPainter& dc, const board_action& action) { paint_action_point(dc, action); }

void draw_shape_triangle_previews(GdiPainter& dc, const board_action& action, int code)
{
    if (code >= 40 && code <= 47)
        draw_preview(dc, action, code);
}

void draw_shape_quad_previews(GdiPainter& dc, const board_action& action, int code)
{
    if (code >= 60 && code <= 63)
        draw_preview(dc, action, code);
}

void draw_shape_rounded_previews(GdiPainter& dc, const board_action& action, int code)
{
    if (code >= 71 && code <= 74)
        draw_preview(dc, action, code);
}

void draw_shape_diamond_preview(GdiPainter& dc, const board_action& action) { draw_preview(dc, action, 50); }
void draw_shape_parallelogram_preview(GdiPainter& dc, const board_action& action) { draw_preview(dc, action, 70); }
void draw_shape_hexagon_preview(GdiPainter& dc, const board_action& action) { draw_preview(dc, action, 80); }
void draw_shape_octagon_preview(GdiPainter& dc, const board_action& action) { draw_preview(dc, action, 81); }

void draw_rubber_band(GdiPainter& dc, const BoardRubberBand& band)
{
    const board_action a = band_action(band);
    const int tool = band.tool;
    if (tool == tool_line || board_is_decorated_line(tool)) {
        draw_preview(dc, a, shape_plain_line);
    } else if (tool == tool_rect || tool == tool_filled_rect || tool == tool_bitmap_drag) {
        dc.set_xor_dotted(true);
        dc.polyline({ { band.x1, band.y1 }, { band.x2, band.y1 }, { band.x2, band.y2 }, { band.x1, band.y2 },
                      { band.x1, band.y1 } });
        dc.set_xor_dotted(false);
    } else if (tool == tool_ellipse || tool == tool_filled_ellipse) {
        const BoardBox b = board_box(band.x1, band.y1, band.x2, band.y2);
        dc.set_xor_dotted(true);
        dc.ellipse(b.left, b.top, b.right, b.bottom, true, 0);
        dc.set_xor_dotted(false);
    } else if (tool == tool_round_rect || tool == tool_filled_round_rect) {
        dc.set_xor_dotted(true);
        paint_round_rect_outline(dc, band.x1, band.y1, band.x2, band.y2);
        dc.set_xor_dotted(false);
    } else if (tool >= 40 && tool <= 47) {
        draw_shape_triangle_previews(dc, a, tool);
    } else if (tool == 50) {
        draw_shape_diamond_preview(dc, a);
    } else if (tool >= 60 && tool <= 63) {
        draw_shape_quad_previews(dc, a, tool);
    } else if (tool == 70) {
        draw_shape_parallelogram_preview(dc, a);
    } else if (tool >= 71 && tool <= 74) {
        draw_shape_rounded_previews(dc, a, tool);
    } else if (tool == 80) {
        draw_shape_hexagon_preview(dc, a);
    } else if (tool == 81) {
        draw_shape_octagon_preview(dc, a);
    }
}
