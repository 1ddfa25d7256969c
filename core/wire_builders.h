#pragma once
// The generic builders of short messages. Each formats the head, copies the
// body right behind it in one stack buffer and hands the whole message to the
// connection's scrambling send: the main connection, or the application
// connection for the send_app_sock_ ones.
//
// Numbers are plain ints; a body is a std::string_view (its bytes, no
// terminator, may hold any byte). Bodies are at most 1024 bytes: longer ones
// are cut to 1024 (and, where the caller should never have passed one, a
// line is logged). A head field outside -999..9999 sends nothing.
//
// The builders return 0 whatever the send gave; a sender that must know
// whether the message left calls my_send_fixed_len itself.

#include <string_view>

inline constexpr int wire_builder_body_limit = 1024;

int send_cmd(int number);
int send_cmd_data(int number, std::string_view text);
int send_cmd_to_all(int number);
int send_cmd_data_to_all(int number, std::string_view text);
int send_app_sock_cmd(int number, int field2, int field1);
int send_app_sock_cmd_data(int number, int field2, int field1, std::string_view text);
int send_cmd_to_user(int number, int target);

class Cwf_socket;
// One message with a body of up to 9999 bytes on the given connection, field
// 1 = 0: for senders that must know whether it left (file transfers). 0 when
// it left whole, -1 otherwise (a head that does not fit sends nothing).
int send_wire_message(Cwf_socket& socket, int field2, int number, std::string_view body);
