#include "media/sound_queue.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "media/voice_state.h"
#include "platform/sys/clock.h"
#include "platform/sys/threads.h"

#include <mutex>

std::array<play_slot, play_slot_count> g_play_slots {};
std::array<sound_queue_entry, sound_queue_len> g_sound_queue {};
VoiceSemaphore g_sound_data_semaphore { 0, 3 };

namespace {

// The slot table is changed by every receiving thread (voice connection and
// peer readers), so it has a lock of its own.
std::mutex g_play_slot_lock;
int g_queue_full_count = 0;
int g_forced_write_count = 0;
// Posted with every write, as the sender's thread id.
constexpr uintptr_t sound_master_thread_id = 1;

// The fields of a player that the queue keeps, as a new player has them.
void reset_queue_state(CPlaySound& p)
{
    p.m_retry_time = 0;
    p.m_queued = 0;
    p.m_started = 0;
    p.m_last_write_tick = 0;
    p.m_last_arrival_tick = 0;
    p.m_has_arrival = 0;
    p.m_target_depth = 2;
    p.m_burst_count = 0;
}

bool player_usable(int slot)
{
    CPlaySound* p = g_play_sound_threads[static_cast<size_t>(slot)].load();
    return p && p->m_open;
}

void bind(play_slot& s, int customer_id, uint32_t now)
{
    s.customer_id = customer_id;
    s.bound = 1;
    s.last_use_tick = now;
}

// Started once the pre-buffer is reached, or when sound waits and its
// speaker has gone quiet.
bool start_rule(CPlaySound& p, uint32_t now)
{
    if (p.m_queued > p.m_target_depth || (p.m_queued > 0 && now - p.m_last_arrival_tick > 3000))
        p.m_started = 1;
    return p.m_started != 0;
}

} // namespace

int find_sound_slot(int customer_id)
{
    std::lock_guard<std::mutex> hold(g_play_slot_lock);
    uint32_t now = platform::tick_count();
    for (int i = 0; i < play_slot_count; ++i) {
        play_slot& s = g_play_slots[static_cast<size_t>(i)];
        if (player_usable(i) && s.bound && s.customer_id == customer_id) {
            s.last_use_tick = now;
            return i;
        }
    }
    for (int i = 0; i < play_slot_count; ++i) {
        play_slot& s = g_play_slots[static_cast<size_t>(i)];
        if (player_usable(i) && !s.bound) {
            bind(s, customer_id, now);
            return i;
        }
    }
    for (int i = 0; i < play_slot_count; ++i) {
        play_slot& s = g_play_slots[static_cast<size_t>(i)];
        if (player_usable(i) && now - s.last_use_tick > slot_idle_rebind_ms) {
            bind(s, customer_id, now);
            return i;
        }
    }
    return -1;
}

void rest_one_play_sound()
{
    std::lock_guard<std::mutex> hold(g_play_slot_lock);
    for (play_slot& s : g_play_slots)
        s = play_slot {};
}

void init_sound_queue()
{
    {
        platform::TimedLockWait lock(g_sound_lock, 3000);
        for (sound_queue_entry& e : g_sound_queue)
            e = sound_queue_entry {};
        // The players' share of the queue starts again with it.
        for (auto& slot : g_play_sound_threads)
            if (CPlaySound* p = slot.load())
                reset_queue_state(*p);
    }
    rest_one_play_sound();
}

int sound_add_to_queue(int slot, platform::WaveHeaderPtr header)
{
    if (slot < 0 || slot >= play_slot_count || !header)
        return -1;
    platform::TimedLockWait lock(g_sound_lock, 3000);
    if (!lock) {
        // The queue must not change without the lock: the block is lost.
        dbg_log("wait failed in sound_add_to_queue.\n");
        return -1;
    }
    uint32_t now = platform::tick_count();
    std::array<int, play_slot_count> counts {};
    int free_pos = -1;
    for (int i = 0; i < sound_queue_len; ++i) {
        sound_queue_entry& e = g_sound_queue[static_cast<size_t>(i)];
        if (!e.in_use) {
            free_pos = i;
            break;
        }
        if (e.slot >= 0 && e.slot < play_slot_count)
            ++counts[static_cast<size_t>(e.slot)];
    }
    if (free_pos >= 0) {
        sound_queue_entry& e = g_sound_queue[static_cast<size_t>(free_pos)];
        e.in_use = 1;
        e.slot = slot;
        e.header = std::move(header);
        e.arrival_tick = now;
    }
    if (CPlaySound* p = g_play_sound_threads[static_cast<size_t>(slot)].load()) {
        if (p->m_has_arrival) {
            uint32_t gap_ms = now - p->m_last_arrival_tick;
            if (gap_ms < 300)
                p->m_burst_count = p->m_burst_count < 0 ? 1 : p->m_burst_count + 1;
            if (gap_ms > 350)
                p->m_burst_count = 0;
            if (gap_ms > 450)
                p->m_target_depth = std::min(p->m_target_depth + 1, 6);
            if (p->m_burst_count > 10) {
                p->m_target_depth = std::max(p->m_target_depth - 1, 2);
                p->m_burst_count = 0;
            }
        }
        p->m_last_arrival_tick = now;
        p->m_has_arrival = 1;
    }
    for (int i = 0; i < play_slot_count; ++i) {
        CPlaySound* p = g_play_sound_threads[static_cast<size_t>(i)].load();
        if (!p)
            continue;
        p->m_queued = counts[static_cast<size_t>(i)];
        if (p->m_queued == 0 && now - p->m_last_write_tick > 500)
            p->m_started = 0;
    }
    if (free_pos < 0) {
        dbg_log("sound queue full in sound_add_to_queue.\n");
        if (g_queue_full_count++ % 10 == 0) {
            for (int i = 0; i < sound_queue_len; ++i) {
                const sound_queue_entry& e = g_sound_queue[static_cast<size_t>(i)];
                dbg_log("q:%d, used:%d, index:%d, lpHdr:%d\n", i, e.in_use, e.slot, e.header ? 1 : 0);
            }
        }
        return -1;  // the header is freed here
    }
    return 0;
}

int sound_master_pass()
{
    uint32_t now = platform::tick_count();
    std::array<bool, play_slot_count> seen {};
    int pending = 0;
    for (int pos = 0; pos < sound_queue_len; ++pos) {
        sound_queue_entry& e = g_sound_queue[static_cast<size_t>(pos)];
        if (!e.in_use)
            break;  // in-use entries are packed at the front
        CPlaySound* p = (e.slot >= 0 && e.slot < play_slot_count) ? g_play_sound_threads[static_cast<size_t>(e.slot)].load() : nullptr;
        if (!p) {
            e = sound_queue_entry {};
            continue;
        }
        if (seen[static_cast<size_t>(e.slot)]) {
            pending = 1;
            continue;
        }
        seen[static_cast<size_t>(e.slot)] = true;
        bool write = false;
        bool forced = false;
        if (p->m_idle) {
            write = start_rule(*p, now);
        } else {
            if (p->m_retry_time < 0) {
                dbg_log("g_play_sound_threads[%d]->m_retry_time=%d < 0\n", e.slot, p->m_retry_time);
                p->m_retry_time = 0;
            }
            ++p->m_retry_time;
            if (p->m_retry_time >= 25000 || now - p->m_last_write_tick > 125) {
                write = start_rule(*p, now);
                forced = write;
            }
        }
        if (!write)
            continue;
        p->m_last_write_tick = now;
        p->m_retry_time = 0;
        p->m_idle = 0;
        p->post_thread_message(WM_MY_PLAY_WRITE, sound_master_thread_id, 0, std::move(e.header));
        if (p->m_queued > 0)
            --p->m_queued;
        if (forced && ++g_forced_write_count % 50 == 0)
            dbg_log("removing from queue time_out, index:%d, pos:%d, count:%d\n", e.slot, pos, g_forced_write_count);
        e = sound_queue_entry {};
    }
    // Pack the entries still in use to the front, in their order.
    int to = 0;
    for (int from = 0; from < sound_queue_len; ++from) {
        sound_queue_entry& e = g_sound_queue[static_cast<size_t>(from)];
        if (!e.in_use)
            continue;
        if (from != to)
            g_sound_queue[static_cast<size_t>(to)] = std::move(e), e = sound_queue_entry {};
        ++to;
    }
    return pending;
}

void g_sound_master_thread()
{
    if (!platform::set_current_thread_time_critical())
        dbg_log("set sound master thread priority failed.\n");
    int bad_count = 0;
    for (;;) {
        try {
            std::array<VoiceSemaphore*, play_slot_count + 2> handles {};
            bool missing = false;
            for (int i = 0; i < play_slot_count; ++i) {
                CPlaySound* p = g_play_sound_threads[static_cast<size_t>(i)].load();
                handles[static_cast<size_t>(i)] = p ? &p->m_semaphore : nullptr;
                missing = missing || !p;
            }
            CPlaySound* local = g_local_play_sound.load();
            handles[play_slot_count] = local ? &local->m_semaphore : nullptr;
            handles[play_slot_count + 1] = &g_sound_data_semaphore;
            if (missing || !local) {
                if (++bad_count % 1000 == 0)
                    dbg_log("bad_count=%d in g_sound_master_thread.\n", bad_count);
                platform::sleep_ms(10);
                continue;
            }
            wait_for_any_semaphore(handles.data(), handles.size(), 1000);
            for (;;) {
                int pending = 0;
                {
                    platform::TimedLockWait lock(g_sound_lock, 3000);
                    if (!lock) {
                        message_box_printf("wait g_mutex_sound failed in g_sound_master_thread.");
                        break;
                    }
                    pending = sound_master_pass();
                }
                if (!pending)
                    break;
                platform::sleep_ms(1);
            }
        } catch (...) {
            dbg_log("exception in g_sound_master_thread.\n");
            platform::sleep_ms(10);
        }
    }
}

bool start_sound_master_thread()
{
    static std::once_flag once;
    bool started = false;
    std::call_once(once, [&] { started = platform::start_thread("sound_master", g_sound_master_thread); });
    return started;
}
