// The whiteboard's painting: one full repaint of a 1600 x 1000 page holding
// 10,000 mixed actions (segments, points, figures, shapes, texts), and the
// incremental paint of one new pen segment onto that page's back buffer, as
// the view does when the relayed segment arrives. Targets: a full repaint
// under 50 ms, a new segment under 1 ms.
#include "platform/ui/gdi_painter.h"
#include "whiteboard/board_geometry.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_font.h"
#include "whiteboard/ui/board_paint.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double ms_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A meeting's page: mostly free-hand segments, with points, figures, shapes and texts.
void fill_page(int count)
{
    const int shapes[] = { 20, 26, 28, 31, 40, 45, 50, 60, 63, 70, 71, 74, 80, 81 };
    int x = 100;
    int y = 100;
    for (int i = 0; i < count; ++i) {
        const int r = (i * 37) % 256;
        const int kind = i % 20;
        const int nx = 50 + (x + 7 + (i * 13) % 11) % 1500;
        const int ny = 50 + (y + 3 + (i * 17) % 9) % 900;
        if (kind < 14) {
            send_board_line(0, r, 0, 255 - r, x, y, nx, ny, 1 + i % 4, i % 10 == 0 ? 1 : 0);
        } else if (kind == 14) {
            send_board_point(0, r, r, 0, nx, ny, 3 + i % 6);
        } else if (kind == 15) {
            send_board_rect(0, 0, r, 0, nx, ny, nx + 60, ny + 40, 2, 1);
        } else if (kind == 16) {
            send_board_filled_ellipse(0, r, 0, 0, nx, ny, nx + 50, ny + 30, 1, 1);
        } else if (kind == 17) {
            send_board_round_rect(0, 0, 0, r, nx, ny, nx + 80, ny + 50, 2, 1);
        } else if (kind == 18) {
            send_board_shape(0, shapes[(i / 20) % 14], r, 0, r, nx, ny, nx + 70, ny + 45, 2, 1);
        } else {
            send_board_text(0, nx, ny, 0, i % 40 == 19 ? "a note\rtwo lines" : "text", 0, 0, r);
        }
        x = nx;
        y = ny;
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    board_model_setup();
    g_board_font[0].logfont = board_qfont_to_logfont(QApplication::font());
    g_board_font[0].used = 1;
    g_offline_board = 1;
    fill_page(10000);
    std::printf("page 0: %d actions\n", g_board[0].visible_count);

    QImage buffer(board_page_width, board_page_height, QImage::Format_RGB32);
    std::vector<double> full;
    for (int run = 0; run < 15; ++run) {
        const auto start = std::chrono::steady_clock::now();
        GdiPainter dc(&buffer);
        board_paint(0, dc);
        dc.painter().end();
        full.push_back(ms_since(start));
    }
    const double full_ms = median(full);
    std::printf("full repaint, 10000 actions at 1600x1000: %.2f ms (target 50 ms: %.2f of it)\n", full_ms,
                full_ms / 50.0);

    std::vector<double> segment;
    for (int run = 0; run < 200; ++run) {
        send_board_line(0, 200, 0, 0, 300 + run, 300, 305 + run, 304, 3, 0);
        const int count = g_board[0].visible_count;
        const auto start = std::chrono::steady_clock::now();
        GdiPainter dc(&buffer);
        board_paint_actions(0, dc, count - 1, count - 1);
        dc.painter().end();
        segment.push_back(ms_since(start));
    }
    const double segment_ms = median(segment);
    std::printf("new pen segment onto the back buffer: %.4f ms (target 1 ms: %.3f of it)\n", segment_ms,
                segment_ms / 1.0);
    return 0;
}
