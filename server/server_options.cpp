#include "server/server_options.h"

#include "core/build_config.h"
#include "core/text_util.h"
#include "server/control_rooms.h"

#include <charconv>

namespace {

bool parse_number(const std::string& text, long long min, long long max, long long& out)
{
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return false;
    out = value;
    return true;
}

// "HOST:PORT"; the port may be 0 (any free port).
bool parse_host_port(const std::string& text, std::string& host_out, uint16_t& port_out)
{
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    long long port = 0;
    if (!parse_number(text.substr(colon + 1), 0, 65535, port))
        return false;
    std::string host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    host_out = host;
    port_out = static_cast<uint16_t>(port);
    return true;
}

} // namespace

std::string server_usage_text(int report_port)
{
    return "Usage: tamblo-server [options]\n"
           "The Tamblo conference server.\n"
           "\n"
           "  --listen HOST:PORT        address to listen on (default 127.0.0.1:9081; port 0 picks a free one)\n"
           "  --greeting TEXT           greeting sent to every client\n"
           "  --config FILE             rooms, server list, greeting and versions (INI, see below)\n"
           "  --report-port N           UDP port for the clients' report datagrams (default 8999, 0: none)\n"
           "  --send-queue-kib N        per-connection send queue bound in KiB (default 8192)\n"
           "  --room-pictures-kib N     whiteboard pictures one room keeps, in KiB (default 65536)\n"
           "  --pictures-kib N          whiteboard pictures all rooms keep, in KiB (default 524288)\n"
           "  --data-dir DIR            where the rooms' shared files are kept while the server runs\n"
           "                            (default: a private temporary folder, removed at stop)\n"
           "  --room-files-mib N        shared files one room keeps, in MiB (default 200)\n"
           "  --pictures DIR            members' pictures: DIR/<login name>.jpg, each at most 102300 bytes\n"
           "                            gzipped (what a recording keeps); larger ones are refused at start\n"
           "  --identify-timeout-ms N   close connections that name no client by then (default 10000, 0: never)\n"
           "  --idle-timeout-s N        drop clients heard nothing from for N seconds (default 120, 0: never)\n"
           "  --web HOST:PORT           also serve the web host there (off unless given; port 0 picks a free one):\n"
           "                            the join pages of meeting links, the feedback and tell-a-friend forms,\n"
           "                            and the files under --web-root\n"
           "  --web-root DIR            files served as they lie, e.g. home/release/tamblo_install.deb and its\n"
           "                            .sig, home/company_logo/NAME (default: none)\n"
           "  --web-spool DIR           where each form submission is kept as one file, its body as posted\n"
           "                            (default: none, and the forms are refused); nobody is mailed\n"
           "  --help                    show this text\n"
           "  --version                 show the version\n"
           + control_help_text(report_port);
}

std::string server_version_text()
{
    return format_text("tamblo-server %d.%d.%d\n", TAMBLO_VERSION_MAJOR, TAMBLO_VERSION_MINOR, TAMBLO_VERSION_BUILD);
}

ParsedServerOptions parse_server_options(const std::vector<std::string>& args)
{
    ParsedServerOptions parsed;
    bool help = false;
    auto fail = [&parsed, &help](std::string error) {
        parsed.command = help ? ServerCommand::help : ServerCommand::bad;
        parsed.error = help ? std::string() : std::move(error);
        return parsed;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // The rest is still read: the help names the report port they give.
        if (arg == "--help" || arg == "-h") {
            help = true;
            continue;
        }
        if (arg == "--version" && !help) {
            parsed.command = ServerCommand::version;
            return parsed;
        }
        if (arg == "--version")
            continue;
        bool takes_value = arg == "--listen" || arg == "--greeting" || arg == "--send-queue-kib" || arg == "--identify-timeout-ms"
            || arg == "--idle-timeout-s" || arg == "--config" || arg == "--report-port" || arg == "--room-pictures-kib"
            || arg == "--pictures-kib" || arg == "--data-dir" || arg == "--room-files-mib" || arg == "--pictures"
            || arg == "--web" || arg == "--web-root" || arg == "--web-spool";
        if (!takes_value)
            return fail("unknown option " + arg);
        if (i + 1 >= args.size())
            return fail(arg + " needs a value");
        const std::string& value = args[++i];
        long long number = 0;
        if (arg == "--listen") {
            if (!parse_host_port(value, parsed.config.listen_host, parsed.config.listen_port))
                return fail("--listen wants HOST:PORT, not " + value);
        } else if (arg == "--web") {
            if (!parse_host_port(value, parsed.web_config.listen_host, parsed.web_config.listen_port))
                return fail("--web wants HOST:PORT, not " + value);
            parsed.web = true;
        } else if (arg == "--web-root" || arg == "--web-spool") {
            if (value.empty())
                return fail(arg + " wants a folder");
            (arg == "--web-root" ? parsed.web_config.root : parsed.web_config.spool) = value;
        } else if (arg == "--greeting") {
            if (value.size() > 2047)
                return fail("--greeting is longer than 2047 characters");
            parsed.config.greeting = value;
            parsed.greeting_given = true;
        } else if (arg == "--config") {
            parsed.config_path = value;
        } else if (arg == "--report-port") {
            if (!parse_number(value, 0, 65535, number))
                return fail("--report-port wants 0..65535, not " + value);
            parsed.report_port = static_cast<int>(number);
        } else if (arg == "--send-queue-kib") {
            if (!parse_number(value, 16, 1024 * 1024, number))
                return fail("--send-queue-kib wants 16..1048576, not " + value);
            parsed.config.send_queue_limit_bytes = static_cast<size_t>(number) * 1024;
        } else if (arg == "--room-pictures-kib" || arg == "--pictures-kib") {
            if (!parse_number(value, 0, 16 * 1024 * 1024, number))
                return fail(arg + " wants 0..16777216, not " + value);
            (arg == "--pictures-kib" ? parsed.config.pictures_limit_bytes : parsed.config.room_pictures_limit_bytes)
                = static_cast<size_t>(number) * 1024;
        } else if (arg == "--data-dir") {
            if (value.empty())
                return fail("--data-dir wants a folder");
            parsed.config.data_dir = value;
        } else if (arg == "--pictures") {
            if (value.empty())
                return fail("--pictures wants a folder");
            parsed.pictures_dir = value;
        } else if (arg == "--room-files-mib") {
            if (!parse_number(value, 1, 1024 * 1024, number))
                return fail("--room-files-mib wants 1..1048576, not " + value);
            parsed.config.room_files_limit_bytes = static_cast<size_t>(number) * 1024 * 1024;
        } else if (arg == "--idle-timeout-s") {
            if (!parse_number(value, 0, 24 * 3600, number))
                return fail("--idle-timeout-s wants 0..86400, not " + value);
            parsed.config.idle_timeout_ms = static_cast<int>(number) * 1000;
        } else {
            if (!parse_number(value, 0, 3600 * 1000, number))
                return fail("--identify-timeout-ms wants 0..3600000, not " + value);
            parsed.config.identify_timeout_ms = static_cast<int>(number);
        }
    }
    if (help)
        parsed.command = ServerCommand::help;
    else if (!parsed.web && (!parsed.web_config.root.empty() || !parsed.web_config.spool.empty()))
        return fail("--web-root and --web-spool need --web HOST:PORT");
    return parsed;
}
