#pragma once
// Co-browsing without windows: the messages of the own browser window (730,
// 731) and of the system browser (570, 571), their records, the browser
// window's page slots, the script that applies a frame address, and the
// system browser's sharing (Cshare_ie), which opens pages through xdg-open.

#include "core/global_state.h"
#include "core/meeting_record.h"

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

inline constexpr int ie_slot_count = 16;
inline constexpr size_t ie_page_name_limit = 127;
inline constexpr size_t ie_tab_name_limit = 255;
inline constexpr size_t ie_url_limit = 2047;
inline constexpr size_t ie_typed_limit = 4095;
inline constexpr size_t ie_frame_name_limit = 100;
inline constexpr size_t ie_event_text_limit = 2020;
inline constexpr int ie_resend_ticks = 5;

// 1: this attendee's navigations in the browser window are sent.
extern AtomicInt g_ie_push_mode;
// The address of the last 570 / 571 received.
extern SharedText<2047> g_auto_ie_url;

// Whether a received address may be opened: the browser window takes http,
// https and about:blank, the system browser only http and https. Anything
// else (file:, javascript:, data:, a program's own scheme) is refused.
bool browser_url_allowed(std::string_view url, bool system_browser);
// Whether a received frame name may be looked up in a page: names a script
// would take for another window than a frame ("top", "parent", "self",
// "window", "frames", "opener", or starting with '_') are refused.
bool ie_frame_name_allowed(std::string_view name);

// "n%d%d%d%d%d" of the UTC day, hour, minute, second and millisecond: the
// name of a page opened here.
std::string ie_page_name(const record_system_time& utc);
std::string ie_page_name_now();

// Bodies: "page:url" and "page:%4d:frame:url".
std::string ie_open_url_body(std::string_view page, std::string_view url);
std::string ie_open_frame_url_body(std::string_view page, std::string_view frame, std::string_view url);

// Sends 730 / 731 to the room and records them. A frame name over 100
// characters is not sent (-1 and a log line).
int send_ie_open_url(std::string_view page, std::string_view url);
int send_ie_open_frame_url(std::string_view page, std::string_view frame, std::string_view url);

// What a page sends for a navigation it is about to make, with push mode
// on: the main frame (frame empty or holding "_No__Name") as 730; a named
// frame as 730 with the page's current address, then 731. A navigation this
// client makes for a received address is not sent again (see expect), so
// two attendees pushing do not bounce a page between them.
class IePushRules {
public:
    // A received address is about to be applied to page (frame empty: the page).
    void expect(std::string_view page, std::string_view frame, std::string_view url);
    // True (and forgotten) when page's navigation to url is one expected.
    bool take_expected(std::string_view page, std::string_view frame, std::string_view url);
    // Sends what the navigation needs; returns how many messages left.
    int before_navigate(std::string_view page, std::string_view frame, std::string_view url, std::string_view location);
    void clear() { expected_.clear(); }

private:
    struct Expected {
        std::string page, frame, url;
    };
    std::deque<Expected> expected_;  // bounded: a flood of received names cannot grow it
};
IePushRules& ie_push_rules();

// The browser window's 16 page slots, beside the pages the window keeps in
// the same order.
struct IeSlot {
    bool used = false;
    bool created = false;
    std::string window_name;
    std::string tab_name = "blank";
};
class IeSlots {
public:
    IeSlots();
    // First slot not used, -1 when all 16 are.
    int first_free() const;
    // The used slot whose page has that window name, -1 when none.
    int find(std::string_view window_name) const;
    // Marks the first free slot used under the name (cut to 127); -1 when full.
    // *was_created tells whether its page existed already.
    int open(std::string_view window_name, bool* was_created = nullptr);
    // Close Current Window. The last used tab only goes back to "blank" and
    // returns true in *last. Otherwise the later slots move one place down
    // and the result is the slot to select.
    int close(int index, bool* last);
    int used_count() const;
    const IeSlot& operator[](int index) const { return slots_[static_cast<size_t>(index)]; }
    IeSlot& operator[](int index) { return slots_[static_cast<size_t>(index)]; }

private:
    std::array<IeSlot, ie_slot_count> slots_ {};
};

// Script (for the application's own script world) that navigates the frame
// named name, searched by window[name] down the frame tree, to url; name and
// url enter as JSON strings, never as script text. Evaluates to true when
// the frame was found.
std::string ie_frame_navigation_script(std::string_view name, std::string_view url);
// A JSON string literal of the text.
std::string json_string(std::string_view text);

// Opens a URL in the system browser: xdg-open unless a test sets its own.
// 0 when the program started.
using SystemBrowserOpener = std::function<int(const std::string& url)>;
void set_system_browser_opener(SystemBrowserOpener opener);
int open_in_system_browser(const std::string& url);

// Browser sharing through the system browser. Its navigations cannot be
// watched, so the sharer sends the page it opens once and again every fifth
// tick until share_ie_close.
class Cshare_ie {
public:
    // Share with the system browser: the login and room refusals, then the
    // page (the browser window's current http(s) address) opened and sent.
    // -1 when refused or nothing opened.
    int do_share(std::string_view current_url);
    // The files page's one-second timer. Once the room the share or the last
    // received address belongs to is left, the share ends.
    void do_timer_ie();
    // 570 / 571 received (g_auto_ie_url): opened unless equal to the last.
    int open_url();
    int open_frame_url();
    // Nothing to start: the system browser is started per page.
    int start_app() { return 0; }
    void share_ie_close();
    bool sharing() const { return m_sharing != 0; }
    const std::string& last_url() const { return m_last_url; }

private:
    int open_received(const std::string& url);
    int m_sharing = 0;
    int m_received = 0;
    int m_tick = 0;
    int m_room = -1;
    std::string m_last_url;
};
Cshare_ie& share_ie();

// The browser window as the rest of the program reaches it; the window fills
// these in when it is made. Share Browser's "Tamblo Browser" shows it with
// push mode on; the system browser is given its current page.
struct CoBrowserWindow {
    std::function<void()> show_pushing;
    // The address the window's current page shows; empty when there is none.
    std::function<std::string()> current_url;
};
CoBrowserWindow& co_browser_window();

// Share Browser with the choose-browser dialog's answer: 1 the browser
// window with push mode on, 2 its page through the system browser, anything
// else nothing. Either choice ends a system-browser share still re-sending.
// -1 when the system browser's share was refused.
int share_browser_choice(int choice);

// Receivers of 570 and 571: keep the address, post to the files page, record.
void do_auto_ie_open_url_from_server(const char* body, int len, int field2);
void do_auto_ie_open_frame_url_from_server(const char* body, int len, int field2);

// Plugs the 570 / 571 receivers in.
void install_co_browse_handlers();
