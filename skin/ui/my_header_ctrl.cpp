#include "skin/ui/my_header_ctrl.h"

#include "core/dbg_log.h"
#include "platform/ui/gdi_painter.h"
#include "skin/list_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"

#include <QFontMetrics>
#include <QPaintEvent>

#include <algorithm>

namespace {
// The face's rows from here down are stretched over the header.
constexpr int header_face_first_row = 5;
} // namespace

QFont skin_header_font(const QFont& base)
{
    QFont font = base;
    font.setFamily("Arial");
    font.setPixelSize(14);
    return font;
}

QString header_item_text(const QString& text, int width_px, const QFont& font)
{
    // The text keeps two pixels clear on each side.
    return QFontMetrics(font).elidedText(text.left(list_cell_text_limit), Qt::ElideRight, std::max(0, width_px - 4));
}

void paint_skin_header(GdiPainter& dc, int width, int height, const QList<HeaderSection>& sections, const QFont& font)
{
    const COLORREF lines = skin_word_value(skin_word::list_header_lines);
    QPixmap face = skin_word_bitmap(skin_word::list_header_face);
    const int face_rows = std::max(1, std::min(height, face.height() - header_face_first_row));
    dc.stretch_blt(0, 0, width, height, face, 0, header_face_first_row, 1, face_rows);
    dc.select_pen(0xffffff);
    dc.polyline({ { 0, 0 }, { width, 0 } });
    dc.select_pen(lines);
    dc.polyline({ { 0, height - 1 }, { width, height - 1 } });

    dc.painter().setFont(font);
    const COLORREF text_colour = skin_word_value(skin_word::text);
    for (const HeaderSection& s : sections) {
        if (s.width_px <= 0)
            continue;
        const int l = s.left_px;
        const int r = s.left_px + s.width_px;
        const int t = 0;
        const int b = height;
        dc.select_pen(0xffffff);
        dc.polyline({ { l, b - 2 }, { l, t }, { r - 1, t } });
        dc.select_pen(lines);
        dc.polyline({ { r - 1, t }, { r - 1, b - 1 }, { l, b - 1 } });
        QRect text_rect(l + 2, t + 2, s.width_px - 4, height - 4);
        dc.draw_text(header_item_text(s.text, s.width_px, font), text_rect, Qt::AlignCenter, text_colour);
    }
}

CMyHeaderCtrl::CMyHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setFont(skin_header_font(font()));
    setStretchLastSection(false);
    setHighlightSections(false);
    setSectionsClickable(true);
    setDefaultAlignment(Qt::AlignCenter);
}

QSize CMyHeaderCtrl::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    size.setHeight(std::max(20, QFontMetrics(font()).height() + 6));
    return size;
}

void CMyHeaderCtrl::paintEvent(QPaintEvent*)
{
    try {
        QList<HeaderSection> sections;
        for (int visual = 0; visual < count(); ++visual) {
            int logical = logicalIndex(visual);
            if (logical < 0 || isSectionHidden(logical))
                continue;
            sections.push_back({ sectionViewportPosition(logical), sectionSize(logical),
                                 model() ? model()->headerData(logical, orientation()).toString() : QString() });
        }
        GdiPainter dc(viewport());
        paint_skin_header(dc, viewport()->width(), viewport()->height(), sections, font());
    } catch (...) {
        dbg_log("exception in CMyHeaderCtrl::paintEvent.\n");
    }
}
