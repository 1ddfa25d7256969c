#pragma once
// The skinned label: the skin's text colour over a transparent background.

#include "skin/ui/tool_tip_relay.h"

#include <QColor>
#include <QLabel>

class CMyStatic : public QLabel {
    Q_OBJECT
public:
    CMyStatic(int id, const QString& text, QWidget* parent = nullptr);

    ToolTipRelay m_tooltip { this }; // the control's tips; it registers none of its own
    QColor m_background_colour;
    uint8_t m_transparent = 1;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};
