#pragma once
// Controls whose text the toolkit draws take the skin's text colour at each
// paint, so a new scheme shows at their next repaint.

#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"

#include <QPalette>
#include <QWidget>

inline void follow_skin_text_colour(QWidget* widget, QPalette::ColorRole role = QPalette::Text)
{
    const QColor text = colorref_color(skin_word_value(skin_word::text));
    QPalette pal = widget->palette();
    if (pal.color(QPalette::Active, role) == text)
        return;
    // A disabled control keeps the toolkit's grey, so it reads as disabled.
    pal.setColor(QPalette::Active, role, text);
    pal.setColor(QPalette::Inactive, role, text);
    widget->setPalette(pal);
}
