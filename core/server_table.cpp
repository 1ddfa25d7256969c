#include "core/server_table.h"

#include "core/build_config.h"
#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "core/shared_text.h"
#include "core/text_util.h"
#include "platform/sys/registry_store.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>

std::array<server_entry_record, server_count> server_entry;

namespace {

struct BuiltInServer {
    const char* show_name;
    const char* host;
    int port;
};

// The connect dialog lists the table from its last entry to its first and
// selects the first line: the local server is the last built-in entry, so
// that it is the one chosen until a server hands out a list.
constexpr std::array<BuiltInServer, server_builtin_count> built_in_servers = { {
    { TAMBLO_SERVER_1_NAME, TAMBLO_SERVER_1_HOST, TAMBLO_SERVER_1_PORT },
    { TAMBLO_SERVER_2_NAME, TAMBLO_SERVER_2_HOST, TAMBLO_SERVER_2_PORT },
    { TAMBLO_SERVER_3_NAME, TAMBLO_SERVER_3_HOST, TAMBLO_SERVER_3_PORT },
    { "Local server", "127.0.0.1", server_default_port },
} };

constexpr std::array<PortChoice, port_choice_count> choices = { {
    { "Default", server_default_port },
    { "irc(194)", 194 },
    { "https(443)", 443 },
    { "IMAP4 over SSL(993)", 993 },
    { "POP3 over SSL(995)", 995 },
    { "socks proxy(1080)", 1080 },
    { "SQL Server(1433)", 1433 },
    { "msn(1863)", 1863 },
    { "http2(8080)", 8080 },
} };

constexpr size_t server_text_limit = 127;
constexpr size_t stored_value_limit = 255;

// "%d" reading of a port; anything that is no TCP port gives -1.
int parse_port(std::string_view text)
{
    std::string copy(text);
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(copy.c_str(), &end, 10);
    if (end == copy.c_str() || errno != 0 || value < 1 || value > 65535)
        return -1;
    return static_cast<int>(value);
}

bool valid_index(int index) { return index >= 0 && index < server_count; }

void set_entry(server_entry_record& entry, std::string_view show_name, std::string_view host, int port)
{
    entry.in_use = 1;
    copy_to_field(entry.show_name, show_name, server_text_limit);
    copy_to_field(entry.host, host, server_text_limit);
    entry.port = port;
}

std::string field_text(const std::array<char, 128>& field) { return std::string(field.data()); }

std::string value_name(const char* kind, int index) { return format_text("%s%d", kind, index); }

// The settings file stands in for the registry key: "opening" the key means
// its folder exists or can be made.
bool open_server_key()
{
    std::filesystem::path file(settings_store().file_path());
    return create_folder_path(file.parent_path().string());
}

// An entry the server no longer hands out must not come back at the next
// start: its stored show name is emptied, and an entry with an empty value is
// never loaded.
void forget_server_slot(int index, const char* key)
{
    std::string name = value_name("show", index);
    std::string stored;
    reg_read(key, name.c_str(), stored, 2);
    if (!stored.empty() && settings_store().write(key, name, "") != platform::StoreResult::ok)
        dbg_log("failed to empty %s in server_list_save.\n", name.c_str());
}

} // namespace

const std::array<PortChoice, port_choice_count>& port_choices() { return choices; }

server_entry_record server_entry_copy(int index)
{
    if (!valid_index(index))
        return {};
    std::lock_guard lock(shared_text_lock());
    return server_entry[static_cast<size_t>(index)];
}

void load_default_servers()
{
    {
        std::lock_guard lock(shared_text_lock());
        for (server_entry_record& entry : server_entry)
            entry = server_entry_record {};
        for (size_t i = 0; i < built_in_servers.size(); ++i) {
            const BuiltInServer& s = built_in_servers[i];
            set_entry(server_entry[i], s.show_name, s.host, s.port);
        }
    }
    server_list_retrieve();
}

int do_server_address_from_server(std::string_view body)
{
    size_t first = body.find(':');
    size_t second = first == std::string_view::npos ? first : body.find(':', first + 1);
    std::string_view host = second == std::string_view::npos ? std::string_view() : body.substr(first + 1, second - first - 1);
    int port = second == std::string_view::npos ? -1 : parse_port(body.substr(second + 1));
    // An entry without a usable host or port could never be connected to.
    if (second == std::string_view::npos || host.empty() || host.size() > server_text_limit || port < 0) {
        message_box_printf("address from server format not correct.");
        return -1;
    }
    std::lock_guard lock(shared_text_lock());
    for (size_t i = 1; i < server_entry.size(); ++i) {
        if (server_entry[i].in_use == 0) {
            set_entry(server_entry[i], body.substr(0, first), host, port);
            return 0;
        }
    }
    dbg_log("server table full in do_server_address_from_server.\n");
    return -1;
}

int save_server_slot(int index, const char* key)
{
    if (!valid_index(index))
        return -1;
    server_entry_record entry = server_entry_copy(index);
    platform::RegistryStore& store = settings_store();
    if (store.write(key, value_name("show", index), field_text(entry.show_name)) != platform::StoreResult::ok) {
        message_box_printf("set value failed!");
        return -1;
    }
    if (store.write(key, value_name("addr", index), field_text(entry.host)) != platform::StoreResult::ok
        || store.write(key, value_name("port", index), format_text("%d", entry.port)) != platform::StoreResult::ok) {
        dbg_log("set value failed in save_server_slot.\n");
        return -1;
    }
    return 0;
}

int load_server_slot(int index, const char* key)
{
    if (!valid_index(index))
        return -1;
    std::string show_name, host, port_text;
    reg_read(key, value_name("show", index).c_str(), show_name, stored_value_limit + 1);
    reg_read(key, value_name("addr", index).c_str(), host, stored_value_limit + 1);
    reg_read(key, value_name("port", index).c_str(), port_text, stored_value_limit + 1);
    if (show_name.empty() || host.empty() || port_text.empty())
        return 0;
    int port = parse_port(port_text);
    if (port < 0) {
        dbg_log("port%d:%s not a port in load_server_slot.\n", index, port_text.c_str());
        return -1;
    }
    std::lock_guard lock(shared_text_lock());
    set_entry(server_entry[static_cast<size_t>(index)], show_name, host, port);
    return 0;
}

int server_list_save()
{
    if (!open_server_key()) {
        message_box_printf("create key 'servers' failed!");
        return -1;
    }
    // One failed write is shown once; the rest would fail the same way.
    for (int i = server_builtin_count; i < server_count; ++i) {
        if (server_entry_copy(i).in_use == 0)
            forget_server_slot(i, server_list_section);
        else if (save_server_slot(i, server_list_section) != 0)
            return -1;
    }
    return 0;
}

int server_list_retrieve()
{
    std::optional<std::string> probe;
    if (settings_store().read(server_list_section, "show4", probe) != platform::StoreResult::ok) {
        message_box_printf("create key 'servers' failed in server list retrieve!");
        return -1;
    }
    for (int i = server_builtin_count; i < server_count; ++i)
        load_server_slot(i, server_list_section);
    return 0;
}

void do_server_list_from_server(const char* body, int body_len)
{
    {
        std::lock_guard lock(shared_text_lock());
        for (size_t i = server_builtin_count; i < server_entry.size(); ++i)
            server_entry[i].in_use = 0;
    }
    do_server_address_item_from_server(body, body_len);
}

void do_server_address_item_from_server(const char* body, int body_len)
{
    do_server_address_from_server(std::string_view(body, body_len > 0 ? static_cast<size_t>(body_len) : 0));
}

std::atomic<int> g_server_list_saves { 0 };

void do_server_list_save_from_server()
{
    server_list_save();
    ++g_server_list_saves;
}

void install_server_table() { global_state_steps().load_default_servers = load_default_servers; }
