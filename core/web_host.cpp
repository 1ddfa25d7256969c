#include "core/web_host.h"

#include "core/global_state.h"
#include "core/settings.h"

std::string web_host_name()
{
    std::string host;
    reg_read("general", "web_host", host, web_host_name_limit + 1);
    if (host.empty())
        host = g_server_host.get();
    return host;
}

int web_host_port()
{
    int port = web_port_default;
    reg_read_int_or_default("general", "web_port", port, web_port_default);
    return port >= 1 && port <= 65535 ? port : web_port_default;
}

std::string web_host_authority()
{
    std::string host = web_host_name();
    // An IPv6 literal needs its brackets in a Host line and an address.
    if (host.find(':') != std::string::npos)
        host = "[" + host + "]";
    int port = web_host_port();
    return port == web_port_default ? host : host + ":" + std::to_string(port);
}

std::string web_host_url(const std::string& path) { return "http://" + web_host_authority() + path; }
