#pragma once
// What the server tells a client about itself: its greeting, the newest
// program version, its own version; and the small plain-text report
// datagrams the client sends to the service's report endpoint.

#include <string>

inline constexpr int report_port = 8999;

// The report endpoint: "general" / "report_host", else the host of the main
// server connection.
std::string report_endpoint_host();

// Sends text and its terminating zero as one UDP datagram (no head, no
// scrambling). 0, or -1 when any step fails.
int send_udp_datagram(const std::string& text, const std::string& host, int port);

// True when the announced version is newer than the program's own.
bool version_is_newer(int major, int minor, int build);

// "%s:%s:%d:%s:%s": own address of the main connection, server host and
// port, the stored server version and its text.
int send_version_report_udp();

void do_new_version_from_server(const char* body, int body_len);      // 991
void do_server_version_from_server(const char* body, int body_len);   // 993
void do_server_version_text_from_server(const char* body, int body_len); // 994
void do_server_hello_from_server(const char* body, int body_len);        // 999
