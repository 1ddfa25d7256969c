// tamblo-server: the conference server the Tamblo client talks to.

#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_options.h"

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    ParsedServerOptions options = parse_server_options(std::vector<std::string>(argv + 1, argv + argc));
    switch (options.command) {
    case ServerCommand::help:
        std::fputs(server_usage_text().c_str(), stdout);
        return 0;
    case ServerCommand::version:
        std::fputs(server_version_text().c_str(), stdout);
        return 0;
    case ServerCommand::bad:
        std::fprintf(stderr, "tamblo-server: %s\n%s", options.error.c_str(), server_usage_text().c_str());
        return 2;
    case ServerCommand::run:
        break;
    }
    MessageTable table;
    install_server_families(table);
    ServerCore server(options.config, std::move(table));
    if (server.start() != 0)
        return 1;
    server.run(true);
    return 0;
}
