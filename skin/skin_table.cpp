#include "skin/skin_table.h"

#include "core/global_state.h"
#include "core/settings.h"
#include "core/string_table.h"

namespace {

// Words 0-22: colours; words 23-62: bitmap numbers.
constexpr std::array<SkinScheme, skin_filled_count> g_filled_schemes = {
    // 0
    SkinScheme { 0xe00000, 0x0000e0, 0xffd0b0, 0xff8040, 0xffc080, 0xf0c080, 0xfff0e0, 0xf4c080, 0xffe0c0, 0xff5028, 0xffb040, 0xfffcfa, 0xfff8f0, 0xffe0ac, 0xf0914d, 0x808080, 0xffffff, 0xd0d0d0, 0x804040, 0xe0c0c0, 0xe08080, 0xfff0f0, 0xc04040,
        194, 192, 193, 195, 196, 188, 198, 187, 199, 186, 200, 206, 205, 204, 201, 202, 203, 209, 208, 207, 226, 190, 191, 189, 197, 263, 260, 259, 493, 495, 261, 262, 250, 221, 214, 249, 224, 240, 218, 211 },
    // 1
    SkinScheme { 0x0000e0, 0xe00000, 0xb0d0ff, 0x4080ff, 0x80c0ff, 0x80c0f0, 0xe0f0ff, 0x80c0ff, 0xc0e0ff, 0x2850ff, 0x40b0ff, 0xfafcff, 0xf0f8ff, 0xace0ff, 0x4d91f0, 0x808080, 0xffffff, 0xd0d0d0, 0x404080, 0xc0c0e0, 0x8080e0, 0xf0f0ff, 0x4040c0,
        264, 330, 266, 267, 268, 270, 271, 272, 273, 274, 275, 280, 281, 282, 283, 284, 285, 286, 287, 288, 428, 276, 277, 278, 279, 289, 290, 291, 494, 496, 292, 293, 294, 297, 295, 298, 299, 300, 301, 296 },
    // 2
    SkinScheme { 0x00a000, 0x0000e0, 0xb0e0d0, 0x40c060, 0x80e0c0, 0x80e0c0, 0xe0fff0, 0x80e0a0, 0xc0f0e0, 0x28e050, 0x40e0b0, 0xfafffc, 0xf0fff8, 0xacffe0, 0x75cf6d, 0x808080, 0xffffff, 0xd0d0d0, 0x406040, 0xc0c0c0, 0x80c080, 0xf0fff0, 0x40a040,
        334, 265, 333, 331, 332, 302, 303, 304, 305, 306, 307, 308, 309, 310, 311, 312, 313, 314, 315, 316, 317, 328, 329, 318, 319, 337, 335, 336, 498, 497, 338, 339, 320, 321, 322, 323, 324, 325, 326, 327 },
    // 3
    SkinScheme { 0x404040, 0x20c020, 0xd0d0d0, 0xa0a0a0, 0xc0c0c0, 0x80c0f0, 0xf0f0f0, 0xc0c0c0, 0xe0e0e0, 0x808080, 0xb4b4b4, 0xfcfcfc, 0xf8f8f8, 0xd0d0d0, 0xa0a0a0, 0x808080, 0xffffff, 0xd0d0d0, 0x606060, 0xd0d0d0, 0xa4a4a4, 0xf8f8f8, 0x606060,
        340, 347, 350, 348, 349, 341, 342, 343, 344, 345, 346, 352, 353, 354, 355, 356, 357, 358, 359, 360, 351, 364, 365, 361, 362, 375, 373, 374, 500, 499, 376, 377, 363, 366, 367, 368, 369, 370, 371, 372 },
    // 4
    SkinScheme { 0xa000e0, 0x00c000, 0xe0b4e0, 0xc040e0, 0xe0a0f0, 0xe0a0e0, 0xf0e0fc, 0xe0a0e0, 0xf0c0f0, 0xd050e0, 0xe0b0f0, 0xfcfaff, 0xfaf0fc, 0xf0acfc, 0xd060e0, 0x808080, 0xffffff, 0xd0d0d0, 0x6c4080, 0xd0a0e0, 0xd080d0, 0xf8f0fb, 0xb440b4,
        378, 385, 388, 386, 387, 379, 380, 381, 382, 383, 384, 390, 391, 392, 393, 394, 395, 396, 397, 398, 389, 409, 410, 399, 400, 413, 411, 412, 502, 501, 414, 415, 401, 402, 403, 404, 405, 406, 407, 408 },
    // 5
    SkinScheme { 0xc000a0, 0x00c000, 0xffd0e0, 0xd060d0, 0xe0c0d0, 0xf0c0d0, 0xffe0f0, 0xe0b4d0, 0xf0c0f0, 0xe050d0, 0xe060d0, 0xfffafc, 0xfff0f8, 0xf8acf0, 0xe060c0, 0x808080, 0xffffff, 0xd0d0d0, 0x804070, 0xd0c0d0, 0xd080c4, 0xfcf0f8, 0xb440b4,
        416, 417, 420, 418, 419, 438, 439, 440, 441, 442, 443, 429, 430, 431, 432, 433, 434, 435, 436, 437, 269, 421, 422, 444, 445, 425, 423, 424, 504, 503, 426, 427, 446, 447, 448, 449, 450, 451, 452, 453 },
    // 6
    SkinScheme { 0x0000e0, 0xe00000, 0xc0c0ff, 0x6060ff, 0xa0a0ff, 0xa0a0f0, 0xe8e8ff, 0xa8a8ff, 0xd0d0ff, 0x3c3cff, 0x8080ff, 0xfcfcff, 0xf4f4ff, 0xc8c8ff, 0x8080f0, 0x808080, 0xffffff, 0xd0d0d0, 0x404080, 0xc0c0e0, 0x8080e0, 0xf0f0ff, 0x4040c0,
        454, 461, 464, 462, 463, 455, 456, 457, 458, 459, 460, 466, 467, 468, 469, 470, 471, 472, 473, 474, 465, 485, 486, 475, 476, 489, 487, 488, 506, 505, 490, 491, 477, 478, 479, 480, 481, 482, 483, 484 },
};

struct BitmapSize {
    int width;
    int height;
};

// Size of each bitmap word's pictures (index word - 23).
constexpr std::array<BitmapSize, skin_word_count - skin_first_bitmap_word> g_bitmap_sizes = { {
    { 1, 40 }, { 5, 600 }, { 3, 360 }, { 4, 1200 }, { 4, 1800 },       // 23-27
    { 41, 23 }, { 21, 23 }, { 41, 23 }, { 21, 23 }, { 41, 23 }, { 21, 23 }, // 28-33
    { 21, 23 }, { 21, 23 }, { 21, 23 },                                 // 34-36
    { 21, 23 }, { 21, 23 }, { 21, 23 },                                 // 37-39
    { 21, 23 }, { 21, 23 }, { 21, 23 },                                 // 40-42
    { 1, 33 }, { 1, 41 }, { 9, 23 }, { 18, 23 }, { 20, 23 },            // 43-47
    { 160, 120 }, { 13, 13 }, { 13, 13 }, { 14, 14 }, { 14, 14 },       // 48-52
    { 13, 13 }, { 13, 13 }, { 48, 12 },                                 // 53-55
    { 512, 15 }, { 512, 15 }, { 32, 15 }, { 144, 15 }, { 96, 15 }, { 192, 15 }, { 224, 15 }, // 56-62
} };

int read_skin_index()
{
    int index = 0;
    reg_read_int("skin", "skin_index", index);
    if (index < 0 || index > skin_slot_count - 1)
        index = 0;
    return index;
}

} // namespace

std::atomic<int32_t> g_skin_not_show_animation { 0 };

Cskin_table::Cskin_table()
{
    for (size_t i = 0; i < g_filled_schemes.size(); ++i)
        schemes[i] = g_filled_schemes[i];
    current_index = read_skin_index();
    current = schemes[static_cast<size_t>(current_index)];
}

int Cskin_table::select_skin(int index)
{
    if (index < 0 || index > skin_slot_count - 1)
        return -1;
    current = schemes[static_cast<size_t>(index)];
    current_index = index;
    return 0;
}

Cskin_table& skin_table()
{
    static Cskin_table table;
    return table;
}

const char* skin_scheme_name(int index)
{
    if (index < 0 || index >= skin_filled_count)
        return nullptr;
    return string_table_text(skin_scheme_name_first_id + index);
}

void skin_bitmap_size(int scheme, int word, int& width, int& height)
{
    width = 0;
    height = 0;
    if (word < skin_first_bitmap_word || word >= skin_word_count)
        return;
    BitmapSize size = g_bitmap_sizes[static_cast<size_t>(word - skin_first_bitmap_word)];
    // The first scheme's last strip is a short one.
    if (scheme == 0 && word == skin_word::tool_strip_6)
        size = { 34, 15 };
    width = size.width;
    height = size.height;
}

SkinBitmapInfo skin_bitmap_info(int bitmap_id)
{
    SkinBitmapInfo info;
    if (bitmap_id == check_box_tick_bitmap) {
        info.width = 9;
        info.height = 9;
        return info;
    }
    // The full-screen strips no scheme names: the sizes of their pressed twins.
    if (bitmap_id == full_screen_strip_normal_0 || bitmap_id == full_screen_strip_hot_0)
        return SkinBitmapInfo { -1, -1, 512, 15 };
    if (bitmap_id == full_screen_strip_normal_1 || bitmap_id == full_screen_strip_hot_1)
        return SkinBitmapInfo { -1, -1, 32, 15 };
    if (bitmap_id <= 0)
        return info;
    for (int s = 0; s < skin_filled_count; ++s) {
        for (int w = skin_first_bitmap_word; w < skin_word_count; ++w) {
            if (g_filled_schemes[static_cast<size_t>(s)][static_cast<size_t>(w)] == static_cast<uint32_t>(bitmap_id)) {
                info.scheme = s;
                info.word = w;
                skin_bitmap_size(s, w, info.width, info.height);
                return info;
            }
        }
    }
    return info;
}

void init_skin_table()
{
    skin_table() = Cskin_table();
    int not_animate = 0;
    reg_read_int("skin", "skin_not_show_animation", not_animate);
    g_skin_not_show_animation = not_animate;
}

void install_skin_steps() { global_state_steps().init_skin = init_skin_table; }
