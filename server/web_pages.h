#pragma once
// The pages of the web host, without sockets: the join pages that meeting
// links open (the invitation link, its Chinese twin and the e-mail link), the
// feedback form page and the answers to the forms. Every page is UTF-8 with
// each value HTML-escaped.

#include <string>
#include <string_view>

enum class PageLanguage { english, chinese };

// The meeting a link names.
struct MeetingLink {
    std::string host;          // s
    std::string display_name;  // sn
    int port = 0;              // sp
    std::string code;          // c
    std::string room;          // mr
    std::string password;      // ps
};

// The web paths the client uses.
inline constexpr const char* web_link_page_path = "/cgi-bin/brenmo/customer/cu_start_from_link_enc.pl";
inline constexpr const char* web_link_page_path_ch = "/cgi-bin/brenmo/customer/ch/cu_start_from_link_enc.pl";
inline constexpr const char* web_email_page_path = "/cgi-bin/brenmo/customer/cu_start_from_email.pl";
inline constexpr const char* web_feedback_form_path = "/cgi-bin/brenmo/customer/feed_back1.pl";
inline constexpr const char* web_feedback_post_path = "/cgi-bin/brenmo/customer/feed_back2.pl";
inline constexpr const char* web_tell_friend_post_path = "/cgi-bin/brenmo/customer/tell_friend2.pl";
inline constexpr const char* web_tell_friend_post_path_ch = "/cgi-bin/brenmo/customer/ch/tell_friend2.pl";
inline constexpr const char* web_package_path = "/home/release/tamblo_install.deb";

// The e-mail link's query: "s=..&sn=..&sp=..&c=..&mr=..&ps=.." with each value
// percent-encoded; other fields are ignored. False (with the field named in
// error) for a broken escape, a field given twice, a value that is not UTF-8
// or holds a control character, no server, or a port outside 0..65535.
bool parse_meeting_query(std::string_view query, MeetingLink& link, std::string& error);
// The invitation link's query is that query with every byte percent-encoded
// once more.
bool parse_encoded_meeting_query(std::string_view query, MeetingLink& link, std::string& error);

// The link that starts the web launcher with the meeting: the access code
// between 2 leading and 3 trailing filler characters, which the program drops.
std::string launch_link(const MeetingLink& link);

std::string html_escape(std::string_view text);

// package_address: what the page shows and links for a manual download.
std::string join_page(const MeetingLink& link, PageLanguage language, const std::string& package_address);
std::string invalid_link_page(PageLanguage language);
std::string feedback_form_page();
std::string form_received_page(PageLanguage language);
// "Not Found" for 404 and so on; "Error" for a status it does not know.
const char* status_reason(int status);
// A short page for the error answers (404, 413 ...).
std::string status_page(int status, const char* reason);
