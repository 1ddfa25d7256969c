#include "media/picture_downloads.h"

#include "core/dbg_log.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/meeting_record.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/window_messages.h"
#include "media/video_image_files.h"
#include "platform/sys/clock.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unistd.h>

AtomicInt g_picture_downloading { 0 };

namespace {

// What the begin opened, for its end (the application connection's thread only).
std::string g_named_begin;
int g_attendee_begin_id = -1;
std::string g_attendee_begin_name;  // the members page may refill the table meanwhile

bool ends_with(const std::string& s, const char* tail)
{
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

bool digits(const std::string& s, size_t from, size_t to)
{
    if (from >= to)
        return false;
    for (size_t i = from; i < to; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    return true;
}

// "wnd" or "desk", alone or as a tile "_<row>_<column>" with or without "_mul".
bool is_share_file_base(const std::string& base)
{
    for (const char* prefix : { "wnd", "desk" }) {
        std::string p = prefix;
        if (base == p)
            return true;
        if (base.compare(0, p.size() + 1, p + "_") != 0)
            continue;
        std::string rest = base.substr(p.size() + 1);
        if (ends_with(rest, "_mul"))
            rest.resize(rest.size() - 4);
        size_t bar = rest.find('_');
        if (bar != std::string::npos && digits(rest, 0, bar) && digits(rest, bar + 1, rest.size()))
            return true;
    }
    return false;
}

std::string bmp_path(const std::string& name)
{
    std::string user;
    get_user_folder(user);
    return user + "bmp/" + name;
}

customer_info_record* attendee_of(int customer_id)
{
    // The members page fills a record on its own thread and marks it in use last.
    for (customer_info_record& r : customer_info)
        if (std::atomic_ref<int32_t>(r.in_use).load(std::memory_order_acquire) && r.customer_id == customer_id)
            return &r;
    return nullptr;
}

// "<user>bmp/<name>" into "<user>bmp/<name>.jpg", beside the old one first so a bad picture leaves it.
bool unpack_picture(const std::string& name, const char* handler)
{
    const std::string z_path = bmp_path(name);
    const std::string path = z_path + ".jpg";
    const std::string part = path + ".part";
    if (z_uncompress_file(z_path, part, picture_unpack_limit) != 0) {
        dbg_log("%s: the picture %s does not unpack: the last one stays.\n", handler, name.c_str());
        ::unlink(part.c_str());
        return false;
    }
    platform::TimedLockWait lock(g_pictures_lock, pictures_wait_ms);
    if (!lock)
        dbg_log("wait failed in %s.\n", handler);
    if (std::rename(part.c_str(), path.c_str()) != 0) {
        dbg_log("rename failed in %s.\n", handler);
        ::unlink(part.c_str());
        return false;
    }
    return true;
}

void repaint_picture_windows()
{
    post_window_message(WindowSlot::pictures_page, WM_MY_MSG_REPAINT);
    post_window_message(WindowSlot::video_view, WM_MY_MSG_REPAINT);
    post_window_message(WindowSlot::full_screen, WM_MY_MSG_REPAINT);
}

// The spare file for the name: 0, or -1 (logged) when the name is refused or the file cannot be made.
int open_spare(const std::string& name, const char* handler)
{
    if (!picture_name_allowed(name)) {
        dbg_log("%s: a picture name that is refused: nothing is written.\n", handler);
        return -1;
    }
    if (video_image_file_open("", bmp_path(name)) != 0) {
        dbg_log("%s: %s cannot be opened.\n", handler, name.c_str());
        return -1;
    }
    return 0;
}

// The server sends an attendee's picture once this program answered a probe
// that followed the attendee's record, but the main connection's thread only
// posted that record to the members page, which may not have taken it in yet.
customer_info_record* attendee_arriving(int customer_id)
{
    for (int waited_ms = 0;; waited_ms += 5) {
        if (customer_info_record* attendee = attendee_of(customer_id))
            return attendee;
        if (waited_ms >= attendee_record_wait_ms)
            return nullptr;
        platform::sleep_ms(5);
    }
}

} // namespace

bool picture_name_allowed(const std::string& name)
{
    if (name.size() > picture_name_limit || !is_plain_file_name(name))
        return false;
    // A name ending so would take another picture's unpacked or half-written file.
    if (ends_with(name, ".jpg") || ends_with(name, ".part"))
        return false;
    std::string base = name;
    if (ends_with(base, ".bmp"))
        base.resize(base.size() - 4);
    // The program's own files in "bmp": whole pictures, tiles, the difference's files, snapshots,
    // the logo folder, the whiteboard's picture folders.
    return !is_share_file_base(base) && base != "desk_cs_server" && base != "desk_diff_to_server" && base != "video_snapshot"
        && base != "logo" && !digits(base, 0, base.size());
}

void video_z_down_begin_from_server(const char* body, int len, int)
{
    g_picture_downloading = 1;
    video_image_file_close("");
    g_named_begin.clear();
    std::string name(body ? body : "", static_cast<size_t>(std::max(len, 0)));
    // No video window carries a name: the picture takes the spare file.
    if (open_spare(name, "video_z_down_begin_from_server") == 0)
        g_named_begin = name;
}

void video_z_down_end_from_server(const char* body, int len, int)
{
    g_picture_downloading = 0;
    std::string name(body ? body : "", static_cast<size_t>(std::max(len, 0)));
    std::string begun = std::move(g_named_begin);
    g_named_begin.clear();
    if (video_image_file_close("") != 0)
        return;
    if (name != begun) {
        dbg_log("video_z_down_end_from_server: the end does not name the picture begun: dropped.\n");
        ::unlink(bmp_path(begun).c_str());
        return;
    }
    unpack_picture(name, "video_z_down_end_from_server");
    repaint_picture_windows();
}

void video_z_down_begin_2_from_server(const char*, int, int field2)
{
    g_picture_downloading = 1;
    video_image_file_close("");
    g_attendee_begin_id = -1;
    customer_info_record* attendee = attendee_arriving(field2);
    if (!attendee) {
        dbg_log("video_z_down_begin_2_from_server: no attendee %d: the picture is dropped.\n", field2);
        return;
    }
    std::string name = attendee->name.data();
    if (open_spare(name, "video_z_down_begin_2_from_server") == 0) {
        g_attendee_begin_id = field2;
        g_attendee_begin_name = name;
    }
}

void video_z_down_end_2_from_server(const char* body, int len, int field2)
{
    g_picture_downloading = 0;
    const int begun_id = g_attendee_begin_id;
    const std::string name = std::move(g_attendee_begin_name);
    g_attendee_begin_id = -1;
    g_attendee_begin_name.clear();
    std::string text(body ? body : "", static_cast<size_t>(std::max(len, 0)));
    int number = 0;
    customer_info_record* attendee = attendee_of(field2);
    if (attendee && std::sscanf(text.c_str(), "%d", &number) == 1)
        attendee->picture_number = number;
    if (video_image_file_close("") != 0)
        return;
    if (begun_id != field2) {
        dbg_log("video_z_down_end_2_from_server: the end of %d does not close the picture begun: dropped.\n", field2);
        return;
    }
    if (!unpack_picture(name, "video_z_down_end_2_from_server"))
        return;
    record_picture(name, bmp_path(name));
    repaint_picture_windows();
}

int record_picture(const std::string& name, const std::string& z_path)
{
    if (!recorder().recording())
        return 0;
    long long size = -1;
    if (std::FILE* f = std::fopen(z_path.c_str(), "rb")) {
        if (std::fseek(f, 0, SEEK_END) == 0)
            size = std::ftell(f);
        std::fclose(f);
    }
    // Playback stops at a larger picture record: the meeting after it would be lost.
    if (size < 0 || size > record_picture_limit) {
        dbg_log("record_picture: %s of %lld bytes is not recorded.\n", name.c_str(), size);
        return -1;
    }
    unsigned char head[4 + record_picture_name_len] = {};
    const uint32_t length = static_cast<uint32_t>(size);
    std::memcpy(head, &length, 4);
    std::memcpy(head + 4, name.data(), std::min(name.size(), record_picture_name_len - 1));
    long copied = 0;
    return recorder().append_file(record_type_picture, head, sizeof head, z_path, length, "record_picture", &copied);
}

void install_picture_downloads()
{
    set_app_handler(MSG_VIDEO_IMAGE_BEGIN, video_z_down_begin_from_server);
    set_app_handler(MSG_VIDEO_IMAGE_END, video_z_down_end_from_server);
    set_app_handler(MSG_VIDEO_IMAGE_BEGIN_2, video_z_down_begin_2_from_server);
    set_app_handler(MSG_VIDEO_IMAGE_END_2, video_z_down_end_2_from_server);
}
