// Invitations through the real xdg-email and xdg-open: a private desktop
// (its own XDG folders, an Xvfb of the test's own for xdg-open's display
// check) whose mail and calendar programs are recording scripts named by
// .desktop files and `xdg-mime default`. What they were handed is read back:
// one mailto per addressee, the appointment once, the file through libical.

#include "core/message_box.h"
#include "dialogs/invitation_mail.h"
#include "tests/dialogs/mail_desktop.h"

#include <libical/ical.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace {

class InvitationMail : public ::testing::Test {
protected:
    TempHome home;
    MailDesktop desktop { home };
    EnvGuard& env = desktop.env;
    ScriptedMessageBoxes boxes;
    const std::string& mail_log = desktop.mail_log;
    const std::string& calendar_log = desktop.calendar_log;

    void SetUp() override
    {
        ASSERT_TRUE(desktop.running());
        set_message_box_presenter(&boxes);
    }
    void TearDown() override { set_message_box_presenter(nullptr); }

    void install_mail_program() { desktop.install_mail_program(); }
    void install_calendar() { desktop.install_calendar(); }

    static NotifySettings settings()
    {
        NotifySettings s;
        s.server = { "127.0.0.1", "Local server", 9081, "c\\ode", "Board Room", "p&w" };
        s.year = 2031;
        s.month = 3;
        s.day = 2;
        s.hour = 15;
        s.minute = 5;
        s.title = "Plan \xe5\xbc\xa0 & more";
        s.content = "Line one\nC:\\temp\\calendar";
        return s;
    }
};

} // namespace

TEST_F(InvitationMail, EachAddresseeGetsItsOwnMailWithTheAppointment)
{
    install_mail_program();
    install_calendar();
    NotifySettings s = settings();
    const std::string link = email_join_link("http://127.0.0.1:8080", s.server);
    std::vector<Addressee> people = { { "ann@example.org", "Ann", "Lee" },
                                      { "bo wu@example.org", "Bo", "Wu" },
                                      { "-oX@example.org", "Evil", "Option" },
                                      { "cy+news@example.org", "Cy", "\xe5\xbc\xa0" } };
    NotifyOutcome outcome = send_invitation_mails(s, people, link);
    EXPECT_FALSE(outcome.mailer_missing);
    EXPECT_EQ(outcome.handed_over, 2);
    EXPECT_EQ(outcome.failed, 2);
    ASSERT_FALSE(outcome.ics_path.empty());
    EXPECT_EQ(outcome.ics_path.rfind(home.user_folder() + "invite/", 0), 0u) << outcome.ics_path;

    std::vector<std::string> mails = lines_of(read_file(mail_log));
    ASSERT_EQ(mails.size(), 2u);
    const Addressee* reached[] = { &people[0], &people[3] };
    for (size_t i = 0; i < mails.size(); ++i) {
        Mailto m = parse_mailto(mails[i]);
        EXPECT_EQ(m.to, reached[i]->email);
        EXPECT_EQ(m.fields["subject"], s.title);
        EXPECT_EQ(m.fields["body"], invitation_mail_text(reached[i]->first_name, reached[i]->last_name, s, link));
        EXPECT_EQ(m.fields["attach"], std::filesystem::canonical(outcome.ics_path).string());
    }
    // The body keeps every backslash the user typed.
    EXPECT_NE(parse_mailto(mails[0]).fields["body"].find("C:\\temp\\calendar"), std::string::npos);

    ASSERT_TRUE(wait_until([&] { return !read_file(calendar_log).empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(lines_of(read_file(calendar_log)), std::vector<std::string> { outcome.ics_path });

    icalcomponent* cal = icalparser_parse_string(read_file(outcome.ics_path).c_str());
    ASSERT_NE(cal, nullptr);
    icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT);
    ASSERT_NE(ev, nullptr);
    EXPECT_EQ(std::string(icalcomponent_get_summary(ev)), s.title);
    EXPECT_EQ(icaltime_as_timet(icalcomponent_get_dtstart(ev)), schedule_moment(s));
    EXPECT_EQ(std::string(icalproperty_get_url(icalcomponent_get_first_property(ev, ICAL_URL_PROPERTY))), link);
    icalcomponent_free(cal);

    show_invitation_outcome(outcome);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Notification mails handed to your mail program: 2. Failed: 2." });
}

// Without a mail program xdg-email gives up (3): the user hears why, and no further mail is tried.
TEST_F(InvitationMail, NoMailProgramGivesTheFailureMessage)
{
    install_calendar();
    std::vector<Addressee> people = { { "ann@example.org", "Ann", "Lee" }, { "bo@example.org", "Bo", "Wu" } };
    NotifyOutcome outcome = send_invitation_mails(settings(), people, "http://w/x");
    EXPECT_TRUE(outcome.mailer_missing);
    EXPECT_EQ(outcome.handed_over, 0);
    show_invitation_outcome(outcome);
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string> { "Failed to start xdg-email, please make sure xdg-utils and a mail program are "
                                         "installed on your computer." });
    EXPECT_FALSE(file_exists(mail_log));
    EXPECT_TRUE(wait_until([&] { return !read_file(calendar_log).empty(); }));
}

TEST_F(InvitationMail, WithoutXdgEmailNothingIsWrittenOrOpened)
{
    install_mail_program();
    install_calendar();
    std::filesystem::create_directories(home.root() + "/empty-bin");
    env.set("PATH", home.root() + "/empty-bin");
    NotifyOutcome outcome = send_invitation_mails(settings(), { { "ann@example.org", "Ann", "Lee" } }, "http://w/x");
    EXPECT_TRUE(outcome.mailer_missing);
    EXPECT_TRUE(outcome.ics_path.empty());
    EXPECT_FALSE(std::filesystem::exists(home.user_folder() + "invite"));
    EXPECT_FALSE(file_exists(mail_log));
    EXPECT_FALSE(file_exists(calendar_log));
}

// A mail program that refuses one message: that one is counted, the others go on.
TEST_F(InvitationMail, AMailProgramRefusingOneMessageIsCounted)
{
    install_calendar();
    std::string mailer = home.root() + "/mailer.sh";
    write_executable(mailer, "#!/bin/sh\ncase \"$1\" in *refuse*) exit 1;; esac\nprintf '%s\\n' \"$1\" >> '" + mail_log
                                 + "'\n");
    env.set("MAILER", mailer);
    std::vector<Addressee> people = { { "ann@example.org", "Ann", "Lee" },
                                      { "refuse@example.org", "Re", "Fuse" },
                                      { "cy@example.org", "Cy", "Ng" } };
    NotifyOutcome outcome = send_invitation_mails(settings(), people, "http://w/x");
    EXPECT_FALSE(outcome.mailer_missing);
    EXPECT_EQ(outcome.handed_over, 2);
    EXPECT_EQ(outcome.failed, 1);
    std::vector<std::string> mails = lines_of(read_file(mail_log));
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(parse_mailto(mails[0]).to, "ann@example.org");
    EXPECT_EQ(parse_mailto(mails[1]).to, "cy@example.org");
    EXPECT_TRUE(wait_until([&] { return !read_file(calendar_log).empty(); }));
}
