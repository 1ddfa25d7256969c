#pragma once
// The service's web host inside tamblo-server: the join pages of meeting
// links, the feedback and tell-a-friend forms (kept in a spool folder, one
// file per submission; nobody is mailed) and plain files under a root
// folder (the update package, its signature, company logos).
//
// HTTP itself is cpp-httplib's; this class owns the sockets so that every
// request is held to its bounds before the library sees it: at most
// head_limit bytes of head, the whole request within idle_ms of its first
// byte, no read waiting longer than idle_ms, body_limit bytes of body, and
// connection_limit connections at once (one more is answered 503). It runs
// on threads of its own beside the conference server's event loop and logs
// one line per request.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct WebHostConfig {
    std::string listen_host = "127.0.0.1";
    uint16_t listen_port = 80;  // 0: any free port, see WebHost::port()
    std::string root;           // plain files; empty: none are served
    std::string spool;          // form submissions; empty: forms are refused (503)
    size_t head_limit = 8 * 1024;
    size_t body_limit = 64 * 1024;
    int idle_ms = 10000;
    int connection_limit = 64;
};

class WebHost {
public:
    explicit WebHost(WebHostConfig config);
    ~WebHost();
    WebHost(const WebHost&) = delete;
    WebHost& operator=(const WebHost&) = delete;

    // Binds and starts serving; logs "web: serving http on HOST:PORT". 0 or -1 (logged).
    int start();
    uint16_t port() const;
    // Closes the listener and every connection and waits for the threads.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
