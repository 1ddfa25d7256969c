// The conference server's per-message path, in-process: up to three clients
// over real loopback connections that never read what the server sends, a
// send-queue bound the input sets (small bounds stand for a client that
// stopped reading, so clients are dropped in the middle of handlers), and
// messages of every family in any order. The harness steps the server's
// loop itself, so each input runs the same way every time.

#include "core/messages.h"
#include "core/text_util.h"
#include "core/wire_head.h"
#include "fuzz/fuzz_input.h"
#include "server/control_messages.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"

#include <arpa/inet.h>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <vector>

namespace {

constexpr int client_limit = 3;
constexpr int first_id = 1000;

// Numbers some family takes, so that most messages reach a handler.
const std::vector<int>& handled_numbers()
{
    static const std::vector<int> numbers = [] {
        MessageTable table;
        install_server_families(table);
        std::vector<int> out;
        for (int n = 0; n < MessageTable::number_limit; ++n)
            if (table.has(n))
                out.push_back(n);
        for (int n : { MSG_HELLO_MAIN, MSG_HELLO_VOICE, MSG_HELLO_APP, MSG_HELLO_FILE, MSG_KEEP_ALIVE })
            out.push_back(n);
        return out;
    }();
    return numbers;
}

int connect_to(uint16_t port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int small = 2048; // a client that reads nothing: the server's writes back up soon
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    return fd;
}

// Whole messages only: once one does not fit, that connection takes no more,
// so the server never sees a stream out of step that the input did not ask for.
void send_message(int& fd, const WireHead& head, std::string_view body)
{
    if (fd < 0)
        return;
    std::string wire = format_wire_head(head);
    if (wire.size() != wire_head_len)
        return;
    size_t body_at = wire.size();
    wire.append(body);
    scramble_message_body(wire.data() + body_at, static_cast<int>(body.size()));
    ssize_t sent = ::send(fd, wire.data(), wire.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent != static_cast<ssize_t>(wire.size())) {
        ::close(fd);
        fd = -1;
    }
}

// Runs the server's loop until nothing is left to do.
void settle(ServerCore& server)
{
    int quiet = 0;
    for (int i = 0; i < 2000 && quiet < 3; ++i)
        quiet = server.poll() == 0 ? quiet + 1 : 0;
}

struct FuzzClient {
    std::array<int, channel_count> fd { -1, -1, -1, -1 };
    ~FuzzClient()
    {
        for (int f : fd)
            if (f >= 0)
                ::close(f);
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The server's log goes to standard output; libFuzzer reports on standard error.
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    set_control_config(default_control_config());
    handled_numbers();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    ServerConfig config;
    config.listen_port = 0;
    config.identify_timeout_ms = 0;
    config.idle_timeout_ms = 0;
    config.send_queue_limit_bytes = size_t { 64 } << (in.u8() % 18);
    uint8_t setup = in.u8();
    int client_count = 1 + setup % client_limit;
    MessageTable table;
    install_server_families(table);
    ServerCore server(config, std::move(table));
    if (server.start() != 0)
        return 0;

    std::array<FuzzClient, client_limit> clients;
    for (int c = 0; c < client_count; ++c) {
        int& main_fd = clients[c].fd[static_cast<size_t>(Channel::main)];
        main_fd = connect_to(server.port());
        send_message(main_fd, WireHead { 0, 0, MSG_HELLO_MAIN, 0 }, {});
        settle(server);
        const std::string id = format_text("%6d", first_id + c);
        const std::pair<Channel, int> hellos[] = { { Channel::voice, MSG_HELLO_VOICE }, { Channel::app, MSG_HELLO_APP },
                                                   { Channel::file, MSG_HELLO_FILE } };
        for (auto [channel, number] : hellos) {
            if (!(setup & (8 << static_cast<int>(channel))))
                continue;
            int& fd = clients[c].fd[static_cast<size_t>(channel)];
            fd = connect_to(server.port());
            send_message(fd, WireHead { 0, 0, number, static_cast<int>(id.size()) }, id);
        }
        settle(server);
    }

    const std::vector<int>& numbers = handled_numbers();
    for (int i = 0; i < 400 && !in.empty(); ++i) {
        uint8_t who = in.u8();
        FuzzClient& client = clients[static_cast<size_t>(who % client_count)];
        size_t channel = (who >> 2) % channel_count;
        if (client.fd[channel] < 0)
            channel = static_cast<size_t>(Channel::main);
        if (who & 0x40) { // the client closes that connection
            if (client.fd[channel] >= 0)
                ::close(client.fd[channel]);
            client.fd[channel] = -1;
            settle(server);
            continue;
        }
        uint16_t pick = in.u16();
        int number = (pick & 0x8000) ? (pick & 0x7fff) % (wire_field_max + 1) : numbers[pick % numbers.size()];
        uint8_t to = in.u8();
        int field2 = to < 64 ? wire_to_all : to < 192 ? first_id + to % (client_limit + 1) : to - 192;
        std::string_view body = in.bytes(in.u16() % (wire_field_max + 1));
        send_message(client.fd[channel], WireHead { 0, field2, number, static_cast<int>(body.size()) }, body);
        if (who & 0x80)
            settle(server);
    }
    settle(server);
    return 0;
}
