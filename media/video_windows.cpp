#include "media/video_windows.h"

#include "core/global_state.h"

#include <mutex>

namespace {

struct WindowRecord {
    int index = -1;
    int known_user = -1;
    bool paused = false;
    std::array<int, 2> received_ids { -1, -1 };
    std::array<int, 2> shown_ids { -1, -1 };
    int repeat_count = 0;
    uint32_t last_refresh_tick = 0;
    std::shared_ptr<const VideoPicture> picture;
    std::shared_ptr<const VideoWindowKey> key;
};

constexpr std::array<int, video_window_count> all_indexes = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 100, 101, 102, 103, 104, 105 };

std::mutex table_lock;
std::array<WindowRecord, video_window_count> records = [] {
    std::array<WindowRecord, video_window_count> r {};
    for (size_t i = 0; i < r.size(); ++i)
        r[i].index = all_indexes[i];
    return r;
}();
std::function<void(int)> store_listener;
std::mutex listener_lock;

int position(int index)
{
    if (index >= 0 && index < video_view_window_count)
        return index;
    if (index >= video_page_first_index && index < video_page_first_index + video_page_window_count)
        return video_view_window_count + index - video_page_first_index;
    return -1;
}

int slot_user(int index) { return g_video_slot_customer_id[static_cast<size_t>(video_window_slot(index))]; }

// What a window shows when it starts to show another attendee, or none.
void start_showing(WindowRecord& r, int user)
{
    r.known_user = user;
    r.paused = false;
    r.shown_ids = { -1, -1 };
    r.received_ids = { 0, 0 };
    r.repeat_count = 0;
    r.last_refresh_tick = 0;
    r.picture.reset();
    r.key.reset();
}

// The attendee lives in the global slot, which others may change (a
// recording's player gives attendees slots): a window that finds another
// attendee there starts over.
WindowRecord& synced(int pos)
{
    WindowRecord& r = records[static_cast<size_t>(pos)];
    int user = slot_user(r.index);
    if (user != r.known_user)
        start_showing(r, user);
    return r;
}

WindowRecord* find(int index)
{
    int pos = position(index);
    return pos < 0 ? nullptr : &synced(pos);
}

void set_slot_user(int slot, int user)
{
    g_video_slot_customer_id[static_cast<size_t>(slot)] = user;
    for (size_t pos = 0; pos < records.size(); ++pos) {
        if (video_window_slot(records[pos].index) == slot)
            start_showing(records[pos], user);
    }
}

std::vector<int> showing_locked(int user)
{
    std::vector<int> out;
    if (user < 0)
        return out;
    for (size_t pos = 0; pos < records.size(); ++pos) {
        if (synced(static_cast<int>(pos)).known_user == user)
            out.push_back(records[pos].index);
    }
    return out;
}

} // namespace

bool video_window_index_valid(int index) { return position(index) >= 0; }

int video_window_slot(int index) { return index >= video_page_first_index ? index - video_page_first_index : index; }

const std::array<int, video_window_count>& video_window_indexes() { return all_indexes; }

VideoWindowState video_window_state(int index)
{
    std::lock_guard hold(table_lock);
    VideoWindowState out;
    WindowRecord* r = find(index);
    if (!r)
        return out;
    out.index = r->index;
    out.user_id = r->known_user;
    out.paused = r->paused;
    out.received_ids = r->received_ids;
    out.shown_ids = r->shown_ids;
    out.repeat_count = r->repeat_count;
    out.last_refresh_tick = r->last_refresh_tick;
    out.picture = r->picture;
    out.key = r->key;
    return out;
}

int video_wnd_user(int index)
{
    std::lock_guard hold(table_lock);
    WindowRecord* r = find(index);
    return r ? r->known_user : -1;
}

void video_wnd_set_user(int index, int user)
{
    if (user < 0)
        user = -1;
    std::lock_guard hold(table_lock);
    WindowRecord* r = find(index);
    if (!r || r->known_user == user)
        return;
    set_slot_user(video_window_slot(index), user);
}

bool video_wnd_refresh(int index, uint32_t now_tick)
{
    std::lock_guard hold(table_lock);
    WindowRecord* r = find(index);
    if (!r || r->known_user < 0)
        return false;
    if (r->paused) {
        ++r->repeat_count;
        return false;
    }
    if (r->received_ids == r->shown_ids && now_tick - r->last_refresh_tick <= video_refresh_stale_ms &&
        r->repeat_count < video_refresh_repeat_limit) {
        ++r->repeat_count;
        return false;
    }
    r->shown_ids = r->received_ids;
    r->repeat_count = 0;
    r->last_refresh_tick = now_tick;
    for (int other : showing_locked(r->known_user)) {
        WindowRecord& o = *find(other);
        if (&o == r)
            continue;
        o.shown_ids = r->shown_ids;
        o.repeat_count = 0;
        o.last_refresh_tick = now_tick;
    }
    return true;
}

void video_wnd_set_paused(int index, bool paused)
{
    std::lock_guard hold(table_lock);
    WindowRecord* r = find(index);
    if (!r || r->known_user < 0)
        return;
    for (int other : showing_locked(r->known_user))
        find(other)->paused = paused;
}

void video_wnd_toggle_pause(int index)
{
    bool paused = video_window_state(index).paused;
    video_wnd_set_paused(index, !paused);
}

void video_wnd_clear(int index)
{
    std::lock_guard hold(table_lock);
    if (find(index))
        set_slot_user(video_window_slot(index), -1);
}

void video_wnd_close(int index)
{
    std::lock_guard hold(table_lock);
    WindowRecord* r = find(index);
    if (!r)
        return;
    for (int other : showing_locked(r->known_user)) {
        if (other != index)
            set_slot_user(video_window_slot(other), -1);
    }
    set_slot_user(video_window_slot(index), -1);
}

int video_window_assign(int user, int* shown_in)
{
    if (shown_in)
        *shown_in = -1;
    if (user < 0)
        return -1;
    std::lock_guard hold(table_lock);
    std::vector<int> showing = showing_locked(user);
    if (!showing.empty()) {
        if (shown_in)
            *shown_in = showing.front();
        return -1;
    }
    for (int i = 0; i < video_view_window_count; ++i) {
        if (synced(i).known_user < 0) {
            set_slot_user(i, user);
            if (shown_in)
                *shown_in = i;
            return i;
        }
    }
    return -1;
}

std::vector<int> video_window_close_user(int user)
{
    std::lock_guard hold(table_lock);
    std::vector<int> showing = showing_locked(user);
    for (int index : showing)
        set_slot_user(video_window_slot(index), -1);
    return showing;
}

void video_windows_clear_all()
{
    std::lock_guard hold(table_lock);
    for (int i = 0; i < video_view_window_count; ++i)
        set_slot_user(i, -1);
}

std::vector<int> video_windows_showing(int user)
{
    std::lock_guard hold(table_lock);
    return showing_locked(user);
}

std::shared_ptr<const VideoWindowKey> video_ref_load(int sender, int key_id)
{
    std::lock_guard hold(table_lock);
    for (int index : showing_locked(sender)) {
        const WindowRecord& r = *find(index);
        if (r.key && r.key->customer_id == sender && r.key->key_id == key_id)
            return r.key;
    }
    return nullptr;
}

int video_frame_store(int sender, int id1, int id2, std::shared_ptr<const VideoPicture> picture,
                      std::shared_ptr<const VideoWindowKey> key)
{
    int reached = 0;
    {
        std::lock_guard hold(table_lock);
        for (int index : showing_locked(sender)) {
            WindowRecord& r = *find(index);
            r.received_ids = { id1, id2 };
            if (!r.paused)
                r.picture = picture;
            if (key)
                r.key = key;
            ++reached;
        }
    }
    if (reached > 0) {
        std::function<void(int)> listener;
        {
            std::lock_guard hold(listener_lock);
            listener = store_listener;
        }
        if (listener)
            listener(sender);
    }
    return reached;
}

void set_video_store_listener(std::function<void(int sender)> listener)
{
    std::lock_guard hold(listener_lock);
    store_listener = std::move(listener);
}

void video_windows_reset()
{
    std::lock_guard hold(table_lock);
    for (int i = 0; i < video_view_window_count; ++i)
        g_video_slot_customer_id[static_cast<size_t>(i)] = -1;
    for (WindowRecord& r : records) {
        start_showing(r, -1);
        r.received_ids = { -1, -1 };
    }
}
