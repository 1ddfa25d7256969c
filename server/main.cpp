// tamblo-server: the conference server the Tamblo client talks to.

#include "core/build_config.h"
#include "core/text_util.h"
#include "server/control_messages.h"
#include "server/member_pictures.h"
#include "server/message_table.h"
#include "server/report_listener.h"
#include "server/server_log.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"
#include "server/server_options.h"
#include "server/web_host.h"

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    ParsedServerOptions options = parse_server_options(std::vector<std::string>(argv + 1, argv + argc));
    switch (options.command) {
    case ServerCommand::help:
        std::fputs(server_usage_text(options.report_port).c_str(), stdout);
        return 0;
    case ServerCommand::version:
        std::fputs(server_version_text().c_str(), stdout);
        return 0;
    case ServerCommand::bad:
        std::fprintf(stderr, "tamblo-server: %s\n%s", options.error.c_str(), server_usage_text(options.report_port).c_str());
        return 2;
    case ServerCommand::run:
        break;
    }
    ControlConfig control = default_control_config();
    if (!options.config_path.empty()) {
        std::string error;
        if (!read_control_config(options.config_path, control, error)) {
            std::fprintf(stderr, "tamblo-server: %s\n", error.c_str());
            return 2;
        }
    }
    control.server_version = { TAMBLO_VERSION_MAJOR, TAMBLO_VERSION_MINOR, TAMBLO_VERSION_BUILD };
    control.server_version_text = format_text("tamblo-server %d.%d.%d", TAMBLO_VERSION_MAJOR, TAMBLO_VERSION_MINOR,
                                              TAMBLO_VERSION_BUILD);
    if (!options.greeting_given && !control.greeting.empty())
        options.config.greeting = control.greeting;
    set_control_config(control);
    if (!options.pictures_dir.empty()) {
        MemberPictures pictures;
        std::vector<std::string> refused;
        std::string error;
        if (!read_member_pictures(options.pictures_dir, pictures, refused, error)) {
            std::fprintf(stderr, "tamblo-server: %s\n", error.c_str());
            return 2;
        }
        for (const std::string& line : refused)
            server_log("--pictures: %s: refused", line.c_str());
        server_log("--pictures: %d members' pictures", static_cast<int>(pictures.size()));
        set_member_pictures(std::move(pictures));
    }

    MessageTable table;
    install_server_families(table);
    ServerCore server(options.config, std::move(table));
    if (server.start() != 0)
        return 1;
    // Without the report port the meeting still works: the failure is logged.
    ReportListener reports;
    if (options.report_port != 0)
        reports.start(options.config.listen_host, static_cast<uint16_t>(options.report_port));
    // Asked for explicitly: a web host that cannot serve stops the start.
    WebHost web(options.web_config);
    if (options.web && web.start() != 0) {
        server_log_flush(1000);
        return 1;
    }
    server.run(true);
    web.stop();
    return 0;
}
