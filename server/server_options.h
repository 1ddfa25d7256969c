#pragma once
// The command line of tamblo-server.

#include "server/report_listener.h"
#include "server/server_core.h"
#include "server/web_host.h"

#include <string>
#include <vector>

enum class ServerCommand { run, help, version, bad };

struct ParsedServerOptions {
    ServerCommand command = ServerCommand::run;
    ServerConfig config;
    std::string error;  // for ServerCommand::bad
    std::string config_path;     // --config: rooms, server list, texts, versions
    bool greeting_given = false; // --greeting beats the configuration's greeting
    int report_port = report_listen_port;  // --report-port: UDP port of the report datagrams, 0: none
    std::string pictures_dir;    // --pictures: the members' pictures, "<login name>.jpg"
    bool web = false;            // --web HOST:PORT: serve the web host there
    WebHostConfig web_config;    // with --web-root and --web-spool
};

ParsedServerOptions parse_server_options(const std::vector<std::string>& args);
// The options and rules; the rules name the report port in use.
std::string server_usage_text(int report_port = report_listen_port);
std::string server_version_text();
