// One full repaint of the attendee roster with 1000 rows: all of them on
// screen at once (the worst case, every row painted into an 18000-pixel-high
// picture), and lists of the usual size and of a screen's height scrolled to
// the middle of the same 1000 rows.
#include "core/global_state.h"
#include "skin/list_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/my_list_ctrl_owner_draw.h"
#include "skin/ui/roster_icons.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int row_count = 1000;

void fill(CMyListCtrlOwnerDraw& list)
{
    insert_roster_columns(list);
    list.set_image_list(roster_image_list());
    for (int i = 0; i < row_count; ++i) {
        const int id = 1000 + i;
        const int32_t flags = i % 16;
        int row = list.insert_item(i, QString("member %1").arg(i), roster_row_image(flags));
        list.set_item_data(row, id);
        list.set_item_text(row, 1, flags & 4 ? "Hand Raised" : "");
        list.set_item_text(row, 3, flags & 8 ? "Talking" : "");
        list.set_item_text(row, 4, "Show");
        // The attendee table holds 100; the rows past it look up and miss, the slow way.
        if (i < customer_count) {
            customer_info[static_cast<size_t>(i)].in_use = 1;
            customer_info[static_cast<size_t>(i)].customer_id = id;
            customer_info[static_cast<size_t>(i)].flags = flags;
        }
    }
    list.set_item_selected(10, true);
}

double repaint_ms(QWidget& widget, int rounds)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    widget.render(&image); // warm the caches: glyphs, bitmaps
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        widget.render(&image);
    std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / rounds;
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    skin_table().select_skin(0);
    g_zoomed_customer_id = 1003;

    CMyListCtrlOwnerDraw all(1026);
    fill(all);
    all.resize(540, row_count * all.row_height_px() + 40);
    all.show();
    QApplication::processEvents();
    const double all_ms = repaint_ms(all, 10);

    auto scrolled_ms = [](int height_px, int rounds) {
        CMyListCtrlOwnerDraw list(1026);
        fill(list);
        list.resize(540, height_px);
        list.show();
        QApplication::processEvents();
        list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum() / 2);
        QApplication::processEvents();
        return repaint_ms(list, rounds);
    };
    const double usual_ms = scrolled_ms(300, 200);
    const double screen_ms = scrolled_ms(2160, 50);

    std::printf("roster_paint_bench: full repaint, %d rows all on screen: %.2f ms (target under 16 ms)\n", row_count, all_ms);
    std::printf("roster_paint_bench: full repaint, %d rows, 540 x 300 list: %.3f ms\n", row_count, usual_ms);
    std::printf("roster_paint_bench: full repaint, %d rows, 540 x 2160 list (a screen high): %.2f ms\n", row_count, screen_ms);
    return 0;
}
