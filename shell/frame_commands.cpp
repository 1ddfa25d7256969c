#include "shell/frame_commands.h"

#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "media/voice_state.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

#include <algorithm>
#include <charconv>

namespace {

using R = CommandRule;

// Menu texts are the program's own; tool tips are those of the bar buttons.
const std::vector<FrameCommand> commands_table = {
    { cmd::connect_server, "Connect to Server", "Connect to server", R::always },
    { cmd::reconnect_server, "Reconnect to Server", "Connect to default server or reconnect", R::always },
    { cmd::disconnect_server, "Disconnect from Server", "Disconnect from server", R::own },
    { cmd::login, "Login", "Login", R::own },
    { cmd::logout, "Logout", "Logout", R::logged_in },
    { cmd::join_meeting_room, "Join Meeting Room", "Meeting room", R::logged_in },
    { cmd::join_meeting_room_2, "Join Meeting Room", "Meeting room", R::logged_in },
    { cmd::rest_room, "Rest Room", "Enter rest room", R::logged_in },
    { cmd::start_meeting, "Start Meeting", "Start meeting", R::own },
    { cmd::stop_meeting, "Stop Meeting", "Stop meeting", R::in_meeting },
    { cmd::work_offline, "Work off line", "", R::always },

    { cmd::meeting_talk, "Start(Stop) Meeting Room Talk", "Voice chat", R::in_room },
    { cmd::take_over_mic, "Take over Microphone", "Take Over Microphone", R::in_room },
    { cmd::chairman_control_mode, "Switch to Chairman control Mode", "", R::in_room },
    { cmd::free_lance_mode, "Switch to Free Lance Mode", "", R::in_room },
    { cmd::request_chairman, "Request Chairman", "", R::in_room },
    { cmd::request_presenter, "Request Presenter", "", R::in_room },
    { cmd::raise_hand, "Raise Hand", "", R::in_room },
    { cmd::push_mode, "Push Mode", "", R::presenter },
    { cmd::show_video, "Show Video", "Show me", R::always },
    { cmd::volume_control, "Volume Control...", "Change speaker and microphone volume", R::always },
    { cmd::text_chat, "Start Text Chat", "Text chat", R::in_room },
    { cmd::reload_chat, "Reload Text Chat Content From Server", "", R::in_room },

    { cmd::share_desktop, "Share desktop", "", R::in_meeting },
    { cmd::share_application, "Share application", "", R::in_meeting },
    { cmd::request_remote_control, "Request Remote Control", "", R::in_meeting },
    { cmd::share_excel, "Share Excel File", "", R::in_meeting },
    { cmd::share_word, "Share Word File", "", R::in_meeting },
    { cmd::share_powerpoint, "Share PowerPoint File", "", R::in_meeting },
    { cmd::share_browser, "Share Browser", "", R::in_meeting },

    { cmd::tool_pointer, "Pointer", "", R::board, 0 },
    { cmd::tool_pen, "Use pen", "", R::board, 1 },
    { cmd::tool_eraser, "Use eraser", "", R::board, 2 },
    { cmd::tool_text, "Use text", "", R::board, 3 },
    { cmd::tool_line, "Draw line", "", R::board, 4 },
    { cmd::tool_void_rect, "Void rect", "", R::board, 5 },
    { cmd::tool_solid_rect, "Solid rect", "", R::board, 6 },
    { cmd::tool_void_circle, "Void circle", "", R::board, 7 },
    { cmd::tool_solid_circle, "Solid circle", "", R::board, 8 },
    { cmd::tool_void_round_rect, "Void round rect", "", R::board, 9 },
    { cmd::tool_solid_round_rect, "Solid round rect", "", R::board, 10 },
    { cmd::pen_colour, "Set Pen Color", "", R::board },
    { cmd::pen_width, "Set Pen Width", "", R::board },
    { cmd::eraser_width, "Set Eraser Width", "", R::board },
    { cmd::board_font, "Choose font", "", R::board },
    { cmd::show_pointer, "Show Pointer", "", R::board },
    { cmd::board_zoom, "Zoom", "", R::always },
    { cmd::board_undo, "Undo", "", R::board },
    { cmd::board_redo, "Redo", "", R::board },
    { cmd::board_reload, "Reload Board Content From Server", "", R::own },
    { cmd::board_clear, "Clear Board", "", R::board },
    { cmd::board_upload, "Upload Board Content To Server", "", R::board },
    { cmd::board_lock, "Lock Current Board", "", R::in_meeting },
    { cmd::paste_area, "Paste Area", "", R::board },
    { cmd::paste_window, "Paste Window", "", R::board },
    { cmd::board_open, "Open Whiteboard...", "", R::always },
    { cmd::board_save, "Save Whiteboard", "", R::always },
    { cmd::board_save_as, "Save Whiteboard as...", "", R::always },
    { cmd::board_save_picture, "Save Whiteboard as Picture...", "", R::always },
    { cmd::print, "Print...", "", R::always },
    { cmd::print_direct, "Print Direct", "", R::always },
    { cmd::print_preview, "Print Preview", "", R::always },

    { cmd::record_start, "Start recording", "", R::own },
    { cmd::record_pause, "Pause recording", "", R::own },
    { cmd::record_stop, "Stop recording", "", R::own },
    { cmd::play_record, "Play Meeting Record", "", R::own },
    { cmd::play_pause, "Pause playing meeting record", "", R::own },
    { cmd::play_stop, "Stop playing meeting record", "", R::own },

    { cmd::misc_bar, "Misc Bar", "", R::always },
    { cmd::ctrl_bar, "Ctrl Bar", "", R::always },
    { cmd::audio_video_bar, "Audio Video Bar", "", R::always },
    { cmd::full_screen, "Toggle Full Screen", "", R::always },

    { cmd::options, "Options...", "", R::always },
    { cmd::internet_update, "Internet Update...", "", R::always },
    { cmd::customer_feedback, "Customer Feedback...", "", R::always },
    { cmd::tell_friend, "Tell Friend...", "", R::always },
    { cmd::event_history, "View Event History...", "", R::always },
    { cmd::net_speed_test, "Net Speed Test", "", R::connected },
    { cmd::invite_url, "Create Invite URL", "", R::always },
    { cmd::invite_outlook, "Invite by E-mail...", "", R::always },
    { cmd::help, "help...", "", R::always },
    { cmd::about, "About Tamblo", "", R::always },
    { cmd::exit, "E&xit", "", R::always },
    { cmd::edit_copy, "Copy", "", R::always },
    { cmd::edit_paste, "Paste", "", R::always },
};

bool logged_in(const CommandState& s) { return s.connected && s.logged_in; }
bool in_room(const CommandState& s) { return logged_in(s) && s.room_number >= 0; }
bool in_meeting(const CommandState& s) { return in_room(s) && s.meeting_started; }

} // namespace

CommandState read_command_state()
{
    CommandState s;
    s.connected = g_connected_to_server != 0;
    s.logged_in = g_logged_in != 0;
    s.meeting_started = g_meeting_started != 0;
    s.room_number = g_room_number;
    s.chairman = g_is_chairman != 0;
    s.presenter = g_is_presenter != 0;
    s.chairman_control = g_chairman_control_mode != 0;
    s.talk_allowed = g_talk_allowed != 0;
    s.push_mode = g_push_mode != 0;
    s.offline = g_offline_board != 0;
    s.talking = g_talk_active != 0;
    s.hand_raised = g_hand_raised != 0;
    s.record_on = g_record_on != 0;
    s.record_paused = g_record_paused != 0;
    s.play_on = g_play_on != 0;
    s.play_paused = g_play_paused != 0;
    int board = g_current_board;
    if (board_index_valid(board)) {
        const board_record& b = g_board[static_cast<size_t>(board)];
        s.board_locked = b.lock_flag != 0;
        s.board_tool = b.tool;
        s.board_pointer = b.show_pointer != 0;
        s.board_zoomed = b.half_size != 0;
    }
    s.current_view = g_current_view;
    return s;
}

const std::vector<FrameCommand>& frame_commands() { return commands_table; }

const FrameCommand* find_frame_command(int id)
{
    auto it = std::find_if(commands_table.begin(), commands_table.end(), [id](const FrameCommand& c) { return c.id == id; });
    return it == commands_table.end() ? nullptr : &*it;
}

bool rule_allows(CommandRule rule, const CommandState& s)
{
    switch (rule) {
    case R::always: return true;
    case R::connected: return s.connected;
    case R::logged_in: return logged_in(s);
    case R::in_room: return in_room(s);
    case R::in_meeting: return in_meeting(s);
    case R::presenter: return in_room(s) && s.presenter;
    case R::board: return (in_meeting(s) && !s.board_locked) || s.offline;
    case R::own: return true;
    }
    return false;
}

bool command_enabled(int id, const CommandState& s)
{
    const FrameCommand* c = find_frame_command(id);
    if (!c)
        return false;
    if (c->rule != R::own)
        return rule_allows(c->rule, s);
    switch (id) {
    case cmd::disconnect_server: return s.connected;
    case cmd::login: return s.connected && !s.logged_in;
    // Open until the meeting runs, so that its refusals are seen.
    case cmd::start_meeting: return !in_meeting(s);
    // The shared screen's reload re-requests tiles, which the viewer does.
    case cmd::board_reload: return rule_allows(R::board, s) && s.current_view != upper_view_share;
    case cmd::record_start: return !(s.record_on && !s.record_paused);
    case cmd::record_stop: return s.record_on;
    case cmd::record_pause: return s.record_on;
    case cmd::play_record: return !(s.play_on && !s.play_paused);
    case cmd::play_pause:
    case cmd::play_stop: return s.play_on;
    default: return true;
    }
}

bool command_checked(int id, const CommandState& s)
{
    const FrameCommand* c = find_frame_command(id);
    if (c && c->tool_code >= 0)
        return s.board_tool == c->tool_code;
    switch (id) {
    case cmd::work_offline: return s.offline;
    case cmd::meeting_talk: return s.talking;
    case cmd::chairman_control_mode: return s.chairman_control;
    case cmd::free_lance_mode: return !s.chairman_control;
    case cmd::request_chairman: return s.chairman;
    case cmd::request_presenter: return s.presenter;
    case cmd::raise_hand: return s.hand_raised;
    case cmd::push_mode: return s.push_mode;
    case cmd::show_pointer: return s.board_pointer;
    case cmd::board_zoom: return s.board_zoomed;
    case cmd::board_lock: return s.board_locked;
    case cmd::record_pause: return s.record_paused;
    case cmd::play_pause: return s.play_paused;
    case cmd::misc_bar: return s.show_misc_bar;
    case cmd::ctrl_bar: return s.show_draw_bar;
    case cmd::audio_video_bar: return s.show_talk_bar;
    case cmd::full_screen: return s.full_screen;
    default: return false;
    }
}

bool command_checkable(int id)
{
    const FrameCommand* c = find_frame_command(id);
    if (c && c->tool_code >= 0)
        return true;
    switch (id) {
    case cmd::work_offline:
    case cmd::meeting_talk:
    case cmd::chairman_control_mode:
    case cmd::free_lance_mode:
    case cmd::request_chairman:
    case cmd::request_presenter:
    case cmd::raise_hand:
    case cmd::push_mode:
    case cmd::show_pointer:
    case cmd::board_zoom:
    case cmd::board_lock:
    case cmd::record_pause:
    case cmd::play_pause:
    case cmd::misc_bar:
    case cmd::ctrl_bar:
    case cmd::audio_video_bar:
    case cmd::full_screen: return true;
    default: return false;
    }
}

std::string start_meeting_refusal(const CommandState& s)
{
    if (!s.logged_in)
        return "Please login first.";
    if (s.room_number < 0)
        return "Please join a meeting room first.";
    return {};
}

std::string stop_meeting_refusal(const CommandState& s)
{
    std::string refusal = start_meeting_refusal(s);
    if (refusal.empty() && !s.chairman && s.chairman_control)
        refusal = "Only Chairman could stop meeting. Please request chairman first.";
    return refusal;
}

std::string sharing_refusal(const CommandState& s)
{
    if (s.chairman_control && !s.presenter)
        return "Only presenter can do this in Chairman control mode.";
    return {};
}

std::string meeting_clock_text(const std::string& label, int64_t elapsed_s)
{
    int64_t t = std::max<int64_t>(elapsed_s, 0);
    auto two = [](int64_t v) { return format_text("%02d", static_cast<int>(v)); };
    // Hours are not wrapped: a meeting of 100 hours shows "100".
    return format_text("%s: %s:%s:%s", label.c_str(), two(t / 3600).c_str(), two(t / 60 % 60).c_str(),
                       two(t % 60).c_str());
}

namespace {

// A value that is not a whole number in [low, high] gives the fallback.
int read_checked(const char* name, int fallback, int low, int high)
{
    std::string text;
    reg_read("general", name, text, 20);
    int value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return fallback;
    return value >= low && value <= high ? value : fallback;
}

} // namespace

FrameLayoutSettings read_frame_layout_settings()
{
    FrameLayoutSettings d;
    FrameLayoutSettings s;
    s.show_talk_bar = read_checked("show_talk_bar", d.show_talk_bar, 0, 1);
    s.show_draw_bar = read_checked("show_draw_bar", d.show_draw_bar, 0, 1);
    s.show_misc_bar = read_checked("show_misc_bar", d.show_misc_bar, 0, 1);
    s.left_width = read_checked("left_panel_width", d.left_width, splitter_min_px, splitter_max_px);
    s.upper_height = read_checked("upper_view_height", d.upper_height, splitter_min_px, splitter_max_px);
    s.lower_height = read_checked("chat_view_height", d.lower_height, splitter_min_px, splitter_max_px);
    return s;
}

void write_bar_flag(const char* name, int shown) { reg_write_int("general", name, shown ? 1 : 0); }

void write_splitter_sizes(int left_width, int upper_height, int lower_height)
{
    auto write = [](const char* name, int v) {
        if (v >= splitter_min_px && v <= splitter_max_px)
            reg_write_int("general", name, v);
    };
    write("left_panel_width", left_width);
    write("upper_view_height", upper_height);
    write("chat_view_height", lower_height);
}
