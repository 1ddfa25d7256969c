#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"
#include "skin/ui/edit_text_tool.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_form_view.h"
#include "skin/ui/skin_scroll_bars.h"
#include "tests/skin/paint_probe.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Skinned : ::testing::Test {
    TempHome home;
    void SetUp() override { skin_table().select_skin(0); }
    void TearDown() override { skin_table().select_skin(0); }
};

} // namespace

TEST(ScrollThumb, ViewAndRangeGeometry)
{
    struct Case {
        bool range;
        int length, thickness, position, page, total;
        int start, end;
    };
    const Case cases[] = {
        // Everything visible: the thumb fills the track.
        { false, 200, 17, 0, 200, 200, 17, 183 },
        { false, 200, 17, 0, 100, 400, 17, 58 },
        { false, 200, 17, 300, 100, 400, 141, 182 },
        { false, 200, 17, 0, 0, 0, 0, 0 },
        { true, 200, 17, 0, 200, 200, 0, 0 },
        { true, 200, 17, 0, 300, 200, 0, 0 },
        { true, 200, 17, 0, 100, 400, 17, 58 },
        // The far end is kept off the arrow box, the start 8 pixels before it.
        { true, 200, 17, 399, 1, 400, 174, 182 },
        { true, 200, 17, 300, 100, 400, 141, 182 },
    };
    for (const Case& c : cases) {
        ScrollThumb t = c.range ? range_scroll_thumb(c.length, c.thickness, c.position, c.page, c.total)
                                : view_scroll_thumb(c.length, c.thickness, c.position, c.page, c.total);
        EXPECT_EQ(t.start_px, c.start) << c.range << " " << c.position << "/" << c.page << "/" << c.total;
        EXPECT_EQ(t.end_px, c.end) << c.range << " " << c.position << "/" << c.page << "/" << c.total;
    }
}

using SkinScrollBars = Skinned;

TEST_F(SkinScrollBars, PaintsArrowsTrackAndThumbBothWays)
{
    for (bool vertical : { true, false }) {
        const QSize size = vertical ? QSize(17, 200) : QSize(200, 17);
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            GdiPainter dc(&image);
            paint_skin_scroll_bar(dc, QRect(QPoint(0, 0), size), vertical, { 60, 100 }, ScrollBarKind::view);
        }
        auto px = [&](int across, int along) { return vertical ? at(image, across, along) : at(image, along, across); };
        const COLORREF panel = skin_word_value(skin_word::panel);
        const COLORREF dark = skin_word_value(skin_word::outline);
        EXPECT_EQ(px(0, 0), panel);
        EXPECT_EQ(px(16, 16), dark);
        EXPECT_EQ(px(1, 1), 0xfffcfau);
        EXPECT_EQ(px(8, 9), dark); // the up arrow
        EXPECT_EQ(px(3, 3), panel); // the box's face
        EXPECT_EQ(px(8, 191), dark); // the down arrow
        // Track: hatch and white only.
        for (int along : { 20, 40, 120, 170 }) {
            COLORREF c = px(6, along);
            EXPECT_TRUE(c == 0xffffffu || c == skin_word_value(skin_word::highlight)) << along;
        }
        EXPECT_EQ(px(8, 80), panel); // the thumb's face
        EXPECT_EQ(px(0, 70), panel);
        EXPECT_EQ(px(16, 70), dark);
    }
}

TEST_F(SkinScrollBars, ToolkitHitTestsTheDrawnGeometry)
{
    CMyFormView view;
    auto* content = new QLabel("content");
    content->setFixedSize(600, 900);
    view.setWidget(content);
    view.resize(300, 200);
    view.show();
    QScrollBar* bar = view.verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->width(), skin_scroll_bar_extent_px);
    const int before = bar->value();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(8, bar->height() - 8));
    EXPECT_GT(bar->value(), before);

    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.pageStep = bar->pageStep();
    option.sliderPosition = bar->value();
    option.sliderValue = bar->value();
    QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    EXPECT_EQ(thumb.width(), bar->width());
    EXPECT_GT(thumb.height(), 0);
    EXPECT_EQ(bar->style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option, thumb.center(), bar),
              QStyle::SC_ScrollBarSlider);

    // The bar as drawn: the skin's panel colour on the thumb's face.
    QImage image = render(*bar);
    EXPECT_EQ(at(image, 8, thumb.center().y()), skin_word_value(skin_word::panel));
}

TEST_F(SkinScrollBars, WholeViewVisibleFillsTheTrack)
{
    QScrollBar bar(Qt::Vertical);
    bar.setStyle(skin_scroll_style(ScrollBarKind::view));
    bar.resize(17, 200);
    bar.setRange(0, 0);
    bar.setPageStep(200);
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = Qt::Vertical;
    option.minimum = 0;
    option.maximum = 0;
    option.pageStep = 200;
    QRect thumb = bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar);
    QRect groove = bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, &bar);
    EXPECT_EQ(thumb, groove);
}

using SkinnedEdits = Skinned;

TEST_F(SkinnedEdits, FlatBorderOfTheSingleLineEdit)
{
    CMyEdit_no_scroll edit(1079);
    edit.resize(120, 22);
    edit.show();
    QImage image = render(edit);
    const int w = 120;
    const int h = 22;
    const COLORREF outline = skin_word_value(skin_word::outline);
    const COLORREF inner = skin_word_value(skin_word::inner_border);
    EXPECT_EQ(at(image, 0, 10), outline);
    EXPECT_EQ(at(image, 1, 10), outline);
    EXPECT_EQ(at(image, 50, 0), outline);
    EXPECT_EQ(at(image, 50, 1), outline);
    EXPECT_EQ(at(image, w - 1, 10), 0xffffffu);
    EXPECT_EQ(at(image, w - 2, 10), inner);
    EXPECT_EQ(at(image, 50, h - 1), 0xffffffu);
    EXPECT_EQ(at(image, 50, h - 2), inner);
    EXPECT_EQ(edit.objectName(), "ctl_1079");
}

TEST_F(SkinnedEdits, ScrollingEditHasBorderBarsAndWhiteCorner)
{
    for (bool rich : { false, true }) {
        std::unique_ptr<CMyEdit> edit = rich ? std::make_unique<CMyRichEdit>(1000) : std::make_unique<CMyEdit>(1000);
        edit->setLineWrapMode(QTextEdit::NoWrap);
        QString text;
        for (int i = 0; i < 60; ++i)
            text += QString("line %1 with quite a long text that does not fit the width of this edit\n").arg(i);
        edit->setPlainText(text);
        edit->resize(200, 120);
        edit->show();
        QApplication::processEvents();
        QImage image = render(*edit);
        const COLORREF outline = skin_word_value(skin_word::outline);
        EXPECT_EQ(at(image, 0, 50), outline);
        EXPECT_EQ(at(image, 100, 0), outline);
        ASSERT_TRUE(edit->verticalScrollBar()->isVisible());
        ASSERT_TRUE(edit->horizontalScrollBar()->isVisible());
        QPoint bar_origin = edit->verticalScrollBar()->mapTo(edit.get(), QPoint(0, 0));
        // The bar's light lines are word 11 in an edit.
        EXPECT_EQ(at(image, bar_origin.x() + 1, bar_origin.y() + 1), skin_word_value(skin_word::light_3d));
        EXPECT_EQ(at(image, 198, 118), 0xffffffu);
        QPalette pal = edit->palette();
        EXPECT_EQ(color_colorref(pal.color(QPalette::Text)), skin_word_value(skin_word::text));
    }
}

using TextEntryBox = Skinned;

TEST_F(TextEntryBox, PasteRules)
{
    struct Case {
        int current_len;
        QString clipboard;
        int want_len;
        QString want_tail;
    };
    const Case cases[] = {
        { 0, "a\tb", 6, "a    b" },
        { 3999, "more", 3999, "xxxx" },
        { 3997, "\tX", 3999, "x  " },
        { 3990, QString(5000, 'y'), 3999, "yyyy" },
        { 10, "", 10, "xxxx" },
    };
    for (const Case& c : cases) {
        QString got = edit_text_tool_pasted(QString(c.current_len, 'x'), c.clipboard);
        EXPECT_EQ(got.size(), c.want_len) << c.current_len;
        EXPECT_TRUE(got.endsWith(c.want_tail)) << c.current_len << " " << got.right(8).toStdString();
    }
    // A current text over the limit is cut before anything is added.
    EXPECT_EQ(edit_text_tool_pasted(QString(4100, 'x'), "z").size(), 3999);
}

TEST_F(TextEntryBox, CtrlVPastesExpandsAndFits)
{
    QWidget parent;
    parent.resize(800, 600);
    CEditTextTool tool(&parent);
    tool.setGeometry(30, 40, 100, 50);
    parent.show();
    QGuiApplication::clipboard()->setText("one\ttwo\nthree");
    tool.setFocus();
    QTest::keyClick(&tool, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(tool.toPlainText(), "one    two\nthree");
    EXPECT_EQ(tool.geometry().topLeft(), QPoint(30, 40));
    QFontMetrics metrics(tool.font());
    EXPECT_EQ(tool.width(), metrics.horizontalAdvance("one    two") + 20);
    EXPECT_EQ(tool.height(), 2 * (metrics.height() + 3) + 30);
    EXPECT_EQ(tool.objectName(), "ctl_9998");
}

TEST_F(TextEntryBox, FitsThreeLinesAndExpandsForTyping)
{
    QWidget parent;
    CEditTextTool tool(&parent);
    tool.setGeometry(5, 7, 50, 50);
    tool.setPlainText("ab\nthe widest line\nc");
    tool.fit_to_text();
    QFontMetrics metrics(tool.font());
    EXPECT_EQ(tool.geometry(), QRect(5, 7, metrics.horizontalAdvance("the widest line") + 20, 3 * metrics.height() + 9 + 30));
    tool.expand_for_typing();
    EXPECT_EQ(tool.geometry(), QRect(5, 7, 2000, 2000));

    // Typing refits the box.
    parent.show();
    tool.setFocus();
    tool.moveCursor(QTextCursor::End);
    QTest::keyClicks(&tool, "ccccccccccccccccccccccccccccccc");
    EXPECT_EQ(tool.width(), metrics.horizontalAdvance("c" + QString(31, 'c')) + 20);
}

// Not compared: the edits and a form view in every scheme.
TEST_F(SkinnedEdits, Screenshots)
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    for (int s = 0; s < skin_filled_count; ++s) {
        skin_table().select_skin(s);
        CMyEdit edit(1000);
        edit.setLineWrapMode(QTextEdit::NoWrap);
        QString text;
        for (int i = 0; i < 40; ++i)
            text += QString("chat line %1: a text long enough to need the horizontal bar\n").arg(i);
        edit.setPlainText(text);
        edit.resize(260, 160);
        edit.show();
        QApplication::processEvents();
        EXPECT_TRUE(render(edit).save(QString("%1/edit_scheme_%2.png").arg(dir).arg(s)));
    }
}
