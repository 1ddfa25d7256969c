// Video between clients through a real tamblo-server: senders are windowless
// clients (tamblo_video_peer) with the synthetic camera, the receiver is the
// real program offscreen, its windows and its member-pictures page asking for
// frames. What the receiver's windows show is measured against the sender's
// picture.
#include "core/connection_threads.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "media/ui/dlg_show_me.h"
#include "media/ui/dlg_video_zoom.h"
#include "media/ui/video_view.h"
#include "media/ui/video_wnd.h"
#include "media/video_frame_codec.h"
#include "media/video_requests.h"
#include "media/video_windows.h"
#include "platform/camera/capture_source.h"
#include "platform/sys/clock.h"
#include "shell/ui/brenmo_app.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/member_pictures_page.h"
#include "skin/ui/my_combo_box.h"
#include "tests/support/headless_peer.h"
#include "tests/support/record_file.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string build_dir() { return std::getenv("TAMBLO_BUILD_DIR") ? std::getenv("TAMBLO_BUILD_DIR") : "build"; }

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

// One sending client; ended by its own clock, or killed by its id.
class VideoPeer {
public:
    VideoPeer(const std::string& root, const std::string& name, uint16_t port, const std::string& room,
              std::vector<std::string> extra, int seconds)
        : VideoPeer(root, name,
                    [&] {
                        std::vector<std::string> args { build_dir() + "/tests/media/tamblo_video_peer", "--port",
                                                        std::to_string(port), "--room", room, "--name", name,
                                                        "--seconds", std::to_string(seconds), "--id-file",
                                                        root + "/" + name + "/id", "--report", root + "/" + name + "/report" };
                        args.insert(args.end(), extra.begin(), extra.end());
                        return args;
                    }(),
                    {})
    {
    }
    // Any program (the real client) with the peer's folders and camera.
    VideoPeer(const std::string& root, const std::string& name, std::vector<std::string> args,
              std::vector<std::string> env_extra)
        : dir_(root + "/" + name)
    {
        std::filesystem::create_directories(dir_);
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all); // a runtime folder
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("XDG_", 0) != 0 && std::string(*e).rfind("TAMBLO_CAMERA=", 0) != 0)
                env.emplace_back(*e);
        env.push_back("XDG_CONFIG_HOME=" + dir_ + "/config");
        env.push_back("XDG_DATA_HOME=" + dir_ + "/data");
        env.push_back("XDG_RUNTIME_DIR=" + dir_);
        env.push_back("TAMBLO_CAMERA=synthetic");
        env.insert(env.end(), env_extra.begin(), env_extra.end());
        std::vector<char*> argv, envp;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
    }
    ~VideoPeer()
    {
        if (pid_ > 0 && !finished_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    // The customer id the peer got, -1 when it did not come up.
    int id(int wait_ms = 10000)
    {
        for (int waited = 0; waited < wait_ms; waited += 20) {
            std::ifstream in(dir_ + "/id");
            int v = -1;
            if (in >> v)
                return v;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    bool finish(int wait_ms = 30000)
    {
        for (int waited = 0; waited < wait_ms; waited += 20) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                finished_ = true;
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    std::string log_text() const { return read_file(dir_ + "/data/kelo/tamblo/dbg_log.txt"); }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
    pid_t pid_ = -1;
    bool finished_ = false;
};

// The sender's picture: the synthetic camera still in its scene, the right way up.
QImage synthetic_picture(int width, int height, int scene)
{
    platform::SyntheticCaptureSource camera;
    camera.start(width, height);
    camera.set_motion(false);
    for (int s = 0; s < scene; ++s)
        camera.cut_scene();
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    camera.grab(rgb);
    return QImage(rgb.data(), width, height, width * 3, QImage::Format_RGB888).mirrored(false, true);
}

// The same picture coded and decoded here as a key frame: what a receiver
// must show when the way through the server loses nothing.
QImage decoded_picture(int width, int height, int scene, int quality)
{
    QImage want = synthetic_picture(width, height, scene).mirrored(false, true).convertToFormat(QImage::Format_RGB888);
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        std::memcpy(rgb.data() + static_cast<size_t>(y) * width * 3, want.constScanLine(y), static_cast<size_t>(width) * 3);
    int size_index = width == 160 ? 0 : width == 320 ? 1 : 2;
    VideoFrameEncoder encoder;
    CodedVideoFrame frame;
    encoder.encode(size_index, quality, rgb, frame);
    VideoStreamPacker packer;
    std::array<std::vector<uint8_t>, video_stream_count> packed;
    packer.pack(frame, packed);
    std::array<std::span<const uint8_t>, video_stream_count> spans;
    for (size_t i = 0; i < video_stream_count; ++i)
        spans[i] = packed[i];
    VideoFrameDecoder decoder;
    VideoPicture picture;
    picture.width = width;
    picture.height = height;
    decoder.decode(frame.frame_kind, frame.quality, size_index, spans, picture.rgb);
    return video_picture_image(picture).convertToFormat(QImage::Format_RGB888);
}

double psnr(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 0;
    QImage x = a.convertToFormat(QImage::Format_RGB888);
    QImage y = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i)
            sum += (double(p[i]) - q[i]) * (double(p[i]) - q[i]);
    }
    double mse = sum / (double(x.width()) * x.height() * 3);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// What the window paints where the picture goes: (2, 5), 160 x 120.
QImage window_picture(CVideoWnd* w)
{
    return w->grab().toImage().copy(2, 5, 160, 120);
}

class VideoEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TAMBLO_CAMERA", "none", 1);
        set_message_box_presenter(&boxes_);
        video_windows_reset();
        server_ = std::make_unique<ServerProcess>();
    }
    void TearDown() override
    {
        peers_.clear();
        if (app_) {
            app_->ExitInstance(0);
            app_.reset();
        }
        stop_connection_watchdog();
        if (server_)
            server_->stop();
        set_message_box_presenter(nullptr);
        video_windows_reset();
        unsetenv("TAMBLO_CAMERA");
    }
    VideoPeer& sender(const std::string& name, std::vector<std::string> extra, int seconds = 20)
    {
        peers_.push_back(std::make_unique<VideoPeer>(home_.root(), name, server_->port(), "video", std::move(extra), seconds));
        return *peers_.back();
    }
    // The receiver: the program, into the room by its launcher argument.
    void start_receiver()
    {
        app_ = std::make_unique<CBrenmoApp>("127.0.0.1:Test:" + std::to_string(server_->port()) + ":video:xxcodeyyy:bob:");
        ASSERT_TRUE(app_->InitInstance());
        ASSERT_TRUE(pump_until([] { return g_room_number >= 0 && g_meeting_started == 1; }))
            << "room " << g_room_number << " meeting " << g_meeting_started << " logged in " << g_logged_in << "\n"
            << server_->log_text();
        ASSERT_NE(g_video_view, nullptr);
        ASSERT_NE(g_left_form_child4, nullptr);
    }
    // The window the member was given shows a picture.
    CVideoWnd* show(int member)
    {
        int index = g_video_view->video_window_assign(member);
        EXPECT_GE(index, 0);
        return index < 0 ? nullptr : g_video_view->window(index);
    }
    static bool has_picture(CVideoWnd* w) { return w && !w->shown_picture().isNull(); }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<CBrenmoApp> app_;
    std::vector<std::unique_ptr<VideoPeer>> peers_;
};

TEST_F(VideoEndToEnd, SendersPictureShowsAboveAFloorPerQualityAndMoves)
{
    struct Case {
        int quality;
        double floor_db;
    };
    // A little below what the codec itself reaches on this picture (the chroma
    // sampling bounds every quality): the way through the server loses nothing.
    const Case cases[] = { { 50, 28.5 }, { 70, 29.5 }, { 100, 30.3 } };
    VideoPeer& chair = sender("chair", { "--start-meeting", "--still", "--speed", "5" });
    ASSERT_GE(chair.id(), 0);
    std::vector<std::pair<VideoPeer*, Case>> senders;
    for (const Case& c : cases)
        senders.push_back({ &sender("q" + std::to_string(c.quality), { "--still", "--quality", std::to_string(c.quality), "--speed", "5" }), c });
    VideoPeer& moving = sender("moving", { "--speed", "10", "--scene", "2" });
    start_receiver();

    const QImage want = synthetic_picture(160, 120, 0);
    for (auto& [peer, c] : senders) {
        CVideoWnd* w = show(peer->id());
        ASSERT_TRUE(pump_until([&] { return has_picture(w); })) << c.quality;
        // The paired window on the pictures page shows the same.
        if (w->index() < video_page_window_count) {
            CVideoWnd* paired = g_left_form_child4->window(w->index());
            EXPECT_TRUE(pump_until([&] { return has_picture(paired); }));
        }
        QImage shown = window_picture(w);
        EXPECT_GT(psnr(shown, want), c.floor_db) << "quality " << c.quality;
        EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB888), decoded_picture(160, 120, 0, c.quality)) << c.quality;
    }

    // A moving picture changes from one frame to the next.
    CVideoWnd* w = show(moving.id());
    ASSERT_TRUE(pump_until([&] { return has_picture(w); }));
    QImage first = window_picture(w);
    EXPECT_TRUE(pump_until([&] { return window_picture(w) != first; }));
}

TEST_F(VideoEndToEnd, LateJoinerGetsTheKeyFrameFirstAndShowsAPictureWithinOneRequest)
{
    VideoPeer& a = sender("a", { "--start-meeting", "--still", "--speed", "10" });
    ASSERT_GE(a.id(), 0);
    // A has been sending a while: its key frame lies several frames back.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    start_receiver();
    // The page's clock is held: one request, by hand.
    g_left_form_child4->timer().stop();
    int member = a.id();
    ::video_window_assign(member);
    video_windows_refresh_all();
    std::vector<int> asked = video_request_tick(true, platform::tick_count());
    ASSERT_EQ(asked.size(), 1u);
    CVideoWnd* w = g_video_view->window(asked[0]);
    ASSERT_TRUE(pump_until([&] { return has_picture(w); }, 5000));
    VideoWindowState state = video_window_state(asked[0]);
    ASSERT_NE(state.key, nullptr);
    // The picture is the latest frame, coded against the key that came before it.
    EXPECT_EQ(state.key->key_id, state.received_ids[0]);
    EXPECT_GT(state.received_ids[1], 1);
    EXPECT_GT(psnr(window_picture(w), synthetic_picture(160, 120, 0)), 27.0);
}

TEST_F(VideoEndToEnd, NineSendersFillNineWindowsEachWithItsOwnPicture)
{
    std::vector<VideoPeer*> senders;
    for (int i = 0; i < video_view_window_count; ++i) {
        std::vector<std::string> extra { "--still", "--speed", "4", "--scene", std::to_string(i) };
        if (i == 0)
            extra.push_back("--start-meeting");
        senders.push_back(&sender("s" + std::to_string(i), extra));
        if (i == 0)
            ASSERT_GE(senders[0]->id(), 0); // the first in the room is its chairman
    }
    start_receiver();
    std::vector<CVideoWnd*> windows;
    for (VideoPeer* p : senders)
        windows.push_back(show(p->id()));
    ASSERT_TRUE(pump_until([&] { return std::all_of(windows.begin(), windows.end(), has_picture); }, 20000));
    for (size_t i = 0; i < windows.size(); ++i) {
        QImage shown = window_picture(windows[i]).convertToFormat(QImage::Format_RGB888);
        int scene = static_cast<int>(i);
        EXPECT_EQ(shown, decoded_picture(160, 120, scene, 70)) << i;
        double own = psnr(shown, synthetic_picture(160, 120, scene));
        double other = psnr(shown, synthetic_picture(160, 120, (scene + 1) % 9));
        EXPECT_GT(own, 24.0) << i;
        EXPECT_GT(own, other + 6) << i;
    }
}

TEST_F(VideoEndToEnd, NoisyFrameOverTheLimitIsDroppedAndTheNextKeyFrameRecovers)
{
    VideoPeer& a = sender("a", { "--start-meeting", "--still", "--size", "2", "--quality", "100", "--speed", "3",
                                 "--noisy-frames", "3" });
    ASSERT_GE(a.id(), 0);
    start_receiver();
    CVideoWnd* w = show(a.id());
    ASSERT_TRUE(pump_until([&] { return has_picture(w); }, 20000));
    EXPECT_NE(a.log_text().find("too big in g_send_video_dct_thread"), std::string::npos);
    // The window shows the top-left of the 640 x 480 picture; the zoom dialog all of it.
    QImage want = synthetic_picture(640, 480, 0);
    EXPECT_GT(psnr(window_picture(w), want.copy(0, 0, 160, 120)), 30.0);
    CDlgVideoZoom* zoom = video_zoom_open(w->index());
    zoom->toggle_large();
    QImage whole = zoom->grab().toImage().copy(zoom->picture_rect());
    EXPECT_GT(psnr(whole, want), 30.0);
    zoom->hide();
}

TEST_F(VideoEndToEnd, ReceivedFramesAreRecordedWithTheSendersBytes)
{
    VideoPeer& a = sender("a", { "--start-meeting", "--speed", "10", "--size", "1", "--frames-file",
                                 home_.root() + "/a_frames" }, 6);
    ASSERT_GE(a.id(), 0);
    start_receiver();
    const std::string path = home_.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    CVideoWnd* w = show(a.id());
    ASSERT_TRUE(pump_until([&] { return has_picture(w); }));
    QTest::qWait(1000);
    recorder().stop();
    ASSERT_TRUE(a.finish());

    std::set<std::string> sent;
    std::string all = read_file(home_.root() + "/a_frames");
    for (size_t at = 0; at + 4 <= all.size();) {
        uint32_t len = 0;
        std::memcpy(&len, all.data() + at, 4);
        sent.insert(all.substr(at + 4, len));
        at += 4 + len;
    }
    std::vector<ReadRecord> records = read_records(path);
    int videos = 0;
    for (const ReadRecord& r : records) {
        if (r.head.type != record_type_video)
            continue;
        ++videos;
        ASSERT_GE(r.body.size(), 40u);
        int32_t sub[4];
        std::memcpy(sub, r.body.data(), sizeof sub);
        EXPECT_EQ(sub[0], static_cast<int32_t>(r.body.size() - 40));
        EXPECT_EQ(sub[1], a.id());
        EXPECT_TRUE(sent.count(r.body.substr(40))) << "a recorded frame the sender never coded";
    }
    EXPECT_GE(videos, 3);
}

// Tried as a user: two programs in a started meeting both show their
// cameras (the "Me" dialog opens with the meeting's clock); the receiver
// picks the other from a video window's list and sees it move there and on
// the member-pictures page.
TEST_F(VideoEndToEnd, TwoProgramsInAMeetingSeeEachOtherMove)
{
    HeadlessPeer chair("chair");
    ASSERT_EQ(chair.connect("127.0.0.1", server_->port(), true), 0);
    ASSERT_GT(chair.join_room("video"), 0);
    ASSERT_EQ(chair.send(PeerChannel::main, MSG_MEETING_START), 0);
    ASSERT_TRUE(chair.await_number(MSG_MEETING_STARTED));
    peers_.push_back(std::make_unique<VideoPeer>(
        home_.root(), "ann",
        std::vector<std::string> { TAMBLO_PROGRAM, "127.0.0.1:Test:" + std::to_string(server_->port()) + ":video:xxcodeyyy:ann:" },
        std::vector<std::string> { "QT_QPA_PLATFORM=offscreen", "TAMBLO_MESSAGE_BOX_LOG=" + home_.root() + "/ann_boxes" }));
    ASSERT_TRUE(server_->wait_for_log("ann (1001) entered room", 20000));
    setenv("TAMBLO_CAMERA", "synthetic", 1);
    start_receiver();
    // Bob's camera is on as well: the meeting's clock opened his "Me" dialog.
    EXPECT_TRUE(pump_until([] { return g_dlg_show_me && g_dlg_show_me->is_shown() && g_dlg_show_me->camera(); }));
    EXPECT_TRUE(server_->wait_for_log("client 1002: app connection", 10000));

    // The lists offer the room's members once the member list is whole.
    CVideoWnd* w = g_video_view->window(0);
    ASSERT_TRUE(pump_until([&] { return w->user_list()->findText("ann") >= 0; }));
    w->user_list()->setCurrentIndex(w->user_list()->findText("ann"));
    EXPECT_EQ(video_wnd_user(0), 1001);
    ASSERT_TRUE(pump_until([&] { return has_picture(w); }, 15000));
    QImage first = window_picture(w);
    EXPECT_TRUE(pump_until([&] { return window_picture(w) != first; }));
    CVideoWnd* paired = g_left_form_child4->window(0);
    EXPECT_TRUE(pump_until([&] { return has_picture(paired); }));
    EXPECT_EQ(paired->user_list()->currentText(), "ann");
    g_dlg_show_me->OnCancel();
}

} // namespace
