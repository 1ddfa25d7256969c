#include "dialogs/invitation_mail.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "core/web_host.h"
#include "dialogs/contacts.h"
#include "platform/sys/process.h"
#include "platform/sys/threads.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <unistd.h>

namespace {

constexpr const char* mail_program = "xdg-email";
constexpr const char* open_program = "xdg-open";
constexpr int xdg_operation_impossible = 3;   // xdg-email found no way to reach a mail program
constexpr size_t ics_line_octets = 75;

// One translated piece of the invitation.
std::string piece(const char* source) { return tr_text(source); }

std::string without_markup(std::string text)
{
    for (size_t at = text.find("<br>"); at != std::string::npos; at = text.find("<br>", at))
        text.erase(at, 4);
    return text;
}

// The labelled values of both invitations, each line ended by end.
std::string conference_values(const NotifySettings& s, const std::string& end)
{
    return piece("   Server:") + s.server.display_name + end + piece("   Auth Code:") + s.server.auth_code + end
        + piece("   Meeting Room Name:") + s.server.room_name + end + piece("   Meeting Room Passwd:")
        + s.server.room_password + end;
}

// Every line break as CR LF.
std::string crlf_lines(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        out += c;
    }
    return out;
}

// An iCalendar TEXT value: backslash, ';' and ',' escaped, line breaks as
// "\n", other control bytes left out (the format has no place for them).
std::string ics_text(const std::string& text)
{
    std::string lines = crlf_lines(text);
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        auto c = static_cast<unsigned char>(lines[i]);
        if (c == '\r' && i + 1 < lines.size() && lines[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\\' || c == ';' || c == ',') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\t' || (c >= 0x20 && c != 0x7f)) {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// One content line, folded so that no line is longer than 75 bytes and no
// UTF-8 character is split; each continuation begins with a space.
std::string ics_line(const std::string& line)
{
    std::string out;
    size_t at = 0;
    size_t room = ics_line_octets;
    while (line.size() - at > room) {
        size_t cut = at + utf8_cut_length(std::string_view(line).substr(at), room);
        if (cut == at)
            cut = at + room;  // not UTF-8: cut where the bytes end
        out.append(line, at, cut - at);
        out += "\r\n ";
        at = cut;
        room = ics_line_octets - 1;
    }
    out.append(line, at, std::string::npos);
    out += "\r\n";
    return out;
}

std::string utc_stamp(std::time_t moment)
{
    std::tm utc {};
    gmtime_r(&moment, &utc);
    return format_text("%04d%02d%02dT%02d%02d%02dZ", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                       utc.tm_min, utc.tm_sec);
}

std::string ics_duration(int hours, int minutes)
{
    if (hours <= 0 && minutes <= 0)
        return "PT0M";
    std::string d = "PT";
    if (hours > 0)
        d += format_text("%dH", hours);
    if (minutes > 0)
        d += format_text("%dM", minutes);
    return d;
}

bool unreserved(unsigned char b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '.'
        || b == '_' || b == '~';
}
bool mailto_text_byte(unsigned char b) { return !unreserved(b); }
bool mailto_address_byte(unsigned char b) { return !unreserved(b) && b != '@' && b != '+'; }

std::string mailto_encode(std::string_view in, bool (*encode)(unsigned char byte))
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : in) {
        auto b = static_cast<unsigned char>(c);
        if (!encode(b)) {
            out += c;
            continue;
        }
        out += '%';
        out += digits[b >> 4];
        out += digits[b & 0x0f];
    }
    return out;
}

std::string new_uid(std::time_t now)
{
    std::random_device device;
    return format_text("%s-%08x%08x@tamblo", utc_stamp(now).c_str(), device(), device());
}

// The appointment file in "invite/"; "" when it could not be written.
std::string write_appointment(const std::string& ics, const std::string& uid)
{
    std::string folder;
    if (get_user_folder(folder) != 0)
        return {};
    folder += "invite/";
    if (!create_folder_path(folder))
        return {};
    const std::string name = "invite_" + uid.substr(0, uid.find('@')) + ".ics";
    const std::string path = folder + name;
    const std::string temp = path + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        dbg_log("cannot open %s: %s\n", temp.c_str(), std::strerror(errno));
        return {};
    }
    bool ok = std::fwrite(ics.data(), 1, ics.size(), f) == ics.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        dbg_log("cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        std::remove(temp.c_str());
        return {};
    }
    return path;
}

} // namespace

std::vector<int> schedule_years(int current_year)
{
    std::vector<int> years;
    for (int i = 0; i < schedule_year_span; ++i)
        years.push_back(current_year + i);
    return years;
}

std::string schedule_hour_text(int hour)
{
    int shown = hour % 12 == 0 ? 12 : hour % 12;
    return format_text(tr_text(hour < 12 ? "%2d AM" : "%2d PM").c_str(), shown);
}

int days_in_month(int year, int month)
{
    static constexpr int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (month < 1 || month > 12)
        return 0;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

std::string schedule_date_refusal(int year, int month, int day)
{
    if (day < 1 || day > days_in_month(year, month))
        return "The scheduled date does not exist, please choose another day.";
    return {};
}

std::time_t schedule_moment(const NotifySettings& s)
{
    std::tm local {};
    local.tm_year = s.year - 1900;
    local.tm_mon = s.month - 1;
    local.tm_mday = s.day;
    local.tm_hour = s.hour;
    local.tm_min = s.minute;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::string plain_invitation(const NotifySettings& s, const std::string& link)
{
    return piece("   Conference appointment.\r\n\r\n") + piece("   Conference Info:\r\n") + conference_values(s, "\r\n")
        + piece("   As the Conference Sponsor, please create the meeting room before conference start if it does not "
                "exist before. ")
        + piece("And set the password as specified above, so that everyone could come in with a single click of the "
                "link.\r\n")
        + piece("   The link for conference members to enter:\r\n\r\n") + link + "\r\n\r\n" + s.content;
}

std::string invitation_mail_text(const std::string& first_name, const std::string& last_name,
                                 const NotifySettings& s, const std::string& link)
{
    return crlf_lines(piece("Dear ") + first_name + " " + last_name + without_markup(piece(":<br>\r\n"))
        + without_markup(piece("   You have a conference appointment.<br><br>\r\n\r\n"))
        + without_markup(piece("   Conference Info:<br>\r\n")) + conference_values(s, "\r\n")
        + piece("   Conference Sponsor should create meeting room before conference start if it does not exist "
                "before. ")
        + without_markup(piece("And set the password as specified above, so that everyone could come in with a "
                               "single click of the link.<br>\r\n"))
        + without_markup(piece("   The link for conference members to enter:<br>\r\n")) + link
        + without_markup(piece("<br><br>\r\n\r\n")) + s.content);
}

std::string appointment_ics(const NotifySettings& s, const std::string& link, const std::string& uid, std::time_t now)
{
    std::string ics;
    for (const std::string& line : {
             std::string("BEGIN:VCALENDAR"),
             std::string("VERSION:2.0"),
             std::string("PRODID:-//kelo//Tamblo//EN"),
             std::string("METHOD:PUBLISH"),
             std::string("BEGIN:VEVENT"),
             "UID:" + uid,
             "DTSTAMP:" + utc_stamp(now),
             "DTSTART:" + utc_stamp(schedule_moment(s)),
             "DURATION:" + ics_duration(s.duration_hours, s.duration_minutes),
             "SUMMARY:" + ics_text(s.title),
             "DESCRIPTION:" + ics_text(plain_invitation(s, link)),
             "URL:" + link,
             std::string("BEGIN:VALARM"),
             std::string("ACTION:DISPLAY"),
             "DESCRIPTION:" + ics_text(s.title),
             std::string("TRIGGER:-PT5M"),
             std::string("END:VALARM"),
             std::string("END:VEVENT"),
             std::string("END:VCALENDAR"),
         })
        ics += ics_line(line);
    return ics;
}

std::string mailto_uri(const std::string& address, const std::string& subject, const std::string& body)
{
    return "mailto:" + mailto_encode(address, mailto_address_byte) + "?subject=" + mailto_encode(subject, mailto_text_byte)
        + "&body=" + mailto_encode(crlf_lines(body), mailto_text_byte);
}

bool mail_address_usable(const std::string& address)
{
    if (address.empty() || address[0] == '-')
        return false;
    for (char c : address) {
        auto b = static_cast<unsigned char>(c);
        if (b <= ' ' || b == 0x7f)
            return false;
    }
    size_t at = address.find('@');
    return at != std::string::npos && at > 0 && at + 1 < address.size();
}

std::vector<Addressee> contact_addressees(int index)
{
    if (index < 0 || index >= contact_count || contact_info[static_cast<size_t>(index)].in_use == 0)
        return {};
    ContactFields c = contact_fields(index);
    return { Addressee { c.email, c.first_name, c.last_name } };
}

std::vector<Addressee> group_addressees(int group_filter)
{
    std::vector<Addressee> people;
    for (const ContactRow& row : contact_rows(group_filter)) {
        std::vector<Addressee> one = contact_addressees(row.index);
        people.insert(people.end(), one.begin(), one.end());
    }
    return people;
}

std::string complete_notify_settings(NotifySettings& s)
{
    std::string refusal = schedule_date_refusal(s.year, s.month, s.day);
    if (!refusal.empty())
        return refusal;
    std::optional<InviteServer> server = invite_server_by_display_name(s.server.display_name);
    if (!server)
        return "There is no server to invite to, please connect to a server first.";
    s.server.host = server->host;
    s.server.port = server->port;
    return {};
}

std::string notify_join_link(const InviteValues& server) { return email_join_link(web_host_url(""), server); }

NotifyOutcome send_invitation_mails(const NotifySettings& settings, const std::vector<Addressee>& addressees,
                                    const std::string& link)
{
    NotifyOutcome outcome;
    if (!platform::program_in_path(mail_program)) {
        dbg_log("%s is not installed, no invitation sent.\n", mail_program);
        outcome.mailer_missing = true;
        return outcome;
    }
    const std::time_t now = std::time(nullptr);
    const std::string uid = new_uid(now);
    outcome.ics_path = write_appointment(appointment_ics(settings, link, uid, now), uid);
    if (outcome.ics_path.empty()) {
        outcome.appointment_failed = true;
        return outcome;
    }
    // A calendar that stays open keeps xdg-open waiting: the mails do not wait for it.
    platform::start_thread("invite calendar", [path = outcome.ics_path] {
        int opened = platform::run_program({ open_program, path });
        if (opened != 0)
            dbg_log("%s %s failed (%d), the appointment is not in the calendar.\n", open_program, path.c_str(), opened);
    });
    for (const Addressee& a : addressees) {
        if (!mail_address_usable(a.email)) {
            dbg_log("invitation to \"%s\" skipped: not a mail address.\n", a.email.c_str());
            ++outcome.failed;
            continue;
        }
        std::string body = invitation_mail_text(a.first_name, a.last_name, settings, link);
        int result = platform::run_program(
            { mail_program, "--utf8", "--attach", outcome.ics_path, mailto_uri(a.email, settings.title, body) });
        if (result == 0) {
            ++outcome.handed_over;
        } else if (result == xdg_operation_impossible || result == platform::program_not_found) {
            dbg_log("%s found no mail program (%d).\n", mail_program, result);
            outcome.mailer_missing = true;
            return outcome;
        } else {
            dbg_log("%s failed (%d) for \"%s\".\n", mail_program, result, a.email.c_str());
            ++outcome.failed;
        }
    }
    return outcome;
}

void show_invitation_outcome(const NotifyOutcome& outcome)
{
    if (outcome.mailer_missing)
        message_box_printf("Failed to start xdg-email, please make sure xdg-utils and a mail program are installed on "
                           "your computer.");
    else if (outcome.appointment_failed)
        message_box_printf("Failed to write the appointment file, no invitation was sent.");
    else
        message_box_printf("Notification mails handed to your mail program: %d. Failed: %d.", outcome.handed_over,
                           outcome.failed);
}

bool start_invitation_mails(NotifySettings settings, std::vector<Addressee> addressees, std::string link)
{
    return platform::start_thread("invite mail", [settings = std::move(settings), addressees = std::move(addressees),
                                                  link = std::move(link)] {
        try {
            show_invitation_outcome(send_invitation_mails(settings, addressees, link));
        } catch (...) {
            dbg_log("exception in start_invitation_mails.\n");
        }
    });
}
