#pragma once
// The command line of tamblo-server.

#include "server/server_core.h"

#include <string>
#include <vector>

enum class ServerCommand { run, help, version, bad };

struct ParsedServerOptions {
    ServerCommand command = ServerCommand::run;
    ServerConfig config;
    std::string error;  // for ServerCommand::bad
    std::string config_path;     // --config: rooms, server list, texts, versions
    bool greeting_given = false; // --greeting beats the configuration's greeting
    int report_port = 8999;      // --report-port: UDP port of the report datagrams, 0: none
};

ParsedServerOptions parse_server_options(const std::vector<std::string>& args);
std::string server_usage_text();
std::string server_version_text();
