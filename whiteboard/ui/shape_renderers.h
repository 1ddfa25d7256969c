#pragma once
// Drawing the shape palette: final figures in the action's pen and brush,
// rubber bands in the inverting dotted pen. The geometry is the Qt-free
// board_shape_strokes; these only draw it.

#include "whiteboard/board_action.h"
#include "whiteboard/board_gestures.h"
#include "whiteboard/board_geometry.h"

class GdiPainter;

// The strokes of one figure: lines and arcs in the pen (colour, width), fills
// in the colour.
void draw_shape_strokes(GdiPainter& dc, const std::vector<ShapeStroke>& strokes, COLORREF colour, int width);

// Final figures from an action's x1, y1, x2, y2, width and colour.
// draw_board_shape takes 4 (the line tool's plain line) and 20-31.
void draw_board_shape(GdiPainter& dc, const board_action& action, int code);
void draw_shape_triangles(GdiPainter& dc, const board_action& action, int code);       // 40-47
void draw_shape_diamonds(GdiPainter& dc, const board_action& action, int code);        // 50
void draw_shape_quads(GdiPainter& dc, const board_action& action, int code);           // 60-63
void draw_shape_parallelograms(GdiPainter& dc, const board_action& action, int code);  // 70
void draw_shape_roundeds(GdiPainter& dc, const board_action& action, int code);        // 71-74
void draw_shape_hexagons(GdiPainter& dc, const board_action& action, int code);        // 80
void draw_shape_octagons(GdiPainter& dc, const board_action& action, int code);        // 81
// The renderer of a shape action's kind; false for a kind that is no shape.
bool draw_shape_action(GdiPainter& dc, const board_action& action);

// Basic figures as the painters of kinds 1 and 4-9 draw them, drawn on the
// window when a gesture ends: tool 6 / 8 / 10 filled, the others outlines.
void draw_tool_rects(GdiPainter& dc, const board_action& action, int tool);
void draw_tool_ellipses(GdiPainter& dc, const board_action& action, int tool);
void draw_tool_round_rects(GdiPainter& dc, const board_action& action, int tool);
void draw_tool_points(GdiPainter& dc, const board_action& action);

// Rubber bands (XOR: drawing one twice leaves the picture as it was).
void draw_shape_triangle_previews(GdiPainter& dc, const board_action& action, int code);
void draw_shape_quad_previews(GdiPainter& dc, const board_action& action, int code);
void draw_shape_rounded_previews(GdiPainter& dc, const board_action& action, int code);
void draw_shape_diamond_preview(GdiPainter& dc, const board_action& action);
void draw_shape_parallelogram_preview(GdiPainter& dc, const board_action& action);
void draw_shape_hexagon_preview(GdiPainter& dc, const board_action& action);
void draw_shape_octagon_preview(GdiPainter& dc, const board_action& action);
// Any band of a gesture: the line, the outline of a figure tool (5-10), a
// shape's preview, or a picture's outline (tool 13).
void draw_rubber_band(GdiPainter& dc, const BoardRubberBand& band);
