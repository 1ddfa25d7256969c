#pragma once
// The servers the client knows: four built in (entries 0-3) and up to sixteen
// more (entries 4-19) that a server hands out and the settings keep between
// runs (section "servers", values "show%d", "addr%d", "port%d").

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int server_count = 20;
inline constexpr int server_builtin_count = 4;
inline constexpr int server_default_port = 9081;
inline constexpr const char* server_list_section = "servers";

struct server_entry_record {
    int32_t in_use = 0;
    std::array<char, 128> show_name {};
    std::array<char, 128> host {};
    int32_t port = server_default_port;
};

// The port lists of the connect and invitation dialogs. "Default" first:
// it means the chosen server's own port.
struct PortChoice {
    const char* text;
    int port;
};
inline constexpr int port_choice_default = 0;
inline constexpr int port_choice_count = 9;
const std::array<PortChoice, port_choice_count>& port_choices();

// Written by the receive thread (361, 362) and by start-up, read by the
// connect dialog: change it through the functions below and read it with
// server_entry_copy, which take the shared text lock.
extern std::array<server_entry_record, server_count> server_entry;

server_entry_record server_entry_copy(int index);

// Every entry unused with port 9081, the four built-in ones in use, then the
// stored entries 4-19.
void load_default_servers();

// One item "show name:host:port". A malformed item shows "address from server
// format not correct." and returns -1; a full table drops the item (-1).
int do_server_address_from_server(std::string_view body);

// The three values of one entry under the section key. -1 when a write fails
// ("set value failed!" for the show name).
int save_server_slot(int index, const char* key);
// Leaves the entry unchanged unless all three values are stored.
int load_server_slot(int index, const char* key);
int server_list_save();
int server_list_retrieve();

// How many server lists (363) were saved since the start: the connect
// dialog waits for it to change after asking for a list.
extern std::atomic<int> g_server_list_saves;

// The handlers of the server list.
void do_server_list_from_server(const char* body, int body_len);    // 361: first item
void do_server_address_item_from_server(const char* body, int body_len); // 362
void do_server_list_save_from_server();                              // 363

// Makes load_default_servers the server-table step of init_global_state.
void install_server_table();
