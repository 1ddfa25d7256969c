#include "server/control_rooms.h"

#include "core/messages.h"
#include "core/text_util.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>

namespace {

constexpr size_t login_body_limit = 64;
constexpr size_t room_body_limit = 64;
constexpr size_t chat_body_limit = 8172;
constexpr size_t rest_room_chat_limit = 1000;
constexpr size_t name_limit_login = 31;

bool has_colon(std::string_view text) { return text.find(':') != std::string_view::npos; }

bool all_blank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char ch) { return ch == ' ' || ch == '\t'; });
}

// Splits at the first ':'; false when there is none.
bool split_pair(std::string_view body, std::string_view& first, std::string_view& second)
{
    size_t colon = body.find(':');
    if (colon == std::string_view::npos)
        return false;
    first = body.substr(0, colon);
    second = body.substr(colon + 1);
    return true;
}

std::string trim(std::string_view s)
{
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

bool parse_version(const std::string& text, std::array<int, 3>& out)
{
    std::array<int, 3> v {};
    char dot1 = 0, dot2 = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c%d%n", &v[0], &dot1, &v[1], &dot2, &v[2], &used) != 5 || dot1 != '.'
        || dot2 != '.' || static_cast<size_t>(used) != text.size())
        return false;
    for (int part : v)
        if (part < 0 || part > 9999)
            return false;
    out = v;
    return true;
}

bool valid_room_name(std::string_view name)
{
    return !name.empty() && !all_blank(name) && name.size() <= control_name_limit && !has_colon(name)
        && name.find('\0') == std::string_view::npos;
}

bool valid_password(std::string_view password)
{
    return password.size() <= control_password_limit && !has_colon(password);
}

} // namespace

std::string control_help_text(int report_port)
{
    std::string reports = report_port > 0
        ? format_text("  - Report datagrams to UDP port %d of the listening address are logged.\n", report_port)
        : std::string("  - No report datagrams are taken (--report-port 0).\n");
    return "\n"
           "Configuration (--config FILE, INI; without it one open room \"Lobby\"):\n"
           "  [general]   greeting = TEXT, newest_version = 1.9.4 (announced to clients),\n"
           "              company_text = TEXT, logo_file = NAME, access_code = CODE (every login must give it)\n"
           "  [room]      name = NAME, password = TEXT, chairman_password = TEXT (one section per room)\n"
           "  [servers]   server = NAME:HOST:PORT (one line each, handed to clients that ask)\n"
           "\n"
           "Rules:\n"
           "  - Login names are unique on the server; rooms need a login.\n"
           "  - The first member to enter a room becomes its chairman, unless the room has a\n"
           "    chairman password: then a member becomes chairman by asking with it.\n"
           "  - Only the chairman removes members, sets the room and chairman passwords, starts\n"
           "    the meeting, switches the talk mode, gives and stops the microphone in chairman\n"
           "    control mode, names or removes the presenter and answers presenter applications.\n"
           "  - In free mode anyone may stop the meeting, take the microphone and become presenter.\n"
           "  - Board navigation pushes come from the presenter only.\n"
           "  - Chat lines go to the whole room (the writer too), each headed by its writer's name;\n"
           "    private lines and every other relay stay inside the sender's room.\n"
           "  - Rooms that members create close when the last member leaves; configured rooms stay.\n"
           + reports;
}

ControlConfig default_control_config()
{
    ControlConfig config;
    config.rooms.push_back({ "Lobby", "", "" });
    return config;
}

bool read_control_config(const std::string& path, ControlConfig& config, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    config = ControlConfig {};
    std::string section;
    std::string line;
    int line_number = 0;
    auto fail = [&](const std::string& why) {
        error = format_text("%s:%d: %s", path.c_str(), line_number, why.c_str());
        return false;
    };
    while (std::getline(in, line)) {
        ++line_number;
        std::string l = trim(line);
        if (l.empty() || l[0] == ';' || l[0] == '#')
            continue;
        if (l.front() == '[') {
            if (l.back() != ']')
                return fail("section line without ']'");
            section = trim(std::string_view(l).substr(1, l.size() - 2));
            if (section == "room")
                config.rooms.push_back({});
            else if (section != "general" && section != "servers")
                return fail("unknown section [" + section + "]");
            continue;
        }
        size_t eq = l.find('=');
        if (eq == std::string::npos || section.empty())
            return fail("expected key = value inside a section");
        std::string key = trim(std::string_view(l).substr(0, eq));
        std::string value = trim(std::string_view(l).substr(eq + 1));
        if (section == "general") {
            if (key == "greeting")
                config.greeting = cut_copy(value, 2047);
            else if (key == "newest_version") {
                if (!parse_version(value, config.newest_version))
                    return fail("newest_version must read like 1.9.4");
            } else if (key == "company_text")
                config.company_text = cut_copy(value, 127);
            else if (key == "logo_file") {
                if (value.find('/') != std::string::npos || value.find('\\') != std::string::npos)
                    return fail("logo_file is a plain file name");
                config.logo_file = cut_copy(value, 127);
            } else if (key == "access_code") {
                if (value.size() > 30)
                    return fail("access_code has at most 30 characters");
                config.access_code = value;
            } else
                return fail("unknown key " + key);
        } else if (section == "room") {
            ControlRoomConfig& room = config.rooms.back();
            if (key == "name") {
                if (!valid_room_name(value))
                    return fail("a room name has 1 to 63 characters and no ':'");
                room.name = value;
            } else if (key == "password" || key == "chairman_password") {
                if (!valid_password(value))
                    return fail("a password has at most 16 characters and no ':'");
                (key == "password" ? room.password : room.chairman_password) = value;
            } else
                return fail("unknown key " + key);
        } else if (section == "servers") {
            if (key != "server")
                return fail("unknown key " + key);
            size_t a = value.find(':');
            size_t b = a == std::string::npos ? a : value.find(':', a + 1);
            int port = b == std::string::npos ? 0 : std::atoi(value.c_str() + b + 1);
            if (b == std::string::npos || a == 0 || b == a + 1 || port < 1 || port > 65535 || a > 127 || b - a - 1 > 127)
                return fail("a server reads name:host:port");
            config.servers.push_back({ value.substr(0, a), value.substr(a + 1, b - a - 1), port });
        }
    }
    for (size_t i = 0; i < config.rooms.size(); ++i) {
        if (config.rooms[i].name.empty()) {
            error = path + ": a [room] without a name";
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (config.rooms[j].name == config.rooms[i].name) {
                error = path + ": room " + config.rooms[i].name + " twice";
                return false;
            }
        }
    }
    if (config.rooms.size() > static_cast<size_t>(control_room_count)) {
        error = path + ": more than 100 rooms";
        return false;
    }
    if (config.servers.size() > 16) {
        error = path + ": more than 16 servers";
        return false;
    }
    return true;
}

ControlRooms::ControlRooms(ControlConfig config, ControlOutput& out, std::function<int64_t()> now_seconds)
    : config_(std::move(config))
    , out_(out)
    , now_seconds_(std::move(now_seconds))
{
    if (!now_seconds_) {
        now_seconds_ = [] {
            return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
    for (size_t i = 0; i < config_.rooms.size() && i < rooms_.size(); ++i) {
        Room& r = rooms_[i];
        r.number = out_.room_opened(config_.rooms[i].name);
        if (r.number < 0) {
            out_.log_line("no room number left for room " + config_.rooms[i].name);
            continue;
        }
        r.in_use = true;
        r.configured = true;
        r.name = config_.rooms[i].name;
        r.password = config_.rooms[i].password;
        r.chairman_password = config_.rooms[i].chairman_password;
    }
}

ControlRooms::Client* ControlRooms::find(int id)
{
    for (Client& c : clients_)
        if (c.id == id)
            return &c;
    return nullptr;
}

const ControlRooms::Client* ControlRooms::find(int id) const
{
    for (const Client& c : clients_)
        if (c.id == id)
            return &c;
    return nullptr;
}

ControlRooms::Client* ControlRooms::find_by_name(std::string_view name)
{
    for (Client& c : clients_)
        if (c.logged_in && c.name == name)
            return &c;
    return nullptr;
}

ControlRooms::Client* ControlRooms::member_in_room(int room, int id)
{
    Client* c = find(id);
    return c && room >= 0 && c->room == room ? c : nullptr;
}

ControlRooms::Room* ControlRooms::room_for(Client& c) { return c.room >= 0 ? &rooms_[static_cast<size_t>(c.room)] : nullptr; }

int ControlRooms::find_room(std::string_view name) const
{
    for (size_t i = 0; i < rooms_.size(); ++i)
        if (rooms_[i].in_use && rooms_[i].name == name)
            return static_cast<int>(i);
    return -1;
}

int ControlRooms::room_of(int customer_id) const
{
    const Client* c = find(customer_id);
    return c && c->room >= 0 ? rooms_[static_cast<size_t>(c->room)].number : -1;
}

bool ControlRooms::logged_in(int customer_id) const
{
    const Client* c = find(customer_id);
    return c && c->logged_in;
}

std::string ControlRooms::login_name(int customer_id) const
{
    const Client* c = find(customer_id);
    return c && c->logged_in ? c->name : std::string();
}

bool ControlRooms::is_chairman(int customer_id) const
{
    const Client* c = find(customer_id);
    return c && c->room >= 0 && rooms_[static_cast<size_t>(c->room)].chairman == customer_id;
}

bool ControlRooms::is_presenter(int customer_id) const
{
    const Client* c = find(customer_id);
    return c && c->room >= 0 && rooms_[static_cast<size_t>(c->room)].presenter == customer_id;
}

bool ControlRooms::in_chairman_control(int customer_id) const
{
    const Client* c = find(customer_id);
    return c && c->room >= 0 && rooms_[static_cast<size_t>(c->room)].chairman_control;
}

void ControlRooms::send(int id, int number, std::string_view body, int field2) { out_.send_to(id, field2, number, body); }

void ControlRooms::send_room(int room, int number, std::string_view body, int field2, int except)
{
    if (room < 0)
        return;
    // A copy: a send may not change the list, but the list must not be read while it could.
    std::vector<int> members = rooms_[static_cast<size_t>(room)].members;
    for (int id : members)
        if (id != except)
            send(id, number, body, field2);
}

void ControlRooms::send_logged_in(int number)
{
    for (const Client& c : clients_)
        if (c.logged_in)
            send(c.id, number);
}

void ControlRooms::refuse(const Client& c, int number, const char* why)
{
    out_.log_line(format_text("refused %d from %d: %s", number, c.id, why));
}

void ControlRooms::set_flags(Client& c, int flags)
{
    if (c.flags == flags)
        return;
    c.flags = flags;
    send_room(c.room, MSG_MEMBER_STATE, std::to_string(flags), c.id);
}

void ControlRooms::client_identified(int customer_id)
{
    if (find(customer_id))
        return;
    Client c;
    c.id = customer_id;
    clients_.push_back(c);
}

void ControlRooms::client_gone(int customer_id)
{
    if (handling_depth_ > 0) {
        gone_after_handling_.push_back(customer_id);
        return;
    }
    Client* c = find(customer_id);
    if (!c)
        return;
    if (c->room >= 0)
        leave_room(*c, 0);
    clients_.erase(std::find_if(clients_.begin(), clients_.end(), [&](const Client& x) { return x.id == customer_id; }));
}

const std::vector<int>& ControlRooms::numbers()
{
    static const std::vector<int> family = {
        MSG_LOGIN, MSG_LOGOUT, MSG_ROOM_LIST_REFRESH, MSG_ROOM_CREATE, MSG_ROOM_JOIN, MSG_ROOM_LEAVE, MSG_581,
        MSG_MEMBER_LIST_REFRESH, MSG_KICK_MEMBER, MSG_ROOM_SET_PASSWORD, MSG_SET_CHAIRMAN_PASSWORD, MSG_MEETING_START,
        MSG_MEETING_STOP, MSG_REQUEST_CHAIRMAN, MSG_GIVE_UP_CHAIRMAN, MSG_REQUEST_PRESENTER, MSG_GIVE_UP_PRESENTER,
        MSG_SET_PRESENTER, MSG_REMOVE_PRESENTER, MSG_APPLY_PRESENTER, MSG_PRESENTER_ACCEPT, MSG_PRESENTER_DENIED,
        MSG_RAISE_HAND, MSG_LOWER_HAND, MSG_TALK_START, MSG_TALK_STOP, MSG_MODE_FREE, MSG_MODE_CHAIRMAN,
        MSG_DISALLOW_TALK, MSG_ALLOW_TALK, MSG_PRIVATE_VOICE_REQUEST, MSG_TAKE_OVER_MIC, MSG_PRIVATE_VOICE_85,
        MSG_CHAT_TEXT, MSG_CHAT_RELOAD, MSG_PRIVATE_CHAT_SEND, MSG_REST_ROOM_REFRESH, MSG_REST_ROOM_CHAT_SEND,
        MSG_SHOW_POINTER, MSG_HIDE_POINTER, MSG_BOARD_NUMBER, MSG_BOARD_SELECT, MSG_BOARD_ZOOM_IN, MSG_BOARD_ZOOM_OUT,
        MSG_FULL_SCREEN_VIEW, MSG_FULL_SCREEN_VIEW_OFF, MSG_BOARD_VIEW, MSG_BOARD_NOTICE, MSG_ZOOM_ONE_PERSON,
        MSG_RESTORE_ZOOM, MSG_PROBE_ANSWER, MSG_SERVER_LIST_REQUEST, MSG_990, MSG_SERVER_VERSION_REQUEST, MSG_790,
        MSG_ROOM_OPTION_781,
    };
    return family;
}

bool ControlRooms::handle(int customer_id, int field2, int number, std::string_view body)
{
    const std::vector<int>& family = numbers();
    if (std::find(family.begin(), family.end(), number) == family.end())
        return false;
    ++handling_depth_;
    handle_one(customer_id, field2, number, body);
    --handling_depth_;
    while (handling_depth_ == 0 && !gone_after_handling_.empty()) {
        int id = gone_after_handling_.front();
        gone_after_handling_.erase(gone_after_handling_.begin());
        client_gone(id);
    }
    return true;
}

void ControlRooms::handle_one(int customer_id, int field2, int number, std::string_view body)
{
    Client* found = find(customer_id);
    if (!found) {
        out_.log_line(format_text("refused %d from %d: not identified", number, customer_id));
        return;
    }
    Client& c = *found;

    // What a client may ask before it logs in.
    switch (number) {
    case MSG_LOGIN: login(c, body); return;
    case MSG_SERVER_LIST_REQUEST: server_list(c); return;
    case MSG_990:
        send(c.id, MSG_NEW_VERSION,
             format_text("%4d:%4d:%4d", config_.newest_version[0], config_.newest_version[1], config_.newest_version[2]));
        return;
    case MSG_SERVER_VERSION_REQUEST:
        send(c.id, MSG_SERVER_VERSION,
             format_text("%8d:%8d:%8d", config_.server_version[0], config_.server_version[1], config_.server_version[2]));
        send(c.id, MSG_SERVER_VERSION_TEXT, config_.server_version_text);
        return;
    case MSG_PROBE_ANSWER:
        out_.log_line(format_text("probe answered by %d", c.id));
        return;
    default: break;
    }
    if (!c.logged_in) {
        refuse(c, number, "not logged in");
        send(c.id, MSG_NOT_LOGGED_IN);
        return;
    }

    switch (number) {
    case MSG_LOGOUT: logout(c); return;
    case MSG_790:
        if (!config_.company_text.empty())
            send(c.id, MSG_SERVER_TEXT_792, config_.company_text);
        if (!config_.logo_file.empty())
            send(c.id, MSG_COMPANY_LOGO, config_.logo_file);
        return;
    case MSG_ROOM_LIST_REFRESH: room_list(c); return;
    case MSG_ROOM_CREATE: create_room(c, body); return;
    case MSG_ROOM_JOIN: join_room(c, body); return;
    case MSG_REST_ROOM_REFRESH: rest_room_list(c); return;
    case MSG_REST_ROOM_CHAT_SEND: rest_room_chat(c, body); return;
    default: break;
    }
    if (c.room < 0) {
        refuse(c, number, "in no room");
        return;
    }

    switch (number) {
    case MSG_ROOM_LEAVE: leave_room(c, MSG_LEAVE_ROOM_OK); break;
    case MSG_581: send(c.id, MSG_PROBE); break;
    case MSG_MEMBER_LIST_REFRESH: member_list(c); break;
    case MSG_KICK_MEMBER: kick(c, body); break;
    case MSG_ROOM_SET_PASSWORD: set_password(c, body, false); break;
    case MSG_SET_CHAIRMAN_PASSWORD: set_password(c, body, true); break;
    case MSG_MEETING_START: meeting(c, true); break;
    case MSG_MEETING_STOP: meeting(c, false); break;
    case MSG_REQUEST_CHAIRMAN: request_chairman(c, body); break;
    case MSG_GIVE_UP_CHAIRMAN: give_up_chairman(c); break;
    case MSG_REQUEST_PRESENTER: request_presenter(c); break;
    case MSG_GIVE_UP_PRESENTER: give_up_presenter(c); break;
    case MSG_SET_PRESENTER: set_presenter(c, field2, true); break;
    case MSG_REMOVE_PRESENTER: set_presenter(c, field2, false); break;
    case MSG_APPLY_PRESENTER: apply_presenter(c); break;
    case MSG_PRESENTER_ACCEPT: answer_application(c, field2, true); break;
    case MSG_PRESENTER_DENIED: answer_application(c, field2, false); break;
    case MSG_RAISE_HAND: hand(c, true); break;
    case MSG_LOWER_HAND: hand(c, false); break;
    // Each member starts and stops its own part in the room's talk.
    case MSG_TALK_START: send(c.id, MSG_TALK_START); break;
    case MSG_TALK_STOP: send(c.id, MSG_TALK_STOP); break;
    case MSG_MODE_FREE: talk_mode(c, false); break;
    case MSG_MODE_CHAIRMAN: talk_mode(c, true); break;
    case MSG_ALLOW_TALK: allow_talk(c, field2); break;
    case MSG_DISALLOW_TALK: disallow_talk(c, field2); break;
    case MSG_TAKE_OVER_MIC:
        if (rooms_[static_cast<size_t>(c.room)].talker == c.id)
            stop_talker(rooms_[static_cast<size_t>(c.room)], 0);
        else
            refuse(c, number, "not the talker");
        break;
    case MSG_PRIVATE_VOICE_REQUEST:
    case MSG_PRIVATE_VOICE_85: private_voice(c, number, field2); break;
    case MSG_CHAT_TEXT: chat(c, body); break;
    case MSG_CHAT_RELOAD: chat_reload(c); break;
    case MSG_PRIVATE_CHAT_SEND: private_chat(c, body); break;
    case MSG_ROOM_OPTION_781: room_option(c, field2); break;
    default: board_push(c, number, field2, body); break;
    }
    return;
}

void ControlRooms::login(Client& c, std::string_view body)
{
    std::string_view name, code;
    const char* why = nullptr;
    if (body.size() > login_body_limit)
        why = "login body too long";
    else if (!split_pair(body, name, code))
        why = "login without ':'";
    else if (name.empty() || all_blank(name) || name.size() > name_limit_login || name.find('\0') != std::string_view::npos)
        why = "bad login name";
    else if (!config_.access_code.empty() && code != config_.access_code)
        why = "wrong access code";
    else if (c.logged_in && c.name != name)
        why = "logged in under another name";
    else if (Client* other = find_by_name(name); other && other != &c)
        why = "login name in use";
    if (why) {
        refuse(c, MSG_LOGIN, why);
        send(c.id, MSG_LOGIN_FAILED);
        return;
    }
    c.logged_in = true;
    c.name = std::string(name);
    out_.log_line(format_text("login %s as %d", c.name.c_str(), c.id));
    send(c.id, MSG_LOGIN_OK, c.name);
}

void ControlRooms::logout(Client& c)
{
    if (c.room >= 0)
        leave_room(c, 0);
    out_.log_line(format_text("logout %s (%d)", c.name.c_str(), c.id));
    c.logged_in = false;
    c.name.clear();
    send(c.id, MSG_NOT_LOGGED_IN);
}

void ControlRooms::room_list(Client& c)
{
    bool first = true;
    for (const Room& r : rooms_) {
        if (!r.in_use)
            continue;
        send(c.id, first ? MSG_ROOM_LIST_FIRST : MSG_ROOM_LIST_ADD, r.name);
        first = false;
    }
}

void ControlRooms::create_room(Client& c, std::string_view body)
{
    const char* why = nullptr;
    auto free_room = std::find_if(rooms_.begin(), rooms_.end(), [](const Room& r) { return !r.in_use; });
    if (body.size() > room_body_limit || !valid_room_name(body))
        why = "bad room name";
    else if (find_room(body) >= 0)
        why = "room exists";
    else if (free_room == rooms_.end())
        why = "no free room";
    int number = why ? -1 : out_.room_opened(std::string(body));
    if (!why && number < 0)
        why = "no room number left";
    if (why) {
        refuse(c, MSG_ROOM_CREATE, why);
        send(c.id, MSG_CREATE_ROOM_FAILED);
        return;
    }
    *free_room = Room {};
    free_room->in_use = true;
    free_room->number = number;
    free_room->name = std::string(body);
    out_.log_line(format_text("room %d %s created by %d", number, free_room->name.c_str(), c.id));
    send_logged_in(MSG_ROOM_LIST_CHANGED);
}

void ControlRooms::join_room(Client& c, std::string_view body)
{
    std::string_view name, password;
    int index = -1;
    int refusal = -1;
    const char* why = nullptr;
    if (body.size() > room_body_limit || !split_pair(body, name, password)) {
        why = "bad join body";
    } else if ((index = find_room(name)) < 0) {
        why = "no such room";
    } else if (rooms_[static_cast<size_t>(index)].password != password) {
        why = "wrong room password";
        refusal = -2;
    } else if (c.room != index && rooms_[static_cast<size_t>(index)].members.size() >= control_room_member_limit) {
        why = "room full";
        refusal = -3;
    }
    std::string shown = cut_copy(name, control_name_limit);
    if (why) {
        refuse(c, MSG_ROOM_JOIN, why);
        // A refused entry leaves the client in no room, so the server must
        // not keep it in the room it came from either.
        if (c.room >= 0)
            leave_room(c, 0);
        send(c.id, MSG_ROOM_ENTERED, format_text("%4d:%s", refusal, shown.c_str()));
        return;
    }
    Room& r = rooms_[static_cast<size_t>(index)];
    int number = r.number;
    if (c.room == index) {
        send(c.id, MSG_ROOM_ENTERED, format_text("%4d:%s", number, shown.c_str()));
        return;
    }
    // Moving between rooms: leave quietly, the entry below tells the client.
    if (c.room >= 0)
        leave_room(c, 0);
    c.room = index;
    c.flags = 0;
    r.members.push_back(c.id);
    out_.member_entered(c.id, number);
    bool becomes_chairman = r.chairman < 0 && r.chairman_password.empty();
    if (becomes_chairman) {
        r.chairman = c.id;
        c.flags |= member_flag_chairman;
    }
    out_.log_line(format_text("%s (%d) entered room %d %s", c.name.c_str(), c.id, number, r.name.c_str()));
    send(c.id, MSG_ROOM_ENTERED, format_text("%4d:%s", number, r.name.c_str()));
    if (becomes_chairman)
        send(c.id, MSG_CHAIRMAN_APPROVED, c.name);
    if (r.meeting_started) {
        send(c.id, MSG_MEETING_STARTED);
        send(c.id, MSG_MEETING_ELAPSED_TIME, std::to_string(now_seconds_() - r.meeting_start_seconds));
    }
    if (r.chairman_control)
        send(c.id, MSG_MODE_CHAIRMAN);
    if (r.full_screen_option != 0)
        send(c.id, MSG_784, {}, r.full_screen_option);
    send_room(index, MSG_MEMBER_JOINED, c.name, 0, c.id);
    // The others' pages ask for the list again; the newcomer's asks on entering.
    send_room(index, MSG_MEMBERS_NOTICE_116, {}, 0, c.id);
    // A late joiner gets the room's recent chat.
    if (!r.chat.empty())
        chat_reload(c);
}

void ControlRooms::leave_room(Client& c, int notice)
{
    int index = c.room;
    Room& r = rooms_[static_cast<size_t>(index)];
    if (r.talker == c.id)
        stop_talker(r, 0);
    if (r.chairman == c.id)
        r.chairman = -1;
    if (r.presenter == c.id)
        r.presenter = -1;
    r.members.erase(std::remove(r.members.begin(), r.members.end(), c.id), r.members.end());
    c.room = -1;
    c.flags = 0;
    out_.member_left(c.id);
    out_.log_line(format_text("%s (%d) left room %d %s", c.name.c_str(), c.id, r.number, r.name.c_str()));
    if (notice != 0)
        send(c.id, notice);
    send_room(index, MSG_MEMBER_LEFT, c.name);
    send_room(index, MSG_MEMBERS_NOTICE_116);
    delete_if_empty(index);
}

void ControlRooms::delete_if_empty(int index)
{
    Room& r = rooms_[static_cast<size_t>(index)];
    if (!r.members.empty())
        return;
    if (r.configured) {
        // A configured room stays, with its passwords, for the next meeting.
        Room kept;
        kept.in_use = true;
        kept.configured = true;
        kept.number = r.number;
        kept.name = r.name;
        kept.password = r.password;
        kept.chairman_password = r.chairman_password;
        r = kept;
        return;
    }
    out_.log_line(format_text("room %d %s closed", r.number, r.name.c_str()));
    out_.room_closed(r.number);
    r = Room {};
    send_logged_in(MSG_ROOM_LIST_CHANGED);
}

void ControlRooms::member_list(Client& c)
{
    const Room& r = rooms_[static_cast<size_t>(c.room)];
    bool first = true;
    for (int id : std::vector<int>(r.members)) {
        const Client* m = find(id);
        if (!m)
            continue;
        std::string record = m->name;
        record.push_back('\0');
        record += format_text("%4d", m->id);
        send(c.id, first ? MSG_MEMBER_LIST_FIRST : MSG_MEMBER_LIST_ADD, record, m->flags);
        first = false;
    }
    // The video windows' member choices follow the list the page now holds.
    send(c.id, MSG_MEMBERS_NOTICE_780);
}

void ControlRooms::kick(Client& c, std::string_view body)
{
    Room& r = *room_for(c);
    if (r.chairman != c.id)
        return refuse(c, MSG_KICK_MEMBER, "not the chairman");
    Client* target = body.size() <= room_body_limit ? find_by_name(body) : nullptr;
    if (!target || target->room != c.room || target == &c)
        return refuse(c, MSG_KICK_MEMBER, "no such member to remove");
    out_.log_line(format_text("%s (%d) removed from room %d by %d", target->name.c_str(), target->id, room_of(c.id), c.id));
    leave_room(*target, MSG_KICKED_OUT);
}

void ControlRooms::set_password(Client& c, std::string_view body, bool chairman_password)
{
    Room& r = *room_for(c);
    int ok = chairman_password ? MSG_SET_CHAIRMAN_PASSWORD_OK : MSG_SET_ROOM_PASSWORD_OK;
    int failed = chairman_password ? MSG_SET_CHAIRMAN_PASSWORD_FAILED : MSG_SET_ROOM_PASSWORD_FAILED;
    int number = chairman_password ? MSG_SET_CHAIRMAN_PASSWORD : MSG_ROOM_SET_PASSWORD;
    std::string& current = chairman_password ? r.chairman_password : r.password;
    std::string_view old_password, new_password;
    const char* why = nullptr;
    if (r.chairman != c.id)
        why = "not the chairman";
    else if (body.size() > room_body_limit || !split_pair(body, old_password, new_password))
        why = "bad password body";
    else if (old_password != current)
        why = "old password wrong";
    else if (!valid_password(new_password))
        why = "bad new password";
    if (why) {
        refuse(c, number, why);
        send(c.id, failed);
        return;
    }
    current = std::string(new_password);
    send(c.id, ok);
}

void ControlRooms::meeting(Client& c, bool start)
{
    Room& r = *room_for(c);
    if (start) {
        if (r.chairman != c.id)
            return refuse(c, MSG_MEETING_START, "not the chairman");
        if (!r.meeting_started) {
            r.meeting_started = true;
            r.meeting_start_seconds = now_seconds_();
        }
        send_room(c.room, MSG_MEETING_STARTED);
        send_room(c.room, MSG_MEETING_ELAPSED_TIME, std::to_string(now_seconds_() - r.meeting_start_seconds));
        return;
    }
    if (r.chairman_control && r.chairman != c.id)
        return refuse(c, MSG_MEETING_STOP, "not the chairman in chairman control mode");
    r.meeting_started = false;
    send_room(c.room, MSG_MEETING_STOPPED);
}

void ControlRooms::request_chairman(Client& c, std::string_view body)
{
    Room& r = *room_for(c);
    if (r.chairman == c.id) {
        send(c.id, MSG_CHAIRMAN_APPROVED, c.name);
        return;
    }
    const char* why = nullptr;
    if (r.chairman >= 0)
        why = "room has a chairman";
    else if (!r.chairman_password.empty() && body != r.chairman_password)
        why = "wrong chairman password";
    if (why) {
        refuse(c, MSG_REQUEST_CHAIRMAN, why);
        send(c.id, MSG_CHAIRMAN_DENIED);
        return;
    }
    r.chairman = c.id;
    send(c.id, MSG_CHAIRMAN_APPROVED, c.name);
    send_room(c.room, MSG_BECOME_CHAIRMAN, c.name, 0, c.id);
    set_flags(c, c.flags | member_flag_chairman);
}

void ControlRooms::give_up_chairman(Client& c)
{
    Room& r = *room_for(c);
    if (r.chairman != c.id)
        return refuse(c, MSG_GIVE_UP_CHAIRMAN, "not the chairman");
    r.chairman = -1;
    send(c.id, MSG_CHAIRMAN_GIVEN_UP, c.name);
    set_flags(c, c.flags & ~member_flag_chairman);
}

void ControlRooms::drop_presenter(Room& r, int notice)
{
    Client* old = find(r.presenter);
    r.presenter = -1;
    if (!old)
        return;
    send(old->id, notice, old->name);
    set_flags(*old, old->flags & ~member_flag_presenter);
}

void ControlRooms::make_presenter(Room& r, Client& target)
{
    if (r.presenter == target.id)
        return;
    if (r.presenter >= 0)
        drop_presenter(r, MSG_PRESENTER_CLEAR);
    r.presenter = target.id;
    send_room(target.room, MSG_BECOME_PRESENTER, target.name, 0, target.id);
    set_flags(target, target.flags | member_flag_presenter);
}

void ControlRooms::request_presenter(Client& c)
{
    Room& r = *room_for(c);
    if (r.chairman_control && r.chairman != c.id) {
        refuse(c, MSG_REQUEST_PRESENTER, "chairman control mode: apply instead");
        send(c.id, MSG_PRESENTER_DENIED);
        return;
    }
    make_presenter(r, c);
    send(c.id, MSG_PRESENTER_APPROVED, c.name);
}

void ControlRooms::give_up_presenter(Client& c)
{
    Room& r = *room_for(c);
    if (r.presenter != c.id)
        return refuse(c, MSG_GIVE_UP_PRESENTER, "not the presenter");
    drop_presenter(r, MSG_PRESENTER_GIVEN_UP);
}

void ControlRooms::set_presenter(Client& c, int target, bool set)
{
    Room& r = *room_for(c);
    int number = set ? MSG_SET_PRESENTER : MSG_REMOVE_PRESENTER;
    if (r.chairman != c.id)
        return refuse(c, number, "not the chairman");
    Client* t = member_in_room(c.room, target);
    if (!t)
        return refuse(c, number, "no such member in the room");
    if (set) {
        make_presenter(r, *t);
        send(t->id, MSG_PRESENTER_SET);
    } else if (r.presenter == t->id) {
        drop_presenter(r, MSG_PRESENTER_CLEAR);
    }
}

void ControlRooms::apply_presenter(Client& c)
{
    Room& r = *room_for(c);
    if (r.chairman < 0) {
        refuse(c, MSG_APPLY_PRESENTER, "no chairman to ask");
        send(c.id, MSG_PRESENTER_DENIED);
        return;
    }
    send(r.chairman, MSG_PRESENTER_APPLY, c.name, c.id);
}

void ControlRooms::answer_application(Client& c, int target, bool accept)
{
    Room& r = *room_for(c);
    int number = accept ? MSG_PRESENTER_ACCEPT : MSG_PRESENTER_DENIED;
    if (r.chairman != c.id)
        return refuse(c, number, "not the chairman");
    Client* t = member_in_room(c.room, target);
    if (!t)
        return refuse(c, number, "no such member in the room");
    if (accept) {
        make_presenter(r, *t);
        send(t->id, MSG_PRESENTER_APPROVED, t->name);
    } else {
        send(t->id, MSG_PRESENTER_DENIED, c.name);
    }
}

void ControlRooms::hand(Client& c, bool raise)
{
    send(c.id, raise ? MSG_HAND_BUTTON_422 : MSG_HAND_BUTTON_423, c.name);
    if (((c.flags & member_flag_hand) != 0) == raise)
        return;
    send_room(c.room, raise ? MSG_HAND_RAISED : MSG_HAND_LOWERED, c.name, 0, c.id);
    set_flags(c, raise ? c.flags | member_flag_hand : c.flags & ~member_flag_hand);
}

void ControlRooms::talk_mode(Client& c, bool chairman_control)
{
    Room& r = *room_for(c);
    int number = chairman_control ? MSG_MODE_CHAIRMAN : MSG_MODE_FREE;
    if (r.chairman != c.id)
        return refuse(c, number, "not the chairman");
    r.chairman_control = chairman_control;
    send_room(c.room, number);
}

void ControlRooms::stop_talker(Room& r, int notice)
{
    Client* old = find(r.talker);
    r.talker = -1;
    if (!old)
        return;
    if (notice != 0)
        send(old->id, notice);
    send_room(old->room, MSG_TALKER_GAVE_UP, old->name);
    set_flags(*old, old->flags & ~member_flag_talking);
}

void ControlRooms::allow_talk(Client& c, int target)
{
    Room& r = *room_for(c);
    Client* t = member_in_room(c.room, target);
    if (!t)
        return refuse(c, MSG_ALLOW_TALK, "no such member in the room");
    // Taking the microphone oneself is free in free mode.
    bool may = r.chairman == c.id || (t == &c && !r.chairman_control);
    if (!may)
        return refuse(c, MSG_ALLOW_TALK, "not the chairman");
    if (r.talker == t->id)
        return;
    if (r.talker >= 0)
        stop_talker(r, MSG_DISALLOW_TALK);
    r.talker = t->id;
    send(t->id, MSG_ALLOW_TALK);
    send_room(c.room, MSG_TALKER_CHANGED, t->name);
    set_flags(*t, t->flags | member_flag_talking);
}

void ControlRooms::disallow_talk(Client& c, int target)
{
    Room& r = *room_for(c);
    if (r.chairman != c.id && target != c.id)
        return refuse(c, MSG_DISALLOW_TALK, "not the chairman");
    if (r.talker != target || !member_in_room(c.room, target))
        return refuse(c, MSG_DISALLOW_TALK, "member is not talking");
    stop_talker(r, MSG_DISALLOW_TALK);
}

void ControlRooms::private_voice(Client& c, int number, int target)
{
    Client* t = member_in_room(c.room, target);
    if (!t || t == &c)
        return refuse(c, number, "no such member in the room");
    send(t->id, number, {}, c.id);
    // The requester sends 85 with 39, the partner answers with 85: once both
    // have, the one who answered links to the other directly.
    if (number == MSG_PRIVATE_VOICE_85) {
        c.private_voice_to = t->id;
        if (t->private_voice_to == c.id) {
            out_.private_voice_agreed(c.id, t->id);
            c.private_voice_to = -1;
            t->private_voice_to = -1;
        }
    }
}

void ControlRooms::chat(Client& c, std::string_view body)
{
    if (body.size() > chat_body_limit)
        return refuse(c, MSG_CHAT_TEXT, "chat line too long");
    // Every line names its writer; the style bytes behind the zero stay as sent.
    size_t nul = body.find('\0');
    std::string_view text = body.substr(0, nul);
    std::string_view style = nul == std::string_view::npos ? std::string_view() : body.substr(nul);
    std::string prefix = c.name + ": ";
    size_t room_for_text = chat_body_limit - prefix.size() - std::min<size_t>(style.size(), 6);
    std::string line = prefix + cut_copy(text, room_for_text);
    line.append(style.substr(0, 6));
    Room& r = *room_for(c);
    r.chat_bytes += line.size();
    r.chat.push_back(line);
    while (r.chat.size() > control_chat_history_lines || r.chat_bytes > control_chat_history_bytes) {
        r.chat_bytes -= r.chat.front().size();
        r.chat.pop_front();
    }
    send_room(c.room, MSG_CHAT_TEXT, line);
}

void ControlRooms::chat_reload(Client& c)
{
    const Room& r = *room_for(c);
    bool first = true;
    for (const std::string& line : std::deque<std::string>(r.chat)) {
        send(c.id, first ? MSG_CHAT_RELOAD_FIRST : MSG_CHAT_RELOAD_ADD, line);
        first = false;
    }
}

void ControlRooms::private_chat(Client& c, std::string_view body)
{
    std::string_view target_name, rest;
    if (body.size() > chat_body_limit || !split_pair(body, target_name, rest))
        return refuse(c, MSG_PRIVATE_CHAT_SEND, "bad private chat body");
    Client* t = find_by_name(target_name);
    if (!t || t->room != c.room) {
        refuse(c, MSG_PRIVATE_CHAT_SEND, "no such member in the room");
        send(c.id, MSG_MAIN_FRAME_NOTICE_128);
        return;
    }
    size_t nul = rest.find('\0');
    std::string_view text = rest.substr(0, nul);
    std::string_view style = nul == std::string_view::npos ? std::string_view() : rest.substr(nul, 6);
    std::string line = c.name + ":";
    line += cut_copy(text, chat_body_limit - line.size() - style.size());
    line.append(style);
    send(t->id, MSG_PRIVATE_CHAT, line);
}

void ControlRooms::rest_room_list(Client& c)
{
    bool first = true;
    for (const Client& m : std::vector<Client>(clients_)) {
        if (!m.logged_in || m.room >= 0)
            continue;
        send(c.id, first ? MSG_REST_ROOM_LIST_FIRST : MSG_REST_ROOM_LIST_ADD, m.name);
        first = false;
    }
}

void ControlRooms::rest_room_chat(Client& c, std::string_view body)
{
    if (c.room >= 0)
        return refuse(c, MSG_REST_ROOM_CHAT_SEND, "in a meeting room, not in the rest room");
    if (body.size() > rest_room_chat_limit)
        return refuse(c, MSG_REST_ROOM_CHAT_SEND, "rest room line too long");
    std::string line = c.name + ": " + std::string(body);
    for (const Client& m : std::vector<Client>(clients_))
        if (m.logged_in && m.room < 0)
            send(m.id, MSG_REST_ROOM_CHAT, line);
}

void ControlRooms::board_push(Client& c, int number, int field2, std::string_view body)
{
    const Room& r = *room_for(c);
    bool pointer = number == MSG_SHOW_POINTER || number == MSG_HIDE_POINTER;
    if (!pointer && r.presenter != c.id)
        return refuse(c, number, "not the presenter");
    if (body.size() > 1024)
        return refuse(c, number, "body too long");
    send_room(c.room, number, body, field2, c.id);
}

void ControlRooms::room_option(Client& c, int field2)
{
    Room& r = *room_for(c);
    if (r.chairman != c.id)
        return refuse(c, MSG_ROOM_OPTION_781, "not the chairman");
    r.full_screen_option = field2 & 1;
    send_room(c.room, MSG_784, {}, r.full_screen_option);
}

void ControlRooms::server_list(Client& c)
{
    // Without servers to hand out the end of the list still comes, so a
    // client waiting for the list knows there is nothing more.
    for (size_t i = 0; i < config_.servers.size(); ++i) {
        const ControlServerEntry& s = config_.servers[i];
        send(c.id, i == 0 ? MSG_SERVER_LIST : MSG_SERVER_ADDRESS,
             format_text("%s:%s:%d", s.show_name.c_str(), s.host.c_str(), s.port));
    }
    send(c.id, MSG_SERVER_LIST_SAVE);
}
