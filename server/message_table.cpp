#include "server/message_table.h"

#include "server/server_log.h"

const char* channel_name(Channel channel)
{
    switch (channel) {
    case Channel::main: return "main";
    case Channel::app: return "app";
    case Channel::voice: return "voice";
    case Channel::file: return "file";
    case Channel::count: break;
    }
    return "?";
}

int MessageTable::claim(int number, const char* family)
{
    if (number < 0 || number >= number_limit) {
        server_log("family %s: message number %d out of range", family, number);
        return -1;
    }
    Entry& entry = entries_[static_cast<size_t>(number)];
    if (entry.handler || entry.relay) {
        server_log("family %s: message %d already belongs to family %s", family, number, entry.family);
        return -1;
    }
    entry.family = family;
    return 0;
}

int MessageTable::add_handler(int number, MessageHandler handler, const char* family)
{
    if (!handler || claim(number, family) != 0)
        return -1;
    entries_[static_cast<size_t>(number)].handler = std::move(handler);
    return 0;
}

int MessageTable::add_relay(int number, RelayRule rule, const char* family)
{
    if (claim(number, family) != 0)
        return -1;
    entries_[static_cast<size_t>(number)].relay = rule;
    return 0;
}

int MessageTable::add_follower(int number, MessageHandler follower, const char* family)
{
    if (!follower || number < 0 || number >= number_limit) {
        server_log("family %s: message number %d out of range", family, number);
        return -1;
    }
    entries_[static_cast<size_t>(number)].followers.push_back(std::move(follower));
    return 0;
}

bool MessageTable::has(int number) const
{
    return find(number) != nullptr;
}

const MessageTable::Entry* MessageTable::find(int number) const
{
    if (number < 0 || number >= number_limit)
        return nullptr;
    const Entry& entry = entries_[static_cast<size_t>(number)];
    return entry.handler || entry.relay ? &entry : nullptr;
}

void MessageTable::on_client_ready(ClientEvent event)
{
    ready_events_.push_back(std::move(event));
}

void MessageTable::on_client_leaving(ClientEvent event)
{
    leaving_events_.push_back(std::move(event));
}

void MessageTable::on_room_joined(ClientEvent event)
{
    joined_events_.push_back(std::move(event));
}

void MessageTable::on_room_leaving(ClientEvent event) { room_leaving_events_.push_back(std::move(event)); }
void MessageTable::on_channel_bound(ChannelEvent event)
{
    bound_events_.push_back(std::move(event));
}

void MessageTable::on_room_removing(RoomEvent event) { removing_events_.push_back(std::move(event)); }
