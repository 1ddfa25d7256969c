#include "dialogs/invite_link.h"

#include "core/global_state.h"
#include "core/http_util.h"
#include "core/server_table.h"
#include "core/string_table.h"
#include "core/text_util.h"
#include "core/ui_text.h"

namespace {

constexpr const char* link_page = "/cgi-bin/brenmo/customer/cu_start_from_link_enc.pl?%s";
constexpr const char* link_page_chinese = "/cgi-bin/brenmo/customer/ch/cu_start_from_link_enc.pl?%s";
constexpr const char* email_page = "/cgi-bin/brenmo/customer/cu_start_from_email.pl?s=%s&sn=%s&sp=%d&c=%s&mr=%s&ps=%s";
constexpr int language_marker_string = 33894;

// A value inside the query: the bytes that would end or change it.
bool query_value_byte(unsigned char b) { return b == '%' || b == '&' || b == '=' || b == '#' || b == '+'; }

// A value inside the mail's link, which mail programs show and cut at blanks and quotes.
bool email_value_byte(unsigned char b)
{
    return b <= ' ' || b == 0x7f || b >= 0x80 || query_value_byte(b) || b == '?' || b == '"' || b == '\''
        || b == '<' || b == '>';
}

std::string percent_encode_bytes(std::string_view in, bool (*encode)(unsigned char byte))
{
    std::string out;
    for (char c : in) {
        auto b = static_cast<unsigned char>(c);
        if (encode(b))
            out += format_text("%%%02X", b);
        else
            out += c;
    }
    return out;
}

} // namespace

std::optional<InviteServer> invite_server_by_display_name(const std::string& display_name)
{
    for (int i = 0; i < server_count; ++i) {
        server_entry_record entry = server_entry_copy(i);
        if (entry.in_use && display_name == entry.show_name.data())
            return InviteServer { entry.host.data(), entry.port };
    }
    std::string host = g_server_host.get();
    if (host.empty())
        return std::nullopt;
    return InviteServer { host, g_server_port.load() };
}

InviteStart invite_start()
{
    InviteStart start;
    const std::string current = g_server_display_name.get();
    bool current_listed = false;
    for (int i = 0; i < server_count; ++i) {
        server_entry_record entry = server_entry_copy(i);
        if (!entry.in_use)
            continue;
        if (!current_listed && current == entry.show_name.data()) {
            current_listed = true;
            start.server_index = static_cast<int>(start.servers.size());
        }
        start.servers.emplace_back(entry.show_name.data());
    }
    if (!current_listed && !current.empty() && !g_server_host.get().empty()) {
        start.server_index = static_cast<int>(start.servers.size());
        start.servers.push_back(current);
    }

    const std::string launch_room = g_room_name.get();
    bool room_listed = false;
    for (const room_entry_record& room : room_entry) {
        if (!room.in_use)
            continue;
        if (!room_listed && launch_room == room.name.data()) {
            room_listed = true;
            start.room_index = static_cast<int>(start.rooms.size());
        }
        start.rooms.emplace_back(room.name.data());
    }
    start.room_text = launch_room.empty() && !start.rooms.empty() ? start.rooms[0] : launch_room;
    start.auth_code = g_access_code.get();
    start.room_password = g_room_password.get();

    const int port = g_server_port.load();
    for (int i = 0; i < port_choice_count; ++i) {
        if (port_choices()[static_cast<size_t>(i)].port == port) {
            start.port_index = i;
            break;
        }
    }
    return start;
}

std::optional<InviteValues> invite_values(const InviteForm& form)
{
    InviteValues v;
    v.display_name = cut_copy(form.display_name, invite_display_name_limit);
    std::optional<InviteServer> server = invite_server_by_display_name(v.display_name);
    if (!server)
        return std::nullopt;
    v.host = server->host;
    v.port = server->port;
    if (form.port_index > port_choice_default && form.port_index < port_choice_count)
        v.port = port_choices()[static_cast<size_t>(form.port_index)].port;
    v.auth_code = cut_copy(form.auth_code, invite_code_limit);
    v.room_name = cut_copy(form.room_name, invite_room_limit);
    v.room_password = cut_copy(form.room_password, invite_password_limit);
    return v;
}

std::string invite_url_query(const InviteValues& v)
{
    auto value = [](const std::string& text) { return percent_encode_bytes(text, query_value_byte); };
    return format_text("s=%s&sn=%s&sp=%d&c=%s&mr=%s&ps=%s&ct=20", value(v.host).c_str(), value(v.display_name).c_str(),
                       v.port, value(v.auth_code).c_str(), value(v.room_name).c_str(), value(v.room_password).c_str());
}

bool invite_link_chinese()
{
    const char* marker = string_table_text(language_marker_string);
    return marker && tr_text(marker) == "\\ch\\";
}

std::string invite_url_link(const std::string& web_base, const InviteValues& values)
{
    std::string encoded;
    hex_encode_all(invite_url_query(values), encoded, invite_link_limit + 1);
    std::string link = web_base + format_text(invite_link_chinese() ? link_page_chinese : link_page, encoded.c_str());
    return link;
}

std::string email_join_link(const std::string& web_base, const InviteValues& v)
{
    auto value = [](const std::string& text) { return percent_encode_bytes(text, email_value_byte); };
    return web_base + format_text(email_page, value(v.host).c_str(), value(v.display_name).c_str(), v.port,
                                  value(v.auth_code).c_str(), value(v.room_name).c_str(), value(v.room_password).c_str());
}
