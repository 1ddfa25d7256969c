// Whole pictures and members' pictures as a user meets them: the real
// program (offscreen) joins a room where a headless peer shares a synthetic
// desktop, and sees the whole screen before any tile; its application
// connection is cut and comes back through the watchdog, and the server's
// signatures and the program's difference decide whether a new picture is
// sent. A peer with a picture joins a meeting the program records.

#include "core/connection_threads.h"
#include "core/connections.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "sharing/share_state.h"
#include "sharing/ui/share_view.h"
#include "sharing/whole_picture.h"
#include "shell/ui/brenmo_app.h"
#include "shell/ui/brenmo_view.h"
#include "shell/ui/main_frame.h"
#include "tests/support/gzip.h"
#include "tests/support/headless_peer.h"
#include "tests/support/record_file.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

bool pump_until(const std::function<bool()>& done, int wait_ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(2);
    }
    return done();
}

QColor tile_colour(int r, int c) { return QColor(20 + 40 * r, 230 - 35 * c, 60 + 25 * ((r + c) % 5)); }

std::string jpeg_of(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 95);
    return bytes.toStdString();
}

// The bytes of the last file a peer was sent as begin / data / end on its application connection.
std::string file_of(HeadlessPeer& peer, int begin)
{
    std::string bytes;
    for (const ArrivedMessage& m : peer.arrived()) {
        if (m.channel != PeerChannel::app)
            continue;
        if (m.head.number == begin)
            bytes.clear();
        else if (m.head.number == begin + 1)
            bytes += m.body;
    }
    return bytes;
}

class WholePictureEndToEnd : public ::testing::Test {
protected:
    static constexpr int tile_w = 100, tile_h = 60;

    void SetUp() override
    {
        setenv("TAMBLO_CAMERA", "none", 1);
        set_message_box_presenter(&boxes_);
        std::filesystem::create_directories(pictures_);
        QImage face(48, 40, QImage::Format_RGB32);
        face.fill(QColor(200, 40, 160));
        std::ofstream(pictures_ + "/ann.jpg", std::ios::binary) << jpeg_of(face);
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--pictures", pictures_ });
    }
    void TearDown() override
    {
        recorder().stop();
        if (app_) {
            app_->ExitInstance(0);
            app_.reset();
        }
        stop_connection_watchdog();
        peers_.clear();
        if (server_)
            server_->stop();
        set_message_box_presenter(nullptr);
        unsetenv("TAMBLO_CAMERA");
    }

    HeadlessPeer& peer(const std::string& name)
    {
        peers_.push_back(std::make_unique<HeadlessPeer>(name));
        HeadlessPeer& p = *peers_.back();
        EXPECT_EQ(p.connect("127.0.0.1", server_->port()), 0);
        EXPECT_EQ(p.login(name), 0);
        EXPECT_GT(p.join_room("share"), 0);
        return p;
    }

    void upload(HeadlessPeer& sharer, int row, int column, QColor colour, int version)
    {
        QImage tile(tile_w, tile_h, QImage::Format_RGB32);
        tile.fill(colour);
        const std::string packed = gzip_of(jpeg_of(tile));
        const int number = row * 256 + column;
        sharer.send(PeerChannel::app, MSG_SHARE_DESK_TILE_BEGIN, number);
        for (size_t at = 0; at < packed.size(); at += 900)
            sharer.send(PeerChannel::app, MSG_SHARE_DESK_TILE_DATA, number, packed.substr(at, 900));
        sharer.send(PeerChannel::app, MSG_SHARE_DESK_TILE_END, number, format_text("%4d:%8d", version, static_cast<int>(packed.size())));
    }

    // The program, into the room by its launcher argument.
    void start_program()
    {
        app_ = std::make_unique<CBrenmoApp>("127.0.0.1:Test:" + std::to_string(server_->port()) + ":share:xxcodeyyy:carl:");
        ASSERT_TRUE(app_->InitInstance());
        ASSERT_TRUE(pump_until([] { return g_room_number >= 0; })) << server_->log_text();
    }

    std::string user_file(const std::string& name) const { return home_.user_folder() + name; }

    // The desktop picture a member joining now is sent: what the server holds.
    std::string server_picture(const std::string& name)
    {
        HeadlessPeer& p = peer(name);
        EXPECT_TRUE(p.await_number(MSG_SHARE_DESK_FILE_END));
        return file_of(p, MSG_SHARE_DESK_FILE_BEGIN);
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    std::string pictures_ = home_.root() + "/pictures";
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<CBrenmoApp> app_;
    std::vector<std::unique_ptr<HeadlessPeer>> peers_;
};

} // namespace

TEST_F(WholePictureEndToEnd, ALateJoinerSeesTheWholeScreenAtOnceAndIsSentItAgainOnlyWhenItChanged)
{
    HeadlessPeer& ann = peer("ann");
    ann.send(PeerChannel::main, MSG_SHARE_DESK_START);
    ASSERT_TRUE(ann.await_number(MSG_SHARE_DESK_ALLOWED));
    for (int r = 0; r < desk_grid_size; ++r)
        for (int c = 0; c < desk_grid_size; ++c)
            upload(ann, r, c, tile_colour(r, c), 1);
    // The sharer has not announced its screen yet, so no tile is asked for.
    start_program();
    ASSERT_TRUE(pump_until([&] { return file_exists(whole_picture_path(ShareGrid::desk)); })) << server_->log_text();
    for (int r = 0; r < desk_grid_size; ++r)
        for (int c = 0; c < desk_grid_size; ++c)
            EXPECT_FALSE(file_exists(tile_picture_path(ShareGrid::desk, r, c))) << "a tile came first: " << r << ":" << c;
    CFormRightUpper2* view = g_main_frame->brenmo_view()->share_view();
    ASSERT_NE(view, nullptr);
    view->paint_share();
    for (int r = 0; r < desk_grid_size; ++r)
        for (int c = 0; c < desk_grid_size; ++c) {
            QColor shown = view->back_buffer().pixelColor(c * tile_w + tile_w / 2, r * tile_h + tile_h / 2);
            EXPECT_NEAR(shown.red(), tile_colour(r, c).red(), 8) << r << ":" << c;
            EXPECT_NEAR(shown.green(), tile_colour(r, c).green(), 8) << r << ":" << c;
        }
    const std::string packed = server_picture("dan");
    EXPECT_EQ(read_file(whole_picture_z_path(ShareGrid::desk)), packed);
    EXPECT_EQ(read_file(whole_picture_path(ShareGrid::desk)), gunzip_of(packed));

    // The sharer announces its screen: the tiles follow.
    ann.send(PeerChannel::main, MSG_SHARE_DESK_SIZE, 0, format_text("%4d:%4d", desk_grid_size * tile_w, desk_grid_size * tile_h));
    ASSERT_TRUE(pump_until([] { return file_exists(tile_picture_path(ShareGrid::desk, desk_grid_size - 1, desk_grid_size - 1)); }));

    // The application connection is cut and comes back: the held picture is current, nothing is sent.
    const int id = g_my_customer_id.load();
    const int version = whole_picture_version(ShareGrid::desk);
    g_share_app_sock.close_socket();
    ASSERT_TRUE(server_->wait_for_log(format_text("share: %d holds the current desktop picture", id), 15000)) << server_->log_text();
    QTest::qWait(200);
    EXPECT_EQ(whole_picture_version(ShareGrid::desk), version);

    // A tile changes; cut again: the program's old copy brings the new picture.
    upload(ann, 2, 3, QColor(250, 250, 250), 2);
    ASSERT_TRUE(peers_.back()->await_number(MSG_SHARE_DESK_TILE_NOTICE));
    g_share_app_sock.close_socket();
    ASSERT_TRUE(pump_until([&] { return whole_picture_version(ShareGrid::desk) != version; }, 15000)) << server_->log_text();
    EXPECT_TRUE(server_->wait_for_log(format_text("share: %d gets the desktop picture (an older copy)", id)));
    const std::string fresh = server_picture("eve");
    EXPECT_NE(fresh, packed);
    EXPECT_EQ(read_file(whole_picture_z_path(ShareGrid::desk)), fresh);
    EXPECT_EQ(read_file(whole_picture_path(ShareGrid::desk)), gunzip_of(fresh));
}

TEST_F(WholePictureEndToEnd, APeersPictureIsShownAndRecordedAsServed)
{
    peer("dan");  // the room is there before the program comes
    start_program();
    const std::string record_path = home_.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(record_path), 0);
    HeadlessPeer& ann = peer("ann");
    // Ann is sent her own picture by name: the bytes the server serves.
    ASSERT_TRUE(ann.await_number(MSG_VIDEO_IMAGE_END));
    const std::string served = file_of(ann, MSG_VIDEO_IMAGE_BEGIN);
    ASSERT_FALSE(served.empty());
    ASSERT_TRUE(pump_until([&] { return file_exists(user_file("bmp/ann.jpg")); })) << server_->log_text();
    EXPECT_EQ(read_file(user_file("bmp/ann")), served);
    EXPECT_EQ(read_file(user_file("bmp/ann.jpg")), gunzip_of(served));
    recorder().stop();
    bool recorded = false;
    for (const ReadRecord& record : read_records(record_path)) {
        if (record.head.type != record_type_picture)
            continue;
        recorded = true;
        ASSERT_EQ(record.body.size(), 84 + served.size());
        EXPECT_EQ(std::string(record.body.data() + 4), "ann");
        EXPECT_EQ(record.body.substr(84), served);
    }
    EXPECT_TRUE(recorded);
}
