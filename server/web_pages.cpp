#include "server/web_pages.h"

#include "core/http_util.h"

#include <charconv>
#include <set>
#include <utility>
#include <vector>

namespace {

bool has_control_byte(std::string_view text)
{
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return true;
    }
    return false;
}

// Everything but the unreserved characters, so the launcher's one decoding
// gives the value back whatever it holds.
std::string encode_launch_value(std::string_view value)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : value) {
        auto byte = static_cast<unsigned char>(c);
        bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')
            || byte == '-' || byte == '.' || byte == '_' || byte == '~';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0f];
        }
    }
    return out;
}

struct PageTexts {
    const char* lang;
    const char* title;
    const char* heading;
    const char* server;
    const char* room;
    const char* join;
    const char* join_note;
    const char* download;
    const char* invalid;
    const char* received;
};

const PageTexts& texts(PageLanguage language)
{
    static const PageTexts english { "en",
                                     "Tamblo meeting invitation",
                                     "You are invited to a meeting",
                                     "Server:",
                                     "Meeting Room Name:",
                                     "Join Meeting",
                                     "The link starts Tamblo and enters the meeting room.",
                                     "Tamblo not installed? Download the package:",
                                     "This meeting link is not valid.",
                                     "Thank you. Your message has been received." };
    static const PageTexts chinese { "zh-CN",
                                     "Tamblo 会议邀请",
                                     "您被邀请参加会议",
                                     "服务器：",
                                     "会议室名称：",
                                     "加入会议",
                                     "此链接将启动 Tamblo 并进入会议室。",
                                     "尚未安装 Tamblo？请下载安装包：",
                                     "此会议链接无效。",
                                     "谢谢。您的留言已收到。" };
    return language == PageLanguage::chinese ? chinese : english;
}

std::string page(const char* lang, const std::string& title, const std::string& body)
{
    return "<!DOCTYPE html>\n<html lang=\"" + std::string(lang) + "\">\n<head>\n<meta charset=\"utf-8\">\n<title>"
        + html_escape(title) + "</title>\n</head>\n<body>\n" + body + "</body>\n</html>\n";
}

} // namespace

bool parse_meeting_query(std::string_view query, MeetingLink& link, std::string& error)
{
    link = MeetingLink {};
    error.clear();
    std::vector<std::pair<std::string, std::string>> fields;
    if (!parse_query_fields(query, fields)) {
        error = "query";
        return false;
    }
    std::set<std::string> seen;
    std::string port_text;
    for (auto& [name, value] : fields) {
        std::string* target = nullptr;
        if (name == "s")
            target = &link.host;
        else if (name == "sn")
            target = &link.display_name;
        else if (name == "sp")
            target = &port_text;
        else if (name == "c")
            target = &link.code;
        else if (name == "mr")
            target = &link.room;
        else if (name == "ps")
            target = &link.password;
        if (!target)
            continue;
        if (!seen.insert(name).second || !is_valid_utf8(value) || has_control_byte(value)) {
            error = name;
            return false;
        }
        *target = std::move(value);
    }
    if (link.host.empty()) {
        error = "s";
        return false;
    }
    int port = 0;
    auto [end, parse_error] = std::from_chars(port_text.data(), port_text.data() + port_text.size(), port);
    if (port_text.empty() || parse_error != std::errc() || end != port_text.data() + port_text.size() || port < 0
        || port > 65535) {
        error = "sp";
        return false;
    }
    link.port = port;
    return true;
}

bool parse_encoded_meeting_query(std::string_view query, MeetingLink& link, std::string& error)
{
    std::string inner;
    // The outer layer has every byte as "%xx": a '+' there is not a blank.
    if (query.find('+') != std::string_view::npos || !url_decode(query, inner)) {
        link = MeetingLink {};
        error = "query";
        return false;
    }
    return parse_meeting_query(inner, link, error);
}

std::string launch_link(const MeetingLink& link)
{
    return "tamblo://launch?server_addr=" + encode_launch_value(link.host) + "&server_port=" + std::to_string(link.port)
        + "&server_name=" + encode_launch_value(link.display_name)
        + "&meeting_room_name=" + encode_launch_value(link.room) + "&c=" + encode_launch_value("xx" + link.code + "xxx")
        + "&mp=" + encode_launch_value(link.password);
}

std::string html_escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string join_page(const MeetingLink& link, PageLanguage language, const std::string& package_address)
{
    const PageTexts& t = texts(language);
    std::string body = "<h1>" + html_escape(t.heading) + "</h1>\n<table>\n<tr><th>" + html_escape(t.server) + "</th><td id=\"server\">"
        + html_escape(link.display_name) + "</td></tr>\n<tr><th>" + html_escape(t.room) + "</th><td id=\"room\">"
        + html_escape(link.room) + "</td></tr>\n</table>\n<p><a id=\"join\" href=\"" + html_escape(launch_link(link)) + "\">"
        + html_escape(t.join) + "</a></p>\n<p>" + html_escape(t.join_note) + "</p>\n<p>" + html_escape(t.download)
        + " <a id=\"package\" href=\"" + html_escape(package_address) + "\">" + html_escape(package_address) + "</a></p>\n";
    return page(t.lang, t.title, body);
}

std::string invalid_link_page(PageLanguage language)
{
    const PageTexts& t = texts(language);
    return page(t.lang, t.title, "<p>" + html_escape(t.invalid) + "</p>\n");
}

std::string feedback_form_page()
{
    std::string body = std::string("<h1>Customer Feed Back</h1>\n<form method=\"post\" action=\"") + web_feedback_post_path
        + "\" accept-charset=\"utf-8\">\n"
          "<p><label>Your Name: <input name=\"name\" maxlength=\"127\"></label></p>\n"
          "<p><label>Your Email: <input name=\"email\" maxlength=\"127\"></label></p>\n"
          "<p><label>Your Comment and Suggestions:<br><textarea name=\"content\" rows=\"10\" cols=\"60\" "
          "maxlength=\"10229\"></textarea></label></p>\n"
          "<p><input type=\"submit\" value=\"Submit\"></p>\n</form>\n";
    return page("en", "Customer Feed Back", body);
}

std::string form_received_page(PageLanguage language)
{
    const PageTexts& t = texts(language);
    return page(t.lang, "Tamblo", "<p>" + html_escape(t.received) + "</p>\n");
}

std::string status_page(int status, const char* reason)
{
    std::string line = std::to_string(status) + " " + reason;
    return page("en", line, "<p>" + html_escape(line) + "</p>\n");
}

const char* status_reason(int status)
{
    switch (status) {
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 413: return "Payload Too Large";
    case 414: return "URI Too Long";
    case 415: return "Unsupported Media Type";
    case 416: return "Range Not Satisfiable";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Error";
    }
}
