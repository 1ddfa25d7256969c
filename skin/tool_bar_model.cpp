#include "skin/tool_bar_model.h"

PixelRect ToolBarModel::item_rect(int index) const
{
    if (index < 0 || index >= static_cast<int>(buttons.size()) || buttons[static_cast<size_t>(index)].hidden)
        return PixelRect {};
    int x = metrics.left_px;
    for (int i = 0; i < index; ++i) {
        const ToolBarButton& b = buttons[static_cast<size_t>(i)];
        if (!b.hidden)
            x += b.is_separator() ? metrics.separator_width_px : metrics.button_width_px;
    }
    const ToolBarButton& b = buttons[static_cast<size_t>(index)];
    int w = b.is_separator() ? metrics.separator_width_px : metrics.button_width_px;
    return PixelRect { x, metrics.top_px, x + w, metrics.top_px + metrics.button_height_px };
}

int ToolBarModel::hit_test(int x, int y) const
{
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        const ToolBarButton& b = buttons[static_cast<size_t>(i)];
        if (!b.hidden && !b.is_separator() && item_rect(i).contains(x, y))
            return i;
    }
    return -1;
}

int ToolBarModel::index_of(int command_id) const
{
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i)
        if (command_id != 0 && buttons[static_cast<size_t>(i)].command_id == command_id)
            return i;
    return -1;
}

int ToolBarModel::width_px() const
{
    int right = metrics.left_px;
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        PixelRect r = item_rect(i);
        if (!r.empty())
            right = r.right;
    }
    return right + metrics.right_px;
}

int ToolBarModel::height_px() const { return metrics.top_px + metrics.button_height_px + metrics.bottom_px; }

bool ToolBarModel::usable(int index) const
{
    if (index < 0 || index >= static_cast<int>(buttons.size()))
        return false;
    const ToolBarButton& b = buttons[static_cast<size_t>(index)];
    return b.enabled && !b.hidden && !b.is_separator();
}

bool ToolBarModel::set_hot(int index)
{
    if (!usable(index))
        index = -1;
    if (hot_ == index)
        return false;
    hot_ = index;
    return true;
}

bool ToolBarModel::mouse_move(int x, int y, bool left_down)
{
    int under = hit_test(x, y);
    if (pressed_ >= 0 && left_down) {
        // While a button is held only that button reacts.
        bool inside = under == pressed_;
        bool changed = inside != pressed_inside_;
        pressed_inside_ = inside;
        changed |= set_hot(inside ? pressed_ : -1);
        return changed;
    }
    if (pressed_ >= 0) {
        // The release happened where we could not see it.
        pressed_ = -1;
        pressed_inside_ = false;
        set_hot(under);
        return true;
    }
    return set_hot(under);
}

bool ToolBarModel::mouse_press(int x, int y)
{
    int under = hit_test(x, y);
    if (!usable(under))
        return false;
    pressed_ = under;
    pressed_inside_ = true;
    set_hot(under);
    return true;
}

int ToolBarModel::mouse_release(int x, int y, bool* changed)
{
    bool look_changed = false;
    int command = 0;
    if (pressed_ >= 0) {
        look_changed = true;
        if (hit_test(x, y) == pressed_ && usable(pressed_)) {
            ToolBarButton& b = buttons[static_cast<size_t>(pressed_)];
            if (b.check_style)
                b.checked = !b.checked;
            command = b.command_id;
        }
        pressed_ = -1;
        pressed_inside_ = false;
    }
    look_changed |= set_hot(hit_test(x, y));
    if (changed)
        *changed = look_changed;
    return command;
}

bool ToolBarModel::mouse_leave()
{
    // A held button stays held: the release may still come back over it.
    if (pressed_ >= 0) {
        bool changed = pressed_inside_;
        pressed_inside_ = false;
        return set_hot(-1) || changed;
    }
    return set_hot(-1);
}

void ToolBarModel::forget(int index)
{
    if (hot_ == index)
        hot_ = -1;
    if (pressed_ == index) {
        pressed_ = -1;
        pressed_inside_ = false;
    }
}

bool ToolBarModel::set_enabled(int command_id, bool enabled)
{
    int i = index_of(command_id);
    if (i < 0 || buttons[static_cast<size_t>(i)].enabled == enabled)
        return false;
    buttons[static_cast<size_t>(i)].enabled = enabled;
    if (!enabled)
        forget(i);
    return true;
}

bool ToolBarModel::set_checked(int command_id, bool checked)
{
    int i = index_of(command_id);
    if (i < 0 || buttons[static_cast<size_t>(i)].checked == checked)
        return false;
    buttons[static_cast<size_t>(i)].checked = checked;
    return true;
}

bool ToolBarModel::set_hidden(int command_id, bool hidden)
{
    int i = index_of(command_id);
    if (i < 0 || buttons[static_cast<size_t>(i)].hidden == hidden)
        return false;
    buttons[static_cast<size_t>(i)].hidden = hidden;
    if (hidden)
        forget(i);
    return true;
}

ToolButtonState ToolBarModel::state(int index) const
{
    ToolButtonState s;
    if (index < 0 || index >= static_cast<int>(buttons.size()))
        return s;
    const ToolBarButton& b = buttons[static_cast<size_t>(index)];
    s.disabled = !b.enabled;
    s.checked = b.checked;
    s.hot = index == hot_;
    s.selected = index == pressed_ && pressed_inside_;
    return s;
}
