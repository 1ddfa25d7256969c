#pragma once
// The server's meeting bookkeeping: who is logged in, the rooms with their
// passwords, members, roles, hands, talk mode and chat history, and the
// rest room. It knows nothing of sockets: it is told what a client sent and
// answers through a ControlOutput, so the rules can be tested on their own.
//
// Rules (also in `tamblo-server --help`):
// - A client logs in (139) once identified; login names are unique on the
//   server. Everything else but the version and server-list requests needs a
//   login (else 134).
// - The first member to enter a room becomes its chairman unless the room has
//   a chairman password; with one, a member becomes chairman by asking (425)
//   with that password while the room has no chairman.
// - Only the chairman removes members (114), sets the room and chairman
//   passwords (108, 172), starts the meeting (119), switches the talk mode
//   (34, 35), allows or stops talkers (38, 36), names or removes the presenter
//   (690, 691), answers presenter applications (696, 697) and sets the room
//   option (781). In free mode anyone may stop the meeting and take the
//   microphone.
// - Board navigation pushes (410-417, 710, 711) come from the presenter only.
// - Nothing crosses rooms: every relay and every member named in head field 2
//   or in a body must be in the sender's room.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct ControlRoomConfig {
    std::string name;
    std::string password;
    std::string chairman_password;
};

struct ControlServerEntry {
    std::string show_name;
    std::string host;
    int port = 9081;
};

struct ControlConfig {
    std::vector<ControlRoomConfig> rooms;
    std::vector<ControlServerEntry> servers; // handed out for 364
    std::string greeting;                    // 999
    std::array<int, 3> newest_version { 1, 9, 4 };   // 991
    std::array<int, 3> server_version { 1, 9, 4 };   // 993
    std::string server_version_text;                 // 994
    std::string company_text;  // 792, when not empty
    std::string logo_file;     // 791, when not empty
    std::string access_code;   // when not empty, every login must give it
};

// The configuration file and the rules, for --help, with the report port in use (0: none).
std::string control_help_text(int report_port);

// Reads the INI configuration; fills error and returns false when it cannot.
// Without a file the server runs with one open room "Lobby".
bool read_control_config(const std::string& path, ControlConfig& config, std::string& error);
ControlConfig default_control_config();

class ControlOutput {
public:
    virtual ~ControlOutput() = default;
    virtual void send_to(int customer_id, int field2, int number, std::string_view body) = 0;
    virtual void log_line(const std::string& line) = 0;
    // The rooms and their members as the rest of the server sees them (the
    // relays of every other family go by them). room_opened gives the room's
    // number, -1 when none is left.
    virtual int room_opened(const std::string& name) = 0;
    virtual void room_closed(int room_number) = 0;
    virtual void member_entered(int customer_id, int room_number) = 0;
    virtual void member_left(int customer_id) = 0;
    // Two members have each sent the other 85: their private voice may run
    // over a direct peer link, which customer_id opens to partner_id.
    virtual void private_voice_agreed(int /*customer_id*/, int /*partner_id*/) {}
};

// Member flags of 112, 113 and 424.
inline constexpr int member_flag_chairman = 1;
inline constexpr int member_flag_presenter = 2;
inline constexpr int member_flag_hand = 4;
inline constexpr int member_flag_talking = 8;

inline constexpr int control_room_count = 100;
inline constexpr int control_room_member_limit = 100;
inline constexpr size_t control_name_limit = 63;
inline constexpr size_t control_password_limit = 16;
// The chat a room keeps for reloads: its last lines, within both bounds.
inline constexpr size_t control_chat_history_lines = 200;
inline constexpr size_t control_chat_history_bytes = 64 * 1024;

class ControlRooms {
public:
    // now_seconds gives the time for the meeting clock.
    // Opens the configured rooms through out.
    ControlRooms(ControlConfig config, ControlOutput& out, std::function<int64_t()> now_seconds = {});

    // The client's main connection has identified itself (its 80).
    void client_identified(int customer_id);
    // The main connection closed: the client leaves its room and the server.
    // A client dropped while one of its messages is being handled (a send
    // found its queue full) goes once that message is done.
    void client_gone(int customer_id);

    // The message numbers this family answers.
    static const std::vector<int>& numbers();

    // One message from a client's main connection. Returns false when the
    // message is not one of the control family (the caller may pass it on).
    bool handle(int customer_id, int field2, int number, std::string_view body);

    // The number of the room a client is in, -1 when none.
    int room_of(int customer_id) const;
    bool logged_in(int customer_id) const;
    // The login name, empty when not logged in.
    std::string login_name(int customer_id) const;
    // True when the client is the chairman of the room it is in.
    bool is_chairman(int customer_id) const;
    bool is_presenter(int customer_id) const;
    // True when the room the client is in is in chairman control mode.
    bool in_chairman_control(int customer_id) const;
    const ControlConfig& config() const { return config_; }

private:
    struct Client {
        int id = 0;
        bool logged_in = false;
        std::string name;
        int room = -1;
        int flags = 0;
        int private_voice_to = -1;  // the member this client last sent 85
    };
    struct Room {
        bool in_use = false;
        bool configured = false;
        int number = -1; // as the rest of the server knows it
        std::string name, password, chairman_password;
        std::vector<int> members; // in the order they entered
        int chairman = -1, presenter = -1, talker = -1;
        bool meeting_started = false;
        int64_t meeting_start_seconds = 0;
        bool chairman_control = false;
        int full_screen_option = 0;
        std::deque<std::string> chat;
        size_t chat_bytes = 0;
    };

    void handle_one(int customer_id, int field2, int number, std::string_view body);
    Client* find(int id);
    const Client* find(int id) const;
    Client* find_by_name(std::string_view name);
    Client* member_in_room(int room, int id);
    Room* room_for(Client& c);
    int find_room(std::string_view name) const;

    void send(int id, int number, std::string_view body = {}, int field2 = 0);
    void send_room(int room, int number, std::string_view body = {}, int field2 = 0, int except = -1);
    void send_logged_in(int number);
    void refuse(const Client& c, int number, const char* why);
    void set_flags(Client& c, int flags);

    void login(Client& c, std::string_view body);
    void logout(Client& c);
    void room_list(Client& c);
    void create_room(Client& c, std::string_view body);
    void join_room(Client& c, std::string_view body);
    void leave_room(Client& c, int notice);
    void member_list(Client& c);
    void kick(Client& c, std::string_view body);
    void set_password(Client& c, std::string_view body, bool chairman_password);
    void meeting(Client& c, bool start);
    void request_chairman(Client& c, std::string_view body);
    void give_up_chairman(Client& c);
    void make_presenter(Room& r, Client& target);
    void drop_presenter(Room& r, int notice);
    void request_presenter(Client& c);
    void give_up_presenter(Client& c);
    void set_presenter(Client& c, int target, bool set);
    void apply_presenter(Client& c);
    void answer_application(Client& c, int target, bool accept);
    void hand(Client& c, bool raise);
    void talk_mode(Client& c, bool chairman_control);
    void allow_talk(Client& c, int target);
    void stop_talker(Room& r, int notice);
    void disallow_talk(Client& c, int target);
    void private_voice(Client& c, int number, int target);
    void chat(Client& c, std::string_view body);
    void chat_reload(Client& c);
    void private_chat(Client& c, std::string_view body);
    void rest_room_list(Client& c);
    void rest_room_chat(Client& c, std::string_view body);
    void board_push(Client& c, int number, int field2, std::string_view body);
    void room_option(Client& c, int field2);
    void server_list(Client& c);
    void delete_if_empty(int room);

    ControlConfig config_;
    ControlOutput& out_;
    std::function<int64_t()> now_seconds_;
    std::vector<Client> clients_;
    int handling_depth_ = 0;
    std::vector<int> gone_after_handling_;
    std::array<Room, control_room_count> rooms_ {};
};
