#include "dialogs/web_form.h"

#include "core/dbg_log.h"
#include "core/http_util.h"
#include "core/message_box.h"
#include "core/string_table.h"
#include "core/ui_text.h"
#include "core/web_host.h"
#include "core/wf_socket.h"

#include <cerrno>
#include <chrono>
#include <poll.h>

std::string web_form_body(const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string body;
    for (const auto& [name, value] : fields) {
        std::string encoded;
        url_encode(value, encoded);
        body += (body.empty() ? "" : "&") + name + "=" + encoded;
    }
    return body;
}

std::string web_form_head(const std::string& path, size_t body_length)
{
    return "POST " + path + " HTTP/1.1\r\n"
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-powerpoint, "
           "application/vnd.ms-excel, application/msword, application/x-shockwave-flash, */*\r\n"
           "Referer: " + web_host_url(form_page_path) + "\r\n"
           "Accept-Language: en-us\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\n"
           "Accept-Encoding: gzip, deflate\r\n"
           "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)\r\n"
           "Host: " + web_host_authority() + "\r\n"
           "Content-Length: " + std::to_string(body_length) + "\r\n"
           "Connection: Keep-Alive\r\n"
           "Cache-Control: no-cache\r\n"
           "Cookie: serial_id=1; company_id=1\r\n"
           "\r\n";
}

const char* tell_friend_refusal(const TellFriendFields& f)
{
    const std::pair<const std::string*, const char*> order[] = {
        { &f.friend_name, "Friend's name should not be empty" },
        { &f.friend_email, "Friend's email should not be empty." },
        { &f.name, "Please enter your name." },
        { &f.email, "Please enter your email." },
        { &f.subject, "Please enter mail subject." },
        { &f.content, "Please enter mail content." },
    };
    for (const auto& [value, text] : order)
        if (value->empty())
            return text;
    return nullptr;
}

std::string tell_friend_body(const TellFriendFields& f)
{
    return web_form_body({ { "name", f.name }, { "email", f.email }, { "friend_name", f.friend_name },
                           { "friend_email", f.friend_email }, { "subject", f.subject }, { "content", f.content } });
}

std::string tell_friend_form_path()
{
    constexpr int language_folder_string = 34037;
    const std::string folder = tr_text(string_table_text(language_folder_string));
    return std::string("/cgi-bin/brenmo/customer") + (folder == "/ch/" ? "/ch/" : "/") + "tell_friend2.pl";
}

namespace {

// The status of the reply's first line; -1 when none came within wait_ms.
int read_status(Cwf_socket& sock, int wait_ms)
{
    using clock = std::chrono::steady_clock;
    const clock::time_point deadline = clock::now() + std::chrono::milliseconds(wait_ms);
    std::string line;
    while (line.find('\n') == std::string::npos && line.size() < 1024) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0)
            return -1;
        pollfd p { sock.m_sock, POLLIN, 0 };
        int n = ::poll(&p, 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        char buffer[256];
        int got = sock.my_recv_some(buffer, sizeof buffer);
        if (got <= 0)
            break;
        line.append(buffer, static_cast<size_t>(got));
    }
    int major = 0, minor = 0, status = -1;
    if (std::sscanf(line.c_str(), "HTTP/%d.%d %d", &major, &minor, &status) != 3)
        return -1;
    return status;
}

} // namespace

bool post_web_form(const std::string& path, const std::string& body, int wait_ms)
{
    Cwf_socket sock;
    sock.host.set(web_host_name());
    sock.port = static_cast<uint16_t>(web_host_port());
    if (sock.connect_server() != 0) {
        message_box_printf("Failed to connect to server.");
        return false;
    }
    const std::string request = web_form_head(path, body.size()) + body;
    if (sock.my_send_fixed_len_raw(request.data(), static_cast<int>(request.size())) != static_cast<int>(request.size())) {
        sock.close_socket();
        message_box_printf("Sending data to server failed.");
        return false;
    }
    int status = read_status(sock, wait_ms);
    sock.close_socket();
    if (status < 0) {
        dbg_log("no answer from the web host for %s.\n", path.c_str());
        message_box_printf("The web host did not answer; the form was not sent.");
        return false;
    }
    if (status < 200 || status > 299) {
        message_box_printf("The web host refused the form (%d).", status);
        return false;
    }
    return true;
}
