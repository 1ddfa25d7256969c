// Pages painted into images: the worked values of the painters, the
// pictures' stacking, the zoomed page's doubling, clipped texts, rubber
// bands, and input that must neither hang nor crash.

#include "core/bitmap_file.h"
#include "core/message_box.h"
#include "core/ui/dib_image.h"
#include "platform/ui/gdi_painter.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_geometry.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_font.h"
#include "whiteboard/ui/board_paint.h"
#include "whiteboard/ui/shape_renderers.h"

#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>

namespace {

constexpr QRgb white = 0xffffffff;

QImage blank(int w = 200, int h = 200)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

int coloured_pixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != white ? 1 : 0;
    return n;
}

bool set(const QImage& image, int x, int y) { return image.pixel(x, y) != white; }

board_action action(int kind, std::array<int32_t, 9> data)
{
    board_action a;
    a.kind = kind;
    a.set_gesture_end(1);
    a.data = data;
    return a;
}

QImage painted(const board_action& a, int w = 200, int h = 200)
{
    QImage image = blank(w, h);
    GdiPainter dc(&image);
    paint_action(dc, a);
    return image;
}

class BoardPaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        board_model_setup();
        g_offline_board = 1;
    }
    void TearDown() override
    {
        g_offline_board = 0;
        board_model_free();
    }
    ScriptedMessageBoxes boxes;
};

TEST_F(BoardPaint, PointWidthsSetTheirDisc)
{
    struct Case { int width; int pixels; };
    for (Case c : { Case { 1, 0 }, { 2, 1 }, { 3, 5 }, { 0, 0 }, { -4, 0 }, { 9, 61 } }) {
        QImage image = painted(action(ACTION_POINT, { 50, 50, c.width, 255, 0, 0, 0, 0, 0 }));
        EXPECT_EQ(coloured_pixels(image), c.pixels) << "width " << c.width;
    }
    // Width 3: a plus around the point.
    QImage plus = painted(action(ACTION_POINT, { 50, 50, 3, 255, 0, 0, 0, 0, 0 }));
    for (QPoint p : { QPoint(50, 50), QPoint(49, 50), QPoint(51, 50), QPoint(50, 49), QPoint(50, 51) })
        EXPECT_EQ(plus.pixel(p), 0xffff0000u) << p.x() << "," << p.y();
    EXPECT_FALSE(set(plus, 49, 49));
}

TEST_F(BoardPaint, LinesLeaveTheirEndPixelOutAndRectanglesClose)
{
    QImage line = painted(action(ACTION_LINE, { 10, 10, 20, 10, 1, 0, 0, 0, 0 }));
    EXPECT_EQ(coloured_pixels(line), 10);
    EXPECT_TRUE(set(line, 10, 10));
    EXPECT_FALSE(set(line, 20, 10));

    QImage rect = painted(action(ACTION_RECT, { 10, 10, 20, 30, 1, 0, 0, 0, 0 }));
    EXPECT_EQ(coloured_pixels(rect), 2 * 11 + 2 * 19);
    // Filled from any corner: [left, right) x [top, bottom).
    for (auto box : { std::array<int, 4> { 10, 10, 20, 30 }, std::array<int, 4> { 20, 30, 10, 10 } }) {
        QImage filled = painted(action(ACTION_FILLED_RECT, { box[0], box[1], box[2], box[3], 1, 0, 0, 0, 0 }));
        EXPECT_EQ(coloured_pixels(filled), 10 * 20);
        EXPECT_FALSE(set(filled, 20, 15));
    }
}

TEST_F(BoardPaint, RoundRectangleCornersByTheirRules)
{
    struct Case { int size; int kind; int corner_gap; };  // a side pixel this far from the corner is still curve
    for (Case c : { Case { 600, ACTION_ROUND_RECT, 50 }, { 1200, ACTION_ROUND_RECT, 60 },
                    { 1200, ACTION_FILLED_ROUND_RECT, 30 } }) {
        QImage image = painted(action(c.kind, { 10, 10, 10 + c.size, 10 + c.size, 1, 0, 0, 0, 0 }), 1300, 1300);
        EXPECT_FALSE(set(image, 10, 10)) << c.size << " kind " << c.kind;       // the corner is cut
        EXPECT_FALSE(set(image, 10, 10 + c.corner_gap / 2)) << c.size << " kind " << c.kind;
        EXPECT_TRUE(set(image, 10, 10 + c.corner_gap + 2)) << c.size << " kind " << c.kind;  // the straight side
        EXPECT_TRUE(set(image, 10 + c.size / 2, 10)) << c.size << " kind " << c.kind;
    }
    QImage filled = painted(action(ACTION_FILLED_ROUND_RECT, { 10, 10, 110, 60, 1, 0, 0, 255, 0 }));
    EXPECT_EQ(filled.pixel(60, 35), 0xff0000ffu);  // the inside is filled
}

TEST_F(BoardPaint, EveryKindAndShapePaintsInsideItsBox)
{
    std::vector<int> kinds { ACTION_LINE, ACTION_RECT, ACTION_FILLED_RECT, ACTION_ELLIPSE, ACTION_FILLED_ELLIPSE,
                             ACTION_ROUND_RECT, ACTION_FILLED_ROUND_RECT };
    for (int code = 20; code <= 81; ++code)
        if (board_is_shape_code(code))
            kinds.push_back(code);
    for (int kind : kinds) {
        QImage image = painted(action(kind, { 40, 50, 160, 140, 2, 0, 0, 0, 0 }));
        EXPECT_GT(coloured_pixels(image), 50) << "kind " << kind;
        // Nothing beyond the box and the decorations' reach (the round ends
        // bulge out by half the box).
        if (kind >= 71 && kind <= 74)
            continue;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x)
                if (set(image, x, y))
                    ASSERT_TRUE(x >= 25 && x <= 175 && y >= 35 && y <= 155) << "kind " << kind << " at " << x << "," << y;
    }
    // Unknown kinds paint nothing.
    EXPECT_EQ(coloured_pixels(painted(action(99, { 40, 50, 160, 140, 2, 0, 0, 0, 0 }))), 0);
    EXPECT_EQ(coloured_pixels(painted(action(20, { 40, 50, 40, 50, 2, 0, 0, 0, 0 }))), 0);  // P1 = P2
}

TEST_F(BoardPaint, TheSameShapeFromEitherCornerPaintsTheSameExceptTheParallelogram)
{
    for (int code : { 40, 44, 50, 60, 63, 80, 81, 72 }) {
        QImage a = painted(action(code, { 30, 40, 170, 160, 1, 0, 0, 0, 0 }));
        QImage b = painted(action(code, { 170, 160, 30, 40, 1, 0, 0, 0, 0 }));
        if (code == 72)
            EXPECT_NE(a, b) << code;  // its round end is at y1
        else
            EXPECT_EQ(a, b) << code;
    }
    QImage right = painted(action(70, { 30, 40, 170, 160, 1, 0, 0, 0, 0 }));
    QImage left = painted(action(70, { 170, 40, 30, 160, 1, 0, 0, 0, 0 }));
    EXPECT_NE(right, left);
}

TEST_F(BoardPaint, RubberBandDrawnTwiceLeavesThePicture)
{
    QImage image = blank();
    {
        GdiPainter dc(&image);
        paint_action(dc, action(ACTION_FILLED_ELLIPSE, { 20, 20, 180, 180, 3, 0, 128, 0, 0 }));
    }
    const QImage before = image;
    std::vector<int> tools { tool_line, tool_rect, tool_filled_rect, tool_ellipse, tool_filled_ellipse,
                             tool_round_rect, tool_filled_round_rect, tool_bitmap_drag };
    for (int code = 20; code <= 81; ++code)
        if (board_is_shape_code(code))
            tools.push_back(code);
    for (int tool : tools) {
        GdiPainter dc(&image);
        BoardRubberBand band { tool, 10, 15, 150, 170 };
        draw_rubber_band(dc, band);
        dc.painter().end();
        EXPECT_NE(image, before) << "tool " << tool << " shows a band";
        GdiPainter again(&image);
        draw_rubber_band(again, band);
        again.painter().end();
        EXPECT_EQ(image, before) << "tool " << tool;
    }
}

// A one-colour ".bmp" file of w x h.
std::string write_bmp(const std::string& path, int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    auto dib = qimage_to_dib(image);
    EXPECT_EQ(dib_write_bmp_file(*dib, path), 1);
    return path;
}

void use_slot(int board, int index, const std::string& path, int x, int y, int z)
{
    bmp_slot& s = g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(index)];
    s.used = 1;
    std::memset(s.path.data(), 0, s.path.size());
    std::memcpy(s.path.data(), path.data(), path.size());
    s.x = x;
    s.y = y;
    s.z_order = z;
}

TEST_F(BoardPaint, PicturesStackByZOrderAndTiesPaintTheLowerSlotFirst)
{
    TempHome home;
    const std::string red = write_bmp(home.root() + "/red.bmp", 40, 40, Qt::red);
    const std::string blue = write_bmp(home.root() + "/blue.bmp", 40, 40, Qt::blue);
    struct Case { int z_red; int z_blue; QRgb front; };
    for (Case c : { Case { 0, 0, 0xff0000ffu }, { -1, 0, 0xffff0000u }, { 3, 2, 0xff0000ffu } }) {
        board_model_setup();
        use_slot(0, 2, red, 100, 100, c.z_red);
        use_slot(0, 5, blue, 120, 120, c.z_blue);
        QImage page = board_page_image(0);
        EXPECT_EQ(page.pixel(130, 130), c.front) << c.z_red << " vs " << c.z_blue;
        EXPECT_EQ(page.pixel(105, 105), 0xffff0000u);
        EXPECT_EQ(g_board[0].bitmaps[2].width, 40);  // painting gives the slot its size
    }
    // A picture that does not decode, or has no file yet, is skipped.
    std::ofstream(home.root() + "/broken.bmp") << "BM not a picture";
    board_model_setup();
    use_slot(0, 1, home.root() + "/broken.bmp", 10, 10, 0);
    use_slot(0, 3, "", 50, 50, 0);
    EXPECT_EQ(coloured_pixels(board_page_image(0)), 0);
    EXPECT_TRUE(boxes.texts().empty());
    QImage scratch = blank();
    GdiPainter dc(&scratch);
    EXPECT_EQ(bmp_paint_board(10, dc), -1);
    EXPECT_EQ(board_paint(-1, dc), -1);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "board_num out of range in bmp_paint_board.",
                                                          "board_num out of range in board_paint." }));
}

TEST_F(BoardPaint, ZoomedPageActionsAreDoubledOnTheWindow)
{
    g_board[0].half_size = 1;
    send_board_line(0, 0, 0, 0, 20, 20, 40, 20, 2, 1);  // halved by the builder: (10, 10)-(20, 10)
    ASSERT_EQ(g_board[0].visible_count, 1);
    QImage window = blank();
    {
        GdiPainter dc(&window);
        board_paint_action(0, dc, -5, 99, 3, 1);  // from and to cut to the visible range
    }
    // (20, 20)-(40, 20) at width 4, less the origin (3, 1): rows 17-20, x 15..38.
    EXPECT_TRUE(set(window, 17, 19));
    EXPECT_TRUE(set(window, 36, 17));
    EXPECT_FALSE(set(window, 17, 21));
    EXPECT_FALSE(set(window, 40, 19));
    // At board scale the same action is its stored self.
    QImage page = board_page_image(0);
    EXPECT_TRUE(set(page, 12, 10));
    EXPECT_FALSE(set(page, 12, 12));
}

TEST_F(BoardPaint, TextsSplitAtCarriageReturnsAndClipAtTheirBox)
{
    send_board_text(0, 10, 10, 0, "ab\rcd", 0, 0, 255);
    QImage page = board_page_image(0);
    int first_row = -1;
    int last_row = -1;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 60; ++x)
            if (set(page, x, y)) {
                first_row = first_row < 0 ? y : first_row;
                last_row = y;
            }
    ASSERT_GE(first_row, 10);
    const int line_px = QFontMetrics(board_font_for_index(0)).height();
    EXPECT_GE(last_row - first_row, line_px) << "two lines, one below the other";

    // A text whose lines run past its 4000 pixels stops there.
    std::string tall;
    for (int i = 0; i < 300; ++i)
        tall += "W\r";
    board_model_setup();
    send_board_text(0, 5, 20 - 4000, 0, tall, 0, 0, 0);
    QImage clipped = board_page_image(0);
    bool above = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            above = above || set(clipped, x, y);
    EXPECT_TRUE(above);
    for (int y = 20; y < 200; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_FALSE(set(clipped, x, y)) << x << "," << y;
}

TEST_F(BoardPaint, PointerMarkHasItsCornerOnThePointer)
{
    g_board[0].show_pointer = 1;
    g_board[0].pointer_x = 300;
    g_board[0].pointer_y = 200;
    QImage page = board_page_image(0);
    EXPECT_NE(page.pixel(299, 199), white);
    EXPECT_NE(page.pixel(270, 181), white);
    EXPECT_EQ(page.pixel(300, 200), white);
    EXPECT_EQ(page.pixel(269, 190), white);
    g_board[0].show_pointer = 0;
    EXPECT_EQ(coloured_pixels(board_page_image(0)), 0);
}

TEST_F(BoardPaint, FontRecordsTurnIntoFontsAndBack)
{
    QFont font(QApplication::font());
    font.setPixelSize(23);
    font.setWeight(QFont::Bold);
    font.setItalic(true);
    board_logfont bytes = board_qfont_to_logfont(font);
    int32_t height = 0;
    std::memcpy(&height, bytes.data(), 4);
    EXPECT_EQ(height, -23);
    QFont back = board_logfont_to_qfont(bytes);
    EXPECT_EQ(back.pixelSize(), 23);
    EXPECT_EQ(back.weight(), QFont::Bold);
    EXPECT_TRUE(back.italic());
    EXPECT_EQ(back.family(), font.family());

    // A face the system lacks and sizes far out of range still give a font.
    board_logfont odd {};
    int32_t huge = -2000000000;
    std::memcpy(odd.data(), &huge, 4);
    std::memcpy(odd.data() + 28, "No Such Face 12345", 18);
    QFont fallback = board_logfont_to_qfont(odd);
    EXPECT_LE(fallback.pixelSize(), 2000);
    EXPECT_FALSE(QFontInfo(fallback).family().isEmpty());
    g_board_font[7].logfont = odd;
    g_board_font[7].used = 1;
    send_board_text(0, 10, 10, 7, "fallback", 0, 0, 0);
    send_board_text(0, 10, 300, 49, "unused entry", 0, 0, 0);
    send_board_text(0, 10, 400, -3, "bad index", 0, 0, 0);
    EXPECT_GT(coloured_pixels(board_page_image(0)), 0);
}

TEST_F(BoardPaint, FarOffSizesAndWidthsPaintWithoutHanging)
{
    const int far = 2000000000;
    std::vector<board_action> bad;
    for (int kind : { ACTION_POINT, ACTION_LINE, ACTION_RECT, ACTION_FILLED_RECT, ACTION_ELLIPSE,
                      ACTION_FILLED_ELLIPSE, ACTION_ROUND_RECT, ACTION_FILLED_ROUND_RECT, 20, 27, 31, 42, 71, 74, 81 }) {
        for (int width : { -7, 0, 1, 1000000000 }) {
            bad.push_back(action(kind, { -far, -far, far, far, width, 1, 2, 3, 0 }));
            bad.push_back(action(kind, { 100, 100, 100, 100, width, 1, 2, 3, 0 }));
            bad.push_back(action(kind, { far, far, far, -far, width, 1, 2, 3, 0 }));
            bad.push_back(action(kind, { 200, 100, 100, 200, width, 1, 2, 3, 0 }));
        }
    }
    for (const board_action& a : bad)
        board_add_general_from_server(reinterpret_cast<const char*>(&a), 0, sizeof a);
    send_board_text(0, -far, far, 0, "far away", 0, 0, 0);
    const auto start = std::chrono::steady_clock::now();
    QImage page = board_page_image(0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(page.isNull());
    // Not a timing assertion: a hang shows as a test time-out; this says where.
    std::printf("far-off page painted in %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
}

TEST_F(BoardPaint, PageOfAHundredThousandActionsPaints)
{
    for (int i = 0; i < 100000; ++i) {
        const int x = (i * 13) % 1600;
        const int y = (i * 7) % 1000;
        board_action a = action(ACTION_LINE, { x, y, x + i % 20, y + i % 15, 1 + i % 3, i % 256, 0, 0, 0 });
        ASSERT_EQ(board_add_general_from_server(reinterpret_cast<const char*>(&a), 0, sizeof a), 0);
    }
    QImage page = board_page_image(0);
    EXPECT_GT(coloured_pixels(page), 100000);
}

} // namespace
