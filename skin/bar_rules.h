#pragma once
// The colour rules of the skinned bars, decided without a window: the
// darkened and lightened colours of the tool bar's own edges, each tool
// button's look by its state, the splitter's parts, and the menu's items.

#include "platform/sys/colorref.h"

// Channel by channel c * (255 - k) / 255; k is held to 0..255.
COLORREF darken_colour(COLORREF c, int k);
// Channel by channel c + (255 - c) * k / 255; k is held to 0..255.
COLORREF lighten_colour(COLORREF c, int k);

// A tool button as the bar's drawing sees it.
struct ToolButtonState {
    bool hot = false;      // the pointer is over it
    bool selected = false; // held down with the pointer on it
    bool checked = false;
    bool disabled = false;
};

enum class ToolImageList { normal, hot, disabled };

// What the skinned bar draws for one button: a fill and a 3-D rectangle
// (skin words, -1 for nothing), and which picture where.
struct ToolButtonLook {
    int fill_word = -1;
    int top_left_word = -1;
    int bottom_right_word = -1;
    ToolImageList images = ToolImageList::normal;
    int image_offset_px = 3; // from the button's left and top
};

// Pressed (hot and selected): word 5, sunken; checked: word 8, sunken;
// hot: word 8, raised; otherwise nothing. A disabled button is never hot
// or pressed, but still shows that it is checked.
ToolButtonLook tool_button_look(const ToolButtonState& state);

// The plain tool-bar control's own 3-D edges, from its face colour.
struct ToolEdgeColours {
    COLORREF light = 0;
    COLORREF shadow = 0;
};
ToolEdgeColours tool_edge_colours(COLORREF face);

// The splitter's parts and the colours each is drawn in.
enum class SplitterPart { box, bar, intersection, border };
struct SplitterPartLook {
    int fill_word = -1;                 // box, bar, intersection
    int outer_top_left_word = -1;       // border: two 3-D rectangles
    int outer_bottom_right_word = -1;
    int inner_top_left_word = -1;
    int inner_bottom_right_word = -1;
};
SplitterPartLook splitter_part_look(SplitterPart part);

// One menu item drawn over the menu's background.
struct MenuItemLook {
    bool fill = false;        // the selection box is drawn
    COLORREF fill_colour = 0;
    COLORREF frame_colour = 0;
    COLORREF text_colour = 0;
    bool emboss = false;      // a light copy of the text one pixel down and right, under it
    COLORREF emboss_colour = 0;
};
// background is the menu's brush colour; the others come from the current
// scheme: selection in word 8 framed in word 3, text black as the system
// draws menus, disabled text darkened from the background with a light emboss.
MenuItemLook menu_item_look(bool selected, bool enabled, COLORREF background);
