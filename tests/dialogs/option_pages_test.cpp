// The Options sheet's pages offscreen: what each shows from the stored
// settings, what OK, Apply and Cancel store and change, the proxy page's
// Test through real proxies to a real tamblo-server, and their pictures.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/text_util.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "core/wf_socket.h"
#include "dialogs/option_settings.h"
#include "dialogs/ui/options_sheet.h"
#include "dialogs/ui/prop_meeting_room_options.h"
#include "dialogs/ui/prop_proxy.h"
#include "dialogs/ui/prop_skin.h"
#include "dialogs/ui/prop_video.h"
#include "media/record_sound.h"
#include "media/voice_state.h"
#include "platform/audio/audio_device.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_ip_address_ctrl.h"
#include "skin/ui/my_property_sheet.h"
#include "tests/core/loopback.h"
#include "tests/support/headless_peer.h"
#include "tests/support/proxy_process.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTranslator>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

namespace {

QImage render(QWidget& w)
{
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    w.render(&image);
    return image;
}

std::string stored(const char* section, const char* name)
{
    std::string text;
    reg_read(section, name, text, 300);
    return text;
}

// A user's choice: the entry becomes current and the page hears of it.
void choose(CMyComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

bool pump_until(const std::function<bool()>& done)
{
    for (int i = 0; i < 4000 && !done(); ++i)
        QTest::qWait(5);
    return done();
}

// Loud and quiet in turn: every block has sound in it.
std::string tone_bytes(size_t count)
{
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(128 + ((i / 4) % 2 ? 50 : -50));
    return bytes;
}

// This program's core in the room "Lobby" of a real server, as alice: the
// main connection and, when asked, the voice connection, each read by its
// own thread; all closed again at the end.
struct ClientInRoom {
    ClientInRoom(const ServerProcess& server, bool voice)
    {
        g_server_host.set("127.0.0.1");
        g_server_port = server.port();
        reset_receive_handlers();
        install_control_handlers();
        threads.emplace_back([] { g_recv_thread(); });
        if (!pump_until([] { return g_my_customer_id >= 0; }))
            return;
        if (voice)
            threads.emplace_back([] { g_voice_thread(); });
        if (send_login("alice", "") != 0 || !pump_until([] { return g_logged_in == 1; }))
            return;
        if (send_join_meeting_room("Lobby", "") != 0 || !pump_until([] { return g_room_number > 0; }))
            return;
        in_room = true;
    }
    ~ClientInRoom()
    {
        g_voice_sock.close_socket();
        g_main_sock.close_socket();
        for (std::thread& t : threads)
            t.join();
        reset_receive_handlers();
        g_my_customer_id = -1;
        g_logged_in = 0;
        g_room_number = -1;
    }
    bool in_room = false;
    std::vector<std::thread> threads;
};

struct OptionPages : ::testing::Test {
    TempHome home;
    ScriptedMessageBoxes boxes;
    int skin_changes = 0;
    int frame_repaints = 0;
    int video_changes = 0;
    std::unique_ptr<CMyPropertySheet> sheet;

    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        skin_table().select_skin(0);
    }
    void TearDown() override
    {
        sheet.reset();
        set_message_box_presenter(nullptr);
        skin_table().select_skin(0);
        g_skin_not_show_animation = 0;
    }
    // The sheet as the frame opens it, every page set up.
    void open()
    {
        OptionsSheetHooks hooks;
        hooks.skin_changed = [this] { ++skin_changes; };
        hooks.repaint_frame = [this] { ++frame_repaints; };
        hooks.video_changed = [this] { ++video_changes; };
        sheet.reset(make_options_sheet(nullptr, hooks));
        sheet->show();
        for (int i = sheet->GetPageCount() - 1; i >= 0; --i)
            sheet->SetActivePage(i);
        QApplication::processEvents();
    }
    CPropProxy* proxy() const { return static_cast<CPropProxy*>(sheet->GetPage(1)); }
    CPropVideo* video() const { return static_cast<CPropVideo*>(sheet->GetPage(2)); }
    CPropSkin* skin() const { return static_cast<CPropSkin*>(sheet->GetPage(3)); }
};

} // namespace

TEST_F(OptionPages, TheSheetHoldsItsPagesInOrder)
{
    open();
    ASSERT_EQ(sheet->GetPageCount(), 4);
    EXPECT_EQ(sheet->windowTitle().toStdString(), "Options...");
    EXPECT_EQ(sheet->GetPage(0)->template_id(), 107);
    EXPECT_EQ(sheet->GetPage(0)->caption().toStdString(), "Contact");
    EXPECT_EQ(proxy()->template_id(), 170);
    EXPECT_EQ(video()->template_id(), 185);
    EXPECT_EQ(skin()->template_id(), 267);
    EXPECT_EQ(proxy()->caption().toStdString(), "Proxy Settings");
    EXPECT_EQ(video()->caption().toStdString(), "Video & audio");
    EXPECT_EQ(skin()->caption().toStdString(), "Choose Skin");
    // Nothing changed yet: Apply waits for a change.
    EXPECT_FALSE(sheet->m_apply->isEnabled());
}

// Stored texts as a user may have left them: each page shows the value or
// its default, and OK stores what was shown.
TEST_F(OptionPages, VideoPageShowsStoredValuesOrDefaultsAndOkStoresThem)
{
    struct Case {
        const char* quality;
        const char* rate;
        const char* desktop;
        const char* audio;
        const char* shown;   // quality rate desktop audio, as the lists show them
        int interval;        // the frame interval after OK
    } cases[] = {
        { "80", "9", "100", "2", "80 9 100 Low", 1 },
        { "", "", "", "", "50 6 50 High", 4 },
        { "55", "12", "-60", "5", "50 6 50 High", 4 },
        { "abc", "2", "9999999999999", "1", "50 2 50 Medium", 8 },
    };
    for (const Case& c : cases) {
        TempHome case_home;
        reg_write("video", "video_quality", c.quality);
        reg_write("video", "video_frame_rate", c.rate);
        reg_write("video", "desktop_share_quality", c.desktop);
        reg_write("video", "audio_quality", c.audio);
        open();
        CPropVideo* page = video();
        std::string shown = page->quality_combo()->currentText().toStdString() + " "
                            + page->frame_rate_combo()->currentText().toStdString() + " "
                            + page->desktop_quality_combo()->currentText().toStdString() + " "
                            + page->audio_quality_combo()->currentText().toStdString();
        EXPECT_EQ(shown, c.shown) << c.quality << "/" << c.rate << "/" << c.desktop << "/" << c.audio;
        sheet->m_ok->click();
        EXPECT_FALSE(sheet->isVisible());
        EXPECT_EQ(g_video_frame_rate, c.interval) << c.rate;
        VideoOptions back = read_video_options();
        EXPECT_EQ(std::to_string(back.video_quality), page->quality_combo()->currentText().toStdString());
        EXPECT_EQ(stored("video", "video_frame_rate"), page->frame_rate_combo()->currentText().toStdString());
        EXPECT_EQ(video_changes, 1);
        video_changes = 0;
    }
}

// What takes effect where: a new choice reaches the meeting state at Apply
// (the sheet stays), Cancel afterwards keeps it, and a Cancel alone stores nothing.
TEST_F(OptionPages, VideoChoicesReachTheMeetingStateAtApplyAndNotAtCancel)
{
    open();
    CPropVideo* page = video();
    choose(page->quality_combo(), 3);        // 80
    choose(page->frame_rate_combo(), 7);     // 9
    choose(page->desktop_quality_combo(), 5);  // 100
    choose(page->audio_quality_combo(), 1);  // Medium
    EXPECT_TRUE(page->is_modified());
    EXPECT_TRUE(sheet->m_apply->isEnabled());
    EXPECT_EQ(stored("video", "video_quality"), "");
    sheet->m_apply->click();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_FALSE(sheet->m_apply->isEnabled());
    EXPECT_EQ(g_video_quality, 80);
    EXPECT_EQ(g_video_frame_rate, 1);
    EXPECT_EQ(g_desktop_share_quality, 100);
    EXPECT_EQ(g_audio_quality, 1);
    EXPECT_EQ(stored("video", "audio_quality"), "1");

    choose(page->audio_quality_combo(), 2);
    sheet->m_cancel->click();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(g_audio_quality, 1);
    EXPECT_EQ(stored("video", "audio_quality"), "1");
    g_audio_quality = 0;
}

TEST_F(OptionPages, ProxyPageShowsTheStoredProxyAndOkStoresTheEdits)
{
    struct Case {
        const char* type;
        const char* port;
        const char* shown_type;
        const char* shown_port;
        int type_after_ok;
    } cases[] = {
        { "0", "3128", "HTTP", "3128", 0 },
        { "1", "1080", "SOCKS4", "1080", 1 },
        { "2", "65535", "SOCKS5", "65535", 2 },
        { "7", "0", "SOCKS5", "1080", 2 },
        { "", "x", "SOCKS5", "1080", 2 },
    };
    for (const Case& c : cases) {
        TempHome case_home;
        reg_write("proxy", "use_proxy", "1");
        reg_write("proxy", "proxy_ip", "2130706433");
        reg_write("proxy", "proxy_type", c.type);
        reg_write("proxy", "proxy_port", c.port);
        reg_write("proxy", "proxy_user_name", "alice");
        open();
        CPropProxy* page = proxy();
        EXPECT_TRUE(page->use_proxy_check()->isChecked());
        uint32_t ip = 0;
        EXPECT_EQ(page->address()->get_address(ip), 4);
        EXPECT_EQ(ip, 0x7f000001u);
        EXPECT_EQ(page->type_combo()->currentText().toStdString(), c.shown_type) << c.type;
        EXPECT_EQ(page->port_edit()->text().toStdString(), c.shown_port) << c.port;
        EXPECT_EQ(page->user_name_edit()->text().toStdString(), "alice");
        sheet->m_ok->click();
        EXPECT_EQ(stored("proxy", "proxy_type"), std::to_string(c.type_after_ok)) << c.type;
        EXPECT_EQ(stored("proxy", "proxy_port"), c.shown_port);
    }

    TempHome edit_home;
    open();
    CPropProxy* page = proxy();
    EXPECT_FALSE(page->use_proxy_check()->isChecked());
    EXPECT_TRUE(page->address()->is_blank());
    page->use_proxy_check()->setChecked(true);
    EXPECT_TRUE(sheet->m_apply->isEnabled());
    page->address()->set_address(IpAddressBytes { 10, 1, 2, 3 });
    page->port_edit()->setText("8080");
    choose(page->type_combo(), 2);
    page->user_name_edit()->setText(QString(200, 'u'));
    page->password_edit()->setText("secret");
    sheet->m_ok->click();
    ProxyOptions o = read_proxy_options();
    EXPECT_TRUE(o.use_proxy);
    EXPECT_EQ(ip_address_text(ip_address_unpack(o.ip)), "10.1.2.3");
    EXPECT_EQ(o.port, 8080);
    EXPECT_EQ(o.type, 0);
    EXPECT_EQ(o.user_name.size(), static_cast<size_t>(proxy_text_limit));
    EXPECT_EQ(o.password, "secret");
}

// A port the connection cannot use is refused with a message, the page
// stays and nothing is stored; an empty port with the proxy off is no error.
TEST_F(OptionPages, ProxyPortOutsideOneTo65535IsRefused)
{
    for (const char* port : { "0", "65536", "-1", "80a", "", "99999999999" }) {
        TempHome case_home;
        open();
        CPropProxy* page = proxy();
        page->use_proxy_check()->setChecked(true);
        page->port_edit()->setText(port);
        boxes.clear();
        sheet->SetActivePage(2);
        sheet->m_ok->click();
        EXPECT_TRUE(sheet->isVisible()) << port;
        EXPECT_EQ(sheet->GetActivePage(), page) << port;
        EXPECT_EQ(boxes.texts(), (std::vector<std::string> { proxy_port_refusal })) << port;
        EXPECT_EQ(stored("proxy", "use_proxy"), "") << port;
        page->port_edit()->setText("1081");
        sheet->m_ok->click();
        EXPECT_FALSE(sheet->isVisible()) << port;
        EXPECT_EQ(stored("proxy", "proxy_port"), "1081");
    }
    TempHome off_home;
    open();
    proxy()->port_edit()->clear();
    sheet->m_ok->click();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(stored("proxy", "proxy_port"), std::to_string(proxy_default_port));
}

TEST_F(OptionPages, SkinPageMakesTheSchemeCurrentAndHasTheFrameRebuilt)
{
    reg_write("skin", "skin_index", "8");
    open();
    CPropSkin* page = skin();
    ASSERT_EQ(page->skin_combo()->count(), skin_filled_count);
    EXPECT_EQ(page->skin_combo()->currentText().toStdString(), "Default Blue");
    EXPECT_EQ(page->skin_combo()->itemText(6).toStdString(), "Red");
    choose(page->skin_combo(), 2);
    page->no_animation_check()->setChecked(true);
    const QImage before = render(*sheet);
    sheet->m_apply->click();
    EXPECT_EQ(skin_table().current_index, 2);
    EXPECT_EQ(g_skin_not_show_animation, 1);
    EXPECT_EQ(stored("skin", "skin_index"), "2");
    EXPECT_EQ(stored("skin", "skin_not_show_animation"), "1");
    EXPECT_EQ(skin_changes, 1);
    // The sheet's own frame is painted in the new scheme.
    EXPECT_NE(render(*sheet), before);

    sheet->m_cancel->click();
    EXPECT_EQ(frame_repaints, 1);
    EXPECT_EQ(skin_table().current_index, 2);
}

// Test tries the current server through the proxy as stored: the page's
// unsaved edits are not used, and a proxy that has gone fails.
TEST_F(OptionPages, TestReachesTheServerThroughTheStoredProxy)
{
    struct Proxy {
        const char* name;
        const char* program;
        int type;
        const char* user;
        const char* password;
        std::unique_ptr<ProxyProcess> (*start)(const TempHome&, uint16_t);
    } proxies[] = {
        { "dante SOCKS5", "/usr/sbin/danted", proxy_type_socks5, "", "", start_danted },
        { "dante SOCKS4", "/usr/sbin/danted", proxy_type_socks4, "", "", start_danted },
        { "microsocks with a password", "/usr/bin/microsocks", proxy_type_socks5, "alice", "wonderland",
          start_microsocks },
    };
    ServerProcess server;
    g_server_host.set("127.0.0.1");
    g_server_port = server.port();
    for (const Proxy& p : proxies) {
        if (!have_program(p.program))
            GTEST_SKIP() << p.program << " is missing: run tools/install-deps.sh";
        uint16_t port = unused_loopback_port();
        auto process = p.start(home, port);
        ASSERT_TRUE(process->ready()) << p.name;
        ProxyOptions o;
        o.use_proxy = true;
        o.ip = 0x7f000001u;
        o.port = port;
        o.type = p.type;
        o.user_name = p.user;
        o.password = p.password;
        ASSERT_EQ(write_proxy_options(o), 0);
        open();
        // Edits that would fail, not yet stored.
        proxy()->port_edit()->setText(QString::number(unused_loopback_port()));
        proxy()->password_edit()->setText("wrong");
        boxes.clear();
        proxy()->test_button()->click();
        ASSERT_FALSE(boxes.texts().empty()) << p.name;
        EXPECT_EQ(boxes.texts().back(), "connecting success!") << p.name;
        EXPECT_TRUE(server.wait_for_log("127.0.0.1")) << p.name;

        process.reset();
        boxes.clear();
        proxy()->test_button()->click();
        ASSERT_FALSE(boxes.texts().empty()) << p.name;
        EXPECT_EQ(boxes.texts().back(), "connecting failed!") << p.name;
        sheet->m_cancel->click();
        EXPECT_EQ(read_proxy_options().port, port) << p.name;
    }
}

// The chairman's choice reaches every member of the room through the server
// (781 asks, 784 tells the room); the page shows what the server last told,
// and another member's 781 changes nothing anywhere.
TEST_F(OptionPages, MeetingRoomOptionReachesTheRoomOnlyFromTheChairman)
{
    ServerProcess server;
    g_enter_full_screen = 0;
    // The first member in the room is its chairman.
    ClientInRoom alice(server, false);
    ASSERT_TRUE(alice.in_room);
    HeadlessPeer bob("bob");
    ASSERT_EQ(bob.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_EQ(bob.login("bob"), 0);
    ASSERT_GT(bob.join_room("Lobby"), 0);

    bob.send(PeerChannel::main, MSG_ROOM_OPTION_781, 1);
    EXPECT_TRUE(server.wait_for_log("refused 781 from " + std::to_string(bob.customer_id())));
    EXPECT_EQ(g_enter_full_screen, 0);

    auto open_page = [this] {
        sheet = std::make_unique<CMyPropertySheet>("Meeting Room Options...");
        auto* page = new CPropMeetingRoomOptions(sheet.get());
        sheet->AddPage(page);
        sheet->show();
        sheet->SetActivePage(0);
        QApplication::processEvents();
        return page;
    };
    CPropMeetingRoomOptions* page = open_page();
    EXPECT_FALSE(page->full_screen_check()->isChecked());
    page->full_screen_check()->click();
    sheet->m_ok->click();
    auto told = bob.await_number(MSG_784);
    ASSERT_TRUE(told);
    EXPECT_EQ(told->head.address, 1);
    EXPECT_EQ(bob.count(MSG_784), 1u);
    EXPECT_TRUE(pump_until([] { return g_enter_full_screen == 1; }));
    page = open_page();
    EXPECT_TRUE(page->full_screen_check()->isChecked());
    sheet.reset();
    g_is_chairman = 0;
    g_enter_full_screen = 0;
}

// Not compared: every page in both languages, the skin page in every scheme, for people to look at.
TEST_F(OptionPages, Screenshots)
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(":/i18n/tamblo_zh_CN.qm"));
    reg_write("proxy", "use_proxy", "1");
    reg_write("proxy", "proxy_ip", "2130706433");
    reg_write("proxy", "proxy_user_name", "alice");
    reg_write("proxy", "proxy_password", "wonderland");
    for (const char* language : { "en", "zh" }) {
        if (QString(language) == "zh")
            QCoreApplication::installTranslator(&chinese);
        for (int scheme = 0; scheme < skin_filled_count; ++scheme) {
            skin_table().select_skin(scheme);
            open();
            for (int i = 0; i < sheet->GetPageCount(); ++i) {
                if (scheme > 0 && sheet->GetPage(i) != skin())
                    continue;
                sheet->SetActivePage(i);
                QApplication::processEvents();
                QString name = QString("%1/options_page_%2_%3_scheme_%4.png").arg(dir).arg(i).arg(language).arg(scheme);
                EXPECT_TRUE(render(*sheet).save(name));
            }
            sheet.reset();
            if (scheme == 0 || scheme == 3) {
                CMyPropertySheet room_sheet(tr_ui("Meeting Room Options..."));
                room_sheet.AddPage(new CPropMeetingRoomOptions(&room_sheet));
                room_sheet.show();
                room_sheet.SetActivePage(0);
                QApplication::processEvents();
                EXPECT_TRUE(render(room_sheet).save(
                    QString("%1/room_options_page_%2_scheme_%3.png").arg(dir).arg(language).arg(scheme)));
            }
        }
    }
    QCoreApplication::removeTranslator(&chinese);
}

// The audio quality chosen on the page while talking is what the talk
// blocks tell the room from then on (the fifth head field, the first five
// body bytes): the microphone is a sound file, the blocks go through the
// recorder and a real server to another member.
TEST_F(OptionPages, TalkAfterOkCarriesTheNewAudioQualityToTheRoom)
{
    std::ofstream(home.root() + "/mic.raw", std::ios::binary) << tone_bytes(platform::audio_rate_hz * 60);
    setenv("TAMBLO_AUDIO", ("file:" + home.root() + "/mic.raw," + home.root()).c_str(), 1);
    ServerProcess server;
    g_audio_quality = 0;
    ClientInRoom alice(server, true);
    ASSERT_TRUE(alice.in_room);
    HeadlessPeer bob("bob");
    ASSERT_EQ(bob.connect("127.0.0.1", server.port()), 0);
    ASSERT_GT(bob.join_room("Lobby"), 0);
    g_talk_allowed = 1;
    on_talk_start();

    // The quality each talk block bob heard carries, in order.
    auto heard = [&bob] {
        std::vector<std::string> qualities;
        for (const ArrivedMessage& m : bob.arrived())
            if (m.head.number == MSG_TALK_DCT_Z)
                qualities.push_back(m.body.substr(0, 5));
        return qualities;
    };
    auto hears = [&bob](int quality) {
        return bob.await([quality](const ArrivedMessage& m) {
            return m.head.number == MSG_TALK_DCT_Z && m.body.substr(0, 5) == format_text("%4d:", quality);
        }, 20000).has_value();
    };
    ASSERT_TRUE(hears(0));
    for (int quality : { 2, 1 }) {
        open();
        choose(video()->audio_quality_combo(), quality);
        sheet->m_ok->click();
        EXPECT_TRUE(hears(quality)) << quality;
    }
    on_talk_stop();
    // Blocks already on their way keep the quality they left with; none
    // after the change goes back to an earlier one.
    std::vector<std::string> qualities = heard();
    auto first_of = [&](const std::string& q) { return std::find(qualities.begin(), qualities.end(), q) - qualities.begin(); };
    auto after_last_of = [&](const std::string& q) {
        return qualities.rend() - std::find(qualities.rbegin(), qualities.rend(), q);
    };
    EXPECT_LE(after_last_of("   0:"), first_of("   2:"));
    EXPECT_LE(after_last_of("   2:"), first_of("   1:"));
    EXPECT_EQ(qualities.front(), "   0:");
    EXPECT_EQ(qualities.back(), "   1:");
    g_audio_quality = 0;
    g_talk_allowed = 0;
    unsetenv("TAMBLO_AUDIO");
}
