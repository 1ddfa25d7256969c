// Whiteboard files and pictures: saving and loading a ten-page board of
// 10,000 actions and ten pictures as ".bod" files (milliseconds for the
// whole board), and a picture of about 1 MB sent up to a local
// tamblo-server and fetched back from it (MB/s), beside one plain loopback
// TCP copy of the same bytes in the same 1000-byte pieces. Prints; asserts
// nothing.

#include "core/message_box.h"
#include "core/messages.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/whiteboard/board_picture_clients.h"
#include "tests/whiteboard/board_picture_util.h"
#include "whiteboard/board_file.h"
#include "whiteboard/board_messages.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int pages = 10;
constexpr int actions_per_page = 1000;
constexpr int texts_per_page = 10;
constexpr int rounds = 5;

double ms_since(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string page_file(const TempHome& home, int board) { return home.root() + "/page" + std::to_string(board) + ".bod"; }

void set_path(int board, const std::string& path)
{
    g_board[static_cast<size_t>(board)].file_path.fill('\0');
    std::memcpy(g_board[static_cast<size_t>(board)].file_path.data(), path.data(), std::min<size_t>(path.size(), 255));
}

// Strokes, figures and a few texts on every page, and one picture each.
bool fill_board()
{
    g_offline_board = 1;
    send_board_font(make_logfont("DejaVu Sans", -16));
    for (int b = 0; b < pages; ++b) {
        for (int i = 0; i < actions_per_page - texts_per_page; ++i) {
            int x = (i * 37) % 1500;
            int y = (i * 53) % 950;
            if (i % 5 == 4)
                send_board_rect(b, i & 0xff, 0, 0, x, y, x + 40, y + 30, 2, 1);
            else
                send_board_line(b, 0, 0, i & 0xff, x, y, x + 9, y + 7, 3, i % 5 == 3 ? 1 : 0);
        }
        for (int t = 0; t < texts_per_page; ++t)
            send_board_text(b, 40, 40 + t * 30, g_board[static_cast<size_t>(b)].font_index, "Plan for the quarter, item " + std::to_string(t),
                            0, 0, 0);
    }
    g_offline_board = 0;
    for (int b = 0; b < pages; ++b)
        if (!put_test_picture(b, 0, b, 320, 240, 100 + b * 10, 100))
            return false;
    return true;
}

void bench_save_and_load(const TempHome& home)
{
    board_model_setup();
    put_view_font();
    if (!fill_board()) {
        std::printf("board file: the pictures could not be written\n");
        return;
    }
    std::vector<double> save_ms;
    std::vector<double> load_ms;
    long long bytes = 0;
    for (int r = 0; r < rounds; ++r) {
        Clock::time_point t = Clock::now();
        for (int b = 0; b < pages; ++b) {
            set_path(b, page_file(home, b));
            board_file_save(b);
        }
        save_ms.push_back(ms_since(t));
    }
    for (int b = 0; b < pages; ++b) {
        if (std::FILE* f = std::fopen(page_file(home, b).c_str(), "rb")) {
            std::fseek(f, 0, SEEK_END);
            bytes += std::ftell(f);
            std::fclose(f);
        }
    }
    int loaded = 0;
    for (int r = 0; r < rounds; ++r) {
        // Each round loads into a model just set up, as a program that starts does.
        board_model_free();
        board_model_setup();
        put_view_font();
        Clock::time_point t = Clock::now();
        loaded = 0;
        for (int b = 0; b < pages; ++b) {
            set_path(b, page_file(home, b));
            loaded += board_file_load(b) == 0 && g_board[static_cast<size_t>(b)].visible_count == actions_per_page ? 1 : 0;
        }
        load_ms.push_back(ms_since(t));
    }
    board_model_free();
    std::printf("board file: %d pages, %d actions, %d pictures, %.1f MB of files\n", pages, pages * actions_per_page, pages,
                static_cast<double>(bytes) / 1e6);
    std::printf("  save %.1f ms, load %.1f ms (median of %d; %d of %d pages loaded whole; target under 100 ms each)\n",
                median(save_ms), median(load_ms), rounds, loaded, pages);
}

// Pixels that hardly compress, so the file that travels stays near 1 MB.
bool put_noise_picture(int board, int slot, int w, int h)
{
    std::string z_path;
    std::string bmp_path;
    if (!board_bmp_paths(board, slot, z_path, bmp_path))
        return false;
    DeviceBitmap b = test_picture(0, w, h);
    uint32_t state = 2463534242u;
    for (size_t i = 0; i < b.bits.size(); ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b.bits[i] = static_cast<uint8_t>(state);
    }
    std::unique_ptr<PackedDib> dib = ddb_to_dib(b, nullptr);
    if (!dib || dib_write_bmp_file(*dib, bmp_path) != 1 || z_compress_file(bmp_path, z_path) != 0)
        return false;
    bmp_slot& s = g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(slot)];
    s = bmp_slot {};
    std::memcpy(s.path.data(), bmp_path.data(), bmp_path.size());
    std::memcpy(s.z_path.data(), z_path.data(), z_path.size());
    s.used = 1;
    return true;
}

// The same bytes from one loopback socket to another, 1000 at a time: from
// the first piece written until the reader has the last.
double plain_copy_ms(const std::string& bytes)
{
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof at;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(listener, 1) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &len) != 0) {
        ::close(listener);
        return 0;
    }
    int writer = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(writer, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(writer, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        ::close(writer);
        ::close(listener);
        return 0;
    }
    int reader = ::accept(listener, nullptr, nullptr);
    std::atomic<bool> go { false };
    Clock::time_point done;
    std::thread read_all([&] {
        std::vector<char> buf(65536);
        size_t got = 0;
        while (!go)
            std::this_thread::yield();
        while (got < bytes.size()) {
            ssize_t n = ::recv(reader, buf.data(), buf.size(), 0);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        done = Clock::now();
    });
    go = true;
    Clock::time_point t = Clock::now();
    for (size_t at_byte = 0; at_byte < bytes.size(); at_byte += 1000) {
        size_t n = std::min<size_t>(1000, bytes.size() - at_byte);
        if (::send(writer, bytes.data() + at_byte, n, MSG_NOSIGNAL) != static_cast<ssize_t>(n))
            break;
    }
    read_all.join();
    ::close(reader);
    ::close(writer);
    ::close(listener);
    return std::chrono::duration<double, std::milli>(done - t).count();
}

void bench_transfer()
{
    ServerProcess server;
    PictureClient client;
    board_model_setup();
    put_view_font();
    g_offline_board = 0;
    if (client.connect_and_join(server.port(), "bench") != 0 || !server.wait_for_log("file connection from")) {
        std::printf("picture transfer: the client did not get into the room\n");
        return;
    }
    HeadlessPeer peer;
    if (peer.connect("127.0.0.1", server.port()) != 0 || peer.login("watcher") != 0 || peer.join_room("bench") < 0) {
        std::printf("picture transfer: the second member did not get into the room\n");
        return;
    }
    if (!put_noise_picture(0, 0, 580, 580)) {
        std::printf("picture transfer: the picture could not be written\n");
        return;
    }
    const std::string z_file = file_bytes(g_board[0].bitmaps[0].z_path.data());
    const double mb = static_cast<double>(z_file.size()) / 1e6;

    // Up: from the start of the upload until the server offers the whole picture to the other member.
    std::vector<double> up_ms;
    std::vector<double> down_ms;
    for (int r = 0; r < rounds; ++r) {
        peer.clear();
        Clock::time_point t = Clock::now();
        if (bmp_upload_one_file(0, 0) != 0 || !peer.await_number(MSG_BMP_DOWNLOAD_NEXT, 20000)) {
            std::printf("picture transfer: the upload did not reach the server\n");
            return;
        }
        up_ms.push_back(ms_since(t));
        bmp_wait_upload_done(5000);
    }
    // Down: the other member puts the same file in slot 1, and this client
    // asks for it again each round: from the request until the slot has it
    // whole, unpacked.
    peer.send(PeerChannel::file, MSG_BMP_UPLOAD_BEGIN, 0, format_text("%4d", 1));
    for (size_t at = 0; at < z_file.size(); at += 1000)
        peer.send(PeerChannel::file, MSG_BMP_UPLOAD_DATA, 0, std::string_view(z_file).substr(at, 1000));
    peer.send(PeerChannel::file, MSG_BMP_UPLOAD_END, 0, {});
    if (!wait_until([] { return g_board[0].bitmaps[1].used == 1; }, 20000)) {
        std::printf("picture transfer: the other member's picture did not arrive\n");
        return;
    }
    for (int r = 0; r < rounds; ++r) {
        g_board[0].bitmaps[1] = bmp_slot {};
        const std::string offer = "1";
        Clock::time_point t = Clock::now();
        bmp_download_next_from_server(offer.c_str(), static_cast<int>(offer.size()), 0);
        if (!wait_until([] { return g_board[0].bitmaps[1].used == 1; }, 20000)) {
            std::printf("picture transfer: the download did not arrive\n");
            return;
        }
        down_ms.push_back(ms_since(t));
    }
    // The same download as bytes only: the other member asks for slot 0 and
    // counts until the end message, storing nothing.
    std::vector<double> wire_ms;
    for (int r = 0; r < rounds; ++r) {
        peer.clear();
        Clock::time_point t = Clock::now();
        peer.send(PeerChannel::file, MSG_BMP_DOWNLOAD_REQUEST, 0, format_text("%4d", 0));
        if (!peer.await_number(MSG_BMP_DOWNLOAD_END, 20000)) {
            std::printf("picture transfer: the other member's download did not end\n");
            return;
        }
        wire_ms.push_back(ms_since(t));
    }
    double up = mb / (median(up_ms) / 1000.0);
    double wire = mb / (median(wire_ms) / 1000.0);
    double down = mb / (median(down_ms) / 1000.0);
    std::vector<double> plain_ms;
    for (int r = 0; r < rounds; ++r)
        plain_ms.push_back(plain_copy_ms(z_file));
    double plain = mb / (median(plain_ms) / 1000.0);
    std::printf("picture transfer: %.2f MB compressed, through the local server (median of %d)\n", mb, rounds);
    std::printf("  upload %.1f MB/s; download %.1f MB/s on the wire, %.1f MB/s into the slot (written, unpacked and "
                "put in place); plain loopback copy %.1f MB/s\n",
                up, wire, down, plain);
    auto share = [plain](double rate) { return plain > 0 ? rate / plain : 0.0; };
    std::printf("  of the plain copy: upload %.2f, download on the wire %.2f, into the slot %.2f (target at least 0.5)\n",
                share(up), share(wire), share(down));
    peer.close();
    client.close();
    board_model_free();
}

} // namespace

int main()
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    bench_save_and_load(home);
    bench_transfer();
    for (const std::string& text : boxes.texts())
        std::printf("  message box: %s\n", text.c_str());
    return 0;
}
