// The meeting that playback is measured against: the real program R enters
// a room of a real tamblo-server and records while headless peers draw
// every kind of action on three pages, Bob talks a spoken sentence and sends
// camera pictures, Cleo shares her desktop and everyone chats; the server
// serves Ann's and Bob's pictures. Shared by the fidelity test and the
// playback load benchmark.
#pragma once

#include "core/chat_receive.h"
#include "core/file_util.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "media/ui/video_view.h"
#include "media/video_frame_codec.h"
#include "media/video_send.h"
#include "media/video_transport.h"
#include "media/video_windows.h"
#include "media/voice_codec.h"
#include "media/voice_state.h"
#include "platform/audio/wav_file.h"
#include "platform/camera/capture_source.h"
#include "sharing/share_state.h"
#include "shell/frame_commands.h"
#include "shell/ui/brenmo_app.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/main_frame.h"
#include "tests/support/gzip.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "whiteboard/board_model.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fidelity {

constexpr int wait_ms = 20000;

// Runs the event loop, as the program does, looking every 2 ms: a loop that
// spun instead would be counted as the program's processor time.
inline bool pump_until(const std::function<bool()>& done, int limit_ms = wait_ms)
{
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (done() || t.elapsed() >= limit_ms)
            loop.quit();
    });
    look.start(2);
    if (!done())
        loop.exec();
    return done();
}

inline int64_t thread_cpu_ns()
{
    timespec ts {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// A sentence spoken by espeak-ng, made 8 kHz by sox; empty when either fails.
inline std::vector<uint8_t> spoken_sentence(const std::string& dir)
{
    const std::string wav = dir + "/spoken.wav", narrow = dir + "/spoken_8k.wav";
    std::vector<uint8_t> samples;
    if (std::system(("espeak-ng -w " + wav + " 'The meeting is played back as it was held.'").c_str()) != 0 ||
        std::system(("sox " + wav + " -r 8000 -c 1 -b 8 -e unsigned-integer " + narrow).c_str()) != 0 ||
        platform::read_wav_as_u8_8000(narrow, samples) != 0)
        samples.clear();
    return samples;
}

// The talk blocks a sender sends of the samples: those its coder finds sound in.
inline std::vector<std::string> talk_bodies(const std::vector<uint8_t>& samples)
{
    std::vector<std::string> bodies;
    std::vector<uint8_t> coded(talk_coded_block_bytes + 128);
    std::vector<uint8_t> z(talk_z_buffer_bytes);
    for (size_t at = 0; at + talk_block_samples <= samples.size(); at += talk_block_samples) {
        int len = 0;
        if (audio_encode_block(samples.data() + at, coded.data(), talk_block_samples, &len, 0) != 1)
            continue;
        int z_len = z_compress_talk_data(coded.data(), static_cast<size_t>(len), z.data(), z.size());
        if (z_len > 0)
            bodies.push_back(format_text("%4d:", 0) + std::string(reinterpret_cast<const char*>(z.data()), static_cast<size_t>(z_len)));
    }
    return bodies;
}

// ---- pictures ----

inline std::string jpeg_of(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes.toStdString();
}

inline QImage coloured(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// ---- whiteboard actions as a peer sends them ----

inline std::string action_body(int32_t kind, std::array<int32_t, 9> data, std::string_view text = {})
{
    board_action a;
    a.kind = kind;
    a.set_gesture_end(1);
    a.data = data;
    return std::string(reinterpret_cast<const char*>(&a), sizeof a) + std::string(text);
}

// Every kind of page change, on pages 0, 1 and 2; the text of page 2 is long.
inline void draw_three_pages(HeadlessPeer& a)
{
    board_logfont font {};
    font[0] = 18;
    std::memcpy(font.data() + 28, "Sans", 4);
    a.send(PeerChannel::main, MSG_BOARD_FONT_UPLOAD, 0, std::string_view(reinterpret_cast<const char*>(font.data()), font.size()));
    for (int page = 0; page < 3; ++page) {
        a.send(PeerChannel::main, MSG_BOARD_POINT, page, action_body(ACTION_POINT, { 10, 20 + page, 3, 200, 10, 10, 0, 0, 0 }));
        for (int i = 0; i < 6; ++i)
            a.send(PeerChannel::main, MSG_BOARD_LINE, page, action_body(ACTION_LINE, { i * 5, i, i * 5 + 4, i + 3, 1, 2, 3, 2, 0 }));
        const std::pair<int, int32_t> figures[] = {
            { MSG_BOARD_RECT, ACTION_RECT },           { MSG_BOARD_FILLED_RECT, ACTION_FILLED_RECT },
            { MSG_BOARD_ELLIPSE, ACTION_ELLIPSE },     { MSG_BOARD_FILLED_ELLIPSE, ACTION_FILLED_ELLIPSE },
            { MSG_BOARD_ROUND_RECT, ACTION_ROUND_RECT }, { MSG_BOARD_FILLED_ROUND_RECT, ACTION_FILLED_ROUND_RECT },
        };
        for (auto [number, kind] : figures)
            a.send(PeerChannel::main, number, page, action_body(kind, { 40, 40 + kind, 90, 120, 20, 30, 40 + page, 2, 0 }));
        a.send(PeerChannel::main, MSG_BOARD_TEXT, page,
               action_body(ACTION_TEXT, { 30, 200, 0, 0, 255, 0, 0, 0, 0 }, page == 2 ? std::string(300, 'L') : "page " + std::to_string(page)));
        a.send(PeerChannel::main, MSG_BOARD_UNDO, page);
        if (page != 1)
            a.send(PeerChannel::main, MSG_BOARD_REDO, page);
    }
    a.send(PeerChannel::main, MSG_BOARD_CLEAR, 1);
    a.send(PeerChannel::main, MSG_BOARD_LINE, 1, action_body(ACTION_LINE, { 1, 1, 300, 300, 9, 9, 9, 4, 0 }));
}

inline std::string chat_body(const std::string& text) { return text + std::string("\0\x10\x20\x30\x0c\x01", 6); }

inline bool chat_holds(const std::string& text)
{
    std::lock_guard<std::mutex> hold(chat_history_lock());
    return std::string(chat_history().text()).find(text) != std::string::npos;
}

inline void upload_tile(HeadlessPeer& sharer, int row, int column, QColor colour, int version)
{
    const std::string packed = gzip_of(jpeg_of(coloured(80, 50, colour)));
    const int number = row * 256 + column;
    sharer.send(PeerChannel::app, MSG_SHARE_DESK_TILE_BEGIN, number);
    for (size_t at = 0; at < packed.size(); at += 900)
        sharer.send(PeerChannel::app, MSG_SHARE_DESK_TILE_DATA, number, packed.substr(at, 900));
    sharer.send(PeerChannel::app, MSG_SHARE_DESK_TILE_END, number, format_text("%4d:%8d", version, static_cast<int>(packed.size())));
}

// The server with the members' pictures, the peers, and the meeting they
// hold while R is in the room. Failures come back as text, empty when all went well.
class Room {
public:
    explicit Room(const std::string& root) : pictures_(root + "/pictures")
    {
        std::filesystem::create_directories(pictures_);
        std::ofstream(pictures_ + "/ann.jpg", std::ios::binary) << jpeg_of(coloured(48, 40, QColor(200, 40, 160)));
        std::ofstream(pictures_ + "/bob.jpg", std::ios::binary) << jpeg_of(coloured(40, 48, QColor(30, 160, 90)));
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--pictures", pictures_ });
    }
    ServerProcess& server() { return *server_; }
    // The peers leave; the server stays until the room goes.
    void leave() { peers_.clear(); }
    HeadlessPeer& bob() { return *bob_; }
    int frames_sent() const { return frames_sent_; }
    // What the peers' own work cost the process: the script's threads and
    // its sends on the caller's thread, and each peer's receiving threads.
    int64_t peers_cpu_ns() const
    {
        int64_t sum = script_cpu_ns_;
        for (const auto& p : peers_)
            sum += p->receiving_cpu_ns();
        return sum;
    }

    // R enters the room (Dan, the chairman, starts the meeting) and talks
    // as the user starts it.
    std::string enter(std::unique_ptr<CBrenmoApp>& app)
    {
        HeadlessPeer& dan = peer("dan");
        if (peers_failed_)
            return "Dan did not join\n" + server_->log_text();
        app = std::make_unique<CBrenmoApp>("127.0.0.1:Test:" + std::to_string(server_->port()) + ":replay:xxcodeyyy:rita:");
        if (!app->InitInstance())
            return "R did not start";
        if (!pump_until([] { return g_room_number >= 0; }))
            return "R is in no room\n" + server_->log_text();
        dan.send(PeerChannel::main, MSG_MEETING_START);
        if (!pump_until([] { return g_meeting_started == 1; }))
            return "the meeting did not start\n" + server_->log_text();
        if (!g_main_frame->commands().trigger(cmd::meeting_talk) || !pump_until([] { return g_talk_active == 1; }))
            return "R does not talk\n" + server_->log_text();
        return "";
    }

    // Ann, Bob and Cleo join; R, whose user folder is given, has their pictures.
    std::string join(const std::string& user_folder)
    {
        // R is sent each picture with the member list that shows the
        // newcomer. One newcomer at a time: a picture that comes while a
        // second list is being filled in finds no member for it.
        ann_ = &peer("ann");
        if (!pump_until([&] { return file_exists(user_folder + "bmp/ann.jpg"); }))
            return "no picture of Ann\n" + server_->log_text();
        bob_ = &peer("bob");
        if (!pump_until([&] { return file_exists(user_folder + "bmp/bob.jpg"); }))
            return "no picture of Bob\n" + server_->log_text();
        cleo_ = &peer("cleo");
        if (g_video_view == nullptr || g_video_view->video_window_assign(bob_->customer_id()) < 0)
            return "no video window for Bob";
        return peers_failed_ ? "a peer did not join\n" + server_->log_text() : "";
    }

    // Bob talks the blocks at their pace and sends five pictures a second;
    // Ann draws, Cleo shares her desktop, everyone chats. Returns once R has
    // the chat, Bob's last picture and a last tile sent after everything.
    std::string hold(const std::vector<std::string>& talk)
    {
        std::atomic<int> finished { 0 };
        std::atomic<int> frames_sent { 0 };
        std::atomic<int64_t> threads_cpu_ns { 0 };
        std::thread talking([&] {
            auto next = std::chrono::steady_clock::now();
            for (const std::string& body : talk) {
                bob_->send(PeerChannel::voice, MSG_TALK_DCT_Z, 0, body);
                next += std::chrono::milliseconds(talk_block_samples / 8);
                std::this_thread::sleep_until(next);
            }
            threads_cpu_ns += thread_cpu_ns();
            ++finished;
        });
        std::thread camera([&] {
            platform::SyntheticCaptureSource source;
            source.start(160, 120);
            std::vector<uint8_t> rgb(160 * 120 * 3);
            VideoFrameEncoder encoder;
            VideoStreamPacker packer;
            for (int i = 0; i < 12; ++i) {
                source.grab(rgb);
                CodedVideoFrame coded;
                VideoSendBuffers buffers;
                if (encoder.encode(i, 70, rgb, coded) != 0 || packer.pack(coded, buffers.streams) != 0)
                    continue;
                buffers.frame_kind = coded.frame_kind;
                buffers.quality = coded.quality;
                std::vector<uint8_t> frame;
                if (build_video_frame(buffers, frame) > 0 && send_video_frame(bob_->socket(PeerChannel::app), coded.frame_kind, frame) == 0)
                    ++frames_sent;
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
            threads_cpu_ns += thread_cpu_ns();
            ++finished;
        });
        auto joined = [&] {
            talking.join();
            camera.join();
            frames_sent_ = frames_sent;
            script_cpu_ns_ += threads_cpu_ns;
        };
        int64_t on_caller = thread_cpu_ns();
        draw_three_pages(*ann_);
        ann_->send(PeerChannel::main, MSG_CHAT_TEXT, 0, chat_body("ann: three pages drawn"));
        cleo_->send(PeerChannel::main, MSG_SHARE_DESK_START);
        if (!cleo_->await_number(MSG_SHARE_DESK_ALLOWED)) {
            joined();
            return "Cleo may not share";
        }
        cleo_->send(PeerChannel::main, MSG_SHARE_DESK_SIZE, 0, format_text("%4d:%4d", 6 * 80, 6 * 50));
        for (int r = 0; r < desk_grid_size; ++r)
            for (int c = 0; c < desk_grid_size; ++c)
                upload_tile(*cleo_, r, c, QColor(20 + 40 * r, 230 - 35 * c, 90), 1);
        cleo_->send(PeerChannel::main, MSG_CHAT_TEXT, 0, chat_body("cleo: my desktop"));
        bob_->send(PeerChannel::main, MSG_CHAT_TEXT, 0, chat_body("bob: can you hear me"));
        script_cpu_ns_ += thread_cpu_ns() - on_caller;
        const bool chatted =
            pump_until([&] { return chat_holds("ann: three pages drawn") && chat_holds("cleo: my desktop") && chat_holds("bob: can you hear me"); });
        const bool ended = pump_until([&] { return finished == 2; }, 60000);
        joined();
        if (!chatted)
            return "R lacks the chat";
        if (!ended)
            return "Bob's talk and pictures took over a minute";

        // The server numbers a member's frames from 1 as they come: R has
        // Bob's last picture once it holds the number of the last frame sent.
        auto bob_window_at = [&](int frame) {
            for (int index : video_windows_showing(bob_->customer_id())) {
                VideoWindowState s = video_window_state(index);
                if (s.picture && s.received_ids[1] == frame)
                    return true;
            }
            return false;
        };
        if (!pump_until([&] { return bob_window_at(frames_sent_); })) {
            std::string out = format_text("R lacks Bob's last picture (%d sent):", frames_sent_);
            for (int index : video_windows_showing(bob_->customer_id())) {
                VideoWindowState s = video_window_state(index);
                out += format_text(" window %d: %d:%d picture %d", index, s.received_ids[0], s.received_ids[1], s.picture ? 1 : 0);
            }
            return out;
        }
        // A last tile on the same connection: R has handled the picture before it.
        on_caller = thread_cpu_ns();
        upload_tile(*cleo_, 5, 5, QColor(250, 250, 250), 2);
        const std::string last_tile = jpeg_of(coloured(80, 50, QColor(250, 250, 250)));
        script_cpu_ns_ += thread_cpu_ns() - on_caller;
        if (!pump_until([&] { return read_file(tile_picture_path(ShareGrid::desk, 5, 5)) == last_tile; }))
            return "R lacks the last tile";
        return "";
    }

private:
    HeadlessPeer& peer(const std::string& name)
    {
        peers_.push_back(std::make_unique<HeadlessPeer>(name));
        HeadlessPeer& p = *peers_.back();
        if (p.connect("127.0.0.1", server_->port()) != 0 || p.login(name) != 0 || p.join_room("replay") <= 0)
            peers_failed_ = true;
        return p;
    }

    std::string pictures_;
    std::unique_ptr<ServerProcess> server_;
    std::vector<std::unique_ptr<HeadlessPeer>> peers_;
    HeadlessPeer* ann_ = nullptr;
    HeadlessPeer* bob_ = nullptr;
    HeadlessPeer* cleo_ = nullptr;
    bool peers_failed_ = false;
    int frames_sent_ = 0;
    int64_t script_cpu_ns_ = 0;
};

} // namespace fidelity
