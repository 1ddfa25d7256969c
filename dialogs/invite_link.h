#pragma once
// The two links that bring someone into a meeting through the service's web
// host: the invitation link that the user copies (its whole query written
// as "%xx" bytes) and the join link inside invitation mails.

#include <optional>
#include <string>
#include <vector>

// What a link carries: s, sn, sp, c, mr, ps.
struct InviteValues {
    std::string host;
    std::string display_name;
    int port = 0;
    std::string auth_code;
    std::string room_name;
    std::string room_password;
};

// The longest invitation link; no link of the dialog's limits reaches it.
inline constexpr size_t invite_link_limit = 4000;
inline constexpr size_t invite_display_name_limit = 127;
inline constexpr size_t invite_code_limit = 47;
inline constexpr size_t invite_room_limit = 63;
inline constexpr size_t invite_password_limit = 47;

struct InviteServer {
    std::string host;
    int port = 0;
};
// The server entry in use with exactly this display name; else the server
// of the current connection; nothing when there is neither.
std::optional<InviteServer> invite_server_by_display_name(const std::string& display_name);

// What the invitation-link dialog starts with.
struct InviteStart {
    // The display names of the server entries in use, in table order, and
    // the current server's after them when no entry bears its name, so the
    // link names the server the user is on.
    std::vector<std::string> servers;
    int server_index = 0;        // the current server's, else the first
    std::vector<std::string> rooms;
    int room_index = 0;          // the launch room's, else the first
    std::string room_text;       // the launch room name, or the first room's when there is none
    std::string auth_code;       // the launch values
    std::string room_password;
    int port_index = 0;          // the port choice equal to the current port, else "Default"
};
InviteStart invite_start();

// What Generate reads from the dialog.
struct InviteForm {
    std::string display_name;
    int port_index = 0;
    std::string auth_code;
    std::string room_name;
    std::string room_password;
};
// The link's values: the texts cut to their limits, the server entry with
// the display name (else the current server), the chosen port unless the
// choice is "Default". Nothing when no server is known at all.
std::optional<InviteValues> invite_values(const InviteForm& form);

// "s=%s&sn=%s&sp=%d&c=%s&mr=%s&ps=%s&ct=20", each value with '%', '&', '=',
// '#' and '+' written as "%XX", so the page can take the query apart again.
std::string invite_url_query(const InviteValues& values);
// The web host's link page (its Chinese page when the user's language is
// Chinese) with the query, every byte as '%' and two lower-case digits.
// web_base is "http://host[:port]".
std::string invite_url_link(const std::string& web_base, const InviteValues& values);

// The mail's join link: the values as typed, but a space, '%', '&', '=',
// '#', '+', '?', quotes, '<', '>', control bytes and bytes over 127 as "%XX".
std::string email_join_link(const std::string& web_base, const InviteValues& values);

// True when the user's language takes the Chinese link page (string 33894
// reads "\ch\" in it).
bool invite_link_chinese();
