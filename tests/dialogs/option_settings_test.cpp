// The option pages' values without windows: what a stored text reads back
// as, what OK stores, and what applying changes in the meeting state.

#include "core/global_state.h"
#include "core/settings.h"
#include "dialogs/option_settings.h"
#include "skin/ip_address.h"
#include "skin/skin_table.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

namespace {

std::string stored(const char* section, const char* name)
{
    std::string text;
    reg_read(section, name, text, 300);
    return text;
}

} // namespace

TEST(OptionSettings, StoredVideoValuesReadBackInRangeOrAsTheirDefault)
{
    struct Case {
        const char* name;
        const char* text;   // nullptr: not stored
        int want;
    } cases[] = {
        { "video_quality", nullptr, 50 },   { "video_quality", "80", 80 },     { "video_quality", "100", 100 },
        { "video_quality", "75", 50 },      { "video_quality", "40", 50 },     { "video_quality", "110", 50 },
        { "video_quality", "-70", 50 },     { "video_quality", "8o", 50 },     { "video_quality", "", 50 },
        { "video_frame_rate", "2", 2 },     { "video_frame_rate", "9", 9 },    { "video_frame_rate", "12", 6 },
        { "video_frame_rate", "1", 6 },     { "video_frame_rate", "99999999999999999999", 6 },
        { "desktop_share_quality", "60", 60 }, { "desktop_share_quality", "101", 50 },
        { "audio_quality", "2", 2 },        { "audio_quality", "3", 0 },       { "audio_quality", "x", 0 },
    };
    for (const Case& c : cases) {
        TempHome home;
        if (c.text)
            reg_write("video", c.name, c.text);
        VideoOptions o = read_video_options();
        int got = std::string(c.name) == "video_quality"      ? o.video_quality
                  : std::string(c.name) == "video_frame_rate" ? o.video_frame_rate
                  : std::string(c.name) == "audio_quality"    ? o.audio_quality
                                                              : o.desktop_share_quality;
        EXPECT_EQ(got, c.want) << c.name << "=" << (c.text ? c.text : "(unset)");
    }
}

// A saved 9 frames a second is still 9 after a restart, and applying sets
// the frame interval every video sender uses.
TEST(OptionSettings, VideoValuesSurviveARestartAndReachTheMeetingState)
{
    TempHome home;
    VideoOptions o { 90, 9, 70, 1 };
    ASSERT_EQ(write_video_options(o), 0);
    read_video_settings();
    EXPECT_EQ(g_video_quality, 90);
    EXPECT_EQ(g_video_frame_rate, 1);
    EXPECT_EQ(g_desktop_share_quality, 70);
    EXPECT_EQ(g_audio_quality, 1);

    reg_write("video", "video_frame_rate", "12");
    VideoOptions shown = read_video_options();
    EXPECT_EQ(shown.video_frame_rate, 6);
    apply_video_options(shown);
    EXPECT_EQ(g_video_frame_rate, 4);
    ASSERT_EQ(write_video_options(shown), 0);
    EXPECT_EQ(stored("video", "video_frame_rate"), "6");
}

TEST(OptionSettings, ProxyValuesReadBackAsTheConnectionUsesThem)
{
    struct Case {
        const char* name;
        const char* text;
        const char* what;
    } cases[] = {
        { "proxy_type", "0", "type 0" },   { "proxy_type", "1", "type 1" },     { "proxy_type", "2", "type 2" },
        { "proxy_type", "3", "type 2" },   { "proxy_type", "-1", "type 2" },    { "proxy_type", "socks", "type 2" },
        { "proxy_port", "3128", "port 3128" }, { "proxy_port", "0", "port 1080" }, { "proxy_port", "65536", "port 1080" },
        { "proxy_port", "-5", "port 1080" }, { "proxy_port", "", "port 1080" },   { "proxy_port", "80x", "port 1080" },
        { "use_proxy", "1", "on" },        { "use_proxy", "2", "off" },         { "use_proxy", "yes", "off" },
        { "proxy_ip", "2130706433", "ip 127.0.0.1" }, { "proxy_ip", "-1062731500", "ip 192.168.1.20" },
        { "proxy_ip", "4294967296", "ip blank" }, { "proxy_ip", "1.2.3.4", "ip blank" },
    };
    for (const Case& c : cases) {
        TempHome home;
        reg_write("proxy", c.name, c.text);
        ProxyOptions o = read_proxy_options();
        std::string got = std::string(c.name) == "proxy_type" ? "type " + std::to_string(o.type)
                          : std::string(c.name) == "proxy_port" ? "port " + std::to_string(o.port)
                          : std::string(c.name) == "use_proxy"  ? (o.use_proxy ? "on" : "off")
                          : o.ip_set ? "ip " + ip_address_text(ip_address_unpack(o.ip))
                                     : "ip blank";
        EXPECT_EQ(got, c.what) << c.name << "=" << c.text;
    }
}

TEST(OptionSettings, ProxyPortIsRefusedUnlessItIsOneTo65535)
{
    struct Case {
        const char* text;
        bool use_proxy;
        int want;
    } cases[] = {
        { "1080", true, 1080 }, { " 8080 ", true, 8080 }, { "1", true, 1 }, { "65535", true, 65535 },
        { "0", true, -1 },      { "65536", true, -1 },    { "-1", false, -1 }, { "12ab", false, -1 },
        { "", true, -1 },       { "", false, proxy_default_port }, { "99999999999999999999999", true, -1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(proxy_port_for_ok(c.text, c.use_proxy), c.want) << "'" << c.text << "' use_proxy " << c.use_proxy;
}

// Long texts are cut to what the connection reads, and the address is stored
// the signed way the connection has always read it.
TEST(OptionSettings, ProxyValuesAreStoredForTheNextConnection)
{
    TempHome home;
    ProxyOptions o;
    o.use_proxy = true;
    o.ip = (192u << 24) | (168u << 16) | (1u << 8) | 20u;
    o.ip_set = true;
    o.port = 1081;
    o.type = 0;
    o.user_name = std::string(200, 'u');
    o.password = "p w=d;#";
    ASSERT_EQ(write_proxy_options(o), 0);
    EXPECT_EQ(stored("proxy", "proxy_ip"), "-1062731500");
    EXPECT_EQ(stored("proxy", "proxy_user_name").size(), 127u);
    ProxyOptions back = read_proxy_options();
    EXPECT_TRUE(back.use_proxy);
    EXPECT_EQ(back.ip, o.ip);
    EXPECT_EQ(back.port, 1081);
    EXPECT_EQ(back.type, 0);
    EXPECT_EQ(back.password, "p w=d;#");
}

TEST(OptionSettings, SkinValuesReadBackAndApply)
{
    struct Case {
        const char* index;
        const char* animation;
        int want_index;
        bool want_no_animation;
    } cases[] = {
        { "3", "1", 3, true }, { "6", "0", 6, false }, { "7", "2", 0, false }, { "-1", "x", 0, false }, { "", "", 0, false },
    };
    for (const Case& c : cases) {
        TempHome home;
        reg_write("skin", "skin_index", c.index);
        reg_write("skin", "skin_not_show_animation", c.animation);
        SkinOptions o = read_skin_options();
        EXPECT_EQ(o.skin_index, c.want_index) << c.index;
        EXPECT_EQ(o.not_show_animation, c.want_no_animation) << c.animation;
    }
    TempHome home;
    apply_skin_options({ 4, true });
    EXPECT_EQ(skin_table().current_index, 4);
    EXPECT_EQ(g_skin_not_show_animation, 1);
    EXPECT_EQ(skin_table().current, skin_table().schemes[4]);
    apply_skin_options({ 0, false });
    EXPECT_EQ(g_skin_not_show_animation, 0);
    EXPECT_EQ(skin_table().current_index, 0);
}
