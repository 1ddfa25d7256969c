#pragma once
// The service's web host: where the client fetches the company logo and the
// update package, posts the feedback and tell-a-friend forms, and where
// invitation links point. Setting "general" / "web_host" (else the host of
// the conference server in use) and "general" / "web_port" (80).

#include <string>

inline constexpr int web_port_default = 80;
inline constexpr size_t web_host_name_limit = 99;

// The host name or address to connect to; empty when neither the setting
// nor a conference server names one.
std::string web_host_name();
// The port; a stored value outside 1..65535 reads as 80.
int web_host_port();
// "host" or "host:port" as a Host line and an address carry it (port 80 left out).
std::string web_host_authority();
// "http://" + the authority + path (path begins with '/').
std::string web_host_url(const std::string& path);
