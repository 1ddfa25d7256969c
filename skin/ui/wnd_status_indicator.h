#pragma once
// The status bar's connection light: a round lamp whose colour says how the
// four server connections are doing. It polls them itself and repaints
// only when the colour changes. A press posts its command like a button.

#include "platform/sys/colorref.h"
#include "skin/ui/wnd_status_button.h"

class CWndStatusIndicator : public CWndStatusButton {
    Q_OBJECT
public:
    explicit CWndStatusIndicator(QWidget* parent = nullptr);

    // The colour now; repaints when it changed.
    COLORREF refresh_light();
    COLORREF m_colour;

protected:
    void paintEvent(QPaintEvent* event) override;
};
