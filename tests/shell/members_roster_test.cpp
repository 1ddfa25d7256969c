#include "shell/members_roster.h"

#include "core/global_state.h"
#include "core/ui_text.h"
#include "media/voice_state.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace {

std::string record(const std::string& name, int id)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%4d", id);
    return name + '\0' + digits;
}

std::string sub(const RosterRow& row, int column)
{
    const char* t = row.sub[static_cast<size_t>(column - 1)];
    return t ? t : "";
}

std::string info_name(int i) { return customer_info[static_cast<size_t>(i)].name.data(); }

class Roster : public ::testing::Test {
protected:
    void SetUp() override
    {
        roster.clear();
        for (customer_view_record& v : customer_view)
            v = customer_view_record {};
        g_zoomed_customer_id = -1;
        g_private_voice_chat = 0;
        g_private_voice_partner_id = -1;
    }
    bool add(const std::string& name, int id, int32_t flags = 0)
    {
        std::string r = record(name, id);
        return roster.add_member(r.data(), r.size(), flags);
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const RosterRow& r : roster.rows())
            out.push_back(r.name);
        return out;
    }
    MembersRoster roster;
};

TEST_F(Roster, NewestMemberStandsFirstWithItsPictureAndAttendeeRecord)
{
    ASSERT_TRUE(add("first", 1001, member_flag_bit_chairman));
    ASSERT_TRUE(add("second", 1002, member_flag_bit_presenter | member_flag_bit_hand));
    ASSERT_TRUE(add("third", 1003, member_flag_bit_talking));
    EXPECT_EQ(names(), (std::vector<std::string> { "third", "second", "first" }));
    const auto& rows = roster.rows();
    EXPECT_EQ(rows[0].image, 0);
    EXPECT_EQ(rows[1].image, 1);
    EXPECT_EQ(rows[2].image, 2);
    EXPECT_EQ(roster_image_for(member_flag_bit_chairman | member_flag_bit_presenter), 2);
    EXPECT_EQ(sub(rows[0], 3), "Talking");
    EXPECT_EQ(sub(rows[1], 1), "Hand Raised");
    EXPECT_EQ(sub(rows[2], 1), "");
    for (const RosterRow& r : rows)
        EXPECT_EQ(sub(r, 4), "Show");

    // Attendee records fill in arrival order, in the first free slots.
    EXPECT_EQ(info_name(0), "first");
    EXPECT_EQ(customer_info[1].customer_id, 1002);
    EXPECT_EQ(customer_info[1].flags, member_flag_bit_presenter | member_flag_bit_hand);
    EXPECT_EQ(customer_info[2].in_use, 1);

    roster.clear();
    EXPECT_TRUE(roster.rows().empty());
    EXPECT_EQ(customer_info[0].in_use, 0);
    EXPECT_EQ(info_name(0), "");
}

TEST_F(Roster, RecordsWithoutAReadableIdAreListedAsMinusOneAndStrangeFlagsLoseTheirUnknownBits)
{
    LogCapture log;
    struct Case {
        const char* name;
        std::string record;
        std::string member;
        int id;
    } cases[] = {
        { "id of four digits", record("ann", 4321), "ann", 4321 },
        { "no NUL, no id", "lonely", "lonely", -1 },
        { "id not a number", std::string("bob\0ab12", 8), "bob", -1 },
        { "id with a tail", std::string("cid\0" "12x", 7), "cid", -1 },
        { "empty id", std::string("dee\0", 4), "dee", -1 },
        { "past 127 bytes", record(std::string(125, 'e'), 1004), std::string(125, 'e'), -1 },
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(roster.add_member(c.record.data(), c.record.size(), 0)) << c.name;
        EXPECT_EQ(roster.rows().front().name, c.member) << c.name;
        EXPECT_EQ(roster.rows().front().customer_id, c.id) << c.name;
    }
    EXPECT_FALSE(roster.add_member(nullptr, 0, 0));
    EXPECT_TRUE(log.contains("member id \"ab12\" not a number in parse_member_record.\n"));
    EXPECT_TRUE(log.contains("member record of 130 bytes, longer than 127, in parse_member_record.\n"));
    // No state message reaches a row without an id.
    EXPECT_EQ(roster.update_member(-2, 4), -1);

    roster.clear();
    ASSERT_TRUE(add("odd", 1005, 0x7f3));
    EXPECT_EQ(roster.rows()[0].flags, 0x3);
    EXPECT_EQ(customer_info[0].flags, 0x3);
    EXPECT_EQ(roster.update_member(1005, -1), 0);
    EXPECT_EQ(roster.rows()[0].flags, member_flag_bits);
    EXPECT_TRUE(log.contains("member flags 2035 outside their bits in MembersRoster::add_member.\n"));
}

TEST_F(Roster, LongNamesStayWholeInTheRowAndAreCutTo63InTheTables)
{
    std::string n63(63, 'a'), n64(64, 'b'), n120(120, 'c');
    ASSERT_TRUE(add(n63, 1001));
    ASSERT_TRUE(add(n64, 1002));
    ASSERT_TRUE(add(n120, 1003));
    EXPECT_EQ(roster.rows()[1].name, n64);
    EXPECT_EQ(roster.rows()[0].name, n120);
    EXPECT_EQ(info_name(0), n63);
    EXPECT_EQ(info_name(1), std::string(63, 'b'));
    EXPECT_EQ(info_name(2), std::string(63, 'c'));
}

TEST_F(Roster, MemberPastTheHundredthGetsARowWithoutARecord)
{
    for (int i = 0; i < customer_count; ++i)
        ASSERT_TRUE(add("m" + std::to_string(i), 1000 + i));
    ASSERT_TRUE(add("late", 2000, member_flag_bit_hand));
    EXPECT_EQ(roster.rows().size(), 101u);
    EXPECT_EQ(roster.rows()[0].name, "late");
    for (const customer_info_record& r : customer_info)
        EXPECT_NE(r.customer_id, 2000);
    // Its state still shows in the row.
    EXPECT_EQ(roster.update_member(2000, 0), 0);
    EXPECT_EQ(sub(roster.rows()[0], 1), "");
}

TEST_F(Roster, MemberStateRewritesTheRowAndEveryRecordOfTheId)
{
    add("ann", 1001);
    add("bob", 1002);
    EXPECT_EQ(roster.update_member(1001, member_flag_bit_hand | member_flag_bit_talking), 1);
    EXPECT_EQ(sub(roster.rows()[1], 1), "Hand Raised");
    EXPECT_EQ(sub(roster.rows()[1], 3), "Talking");
    EXPECT_EQ(customer_info[0].flags, member_flag_bit_hand | member_flag_bit_talking);
    EXPECT_EQ(roster.update_member(1001, 0), 1);
    EXPECT_EQ(sub(roster.rows()[1], 1), "");
    // A role given or taken shows in the picture at once.
    EXPECT_EQ(roster.rows()[1].image, 0);
    roster.update_member(1001, member_flag_bit_presenter);
    EXPECT_EQ(roster.rows()[1].image, 1);
    roster.update_member(1001, member_flag_bit_chairman | member_flag_bit_presenter);
    EXPECT_EQ(roster.rows()[1].image, 2);
    EXPECT_EQ(roster.update_member(4444, 4), -1);
}

TEST_F(Roster, HiddenVideoComesBackWithShowAllAndHideAllHidesEveryRow)
{
    add("ann", 1001);
    add("bob", 1002);
    roster.show_video(0, false);  // bob
    EXPECT_EQ(sub(roster.rows()[0], 4), "Not Show");
    EXPECT_FALSE(customer_view_shows("bob"));
    EXPECT_TRUE(customer_view_shows("ann"));
    // A member who comes again is shown by its record.
    roster.clear();
    add("bob", 1002);
    EXPECT_EQ(sub(roster.rows()[0], 4), "Not Show");
    add("ann", 1001);

    roster.show_all_video();
    EXPECT_TRUE(customer_view_shows("bob"));
    EXPECT_EQ(sub(roster.rows()[1], 4), "Show");
    EXPECT_EQ(customer_view[0].in_use, 0);

    roster.hide_all_video();
    EXPECT_EQ(std::string(customer_view[0].name.data()), "ann");
    EXPECT_EQ(std::string(customer_view[1].name.data()), "bob");
    for (const RosterRow& r : roster.rows())
        EXPECT_EQ(sub(r, 4), "Not Show");
}

TEST_F(Roster, ZoomShowsOnlyTheChosenMemberAndGoesToAllOnlyFromThePresenterInPushMode)
{
    add("ann", 1001);
    add("bob", 1002);
    add("cid", 1003);
    struct Case {
        bool presenter, push_mode, sent;
    } cases[] = { { true, true, true }, { true, false, false }, { false, true, false }, { false, false, false } };
    for (const Case& c : cases) {
        EXPECT_EQ(roster.zoom(1, c.presenter, c.push_mode), c.sent);
        EXPECT_EQ(g_zoomed_customer_id.load(), 1002);
        EXPECT_EQ(sub(roster.rows()[0], 4), "Not Show");
        EXPECT_EQ(sub(roster.rows()[1], 4), "Show");
        EXPECT_EQ(sub(roster.rows()[2], 4), "Not Show");
        EXPECT_EQ(roster.restore_zoom(c.presenter, c.push_mode), c.sent);
        EXPECT_EQ(g_zoomed_customer_id.load(), -1);
    }
    roster.zoom_told(1001);
    EXPECT_EQ(g_zoomed_customer_id.load(), 1001);
    EXPECT_EQ(sub(roster.rows()[2], 4), "Show");
    EXPECT_EQ(sub(roster.rows()[1], 4), "Not Show");
}

TEST_F(Roster, PrivateVoicePartnerRowsReadVoiceChatToUntilItEnds)
{
    add("ann", 1001);
    add("bob", 1002);
    roster.begin_private_voice(1002);
    EXPECT_EQ(g_private_voice_chat.load(), 1);
    EXPECT_EQ(sub(roster.rows()[0], 2), "Private Voice Chat To");
    EXPECT_EQ(sub(roster.rows()[1], 2), "");
    // A state message keeps the mark.
    roster.update_member(1002, member_flag_bit_hand);
    EXPECT_EQ(sub(roster.rows()[0], 2), "Private Voice Chat To");
    add("bob again", 1002);
    EXPECT_EQ(sub(roster.rows()[0], 2), "Private Voice Chat To");
    roster.end_private_voice();
    EXPECT_EQ(g_private_voice_partner_id.load(), -1);
    for (const RosterRow& r : roster.rows())
        EXPECT_EQ(sub(r, 2), "");
}

TEST(MembersRules, EachActionIsRefusedInThePagesWordsUntilItsRoleAndStateAllowIt)
{
    MembersSession none;
    MembersSession member;
    member.logged_in = true;
    member.room_number = 3;
    member.has_selection = true;
    MembersSession chairman = member;
    chairman.chairman = true;
    MembersSession controlled = member;
    controlled.chairman_control = true;
    MembersSession unselected_chairman = chairman;
    unselected_chairman.has_selection = false;
    MembersSession in_voice = none;
    in_voice.private_voice = true;
    struct Case {
        MembersAction action;
        MembersSession session;
        const char* refusal;
    } cases[] = {
        { MembersAction::boost, member, "Only Chairman can do this." },
        { MembersAction::boost, unselected_chairman, "Please select a member to boost." },
        { MembersAction::boost, chairman, nullptr },
        { MembersAction::set_password, none, "Please Join a meeting room before set passwd." },
        { MembersAction::set_chairman_password, none, "Please Join a meeting room before set passwd." },
        { MembersAction::set_password, member, nullptr },
        { MembersAction::start_meeting, none, "Please login first." },
        { MembersAction::start_meeting, MembersSession { true }, "Please join a meeting room first." },
        { MembersAction::start_meeting, controlled, nullptr },  // no chairman check
        { MembersAction::stop_meeting, member, nullptr },
        { MembersAction::stop_meeting, controlled, "Only Chairman could stop meeting. Please request chairman first." },
        { MembersAction::private_chat, unselected_chairman, "Please select a member to chat with." },
        { MembersAction::private_chat, member, nullptr },
        { MembersAction::private_voice, none, "Please select a member to chat with." },
        { MembersAction::private_voice, in_voice, nullptr },
        { MembersAction::allow_talk, member, "Only Chairman can allow members to talk." },
        { MembersAction::allow_talk, unselected_chairman, "Please choose a person." },
        { MembersAction::allow_talk, chairman, nullptr },
        { MembersAction::room_options, member, "Only Chairman can do this." },
        { MembersAction::room_options, chairman, nullptr },
        { MembersAction::set_presenter, member, "Only Chairman can do this." },
        { MembersAction::remove_presenter, unselected_chairman, "Please choose a person." },
        { MembersAction::set_presenter, chairman, nullptr },
        { MembersAction::show_video, none, "Please select a member." },
        { MembersAction::zoom, none, "Please select a member." },
        { MembersAction::hide_video, member, nullptr },
        { MembersAction::refresh, none, nullptr },
        { MembersAction::leave, none, nullptr },
        { MembersAction::raise_hand, none, nullptr },
        { MembersAction::restore, none, nullptr },
    };
    for (const Case& c : cases) {
        const char* got = members_refusal(c.action, c.session);
        EXPECT_STREQ(got ? got : "(none)", c.refusal ? c.refusal : "(none)") << static_cast<int>(c.action);
    }
}

TEST(MembersRules, ButtonsFollowTheMeetingTheHandTheVoiceAndTheRoles)
{
    MembersSession s;
    MembersButtons b = members_buttons(s);
    EXPECT_TRUE(b.start_meeting_enabled);
    EXPECT_FALSE(b.stop_meeting_enabled);
    EXPECT_STREQ(b.hand_text, "Raise Hand");
    EXPECT_STREQ(b.voice_text, "Private Voice Chat");
    EXPECT_STREQ(b.chairman_text, "Request Chairman");
    s.meeting_started = s.hand_raised = s.private_voice = s.chairman = s.presenter = true;
    b = members_buttons(s);
    EXPECT_FALSE(b.start_meeting_enabled);
    EXPECT_TRUE(b.stop_meeting_enabled);
    EXPECT_STREQ(b.hand_text, "Lower Hand");
    EXPECT_STREQ(b.voice_text, "Stop PVoice Chat");
    EXPECT_STREQ(b.voice_menu_text, "Stop Private Voice Chat");
    EXPECT_STREQ(b.chairman_text, "Giveup Chairman");
    EXPECT_STREQ(b.presenter_text, "Giveup Presenter");
}

TEST(MembersRules, RoomLabelSaysWhetherTheMeetingRuns)
{
    EXPECT_EQ(members_room_label("Lobby", 1), "Lobby (Started)");
    EXPECT_EQ(members_room_label("Lobby", 0), "Lobby (Stopped)");
    EXPECT_EQ(members_room_label("Lobby", 7), "Lobby (unknown)");
    // Every piece of the label is the catalogue's, the brackets too.
    set_text_translator([](const char* source) {
        const std::map<std::string, std::string> zh { { "(%s)", "（%s）" }, { "Stopped", "已停止" },
                                                      { "(unknown)", "（未知）" } };
        auto it = zh.find(source);
        return it == zh.end() ? std::string(source) : it->second;
    });
    EXPECT_EQ(members_room_label("Lobby", 0), "Lobby （已停止）");
    EXPECT_EQ(members_room_label("Lobby", 7), "Lobby （未知）");
    set_text_translator(nullptr);
}

} // namespace
