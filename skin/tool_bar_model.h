#pragma once
// A tool bar's buttons without a window: where each lies, which one the
// pointer is over, and how a press becomes a command. A press shows the
// button pressed while the pointer stays on it; the command goes out only
// when the release is on the button pressed. Disabled buttons neither light
// up nor press.

#include "skin/bar_rules.h"

#include <cstddef>
#include <vector>

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0; // one past the last column
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

struct ToolBarButton {
    int command_id = 0;       // 0: a separator
    int image_index = -1;
    bool check_style = false; // a click turns checked on and off
    bool enabled = true;
    bool checked = false;
    bool hidden = false;
    bool is_separator() const { return command_id == 0; }
};

struct ToolBarMetrics {
    int left_px = 2;
    int top_px = 2;
    int button_width_px = 23; // a 16 x 15 picture with its margins
    int button_height_px = 22;
    int separator_width_px = 8;
    int right_px = 2;
    int bottom_px = 2;
};

class ToolBarModel {
public:
    ToolBarMetrics metrics;
    std::vector<ToolBarButton> buttons;

    // Empty for a hidden item; separators have a rectangle too.
    PixelRect item_rect(int index) const;
    // The button (never a separator or hidden item) at a point, -1 for none.
    int hit_test(int x, int y) const;
    int index_of(int command_id) const;
    int width_px() const;
    int height_px() const;

    // Each returns true when a button's look changed.
    bool mouse_move(int x, int y, bool left_down);
    bool mouse_press(int x, int y);
    // The command of a completed click, else 0; a check-style button flips first.
    int mouse_release(int x, int y, bool* changed = nullptr);
    bool mouse_leave();
    // A button that becomes disabled or hidden loses its hot and pressed state.
    bool set_enabled(int command_id, bool enabled);
    bool set_checked(int command_id, bool checked);
    bool set_hidden(int command_id, bool hidden);

    int hot() const { return hot_; }
    int pressed() const { return pressed_; }
    ToolButtonState state(int index) const;

private:
    bool usable(int index) const;
    bool set_hot(int index);
    void forget(int index);

    int hot_ = -1;
    int pressed_ = -1;         // the button the press began on, while the button is held
    bool pressed_inside_ = false;
};
