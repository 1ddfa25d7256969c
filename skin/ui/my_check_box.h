#pragma once
// The skinned check box: the label in the skin's text colour and a drawn box
// with the tick bitmap; an input gate that can make it ignore the user.

#include "skin/ui/tool_tip_relay.h"

#include <QCheckBox>
#include <QColor>

class CMyCheckBox : public QCheckBox {
    Q_OBJECT
public:
    CMyCheckBox(int id, const QString& text, QWidget* parent = nullptr);

    ToolTipRelay m_tooltip { this }; // the control's tips; it registers none of its own
    uint8_t m_input_gate = 1;        // 0: clicks and keys are dropped
    QColor m_background_colour;
    int m_transparent = 1;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};
