#include "shell/command_line.h"

#include "core/global_state.h"
#include "core/message_box.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

bool ends_with(const std::string& text, const char* suffix)
{
    std::string_view s(suffix);
    return text.size() >= s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}

} // namespace

int open_recording_argument(const std::string& raw)
{
    std::string path = cut_copy(raw, command_line_limit);
    if (path.size() < 3)
        return -1;
    // The shell hands the path over without the quotes it had on Windows.
    if (path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    if (ends_with(path, ".bod")) {
        g_start_open_board = 1;
    } else if (ends_with(path, ".mrd")) {
        g_start_play_record = 1;
    } else {
        message_box_printf("file suffix not correct.");
        return 0;
    }
    g_start_file_path.set(path);
    return 0;
}

int parse_launch_command_line(const std::string& raw)
{
    std::string line = cut_copy(raw, command_line_limit);
    size_t colons = static_cast<size_t>(std::count(line.begin(), line.end(), ':'));
    if (line.empty() || colons < 4)
        return open_recording_argument(raw);
    if (colons > 6) {
        message_box_printf("Parameter not correct.");
        return -1;
    }
    if (colons < 6)
        return 0;

    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t colon = line.find(':'); colon != std::string::npos; colon = line.find(':', start)) {
        fields.push_back(line.substr(start, colon - start));
        start = colon + 1;
    }
    fields.push_back(line.substr(start));
    const std::string& port = fields[2];
    const std::string& code = fields[4];

    if (port.find_first_not_of("0123456789 ") != std::string::npos) {
        message_box_printf("port num not correct.");
        return -1;
    }
    // The web page wraps the access code in 2 leading and 3 trailing fillers.
    if (code.size() < 5) {
        message_box_printf("Invalide c.");
        return -1;
    }

    g_launch_params_given = 1;
    g_server_host.set(cut_copy(fields[0], 63));
    g_server_display_name.set(cut_copy(fields[1], 63));
    if (port.find_first_not_of(' ') != std::string::npos) {
        long value = std::strtol(port.c_str(), nullptr, 10);
        g_server_port = static_cast<int>(std::clamp(value, 0L, static_cast<long>(INT32_MAX)));
    }
    g_room_name.set(cut_copy(fields[3], 63));
    g_access_code.set(cut_copy(code.substr(2, code.size() - 5), 63));
    g_login_name.set(cut_copy(fields[5], 63));
    g_room_password.set(cut_copy(fields[6], 31));
    return 0;
}
