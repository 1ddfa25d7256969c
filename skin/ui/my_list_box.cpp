#include "skin/ui/my_list_box.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/list_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/input_gate.h"
#include "skin/ui/skin_scroll_bars.h"


namespace {
constexpr int list_box_text_indent_px = 3;
} // namespace

void ListBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    try {
        GdiPainter dc(*painter);
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        const QPalette& pal = option.palette;
        dc.fill_rect(option.rect, color_colorref(selected ? pal.color(QPalette::Highlight) : background_));
        const COLORREF text = selected ? color_colorref(pal.color(QPalette::HighlightedText)) : skin_word_value(skin_word::text);
        dc.painter().setFont(option.font);
        dc.draw_text(index.data().toString().left(list_cell_text_limit), option.rect.adjusted(list_box_text_indent_px, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
    } catch (...) {
        dbg_log("exception in ListBoxDelegate::paint.\n");
    }
}

QSize ListBoxDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(0, option.fontMetrics.height() + 2);
}

void paint_list_box_border(GdiPainter& dc, int w, int h)
{
    dc.select_pen(skin_word_value(skin_word::panel));
    dc.polyline({ { 0, h - 1 }, { 0, 0 }, { w, 0 } });
    dc.polyline({ { 1, h - 2 }, { 1, 1 }, { w - 1, 1 } });
    dc.select_pen(0xffffff);
    dc.polyline({ { 0, h - 1 }, { w - 1, h - 1 }, { w - 1, 0 } });
    dc.select_pen(skin_word_value(skin_word::highlight));
    dc.polyline({ { 1, h - 2 }, { w - 2, h - 2 }, { w - 2, 1 } });
}

CMyListBox::CMyListBox(int id, QWidget* parent) : QListWidget(parent)
{
    set_control_id(this, id);
    // The system's window colour: the white of edit and list backgrounds.
    m_background_colour = palette().color(QPalette::Base);
    setItemDelegate(new ListBoxDelegate(this, m_background_colour));
    setUniformItemSizes(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(2);
    setMidLineWidth(0);
    use_skin_scroll_bars(this, ScrollBarKind::list);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
}

int CMyListBox::add_string(const QString& text)
{
    addItem(text);
    return count() - 1;
}

void CMyListBox::reset_content() { clear(); }

int CMyListBox::get_cur_sel() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.front());
}

void CMyListBox::set_cur_sel(int index)
{
    if (index < 0 || index >= count()) {
        clearSelection();
        return;
    }
    setCurrentRow(index);
}

bool CMyListBox::set_item_data(int index, int64_t data)
{
    QListWidgetItem* entry = item(index);
    if (!entry)
        return false;
    entry->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(data));
    return true;
}

int64_t CMyListBox::item_data(int index) const
{
    const QListWidgetItem* entry = item(index);
    return entry ? entry->data(Qt::UserRole).toLongLong() : 0;
}

bool CMyListBox::event(QEvent* event)
{
    if (m_input_gate == 0 && input_gate_drops(event, true))
        return true;
    bool handled = QListWidget::event(event);
    if (event->type() == QEvent::Paint && isVisible()) {
        try {
            GdiPainter dc(this);
            paint_list_box_border(dc, width(), height());
        } catch (...) {
            dbg_log("exception in CMyListBox::event.\n");
        }
    }
    return handled;
}

bool CMyListBox::viewportEvent(QEvent* event)
{
    // Pointer events land on the rows' viewport.
    m_tooltip.relay(event);
    if (m_input_gate == 0 && input_gate_drops(event, true))
        return true;
    return QListWidget::viewportEvent(event);
}
