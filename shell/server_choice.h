#pragma once
// The connect dialog's decisions without the window: which servers it lists,
// what OK picks and refuses, and the auto-connect settings it writes.

#include "core/server_table.h"

#include <array>
#include <string>
#include <vector>

inline constexpr int manual_port_minimum = 50;
inline constexpr int manual_port_maximum = 65535;
inline constexpr size_t server_display_name_limit = 127;

// One line of the server list: the display name, and the table index as item data.
struct ServerLine {
    std::string show_name;
    int index = -1;
};
// The servers in use, from the last entry of the table to the first.
std::vector<ServerLine> server_list_lines();

struct ServerChoice {
    std::string host;
    int port = 0;
    std::string display_name;
};

// OK with a listed server: table_index is the selected line's item data (-1:
// no line selected). Returns the refusal's English text, or "" with choice filled.
std::string choose_listed_server(int table_index, int port_choice_index, ServerChoice& choice);
// OK with "Specify IP and port manually": the four address fields and the port edit's text.
std::string choose_manual_server(const std::array<int, 4>& address, const std::string& port_text, ServerChoice& choice);

// Makes the choice the current server of the global state.
void use_server_choice(const ServerChoice& choice);

// "general"/auto_connect, and with it the host, port and display name to connect to next time.
bool auto_connect_checked();
void store_auto_connect(bool checked, const ServerChoice& choice);
