#include "shell/ui/wnd_switch_bar.h"

#include "core/global_state.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "shell/float_bar.h"
#include "skin/skin_table.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int label_padding = 8;
constexpr int labels[] = { upper_view_board, upper_view_video };

QColor skin_colour(int word) { return colorref_color(skin_word_value(word)); }

} // namespace

CWndSwitchBar::CWndSwitchBar(QWidget* host, SwitchHandler on_switch) : CWndFloatBar(host), on_switch_(std::move(on_switch))
{
    take_unfolded_size();
}

QString CWndSwitchBar::label_text(int label) const { return tr_ui(label == 0 ? "WhiteBoard" : "Video"); }

int CWndSwitchBar::label_right(int label) const
{
    // Measured bold, as the current label is drawn, so either label fits its zone.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int right = float_bar::content_left;
    for (int i = 0; i <= label && i < 2; ++i)
        right += metrics.horizontalAdvance(label_text(i)) + label_padding;
    return right;
}

// Wider than its usual 120 pixels where the labels need it, so no text is cut.
int CWndSwitchBar::unfolded_width() const { return std::max(unfolded_min_width, label_right(1) + 4); }

int CWndSwitchBar::label_at(int x) const
{
    if (folded() || float_bar::zone_at(x) != float_bar::Zone::content)
        return -1;
    if (x < label_right(0))
        return 0;
    if (x < label_right(1))
        return 1;
    return -1;
}

void CWndSwitchBar::paint_content(QPainter& p)
{
    int left = float_bar::content_left;
    for (int i = 0; i < 2; ++i) {
        const int right = label_right(i);
        const bool current = g_current_view == labels[i];
        p.setPen(skin_colour(current ? skin_word::switch_bar_current_text : skin_word::text));
        QFont f = font();
        f.setBold(current);
        p.setFont(f);
        p.drawText(QRect(left, 0, right - left, height()), Qt::AlignCenter, label_text(i));
        if (i == 0) {
            p.setPen(skin_colour(skin_word::outline));
            p.drawLine(right, 3, right, height() - 4);
        }
        left = right;
    }
}

void CWndSwitchBar::content_press(int x)
{
    const int label = label_at(x);
    if (label >= 0 && on_switch_)
        on_switch_(labels[label]);
}
