#pragma once
// The main frame's commands without the window: their ids, texts and tool
// tips, and when each is enabled and checked for a given meeting state. The
// registry of the window layer turns each into one action; menus, tool bars
// and status buttons all reach that action.

#include <cstdint>
#include <string>
#include <vector>

// Command ids.
namespace cmd {
// Connection and session.
inline constexpr int connect_server = 32810;
inline constexpr int reconnect_server = 32812;
inline constexpr int disconnect_server = 32811;
inline constexpr int login = 32808;
inline constexpr int logout = 32809;
inline constexpr int join_meeting_room = 32806;
inline constexpr int join_meeting_room_2 = 32807;
inline constexpr int rest_room = 32820;
inline constexpr int start_meeting = 32817;
inline constexpr int stop_meeting = 32818;
inline constexpr int work_offline = 32885;
// Talk, roles and modes.
inline constexpr int meeting_talk = 32785;
inline constexpr int take_over_mic = 32834;
inline constexpr int chairman_control_mode = 32832;
inline constexpr int free_lance_mode = 32833;
inline constexpr int request_chairman = 32891;
inline constexpr int request_presenter = 32902;
inline constexpr int raise_hand = 32903;
inline constexpr int push_mode = 32892;
inline constexpr int show_video = 32890;
inline constexpr int volume_control = 32805;
inline constexpr int text_chat = 32786;
inline constexpr int reload_chat = 32816;
// Sharing.
inline constexpr int share_desktop = 32781;
inline constexpr int share_application = 32780;
inline constexpr int request_remote_control = 32883;
inline constexpr int share_excel = 32897;
inline constexpr int share_word = 32898;
inline constexpr int share_powerpoint = 32900;
inline constexpr int share_browser = 32904;
// Whiteboard.
inline constexpr int pen_colour = 32771;
inline constexpr int pen_width = 32772;
inline constexpr int eraser_width = 32775;
inline constexpr int board_font = 32778;
inline constexpr int tool_pointer = 32776;
inline constexpr int tool_pen = 32773;
inline constexpr int tool_eraser = 32774;
inline constexpr int tool_text = 32777;
inline constexpr int tool_line = 32787;
inline constexpr int tool_void_rect = 32788;
inline constexpr int tool_solid_rect = 32789;
inline constexpr int tool_void_circle = 32790;
inline constexpr int tool_solid_circle = 32791;
inline constexpr int tool_void_round_rect = 32796;
inline constexpr int tool_solid_round_rect = 32797;
inline constexpr int show_pointer = 32795;
inline constexpr int board_zoom = 32792;
inline constexpr int board_undo = 32800;
inline constexpr int board_redo = 32801;
inline constexpr int board_reload = 32802;
inline constexpr int board_clear = 32804;
inline constexpr int board_upload = 32822;
inline constexpr int board_lock = 32866;
inline constexpr int paste_area = 32798;
inline constexpr int paste_window = 32799;
inline constexpr int board_open = 32813;
inline constexpr int board_save = 32814;
inline constexpr int board_save_as = 32815;
inline constexpr int board_save_picture = 32943;
inline constexpr int print = 57607;
inline constexpr int print_direct = 57608;
inline constexpr int print_preview = 57609;
// Recording and playback.
inline constexpr int record_start = 32923;
inline constexpr int record_pause = 32928;
inline constexpr int record_stop = 32927;
inline constexpr int play_record = 32924;
inline constexpr int play_pause = 32925;
inline constexpr int play_stop = 32926;
// View.
inline constexpr int misc_bar = 32835;
inline constexpr int ctrl_bar = 32837;
inline constexpr int audio_video_bar = 32839;
inline constexpr int full_screen = 32893;
// Tools and help.
inline constexpr int options = 32894;
inline constexpr int internet_update = 32933;
inline constexpr int customer_feedback = 32934;
inline constexpr int tell_friend = 32940;
inline constexpr int event_history = 32956;
inline constexpr int net_speed_test = 32946;
inline constexpr int invite_url = 33067;
inline constexpr int invite_outlook = 32895;
inline constexpr int help = 32884;
inline constexpr int about = 57664;
inline constexpr int exit = 57665;
// The framework's own edit commands, kept for the usual shortcuts.
inline constexpr int edit_copy = 57634;
inline constexpr int edit_paste = 57637;
} // namespace cmd

// What enables a command.
enum class CommandRule {
    always,
    connected,   // connected to a server
    logged_in,   // connected and logged in
    in_room,     // logged in and in a meeting room
    in_meeting,  // logged in, the meeting started and in a room
    presenter,   // in a room as the presenter
    board,       // in a meeting with the current board unlocked, or working off line
    own,         // the command's own state
};

// The state the rules read, taken at one moment.
struct CommandState {
    bool connected = false;
    bool logged_in = false;
    bool meeting_started = false;
    int room_number = -1;
    bool chairman = false;
    bool presenter = false;
    bool chairman_control = false;
    bool talk_allowed = false;
    bool push_mode = false;
    bool offline = false;
    bool talking = false;
    bool hand_raised = false;
    bool record_on = false;
    bool record_paused = false;
    bool play_on = false;
    bool play_paused = false;
    bool board_locked = false;
    int board_tool = 0;
    bool board_pointer = false;
    bool board_zoomed = false;
    int current_view = 2;
    // The frame's own flags.
    bool show_talk_bar = true;
    bool show_draw_bar = true;
    bool show_misc_bar = true;
    bool full_screen = false;
};

// The meeting state as the globals hold it now (the frame's own flags left at their defaults).
CommandState read_command_state();

struct FrameCommand {
    int id = 0;
    const char* text = "";      // menu text
    const char* tool_tip = "";  // bar buttons; the menu text when empty
    CommandRule rule = CommandRule::always;
    int tool_code = -1;         // drawing tools: the board's tool code
};

// Every command of the frame, in menu order within its group.
const std::vector<FrameCommand>& frame_commands();
// nullptr for an id the frame does not have.
const FrameCommand* find_frame_command(int id);

bool rule_allows(CommandRule rule, const CommandState& s);
bool command_enabled(int id, const CommandState& s);
bool command_checked(int id, const CommandState& s);
// Whether the command shows a check mark at all.
bool command_checkable(int id);

// The refusal of a meeting command, in the order logged in, room, role; empty
// when it may go ahead. Stop Meeting adds the chairman rule.
std::string start_meeting_refusal(const CommandState& s);
std::string stop_meeting_refusal(const CommandState& s);
// Sharing in chairman control mode is the presenter's.
std::string sharing_refusal(const CommandState& s);

// The meeting clock: "Meeting Started: hh:mm:ss" (label translated by the caller).
std::string meeting_clock_text(const std::string& label, int64_t elapsed_s);

// The frame's settings in "general", each checked: a bar flag other than 0
// or 1, a view index outside 1-4, a splitter size outside its bounds give the
// default.
struct FrameLayoutSettings {
    int show_talk_bar = 1;
    int show_draw_bar = 1;
    int show_misc_bar = 1;
    int left_width = 200;      // outer splitter: the left panel
    int upper_height = 350;    // inner splitter: the upper view
    int lower_height = 150;    // inner splitter: the chat view
};
inline constexpr int splitter_min_px = 20;
inline constexpr int splitter_max_px = 10000;
FrameLayoutSettings read_frame_layout_settings();
void write_bar_flag(const char* name, int shown);
void write_splitter_sizes(int left_width, int upper_height, int lower_height);
