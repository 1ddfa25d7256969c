#pragma once
// The skinned combo box: white behind the skin's text colour, the edit border
// of the skin and its own drop-down button (a face with a dark arrow) painted
// over the toolkit's; an input gate that can make it ignore the user.

#include "skin/ui/tool_tip_relay.h"

#include <QColor>
#include <QComboBox>

#include <cstdint>

class GdiPainter;

class CMyComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CMyComboBox(int id, QWidget* parent = nullptr);

    // The width that shows the longest entry whole beside the drop-down button.
    int width_for_entries() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void showPopup() override;

    uint8_t m_input_gate = 1; // 0: presses and keys are dropped
    QColor m_text_colour;
    QColor m_background_colour;
    ToolTipRelay m_tooltip { this }; // the control's tips; it registers none of its own

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void place_edit();
};

// The combo box's border and drop-down button, for a window of w x h.
void paint_combo_border(GdiPainter& dc, int w, int h);
void paint_combo_button(GdiPainter& dc, int w, int h);
