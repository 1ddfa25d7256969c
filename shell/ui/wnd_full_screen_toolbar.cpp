#include "shell/ui/wnd_full_screen_toolbar.h"

#include "platform/ui/gdi_painter.h"
#include "shell/frame_commands.h"
#include "skin/command_icons.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

QColor skin_colour(int word) { return colorref_color(skin_word_value(word)); }

int strip_of(int set, bool pressed, bool highlighted)
{
    if (set == 0)
        return pressed ? full_screen_strip_pressed_0 : highlighted ? full_screen_strip_hot_0 : full_screen_strip_normal_0;
    return pressed ? full_screen_strip_pressed_1 : highlighted ? full_screen_strip_hot_1 : full_screen_strip_normal_1;
}

} // namespace

CWndFullScreenToolbar::CWndFullScreenToolbar(QWidget* host, Notify notify)
    : CWndFloatBar(host), notify_(std::move(notify))
{
    setObjectName("full_screen_toolbar");
    setMouseTracking(true);
    take_unfolded_size();
}

QRect CWndFullScreenToolbar::button_rect(int index) const
{
    return QRect(FullScreenToolbarModel::button_left(index), 0, FullScreenToolbarModel::button_width,
                 FullScreenToolbarModel::button_height);
}

void CWndFullScreenToolbar::show_tool(int tool_code)
{
    int command = 0;
    for (const FrameCommand& c : frame_commands())
        if (c.tool_code == tool_code && tool_code >= 0)
            command = c.id;
    model_.show_tool_command(command);
    update();
}

void CWndFullScreenToolbar::paint_content(QPainter& p)
{
    const auto& buttons = full_screen_tool_buttons();
    for (int i = 0; i < full_screen_tool_button_count; ++i) {
        const FullScreenToolButton& b = buttons[static_cast<size_t>(i)];
        const QRect r = button_rect(i);
        // A tool stays pressed while it is in use; a command looks pressed while it is held.
        const bool pressed = held_ == i || (b.group == full_screen_tool_group_tools && model_.pressed(i));
        const bool highlighted = model_.highlighted() == i;
        const QRect face = r.adjusted(1, 1, -1, -1);
        if (pressed) {
            p.fillRect(face, skin_colour(skin_word::tool_button_hot_selected));
            p.setPen(skin_colour(skin_word::outline));
            p.drawRect(face.adjusted(0, 0, -1, -1));
        } else if (highlighted) {
            p.fillRect(face, skin_colour(skin_word::highlight));
            p.setPen(skin_colour(skin_word::light_3d));
            p.drawRect(face.adjusted(0, 0, -1, -1));
        }
        const QPixmap strip = skin_bitmap(strip_of(b.set, pressed, highlighted && !pressed));
        const int w = full_screen_strip_slot_width;
        const int h = full_screen_strip_slot_height;
        p.drawPixmap(r.left() + (r.width() - w) / 2, r.top() + (r.height() - h) / 2, strip, b.image * w, 0, w, h);
    }
}

void CWndFullScreenToolbar::content_press(int x)
{
    const int command = model_.press(x);
    if (command == 0)
        return;
    held_ = FullScreenToolbarModel::button_at(x);
    update();
    if (notify_)
        notify_(command);
}

void CWndFullScreenToolbar::mouseReleaseEvent(QMouseEvent* event)
{
    CWndFloatBar::mouseReleaseEvent(event);
    if (held_ >= 0) {
        repaint_button(held_);
        held_ = -1;
    }
}

void CWndFullScreenToolbar::content_move(int x)
{
    const int before = model_.highlight_at(x);
    if (before == model_.highlighted())
        return;
    repaint_button(before);
    repaint_button(model_.highlighted());
}

void CWndFullScreenToolbar::leaveEvent(QEvent* event)
{
    CWndFloatBar::leaveEvent(event);
    content_move(-1);
}

void CWndFullScreenToolbar::repaint_button(int index)
{
    if (index < 0)
        return;
    const QRect r = button_rect(index);
    update(QRect(r.left(), 0, r.width(), FullScreenToolbarModel::highlight_repaint_height));
}
