// A meeting played back as it was held. The real program R (offscreen, its
// players' sound kept) records a meeting in a room of a real tamblo-server:
// headless peers draw every kind of action on three pages, talk a spoken
// sentence, send camera pictures, share a desktop and chat, and the server
// serves two members' pictures. Then a fresh program P, in a user folder of
// its own, plays the file from its command line and must hold what R held:
// the pages byte for byte, the chat, the tiles, the members' pictures and
// the last camera picture, with every recorded talk block played once.

#include "core/chat_receive.h"
#include "core/connection_threads.h"
#include "core/file_util.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "media/ui/video_view.h"
#include "media/video_frame_codec.h"
#include "media/video_send.h"
#include "media/video_transport.h"
#include "media/video_windows.h"
#include "media/voice_audio.h"
#include "media/voice_codec.h"
#include "media/voice_receive.h"
#include "media/voice_state.h"
#include "platform/audio/wav_file.h"
#include "platform/camera/capture_source.h"
#include "sharing/share_state.h"
#include "shell/frame_commands.h"
#include "shell/ui/brenmo_app.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/main_frame.h"
#include "tests/support/headless_peer.h"
#include "tests/support/record_file.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_model.h"
#include "whiteboard/meeting_playback.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <thread>

namespace {

constexpr int wait_ms = 20000;

bool pump_until(const std::function<bool()>& done, int limit_ms = wait_ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limit_ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(2);
    }
    return done();
}

// ---- sound: each player's buffers kept as they are written ----

struct KeptBlock {
    std::string device;
    std::vector<uint8_t> samples;
};

struct KeptSound {
    std::mutex lock;
    std::vector<KeptBlock> blocks;
    std::vector<KeptBlock> taken()
    {
        std::lock_guard<std::mutex> hold(lock);
        return blocks;
    }
    void clear()
    {
        std::lock_guard<std::mutex> hold(lock);
        blocks.clear();
    }
};

KeptSound& kept_sound()
{
    static auto* kept = new KeptSound;
    return *kept;
}

class KeepingDevice : public platform::PlaybackDevice {
public:
    KeepingDevice(std::string name, std::unique_ptr<platform::PlaybackDevice> inner)
        : name_(std::move(name)), inner_(std::move(inner))
    {
    }
    int open(Done done) override { return inner_->open(std::move(done)); }
    int write(platform::WaveHeaderPtr header) override
    {
        {
            std::lock_guard<std::mutex> hold(kept_sound().lock);
            kept_sound().blocks.push_back({ name_, header->data });
        }
        return inner_->write(std::move(header));
    }
    int reset() override { return inner_->reset(); }
    int close() override { return inner_->close(); }
    int set_volume(uint32_t volume) override { return inner_->set_volume(volume); }

private:
    std::string name_;
    std::unique_ptr<platform::PlaybackDevice> inner_;
};

// The null backend's paced devices, each write kept on the way.
class KeepingBackend : public platform::AudioBackend {
public:
    std::unique_ptr<platform::CaptureDevice> make_capture() override { return inner_->make_capture(); }
    std::unique_ptr<platform::PlaybackDevice> make_playback(const std::string& name) override
    {
        return std::make_unique<KeepingDevice>(name, inner_->make_playback(name));
    }
    std::string error_text(int code) override { return inner_->error_text(code); }

private:
    std::unique_ptr<platform::AudioBackend> inner_ = platform::make_audio_backend("null");
};

// A sentence spoken by espeak-ng, made 8 kHz by sox.
std::vector<uint8_t> spoken_sentence(const std::string& dir)
{
    const std::string wav = dir + "/spoken.wav", narrow = dir + "/spoken_8k.wav";
    EXPECT_EQ(std::system(("espeak-ng -w " + wav + " 'The meeting is played back as it was held.'").c_str()), 0);
    EXPECT_EQ(std::system(("sox " + wav + " -r 8000 -c 1 -b 8 -e unsigned-integer " + narrow).c_str()), 0);
    std::vector<uint8_t> samples;
    EXPECT_EQ(platform::read_wav_as_u8_8000(narrow, samples), 0);
    return samples;
}

// The talk blocks a sender sends of the samples: those its coder finds sound in.
std::vector<std::string> talk_bodies(const std::vector<uint8_t>& samples)
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

std::string jpeg_of(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes.toStdString();
}

std::string gzip_of(const std::string& plain)
{
    std::string out(compressBound(static_cast<uLong>(plain.size())) + 64, '\0');
    z_stream z {};
    deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

QImage coloured(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// ---- whiteboard actions as a peer sends them ----

std::string action_body(int32_t kind, std::array<int32_t, 9> data, std::string_view text = {})
{
    board_action a;
    a.kind = kind;
    a.set_gesture_end(1);
    a.data = data;
    return std::string(reinterpret_cast<const char*>(&a), sizeof a) + std::string(text);
}

// Every kind of page change, on pages 0, 1 and 2; the text of page 2 is long.
void draw_three_pages(HeadlessPeer& a)
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

std::string chat_body(const std::string& text) { return text + std::string("\0\x10\x20\x30\x0c\x01", 6); }

// What the program holds of a meeting, to be compared between R and P.
struct Held {
    std::array<std::string, board_count> records;  // each page's record
    std::array<std::string, board_count> actions;  // up to its redo limit
    std::string pools;                             // the used text-pool entries
    std::string fonts;
    std::string chat;
    std::map<std::string, std::string> tiles;  // "r_c" -> the tile's picture
    std::vector<uint8_t> camera;               // the talker's last picture, RGB
    int camera_width = 0;
};

Held held_now(int talker)
{
    Held h;
    {
        std::lock_guard<std::mutex> guard(board_actions_lock());
        for (int b = 0; b < board_count; ++b) {
            const board_record& r = g_board[static_cast<size_t>(b)];
            h.records[static_cast<size_t>(b)].assign(reinterpret_cast<const char*>(&r), sizeof r);
            for (int i = 0; i < r.redo_limit; ++i)
                if (const board_action* a = board_action_at(b, i))
                    h.actions[static_cast<size_t>(b)].append(reinterpret_cast<const char*>(a), sizeof *a);
        }
        for (const board_short_str& t : g_board_short_str)
            if (t.used)
                h.pools.append(reinterpret_cast<const char*>(&t), sizeof t);
        for (const board_long_str& t : g_board_long_str)
            if (t.used)
                h.pools.append(reinterpret_cast<const char*>(&t), sizeof t);
        for (const board_font_entry& f : g_board_font)
            h.fonts.append(reinterpret_cast<const char*>(&f), sizeof f);
    }
    {
        std::lock_guard<std::mutex> hold(chat_history_lock());
        h.chat = chat_history().text();
    }
    for (int r = 0; r < desk_grid_size; ++r)
        for (int c = 0; c < desk_grid_size; ++c)
            if (file_exists(tile_picture_path(ShareGrid::desk, r, c)))
                h.tiles[std::to_string(r) + "_" + std::to_string(c)] = read_file(tile_picture_path(ShareGrid::desk, r, c));
    for (int index : video_windows_showing(talker)) {
        VideoWindowState s = video_window_state(index);
        if (s.picture) {
            h.camera = s.picture->rgb;
            h.camera_width = s.picture->width;
        }
    }
    return h;
}

class PlaybackEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TAMBLO_CAMERA", "none", 1);
        set_message_box_presenter(&boxes_);
        use_voice_audio_backend(std::make_unique<KeepingBackend>());
        kept_sound().clear();
        std::filesystem::create_directories(pictures_);
        std::ofstream(pictures_ + "/ann.jpg", std::ios::binary) << jpeg_of(coloured(48, 40, QColor(200, 40, 160)));
        std::ofstream(pictures_ + "/bob.jpg", std::ios::binary) << jpeg_of(coloured(40, 48, QColor(30, 160, 90)));
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--pictures", pictures_ });
    }
    void TearDown() override
    {
        recorder().stop();
        playback_stop();
        playback_wait_ended(wait_ms, [] { QApplication::processEvents(QEventLoop::AllEvents, 5); });
        end_program();
        peers_.clear();
        if (server_)
            server_->stop();
        set_message_box_presenter(nullptr);
        video_windows_reset();
        unsetenv("TAMBLO_CAMERA");
    }
    void end_program()
    {
        if (app_) {
            app_->ExitInstance(0);
            app_.reset();
        }
        stop_connection_watchdog();
    }
    HeadlessPeer& peer(const std::string& name)
    {
        peers_.push_back(std::make_unique<HeadlessPeer>(name));
        HeadlessPeer& p = *peers_.back();
        EXPECT_EQ(p.connect("127.0.0.1", server_->port()), 0);
        EXPECT_EQ(p.login(name), 0);
        EXPECT_GT(p.join_room("replay"), 0);
        return p;
    }
    void upload_tile(HeadlessPeer& sharer, int row, int column, QColor colour, int version)
    {
        const std::string packed = gzip_of(jpeg_of(coloured(80, 50, colour)));
        const int number = row * 256 + column;
        sharer.send(PeerChannel::app, MSG_SHARE_DESK_TILE_BEGIN, number);
        for (size_t at = 0; at < packed.size(); at += 900)
            sharer.send(PeerChannel::app, MSG_SHARE_DESK_TILE_DATA, number, packed.substr(at, 900));
        sharer.send(PeerChannel::app, MSG_SHARE_DESK_TILE_END, number, format_text("%4d:%8d", version, static_cast<int>(packed.size())));
    }
    bool chat_holds(const std::string& text)
    {
        std::lock_guard<std::mutex> hold(chat_history_lock());
        return std::string(chat_history().text()).find(text) != std::string::npos;
    }

    TempHome home_;
    std::optional<TempHome> player_home_;
    ScriptedMessageBoxes boxes_;
    std::string pictures_ = home_.root() + "/pictures";
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<CBrenmoApp> app_;
    std::vector<std::unique_ptr<HeadlessPeer>> peers_;
};

} // namespace

TEST_F(PlaybackEndToEnd, AFreshProgramPlaysBackWhatTheRecordingProgramHeld)
{
    const std::vector<uint8_t> sentence = spoken_sentence(home_.root());
    const std::vector<std::string> talk = talk_bodies(sentence);
    ASSERT_GT(talk.size(), 5u);

    // R enters the room and records from the start.
    HeadlessPeer& dan = peer("dan");  // the chairman
    app_ = std::make_unique<CBrenmoApp>("127.0.0.1:Test:" + std::to_string(server_->port()) + ":replay:xxcodeyyy:rita:");
    ASSERT_TRUE(app_->InitInstance());
    ASSERT_TRUE(pump_until([] { return g_room_number >= 0; })) << server_->log_text();
    dan.send(PeerChannel::main, MSG_MEETING_START);
    ASSERT_TRUE(pump_until([] { return g_meeting_started == 1; })) << server_->log_text();
    // Talk, as the user starts it: R's players are made and it hears the room.
    ASSERT_TRUE(g_main_frame->commands().trigger(cmd::meeting_talk));
    ASSERT_TRUE(pump_until([] { return g_talk_active == 1; })) << server_->log_text();
    const std::string record_path = home_.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(record_path), 0);

    // Ann and Bob have pictures on the server; R is sent each with the member
    // list that shows the newcomer. One newcomer at a time: a picture that
    // comes while a second list is being filled in finds no member for it.
    HeadlessPeer& ann = peer("ann");
    ASSERT_TRUE(pump_until([&] { return file_exists(home_.user_folder() + "bmp/ann.jpg"); })) << server_->log_text();
    HeadlessPeer& bob = peer("bob");
    ASSERT_TRUE(pump_until([&] { return file_exists(home_.user_folder() + "bmp/bob.jpg"); })) << server_->log_text();
    HeadlessPeer& cleo = peer("cleo");
    ASSERT_NE(g_video_view, nullptr);
    ASSERT_GE(g_video_view->video_window_assign(bob.customer_id()), 0);

    // Bob talks at the pace of his blocks and sends five pictures a second.
    std::atomic<int> finished { 0 };
    std::atomic<int> frames_sent { 0 };
    std::thread talking([&] {
        auto next = std::chrono::steady_clock::now();
        for (const std::string& body : talk) {
            bob.send(PeerChannel::voice, MSG_TALK_DCT_Z, 0, body);
            next += std::chrono::milliseconds(talk_block_samples / 8);
            std::this_thread::sleep_until(next);
        }
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
            if (build_video_frame(buffers, frame) > 0 && send_video_frame(bob.socket(PeerChannel::app), coded.frame_kind, frame) == 0)
                ++frames_sent;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        ++finished;
    });
    // Ann draws; Cleo shares her desktop; everyone chats.
    draw_three_pages(ann);
    ann.send(PeerChannel::main, MSG_CHAT_TEXT, 0, chat_body("ann: three pages drawn"));
    cleo.send(PeerChannel::main, MSG_SHARE_DESK_START);
    ASSERT_TRUE(cleo.await_number(MSG_SHARE_DESK_ALLOWED));
    cleo.send(PeerChannel::main, MSG_SHARE_DESK_SIZE, 0, format_text("%4d:%4d", 6 * 80, 6 * 50));
    for (int r = 0; r < desk_grid_size; ++r)
        for (int c = 0; c < desk_grid_size; ++c)
            upload_tile(cleo, r, c, QColor(20 + 40 * r, 230 - 35 * c, 90), 1);
    cleo.send(PeerChannel::main, MSG_CHAT_TEXT, 0, chat_body("cleo: my desktop"));
    bob.send(PeerChannel::main, MSG_CHAT_TEXT, 0, chat_body("bob: can you hear me"));
    ASSERT_TRUE(pump_until([&] { return chat_holds("ann: three pages drawn") && chat_holds("cleo: my desktop") && chat_holds("bob: can you hear me"); }));
    EXPECT_TRUE(pump_until([&] { return finished == 2; }, 60000));
    talking.join();
    camera.join();

    // The server numbers a member's frames from 1 as they come: R has Bob's
    // last picture once it holds the number of the last frame sent.
    auto bob_window_at = [&](int frame) {
        for (int index : video_windows_showing(bob.customer_id())) {
            VideoWindowState s = video_window_state(index);
            if (s.picture && s.received_ids[1] == frame)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(pump_until([&] { return bob_window_at(frames_sent); })) << frames_sent << [&] {
        std::string out;
        for (int index : video_windows_showing(bob.customer_id())) {
            VideoWindowState s = video_window_state(index);
            out += format_text(" window %d: %d:%d picture %d", index, s.received_ids[0], s.received_ids[1], s.picture ? 1 : 0);
        }
        return out;
    }();
    // A last tile on the same connection: R has handled the picture before it.
    upload_tile(cleo, 5, 5, QColor(250, 250, 250), 2);
    const std::string last_tile = jpeg_of(coloured(80, 50, QColor(250, 250, 250)));
    ASSERT_TRUE(pump_until([&] { return read_file(tile_picture_path(ShareGrid::desk, 5, 5)) == last_tile; }));
    // R's players have played Bob's last block, which it recorded before queueing it.
    std::vector<uint8_t> last_block;
    {
        const std::string& body = talk.back();
        ASSERT_GT(talk_dct_z_to_samples(reinterpret_cast<const uint8_t*>(body.data() + 5), body.size() - 5, 0, last_block), 0);
    }
    ASSERT_TRUE(pump_until([&] {
        for (const KeptBlock& b : kept_sound().taken())
            if (b.samples == last_block)
                return true;
        return false;
    })) << [&] {
        std::map<std::string, std::pair<int, size_t>> by_device;
        for (const KeptBlock& b : kept_sound().taken()) {
            by_device[b.device].first++;
            by_device[b.device].second += b.samples.size();
        }
        std::string out = format_text("last block %d samples;", static_cast<int>(last_block.size()));
        for (auto& [name, n] : by_device)
            out += format_text(" %s: %d blocks, %d samples", name.c_str(), n.first, static_cast<int>(n.second));
        return out;
    }();
    recorder().stop();
    const Held recorded = held_now(bob.customer_id());
    const std::string ann_picture = read_file(home_.user_folder() + "bmp/ann.jpg");
    const std::string bob_picture = read_file(home_.user_folder() + "bmp/bob.jpg");
    ASSERT_FALSE(recorded.camera.empty());
    ASSERT_EQ(recorded.tiles.size(), static_cast<size_t>(desk_grid_size * desk_grid_size));

    // The talk blocks in the file, decoded: what P must play, each once.
    std::vector<std::vector<uint8_t>> recorded_talk;
    for (const ReadRecord& record : read_records(record_path)) {
        if (record.head.type != record_type_transform_talk)
            continue;
        int32_t fields[6] {};
        std::memcpy(fields, record.body.data(), sizeof fields);
        EXPECT_EQ(fields[1], bob.customer_id());
        std::vector<uint8_t> samples;
        ASSERT_GT(talk_dct_z_to_samples(reinterpret_cast<const uint8_t*>(record.body.data() + 24), static_cast<size_t>(fields[0]),
                                        fields[3], samples),
                  0);
        recorded_talk.push_back(std::move(samples));
    }
    EXPECT_EQ(recorded_talk.size(), talk.size());

    // P: a fresh program in a user folder of its own, the recording as its argument.
    const int bob_id = bob.customer_id();
    end_program();
    peers_.clear();
    // What a new process starts without; the pages and tables the program sets up itself.
    video_windows_reset();
    {
        std::lock_guard<std::mutex> hold(chat_history_lock());
        chat_history().clear();
    }
    kept_sound().clear();
    boxes_.clear();
    player_home_.emplace();
    app_ = std::make_unique<CBrenmoApp>(record_path);
    ASSERT_TRUE(app_->InitInstance());
    ASSERT_TRUE(pump_until([&] { return playback_thread_running() || chat_holds("bob: can you hear me"); }));
    ASSERT_TRUE(playback_wait_ended(120000, [] { QApplication::processEvents(QEventLoop::AllEvents, 5); }));
    QApplication::processEvents();
    EXPECT_TRUE(boxes_.texts().empty()) << boxes_.texts()[0];
    EXPECT_EQ(g_connected_to_server.load(), 0);

    const Held played = held_now(bob_id);
    // The pages byte for byte: each record, its actions, the text pools, the fonts.
    for (int b = 0; b < board_count; ++b) {
        const std::string& x = played.records[static_cast<size_t>(b)];
        const std::string& y = recorded.records[static_cast<size_t>(b)];
        size_t at = 0;
        while (at < x.size() && x[at] == y[at])
            ++at;
        EXPECT_EQ(at, x.size()) << "page " << b << " record differs at " << at;
        EXPECT_TRUE(played.actions[static_cast<size_t>(b)] == recorded.actions[static_cast<size_t>(b)]) << "page " << b << " actions";
    }
    EXPECT_TRUE(played.pools == recorded.pools) << "pools " << played.pools.size() << " " << recorded.pools.size();
    EXPECT_TRUE(played.fonts == recorded.fonts) << "fonts";
    EXPECT_EQ(played.chat, recorded.chat);
    EXPECT_EQ(played.tiles, recorded.tiles);
    EXPECT_EQ(played.camera_width, recorded.camera_width);
    EXPECT_TRUE(played.camera == recorded.camera) << "Bob's last picture differs";
    const std::string shown = player_home_->user_folder() + "play_back/";
    EXPECT_EQ(read_file(shown + "ann.jpg"), ann_picture);
    EXPECT_EQ(read_file(shown + "bob.jpg"), bob_picture);

    std::vector<std::vector<uint8_t>> played_talk;
    for (const KeptBlock& b : kept_sound().taken())
        if (std::find(recorded_talk.begin(), recorded_talk.end(), b.samples) != recorded_talk.end())
            played_talk.push_back(b.samples);
    EXPECT_EQ(played_talk.size(), recorded_talk.size());
    EXPECT_TRUE(played_talk == recorded_talk) << "talk blocks played out of order or more than once";
}
