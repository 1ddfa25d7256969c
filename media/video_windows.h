#pragma once
// The video windows without their widgets: nine in the video view (0..8)
// and six on the member-pictures page (100..105). View window i and page
// window 100 + i (i < 6) show the same attendee: the attendee of view window
// i is g_video_slot_customer_id[i], and both windows read it. Each window
// keeps its paused flag, the frame ids received and shown, the refresh
// throttle, its last picture and the key-frame planes of the attendee it
// shows.
//
// The application connection's thread stores decoded frames here and the
// user-interface thread reads and changes the rest, all under one lock held
// only for copies of pointers and numbers.

#include "media/video_frame_codec.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

inline constexpr int video_view_window_count = 9;
inline constexpr int video_page_window_count = 6;
inline constexpr int video_page_first_index = 100;
inline constexpr int video_window_count = video_view_window_count + video_page_window_count;
// A window without new frames asks again after this many timer ticks or
// this long, whichever comes first.
inline constexpr int video_refresh_repeat_limit = 6;
inline constexpr uint32_t video_refresh_stale_ms = 3000;

// One decoded frame: width x height pixels of R, G, B with the rows
// bottom-up, as the sender's camera gave them.
struct VideoPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// Key-frame planes of one attendee, shared by the windows that show it.
struct VideoWindowKey {
    int customer_id = -1;
    int key_id = 0;  // the server's number of the key frame
    VideoKeyPlanes planes;
};

struct VideoWindowState {
    int index = -1;
    int user_id = -1;  // -1: none
    bool paused = false;
    std::array<int, 2> received_ids { -1, -1 };
    std::array<int, 2> shown_ids { -1, -1 };
    int repeat_count = 0;
    uint32_t last_refresh_tick = 0;
    std::shared_ptr<const VideoPicture> picture;  // null: no frame yet
    std::shared_ptr<const VideoWindowKey> key;    // null: no key frame yet
};

// 0..8 and 100..105.
bool video_window_index_valid(int index);
// The nine view windows' index of a window (its slot in g_video_slot_customer_id).
int video_window_slot(int index);
// All fifteen, view windows first.
const std::array<int, video_window_count>& video_window_indexes();

// A copy of the window's state; index -1 in it for an invalid index.
VideoWindowState video_window_state(int index);
int video_wnd_user(int index);

// The selection change: the window (and its pair) shows user (-1: none);
// shown ids -1, received ids 0, repeat count 0, tick 0, no picture yet.
// Choosing the user it already shows changes nothing.
void video_wnd_set_user(int index, int user);
// Whether the timer may ask for the window's next frame now; when it may,
// the window takes the received ids as shown and every window showing the
// same attendee takes its shown ids, count and tick (see the header).
bool video_wnd_refresh(int index, uint32_t now_tick);
// Pausing needs a user; it applies to every window showing that user.
void video_wnd_toggle_pause(int index);
void video_wnd_set_paused(int index, bool paused);
// Not paused, no user.
void video_wnd_clear(int index);
// The close button: every other window showing this user cleared, then this one.
void video_wnd_close(int index);

// The video view's operations. Each returns the windows it changed.
// Nothing when a window shows the user already; else the first window
// without a user takes it. The window index, or -1 (already shown or no
// free window; then *shown_in says where, -1 if nowhere).
int video_window_assign(int user, int* shown_in = nullptr);
std::vector<int> video_window_close_user(int user);
void video_windows_clear_all();
// The windows showing the user, view windows first.
std::vector<int> video_windows_showing(int user);

// The receiver's side. The key planes of key_id for the sender, as a window
// showing it holds them; null when none does.
std::shared_ptr<const VideoWindowKey> video_ref_load(int sender, int key_id);
// Into every window showing the sender: the picture, the frame ids and, for
// a key frame, the key planes. A paused window keeps its picture. Returns
// how many windows it reached (0: the sender is shown nowhere).
int video_frame_store(int sender, int id1, int id2, std::shared_ptr<const VideoPicture> picture,
                      std::shared_ptr<const VideoWindowKey> key);

// Called (on the storing thread, outside the lock) after a store reached a
// window; the window layer posts its repaints from here.
void set_video_store_listener(std::function<void(int sender)> listener);

// Every window back to its start (tests, and a new session).
void video_windows_reset();
