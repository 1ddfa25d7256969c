#pragma once
// What the server keeps of one member's video: the frame being uploaded
// (760, 761 ..., 762), the latest frame and the latest key frame, and the
// requests (763) that wait for the next frame. Frames are numbered here: a
// frame's first id is the number of the key frame it is coded against (its
// own for a key frame), its second the frame's own number; both start at 1,
// so a receiver that has nothing says 0:0.
//
// A requester whose first id is not the latest key's gets that key frame
// first; one that has the latest frame waits for the next. Frames over
// 40000 bytes, chunks over 900 bytes, a begin before the previous frame
// ended, and frames that do not read (their head, or a frame of changed
// blocks with no key frame before it) are refused. At most three frames'
// worth of bytes per member.
//
// No sockets: the family file (video_messages.cpp) sends what answer() gives.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct StoredVideoFrame {
    std::shared_ptr<const std::string> bytes;  // head and streams, as uploaded
    int frame_kind = 1;
    int size_index = 0;
    int key_id = 0;    // the key frame it needs
    int frame_id = 0;  // its own number
};

// A request waiting for the member's next frame: who asked and what it had.
struct VideoWaitingRequest {
    int requester = 0;
    int key_id = 0;
    int frame_id = 0;
};

class MemberVideo {
public:
    // Each returns an empty text when taken, else why it was refused (one
    // log line). begin refuses an unfinished upload (which is dropped) and
    // starts the new one all the same.
    std::string begin(int frame_kind);
    std::string append(std::string_view chunk);
    // The upload ends: checked and, when good, stored as the latest frame.
    std::string end(int frame_kind);

    // The frames a requester that holds key_id:frame_id should get now, in
    // order (the key frame first when it lacks it); empty when it has the
    // latest frame or nothing is stored.
    std::vector<const StoredVideoFrame*> answer(int key_id, int frame_id) const;
    // Keeps the request until the next frame (one per requester, the newest).
    void wait_for_next(const VideoWaitingRequest& request);
    // The waiting requests, handed over and forgotten.
    std::vector<VideoWaitingRequest> take_waiting();

    // The member left: everything it sent is forgotten (the numbers go on, so
    // a receiver never takes a new frame for one it had).
    void clear();

    const StoredVideoFrame* latest() const { return latest_.bytes ? &latest_ : nullptr; }
    const StoredVideoFrame* latest_key() const { return key_.bytes ? &key_ : nullptr; }
    bool uploading() const { return uploading_; }
    size_t stored_bytes() const;
    size_t waiting_count() const { return waiting_.size(); }

    // Room size: a request from everyone else in a full room.
    static constexpr size_t waiting_limit = 100;

private:
    bool uploading_ = false;
    bool refused_ = false;  // the upload in progress was refused; skip to its end
    int upload_kind_ = 1;
    std::string upload_;
    StoredVideoFrame latest_;
    StoredVideoFrame key_;
    int last_key_id_ = 0;
    int last_frame_id_ = 0;
    std::map<int, VideoWaitingRequest> waiting_;
};

// "%d:%d" with optional blanks (the client writes "%4d:%4d"): 0 and both
// ids, -1 for anything else.
int parse_video_request_ids(std::string_view body, int& key_id, int& frame_id);
