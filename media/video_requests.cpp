#include "media/video_requests.h"

#include "media/video_receive.h"
#include "media/video_transport.h"
#include "media/video_windows.h"

AtomicInt g_video_request_tick_count { 0 };

std::vector<int> video_request_tick(bool video_view_exists, uint32_t now_tick)
{
    std::vector<int> asked;
    if (g_video_frame_in_progress == 1) {
        int ticks = ++g_video_request_tick_count;
        if (ticks < video_request_busy_ticks)
            return asked;
    }
    if (g_meeting_started == 1 && video_view_exists) {
        for (int index = 0; index < video_view_window_count; ++index) {
            int user = video_wnd_user(index);
            if (user < 0 || !video_wnd_refresh(index, now_tick))
                continue;
            VideoWindowState state = video_window_state(index);
            send_video_frame_request(user, state.received_ids[0], state.received_ids[1]);
            asked.push_back(index);
        }
    }
    g_video_request_tick_count = 0;
    return asked;
}
