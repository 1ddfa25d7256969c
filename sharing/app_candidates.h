#pragma once
// What the choose-application dialog lists and decides, without the window:
// the top-level windows a user would share (this program's own left out),
// and the refusal of a Share press.

#include "platform/x11/screen_capture.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t app_title_limit = 255;
inline constexpr int app_icon_px = 16;

struct AppCandidate {
    platform::XWindowId window = 0;
    std::string title;               // at most 255 characters; may be empty
    int icon_width = 0;              // 0: the window has no icon
    int icon_height = 0;
    std::vector<uint32_t> icon_argb;
};

std::vector<AppCandidate> list_share_candidates();

// "" when exactly one row is selected; else the string-table id of the
// refusal (33918 none, 33919 more than one).
int choose_app_refusal_id(int selected_count);
