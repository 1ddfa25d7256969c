#include "core/company_logo.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/http_util.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/web_host.h"
#include "core/wf_socket.h"
#include "core/window_messages.h"
#include "platform/sys/threads.h"

#include <array>
#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace {

// One download at a time: two 791s in a row must not write one file together.
std::mutex g_logo_download_lock;

enum class HeadLine { ok, too_long, closed };

// Reads one line byte by byte up to and including its line feed.
HeadLine read_head_line(Cwf_socket& sock, std::string& line)
{
    line.clear();
    char c = 0;
    while (true) {
        if (sock.my_recv_fixed_len(&c, 1) != 1)
            return HeadLine::closed;
        line += c;
        if (c == '\n')
            return HeadLine::ok;
        if (line.size() > static_cast<size_t>(logo_head_line_limit))
            return HeadLine::too_long;
    }
}

int http_status_code(const std::string& status_line)
{
    int major = 0, minor = 0, code = 0;
    if (std::sscanf(status_line.c_str(), "HTTP/%d.%d %d", &major, &minor, &code) != 3)
        return -1;
    return code;
}

} // namespace

bool logo_name_acceptable(const std::string& name)
{
    if (name.empty() || name.size() > static_cast<size_t>(logo_name_limit) || name.find("..") != std::string::npos)
        return false;
    for (unsigned char c : name)
        if (c <= ' ' || c == 0x7f || c == '/' || c == '\\' || c == '%' || c == '?' || c == '#')
            return false;
    return true;
}

std::string company_logo_file_name_for(const std::string& name)
{
    size_t from = name.size() > 8 ? name.size() - 8 : 0;
    size_t dot = name.rfind('.');
    std::string extension = dot != std::string::npos && dot >= from ? name.substr(dot) : std::string();
    return "company_logo" + extension;
}

std::string company_logo_file_path()
{
    std::string name = g_company_logo_file_name.get();
    std::string user;
    if (name.empty() || get_user_folder(user) != 0)
        return {};
    return user + "bmp/logo/" + name;
}

int do_company_logo_from_server(const char* body, int length)
{
    if (!body || length < 1) {
        dbg_log("empty logo name in do_company_logo_from_server.\n");
        return -1;
    }
    std::string name(body, static_cast<size_t>(length));
    name = name.substr(0, name.find('\0'));
    cut_to(name, logo_name_limit);
    if (!logo_name_acceptable(name)) {
        dbg_log("logo file name refused in do_company_logo_from_server: %s\n", name.c_str());
        return -1;
    }
    g_company_logo_path.set(format_text("/home/company_logo/%s", name.c_str()));
    if (!platform::start_thread("company_logo", g_download_company_logo_thread)) {
        dbg_log("failed to start g_download_company_logo_thread.\n");
        return -1;
    }
    return 0;
}

int download_company_logo()
{
    std::lock_guard one_at_a_time(g_logo_download_lock);
    std::string logo_path = g_company_logo_path.get();
    std::string remote_name = logo_path.substr(logo_path.rfind('/') + 1);
    if (logo_path.empty() || !logo_name_acceptable(remote_name)) {
        dbg_log("no logo to download in g_download_company_logo_thread.\n");
        return -1;
    }

    Cwf_socket sock;
    sock.name.set("download_company_logo_sock");
    sock.host.set(web_host_name());
    sock.port = static_cast<uint16_t>(web_host_port());
    sock.show_errors = 0;
    if (sock.connect_server() != 0) {
        dbg_log("failed to connect server in download_company_logo\n");
        return -1;
    }
    std::string request = format_text("GET %s HTTP/1.0\r\n\r\n", logo_path.c_str());
    if (sock.my_send_fixed_len_raw(request.data(), static_cast<int>(request.size())) != static_cast<int>(request.size())) {
        dbg_log("failed to send request in g_download_company_logo_thread.\n");
        sock.close_socket();
        return -1;
    }

    int content_length = -1;
    int status = -1;
    std::string line;
    for (int line_number = 0;; ++line_number) {
        HeadLine got = read_head_line(sock, line);
        if (got == HeadLine::too_long) {
            dbg_log("reply head line over %d bytes in g_download_company_logo_thread.\n", logo_head_line_limit);
            sock.close_socket();
            return -1;
        }
        if (got == HeadLine::closed) {
            dbg_log("connection closed in reply head in g_download_company_logo_thread.\n");
            sock.close_socket();
            return -1;
        }
        if (line == "\r\n")
            break;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line_number == 0)
            status = http_status_code(line);
        int value = http_get_content_length(line);
        if (value > 0)
            content_length = value;
    }
    // An error page is not a logo.
    if (status < 200 || status > 299) {
        dbg_log("web host answered %d in g_download_company_logo_thread.\n", status);
        sock.close_socket();
        return -1;
    }

    // A stated length is held to the same bound as a reply without one.
    if (content_length > logo_size_limit) {
        dbg_log("logo length %d over %lld bytes in g_download_company_logo_thread.\n", content_length, logo_size_limit);
        sock.close_socket();
        return -1;
    }

    std::string user;
    if (get_user_folder(user) != 0 || !create_folder_path(user + "bmp/") || !create_folder_path(user + "bmp/logo/")) {
        dbg_log("failed to create bmp\\logo in g_download_company_logo_thread.\n");
        sock.close_socket();
        return -1;
    }
    std::string file_name = company_logo_file_name_for(remote_name);
    std::string final_path = user + "bmp/logo/" + file_name;
    // Written beside the logo and renamed when whole, so the frame never
    // shows half a picture and a failed download keeps the old logo.
    std::string part_path = final_path + ".part";
    std::FILE* out = std::fopen(part_path.c_str(), "wb");
    if (!out) {
        dbg_log("failed to open %s in g_download_company_logo_thread.\n", part_path.c_str());
        sock.close_socket();
        return -1;
    }
    std::array<char, 4096> piece {};
    long long received = 0;
    bool ok = true;
    if (content_length > 0) {
        while (ok && received < content_length) {
            int want = static_cast<int>(std::min<long long>(content_length - received, static_cast<long long>(piece.size())));
            if (sock.my_recv_fixed_len(piece.data(), want) != want) {
                dbg_log("reply shorter than its length %d in g_download_company_logo_thread.\n", content_length);
                ok = false;
                break;
            }
            ok = std::fwrite(piece.data(), 1, static_cast<size_t>(want), out) == static_cast<size_t>(want);
            received += want;
        }
    } else {
        // HTTP/1.0 without a length: the body ends when the server closes.
        while (ok) {
            int got = sock.my_recv(piece.data(), static_cast<int>(piece.size()));
            if (got == 0)
                break;
            if (got < 0) {
                dbg_log("read failed in g_download_company_logo_thread.\n");
                ok = false;
                break;
            }
            received += got;
            if (received > logo_size_limit) {
                dbg_log("logo over %lld bytes in g_download_company_logo_thread.\n", logo_size_limit);
                ok = false;
                break;
            }
            ok = std::fwrite(piece.data(), 1, static_cast<size_t>(got), out) == static_cast<size_t>(got);
        }
        if (ok && received == 0) {
            dbg_log("empty logo in g_download_company_logo_thread.\n");
            ok = false;
        }
    }
    sock.close_socket();
    ok = std::fclose(out) == 0 && ok;
    if (!ok || std::rename(part_path.c_str(), final_path.c_str()) != 0) {
        ::unlink(part_path.c_str());
        return -1;
    }
    g_company_logo_file_name.set(file_name);
    // To the frame that paints the logo (the skinned frame base of the main window).
    post_window_message(WindowSlot::logo_frame, WM_MY_MSG_LOGO_READY);
    return 0;
}

void g_download_company_logo_thread()
{
    try {
        download_company_logo();
    } catch (...) {
        dbg_log("exception in g_download_company_logo_thread.\n");
    }
}

void install_company_logo_handler()
{
    set_main_handler(MSG_COMPANY_LOGO, [](const char* body, int body_len, int) { do_company_logo_from_server(body, body_len); });
}
