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
#include "core/text_util.h"
#include "media/video_windows.h"
#include "media/voice_audio.h"
#include "media/voice_codec.h"
#include "media/voice_receive.h"
#include "media/voice_state.h"
#include "sharing/share_state.h"
#include "shell/ui/brenmo_app.h"
#include "tests/support/headless_peer.h"
#include "tests/support/record_file.h"
#include "tests/support/temp_home.h"
#include "tests/whiteboard/fidelity_meeting.h"
#include "whiteboard/board_model.h"
#include "whiteboard/meeting_playback.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

namespace {

using namespace fidelity;

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
        room_.emplace(home_.root());
    }
    void TearDown() override
    {
        recorder().stop();
        playback_stop();
        playback_wait_ended(wait_ms, [] { QApplication::processEvents(QEventLoop::AllEvents, 5); });
        end_program();
        room_.reset();
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

    TempHome home_;
    std::optional<TempHome> player_home_;
    ScriptedMessageBoxes boxes_;
    std::optional<Room> room_;
    std::unique_ptr<CBrenmoApp> app_;
};

} // namespace

TEST_F(PlaybackEndToEnd, AFreshProgramPlaysBackWhatTheRecordingProgramHeld)
{
    const std::vector<uint8_t> sentence = spoken_sentence(home_.root());
    const std::vector<std::string> talk = talk_bodies(sentence);
    ASSERT_GT(talk.size(), 5u);

    const std::string record_path = home_.root() + "/meeting.mrd";
    const std::string entered = room_->enter(app_);
    ASSERT_EQ(entered, "");
    ASSERT_EQ(recorder().start(record_path), 0);
    const std::string joined = room_->join(home_.user_folder());
    ASSERT_EQ(joined, "");
    const std::string held = room_->hold(talk);
    ASSERT_EQ(held, "");
    HeadlessPeer& bob = room_->bob();
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
    room_->leave();
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

    // The players take their last blocks on threads of their own, after the
    // playback thread has ended.
    std::vector<std::vector<uint8_t>> played_talk;
    pump_until([&] {
        played_talk.clear();
        for (const KeptBlock& b : kept_sound().taken())
            if (std::find(recorded_talk.begin(), recorded_talk.end(), b.samples) != recorded_talk.end())
                played_talk.push_back(b.samples);
        return played_talk.size() >= recorded_talk.size();
    });
    EXPECT_EQ(played_talk.size(), recorded_talk.size());
    EXPECT_TRUE(played_talk == recorded_talk) << "talk blocks played out of order or more than once";
}
