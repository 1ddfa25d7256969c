// The web host's pages without sockets: what a meeting link's query gives,
// the launcher link built from it, and the escaping of what a page shows.

#include "core/http_util.h"
#include "dialogs/invite_link.h"
#include "server/web_pages.h"

#include <gtest/gtest.h>

namespace {

// The query as the invitation dialog writes it: the mail's join link, or the
// invitation link's query before it is encoded whole.
std::string client_query(const MeetingLink& m, bool email)
{
    InviteValues v { m.host, m.display_name, m.port, m.code, m.room, m.password };
    if (!email)
        return invite_url_query(v);
    std::string link = email_join_link("", v);
    return link.substr(link.find('?') + 1);
}

std::map<std::string, std::string> launch_fields(const std::string& link)
{
    const std::string scheme = "tamblo://launch?";
    EXPECT_EQ(link.substr(0, scheme.size()), scheme);
    std::map<std::string, std::string> out;
    std::string rest = link.substr(scheme.size());
    EXPECT_EQ(rest.find_first_of("+ \"'<>#"), std::string::npos) << rest;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t amp = rest.find('&', start);
        std::string field = rest.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        size_t eq = field.find('=');
        std::string value;
        EXPECT_TRUE(url_decode(field.substr(eq + 1), value)) << field;
        out[field.substr(0, eq)] = value;
        if (amp == std::string::npos)
            break;
        start = amp + 1;
    }
    return out;
}

TEST(WebPages, BothLinkFormsGiveTheMeetingBackWhateverItsValuesHold)
{
    const MeetingLink meetings[] = {
        { "127.0.0.1", "Local", 9081, "secret", "Lobby", "" },
        { "meet.example.test", "Main & Co = 1", 443, "a%b+c", "Board room #2", "p&ps=x" },
        { "10.0.0.2", "服务器", 65535, "", "<script>alert(1)</script>", "'\"?<>" },
        { "h", "", 0, "code with blanks", "会议室 一", "%41%" },
    };
    for (const MeetingLink& m : meetings) {
        for (bool email : { false, true }) {
            std::string query = client_query(m, email);
            MeetingLink got;
            std::string error;
            if (email) {
                ASSERT_TRUE(parse_meeting_query(query, got, error)) << query << " " << error;
                // The mail link travels in text and in an attribute: no blank, quote or high byte stays.
                EXPECT_EQ(query.find_first_of(" \"'<>"), std::string::npos) << query;
                for (unsigned char c : query)
                    EXPECT_LT(c, 0x80) << query;
            } else {
                std::string encoded;
                hex_encode_all(query, encoded, 4001);
                ASSERT_TRUE(parse_encoded_meeting_query(encoded, got, error)) << query << " " << error;
            }
            EXPECT_EQ(got.host, m.host);
            EXPECT_EQ(got.display_name, m.display_name);
            EXPECT_EQ(got.port, m.port);
            EXPECT_EQ(got.code, m.code);
            EXPECT_EQ(got.room, m.room);
            EXPECT_EQ(got.password, m.password);
        }
        std::map<std::string, std::string> launch = launch_fields(launch_link(m));
        EXPECT_EQ(launch["server_addr"], m.host);
        EXPECT_EQ(launch["server_port"], std::to_string(m.port));
        EXPECT_EQ(launch["server_name"], m.display_name);
        EXPECT_EQ(launch["meeting_room_name"], m.room);
        // Two fillers before the code and three behind, which the program drops.
        EXPECT_EQ(launch["c"], "xx" + m.code + "xxx");
        EXPECT_EQ(launch["mp"], m.password);
        EXPECT_EQ(launch.size(), 6u);
    }
}

TEST(WebPages, BrokenQueriesAreRefusedNamingTheField)
{
    struct Case {
        const char* query;
        const char* field;
    } cases[] = {
        { "sn=x&sp=1", "s" },
        { "s=&sp=1", "s" },
        { "s=h&sp=", "sp" },
        { "s=h&sp=65536", "sp" },
        { "s=h&sp=-1", "sp" },
        { "s=h&sp=80x", "sp" },
        { "s=h&sp=1&s=g", "s" },
        { "s=h&sp=1&mr=%zz", "query" },
        { "s=h&sp=1&mr=%4", "query" },
        { "s=h&sp=1&mr", "query" },
        { "s=h&sp=1&mr=%ff%fe", "mr" },
        { "s=h&sp=1&mr=%c0%af", "mr" },
        { "s=h&sp=1&ps=a%0ab", "ps" },
        { "s=h&sp=1&c=%00", "c" },
    };
    for (const Case& c : cases) {
        MeetingLink link;
        std::string error;
        EXPECT_FALSE(parse_meeting_query(c.query, link, error)) << c.query;
        EXPECT_EQ(error, c.field) << c.query;
    }
    // Unknown fields and empty ones are passed over.
    MeetingLink link;
    std::string error;
    EXPECT_TRUE(parse_meeting_query("s=h&&sp=1&ct=20&zz=9", link, error)) << error;
    EXPECT_EQ(link.port, 1);
    // The invitation form is all escapes: a '+' or a broken escape there is no link.
    EXPECT_FALSE(parse_encoded_meeting_query("%73%3d%68+", link, error));
    EXPECT_FALSE(parse_encoded_meeting_query("%73%3", link, error));
}

TEST(WebPages, PagesShowValuesAsTextAndOfferThePackage)
{
    MeetingLink m { "127.0.0.1", "A&B", 9081, "c", "<script>alert('x')</script>", "p\"w" };
    struct Case {
        PageLanguage language;
        const char* lang;
        const char* join;
    } cases[] = { { PageLanguage::english, "lang=\"en\"", ">Join Meeting</a>" },
                  { PageLanguage::chinese, "lang=\"zh-CN\"", ">加入会议</a>" } };
    for (const Case& c : cases) {
        std::string page = join_page(m, c.language, "http://h/home/release/tamblo_install.deb");
        EXPECT_NE(page.find(c.lang), std::string::npos);
        EXPECT_NE(page.find(c.join), std::string::npos);
        EXPECT_EQ(page.find("<script>"), std::string::npos);
        EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"), std::string::npos);
        EXPECT_NE(page.find("<td id=\"server\">A&amp;B</td>"), std::string::npos);
        EXPECT_NE(page.find("href=\"http://h/home/release/tamblo_install.deb\""), std::string::npos);
        EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    }
    EXPECT_NE(invalid_link_page(PageLanguage::chinese).find("此会议链接无效。"), std::string::npos);
    EXPECT_NE(invalid_link_page(PageLanguage::english).find("This meeting link is not valid."), std::string::npos);
    EXPECT_EQ(html_escape("<a href='x'>&\"</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&quot;&lt;/a&gt;");
}

} // namespace
