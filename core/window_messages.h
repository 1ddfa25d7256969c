#pragma once
// Window messages: how worker threads hand work to windows. A handler stores
// what arrived in the global state and posts (or sends) one of these numbers
// to a window slot; the window's OnMyMsg... member runs on the UI thread.
// Posting to an empty slot drops the message.

#include <cstdint>
#include <optional>
#include <string>

inline constexpr uint32_t WM_APP = 0x8000;
inline constexpr uint32_t WM_USER = 0x0400;
// A menu, tool bar or status bar command: wparam = the command id.
inline constexpr uint32_t WM_COMMAND = 0x0111;

inline constexpr uint32_t WM_MY_MSG_TALK_STARTED = WM_APP + 2;                     // post
inline constexpr uint32_t WM_MY_MSG_TALK_STOPPED = WM_APP + 3;                     // post
inline constexpr uint32_t WM_MY_MSG_CHAT_TEXT = WM_APP + 4;                        // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_APP_MOUSE_MOVE = WM_APP + 6;            // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_APP_LBUTTON_DOWN = WM_APP + 7;          // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_APP_LBUTTON_UP = WM_APP + 8;            // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_APP_LBUTTON_DBLCLK = WM_APP + 9;        // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_DESK_MOUSE_MOVE = WM_APP + 10;          // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_DESK_LBUTTON_DOWN = WM_APP + 11;        // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_DESK_LBUTTON_UP = WM_APP + 12;          // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_DESK_LBUTTON_DBLCLK = WM_APP + 13;      // post
inline constexpr uint32_t WM_MY_MSG_CREATE_ROOM_FAILED = WM_APP + 20;              // post
inline constexpr uint32_t WM_MY_MSG_ROOM_LIST_FIRST = WM_APP + 21;                 // send
inline constexpr uint32_t WM_MY_MSG_ROOM_LIST_ADD = WM_APP + 22;                   // send
inline constexpr uint32_t WM_MY_MSG_ROOM_LIST_CHANGED = WM_APP + 23;               // post
inline constexpr uint32_t WM_MY_MSG_SET_ROOM_PASSWORD_OK = WM_APP + 24;            // post
inline constexpr uint32_t WM_MY_MSG_SET_ROOM_PASSWORD_FAILED = WM_APP + 25;        // post
inline constexpr uint32_t WM_MY_MSG_ROOM_CURRENT = WM_APP + 26;                    // post
inline constexpr uint32_t WM_MY_MSG_LOGIN_SUCCESS = WM_APP + 27;                   // post
inline constexpr uint32_t WM_MY_MSG_LOGIN_FAILED = WM_APP + 28;                    // post
inline constexpr uint32_t WM_MY_MSG_NOT_LOGGED_IN = WM_APP + 29;                   // post
inline constexpr uint32_t WM_MY_MSG_MEMBER_LIST_FIRST = WM_APP + 30;               // send
inline constexpr uint32_t WM_MY_MSG_MEMBER_LIST_ADD = WM_APP + 31;                 // send
inline constexpr uint32_t WM_MY_MSG_FILE_LIST_FIRST = WM_APP + 32;                 // send
inline constexpr uint32_t WM_MY_MSG_FILE_LIST_ADD = WM_APP + 33;                   // send
inline constexpr uint32_t WM_MY_MSG_FILE_LIST_CHANGED = WM_APP + 34;               // send
inline constexpr uint32_t WM_MY_MSG_KICKED_OUT = WM_APP + 35;                      // post
inline constexpr uint32_t WM_MY_MSG_MEMBERS_NOTICE_116 = WM_APP + 36;              // post
inline constexpr uint32_t WM_MY_MSG_LEAVE_ROOM_OK = WM_APP + 37;                   // post
inline constexpr uint32_t WM_MY_MSG_MEETING_STARTED = WM_APP + 38;                 // post
inline constexpr uint32_t WM_MY_MSG_MEETING_STOPPED = WM_APP + 39;                 // post
inline constexpr uint32_t WM_MY_MSG_MEETING_TIME = WM_APP + 41;                    // post
inline constexpr uint32_t WM_MY_MSG_CHAT_RELOAD_FIRST = WM_APP + 42;               // send
inline constexpr uint32_t WM_MY_MSG_CHAT_RELOAD_ADD = WM_APP + 43;                 // send
inline constexpr uint32_t WM_MY_MSG_PRIVATE_CHAT_FROM_SERVER = WM_APP + 44;        // send
inline constexpr uint32_t WM_MY_MSG_202 = WM_APP + 45;                             // post
inline constexpr uint32_t WM_MY_MSG_SHARE_APP_REFUSED = WM_APP + 46;               // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_CONTROL_ALLOWED = WM_APP + 47;          // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_CONTROL_DENIED = WM_APP + 48;           // post
inline constexpr uint32_t WM_MY_MSG_SHARE_DESKTOP_APPROVED = WM_APP + 49;          // post
inline constexpr uint32_t WM_MY_MSG_SHARE_DESKTOP_DENIED = WM_APP + 50;            // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_CONTROL_ALLOWED_8033 = WM_APP + 51;     // post
inline constexpr uint32_t WM_MY_MSG_REMOTE_CONTROL_DENIED_8034 = WM_APP + 52;      // post
inline constexpr uint32_t WM_MY_MSG_SHARE_APP_ENDED = WM_APP + 53;                 // post
inline constexpr uint32_t WM_MY_MSG_SHARE_DESK_ENDED = WM_APP + 54;                // post
inline constexpr uint32_t WM_MY_MSG_POST_KEY_DOWN = WM_APP + 55;                   // post
inline constexpr uint32_t WM_MY_MSG_POST_KEY_DOWN_8038 = WM_APP + 56;              // post
inline constexpr uint32_t WM_MY_MSG_REST_ROOM_LIST_FIRST = WM_APP + 57;            // send
inline constexpr uint32_t WM_MY_MSG_REST_ROOM_LIST_ADD = WM_APP + 58;              // send
inline constexpr uint32_t WM_MY_MSG_REST_ROOM_CHAT = WM_APP + 59;                  // send
inline constexpr uint32_t WM_MY_MSG_SHOW_TALK_BAR = WM_APP + 60;                   // post
inline constexpr uint32_t WM_MY_MSG_HOOK_MOUSE_POS = WM_APP + 62;                  // post
inline constexpr uint32_t WM_MY_MSG_CONNECTED = WM_APP + 63;                       // send
inline constexpr uint32_t WM_MY_MSG_SHARE_CURSOR_MOVED = WM_APP + 64;              // post
inline constexpr uint32_t WM_MY_MSG_CHAIRMAN_DENIED = WM_APP + 65;                 // send
inline constexpr uint32_t WM_MY_MSG_CHAIRMAN_APPROVED = WM_APP + 66;               // send
inline constexpr uint32_t WM_MY_MSG_CHAIRMAN_GIVEN_UP = WM_APP + 67;               // send
inline constexpr uint32_t WM_MY_MSG_BOARD_ZOOM_ON = WM_APP + 69;                   // send
inline constexpr uint32_t WM_MY_MSG_BOARD_ZOOM_OFF = WM_APP + 70;                  // send
inline constexpr uint32_t WM_MY_MSG_FULL_SCREEN = WM_APP + 71;                     // post/send
inline constexpr uint32_t WM_MY_MSG_PPT_FILE_READY = WM_APP + 74;                  // post
inline constexpr uint32_t WM_MY_MSG_PPT_SHOW = WM_APP + 75;                        // post
inline constexpr uint32_t WM_MY_MSG_WORD_FILE_READY = WM_APP + 76;                 // post
inline constexpr uint32_t WM_MY_MSG_WORD_POSITION = WM_APP + 77;                   // post
inline constexpr uint32_t WM_MY_MSG_EXCEL_FILE_READY = WM_APP + 78;                // post
inline constexpr uint32_t WM_MY_MSG_EXCEL_SHEET = WM_APP + 79;                     // post
inline constexpr uint32_t WM_MY_MSG_EXCEL_CHART = WM_APP + 80;                     // post
inline constexpr uint32_t WM_MY_MSG_NEW_VERSION = WM_APP + 81;                     // send
inline constexpr uint32_t WM_MY_MSG_PRESENTER_APPROVED = WM_APP + 82;              // send
inline constexpr uint32_t WM_MY_MSG_PRESENTER_GIVEN_UP = WM_APP + 83;              // send
inline constexpr uint32_t WM_MY_MSG_HAND_BUTTON = WM_APP + 84;                     // send
inline constexpr uint32_t WM_MY_MSG_BOARD_ACTIONS_ADDED = WM_APP + 85;             // post
inline constexpr uint32_t WM_MY_MSG_AUTO_IE_OPEN_URL = WM_APP + 86;                // post
inline constexpr uint32_t WM_MY_MSG_AUTO_IE_OPEN_FRAME_URL = WM_APP + 87;          // post
inline constexpr uint32_t WM_MY_MSG_SET_TITLE = WM_APP + 88;                       // post
inline constexpr uint32_t WM_MY_MSG_STATUS_TEXT = WM_APP + 89;                     // post
inline constexpr uint32_t WM_MY_MSG_ROOM_CAPTION = WM_APP + 90;                    // post
inline constexpr uint32_t WM_MY_MSG_PRIVATE_VOICE_REQUEST = WM_APP + 91;           // post
inline constexpr uint32_t WM_MY_MSG_BOARD_VERIFY = WM_APP + 92;                    // post
inline constexpr uint32_t WM_MY_MSG_HAND_RAISED = WM_APP + 95;                     // send
inline constexpr uint32_t WM_MY_MSG_HAND_LOWERED = WM_APP + 96;                    // send
inline constexpr uint32_t WM_MY_MSG_MEMBER_JOINED = WM_APP + 97;                   // send
inline constexpr uint32_t WM_MY_MSG_MEMBER_LEFT = WM_APP + 98;                     // send
inline constexpr uint32_t WM_MY_MSG_TALKER_CHANGED = WM_APP + 99;                  // send
inline constexpr uint32_t WM_MY_MSG_CHAIRMAN_CONTROL_MODE = WM_APP + 106;          // post
inline constexpr uint32_t WM_MY_MSG_FREE_LANCE_MODE = WM_APP + 107;                // post
inline constexpr uint32_t WM_MY_MSG_SHARE_APP_226 = WM_APP + 112;                  // post
inline constexpr uint32_t WM_MY_MSG_SHARE_DESK_266 = WM_APP + 113;                 // post
inline constexpr uint32_t WM_MY_MSG_TALKER_GAVE_UP = WM_APP + 114;                 // send
inline constexpr uint32_t WM_MY_MSG_EXIT_FULL_SCREEN = WM_APP + 116;               // post
inline constexpr uint32_t WM_MY_MSG_WORD_CLOSE = WM_APP + 117;                     // post
inline constexpr uint32_t WM_MY_MSG_EXCEL_CLOSE = WM_APP + 118;                    // post
inline constexpr uint32_t WM_MY_MSG_PPT_CLOSE = WM_APP + 119;                      // post
inline constexpr uint32_t WM_MY_MSG_ROOM_ENTERED = WM_APP + 120;                   // post
inline constexpr uint32_t WM_MY_MSG_JOIN_ROOM_FAILED = WM_APP + 121;               // post
inline constexpr uint32_t WM_MY_MSG_NET_SPEED_673 = WM_APP + 122;                  // post
inline constexpr uint32_t WM_MY_MSG_NET_SPEED_674 = WM_APP + 123;                  // post
inline constexpr uint32_t WM_MY_MSG_NET_SPEED_RESULT = WM_APP + 124;               // post
inline constexpr uint32_t WM_MY_MSG_PPT_SHARED = WM_APP + 125;                     // post
inline constexpr uint32_t WM_MY_MSG_WORD_SHARED = WM_APP + 126;                    // post
inline constexpr uint32_t WM_MY_MSG_EXCEL_SHARED = WM_APP + 127;                   // post
inline constexpr uint32_t WM_MY_MSG_BECOME_PRESENTER = WM_APP + 128;               // post
inline constexpr uint32_t WM_MY_MSG_BECOME_CHAIRMAN = WM_APP + 129;                // post
inline constexpr uint32_t WM_MY_MSG_PRESENTER_APPLY = WM_APP + 130;                // post
inline constexpr uint32_t WM_MY_MSG_PRESENTER_DENIED = WM_APP + 131;               // send
inline constexpr uint32_t WM_MY_MSG_BOARD_NOTICE = WM_APP + 132;                   // post
inline constexpr uint32_t WM_MY_MSG_ZOOM_ONE_PERSON = WM_APP + 133;                // post
inline constexpr uint32_t WM_MY_MSG_OPEN_SHARED_BROWSER = WM_APP + 134;            // send
inline constexpr uint32_t WM_MY_MSG_IE_OPEN_FRAME_URL = WM_APP + 135;              // send
inline constexpr uint32_t WM_MY_MSG_CLIPBOARD_OFFERED = WM_APP + 136;              // post
inline constexpr uint32_t WM_MY_MSG_CHAT_APPEND = WM_APP + 137;                    // send
inline constexpr uint32_t WM_MY_MSG_HOOK_PAINT_RECT = WM_APP + 138;                // post
inline constexpr uint32_t WM_MY_MSG_HOOK_PAINT_RECT_GLOBAL = WM_APP + 139;         // post
inline constexpr uint32_t WM_MY_MSG_MEMBERS_NOTICE_780 = WM_APP + 140;             // post
inline constexpr uint32_t WM_MY_MSG_MEMBER_STATE = WM_APP + 141;                   // post
inline constexpr uint32_t WM_MY_MSG_HOOK_MENU = WM_APP + 142;                      // post
inline constexpr uint32_t WM_MY_MSG_HOOK_MENU_GLOBAL = WM_APP + 143;               // post
inline constexpr uint32_t WM_MY_MSG_WORD_OPEN = WM_APP + 144;                      // post
inline constexpr uint32_t WM_MY_MSG_EXCEL_OPEN = WM_APP + 145;                     // post
inline constexpr uint32_t WM_MY_MSG_PPT_OPEN = WM_APP + 146;                       // post
inline constexpr uint32_t WM_MY_MSG_SET_CHAIRMAN_PASSWORD_OK = WM_APP + 147;       // post
inline constexpr uint32_t WM_MY_MSG_SET_CHAIRMAN_PASSWORD_FAILED = WM_APP + 148;   // post
inline constexpr uint32_t WM_MY_MSG_LOGO_READY = WM_APP + 149;                     // post
// A worker asks a window to repaint itself (what invalidating a window from
// the worker thread did).
inline constexpr uint32_t WM_MY_MSG_REPAINT = WM_APP + 150;                        // post
// The connect dialog's Refresh List is done (wparam: 1 when a new list was
// saved); its worker waits for the server without holding the window.
inline constexpr uint32_t WM_MY_MSG_SERVER_LIST_REFRESHED = WM_APP + 151;          // post
// The presenter showed another upper view in push mode (wparam: its index 1-4),
// so every attendee's frame follows.
inline constexpr uint32_t WM_MY_MSG_UPPER_VIEW = WM_APP + 152;                     // post
// A steering viewer's 28-byte input record (69) for the sharer to replay (body).
inline constexpr uint32_t WM_MY_MSG_REMOTE_KEY_INPUT = WM_APP + 153;               // post

// The windows the global state points at. A window fills its slot when it is
// created and empties it when it is destroyed.
enum class WindowSlot : int {
    main_frame,            // CMainFrame (g_main_frame)
    meeting_room,          // CDlgMeetingRoom
    members_page,          // CLeftFormMembers
    files_page,            // CLeftFormFiles
    left_tab,              // CLeftFormTab
    share_view,            // CFormRightUpper2
    board_view,            // CFormRightUpper1
    chat_view,             // CFormRightLower
    share_app_view,        // CDlgShareAppView
    share_desktop_view,    // CDlgShareDesktopView
    share_desktop_control, // CDlgShareDesktopControl
    choose_app,            // CDlgChooseApp
    rest_room,             // CDlgRestRoom
    net_speed,             // CDlgNetSpeed
    video_view,            // the video view
    logo_frame,            // the CMyFrameWnd that shows the company logo (the main frame's base)
    full_screen,           // the full-screen window
    connect_server,        // CDlgConnectServer
    pictures_page,         // CLeftFormChild4
    playback_view,         // CFormRightUpper4
    count
};

// What a window implements to receive its messages (on the UI thread).
class WindowTarget {
public:
    virtual ~WindowTarget() = default;
    virtual intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) = 0;
};

void register_window(WindowSlot slot, WindowTarget* target);
// Clears the slot only if it still holds this target.
void unregister_window(WindowSlot slot, WindowTarget* target);

// Holds a slot for the life of its owner: declare it as the window's last member.
class WindowSlotBinding {
public:
    WindowSlotBinding(WindowSlot slot, WindowTarget* target) : slot_(slot), target_(target) { register_window(slot, target); }
    ~WindowSlotBinding() { unregister_window(slot_, target_); }
    WindowSlotBinding(const WindowSlotBinding&) = delete;
    WindowSlotBinding& operator=(const WindowSlotBinding&) = delete;

private:
    WindowSlot slot_;
    WindowTarget* target_;
};

// How messages reach the UI thread. The Qt bridge queues posted messages as
// events and runs sent ones on the UI thread while the sender waits; without
// one, messages are handled at once on the calling thread (headless use, tests).
class WindowMessageDispatcher {
public:
    virtual ~WindowMessageDispatcher() = default;
    // A body is kept alive until the handler returns and passed as wparam
    // (pointer to its zero-terminated bytes) and lparam (length).
    virtual void post(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam, std::optional<std::string> body) = 0;
    virtual intptr_t send(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam) = 0;
};

void set_window_message_dispatcher(WindowMessageDispatcher* dispatcher);

WindowTarget* window_in_slot(WindowSlot slot);
bool window_exists(WindowSlot slot);

// Returns false when the slot is empty and the message was dropped.
bool post_window_message(WindowSlot slot, uint32_t msg, uintptr_t wparam = 0, intptr_t lparam = 0);
// Posts a copy of body (wparam = its bytes, zero-terminated; lparam = its length);
// the copy is freed once the handler has run or the message is dropped.
bool post_window_message_with_body(WindowSlot slot, uint32_t msg, std::string body);
// Waits until the window has handled the message; 0 when the slot is empty.
intptr_t send_window_message(WindowSlot slot, uint32_t msg, uintptr_t wparam = 0, intptr_t lparam = 0);

// Runs the handler of the window in slot now, on the calling thread; the
// dispatchers call this once they are on the right thread. 0 when empty.
intptr_t deliver_window_message(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam);
