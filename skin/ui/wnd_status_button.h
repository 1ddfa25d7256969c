#pragma once
// A small picture button of the status bar. A left press posts its command
// (WM_COMMAND, wparam = the id) to its target window, the main frame.

#include "core/window_messages.h"

#include <QWidget>

#include <optional>

class CWndStatusButton : public QWidget {
    Q_OBJECT
public:
    explicit CWndStatusButton(QWidget* parent = nullptr);

    std::optional<WindowSlot> m_target; // none: the press posts nothing
    int m_bitmap_id = 0;                // the picture strip's bitmap number
    int m_image_x = 0;                  // where this button's picture starts in it
    int m_image_y = 0;
    int m_command_id = 0;               // 0: no command

    void set_target(std::optional<WindowSlot> target) { m_target = target; }
    // Repaints when the strip changes (a new scheme).
    void set_bitmap(int bitmap_id);
    void set_image_pos(int x, int y);
    void set_command_id(int id) { m_command_id = id; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The icon theme's picture for the command on the strip's face, w x h; a
    // null image when the theme has none, or none that shows at this size
    // (the strip's own painted glyph stands in then).
    QImage themed_picture(const QPixmap& strip, int w, int h) const;
    // The raised two-colour frame of the buttons and the light.
    static void paint_frame(class GdiPainter& dc, int w, int h);
};
