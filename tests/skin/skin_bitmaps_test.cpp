#include "skin/command_icons.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"
#include "tests/support/temp_home.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

QImage image_of(int id) { return skin_bitmap(id).toImage().convertToFormat(QImage::Format_ARGB32); }

int bitmap_id(int scheme, int word) { return static_cast<int>(skin_table().schemes[static_cast<size_t>(scheme)][static_cast<size_t>(word)]); }

} // namespace

TEST(SkinBitmaps, EveryNumberPaintsAtItsSize)
{
    for (int s = 0; s < skin_filled_count; ++s)
        for (int w = skin_first_bitmap_word; w < skin_word_count; ++w) {
            int id = bitmap_id(s, w);
            QPixmap pixmap = skin_bitmap(id);
            SkinBitmapInfo info = skin_bitmap_info(id);
            ASSERT_FALSE(pixmap.isNull()) << id;
            EXPECT_EQ(pixmap.width(), info.width) << id;
            EXPECT_EQ(pixmap.height(), info.height) << id;
        }
    EXPECT_EQ(skin_bitmap(211).width(), 34);
    EXPECT_EQ(skin_bitmap(227).size(), QSize(9, 9));
    EXPECT_TRUE(skin_bitmap(0).isNull());
    EXPECT_TRUE(skin_bitmap(12345).isNull());
}

TEST(SkinBitmaps, PaintedOnceAndKept)
{
    EXPECT_EQ(skin_bitmap(190).cacheKey(), skin_bitmap(190).cacheKey());
}

TEST(SkinBitmaps, CaptionButtonsShowThreeDifferentStates)
{
    using namespace skin_word;
    for (int s = 0; s < skin_filled_count; ++s) {
        for (auto [pressed, hover, normal] : { std::tuple { dialog_close_pressed, dialog_close_hover, dialog_close_normal },
                                               std::tuple { frame_close_pressed, frame_close_hover, frame_close_normal },
                                               std::tuple { maximise_pressed, maximise_hover, maximise_normal },
                                               std::tuple { minimise_pressed, minimise_hover, minimise_normal },
                                               std::tuple { restore_pressed, restore_hover, restore_normal } }) {
            QImage a = image_of(bitmap_id(s, pressed));
            QImage b = image_of(bitmap_id(s, hover));
            QImage c = image_of(bitmap_id(s, normal));
            EXPECT_NE(a, b);
            EXPECT_NE(b, c);
            EXPECT_NE(a, c);
            // Fully opaque: nothing of the window shows through a caption.
            for (const QImage* img : { &a, &b, &c })
                EXPECT_EQ(img->pixelColor(0, 0).alpha(), 255);
        }
        // The four glyphs differ from each other.
        std::vector<QImage> normals;
        for (int w : { frame_close_normal, maximise_normal, minimise_normal, restore_normal })
            normals.push_back(image_of(bitmap_id(s, w)));
        for (size_t i = 0; i < normals.size(); ++i)
            for (size_t j = i + 1; j < normals.size(); ++j)
                EXPECT_NE(normals[i], normals[j]);
    }
}

TEST(SkinBitmaps, CaptionHasAVerticalGradientInTheSchemeColour)
{
    for (int s = 0; s < skin_filled_count; ++s) {
        QImage slice = image_of(bitmap_id(s, skin_word::caption_slice));
        EXPECT_NE(slice.pixelColor(0, 2), slice.pixelColor(0, 20));
        EXPECT_GT(slice.pixelColor(0, 2).lightness(), slice.pixelColor(0, 20).lightness());
        // The slice and the caption's ends share their rows, so the band reads as one.
        QImage left = image_of(bitmap_id(s, skin_word::caption_left));
        EXPECT_EQ(left.pixelColor(5, 12), slice.pixelColor(0, 12));
    }
    // Different schemes, different captions.
    EXPECT_NE(image_of(190).pixelColor(0, 12), image_of(276).pixelColor(0, 12));
}

TEST(SkinBitmaps, ToolStripsHaveOneDistinctGlyphPerSlot)
{
    for (int s = 0; s < skin_filled_count; ++s)
        for (int w : { skin_word::tool_strip_1, skin_word::tool_strip_2, skin_word::tool_strip_3, skin_word::tool_strip_4,
                       skin_word::tool_strip_5, skin_word::tool_strip_6 }) {
            QImage strip = image_of(bitmap_id(s, w));
            std::vector<QImage> pieces;
            for (int x = 0; x + 16 <= strip.width(); x += 16)
                pieces.push_back(strip.copy(x, 0, 16, 15));
            for (size_t i = 0; i < pieces.size(); ++i) {
                for (size_t j = i + 1; j < pieces.size(); ++j)
                    EXPECT_NE(pieces[i], pieces[j]) << "scheme " << s << " word " << w << " pieces " << i << "," << j;
                QImage empty(16, 15, pieces[i].format());
                empty.fill(Qt::transparent);
                EXPECT_NE(pieces[i], empty);
            }
        }
}

namespace {

double relative_luminance(const QColor& c)
{
    auto channel = [](int v) {
        double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(const QColor& a, const QColor& b)
{
    double la = relative_luminance(a), lb = relative_luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

// A button's text is 0xd0d0d0 (0xffffff hovered) on the face's rows: the face
// must be deep enough to read it, or every button looks disabled.
TEST(SkinBitmaps, ButtonFaceKeepsItsTextReadable)
{
    for (int s = 0; s < skin_filled_count; ++s) {
        QImage face = image_of(bitmap_id(s, skin_word::button_face));
        // The rows a one-line label covers on buttons 20 to 30 pixels high.
        for (int y = 5; y <= 22; ++y)
            EXPECT_GE(contrast(face.pixelColor(0, y), QColor(0xd0, 0xd0, 0xd0)), 3.0) << "scheme " << s << " row " << y;
    }
}

TEST(SkinBitmaps, CurrentSchemeWordLoadsItsBitmap)
{
    TempHome home;
    skin_table().select_skin(3);
    EXPECT_EQ(skin_word_bitmap(skin_word::caption_slice).cacheKey(), skin_bitmap(364).cacheKey());
    skin_table().select_skin(9);
    EXPECT_TRUE(skin_word_bitmap(skin_word::caption_slice).isNull());
    skin_table().select_skin(0);
}

// Not compared: a sheet of every bitmap per scheme for people to look at.
TEST(SkinScreenshots, BitmapSheets)
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    for (int s = 0; s < skin_filled_count; ++s) {
        QImage sheet(560, 660, QImage::Format_ARGB32);
        sheet.fill(QColor(0xee, 0xee, 0xee));
        QPainter p(&sheet);
        int x = 4;
        int y = 4;
        int row_h = 0;
        for (int w = skin_first_bitmap_word; w < skin_word_count; ++w) {
            QPixmap pm = skin_bitmap(bitmap_id(s, w));
            QSize size = pm.size();
            if (pm.height() > 130)
                size = QSize(40, 130); // backgrounds stretched to a swatch
            if (x + size.width() > sheet.width()) {
                x = 4;
                y += row_h + 6;
                row_h = 0;
            }
            p.drawPixmap(QRect(QPoint(x, y), size), pm);
            x += size.width() + 6;
            row_h = std::max(row_h, size.height());
        }
        p.end();
        EXPECT_TRUE(sheet.save(QString("%1/bitmaps_scheme_%2.png").arg(dir).arg(s)));
    }
}

// The full-screen tool bar's strips: one picture per button in each of the
// three states, the states telling apart; the pressed ones are scheme 0's
// words 57 and 58.
TEST(SkinBitmaps, FullScreenStripsShowEachButtonInThreeStates)
{
    struct Set {
        int set, normal, hot, pressed, width;
    };
    for (Set s : { Set { 0, 215, 213, 214, 512 }, Set { 1, 247, 248, 249, 32 } }) {
        for (int id : { s.normal, s.hot, s.pressed })
            EXPECT_EQ(skin_bitmap(id).size(), QSize(s.width, 15)) << id;
        const QImage normal = image_of(s.normal);
        const QImage hot = image_of(s.hot);
        const QImage pressed = image_of(s.pressed);
        QImage empty(16, 15, normal.format());
        empty.fill(Qt::transparent);
        for (int slot = 0; slot < full_screen_strip_slot_count(s.set); ++slot) {
            if (full_screen_strip_slot(s.set, slot).command_id == 0)
                continue;
            const QImage n = normal.copy(slot * 16, 0, 16, 15);
            EXPECT_NE(n, empty) << s.set << " " << slot;
            EXPECT_NE(n, hot.copy(slot * 16, 0, 16, 15)) << s.set << " " << slot;
            EXPECT_NE(n, pressed.copy(slot * 16, 0, 16, 15)) << s.set << " " << slot;
        }
    }
    EXPECT_EQ(skin_bitmap_info(214).scheme, 0);
    EXPECT_EQ(skin_bitmap_info(249).word, skin_word::tool_strip_spare);
    EXPECT_EQ(skin_bitmap_info(215).scheme, -1);
    // The pen's width and the eraser's share a picture: the eraser's carries a badge.
    const QImage strip = image_of(215);
    EXPECT_NE(strip.copy(2 * 16, 0, 16, 15), strip.copy(5 * 16, 0, 16, 15));
}
