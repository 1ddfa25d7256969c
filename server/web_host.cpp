#include "server/web_host.h"

#include "core/http_util.h"
#include "server/server_log.h"
#include "server/web_pages.h"

#include <httplib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Requests on one connection before it is closed.
constexpr int keep_alive_request_limit = 100;
// How long an answer of our own may wait for the peer to take it.
constexpr int own_answer_wait_ms = 1000;
constexpr size_t log_path_limit = 200;

std::string address_text(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET)
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
    else if (address.ss_family == AF_INET6)
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text, sizeof text);
    return text;
}

int address_port(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

bool wait_fd(int fd, short events, int wait_ms)
{
    if (wait_ms < 0)
        wait_ms = 0;
    pollfd p { fd, events, 0 };
    int n = 0;
    do {
        n = ::poll(&p, 1, wait_ms);
    } while (n < 0 && errno == EINTR);
    return n > 0;
}

std::string canned_answer(int status, const char* reason)
{
    std::string body = status_page(status, reason);
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void send_canned(int fd, int status, const char* reason)
{
    std::string answer = canned_answer(status, reason);
    size_t sent = 0;
    while (sent < answer.size() && wait_fd(fd, POLLOUT, own_answer_wait_ms)) {
        ssize_t n = ::send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0 && errno != EAGAIN && errno != EINTR)
            break;
        if (n > 0)
            sent += static_cast<size_t>(n);
    }
}

// Closing with unread bytes waiting makes a reset, which can destroy the
// answer before the peer has read it (a 413 while the body still comes):
// the sending side is closed first and what arrives meanwhile is read and
// dropped, for a short while.
void linger_close(int fd)
{
    ::shutdown(fd, SHUT_WR);
    char scratch[16 * 1024];
    size_t dropped = 0;
    auto until = Clock::now() + std::chrono::milliseconds(own_answer_wait_ms);
    while (dropped < 1024 * 1024) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0 || !wait_fd(fd, POLLIN, static_cast<int>(left)))
            break;
        ssize_t n = ::recv(fd, scratch, sizeof scratch, 0);
        if (n <= 0)
            break;
        dropped += static_cast<size_t>(n);
    }
}

// One connection as cpp-httplib reads and writes it, with the bounds of
// the web host applied underneath: the library cannot be given them.
class GateStream : public httplib::Stream {
public:
    GateStream(int fd, const WebHostConfig& config, std::string peer) : fd_(fd), config_(config), peer_(std::move(peer)) {}

    // A new request starts with its first byte: its own time and head count.
    void begin_request()
    {
        deadline_ = Clock::now() + std::chrono::milliseconds(config_.idle_ms);
        head_bytes_ = 0;
        head_done_ = false;
        tail_ = 0;
        wrote_ = false;
    }

    bool has_buffered() const { return pos_ < have_; }
    const std::string& peer() const { return peer_; }
    // The library's answer to the request: after a refusal the connection
    // is not trusted to be in step any more.
    void note_status(int status) { refused_ = status >= 400 && status != 404; }
    bool refused() const { return refused_; }
    bool ended() const { return ended_; }
    // True once this connection was answered by the gate itself.
    bool answered() const { return answered_; }

    // Answers with a status of our own and ends the connection; the
    // library's own answer to the failed read that follows is dropped.
    void answer_and_end(int status, const char* reason)
    {
        if (!answered_ && !wrote_)
            send_canned(fd_, status, reason);
        if (!answered_)
            server_log("web: %s %d %s", peer_.c_str(), status, reason);
        answered_ = true;
        ended_ = true;
    }

    bool is_readable() const override { return has_buffered() || wait_fd(fd_, POLLIN, wait_left_ms()); }
    bool is_writable() const override { return !ended_ && wait_fd(fd_, POLLOUT, config_.idle_ms); }

    ssize_t read(char* ptr, size_t size) override
    {
        if (ended_)
            return -1;
        if (!has_buffered()) {
            if (!wait_fd(fd_, POLLIN, wait_left_ms())) {
                answer_and_end(408, "Request Timeout");
                return -1;
            }
            ssize_t n = 0;
            do {
                n = ::recv(fd_, buffer_, sizeof buffer_, 0);
            } while (n < 0 && errno == EINTR);
            if (n <= 0) {
                ended_ = true;
                return n < 0 ? -1 : 0;
            }
            have_ = static_cast<size_t>(n);
            pos_ = 0;
        }
        size_t n = std::min(size, have_ - pos_);
        if (!head_done_) {
            // The head ends at its empty line; only its bytes count against the head limit.
            for (size_t i = 0; i < n; ++i) {
                tail_ = (tail_ << 8) | static_cast<unsigned char>(buffer_[pos_ + i]);
                if (++head_bytes_ > config_.head_limit) {
                    answer_and_end(431, "Request Header Fields Too Large");
                    return -1;
                }
                if ((tail_ & 0xffffffffu) == 0x0d0a0d0au) {
                    head_done_ = true;
                    n = i + 1;
                    break;
                }
            }
        }
        std::memcpy(ptr, buffer_ + pos_, n);
        pos_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        if (answered_)
            return static_cast<ssize_t>(size);
        if (ended_ || !wait_fd(fd_, POLLOUT, config_.idle_ms))
            return -1;
        ssize_t n = 0;
        do {
            n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        if (n > 0)
            wrote_ = true;
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address {};
        socklen_t length = sizeof address;
        if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            ip = address_text(address);
            port = address_port(address);
        }
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address {};
        socklen_t length = sizeof address;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            ip = address_text(address);
            port = address_port(address);
        }
    }

    int socket() const override { return fd_; }

private:
    int wait_left_ms() const
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, config_.idle_ms));
    }

    int fd_;
    const WebHostConfig& config_;
    std::string peer_;
    char buffer_[4096] {};
    size_t have_ = 0;
    size_t pos_ = 0;
    Clock::time_point deadline_ {};
    size_t head_bytes_ = 0;
    bool head_done_ = false;
    uint32_t tail_ = 0;
    bool wrote_ = false;
    bool answered_ = false;
    bool ended_ = false;
    bool refused_ = false;
};

// The stream the calling worker serves: handlers and the logger reach
// their connection's gate through it.
thread_local GateStream* t_current_stream = nullptr;

// cpp-httplib's server with its request processing opened to our own connections.
class HttpRouter : public httplib::Server {
public:
    ~HttpRouter() override { svr_sock_ = -1; }

    bool serve_request(httplib::Stream& stream, bool close_connection, bool& connection_closed)
    {
        return process_request(stream, close_connection, connection_closed, nullptr);
    }
    // The library streams a file only while it believes its listener open;
    // the listener is ours, so it is told.
    void set_serving(int listen_fd) { svr_sock_ = listen_fd; }
};

const char* mime_type_for(const std::string& path)
{
    static const std::pair<const char*, const char*> types[] = {
        { ".deb", "application/vnd.debian.binary-package" },
        { ".sig", "application/pgp-signature" },
        { ".html", "text/html; charset=utf-8" },
        { ".htm", "text/html; charset=utf-8" },
        { ".txt", "text/plain; charset=utf-8" },
        { ".css", "text/css" },
        { ".gif", "image/gif" },
        { ".png", "image/png" },
        { ".jpg", "image/jpeg" },
        { ".jpeg", "image/jpeg" },
        { ".bmp", "image/bmp" },
        { ".ico", "image/x-icon" },
    };
    for (const auto& [extension, type] : types) {
        size_t n = std::strlen(extension);
        if (path.size() > n && path.compare(path.size() - n, n, extension) == 0)
            return type;
    }
    return "application/octet-stream";
}

// A request path that could leave the root or that names nothing plain.
bool path_acceptable(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return false;
    for (unsigned char c : path)
        if (c < 0x20 || c == 0x7f || c == '\\')
            return false;
    size_t start = 1;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        std::string segment = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (segment == "." || segment == "..")
            return false;
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return true;
}

std::string utc_stamp()
{
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    ::gmtime_r(&now, &tm);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &tm);
    return text;
}

} // namespace

struct WebHost::Impl {
    explicit Impl(WebHostConfig c) : config(std::move(c)) {}

    WebHostConfig config;
    std::string root_real;  // the root with its links resolved, ending in '/'
    HttpRouter router;
    int listen_fd = -1;
    int wake_fd = -1;
    uint16_t bound_port = 0;
    std::thread acceptor;
    std::vector<std::thread> workers;

    std::mutex lock;
    std::condition_variable work;
    std::deque<int> waiting;  // accepted, not yet served
    std::set<int> serving;
    bool stopping = false;
    std::atomic<unsigned> spool_sequence { 0 };

    void set_up_routes();
    void serve_file(const httplib::Request& req, httplib::Response& res);
    void take_form(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader,
                   const char* kind, const std::vector<const char*>& names, PageLanguage language);
    bool spool_submission(const char* kind, const std::string& body, std::string& name);
    void accept_loop();
    void worker_loop();
    void serve_connection(int fd);
};

WebHost::WebHost(WebHostConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {}

WebHost::~WebHost() { stop(); }

uint16_t WebHost::port() const { return impl_->bound_port; }

void WebHost::Impl::set_up_routes()
{
    router.set_payload_max_length(config.body_limit);
    router.set_keep_alive_max_count(keep_alive_request_limit);

    auto link_page = [](PageLanguage language, bool encoded) {
        return [language, encoded](const httplib::Request& req, httplib::Response& res) {
            size_t question = req.target.find('?');
            std::string query = question == std::string::npos ? std::string() : req.target.substr(question + 1);
            MeetingLink link;
            std::string error;
            bool ok = encoded ? parse_encoded_meeting_query(query, link, error) : parse_meeting_query(query, link, error);
            if (!ok) {
                server_log("web: %s meeting link refused (%s)", req.remote_addr.c_str(), printable(error).c_str());
                res.status = 400;
                res.set_content(invalid_link_page(language), "text/html; charset=utf-8");
                return;
            }
            std::string host = req.get_header_value("Host");
            std::string package = host.empty() || !is_valid_utf8(host) || host.find_first_of(" \t\r\n") != std::string::npos
                ? std::string(web_package_path)
                : "http://" + host + web_package_path;
            res.set_content(join_page(link, language, package), "text/html; charset=utf-8");
        };
    };
    router.Get(web_link_page_path, link_page(PageLanguage::english, true));
    router.Get(web_link_page_path_ch, link_page(PageLanguage::chinese, true));
    router.Get(web_email_page_path, link_page(PageLanguage::english, false));
    router.Get(web_feedback_form_path, [](const httplib::Request&, httplib::Response& res) {
        res.set_content(feedback_form_page(), "text/html; charset=utf-8");
    });

    const std::vector<const char*> feedback_fields { "name", "email", "content" };
    const std::vector<const char*> tell_friend_fields { "name", "email", "friend_name", "friend_email", "subject", "content" };
    router.Post(web_feedback_post_path, [this, feedback_fields](const httplib::Request& req, httplib::Response& res,
                                                               const httplib::ContentReader& reader) {
        take_form(req, res, reader, "feedback", feedback_fields, PageLanguage::english);
    });
    router.Post(web_tell_friend_post_path, [this, tell_friend_fields](const httplib::Request& req, httplib::Response& res,
                                                                     const httplib::ContentReader& reader) {
        take_form(req, res, reader, "tell_friend", tell_friend_fields, PageLanguage::english);
    });
    router.Post(web_tell_friend_post_path_ch, [this, tell_friend_fields](const httplib::Request& req, httplib::Response& res,
                                                                        const httplib::ContentReader& reader) {
        take_form(req, res, reader, "tell_friend_ch", tell_friend_fields, PageLanguage::chinese);
    });
    router.Get("/.*", [this](const httplib::Request& req, httplib::Response& res) { serve_file(req, res); });

    // A body's length is judged before any of it is read: the library would
    // read (and throw away) an over-long body before saying so.
    router.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        if (!req.has_header("Content-Length") || !t_current_stream)
            return httplib::Server::HandlerResponse::Unhandled;
        const std::string text = req.get_header_value("Content-Length");
        bool digits = !text.empty() && text.size() <= 18 && text.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || req.get_header_value_count("Content-Length") != 1)
            t_current_stream->answer_and_end(400, "Bad Request");
        else if (std::stoull(text) > config.body_limit)
            t_current_stream->answer_and_end(413, "Payload Too Large");
        else
            return httplib::Server::HandlerResponse::Unhandled;
        return httplib::Server::HandlerResponse::Handled;
    });
    router.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty())
            res.set_content(status_page(res.status, status_reason(res.status)), "text/html; charset=utf-8");
    });
    router.set_exception_handler([](const httplib::Request& req, httplib::Response& res, std::exception_ptr) {
        server_log("web: exception in a handler for %s", printable(req.path.substr(0, log_path_limit)).c_str());
        res.status = 500;
        res.set_content(status_page(500, "Internal Server Error"), "text/html; charset=utf-8");
    });
    router.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        if (t_current_stream && t_current_stream->answered())
            return;
        if (t_current_stream)
            t_current_stream->note_status(res.status);
        std::string length = res.get_header_value("Content-Length");
        std::string peer = t_current_stream ? t_current_stream->peer() : req.remote_addr;
        // The query is left out: meeting links carry access codes and passwords.
        server_log("web: %s %s %s %d %s", peer.empty() ? "-" : peer.c_str(),
                   req.method.empty() ? "-" : printable(req.method.substr(0, 16)).c_str(),
                   req.path.empty() ? "-" : printable(req.path.substr(0, log_path_limit)).c_str(), res.status,
                   length.empty() ? std::to_string(res.body.size()).c_str() : printable(length).c_str());
    });
}

void WebHost::Impl::serve_file(const httplib::Request& req, httplib::Response& res)
{
    auto not_found = [&res] {
        res.status = 404;
        res.set_content(status_page(404, "Not Found"), "text/html; charset=utf-8");
    };
    if (!path_acceptable(req.path)) {
        res.status = 400;
        res.set_content(status_page(400, "Bad Request"), "text/html; charset=utf-8");
        return;
    }
    if (root_real.empty())
        return not_found();
    std::string wanted = root_real + req.path.substr(1);
    char resolved[PATH_MAX] = {};
    if (!::realpath(wanted.c_str(), resolved))
        return not_found();
    std::string real = resolved;
    // A link may point anywhere: only what really lies under the root is served.
    if (real.compare(0, root_real.size(), root_real) != 0) {
        server_log("web: %s %s leads outside the root", req.remote_addr.c_str(),
                   printable(req.path.substr(0, log_path_limit)).c_str());
        return not_found();
    }
    int fd = ::open(real.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        return not_found();
    }
    auto file = std::make_shared<int>(fd);
    res.set_content_provider(
        static_cast<size_t>(info.st_size), mime_type_for(real),
        [file](size_t offset, size_t length, httplib::DataSink& sink) {
            char piece[64 * 1024];
            size_t n = std::min(length, sizeof piece);
            ssize_t got = ::pread(*file, piece, n, static_cast<off_t>(offset));
            if (got <= 0)
                return false;
            return sink.write(piece, static_cast<size_t>(got));
        },
        [file](bool) { ::close(*file); });
}

void WebHost::Impl::take_form(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader,
                              const char* kind, const std::vector<const char*>& names, PageLanguage language)
{
    auto answer = [&res](int status, const char* reason) {
        res.status = status;
        res.set_content(status_page(status, reason), "text/html; charset=utf-8");
    };
    std::string body;
    bool too_large = false;
    bool read = reader([&](const char* data, size_t length) {
        if (body.size() + length > config.body_limit) {
            too_large = true;
            return false;
        }
        body.append(data, length);
        return true;
    });
    if (too_large && t_current_stream) {
        t_current_stream->answer_and_end(413, "Payload Too Large");
        return;
    }
    if (!read) {
        if (res.status == -1 || res.status < 400)
            answer(400, "Bad Request");
        return;
    }
    if (req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) != 0)
        return answer(415, "Unsupported Media Type");
    std::vector<std::pair<std::string, std::string>> fields;
    bool well_formed = parse_query_fields(body, fields);
    for (const char* name : names) {
        size_t count = 0;
        for (const auto& [field, value] : fields)
            if (field == name) {
                ++count;
                well_formed = well_formed && is_valid_utf8(value);
            }
        well_formed = well_formed && count == 1;
    }
    if (!well_formed) {
        server_log("web: %s %s form refused: fields missing, repeated or not UTF-8", req.remote_addr.c_str(), kind);
        return answer(400, "Bad Request");
    }
    if (config.spool.empty())
        return answer(503, "Service Unavailable");
    std::string name;
    if (!spool_submission(kind, body, name))
        return answer(500, "Internal Server Error");
    server_log("web: %s %s form kept as %s", req.remote_addr.c_str(), kind, name.c_str());
    res.set_content(form_received_page(language), "text/html; charset=utf-8");
}

bool WebHost::Impl::spool_submission(const char* kind, const std::string& body, std::string& name)
{
    name = format_text("%s-%s-%d-%06u.form", kind, utc_stamp().c_str(), static_cast<int>(::getpid()),
                       spool_sequence.fetch_add(1) + 1);
    // Written under a hidden name and renamed when whole: a reader of the
    // spool never sees half a submission.
    std::string part = config.spool + "/." + name + ".part";
    std::string final_path = config.spool + "/" + name;
    int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0640);
    if (fd < 0) {
        server_log("web: cannot create %s: %s", part.c_str(), std::strerror(errno));
        return false;
    }
    size_t written = 0;
    while (written < body.size()) {
        ssize_t n = ::write(fd, body.data() + written, body.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
    bool ok = written == body.size() && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(part.c_str(), final_path.c_str()) != 0) {
        server_log("web: cannot write %s: %s", final_path.c_str(), std::strerror(errno));
        ::unlink(part.c_str());
        return false;
    }
    return true;
}

int WebHost::start()
{
    Impl& d = *impl_;
    if (!d.config.root.empty()) {
        char resolved[PATH_MAX] = {};
        struct stat info {};
        if (!::realpath(d.config.root.c_str(), resolved) || ::stat(resolved, &info) != 0 || !S_ISDIR(info.st_mode)) {
            server_log("web: the root %s is not a folder", d.config.root.c_str());
            return -1;
        }
        d.root_real = resolved;
        if (d.root_real.back() != '/')
            d.root_real += '/';
    }
    if (!d.config.spool.empty()) {
        struct stat info {};
        if (::stat(d.config.spool.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || ::access(d.config.spool.c_str(), W_OK) != 0) {
            server_log("web: the spool %s is not a folder this server may write", d.config.spool.c_str());
            return -1;
        }
    }
    d.set_up_routes();

    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::string port_text = std::to_string(d.config.listen_port);
    if (::getaddrinfo(d.config.listen_host.c_str(), port_text.c_str(), &hints, &found) != 0 || !found) {
        server_log("web: cannot resolve %s", d.config.listen_host.c_str());
        return -1;
    }
    int fd = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol);
    int on = 1;
    if (fd >= 0)
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (fd < 0 || ::bind(fd, found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd, 64) != 0) {
        server_log("web: cannot listen on %s:%u: %s", d.config.listen_host.c_str(), static_cast<unsigned>(d.config.listen_port),
                   std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        ::freeaddrinfo(found);
        return -1;
    }
    ::freeaddrinfo(found);
    sockaddr_storage bound {};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    d.bound_port = static_cast<uint16_t>(address_port(bound));
    d.listen_fd = fd;
    d.router.set_serving(fd);
    d.wake_fd = ::eventfd(0, EFD_CLOEXEC);
    server_log("web: serving http on %s:%u", address_text(bound).c_str(), static_cast<unsigned>(d.bound_port));
    if (d.config.root.empty())
        server_log("web: no --web-root: no files are served");
    if (d.config.spool.empty())
        server_log("web: no --web-spool: the forms are refused");
    for (int i = 0; i < d.config.connection_limit; ++i)
        d.workers.emplace_back([&d] { d.worker_loop(); });
    d.acceptor = std::thread([&d] { d.accept_loop(); });
    return 0;
}

void WebHost::Impl::accept_loop()
{
    while (true) {
        pollfd p[2] = { { listen_fd, POLLIN, 0 }, { wake_fd, POLLIN, 0 } };
        if (::poll(p, 2, -1) < 0 && errno != EINTR)
            break;
        if (p[1].revents)
            break;
        if (!(p[0].revents & POLLIN))
            continue;
        sockaddr_storage peer {};
        socklen_t length = sizeof peer;
        int fd = ::accept4(listen_fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::unique_lock guard(lock);
        if (stopping) {
            ::close(fd);
            break;
        }
        if (waiting.size() + serving.size() >= static_cast<size_t>(config.connection_limit)) {
            guard.unlock();
            send_canned(fd, 503, "Service Unavailable");
            ::close(fd);
            server_log("web: %s 503 over %d connections", address_text(peer).c_str(), config.connection_limit);
            continue;
        }
        waiting.push_back(fd);
        work.notify_one();
    }
}

void WebHost::Impl::worker_loop()
{
    while (true) {
        int fd = -1;
        {
            std::unique_lock guard(lock);
            work.wait(guard, [this] { return stopping || !waiting.empty(); });
            if (stopping)
                return;
            fd = waiting.front();
            waiting.pop_front();
            serving.insert(fd);
        }
        try {
            serve_connection(fd);
        } catch (...) {
            server_log("exception in the web host's connection worker");
        }
        linger_close(fd);
        std::lock_guard guard(lock);
        serving.erase(fd);
        ::close(fd);
    }
}

void WebHost::Impl::serve_connection(int fd)
{
    sockaddr_storage peer {};
    socklen_t length = sizeof peer;
    ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length);
    GateStream stream(fd, config, address_text(peer));
    t_current_stream = &stream;
    for (int served = 0; served < keep_alive_request_limit; ++served) {
        // Between requests the connection may rest for the idle time, no longer.
        if (!stream.has_buffered() && !wait_fd(fd, POLLIN, config.idle_ms))
            break;
        stream.begin_request();
        bool closed = false;
        bool ok = router.serve_request(stream, served + 1 == keep_alive_request_limit, closed);
        if (!ok || closed || stream.ended() || stream.refused())
            break;
    }
    t_current_stream = nullptr;
}

void WebHost::stop()
{
    Impl& d = *impl_;
    {
        std::lock_guard guard(d.lock);
        if (d.stopping || d.listen_fd < 0)
            return;
        d.stopping = true;
        d.router.set_serving(-1);
        // A worker blocked on its peer wakes: its reads fail at once.
        for (int fd : d.serving)
            ::shutdown(fd, SHUT_RDWR);
        for (int fd : d.waiting)
            ::close(fd);
        d.waiting.clear();
    }
    uint64_t one = 1;
    if (::write(d.wake_fd, &one, sizeof one) < 0)
        server_log("web: cannot wake the acceptor");
    d.work.notify_all();
    if (d.acceptor.joinable())
        d.acceptor.join();
    for (std::thread& worker : d.workers)
        worker.join();
    d.workers.clear();
    ::close(d.listen_fd);
    ::close(d.wake_fd);
    d.listen_fd = -1;
    d.wake_fd = -1;
}
