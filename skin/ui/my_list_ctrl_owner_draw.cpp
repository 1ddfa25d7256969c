#include "skin/ui/my_list_ctrl_owner_draw.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "media/voice_state.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "skin/list_rules.h"
#include "skin/skin_table.h"

CMyListCtrlOwnerDraw::CMyListCtrlOwnerDraw(int id, QWidget* parent) : CMyListCtrl(id, parent)
{
    QAbstractItemDelegate* plain = itemDelegate();
    setItemDelegate(new RosterCellDelegate(images_, this));
    delete plain;
}

void insert_roster_columns(CMyListCtrl& list)
{
    for (int column = 0; column < roster_column_count; ++column)
        list.insert_column(column, tr_ui(roster_columns[column].heading), roster_columns[column].width_px);
}

void CMyListCtrlOwnerDraw::paintEvent(QPaintEvent* event)
{
    ++paint_number_;
    QTreeView::paintEvent(event);
}

const RosterRowState& RosterCellDelegate::row_state(int customer_id) const
{
    // The cells of a row are painted one after the other within one paint.
    if (cached_paint_ != list_.paint_number() || cached_id_ != customer_id) {
        cached_state_ = roster_row_state(customer_id, g_zoomed_customer_id.load(), g_private_voice_partner_id.load());
        cached_paint_ = list_.paint_number();
        cached_id_ = customer_id;
    }
    return cached_state_;
}

void RosterCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    try {
        GdiPainter dc(*painter);
        const QRect cell = option.rect;
        const int column = index.column();
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        dc.fill_rect(cell, selected ? roster_selected_fill : roster_cell_fill);

        const int customer_id = static_cast<int>(index.data(ReportListModel::item_data_role).toLongLong());
        const RosterRowState& row = row_state(customer_id);
        const int x = cell.left();
        const int y = cell.top();
        const int bar_height = cell.height() - roster_bar_height_less_px;
        for (const RosterBar& bar : roster_bars(column, row))
            dc.fill_rect(x + bar.x_offset_px, y + roster_bar_top_px, x + bar.x_offset_px + bar.width_px,
                         y + roster_bar_top_px + bar_height, bar.colour);

        bool with_icon = false;
        const int image = index.data(ReportListModel::item_image_role).toInt();
        if (column == 0 && image >= 0 && image < static_cast<int>(images_.size())) {
            const QPixmap& icon = images_[static_cast<size_t>(image)];
            painter->drawPixmap(x + roster_icon_indent_px, y + (cell.height() - icon.height()) / 2, icon);
            with_icon = true;
        }
        const int text_left = x + roster_text_indent_px(column, with_icon);
        draw_cell_text(*painter, option, index.data().toString(), QRect(text_left, y, cell.right() + 1 - text_left, cell.height()),
                       skin_word_value(skin_word::text));
    } catch (...) {
        dbg_log("exception in RosterCellDelegate::paint.\n");
    }
}
