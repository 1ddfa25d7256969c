#include "sharing/co_browse.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"
#include "core/wire_head.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <spawn.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

AtomicInt g_ie_push_mode { 0 };
SharedText<2047> g_auto_ie_url;

namespace {

constexpr size_t expected_limit = 64;

bool starts_with_nocase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

int record_text(int32_t kind, std::string_view text)
{
    std::string_view cut = text.substr(0, std::min(text.size(), static_cast<size_t>(record_id_text_limit)));
    return record_id_action(kind, cut.data(), static_cast<int>(cut.size()));
}

int send_to_room(int number, std::string_view body, int32_t record_kind)
{
    int result = send_wire_message(g_main_sock, wire_to_all, number, body);
    record_text(record_kind, body);
    return result;
}

SystemBrowserOpener& opener()
{
    static SystemBrowserOpener instance;
    return instance;
}

int spawn_xdg_open(const std::string& url)
{
    pid_t pid = 0;
    std::string program = "xdg-open";
    char* argv[] = { program.data(), const_cast<char*>(url.c_str()), nullptr };
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0)
        return -1;
    // xdg-open hands the page to the browser and ends; reap it off this thread.
    std::thread([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
    }).detach();
    return 0;
}

} // namespace

bool browser_url_allowed(std::string_view url, bool system_browser)
{
    for (char c : url)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
            return false;  // addresses travel encoded; a space or control byte is not one
    if (starts_with_nocase(url, "http://") || starts_with_nocase(url, "https://"))
        return url.size() > (url[4] == ':' ? 7u : 8u);
    return !system_browser && url == "about:blank";
}

bool ie_frame_name_allowed(std::string_view name)
{
    for (const char* reserved : { "top", "parent", "self", "window", "frames", "opener" })
        if (name == reserved)
            return false;
    return !name.empty() && name[0] != '_';
}

std::string ie_page_name(const record_system_time& utc)
{
    return format_text("n%d%d%d%d%d", utc.day, utc.hour, utc.minute, utc.second, utc.millisecond);
}

std::string ie_page_name_now()
{
    timeval now {};
    gettimeofday(&now, nullptr);
    std::tm parts {};
    gmtime_r(&now.tv_sec, &parts);
    record_system_time utc;
    utc.day = static_cast<uint16_t>(parts.tm_mday);
    utc.hour = static_cast<uint16_t>(parts.tm_hour);
    utc.minute = static_cast<uint16_t>(parts.tm_min);
    utc.second = static_cast<uint16_t>(parts.tm_sec);
    utc.millisecond = static_cast<uint16_t>(now.tv_usec / 1000);
    return ie_page_name(utc);
}

std::string ie_open_url_body(std::string_view page, std::string_view url)
{
    std::string body(page);
    body += ':';
    body += url;
    return body;
}

std::string ie_open_frame_url_body(std::string_view page, std::string_view frame, std::string_view url)
{
    std::string body(page);
    body += format_text(":%4d:", static_cast<int>(frame.size()));
    body += frame;
    body += ':';
    body += url;
    return body;
}

int send_ie_open_url(std::string_view page, std::string_view url)
{
    return send_to_room(MSG_IE_OPEN_URL, ie_open_url_body(page, url), record_id_own_browser_url);
}

int send_ie_open_frame_url(std::string_view page, std::string_view frame, std::string_view url)
{
    if (frame.size() > ie_frame_name_limit) {
        dbg_log("frame len:%d > 100 in CFormIE:broadcast_frame_url\n", static_cast<int>(frame.size()));
        return -1;
    }
    return send_to_room(MSG_IE_OPEN_FRAME_URL, ie_open_frame_url_body(page, frame, url), record_id_own_browser_frame_url);
}

// ---- push rules -------------------------------------------------------------

IePushRules& ie_push_rules()
{
    static IePushRules rules;
    return rules;
}

void IePushRules::expect(std::string_view page, std::string_view frame, std::string_view url)
{
    if (expected_.size() >= expected_limit)
        expected_.pop_front();
    expected_.push_back({ std::string(page), std::string(frame), std::string(url) });
}

bool IePushRules::take_expected(std::string_view page, std::string_view frame, std::string_view url)
{
    for (auto it = expected_.begin(); it != expected_.end(); ++it) {
        if (it->page == page && it->frame == frame && it->url == url) {
            expected_.erase(it);
            return true;
        }
    }
    return false;
}

int IePushRules::before_navigate(std::string_view page, std::string_view frame, std::string_view url,
                                 std::string_view location)
{
    url = url.substr(0, std::min(url.size(), ie_event_text_limit));
    frame = frame.substr(0, std::min(frame.size(), ie_event_text_limit));
    bool main_frame = frame.empty() || frame.find("_No__Name") != std::string_view::npos;
    if (take_expected(page, main_frame ? std::string_view() : frame, url))
        return 0;
    if (g_ie_push_mode != 1)
        return 0;
    if (main_frame) {
        send_ie_open_url(page, url);
        return 1;
    }
    send_ie_open_url(page, location);
    return send_ie_open_frame_url(page, frame, url) == 0 ? 2 : 1;
}

// ---- slots ------------------------------------------------------------------

IeSlots::IeSlots()
{
    slots_[0].used = true;
    slots_[0].created = true;
}

int IeSlots::first_free() const
{
    for (int i = 0; i < ie_slot_count; ++i)
        if (!slots_[static_cast<size_t>(i)].used)
            return i;
    return -1;
}

int IeSlots::find(std::string_view window_name) const
{
    for (int i = 0; i < ie_slot_count; ++i) {
        const IeSlot& slot = slots_[static_cast<size_t>(i)];
        if (slot.used && slot.window_name == window_name)
            return i;
    }
    return -1;
}

int IeSlots::open(std::string_view window_name, bool* was_created)
{
    int index = first_free();
    if (index < 0)
        return -1;
    IeSlot& slot = slots_[static_cast<size_t>(index)];
    if (was_created)
        *was_created = slot.created;
    if (!slot.created)
        slot.tab_name = "blank";
    slot.created = true;
    slot.used = true;
    slot.window_name = cut_copy(window_name, ie_page_name_limit);
    return index;
}

int IeSlots::close(int index, bool* last)
{
    *last = false;
    if (index < 0 || index >= ie_slot_count)
        return -1;
    if (used_count() <= 1) {
        *last = true;
        slots_[0].used = false;
        slots_[0].tab_name = "blank";
        return 0;
    }
    for (int i = index; i + 1 < ie_slot_count; ++i)
        slots_[static_cast<size_t>(i)] = slots_[static_cast<size_t>(i + 1)];
    slots_.back() = IeSlot {};
    return index > 0 ? index - 1 : 0;
}

int IeSlots::used_count() const
{
    int count = 0;
    for (const IeSlot& slot : slots_)
        count += slot.used ? 1 : 0;
    return count;
}

// ---- frame script -----------------------------------------------------------

std::string json_string(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            out += '\\', out += c;
        else if (byte < 0x20 || c == '<' || c == '>')
            out += format_text("\\u%04x", byte);
        else
            out += c;
    }
    // U+2028 and U+2029 end a line in older script engines.
    for (std::string_view sep : { std::string_view("\xe2\x80\xa8"), std::string_view("\xe2\x80\xa9") }) {
        for (size_t at = out.find(sep); at != std::string::npos; at = out.find(sep, at))
            out.replace(at, sep.size(), sep[2] == '\xa8' ? "\\u2028" : "\\u2029");
    }
    out += '"';
    return out;
}

std::string ie_frame_navigation_script(std::string_view name, std::string_view url)
{
    return "(function(name, url) {"
           " function find(w) {"
           "  var f = null;"
           "  try { f = w[name]; } catch (e) { f = null; }"
           "  if (f && f !== w && f.frames === f) return f;"
           "  for (var i = 0; i < w.frames.length; ++i) { var r = find(w.frames[i]); if (r) return r; }"
           "  return null;"
           " }"
           " var frame = find(window);"
           " if (!frame) return false;"
           " frame.location.href = url;"
           " return true;"
           "})("
        + json_string(name) + ", " + json_string(url) + ")";
}

// ---- system browser ---------------------------------------------------------

void set_system_browser_opener(SystemBrowserOpener instance) { opener() = std::move(instance); }

int open_in_system_browser(const std::string& url)
{
    if (!browser_url_allowed(url, true)) {
        dbg_log("system browser: address refused: %s\n", cut_copy(url, 200).c_str());
        return -1;
    }
    int result = opener() ? opener()(url) : spawn_xdg_open(url);
    if (result != 0)
        message_box_printf("%s", tr_text("Couldn't start the system browser.").c_str());
    return result;
}

CoBrowserWindow& co_browser_window()
{
    static CoBrowserWindow window;
    return window;
}

Cshare_ie& share_ie()
{
    static Cshare_ie instance;
    return instance;
}

int Cshare_ie::do_share(std::string_view current_url)
{
    if (g_logged_in != 1) {
        message_box_printf("%s", tr_text("You have to login to share the system browser.").c_str());
        return -1;
    }
    if (g_room_number < 0) {
        message_box_printf("%s", tr_text("You have to enter a meeting room to share the system browser.").c_str());
        return -1;
    }
    share_ie_close();
    std::string url = cut_copy(current_url, ie_url_limit);
    if (!browser_url_allowed(url, true)) {
        message_box_printf("%s", tr_text("There is no page to open: open it in \"Tamblo Browser\" first.").c_str());
        return -1;
    }
    if (open_in_system_browser(url) != 0)
        return -1;
    m_sharing = 1;
    m_tick = 0;
    m_room = g_room_number;
    m_last_url = url;
    send_to_room(MSG_AUTO_IE_OPEN_URL, url, record_id_shared_browser_url);
    return 0;
}

void Cshare_ie::do_timer_ie()
{
    // Leaving the room has many roads (leave, kicked out, logout, a lost
    // connection); each ends with the room number changed. A recording played
    // outside any room keeps its -1, so its re-sends do not reopen the page.
    if (!m_last_url.empty() && g_room_number != m_room)
        share_ie_close();
    if (m_sharing != 1 || m_last_url.empty())
        return;
    if (++m_tick % ie_resend_ticks == 0)
        send_to_room(MSG_AUTO_IE_OPEN_URL, m_last_url, record_id_shared_browser_url);
}

int Cshare_ie::open_received(const std::string& url)
{
    m_sharing = 0;
    m_received = 1;
    if (url == m_last_url)
        return 0;
    if (!browser_url_allowed(url, true)) {
        dbg_log("Cshare_ie: received address refused: %s\n", cut_copy(url, 200).c_str());
        return -1;
    }
    m_last_url = url;
    m_room = g_room_number;
    return open_in_system_browser(url);
}

int Cshare_ie::open_url() { return open_received(g_auto_ie_url.get()); }

// The system browser cannot be told which frame: the address opens as a page.
int Cshare_ie::open_frame_url() { return open_received(g_auto_ie_url.get()); }

void Cshare_ie::share_ie_close()
{
    m_sharing = 0;
    m_tick = 0;
    m_room = -1;
    m_last_url.clear();
}

int share_browser_choice(int choice)
{
    if (choice != 1 && choice != 2)
        return 0;
    share_ie().share_ie_close();
    CoBrowserWindow& window = co_browser_window();
    if (choice == 1) {
        g_ie_push_mode = 1;
        if (window.show_pushing)
            window.show_pushing();
        return 0;
    }
    return share_ie().do_share(window.current_url ? window.current_url() : std::string());
}

// ---- receivers --------------------------------------------------------------

void do_auto_ie_open_url_from_server(const char* body, int len, int)
{
    std::string text = body_text(body, len);
    g_auto_ie_url.set(cut_copy(text, ie_url_limit));
    post_window_message(WindowSlot::files_page, WM_MY_MSG_AUTO_IE_OPEN_URL);
    record_text(record_id_shared_browser_url, text);
}

void do_auto_ie_open_frame_url_from_server(const char* body, int len, int)
{
    std::string text = body_text(body, len);
    g_auto_ie_url.set(cut_copy(text, ie_url_limit));
    post_window_message(WindowSlot::files_page, WM_MY_MSG_AUTO_IE_OPEN_FRAME_URL);
    record_text(record_id_shared_browser_frame_url, text);
}

void install_co_browse_handlers()
{
    set_main_handler(MSG_AUTO_IE_OPEN_URL, do_auto_ie_open_url_from_server);
    set_main_handler(MSG_AUTO_IE_OPEN_FRAME_URL, do_auto_ie_open_frame_url_from_server);
}
