#include "skin/ui/my_tab_ctrl.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/list_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/my_spin_button_ctrl.h"
#include "skin/ui/skin_bitmaps.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

namespace {

constexpr COLORREF tab_light_colour = 0xfffcfa;
// How much lower an unselected tab's top edge lies.
constexpr int unselected_drop_px = 2;

} // namespace

CMyTabCtrl::CMyTabCtrl(int id, QWidget* parent) : QWidget(parent)
{
    set_control_id(this, id);
    setFocusPolicy(Qt::StrongFocus);
    m_spin = new CMySpinButtonCtrl(-1, Qt::Horizontal, this);
    m_spin->setObjectName("tab_spin");
    m_spin->hide();
    connect(m_spin, &CMySpinButtonCtrl::position_changed, this, [this](int position) {
        first_ = position;
        update();
    });
}

int CMyTabCtrl::row_height_px() const { return std::max(20, fontMetrics().height() + 8); }

QSize CMyTabCtrl::sizeHint() const
{
    int width = tab_strip_left_px + 4;
    for (const QString& text : texts_)
        width += fontMetrics().horizontalAdvance(text) + 2 * tab_text_padding_px;
    return QSize(std::max(width, 120), row_height_px() + 80);
}

QSize CMyTabCtrl::minimumSizeHint() const { return QSize(60, row_height_px() + 4); }

TabLayout CMyTabCtrl::layout() const
{
    std::vector<int> widths;
    widths.reserve(static_cast<size_t>(texts_.size()));
    for (const QString& text : texts_)
        widths.push_back(fontMetrics().horizontalAdvance(text.left(list_cell_text_limit)));
    const int row = row_height_px();
    return tab_layout(widths, width(), row, first_, m_spin->sizeHint().width() + 2);
}

void CMyTabCtrl::update_spin()
{
    TabLayout tabs = layout();
    if (!tabs.overflow) {
        first_ = 0;
        m_spin->hide();
        return;
    }
    first_ = tabs.first;
    const int row = row_height_px();
    const int spin_height = std::max(12, row - 6);
    const int spin_width = m_spin->sizeHint().width();
    m_spin->setGeometry(width() - spin_width, row - spin_height - 2, spin_width, spin_height);
    m_spin->set_range(0, tabs.last_first);
    m_spin->set_pos(first_);
    m_spin->show();
}

int CMyTabCtrl::insert_item(int index, const QString& text)
{
    index = std::clamp(index, 0, item_count());
    texts_.insert(index, text);
    if (selected_ < 0)
        selected_ = 0;
    else if (index <= selected_ && item_count() > 1)
        ++selected_;
    update_spin();
    update();
    return index;
}

bool CMyTabCtrl::set_item_text(int index, const QString& text)
{
    if (index < 0 || index >= item_count())
        return false;
    texts_[index] = text;
    update_spin();
    update();
    return true;
}

QString CMyTabCtrl::item_text(int index) const { return index >= 0 && index < item_count() ? texts_[index] : QString(); }

bool CMyTabCtrl::delete_item(int index)
{
    if (index < 0 || index >= item_count())
        return false;
    texts_.removeAt(index);
    if (item_count() == 0)
        selected_ = -1;
    else if (index < selected_ || selected_ >= item_count())
        --selected_;
    update_spin();
    update();
    return true;
}

void CMyTabCtrl::delete_all_items()
{
    texts_.clear();
    selected_ = -1;
    first_ = 0;
    update_spin();
    update();
}

int CMyTabCtrl::set_cur_sel(int index)
{
    if (index < 0 || index >= item_count())
        return -1;
    const int previous = selected_;
    selected_ = index;
    first_ = tab_first_showing(layout(), index);
    update_spin();
    update();
    return previous;
}

void CMyTabCtrl::choose(int index)
{
    if (index < 0 || index >= item_count() || index == selected_)
        return;
    set_cur_sel(index);
    emit selection_changed(index);
}

QRect CMyTabCtrl::item_rect(int index) const
{
    TabLayout tabs = layout();
    if (index < 0 || index >= static_cast<int>(tabs.tabs.size()))
        return QRect();
    const TabRect& r = tabs.tabs[static_cast<size_t>(index)];
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

QRect CMyTabCtrl::display_rect() const
{
    const int top = row_height_px() + 2;
    return QRect(2, top, std::max(0, width() - 4), std::max(0, height() - top - 2));
}

void CMyTabCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    choose(tab_at(layout(), p.x(), p.y()));
}

void CMyTabCtrl::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left: choose(selected_ - 1); break;
    case Qt::Key_Right: choose(selected_ + 1); break;
    default: QWidget::keyPressEvent(event); break;
    }
}

void CMyTabCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    update_spin();
}

void CMyTabCtrl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        update_spin();
}

void CMyTabCtrl::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        QPixmap background = skin_word_bitmap(skin_word::background_tall);
        dc.stretch_blt(0, 0, w, h, background, 0, 0, 1, std::min(h, std::max(1, background.height())));

        TabLayout tabs = layout();
        QPainter& p = dc.painter();
        p.save();
        p.setClipRect(QRect(0, 0, tabs.strip_right, h));
        p.setFont(font());
        const QFontMetrics metrics(font());
        const COLORREF outline = skin_word_value(skin_word::tab_outline);
        const COLORREF text_colour = skin_word_value(skin_word::text);
        for (int i = 0; i < static_cast<int>(tabs.tabs.size()); ++i) {
            const TabRect& r = tabs.tabs[static_cast<size_t>(i)];
            if (r.right <= 0 || r.left >= tabs.strip_right)
                continue;
            const bool selected = i == selected_;
            const int y = selected ? r.top : r.top + unselected_drop_px;
            if (selected) {
                // The chosen tab's face is light, open toward its page below.
                dc.fill_rect(r.left + 1, y + 1, r.right, r.bottom, tab_light_colour);
            } else {
                // The others stand behind a line along their foot.
                dc.select_pen(outline);
                dc.polyline({ { r.left, r.bottom - 1 }, { r.right + 1, r.bottom - 1 } });
            }
            dc.select_pen(tab_light_colour);
            dc.polyline({ { r.left + 1, y }, { r.right, y } });
            dc.select_pen(outline);
            dc.polyline({ { r.right, y + 1 }, { r.right, r.bottom } });
            dc.polyline({ { r.left, r.bottom - 1 }, { r.left, y } });
            const QRect text_rect(QPoint(r.left + 2, r.top + 4), QPoint(r.right - 3, r.bottom - 3));
            const QString text = metrics.elidedText(texts_[i].left(list_cell_text_limit), Qt::ElideRight, text_rect.width());
            dc.draw_text(text, text_rect, Qt::AlignCenter, text_colour);
            if (selected && hasFocus()) {
                // Where the keyboard is: a dotted frame round the chosen tab's text.
                QPen dotted(colorref_color(outline), 1, Qt::DotLine);
                p.setPen(dotted);
                p.setBrush(Qt::NoBrush);
                p.drawRect(text_rect.adjusted(1, -1, -1, 0));
            }
        }
        p.restore();
    } catch (...) {
        dbg_log("exception in CMyTabCtrl::paintEvent.\n");
    }
}
