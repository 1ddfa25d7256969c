#pragma once
// Invitations by mail: the scheduled time's choices and checks, the plain
// invitation, the mail text, the appointment as an iCalendar file for the
// sender's calendar, and the hand-over to the user's mail program through
// xdg-email, one message per addressee with the appointment attached.

#include "dialogs/invite_link.h"

#include <ctime>
#include <string>
#include <vector>

// What the notification settings dialog gives.
struct NotifySettings {
    InviteValues server;        // display name, host, port, code, room, password
    int year = 0;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int duration_hours = 1;
    int duration_minutes = 0;
    std::string title;
    std::string content;        // the mail content typed in the dialog
};
inline constexpr size_t notify_value_limit = 63;

// The scheduled time's lists.
inline constexpr int schedule_year_span = 16;   // this year and the fifteen after it
std::vector<int> schedule_years(int current_year);
// "%2d AM" / "%2d PM" on the twelve-hour clock: 0 is "12 AM", 12 is "12 PM".
std::string schedule_hour_text(int hour);
int days_in_month(int year, int month);
// "" when the date exists, else the English refusal.
std::string schedule_date_refusal(int year, int month, int day);

// The scheduled local time as a moment (daylight saving as it falls that day).
std::time_t schedule_moment(const NotifySettings& settings);

// The plain-text invitation with its "\r\n" line ends.
std::string plain_invitation(const NotifySettings& settings, const std::string& link);
// The mail's text: "Dear " and the names, then the invitation mail's texts
// without their markup, the join link standing bare in place of its anchor;
// every line ends in "\r\n".
std::string invitation_mail_text(const std::string& first_name, const std::string& last_name,
                                 const NotifySettings& settings, const std::string& link);

// The appointment (METHOD:PUBLISH, one VEVENT with its start in UTC, the
// duration, a reminder five minutes before), lines folded at 75 bytes.
std::string appointment_ics(const NotifySettings& settings, const std::string& link, const std::string& uid,
                            std::time_t now);

// A mailto: address with the subject and the body (line ends as "%0D%0A").
std::string mailto_uri(const std::string& address, const std::string& subject, const std::string& body);
// An address a mail program can take: something before and after an '@',
// no blank or control byte, not beginning with '-'.
bool mail_address_usable(const std::string& address);

struct Addressee {
    std::string email;
    std::string first_name;
    std::string last_name;
};
// "Notify One Person": the contact in that slot (nothing when it is free).
std::vector<Addressee> contact_addressees(int index);
// "Notify Goup": everyone the contact list shows for that group ("All": everyone).
std::vector<Addressee> group_addressees(int group_filter);

// The settings dialog's OK: the date must exist, and the server named by its
// display name (else the current server) gives host and port. "" when the
// settings can be sent, else the English refusal.
std::string complete_notify_settings(NotifySettings& settings);
// The mail's join link on the service's web host.
std::string notify_join_link(const InviteValues& server);

struct NotifyOutcome {
    bool mailer_missing = false;   // no xdg-email, or it found no mail program
    bool appointment_failed = false;
    int handed_over = 0;
    int failed = 0;
    std::string ics_path;
};

// Writes the appointment into "invite/" in the user folder, opens it once
// with xdg-open, then runs "xdg-email --utf8 --attach <file> <mailto>" for
// each addressee, one after another. Blocks until the last has ended.
NotifyOutcome send_invitation_mails(const NotifySettings& settings, const std::vector<Addressee>& addressees,
                                    const std::string& link);
// The outcome's message to the user.
void show_invitation_outcome(const NotifyOutcome& outcome);
// Runs both on a thread of their own, so a mail program that keeps
// xdg-email waiting never holds up the meeting.
bool start_invitation_mails(NotifySettings settings, std::vector<Addressee> addressees, std::string link);
