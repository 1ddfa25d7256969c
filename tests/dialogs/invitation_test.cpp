// Invitations without windows: the copied link and the mail's join link
// with awkward values, the server they name, the scheduled time's lists and
// checks, the invitations' texts, the appointment as libical reads it back
// and the mailto address handed to the mail program.

#include "core/global_state.h"
#include "core/server_table.h"
#include "core/ui_text.h"
#include "dialogs/invitation_mail.h"
#include "dialogs/invite_link.h"
#include "tests/dialogs/mail_desktop.h"

#include <libical/ical.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>

namespace {

// The query's fields, split at '&' and '=' before their values are decoded.
std::map<std::string, std::string> query_fields(const std::string& query)
{
    std::map<std::string, std::string> fields;
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        std::string pair = query.substr(start, end - start);
        size_t eq = pair.find('=');
        fields[pair.substr(0, eq)] = eq == std::string::npos ? "" : percent_decode(pair.substr(eq + 1));
        start = end + 1;
    }
    return fields;
}

std::string after(const std::string& text, const std::string& marker)
{
    size_t at = text.find(marker);
    return at == std::string::npos ? std::string() : text.substr(at + marker.size());
}

const InviteValues awkward = { "meet.example.test", "Main & Co = \"one\"", 9081, "c0de#1+2", "Room 5 \xe5\xbc\xa0 <b>",
                               "p&s=w%rd\x05" };

struct ZoneGuard {
    std::string saved;
    bool had = false;
    explicit ZoneGuard(const char* zone)
    {
        if (const char* tz = std::getenv("TZ")) {
            saved = tz;
            had = true;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneGuard()
    {
        if (had)
            ::setenv("TZ", saved.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
};

NotifySettings sample_settings()
{
    NotifySettings s;
    s.server = { "meet.example.test", "Main server", 9081, "secret", "Board Room", "pw" };
    s.year = 2031;
    s.month = 7;
    s.day = 14;
    s.hour = 9;
    s.minute = 30;
    s.duration_hours = 1;
    s.duration_minutes = 45;
    s.title = "Quarterly review";
    s.content = "Bring the figures.";
    return s;
}

} // namespace

TEST(InviteLink, EveryQueryByteIsTwoLowerCaseDigitsAndEachValueComesBack)
{
    const std::string link = invite_url_link("http://web.test:8080", awkward);
    const std::string prefix = "http://web.test:8080/cgi-bin/brenmo/customer/cu_start_from_link_enc.pl?";
    ASSERT_EQ(link.rfind(prefix, 0), 0u) << link;
    const std::string encoded = link.substr(prefix.size());
    // "s=" first: the letter s is %73 and the equals sign %3d.
    EXPECT_EQ(encoded.substr(0, 6), "%73%3d");
    ASSERT_EQ(encoded.size() % 3, 0u);
    for (size_t i = 0; i < encoded.size(); i += 3) {
        ASSERT_EQ(encoded[i], '%');
        for (char digit : encoded.substr(i + 1, 2))
            ASSERT_TRUE((digit >= '0' && digit <= '9') || (digit >= 'a' && digit <= 'f')) << encoded.substr(i, 3);
    }
    // A byte below 0x10 keeps its leading zero.
    EXPECT_NE(encoded.find("%05"), std::string::npos);
    const std::string query = percent_decode(encoded);
    EXPECT_EQ(query, invite_url_query(awkward));
    auto fields = query_fields(query);
    EXPECT_EQ(fields.size(), 7u);
    EXPECT_EQ(fields["s"], awkward.host);
    EXPECT_EQ(fields["sn"], awkward.display_name);
    EXPECT_EQ(fields["sp"], "9081");
    EXPECT_EQ(fields["c"], awkward.auth_code);
    EXPECT_EQ(fields["mr"], awkward.room_name);
    EXPECT_EQ(fields["ps"], awkward.room_password);
    EXPECT_EQ(fields["ct"], "20");
}

TEST(InviteLink, TheLongestValuesAreNeverCut)
{
    InviteValues v;
    v.host = std::string(127, '&');
    v.display_name = std::string(invite_display_name_limit, '=');
    v.port = 65535;
    v.auth_code = std::string(invite_code_limit, '%');
    v.room_name = std::string(invite_room_limit, '#');
    v.room_password = std::string(invite_password_limit, '+');
    const std::string link = invite_url_link("", v);
    const std::string encoded = after(link, "?");
    EXPECT_LE(encoded.size(), invite_link_limit);
    auto fields = query_fields(percent_decode(encoded));
    EXPECT_EQ(fields["s"], v.host);
    EXPECT_EQ(fields["ps"], v.room_password);
    EXPECT_EQ(fields["ct"], "20");
}

TEST(InviteLink, ChineseTakesTheChinesePage)
{
    set_text_translator([](const char* source) { return std::string(source) == "\\" ? "\\ch\\" : source; });
    EXPECT_TRUE(invite_link_chinese());
    EXPECT_NE(invite_url_link("http://w", awkward).find("http://w/cgi-bin/brenmo/customer/ch/cu_start_from_link_enc.pl?"),
              std::string::npos);
    set_text_translator(nullptr);
    EXPECT_FALSE(invite_link_chinese());
}

TEST(InviteLink, TheMailLinkEncodesOnlyWhatWouldBreakIt)
{
    InviteValues v = { "10.0.0.7", "Main server", 443, "a/b:c@d", "Room One", "p&s=w" };
    EXPECT_EQ(email_join_link("http://web", v),
              "http://web/cgi-bin/brenmo/customer/cu_start_from_email.pl?s=10.0.0.7&sn=Main%20server&sp=443"
              "&c=a/b:c@d&mr=Room%20One&ps=p%26s%3Dw");
    const std::string link = email_join_link("", awkward);
    for (char c : link)
        EXPECT_TRUE(static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) < 0x7f
                    && std::string("\"'<> ").find(c) == std::string::npos)
            << link;
    auto fields = query_fields(after(link, "?"));
    EXPECT_EQ(fields["sn"], awkward.display_name);
    EXPECT_EQ(fields["mr"], awkward.room_name);
    EXPECT_EQ(fields["ps"], awkward.room_password);
    EXPECT_EQ(fields["c"], awkward.auth_code);
}

TEST(InviteLink, TheServerIsTheNamedEntryElseTheCurrentOne)
{
    for (auto& e : server_entry)
        e = {};
    server_entry[5].in_use = 1;
    copy_to_field(server_entry[5].show_name, "Main server");
    copy_to_field(server_entry[5].host, "10.1.2.3");
    server_entry[5].port = 1863;
    g_server_host.set("127.0.0.9");
    g_server_port = 9555;

    auto named = invite_server_by_display_name("Main server");
    ASSERT_TRUE(named);
    EXPECT_EQ(named->host, "10.1.2.3");
    EXPECT_EQ(named->port, 1863);
    auto other = invite_server_by_display_name("Nobody's");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->host, "127.0.0.9");
    EXPECT_EQ(other->port, 9555);
    g_server_host.set("");
    EXPECT_FALSE(invite_server_by_display_name("Nobody's"));
    load_default_servers();
}

namespace {

// A server table of two entries, a room list and the session's values as a
// test names them; the defaults come back afterwards.
struct InviteState {
    struct Entry {
        int index;
        const char* name;
        const char* host;
        int port;
    };
    InviteState(std::initializer_list<Entry> entries, std::initializer_list<const char*> rooms)
    {
        for (auto& e : server_entry)
            e = {};
        for (const Entry& e : entries) {
            server_entry[static_cast<size_t>(e.index)].in_use = 1;
            copy_to_field(server_entry[static_cast<size_t>(e.index)].show_name, e.name);
            copy_to_field(server_entry[static_cast<size_t>(e.index)].host, e.host);
            server_entry[static_cast<size_t>(e.index)].port = e.port;
        }
        for (auto& r : room_entry)
            r = {};
        size_t i = 3;  // rooms need not start at the table's top
        for (const char* room : rooms) {
            room_entry[i].in_use = 1;
            copy_to_field(room_entry[i++].name, room);
        }
    }
    ~InviteState()
    {
        for (auto& r : room_entry)
            r = {};
        for (auto* text : { &g_server_host, &g_server_display_name })
            text->set("");
        g_room_name.set("");
        g_access_code.set("");
        g_room_password.set("");
        g_server_port = 0;
        load_default_servers();
    }
};

void set_session(const char* display_name, const char* host, int port, const char* room)
{
    g_server_display_name.set(display_name);
    g_server_host.set(host);
    g_server_port = port;
    g_room_name.set(room);
}

} // namespace

TEST(InviteDialog, StartsWithTheCurrentServerTheLaunchRoomAndThePortInUse)
{
    InviteState state({ { 2, "Main", "10.0.0.2", 9081 }, { 7, "Backup", "10.0.0.7", 1863 } }, { "Lobby", "Board" });
    g_access_code.set("c0de");
    g_room_password.set("p&s=w");
    struct Case {
        const char* display_name;
        const char* host;
        int port;
        const char* room;
        std::vector<std::string> servers;
        int server_index;
        int room_index;
        const char* room_text;
        int port_index;
    } cases[] = {
        // The entry of the current server, a listed room, its port "Default".
        { "Backup", "10.0.0.7", 9081, "Board", { "Main", "Backup" }, 1, 1, "Board", 0 },
        // A port of the choices is chosen; a room not listed is typed over the first.
        { "Main", "10.0.0.2", 443, "Garden", { "Main", "Backup" }, 0, 0, "Garden", 2 },
        // A server typed by hand is listed after the entries, so the link names it.
        { "Customer IP", "127.0.0.5", 7000, "Lobby", { "Main", "Backup", "Customer IP" }, 2, 0, "Lobby", 0 },
        // Not connected yet: the first of each, the first room's name.
        { "", "", 0, "", { "Main", "Backup" }, 0, 0, "Lobby", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.display_name);
        set_session(c.display_name, c.host, c.port, c.room);
        InviteStart start = invite_start();
        EXPECT_EQ(start.servers, c.servers);
        EXPECT_EQ(start.server_index, c.server_index);
        EXPECT_EQ(start.rooms, (std::vector<std::string> { "Lobby", "Board" }));
        EXPECT_EQ(start.room_index, c.room_index);
        EXPECT_EQ(start.room_text, c.room_text);
        EXPECT_EQ(start.port_index, c.port_index);
        EXPECT_EQ(start.auth_code, "c0de");
        EXPECT_EQ(start.room_password, "p&s=w");
    }
}

TEST(InviteDialog, GenerateTakesTheNamedServerElseTheCurrentOneAndThePortChosen)
{
    InviteState state({ { 2, "Main", "10.0.0.2", 9081 }, { 7, "Backup", "10.0.0.7", 1863 } }, {});
    set_session("Customer IP", "127.0.0.5", 7000, "");
    const std::string long_room = std::string(62, 'r') + "\xe5\xbc\xa0";  // 65 bytes, the last character cut whole
    struct Case {
        const char* display_name;
        int port_index;
        const char* host;
        int port;
    } cases[] = {
        { "Main", 0, "10.0.0.2", 9081 },
        { "Backup", 0, "10.0.0.7", 1863 },
        { "Backup", 8, "10.0.0.7", 8080 },
        { "Customer IP", 0, "127.0.0.5", 7000 },
        { "Nobody's", 2, "127.0.0.5", 443 },
        { "Main", 99, "10.0.0.2", 9081 },  // no such choice: the server's own port
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.display_name) + " " + std::to_string(c.port_index));
        auto values = invite_values({ c.display_name, c.port_index, std::string(50, 'c'), long_room, "p&s=w" });
        ASSERT_TRUE(values);
        EXPECT_EQ(values->host, c.host);
        EXPECT_EQ(values->port, c.port);
        EXPECT_EQ(values->display_name, c.display_name);
        EXPECT_EQ(values->auth_code, std::string(invite_code_limit, 'c'));
        EXPECT_EQ(values->room_name, std::string(62, 'r'));
        EXPECT_EQ(values->room_password, "p&s=w");
    }
    // Neither an entry nor a current server: no link to give.
    set_session("", "", 0, "");
    EXPECT_FALSE(invite_values({ "Nobody's", 0, "", "", "" }));
}

TEST(NotifySchedule, ListsAndDates)
{
    std::vector<int> years = schedule_years(2031);
    ASSERT_EQ(years.size(), 16u);
    EXPECT_EQ(years.front(), 2031);
    EXPECT_EQ(years.back(), 2046);

    const std::pair<int, const char*> hours[] = { { 0, "12 AM" }, { 1, " 1 AM" },  { 11, "11 AM" },
                                                  { 12, "12 PM" }, { 13, " 1 PM" }, { 23, "11 PM" } };
    for (auto [hour, text] : hours)
        EXPECT_EQ(schedule_hour_text(hour), text) << hour;

    const std::string refused = "The scheduled date does not exist, please choose another day.";
    struct Case {
        int year, month, day;
        bool exists;
    } dates[] = { { 2031, 2, 29, false }, { 2032, 2, 29, true }, { 2100, 2, 29, false }, { 2000, 2, 29, true },
                  { 2031, 4, 31, false }, { 2031, 4, 30, true }, { 2031, 12, 31, true }, { 2031, 6, 0, false } };
    for (const Case& c : dates)
        EXPECT_EQ(schedule_date_refusal(c.year, c.month, c.day), c.exists ? "" : refused)
            << c.year << "-" << c.month << "-" << c.day;
}

TEST(InvitationTexts, PlainAndMailInvitationsWordForWord)
{
    NotifySettings s = sample_settings();
    const std::string link = "http://web/join?x=1";
    EXPECT_EQ(plain_invitation(s, link),
              "   Conference appointment.\r\n\r\n"
              "   Conference Info:\r\n"
              "   Server:Main server\r\n"
              "   Auth Code:secret\r\n"
              "   Meeting Room Name:Board Room\r\n"
              "   Meeting Room Passwd:pw\r\n"
              "   As the Conference Sponsor, please create the meeting room before conference start if it does not "
              "exist before. And set the password as specified above, so that everyone could come in with a single "
              "click of the link.\r\n"
              "   The link for conference members to enter:\r\n\r\n"
              "http://web/join?x=1\r\n\r\n"
              "Bring the figures.");
    EXPECT_EQ(invitation_mail_text("Ann", "Lee", s, link),
              "Dear Ann Lee:\r\n"
              "   You have a conference appointment.\r\n\r\n"
              "   Conference Info:\r\n"
              "   Server:Main server\r\n"
              "   Auth Code:secret\r\n"
              "   Meeting Room Name:Board Room\r\n"
              "   Meeting Room Passwd:pw\r\n"
              "   Conference Sponsor should create meeting room before conference start if it does not exist before. "
              "And set the password as specified above, so that everyone could come in with a single click of the "
              "link.\r\n"
              "   The link for conference members to enter:\r\n"
              "http://web/join?x=1\r\n\r\n"
              "Bring the figures.");
}

TEST(InvitationTexts, TheAppointmentReadsBackWithLibical)
{
    ZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
    NotifySettings s = sample_settings();
    s.title = "Review; budget, ";
    for (int i = 0; i < 40; ++i)
        s.title += "\xe5\xbc\xa0";  // long enough to fold inside Chinese text
    s.content = "Line one\nLine two \\ back\r\nend";
    const std::string link = email_join_link("http://web.test", s.server);
    const std::time_t now = 1900000000;
    const std::string ics = appointment_ics(s, link, "uid-1@tamblo", now);

    // Lines end in CR LF and are folded to at most 75 bytes, never inside a character.
    size_t start = 0;
    while (start < ics.size()) {
        size_t end = ics.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        std::string line = ics.substr(start, end - start);
        EXPECT_LE(line.size(), 75u) << line;
        EXPECT_EQ(line.find('\n'), std::string::npos);
        if (!line.empty()) {
            EXPECT_NE(static_cast<unsigned char>(line[line[0] == ' ' ? 1 : 0]) & 0xc0, 0x80u) << line;
        }
        start = end + 2;
    }

    icalcomponent* cal = icalparser_parse_string(ics.c_str());
    ASSERT_NE(cal, nullptr);
    EXPECT_EQ(icalcomponent_isa(cal), ICAL_VCALENDAR_COMPONENT);
    EXPECT_EQ(icalcomponent_get_method(cal), ICAL_METHOD_PUBLISH);
    icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT);
    ASSERT_NE(ev, nullptr);
    EXPECT_STREQ(icalcomponent_get_uid(ev), "uid-1@tamblo");
    icaltimetype start_time = icalcomponent_get_dtstart(ev);
    EXPECT_TRUE(icaltime_is_utc(start_time));
    // 9:30 in summer time in that zone is 7:30 UTC.
    EXPECT_EQ(start_time.year, 2031);
    EXPECT_EQ(start_time.month, 7);
    EXPECT_EQ(start_time.day, 14);
    EXPECT_EQ(start_time.hour, 7);
    EXPECT_EQ(start_time.minute, 30);
    EXPECT_EQ(icaltime_as_timet(icalcomponent_get_dtstamp(ev)), now);
    EXPECT_EQ(icaldurationtype_as_int(icalcomponent_get_duration(ev)), (60 + 45) * 60);
    EXPECT_EQ(std::string(icalcomponent_get_summary(ev)), s.title);
    // libical drops the blanks a value begins with.
    std::string plain = plain_invitation(s, link);
    plain.erase(0, plain.find_first_not_of(' '));
    std::string want_description;
    for (size_t i = 0; i < plain.size(); ++i) {
        if (plain[i] == '\r' && i + 1 < plain.size() && plain[i + 1] == '\n')
            continue;
        want_description += plain[i];
    }
    EXPECT_EQ(std::string(icalcomponent_get_description(ev)), want_description);
    icalproperty* url = icalcomponent_get_first_property(ev, ICAL_URL_PROPERTY);
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(std::string(icalproperty_get_url(url)), link);
    icalcomponent* alarm = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT);
    ASSERT_NE(alarm, nullptr);
    icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    ASSERT_NE(trigger, nullptr);
    EXPECT_EQ(icaldurationtype_as_int(icalproperty_get_trigger(trigger).duration), -5 * 60);
    icalcomponent_free(cal);

    // Winter time: the same wall-clock hour is an hour later in UTC.
    s.month = 1;
    s.duration_hours = 0;
    s.duration_minutes = 0;
    cal = icalparser_parse_string(appointment_ics(s, link, "uid-2@tamblo", now).c_str());
    ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT);
    EXPECT_EQ(icalcomponent_get_dtstart(ev).hour, 8);
    EXPECT_EQ(icaldurationtype_as_int(icalcomponent_get_duration(ev)), 0);
    icalcomponent_free(cal);
}

TEST(InvitationMail, MailtoCarriesSubjectAndBodyWhole)
{
    EXPECT_EQ(mailto_uri("ann+x@example.org", "Hi & bye", "a\\cb\r\nc\nd"),
              "mailto:ann+x@example.org?subject=Hi%20%26%20bye&body=a%5Ccb%0D%0Ac%0D%0Ad");
    EXPECT_EQ(mailto_uri("a@b", "", "\xe5\xbc\xa0"), "mailto:a@b?subject=&body=%E5%BC%A0");

    struct Case {
        const char* address;
        bool usable;
    } cases[] = { { "ann@example.org", true }, { "-oProxyCommand=x@y", false }, { "ann.example.org", false },
                  { "ann @example.org", false }, { "ann@example.org\t", false }, { "@example.org", false },
                  { "ann@", false }, { "", false }, { "a@b", true } };
    for (const Case& c : cases)
        EXPECT_EQ(mail_address_usable(c.address), c.usable) << c.address;
}
