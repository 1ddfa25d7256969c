#include "server/app_file_queue.h"

#include "server/server_core.h"

#include <deque>

namespace {

constexpr size_t pump_high_mark = 1024 * 1024;
constexpr size_t pump_low_mark = 256 * 1024;

struct AppFileQueue {
    std::deque<AppFile> files;
    size_t offset = 0;    // bytes of the front file already sent
    bool begun = false;   // the front file's begin is sent
    bool waiting = false; // a drain is awaited
};

void pump(ServerCore& server, int customer_id)
{
    Client* client = server.find_client(customer_id);
    if (!client)
        return;
    AppFileQueue& q = client->state<AppFileQueue>();
    q.waiting = false;
    while (!q.files.empty()) {
        if (!client->has_channel(Channel::app)) {
            q = AppFileQueue {};
            return;
        }
        if (server.queued_bytes(*client, Channel::app) >= pump_high_mark) {
            q.waiting = true;
            server.when_drained(*client, Channel::app, pump_low_mark, [&server, customer_id] { pump(server, customer_id); });
            return;
        }
        AppFile& f = q.files.front();
        int sent = 0;
        if (!q.begun) {
            sent = server.send_data(*client, f.begin, f.begin_body, f.begin_field2, Channel::app);
            q.begun = true;
        } else if (f.bytes && q.offset < f.bytes->size()) {
            std::string piece = f.data_prefix;
            piece.append(*f.bytes, q.offset, app_file_piece);
            q.offset += app_file_piece;
            sent = server.send_data(*client, f.data, piece, 0, Channel::app);
        } else {
            sent = server.send_data(*client, f.end, f.end_body, f.end_field2, Channel::app);
            q.files.pop_front();
            q.offset = 0;
            q.begun = false;
        }
        if (sent != 0) {
            // The connection went or the client is being dropped: what waits would go nowhere.
            q = AppFileQueue {};
            return;
        }
    }
}

} // namespace

void queue_app_file(ServerCore& server, Client& client, AppFile file)
{
    AppFileQueue& q = client.state<AppFileQueue>();
    q.files.push_back(std::move(file));
    if (!q.waiting)
        pump(server, client.customer_id());
}

void reset_app_file_queue(Client& client) { client.state<AppFileQueue>() = AppFileQueue {}; }
