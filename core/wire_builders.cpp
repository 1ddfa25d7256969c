#include "core/wire_builders.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/text_util.h"
#include "core/wire_head.h"

#include <array>
#include <cstring>

namespace {

// over_limit_line: logged when a body over the limit arrives (nullptr: cut quietly).
int send_message(Cwf_socket& socket, const WireHead& fields, std::string_view body, const char* over_limit_line)
{
    if (held_while_playing(fields.number))
        return 0;
    if (body.size() > static_cast<size_t>(wire_builder_body_limit)) {
        if (over_limit_line)
            dbg_log(over_limit_line, static_cast<int>(body.size()));
        body = body.substr(0, utf8_cut_length(body, wire_builder_body_limit));
    }
    std::array<char, wire_head_len + wire_builder_body_limit> message {};
    WireHead head = fields;
    head.length = static_cast<int>(body.size());
    if (!format_wire_head(message.data(), head)) {
        dbg_log("send_message: head %d:%d:%d:%d does not fit, not sent.\n", head.spare, head.address, head.number,
                head.length);
        return 0;
    }
    if (!body.empty())
        std::memcpy(message.data() + wire_head_len, body.data(), body.size());
    socket.my_send_fixed_len(message.data(), static_cast<int>(wire_head_len + body.size()));
    return 0;
}

} // namespace

int send_cmd(int number) { return send_message(g_main_sock, { 0, 0, number, 0 }, {}, nullptr); }

int send_cmd_data(int number, std::string_view text)
{
    return send_message(g_main_sock, { 0, 0, number, 0 }, text, "send_cmd_data: body of %d bytes cut to 1024.\n");
}

int send_cmd_to_all(int number) { return send_message(g_main_sock, { 0, wire_to_all, number, 0 }, {}, nullptr); }

int send_cmd_data_to_all(int number, std::string_view text)
{
    return send_message(g_main_sock, { 0, wire_to_all, number, 0 }, text, nullptr);
}

int send_app_sock_cmd(int number, int field2, int field1)
{
    return send_message(g_share_app_sock, { field1, field2, number, 0 }, {}, nullptr);
}

int send_app_sock_cmd_data(int number, int field2, int field1, std::string_view text)
{
    return send_message(g_share_app_sock, { field1, field2, number, 0 }, text,
                        "send_app_sock_cmd_data: body of %d bytes cut to 1024.\n");
}

int send_cmd_to_user(int number, int target) { return send_message(g_main_sock, { 0, target, number, 0 }, {}, nullptr); }

int send_wire_message(Cwf_socket& socket, int field2, int number, std::string_view body)
{
    WireHead head { 0, field2, number, static_cast<int>(body.size()) };
    if (body.size() > static_cast<size_t>(wire_field_max) || !wire_head_fits(head))
        return -1;
    std::string message = format_wire_head(head);
    message.append(body);
    int length = static_cast<int>(message.size());
    return socket.my_send_fixed_len(message.data(), length) == length ? 0 : -1;
}
