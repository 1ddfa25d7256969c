#include "dialogs/update_download.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "core/text_util.h"
#include "platform/sys/process.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <vector>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bytes asked for per read of the body.
constexpr int update_piece_bytes = 64 * 1024;
// How long a reply that has given all its bytes may take to close.
constexpr int overrun_wait_ms = 5000;

enum class Fetch { ok, cancelled, failed };

struct ReplyHead {
    int status = -1;
    int64_t length = -1;   // -1: none given
    bool length_bad = false;
};

bool cancelled(const UpdateProgress& progress) { return progress.cancel.load() == 1; }

bool wait_readable(int fd, int wait_ms)
{
    if (fd <= 0)
        return false;
    pollfd p { fd, POLLIN, 0 };
    int n = 0;
    do {
        n = ::poll(&p, 1, wait_ms);
    } while (n < 0 && errno == EINTR);
    return n > 0;
}

// The head as it comes: byte by byte, 'A' to 'Z' lower-cased, each line
// judged at its line feed; a line of at most one character (the empty line
// with its carriage return) ends it.
Fetch read_reply_head(UpdateProgress& progress, ReplyHead& head)
{
    std::string line;
    bool first = true;
    while (true) {
        char c = 0;
        if (progress.sock.my_recv_fixed_len(&c, 1) != 1) {
            if (cancelled(progress))
                return Fetch::cancelled;
            message_box_printf("Receive data from server failed");
            return Fetch::failed;
        }
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != '\n') {
            line += c;
            if (line.size() > static_cast<size_t>(update_head_line_limit)) {
                message_box_printf("pos out of range in g_update_thread.");
                return Fetch::failed;
            }
            continue;
        }
        if (line.size() <= 1)
            return Fetch::ok;
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (first) {
            int major = 0, minor = 0, status = 0;
            if (std::sscanf(line.c_str(), "http/%d.%d %d", &major, &minor, &status) == 3)
                head.status = status;
            first = false;
        }
        int64_t length = update_head_length(line);
        if (length == -2 || (length >= 0 && head.length >= 0 && length != head.length))
            head.length_bad = true;
        else if (length >= 0)
            head.length = length;
        line.clear();
    }
}

// GET path into file_path: a 2xx reply of exactly its stated length, at most
// limit bytes. The package's counters follow the body when count is set.
Fetch fetch_to_file(const UpdateTarget& target, UpdateProgress& progress, const char* path, const std::string& file_path,
                    int64_t limit, bool count)
{
    Cwf_socket& sock = progress.sock;
    sock.name.set("update_sock");
    sock.host.set(target.host);
    sock.port = static_cast<uint16_t>(target.port);
    sock.show_errors = 0;
    if (cancelled(progress))
        return Fetch::cancelled;
    if (sock.connect_server() != 0) {
        if (cancelled(progress))
            return Fetch::cancelled;
        message_box_printf("Failed to connect to server.");
        return Fetch::failed;
    }
    struct Closer {
        Cwf_socket& sock;
        ~Closer() { sock.close_socket(); }
    } closer { sock };
    std::string request = format_text("GET %s HTTP/1.0\r\nHost: %s\r\n\r\n", path, target.authority.c_str());
    if (sock.my_send_fixed_len_raw(request.data(), static_cast<int>(request.size())) != static_cast<int>(request.size())) {
        if (cancelled(progress))
            return Fetch::cancelled;
        message_box_printf("Failed to connect to server.");
        return Fetch::failed;
    }
    ReplyHead head;
    Fetch got = read_reply_head(progress, head);
    if (got != Fetch::ok)
        return got;
    // An error page is not the package, however long it is.
    if (head.status < 200 || head.status > 299) {
        dbg_log("web host answered %d for %s in g_update_thread.\n", head.status, path);
        message_box_printf("The update download failed: the web host answered %d.", head.status);
        return Fetch::failed;
    }
    if (head.length_bad || head.length < 0) {
        dbg_log("no usable length for %s in g_update_thread.\n", path);
        message_box_printf("The update download failed: the web host did not say how long the file is.");
        return Fetch::failed;
    }
    if (head.length > limit) {
        message_box_printf("The update download failed: the file is larger than %lld bytes.", static_cast<long long>(limit));
        return Fetch::failed;
    }
    if (count)
        progress.total = head.length;

    std::FILE* out = std::fopen(file_path.c_str(), "wb");
    if (!out) {
        message_box_printf("Open installation file failed.");
        return Fetch::failed;
    }
    std::vector<char> piece(update_piece_bytes);
    int64_t received = 0;
    Fetch result = Fetch::ok;
    while (received < head.length) {
        if (cancelled(progress)) {
            result = Fetch::cancelled;
            break;
        }
        int want = static_cast<int>(std::min<int64_t>(head.length - received, update_piece_bytes));
        int n = sock.my_recv_some(piece.data(), want);
        if (n <= 0) {
            result = cancelled(progress) ? Fetch::cancelled : Fetch::failed;
            if (result == Fetch::failed) {
                dbg_log("%s ended after %lld of %lld bytes in g_update_thread.\n", path, static_cast<long long>(received),
                        static_cast<long long>(head.length));
                message_box_printf("Receive data from server failed");
            }
            break;
        }
        if (std::fwrite(piece.data(), 1, static_cast<size_t>(n), out) != static_cast<size_t>(n)) {
            message_box_printf("write installation file may failed.");
            result = Fetch::failed;
            break;
        }
        received += n;
        if (count)
            progress.received = received;
    }
    if (std::fclose(out) != 0 && result == Fetch::ok) {
        message_box_printf("write installation file may failed.");
        result = Fetch::failed;
    }
    if (result != Fetch::ok)
        return result;
    // HTTP/1.0: the web host closes after the body; a byte more means the
    // stated length was not the file's.
    char extra = 0;
    if (wait_readable(sock.m_sock.load(), overrun_wait_ms) && sock.my_recv_some(&extra, 1) > 0) {
        message_box_printf("The update download failed: the web host sent more than the file's length.");
        return Fetch::failed;
    }
    return Fetch::ok;
}

} // namespace

std::string update_final_path(const UpdateTarget& target) { return target.folder + update_file_name; }

std::string update_part_path(const UpdateTarget& target) { return update_final_path(target) + ".part"; }

int64_t update_head_length(const std::string& line)
{
    static const std::string name = "content-length:";
    if (line.compare(0, name.size(), name) != 0)
        return -1;
    size_t at = line.find_first_not_of(" \t", name.size());
    size_t end = line.find_last_not_of(" \t\r");
    if (at == std::string::npos || end < at)
        return -2;
    std::string digits = line.substr(at, end - at + 1);
    if (digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos)
        return -2;
    return std::stoll(digits);
}

std::string machine_architecture()
{
    static const std::string architecture = [] {
        std::string out;
        if (platform::run_program_output({ "dpkg", "--print-architecture" }, out) != 0)
            return std::string();
        while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
            out.pop_back();
        return out;
    }();
    return architecture;
}

int verify_update_package(const std::string& package, const std::string& signature, const std::string& keyring)
{
    struct stat info {};
    if (keyring.empty() || ::stat(keyring.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
        message_box_printf("The update cannot be checked: the signing keyring %s is missing.", keyring.c_str());
        return -1;
    }
    // gpgv keeps nothing of its own: a fresh, private home for each check.
    char home_pattern[] = "/tmp/tamblo-gpgv-XXXXXX";
    if (!::mkdtemp(home_pattern)) {
        message_box_printf("The update cannot be checked: gpgv could not be run.");
        return -1;
    }
    std::string output;
    int verified = platform::run_program_output({ "gpgv", "--homedir", home_pattern, "--keyring", keyring, signature, package },
                                                output, true);
    std::error_code ignored;
    std::filesystem::remove_all(home_pattern, ignored);
    if (verified == platform::program_not_found || verified < 0) {
        message_box_printf("The update cannot be checked: gpgv could not be run.");
        return -1;
    }
    if (verified != 0) {
        dbg_log("gpgv refused %s (%d): %s\n", package.c_str(), verified, output.c_str());
        message_box_printf("The update package is not signed with the update key.");
        return -1;
    }
    output.clear();
    int fields = platform::run_program_output({ "dpkg-deb", "-f", package, "Package", "Architecture" }, output);
    if (fields == platform::program_not_found || fields < 0) {
        message_box_printf("The update cannot be checked: dpkg-deb could not be run.");
        return -1;
    }
    std::string name, architecture;
    size_t start = 0;
    while (fields == 0 && start < output.size()) {
        size_t end = output.find('\n', start);
        std::string line = output.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.rfind("Package: ", 0) == 0)
            name = line.substr(9);
        else if (line.rfind("Architecture: ", 0) == 0)
            architecture = line.substr(14);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::string machine = machine_architecture();
    if (fields != 0 || name != "tamblo" || (architecture != "all" && (machine.empty() || architecture != machine))) {
        dbg_log("update package %s: Package \"%s\", Architecture \"%s\", this machine \"%s\".\n", package.c_str(),
                name.c_str(), architecture.c_str(), machine.c_str());
        message_box_printf("The update package is not a Tamblo package for this computer (%s, %s).",
                           name.empty() ? "?" : name.c_str(), architecture.empty() ? "?" : architecture.c_str());
        return -1;
    }
    return 0;
}

void cancel_update(UpdateProgress& progress)
{
    progress.cancel = 1;
    progress.sock.close_socket();
}

int download_update_package(const UpdateTarget& target, UpdateProgress& progress)
{
    // A download that was cancelled ends quickly (its connection is closed);
    // the next one waits for it, and starts from its reset counters.
    std::lock_guard one_at_a_time(progress.running);
    progress.total = 0;
    progress.received = 0;
    progress.state = UpdateState::downloading;
    const std::string part = update_part_path(target);
    const std::string signature = update_final_path(target) + ".sig";
    auto stop = [&progress](UpdateState state) {
        progress.total = 0;
        progress.received = 0;
        progress.cancel = 0;
        progress.state = state;
        return -1;
    };
    auto fail = [&](bool remove_part) {
        if (remove_part)
            ::unlink(part.c_str());
        ::unlink(signature.c_str());
        return stop(UpdateState::failed);
    };
    if (!create_folder_path(target.folder)) {
        message_box_printf("Open installation file failed.");
        return fail(false);
    }
    Fetch got = fetch_to_file(target, progress, update_package_path, part, update_size_limit, true);
    if (got == Fetch::cancelled)
        return stop(UpdateState::cancelled);
    if (got == Fetch::failed)
        return fail(true);
    progress.state = UpdateState::checking;
    got = fetch_to_file(target, progress, update_signature_path, signature, update_signature_limit, false);
    if (got == Fetch::cancelled) {
        ::unlink(signature.c_str());
        return stop(UpdateState::cancelled);
    }
    if (got == Fetch::failed || verify_update_package(part, signature, target.keyring) != 0)
        return fail(true);
    ::unlink(signature.c_str());
    if (std::rename(part.c_str(), update_final_path(target).c_str()) != 0) {
        message_box_printf("write installation file may failed.");
        return fail(true);
    }
    progress.cancel = 0;
    progress.state = UpdateState::ready;
    return 0;
}
