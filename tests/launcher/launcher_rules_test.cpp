// The launcher's control and its meeting link, without windows: what a link
// hands the control, the limits and clamps, and every way a hostile page may
// try to bend tamblo's one argument.

#include "launcher/launch_link.h"
#include "launcher/quillet_ctrl.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

namespace {

const std::string lobby_link = "tamblo://launch?server_addr=127.0.0.1&server_port=9081&server_name=Local"
                               "&meeting_room_name=Lobby&c=xxsecretxxx&mp=";

CquilletCtrl from_link(const std::string& link)
{
    CquilletCtrl ctrl;
    std::string refused;
    EXPECT_EQ(apply_launch_link(link, ctrl, refused), 0) << link;
    EXPECT_EQ(refused, "") << link;
    return ctrl;
}

} // namespace

TEST(QuilletCtrl, DefaultsAndTheArgumentOfAJoinPageLink)
{
    CquilletCtrl untouched;
    EXPECT_EQ(untouched.server_port(), 8080);
    EXPECT_EQ(untouched.launch_argument(), untouched.server_addr() + ":Default:8080:Beijing::Guest:");
    EXPECT_FALSE(untouched.server_addr().empty());
    EXPECT_EQ(untouched.from_color(), (RgbColor { 255, 255, 255 }));
    EXPECT_EQ(untouched.to_color(), (RgbColor { 255, 255, 255 }));
    EXPECT_EQ(untouched.text_color(), (RgbColor { 0, 0, 0 }));

    CquilletCtrl ctrl = from_link(lobby_link);
    ctrl.set_user_name("Ann");
    // The code passes as the page gave it: tamblo drops the 2 + 3 fillers.
    EXPECT_EQ(ctrl.launch_argument(), "127.0.0.1:Local:9081:Lobby:xxsecretxxx:Ann:");
}

TEST(QuilletCtrl, TextsAreCutAtTheirLimitsOnACharacterBoundary)
{
    const std::string chinese = "\xE4\xBC\x9A"; // three bytes
    struct Case {
        const char* parameter;
        std::string value;
        std::string (*read)(const CquilletCtrl&);
        std::string want;
    } cases[] = {
        { "server_name", std::string(70, 'n'), [](const CquilletCtrl& c) { return c.server_name(); }, std::string(64, 'n') },
        { "server_name", std::string(62, 'n') + chinese, [](const CquilletCtrl& c) { return c.server_name(); },
          std::string(62, 'n') },
        { "server_addr", std::string(200, 'h'), [](const CquilletCtrl& c) { return c.server_addr(); }, std::string(127, 'h') },
        { "meeting_room_name", std::string(100, 'r'), [](const CquilletCtrl& c) { return c.meeting_room_name(); },
          std::string(63, 'r') },
        { "c", std::string(200, 'c'), [](const CquilletCtrl& c) { return c.c(); }, std::string(127, 'c') },
        { "mp", std::string(100, 'p'), [](const CquilletCtrl& c) { return c.mp(); }, std::string(63, 'p') },
        { "text", std::string(300, 't'), [](const CquilletCtrl& c) { return c.text(); }, std::string(255, 't') },
        { "text", std::string(254, 't') + chinese, [](const CquilletCtrl& c) { return c.text(); }, std::string(254, 't') },
    };
    for (const Case& k : cases) {
        CquilletCtrl ctrl = from_link("tamblo://launch?" + std::string(k.parameter) + "=" + k.value);
        EXPECT_EQ(k.read(ctrl), k.want) << k.parameter << " of " << k.value.size() << " bytes";
    }

    CquilletCtrl ctrl = from_link("tamblo://launch?server_addr=127.0.0.1&server_port=9081&meeting_room_name=Lobby"
                                  "&c=xxsecretxxx&server_name=" + std::string(70, 'n'));
    ctrl.set_user_name(std::string(100, 'u'));
    EXPECT_EQ(ctrl.launch_argument(), "127.0.0.1:" + std::string(64, 'n') + ":9081:Lobby:xxsecretxxx:" + std::string(63, 'u') + ":");
}

TEST(QuilletCtrl, ColoursAreClampedComponentByComponent)
{
    struct Case {
        int r, g, b;
        RgbColor want;
    } cases[] = {
        { -5, 300, 128, { 0, 255, 128 } },
        { 256, 255, 0, { 255, 255, 0 } },
        { -1, -32768, 32767, { 0, 0, 255 } },
    };
    for (const Case& k : cases) {
        CquilletCtrl ctrl;
        ctrl.set_from_color(k.r, k.g, k.b);
        ctrl.set_to_color(k.r, k.g, k.b);
        ctrl.set_text_color(k.r, k.g, k.b);
        EXPECT_EQ(ctrl.from_color(), k.want) << k.r << "," << k.g << "," << k.b;
        EXPECT_EQ(ctrl.to_color(), k.want);
        EXPECT_EQ(ctrl.text_color(), k.want);
    }
    CquilletCtrl linked = from_link("tamblo://launch?from_color=-5,300,128&to_color=1,2,3&text_color=255,0,999");
    EXPECT_EQ(linked.from_color(), (RgbColor { 0, 255, 128 }));
    EXPECT_EQ(linked.to_color(), (RgbColor { 1, 2, 3 }));
    EXPECT_EQ(linked.text_color(), (RgbColor { 255, 0, 255 }));
}

TEST(QuilletCtrl, CaptionBandStepsTowardItsEndColour)
{
    struct Case {
        RgbColor from, to;
        int rows;
        std::vector<RgbColor> want;
    } cases[] = {
        { { 0, 0, 0 }, { 255, 255, 255 }, 3, { { 0, 0, 0 }, { 85, 85, 85 }, { 170, 170, 170 }, { 255, 255, 255 } } },
        // Division truncates toward zero on the way down as well.
        { { 255, 10, 0 }, { 0, 10, 1 }, 2, { { 255, 10, 0 }, { 128, 10, 0 }, { 0, 10, 1 } } },
        { { 9, 9, 9 }, { 200, 100, 0 }, 1, { { 9, 9, 9 }, { 200, 100, 0 } } },
        { { 9, 9, 9 }, { 200, 100, 0 }, 0, {} },
    };
    for (const Case& k : cases)
        EXPECT_EQ(caption_gradient(k.from, k.to, k.rows), k.want) << k.rows << " rows";
    EXPECT_EQ(caption_text_offset(40, 14), 13);
    EXPECT_EQ(caption_text_offset(10, 14), 0);
}

TEST(LaunchLink, GoodLinksHandEachParameterToItsMember)
{
    struct Case {
        std::string link;
        std::string want_argument;
    } cases[] = {
        { lobby_link, "127.0.0.1:Local:9081:Lobby:xxsecretxxx:Guest:" },
        { "TAMBLO://Launch?server_addr=h&server_port=1&c=xxcyyy", "h:Default:1:Beijing:xxcyyy:Guest:" },
        { "tamblo://launch/?server_addr=h&server_port=65535&&mp=pw&", "h:Default:65535:Beijing::Guest:pw" },
        // Ports above 32767 stay positive.
        { "tamblo://launch?server_port=40000&server_addr=h", "h:Default:40000:Beijing::Guest:" },
        { "tamblo://launch?server_port=0&server_addr=h", "h:Default:0:Beijing::Guest:" },
        // One decoding only: "%25%32%35" is the text "%25".
        { "tamblo://launch?server_addr=h&meeting_room_name=%25%32%35&server_name=My+Room%2B",
          "h:My Room+:8080:%25::Guest:" },
        { "tamblo://launch?server_addr=h&meeting_room_name=%E4%BC%9A%E8%AE%AE", "h:Default:8080:\xE4\xBC\x9A\xE8\xAE\xAE::Guest:" },
        // What a shell would take as commands is only text here.
        { "tamblo://launch?server_addr=h&meeting_room_name=%24(touch%20MARK)%3B%60id%60%7C%26%3C%3E%22'",
          "h:Default:8080:$(touch MARK);`id`|&<>\"'::Guest:" },
        { "tamblo://launch?server_addr=h&lang=en&Server_Addr=ignored", "h:Default:8080:Beijing::Guest:" },
        { "tamblo://launch", CquilletCtrl().launch_argument() },
        { "tamblo://launch?server_port=09081&server_addr=h&c=" + std::string(4096 - 51, 'c'),
          "h:Default:9081:Beijing:" + std::string(127, 'c') + ":Guest:" },
    };
    for (const Case& k : cases)
        EXPECT_EQ(from_link(k.link).launch_argument(), k.want_argument) << k.link;
}

TEST(LaunchLink, UnknownParametersAreLogged)
{
    LogCapture log;
    from_link(lobby_link + "&lang=en");
    bool logged = false;
    for (const std::string& line : log.lines())
        logged = logged || line.find("unknown parameter lang") != std::string::npos;
    EXPECT_TRUE(logged);
}

TEST(LaunchLink, HostileLinksAreRefusedWholeNamingWhatIsWrong)
{
    const std::string start = "tamblo://launch?server_addr=h&";
    struct Case {
        std::string link;
        const char* refused;
    } cases[] = {
        { start + "c=" + std::string(100 * 1024, 'a'), "length" },
        { start + "c=" + std::string(launch_link_limit - start.size() - 1, 'a'), "length" },
        { "http://launch?server_addr=h", "scheme" },
        { "tamblox://launch?server_addr=h", "scheme" },
        { "launch?server_addr=h", "scheme" },
        { "tamblo:launch?server_addr=h", "launch" },
        { "tamblo://evil.example?server_addr=h", "launch" },
        { "tamblo://launch/more?server_addr=h", "launch" },
        { "tamblo://launch?server_addr=h#top", "fragment" },
        { start + "server_port=65536", "server_port" },
        { start + "server_port=-1", "server_port" },
        { start + "server_port=", "server_port" },
        { start + "server_port=0x50", "server_port" },
        { start + "server_port=9081%00", "server_port" },
        { start + "server_port=+9081", "server_port" },
        { start + "server_name=a:b", "server_name" },
        { start + "server_name=a%3Ab", "server_name" },
        { start + "meeting_room_name=a%00b", "meeting_room_name" },
        { start + "meeting_room_name=a%0ab", "meeting_room_name" },
        { start + "meeting_room_name=a%0Db", "meeting_room_name" },
        { start + "meeting_room_name=a%7Fb", "meeting_room_name" },
        { start + "mp=%zz", "mp" },
        { start + "mp=abc%4", "mp" },
        { start + "c=%FF%FE", "c" },
        { start + "c=%C0%BA", "c" },
        { start + "text=%ED%A0%80", "text" },
        { "tamblo://launch?server_addr=h&server_addr=evil", "server_addr" },
        { "tamblo://launch?server_addr=-platform", "server_addr" },
        { "tamblo://launch?server_addr=%2Dstyle=x", "server_addr" },
        { "tamblo://launch?server_addr=", "server_addr" },
        { start + "c", "c" },
        { start + "lang=en&lang=zh", "lang" },
        { start + "=a&=b", "query" },
        { start + "%00x=1&%00x=2", "%00x" },
        { start + "from_color=1,2", "from_color" },
        { start + "to_color=1,2,3,4", "to_color" },
        { start + "text_color=a,b,c", "text_color" },
        { start + "from_color=1,,3", "from_color" },
        { start + "from_color=99999999999,0,0", "from_color" },
    };
    for (const Case& k : cases) {
        CquilletCtrl ctrl;
        ctrl.set_user_name("Ann");
        const std::string before = ctrl.launch_argument();
        std::string refused;
        EXPECT_EQ(apply_launch_link(k.link, ctrl, refused), -1) << k.link.substr(0, 120);
        EXPECT_EQ(refused, k.refused) << k.link.substr(0, 120);
        EXPECT_EQ(ctrl.launch_argument(), before) << "a refused link leaves the control as it was";
    }
}
