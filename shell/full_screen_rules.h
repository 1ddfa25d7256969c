#pragma once
// The full-screen window and its tool bar without the windows: the scroll
// ranges of each view, where the canvas is copied from, how the attendees'
// pictures are laid out, the cursor of a tool, and the tool bar's buttons
// with their groups, pressed and highlighted states.

#include <array>
#include <vector>

// The canvas every view is painted on.
inline constexpr int full_screen_canvas_width = 1600;
inline constexpr int full_screen_canvas_height = 1000;

// Scroll position, maximum, line and page steps of both axes.
struct FullScreenScroll {
    int x = 0;
    int y = 0;
    int max_x = 1600;
    int max_y = 1000;
    int line_x = 80;
    int line_y = 50;
    int page_x = 533;
    int page_y = 333;
    bool operator==(const FullScreenScroll&) const = default;
};

// The whiteboard: a board of 3200 x 2000 when zoomed, else 1600 x 1000,
// less the client size (never below 0); the view's position lowered to the
// maximum; steps a twentieth and a third of the maximum.
FullScreenScroll full_screen_board_scroll(bool zoomed, int client_width, int client_height, int view_x, int view_y);
// Every other view: (0, 0) over 1600 x 1000 with fixed steps.
FullScreenScroll full_screen_other_scroll();

// Where the window's top-left is taken from on the view's canvas. A zoomed
// board stretches the 800 x 500 area from there to 1600 x 1000.
struct FullScreenCopy {
    int x = 0;
    int y = 0;
    bool stretch = false;
    bool operator==(const FullScreenCopy&) const = default;
};
FullScreenCopy full_screen_copy_origin(int view, bool zoomed_board, int scroll_x, int scroll_y);

// The attendees' pictures at their own sizes, three a row from (10, 10),
// 10 pixels apart; a row starts 10 pixels below the tallest of the last.
struct PictureSize {
    int width = 0;
    int height = 0;
};
struct PicturePlace {
    int x = 0;
    int y = 0;
    bool operator==(const PicturePlace&) const = default;
};
inline constexpr int full_screen_pictures_a_row = 3;
inline constexpr int full_screen_picture_gap = 10;
inline constexpr int full_screen_zoom_factor = 3;
std::vector<PicturePlace> full_screen_people_places(const std::vector<PictureSize>& sizes);

// The cursor of the board's tool while the mouse moves: 137 for the line,
// figures and shapes, 138 for text, 0 (the arrow) otherwise.
int full_screen_cursor(int tool);

// Whether the board gestures run here: on the whiteboard and on the shared
// screen (board 9), where what is drawn shows.
bool full_screen_draws(int view);
// Whether the mouse and keys steer a share: only over the shared screen.
bool full_screen_steers(int view);

// Its commands besides the frame's.
inline constexpr int full_screen_close = 1;
inline constexpr int full_screen_show_scroll = 2;
inline constexpr int full_screen_close_command = 32935;
inline constexpr int full_screen_show_scroll_command = 32936;

// One button of the tool bar: its bitmap set (0: strips 215, 213, 214;
// 1: 247, 248, 249), its image in the strips, its command and group.
struct FullScreenToolButton {
    int set = 0;
    int image = 0;
    int command = 0;
    int group = 0;
};
inline constexpr int full_screen_tool_button_count = 21;
inline constexpr int full_screen_tool_group_tools = 1;     // one of them stays pressed: the tool in use
inline constexpr int full_screen_tool_group_commands = 2;
const std::array<FullScreenToolButton, full_screen_tool_button_count>& full_screen_tool_buttons();

// The tool bar's state: which button is pressed in each group and which
// one the mouse is over. The bar's geometry is the floating bars' (grip,
// fold, content from x = 20), buttons 20 x 18 laid left to right.
class FullScreenToolbarModel {
public:
    static constexpr int button_width = 20;
    static constexpr int button_height = 18;
    // The highlighted button's area repainted is this high.
    static constexpr int highlight_repaint_height = 30;

    static int unfolded_width();
    static int button_left(int index);
    // The button whose span holds x strictly inside, -1 for none.
    static int button_at(int x);

    // A left press at x over the buttons: the pressed flags of its group
    // cleared and its own set. The command to post, 0 for no button.
    int press(int x);
    bool pressed(int index) const;
    // The tool in use shown pressed: the tools' button of command, the
    // others of the group released (all of them for a tool not on the bar).
    void show_tool_command(int command);

    // The mouse over x; returns the button highlighted before (-1 none).
    int highlight_at(int x);
    int highlighted() const { return highlighted_; }

private:
    std::array<bool, full_screen_tool_button_count> pressed_ {};
    int highlighted_ = -1;
};
