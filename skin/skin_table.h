#pragma once
// The colour schemes every self-painting window takes its colours and bitmap
// numbers from. Painting code reads skin_table().current at the moment it
// paints, so a scheme change shows at each window's next repaint.

#include "platform/sys/colorref.h"

#include <array>
#include <atomic>
#include <cstdint>

inline constexpr int skin_word_count = 63;
inline constexpr int skin_slot_count = 10;
inline constexpr int skin_filled_count = 7;
inline constexpr int skin_first_bitmap_word = 23;

using SkinScheme = std::array<uint32_t, skin_word_count>;

// Word numbers, named by their readers.
namespace skin_word {
inline constexpr int text = 0;
inline constexpr int switch_bar_current_text = 1;
inline constexpr int tool_bar_background = 2;
inline constexpr int outline = 3;
inline constexpr int scroll_outline = 4;
inline constexpr int tool_button_hot_selected = 5;
inline constexpr int dialog_inner_frame = 6;
inline constexpr int panel = 7;
inline constexpr int highlight = 8;
inline constexpr int tab_outline = 9;
inline constexpr int inner_border = 10;
inline constexpr int light_3d = 11;
inline constexpr int connection_light_background = 12;
inline constexpr int splitter_inner_edge = 13;
inline constexpr int caption_fill = 14;
inline constexpr int button_frame_pushed = 18;
inline constexpr int button_frame_normal = 19;
inline constexpr int button_frame_focused = 20;
inline constexpr int video_background = 21;
inline constexpr int list_header_lines = 22;

inline constexpr int button_face = 23;
inline constexpr int background_tall = 24;
inline constexpr int background_short = 25;
inline constexpr int view_background = 26;
inline constexpr int full_screen_background = 27;
inline constexpr int dialog_close_pressed = 28;
inline constexpr int frame_close_pressed = 29;
inline constexpr int dialog_close_hover = 30;
inline constexpr int frame_close_hover = 31;
inline constexpr int dialog_close_normal = 32;
inline constexpr int frame_close_normal = 33;
inline constexpr int maximise_pressed = 34;
inline constexpr int maximise_hover = 35;
inline constexpr int maximise_normal = 36;
inline constexpr int minimise_pressed = 37;
inline constexpr int minimise_hover = 38;
inline constexpr int minimise_normal = 39;
inline constexpr int restore_pressed = 40;
inline constexpr int restore_hover = 41;
inline constexpr int restore_normal = 42;
inline constexpr int list_header_face = 43;
inline constexpr int caption_slice = 44;
inline constexpr int caption_left = 45;
inline constexpr int caption_right = 46;
inline constexpr int caption_spare = 47;
inline constexpr int no_video_picture = 48;
inline constexpr int video_button_1 = 49;
inline constexpr int video_button_2 = 50;
inline constexpr int zoom_button_1 = 51;
inline constexpr int zoom_button_2 = 52;
inline constexpr int video_button_3 = 53;
inline constexpr int video_button_4 = 54;
inline constexpr int status_buttons = 55;
inline constexpr int tool_strip_1 = 56;
inline constexpr int tool_strip_2 = 57;
inline constexpr int tool_strip_spare = 58;
inline constexpr int tool_strip_3 = 59;
inline constexpr int tool_strip_4 = 60;
inline constexpr int tool_strip_5 = 61;
inline constexpr int tool_strip_6 = 62;
} // namespace skin_word

// The 9 x 9 tick of the check boxes; the same in every scheme.
inline constexpr int check_box_tick_bitmap = 227;

// The full-screen tool bar's strips: normal, highlighted and pressed of its
// two bitmap sets. The pressed ones are also scheme 0's words 57 and 58;
// the others belong to no scheme.
inline constexpr int full_screen_strip_normal_0 = 215;
inline constexpr int full_screen_strip_hot_0 = 213;
inline constexpr int full_screen_strip_pressed_0 = 214;
inline constexpr int full_screen_strip_normal_1 = 247;
inline constexpr int full_screen_strip_hot_1 = 248;
inline constexpr int full_screen_strip_pressed_1 = 249;

class Cskin_table {
public:
    // Fills the seven schemes and makes the one of "skin" / "skin_index" current.
    Cskin_table();

    // 0 and the scheme made current for 0..9; -1 and nothing changed otherwise.
    int select_skin(int index);

    std::array<SkinScheme, skin_slot_count> schemes {};
    SkinScheme current {};
    int32_t current_index = 0;
};

// The process's table, built at first use.
Cskin_table& skin_table();

// Shorthand for painting code: a word of the current scheme.
inline uint32_t skin_word_value(int word) { return skin_table().current[static_cast<size_t>(word)]; }

// The display name of scheme index (English source text), nullptr past the seven.
const char* skin_scheme_name(int index);
inline constexpr int skin_scheme_name_first_id = 34061;

// Where a bitmap number comes from: its scheme and word, and its size.
struct SkinBitmapInfo {
    int scheme = -1;
    int word = -1;
    int width = 0;
    int height = 0;
};
// scheme -1 when no filled scheme names the number (227, the tick, and the
// full-screen strips 215, 213, 247 and 248 say scheme -1 too, and their sizes).
SkinBitmapInfo skin_bitmap_info(int bitmap_id);
// Width and height of a word's bitmap in a scheme.
void skin_bitmap_size(int scheme, int word, int& width, int& height);

// "skin" / "skin_not_show_animation": 1 = notices appear without animation.
extern std::atomic<int32_t> g_skin_not_show_animation;

// The start-up step: the table built again from the settings, and the animation flag read.
void init_skin_table();
// Puts init_skin_table into the global state's set-up.
void install_skin_steps();
