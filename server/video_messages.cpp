// Video: each member uploads its frames on the application connection
// (760 begin, 761 chunks, 762 end); the server keeps the latest frame and
// the latest key frame of every member and sends them to the members of
// the same room who ask (763) as 764, 765 chunks and 766 with the sender's
// id in field 2 and the frame's two ids ("key:frame") as body. A request
// that finds nothing new waits for the member's next frame.
#include "core/messages.h"
#include "core/text_util.h"
#include "media/video_frame_head.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"
#include "server/video_store.h"

#include <set>
#include <utility>

namespace {

struct VideoClientState {
    MemberVideo video;
    std::set<std::pair<int, int>> refusals_logged;  // (member asked for, kind of refusal)
};

bool on_app_connection(const Client& sender, const IncomingMessage& message)
{
    if (message.channel == Channel::app)
        return true;
    server_log("video: client %d: %d on the %s connection: ignored", sender.customer_id(), message.head.number,
               channel_name(message.channel));
    return false;
}

void log_refusal(const Client& sender, const std::string& refusal)
{
    if (!refusal.empty())
        server_log("video: client %d: %s", sender.customer_id(), refusal.c_str());
}

// Once per requester, member and kind, so a client that keeps asking wrongly
// does not fill the log.
void log_request_refusal(Client& requester, int member, int kind, const std::string& line)
{
    std::set<std::pair<int, int>>& logged = requester.state<VideoClientState>().refusals_logged;
    if (logged.size() < 256 && logged.insert({ member, kind }).second)
        server_log("video: client %d: %s", requester.customer_id(), line.c_str());
}

void send_frame(ServerCore& server, Client& to, int member, const StoredVideoFrame& frame)
{
    server.send(to, Channel::app, WireHead { 0, 0, MSG_VIDEO_DCT_BEGIN, 0 });
    std::string_view bytes = *frame.bytes;
    for (size_t at = 0; at < bytes.size(); at += video_chunk_limit)
        server.send(to, Channel::app, WireHead { 0, 0, MSG_VIDEO_DCT_DATA, 0 }, bytes.substr(at, video_chunk_limit));
    server.send(to, Channel::app, WireHead { 0, member, MSG_VIDEO_DCT_END, 0 },
                format_text("%d:%d", frame.key_id, frame.frame_id));
}

// What the requester lacks of the member's frames now, or a wait for the next.
void answer_request(ServerCore& server, Client& requester, Client& member, int key_id, int frame_id)
{
    MemberVideo& video = member.state<VideoClientState>().video;
    std::vector<const StoredVideoFrame*> frames = video.answer(key_id, frame_id);
    if (frames.empty()) {
        video.wait_for_next({ requester.customer_id(), key_id, frame_id });
        return;
    }
    // Copies: a send that overflows a queue may drop a client, never the frames.
    std::vector<StoredVideoFrame> copies;
    for (const StoredVideoFrame* frame : frames)
        copies.push_back(*frame);
    for (const StoredVideoFrame& frame : copies)
        send_frame(server, requester, member.customer_id(), frame);
}

void frame_begin(ServerCore&, Client& sender, const IncomingMessage& message)
{
    if (on_app_connection(sender, message))
        log_refusal(sender, sender.state<VideoClientState>().video.begin(message.head.address));
}

void frame_data(ServerCore&, Client& sender, const IncomingMessage& message)
{
    if (on_app_connection(sender, message))
        log_refusal(sender, sender.state<VideoClientState>().video.append(message.body));
}

void frame_end(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    if (!on_app_connection(sender, message))
        return;
    MemberVideo& video = sender.state<VideoClientState>().video;
    const StoredVideoFrame* before = video.latest();
    int before_id = before ? before->frame_id : 0;
    log_refusal(sender, video.end(message.head.address));
    const StoredVideoFrame* after = video.latest();
    if (!after || after->frame_id == before_id)
        return;
    // The requests that waited for this frame.
    for (const VideoWaitingRequest& request : video.take_waiting()) {
        Client* requester = server.find_client(request.requester);
        if (requester && sender.room() && requester->room() == sender.room())
            answer_request(server, *requester, sender, request.key_id, request.frame_id);
    }
}

void frame_request(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    if (!on_app_connection(sender, message))
        return;
    int member_id = message.head.address;
    Room* room = sender.room();
    Client* member = room ? room->member(member_id) : nullptr;
    if (!member) {
        log_request_refusal(sender, member_id, 0,
                            format_text("asks for the video of %d, who is not in its room", member_id));
        return;
    }
    int key_id = 0;
    int frame_id = 0;
    if (parse_video_request_ids(message.body, key_id, frame_id) != 0) {
        log_request_refusal(sender, member_id, 1,
                            format_text("a video request for %d with the body \"%s\": ignored", member_id,
                                        printable(message.body.substr(0, 32)).c_str()));
        return;
    }
    answer_request(server, sender, *member, key_id, frame_id);
}

} // namespace

void install_video_messages(MessageTable& table)
{
    table.add_handler(MSG_VIDEO_FRAME_BEGIN, frame_begin, "video");
    table.add_handler(MSG_VIDEO_FRAME_DATA, frame_data, "video");
    table.add_handler(MSG_VIDEO_FRAME_END, frame_end, "video");
    table.add_handler(MSG_VIDEO_FRAME_REQUEST, frame_request, "video");
    // A member who leaves its room takes its pictures with it.
    table.on_room_leaving([](ServerCore&, Client& client) { client.state<VideoClientState>().video.clear(); });
}
