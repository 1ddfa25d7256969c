#include "core/global_state.h"
#include "media/voice_state.h"
#include "platform/ui/gdi_painter.h"
#include "skin/list_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/my_header_ctrl.h"
#include "skin/ui/my_list_box.h"
#include "skin/ui/my_list_ctrl.h"
#include "skin/ui/my_list_ctrl_owner_draw.h"
#include "skin/ui/roster_icons.h"
#include "skin/ui/skin_bitmaps.h"
#include "skin/ui/skin_scroll_bars.h"
#include "tests/skin/paint_probe.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Lists : ::testing::Test {
    TempHome home;
    void SetUp() override
    {
        skin_table().select_skin(0);
        clear_tables();
    }
    void TearDown() override
    {
        skin_table().select_skin(0);
        clear_tables();
        g_zoomed_customer_id = -1;
        g_private_voice_partner_id = -1;
    }
    static void clear_tables()
    {
        customer_info.fill(customer_info_record {});
        customer_view.fill(customer_view_record {});
    }
};

void add_attendee(int slot, int id, int32_t flags)
{
    customer_info[static_cast<size_t>(slot)].in_use = 1;
    customer_info[static_cast<size_t>(slot)].customer_id = id;
    customer_info[static_cast<size_t>(slot)].flags = flags;
}

// A cell's rectangle in the list's own coordinates.
QRect cell_rect(CMyListCtrl& list, int row, int column)
{
    QRect r = list.visualRect(list.list_model()->index(row, column));
    return QRect(list.viewport()->mapTo(&list, r.topLeft()), r.size());
}

// Whether the column x of the cell carries colour over exactly the bar's rows.
void expect_bar_column(const QImage& image, const QRect& cell, int x_offset, COLORREF colour, const char* what)
{
    const int x = cell.left() + x_offset;
    const int top = cell.top() + roster_bar_top_px;
    const int bottom = top + cell.height() - roster_bar_height_less_px; // excluded
    EXPECT_EQ(at(image, x, top), colour) << what;
    EXPECT_EQ(at(image, x, bottom - 1), colour) << what;
    EXPECT_NE(at(image, x, top - 1), colour) << what;
    EXPECT_NE(at(image, x, bottom), colour) << what;
}

QRect bar_part(QScrollBar* bar, QStyle::SubControl sub) { return skin_scroll_bar_part_rect(bar, sub); }

} // namespace

TEST_F(Lists, RosterRowsShowTheBarsOfTheirAttendees)
{
    CMyListCtrlOwnerDraw list(1026);
    insert_roster_columns(list);
    list.set_image_list(roster_image_list());
    list.resize(540, 200);
    // Rows: 42 chairman talking with a raised hand, 43 presenter and zoomed,
    // 44 in no attendee record, 45 with its video hidden and the voice partner.
    const int ids[] = { 42, 43, 44, 45 };
    for (int i = 3; i >= 0; --i) {
        int row = list.insert_item(0, QString("member %1").arg(ids[i]), 0);
        list.set_item_data(row, ids[i]);
    }
    add_attendee(0, 42, 1 | 4 | 8);
    add_attendee(1, 43, 2);
    add_attendee(2, 45, 0);
    customer_view[5].in_use = 1;
    customer_view[5].customer_id = 45;
    customer_view[5].show_video = 0;
    g_zoomed_customer_id = 43;
    g_private_voice_partner_id = 45;
    list.show();
    QApplication::processEvents();
    QImage image = render(list);

    QRect c0 = cell_rect(list, 0, 0);
    ASSERT_GE(c0.height(), 18);
    expect_bar_column(image, c0, 0, 0x0000ff, "chairman");
    expect_bar_column(image, c0, 1, 0x0000ff, "chairman bar is 2 wide");
    EXPECT_EQ(at(image, c0.left() + 2, c0.center().y()), 0xffffffu);
    expect_bar_column(image, c0, 10, 0x00e0e0, "hand");
    expect_bar_column(image, c0, 20, 0xff0000, "talking");
    expect_bar_column(image, c0, 25, 0xffff00, "video shown");
    EXPECT_EQ(at(image, c0.left() + 27, c0.center().y()), 0xffffffu) << "not zoomed: 2 wide";
    EXPECT_EQ(at(image, c0.left() + 5, c0.center().y()), 0xffffffu) << "not the presenter";
    expect_bar_column(image, cell_rect(list, 0, 1), 1, 0x00e0e0, "hand column");
    expect_bar_column(image, cell_rect(list, 0, 3), 1, 0xff0000, "talking column");
    expect_bar_column(image, cell_rect(list, 0, 4), 1, 0xffff00, "video column");
    EXPECT_EQ(at(image, cell_rect(list, 0, 2).left() + 1, c0.center().y()), 0xffffffu) << "not the partner";

    QRect c1 = cell_rect(list, 1, 0);
    expect_bar_column(image, c1, 5, 0x00ff00, "presenter");
    expect_bar_column(image, c1, 29, 0xffff00, "zoomed: 5 wide");
    EXPECT_EQ(at(image, c1.left() + 30, c1.center().y()), 0xffffffu);

    // No attendee record: no flag bars, the video mark all the same.
    QRect c2 = cell_rect(list, 2, 0);
    for (int x = 0; x < 25; ++x)
        EXPECT_EQ(at(image, c2.left() + x, c2.center().y()), 0xffffffu) << x;
    expect_bar_column(image, c2, 25, 0xffff00, "unknown id keeps the video mark");

    QRect c3 = cell_rect(list, 3, 0);
    expect_bar_column(image, c3, 15, 0xff00ff, "voice partner");
    EXPECT_EQ(at(image, c3.left() + 25, c3.center().y()), 0xffffffu) << "video hidden";
    expect_bar_column(image, cell_rect(list, 3, 2), 1, 0xff00ff, "voice partner column");
    EXPECT_EQ(at(image, cell_rect(list, 3, 4).left() + 1, c3.center().y()), 0xffffffu);

    // The row's picture sits between the bars and the name.
    QImage icon = roster_icon(roster_icon_member).toImage();
    int icon_top = c0.top() + (c0.height() - 16) / 2;
    EXPECT_EQ(image.pixel(c0.left() + 32 + 8, icon_top + 4), icon.pixel(8, 4));
    // The name follows the picture, in the skin's colour (its blue outweighs the rest).
    int ink = 0;
    for (int y = c1.top(); y < c1.bottom(); ++y)
        for (int x = c1.left() + 48; x < c1.right(); ++x) {
            QColor c = image.pixelColor(x, y);
            ink += c.blue() > c.red() + 60 && c.blue() > c.green() + 60;
        }
    EXPECT_GT(ink, 10);
    for (int y = c1.top(); y < c1.bottom(); ++y)
        EXPECT_EQ(at(image, c1.left() + 31, y), 0xffffffu) << "nothing between the marks and the picture";
}

TEST_F(Lists, SelectedRosterRowIsFilledInEveryColumn)
{
    CMyListCtrlOwnerDraw list(1026);
    insert_roster_columns(list);
    list.resize(540, 120);
    for (int i = 0; i < 3; ++i)
        list.set_item_data(list.insert_item(i, ""), 100 + i);
    customer_view[0].in_use = 1;
    customer_view[0].customer_id = 101;
    customer_view[0].show_video = 0;
    list.show();
    list.set_item_selected(1, true);
    QApplication::processEvents();
    QImage image = render(list);
    for (int column = 0; column < 5; ++column) {
        QRect selected = cell_rect(list, 1, column);
        QRect other = cell_rect(list, 0, column);
        for (int x : { 3, 40, selected.width() - 2 }) {
            EXPECT_EQ(at(image, selected.left() + x, selected.center().y()), roster_selected_fill) << column << " " << x;
            if (column > 0 || x > 30) {
                EXPECT_EQ(at(image, other.left() + x, other.center().y()), 0xffffffu) << column << " " << x;
            }
        }
    }
    EXPECT_EQ(list.next_selected_item(), 1);
    EXPECT_EQ(list.next_selected_item(1), -1);
}

TEST_F(Lists, HeaderLinesSeparatorsAndEllipsis)
{
    CMyListCtrl list(1034);
    list.insert_column(0, "File Name", 150);
    list.insert_column(1, "File Size", 100);
    list.resize(320, 150);
    list.show();
    QApplication::processEvents();
    CMyHeaderCtrl* header = list.header_ctrl();
    QPoint origin = header->mapTo(&list, QPoint(0, 0));
    const int h = header->height();
    ASSERT_GE(h, 18);
    auto header_pixel = [&](const QImage& image, int x, int y) { return at(image, origin.x() + x, origin.y() + y); };

    for (int s : { 0, 3, 6 }) {
        skin_table().select_skin(s);
        QImage image = render(list);
        const COLORREF lines = skin_word_value(skin_word::list_header_lines);
        EXPECT_EQ(header_pixel(image, 5, 0), 0xffffffu) << s;
        EXPECT_EQ(header_pixel(image, 5, h - 1), lines) << s;
        // Section 0 spans [0, 150): white on its left, the header colour on its right.
        EXPECT_EQ(header_pixel(image, 0, h / 2), 0xffffffu) << s;
        EXPECT_EQ(header_pixel(image, 149, h / 2), lines) << s;
        EXPECT_EQ(header_pixel(image, 150, h / 2), 0xffffffu) << s;
        EXPECT_EQ(header_pixel(image, 249, h / 2), lines) << s;
        // Past the last section only the face shows.
        QImage face = skin_word_bitmap(skin_word::list_header_face).toImage();
        EXPECT_EQ(image.pixel(origin.x() + 280, origin.y() + 4), face.pixel(0, 5 + 4)) << s;
        // The section texts are in the skin's text colour.
        int text = 0;
        for (int x = 2; x < 148; ++x)
            for (int y = 2; y < h - 2; ++y)
                text += header_pixel(image, x, y) == skin_word_value(skin_word::text);
        EXPECT_GT(text, 10) << s;
    }

    QFont font = header->font();
    EXPECT_EQ(font.pixelSize(), 14);
    EXPECT_EQ(header_item_text("File Size", 100, font), "File Size");
    QString cut = header_item_text("Private Voice Chat with a very long name", 60, font);
    EXPECT_TRUE(cut.endsWith(QChar(0x2026))) << cut.toStdString();
    EXPECT_LE(QFontMetrics(font).horizontalAdvance(cut), 56);
    EXPECT_EQ(header_item_text(QString(400, 'i'), 10000, font).size(), 255);
}

TEST_F(Lists, ListBorderAndBarsInTheSkin)
{
    CMyListCtrl list(1005);
    list.insert_column(0, "Applications", 400);
    list.insert_column(1, "", 100);
    for (int i = 0; i < 40; ++i)
        list.insert_item(i, QString("window %1").arg(i));
    list.resize(300, 200);
    list.show();
    QApplication::processEvents();
    QImage image = render(list);
    const int w = list.width();
    const int h = list.height();
    EXPECT_EQ(at(image, 0, 100), skin_word_value(skin_word::outline));
    EXPECT_EQ(at(image, 150, 0), skin_word_value(skin_word::outline));
    EXPECT_EQ(at(image, 1, 100), skin_word_value(skin_word::scroll_outline));
    EXPECT_EQ(at(image, 150, 1), skin_word_value(skin_word::scroll_outline));
    EXPECT_EQ(at(image, w - 1, 100), 0xffffffu);
    EXPECT_EQ(at(image, w - 2, 100), 0xffffffu);
    EXPECT_EQ(at(image, 150, h - 1), 0xffffffu);
    EXPECT_EQ(at(image, 150, h - 2), 0xffffffu);
    ASSERT_TRUE(list.m_horizontal_shown);
    ASSERT_TRUE(list.m_vertical_shown);
    // The bars sit inside the border; the thumb is lined in the highlight colour.
    QScrollBar* bar = list.horizontalScrollBar();
    QPoint bar_origin = bar->mapTo(&list, QPoint(0, 0));
    EXPECT_EQ(bar_origin.x(), 2);
    EXPECT_EQ(bar_origin.y() + bar->height(), h - 2);
    QRect thumb = bar_part(bar, QStyle::SC_ScrollBarSlider);
    ASSERT_GT(thumb.width(), 8);
    EXPECT_EQ(at(image, bar_origin.x() + thumb.left() + 4, bar_origin.y() + 2), skin_word_value(skin_word::highlight));
    EXPECT_EQ(at(image, bar_origin.x() + thumb.left() + 4, bar_origin.y() + 1), 0xfffcfau);
    // Both bars shown: the corner is white.
    QPoint corner(list.verticalScrollBar()->mapTo(&list, QPoint(0, 0)).x() + 3, bar_origin.y() + 3);
    EXPECT_EQ(at(image, corner.x(), corner.y()), 0xffffffu);

    // Rows that all fit need no vertical bar.
    CMyListCtrl few(1005);
    few.insert_column(0, "Applications", 100);
    few.insert_item(0, "one");
    few.resize(300, 200);
    few.show();
    QApplication::processEvents();
    render(few);
    EXPECT_FALSE(few.m_vertical_shown);
    EXPECT_FALSE(few.m_horizontal_shown);
}

TEST_F(Lists, HorizontalBarPressesStepByTenAndByPage)
{
    CMyListCtrl list(1005);
    list.insert_column(0, "Applications", 600);
    list.insert_column(1, "", 300);
    list.insert_item(0, "one");
    list.resize(300, 150);
    list.show();
    QApplication::processEvents();
    QScrollBar* bar = list.horizontalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    ASSERT_GT(bar->maximum(), 100);
    const int page = bar->pageStep();
    const int y = bar->height() / 2;
    auto press = [&](QStyle::SubControl sub, int dx = 0) {
        QRect r = bar_part(bar, sub);
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(r.center().x() + dx, y));
    };

    press(QStyle::SC_ScrollBarAddLine);
    EXPECT_EQ(bar->value(), 10);
    press(QStyle::SC_ScrollBarAddLine);
    EXPECT_EQ(bar->value(), 20);
    press(QStyle::SC_ScrollBarSubLine);
    EXPECT_EQ(bar->value(), 10);
    press(QStyle::SC_ScrollBarSubLine);
    press(QStyle::SC_ScrollBarSubLine);
    EXPECT_EQ(bar->value(), 0);
    press(QStyle::SC_ScrollBarAddPage);
    EXPECT_EQ(bar->value(), page);
    press(QStyle::SC_ScrollBarSubPage);
    EXPECT_EQ(bar->value(), 0);
    // The rows scroll with the bar, by pixels.
    press(QStyle::SC_ScrollBarAddLine);
    EXPECT_EQ(list.header_ctrl()->offset(), 10);

    // At the end the right arrow changes nothing.
    bar->setValue(bar->maximum());
    press(QStyle::SC_ScrollBarAddLine);
    EXPECT_EQ(bar->value(), bar->maximum());
    press(QStyle::SC_ScrollBarAddPage);
    EXPECT_EQ(bar->value(), bar->maximum());

    // A double click on an arrow is its two presses (the toolkit sends both);
    // the double-click event itself must not step again as a third press.
    bar->setValue(0);
    QPoint right(bar_part(bar, QStyle::SC_ScrollBarAddLine).center().x(), y);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, right);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, right);
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, right);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, right);
    QTest::qWait(600);
    EXPECT_EQ(bar->value(), 20);

    // The thumb is the bar's own: pressing it and letting go moves nothing.
    bar->setValue(40);
    press(QStyle::SC_ScrollBarSlider);
    EXPECT_EQ(bar->value(), 40);
}

TEST_F(Lists, ReportListKeepsRowsDataAndOrder)
{
    CMyListCtrl list(1026);
    insert_roster_columns(list);
    EXPECT_EQ(list.column_count(), 5);
    for (const char* name : { "first", "second", "third" }) {
        int row = list.insert_item(0, name);
        list.set_item_data(row, name[0]);
        list.set_item_text(row, 4, "Show");
    }
    ASSERT_EQ(list.item_count(), 3);
    EXPECT_EQ(list.item_text(0, 0), "third");
    EXPECT_EQ(list.item_text(2, 0), "first");
    EXPECT_EQ(list.item_text(1, 4), "Show");
    EXPECT_EQ(list.item_text(1, 3), "");
    EXPECT_EQ(list.item_text(7, 0), "");
    EXPECT_FALSE(list.set_item_text(3, 0, "x"));
    EXPECT_FALSE(list.set_item_text(0, 5, "x"));
    EXPECT_EQ(list.find_item_data('s'), 1);
    EXPECT_EQ(list.find_item_data('z'), -1);
    EXPECT_EQ(list.insert_item(99, "last"), 3);
    EXPECT_EQ(list.next_selected_item(), -1);
    list.set_item_selected(0, true);
    list.set_item_selected(3, true);
    EXPECT_EQ(list.next_selected_item(), 0);
    EXPECT_EQ(list.next_selected_item(0), 3);
    EXPECT_TRUE(list.delete_item(0));
    EXPECT_EQ(list.item_text(0, 0), "second");
    list.delete_all_items();
    EXPECT_EQ(list.item_count(), 0);
    EXPECT_EQ(list.objectName(), "ctl_1026");
}

TEST_F(Lists, ListBoxBorderAndInputGate)
{
    CMyListBox box(1039);
    for (const char* name : { "Local server", "Second server", "Third server" })
        box.add_string(name);
    box.resize(200, 120);
    box.show();
    QApplication::processEvents();
    QImage image = render(box);
    const int w = box.width();
    const int h = box.height();
    const COLORREF panel = skin_word_value(skin_word::panel);
    EXPECT_EQ(at(image, 0, 60), panel);
    EXPECT_EQ(at(image, 1, 60), panel);
    EXPECT_EQ(at(image, 100, 0), panel);
    EXPECT_EQ(at(image, 100, 1), panel);
    EXPECT_EQ(at(image, w - 1, 60), 0xffffffu);
    EXPECT_EQ(at(image, 100, h - 1), 0xffffffu);
    EXPECT_EQ(at(image, w - 2, 60), skin_word_value(skin_word::highlight));
    EXPECT_EQ(at(image, 100, h - 2), skin_word_value(skin_word::highlight));
    EXPECT_GT(count_of(image, skin_word_value(skin_word::text)), 20);

    QPoint second = box.visualItemRect(box.item(1)).center();
    box.m_input_gate = 0;
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(box.get_cur_sel(), -1);
    // Still painted while closed.
    EXPECT_EQ(at(render(box), 0, 60), panel);
    box.m_input_gate = 1;
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, second);
    EXPECT_EQ(box.get_cur_sel(), 1);
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(box.get_cur_sel(), 2);
    box.set_cur_sel(-1);
    EXPECT_EQ(box.get_cur_sel(), -1);
    EXPECT_TRUE(box.set_item_data(2, 77));
    EXPECT_EQ(box.item_data(2), 77);
    EXPECT_FALSE(box.set_item_data(3, 1));
}
