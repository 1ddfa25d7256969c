#include "skin/ui/my_combo_box.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"
#include "skin/ui/input_gate.h"
#include "skin/ui/my_list_box.h"
#include "skin/ui/skin_palette.h"

#include <QAbstractItemView>
#include <QFrame>
#include <QLineEdit>

#include <algorithm>

namespace {
// The drop-down button takes the right 18 pixels.
constexpr int combo_button_width_px = 18;
constexpr int combo_text_indent_px = 4;
constexpr int combo_min_height_px = 22;
} // namespace

void paint_combo_border(GdiPainter& dc, int w, int h)
{
    dc.select_pen(skin_word_value(skin_word::outline));
    dc.polyline({ { 0, h - 1 }, { 0, 0 }, { w, 0 } });
    dc.polyline({ { 1, h - 2 }, { 1, 1 }, { w - 1, 1 } });
    dc.select_pen(0xffffff);
    dc.polyline({ { 0, h - 1 }, { w - 1, h - 1 }, { w - 1, -1 } });
    dc.select_pen(skin_word_value(skin_word::inner_border));
    dc.polyline({ { 1, h - 2 }, { w - 2, h - 2 }, { w - 2, -1 } });
}

void paint_combo_button(GdiPainter& dc, int w, int h_window)
{
    const int h = h_window - 2;
    const COLORREF dark = skin_word_value(skin_word::outline);
    dc.select_pen(0xffffff);
    dc.polyline({ { w - 18, h - 1 }, { w - 18, 2 }, { w - 2, 2 } });
    dc.select_pen(skin_word_value(skin_word::highlight));
    dc.polyline({ { w - 17, h - 2 }, { w - 17, 3 }, { w - 3, 3 } });
    dc.select_pen(dark);
    dc.polyline({ { w - 18, h - 1 }, { w - 3, h - 1 }, { w - 3, 0 } });
    dc.polyline({ { w - 17, h - 2 }, { w - 4, h - 2 }, { w - 4, 1 } });
    dc.fill_rect(w - 16, 4, w - 16 + 12, 4 + std::max(0, h - 6), skin_word_value(skin_word::dialog_inner_frame));
    const int apex_x = ((w - 2) + (w - 18) - 1) / 2;
    dc.solid_polygon({ { w - 15, 7 }, { w - 7, 7 }, { apex_x, h - 7 } }, dark);
}

CMyComboBox::CMyComboBox(int id, QWidget* parent) : QComboBox(parent)
{
    set_control_id(this, id);
    // The system's window colours: black text on the white of list backgrounds.
    m_text_colour = palette().color(QPalette::Text);
    m_background_colour = palette().color(QPalette::Base);
    setItemDelegate(new ListBoxDelegate(this, m_background_colour));
}

int CMyComboBox::width_for_entries() const
{
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)));
    return combo_text_indent_px + widest + 2 + combo_button_width_px + 2;
}

QSize CMyComboBox::sizeHint() const
{
    QSize size = QComboBox::sizeHint();
    size.setHeight(std::max(combo_min_height_px, fontMetrics().height() + 8));
    return size;
}

QSize CMyComboBox::minimumSizeHint() const
{
    QSize size = QComboBox::minimumSizeHint();
    size.setHeight(std::max(combo_min_height_px, fontMetrics().height() + 8));
    return size;
}

void CMyComboBox::showPopup()
{
    follow_skin_text_colour(view());
    // The dropped list is framed in the skin's outline colour.
    if (auto* frame = qobject_cast<QFrame*>(view()->parentWidget())) {
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
        QPalette pal = frame->palette();
        pal.setColor(QPalette::WindowText, colorref_color(skin_word_value(skin_word::outline)));
        frame->setPalette(pal);
    }
    QComboBox::showPopup();
}

void CMyComboBox::place_edit()
{
    // An editable box types inside the border, left of the drop-down button.
    if (QLineEdit* edit = lineEdit())
        edit->setGeometry(combo_text_indent_px - 1, 2,
                          std::max(0, width() - combo_button_width_px - combo_text_indent_px - 1), height() - 4);
}

void CMyComboBox::resizeEvent(QResizeEvent* event)
{
    QComboBox::resizeEvent(event);
    place_edit();
}

void CMyComboBox::showEvent(QShowEvent* event)
{
    QComboBox::showEvent(event);
    place_edit();
}

bool CMyComboBox::event(QEvent* event)
{
    m_tooltip.relay(event);
    if (m_input_gate == 0 && input_gate_drops(event))
        return true;
    return QComboBox::event(event);
}

void CMyComboBox::paintEvent(QPaintEvent*)
{
    try {
        const int w = width();
        const int h = height();
        if (QLineEdit* edit = lineEdit())
            follow_skin_text_colour(edit);
        GdiPainter dc(this);
        dc.fill_rect(0, 0, w, h, 0xffffff);
        if (!isEditable()) {
            QRect text_rect(combo_text_indent_px, 2, std::max(0, w - combo_button_width_px - combo_text_indent_px - 2), h - 4);
            COLORREF text_colour = skin_word_value(skin_word::text);
            if (!isEnabled()) {
                text_colour = color_colorref(palette().color(QPalette::Disabled, QPalette::Text));
            } else if (hasFocus()) {
                // The chosen entry shows selected while the box has the keyboard.
                dc.fill_rect(QRect(3, 3, w - combo_button_width_px - 4, h - 6), color_colorref(palette().color(QPalette::Highlight)));
                text_colour = color_colorref(palette().color(QPalette::HighlightedText));
            }
            const QString text = fontMetrics().elidedText(currentText(), Qt::ElideRight, text_rect.width());
            dc.painter().setFont(font());
            dc.draw_text(text, text_rect, Qt::AlignLeft | Qt::AlignVCenter, text_colour);
        }
        if (isVisible()) {
            paint_combo_border(dc, w, h);
            paint_combo_button(dc, w, h);
        }
    } catch (...) {
        dbg_log("exception in CMyComboBox::paintEvent.\n");
    }
}
