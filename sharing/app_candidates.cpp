#include "sharing/app_candidates.h"

#include "core/text_util.h"
#include "platform/x11/x11_windows.h"

std::vector<AppCandidate> list_share_candidates()
{
    std::vector<AppCandidate> out;
    for (platform::XWindowId window : platform::x11_top_level_windows()) {
        if (!platform::x11_window_is_shareable(window) || platform::x11_window_is_own(window))
            continue;
        AppCandidate candidate;
        candidate.window = window;
        candidate.title = cut_copy(platform::x11_window_title(window), app_title_limit);
        if (!platform::x11_window_icon(window, app_icon_px, candidate.icon_width, candidate.icon_height, candidate.icon_argb))
            candidate.icon_width = candidate.icon_height = 0;
        out.push_back(std::move(candidate));
    }
    return out;
}

int choose_app_refusal_id(int selected_count)
{
    if (selected_count < 1)
        return 33918;
    if (selected_count > 1)
        return 33919;
    return 0;
}
