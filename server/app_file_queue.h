#pragma once
// Files the server sends a client on its application connection as a begin,
// data pieces and an end message (whole pictures, signatures, members'
// pictures): one queue per client, sent in order and paced by what waits
// on the connection, so a large picture never fills the send queue.

#include "server/message_table.h"

#include <memory>
#include <string>

class ServerCore;
class Client;

struct AppFile {
    int begin = 0, data = 0, end = 0;
    int begin_field2 = 0, end_field2 = 0;
    std::string begin_body, end_body;
    std::string data_prefix;  // put before the bytes of every data message
    std::shared_ptr<const std::string> bytes;
};

inline constexpr size_t app_file_piece = 8000;

// Queues the file for the client; sending starts at once when nothing else
// waits. A client without an application connection gets nothing (its
// queue is emptied).
void queue_app_file(ServerCore& server, Client& client, AppFile file);
// The client's application connection came anew: what waited for the old one is forgotten.
void reset_app_file_queue(Client& client);
