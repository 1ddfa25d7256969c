#include "shell/full_screen_rules.h"

#include "core/global_state.h"
#include "shell/float_bar.h"
#include "shell/frame_commands.h"
#include "whiteboard/board_geometry.h"
#include "whiteboard/board_gestures.h"

#include <algorithm>

namespace {

constexpr int zoomed_board_width = 3200;
constexpr int zoomed_board_height = 2000;

} // namespace

FullScreenScroll full_screen_board_scroll(bool zoomed, int client_width, int client_height, int view_x, int view_y)
{
    const int board_width = zoomed ? zoomed_board_width : full_screen_canvas_width;
    const int board_height = zoomed ? zoomed_board_height : full_screen_canvas_height;
    FullScreenScroll s;
    // A screen wider or taller than the board has nothing to scroll on that axis.
    s.max_x = std::max(0, board_width - client_width);
    s.max_y = std::max(0, board_height - client_height);
    s.x = std::clamp(view_x, 0, s.max_x);
    s.y = std::clamp(view_y, 0, s.max_y);
    s.line_x = s.max_x / 20;
    s.line_y = s.max_y / 20;
    s.page_x = s.max_x / 3;
    s.page_y = s.max_y / 3;
    return s;
}

FullScreenScroll full_screen_other_scroll() { return FullScreenScroll {}; }

FullScreenCopy full_screen_copy_origin(int view, bool zoomed_board, int scroll_x, int scroll_y)
{
    switch (view) {
    case upper_view_board:
        if (zoomed_board)
            return { scroll_x / 2, scroll_y / 2, true };
        return { scroll_x, scroll_y, false };
    case upper_view_share: return { scroll_x, scroll_y, false };
    default: return { scroll_x / 2, scroll_y / 2, false };
    }
}

std::vector<PicturePlace> full_screen_people_places(const std::vector<PictureSize>& sizes)
{
    std::vector<PicturePlace> places;
    places.reserve(sizes.size());
    int x = full_screen_picture_gap;
    int y = full_screen_picture_gap;
    int tallest = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        places.push_back({ x, y });
        x += sizes[i].width + full_screen_picture_gap;
        tallest = std::max(tallest, sizes[i].height);
        if ((i + 1) % full_screen_pictures_a_row == 0) {
            x = full_screen_picture_gap;
            y += tallest + full_screen_picture_gap;
            tallest = 0;
        }
    }
    return places;
}

int full_screen_cursor(int tool)
{
    if (tool == tool_text)
        return cursor_text;
    if ((tool >= tool_line && tool <= tool_filled_round_rect) || board_is_shape_code(tool))
        return cursor_drawing;
    return 0;
}

bool full_screen_draws(int view) { return view == upper_view_board || view == upper_view_share; }

bool full_screen_steers(int view) { return view == upper_view_share; }

const std::array<FullScreenToolButton, full_screen_tool_button_count>& full_screen_tool_buttons()
{
    constexpr int tools = full_screen_tool_group_tools;
    constexpr int commands = full_screen_tool_group_commands;
    static const std::array<FullScreenToolButton, full_screen_tool_button_count> buttons = { {
        { 1, 0, full_screen_close_command, commands },
        { 1, 1, full_screen_show_scroll_command, commands },
        { 0, 0, cmd::tool_pointer, tools },
        { 0, 1, cmd::tool_eraser, tools },
        { 0, 2, cmd::eraser_width, commands },
        { 0, 3, cmd::pen_colour, commands },
        { 0, 4, cmd::tool_pen, tools },
        { 0, 5, cmd::pen_width, commands },
        { 0, 6, cmd::tool_text, tools },
        { 0, 7, cmd::board_font, commands },
        { 0, 8, cmd::tool_line, tools },
        { 0, 9, cmd::tool_void_rect, tools },
        { 0, 10, cmd::tool_solid_rect, tools },
        { 0, 11, cmd::tool_void_circle, tools },
        { 0, 12, cmd::tool_solid_circle, tools },
        { 0, 13, cmd::tool_void_round_rect, tools },
        { 0, 14, cmd::tool_solid_round_rect, tools },
        { 0, 23, cmd::board_undo, commands },
        { 0, 24, cmd::board_redo, commands },
        { 0, 25, cmd::board_reload, commands },
        { 0, 27, cmd::board_clear, commands },
    } };
    return buttons;
}

int FullScreenToolbarModel::unfolded_width()
{
    return float_bar::content_left + full_screen_tool_button_count * button_width + 5;
}

int FullScreenToolbarModel::button_left(int index) { return float_bar::content_left + index * button_width; }

int FullScreenToolbarModel::button_at(int x)
{
    for (int i = 0; i < full_screen_tool_button_count; ++i)
        if (x > button_left(i) && x < button_left(i) + button_width)
            return i;
    return -1;
}

int FullScreenToolbarModel::press(int x)
{
    const int index = button_at(x);
    if (index < 0)
        return 0;
    const auto& buttons = full_screen_tool_buttons();
    const int group = buttons[static_cast<size_t>(index)].group;
    for (int i = 0; i < full_screen_tool_button_count; ++i)
        if (buttons[static_cast<size_t>(i)].group == group)
            pressed_[static_cast<size_t>(i)] = i == index;
    return buttons[static_cast<size_t>(index)].command;
}

bool FullScreenToolbarModel::pressed(int index) const
{
    return index >= 0 && index < full_screen_tool_button_count && pressed_[static_cast<size_t>(index)];
}

void FullScreenToolbarModel::show_tool_command(int command)
{
    const auto& buttons = full_screen_tool_buttons();
    auto in_tools = [](const FullScreenToolButton& b) { return b.group == full_screen_tool_group_tools; };
    for (size_t i = 0; i < buttons.size(); ++i)
        if (in_tools(buttons[i]))
            pressed_[i] = buttons[i].command == command;
}

int FullScreenToolbarModel::highlight_at(int x)
{
    const int before = highlighted_;
    highlighted_ = button_at(x);
    return before;
}
