#pragma once
// The two links that bring someone into a meeting through the service's web
// host: the invitation link that the user copies (its whole query written
// as "%xx" bytes) and the join link inside invitation mails.

#include <optional>
#include <string>

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
