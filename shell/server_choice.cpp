#include "shell/server_choice.h"

#include "core/global_state.h"
#include "core/server_table.h"
#include "core/settings.h"
#include "core/text_util.h"

#include <cerrno>
#include <cstdlib>

namespace {

// The port edit as a decimal number: leading blanks and digits; anything
// else reads as 0, which the minimum refuses.
long read_port(const std::string& text)
{
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || errno != 0)
        return 0;
    return value;
}

} // namespace

std::vector<ServerLine> server_list_lines()
{
    std::vector<ServerLine> lines;
    for (int i = server_count - 1; i >= 0; --i) {
        server_entry_record entry = server_entry_copy(i);
        if (entry.in_use)
            lines.push_back({ entry.show_name.data(), i });
    }
    return lines;
}

std::string choose_listed_server(int table_index, int port_choice_index, ServerChoice& choice)
{
    if (table_index == -1)
        return "Please choose a server to connect.";
    if (table_index < 0 || table_index >= server_count)
        return "Server index out of range.";
    server_entry_record entry = server_entry_copy(table_index);
    choice.host = entry.host.data();
    const bool default_port = port_choice_index <= port_choice_default || port_choice_index >= port_choice_count;
    choice.port = default_port ? entry.port : port_choices()[static_cast<size_t>(port_choice_index)].port;
    choice.display_name = cut_copy(entry.show_name.data(), server_display_name_limit);
    return {};
}

std::string choose_manual_server(const std::array<int, 4>& address, const std::string& port_text, ServerChoice& choice)
{
    long port = read_port(port_text);
    if (port < manual_port_minimum)
        return "Please enter a port greater than 50.";
    // A port number has 16 bits; a larger one would connect somewhere else.
    if (port > manual_port_maximum)
        return "Please enter a port between 50 and 65535.";
    choice.host = format_text("%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
    choice.port = static_cast<int>(port);
    choice.display_name = "Customer IP";
    return {};
}

void use_server_choice(const ServerChoice& choice)
{
    g_server_host.set(choice.host);
    g_server_port = choice.port;
    g_server_display_name.set(choice.display_name);
}

bool auto_connect_checked()
{
    int on = 0;
    reg_read_int("general", "auto_connect", on);
    return on == 1;
}

void store_auto_connect(bool checked, const ServerChoice& choice)
{
    if (!checked) {
        reg_write_int("general", "auto_connect", 0);
        return;
    }
    reg_write_int("general", "auto_connect", 1);
    reg_write("general", "auto_connect_server", choice.host);
    reg_write_int("general", "auto_connect_port", choice.port);
    reg_write("general", "auto_connect_server_show_name", choice.display_name);
}
