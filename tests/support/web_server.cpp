#include "tests/support/web_server.h"

#include "tests/support/temp_home.h"

LoggedWebServer::LoggedWebServer(const std::string& folder, const std::string& log_path)
    : port_(unused_tcp_port()), log_path_(log_path),
      process_({ "sh", "-c",
                 "exec python3 -m http.server --bind 127.0.0.1 " + std::to_string(port_) + " --directory '" + folder
                     + "' 2>'" + log_path + "'" })
{
}

bool LoggedWebServer::up() const { return wait_for_loopback_port(port_, 20000); }

int LoggedWebServer::requests(const std::string& path) const
{
    std::string text = read_file(log_path_);
    std::string needle = "\"GET " + path + " HTTP";
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++count;
    return count;
}
