#pragma once
// One outgoing TCP connection: to the conference server, to a peer or to a
// web host. It connects directly or through the proxy of the settings
// ("proxy" section, reloaded at every connect), sends whole wire messages
// under its own send lock with a bounded retry, and reads exact byte counts.
//
// Any thread may send; exactly one thread reads. close_socket may be called
// from any thread, also while another blocks in a read: the handle is shut
// down first, which wakes the reader, and the descriptor is released only when
// the last operation still using it has returned, so a number reused by a new
// connection is never read or written by mistake.

#include "core/shared_text.h"
#include "platform/sys/timed_lock.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

inline constexpr int socket_buffer_bytes = 81920;
inline constexpr int send_lock_wait_ms = 3000;
inline constexpr int send_select_wait_ms = 2000;
inline constexpr int send_retry_limit = 15;
inline constexpr int send_retry_sleep_ms = 200;

// Proxy types of the "proxy_type" setting.
inline constexpr int proxy_type_http_connect = 0;
inline constexpr int proxy_type_socks4 = 1;
inline constexpr int proxy_type_socks5 = 2;

class Cwf_socket {
public:
    Cwf_socket();
    ~Cwf_socket();
    Cwf_socket(const Cwf_socket&) = delete;
    Cwf_socket& operator=(const Cwf_socket&) = delete;

    // Nothing to start on POSIX; kept because the receive threads call it. Returns 0.
    static int start_winsock();

    // Connects to host:port, directly or through the proxy. 0 or -1.
    int connect_server();

    // Sends a whole wire message, scrambling bytes 20..length-1 in place first.
    // Returns length on success, 0 or a negative value on failure.
    int my_send_fixed_len(char* buffer, int length);
    // The same without scrambling and without retries (proxy handshakes, HTTP).
    int my_send_fixed_len_raw(const char* buffer, int length);
    // Reads exactly length bytes: length, 0 for a length of 0, else -1.
    int my_recv_fixed_len(char* buffer, int length);
    // One read of up to max_len bytes: the count (0 when the peer closed) or negative.
    int my_recv(char* buffer, int max_len);
    // The same read without the message box: for receive loops, which end
    // quietly when their connection fails.
    int my_recv_some(char* buffer, int max_len);

    int close_socket();
    // Takes over a descriptor that is already connected (a peer the peer
    // server accepted). Returns 0.
    int attach_connected(int fd);

    int set_socket_buffers();
    int set_recv_buffer_size(int bytes);
    int set_send_buffer_size(int bytes);

    // Logs one line for the last socket error of the calling thread.
    void socket_error_text();

    // The fields. Texts that other threads read while this one changes them
    // are SharedText; the proxy fields are only used by the connecting thread.
    SharedText<255> name;           // "noname" after construction
    SharedText<99> host;            // server host name or dotted address
    SharedText<50> local_address;   // own address after a connect
    std::atomic<uint16_t> port { 0 };
    std::atomic<int32_t> connected { 0 };
    std::atomic<uint32_t> last_send_tick { 0 }; // the keep-alive reads it
    std::atomic<int> m_sock { 0 };              // 0: no connection
    // Set when a failed send closed the connection: its end is a lost link,
    // not its owner's close, for whoever reads from it.
    std::atomic<int32_t> send_failed { 0 };
    platform::TimedMutex send_lock;
    std::string proxy_host;         // dotted text, at most 99 characters
    int32_t proxy_port = 0;
    int32_t use_proxy = 0;
    std::string proxy_user_name;    // at most 127 characters
    std::string proxy_password;     // at most 127 characters
    int32_t proxy_type = proxy_type_http_connect;
    std::atomic<int32_t> show_errors { 1 };
    // How long a connect may take before it gives up; 0: as long as the
    // system keeps trying.
    std::atomic<int> connect_wait_ms { 0 };
    std::atomic<int32_t> retry { 1 };
    std::atomic<int32_t> retry_count { 0 };
    std::atomic<int32_t> failure_count { 0 };

private:
    struct Handle;
    using HandleRef = std::shared_ptr<Handle>;

    HandleRef current_handle() const;
    HandleRef adopt(int fd);
    void reload_proxy_settings();
    int fail_connect(const char* message);
    int finish_connect();
    int proxy_handshake();
    int http_connect_handshake();
    int socks4_handshake();
    int socks5_handshake();
    int read_proxy_line(char* line, int limit, bool show_read_failure, bool& complete);
    static constexpr ssize_t send_piece_null_socket = -2;
    ssize_t send_piece(int fd, const char* bytes, int count, int& ready);
    int send_locked(const HandleRef& h, const char* buffer, int length, bool with_retries);
    int null_socket_exit();
    int failure_exit(int result, bool select_failed);

    std::atomic<std::shared_ptr<Handle>> handle_;
};

// The calling thread's last socket error (errno of the last failed socket call).
int last_socket_error();
void set_last_socket_error(int error);
// The log line of socket_error_text for an errno value, "%s" still in it.
const char* socket_error_line(int error);
