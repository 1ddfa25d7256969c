#include "server/video_store.h"

#include "core/text_util.h"
#include "media/video_frame_head.h"

#include <cctype>
#include <charconv>

std::string MemberVideo::begin(int frame_kind)
{
    std::string refusal;
    if (uploading_ && !refused_)
        refusal = "a begin without an end: the unfinished frame is dropped";
    uploading_ = true;
    refused_ = false;
    upload_.clear();
    upload_kind_ = frame_kind;
    if (frame_kind != 0 && frame_kind != 1) {
        refused_ = true;
        refusal = format_text("frame kind %d is not 0 or 1", frame_kind);
    }
    return refusal;
}

std::string MemberVideo::append(std::string_view chunk)
{
    if (!uploading_) {
        // Quiet until the next begin or end: one line for the whole stray frame.
        uploading_ = true;
        refused_ = true;
        upload_.clear();
        return "data without a begin";
    }
    if (refused_)
        return {};
    if (chunk.empty() || chunk.size() > video_chunk_limit) {
        refused_ = true;
        upload_.clear();
        return format_text("a chunk of %zu bytes (1-%zu): the frame is refused", chunk.size(), video_chunk_limit);
    }
    if (upload_.size() + chunk.size() > video_frame_limit) {
        refused_ = true;
        upload_.clear();
        return format_text("a frame over %zu bytes: refused", video_frame_limit);
    }
    upload_.append(chunk);
    return {};
}

std::string MemberVideo::end(int frame_kind)
{
    if (!uploading_)
        return "an end without a begin";
    uploading_ = false;
    std::string frame;
    frame.swap(upload_);
    if (refused_) {
        refused_ = false;
        return {};
    }
    if (frame_kind != upload_kind_)
        return format_text("the end says frame kind %d, the begin %d: refused", frame_kind, upload_kind_);
    VideoFrameHead head;
    const char* why = "";
    std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
    if (!read_video_frame_head(bytes, head, &why))
        return format_text("a frame of %zu bytes refused: %s", frame.size(), why);
    if (head.frame_kind != upload_kind_)
        return format_text("a frame whose head says kind %d after a begin of kind %d: refused", head.frame_kind,
                           upload_kind_);
    bool key = head.frame_kind == 1;
    if (!key && (!key_.bytes || key_.size_index != head.size_index))
        return "changed blocks without a key frame of their size before them: refused";

    StoredVideoFrame stored;
    stored.bytes = std::make_shared<const std::string>(std::move(frame));
    stored.frame_kind = head.frame_kind;
    stored.size_index = head.size_index;
    stored.frame_id = ++last_frame_id_;
    if (key) {
        stored.key_id = ++last_key_id_;
        key_ = stored;
    } else {
        stored.key_id = key_.key_id;
    }
    latest_ = std::move(stored);
    return {};
}

std::vector<const StoredVideoFrame*> MemberVideo::answer(int key_id, int frame_id) const
{
    std::vector<const StoredVideoFrame*> out;
    if (!latest_.bytes || (key_id == latest_.key_id && frame_id == latest_.frame_id))
        return out;
    if (key_id != key_.key_id) {
        out.push_back(&key_);
        if (latest_.frame_id != key_.frame_id)
            out.push_back(&latest_);
        return out;
    }
    out.push_back(&latest_);
    return out;
}

void MemberVideo::wait_for_next(const VideoWaitingRequest& request)
{
    if (waiting_.size() >= waiting_limit && !waiting_.count(request.requester))
        return;
    waiting_[request.requester] = request;
}

std::vector<VideoWaitingRequest> MemberVideo::take_waiting()
{
    std::vector<VideoWaitingRequest> out;
    out.reserve(waiting_.size());
    for (const auto& [requester, request] : waiting_)
        out.push_back(request);
    waiting_.clear();
    return out;
}

void MemberVideo::clear()
{
    uploading_ = false;
    refused_ = false;
    std::string().swap(upload_);
    latest_ = {};
    key_ = {};
    waiting_.clear();
}

size_t MemberVideo::stored_bytes() const
{
    size_t bytes = upload_.size();
    if (latest_.bytes)
        bytes += latest_.bytes->size();
    if (key_.bytes && key_.bytes != latest_.bytes)
        bytes += key_.bytes->size();
    return bytes;
}

namespace {

bool read_number(std::string_view& text, int& value)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data())
        return false;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return true;
}

} // namespace

int parse_video_request_ids(std::string_view body, int& key_id, int& frame_id)
{
    int a = 0;
    int b = 0;
    if (!read_number(body, a) || body.empty() || body.front() != ':')
        return -1;
    body.remove_prefix(1);
    if (!read_number(body, b))
        return -1;
    while (!body.empty() && (body.front() == ' ' || body.front() == '\0'))
        body.remove_prefix(1);
    if (!body.empty())
        return -1;
    key_id = a;
    frame_id = b;
    return 0;
}
