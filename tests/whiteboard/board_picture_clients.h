#pragma once
// The clients of the picture tests: this process's own (the program's core
// on its main and file connections) and others, each a process with its own
// user folder that keeps a file telling its board.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "tests/support/child_process.h"
#include "tests/whiteboard/board_picture_util.h"
#include "whiteboard/board_messages.h"

#include <chrono>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <thread>

inline const std::string peer_program = std::string(TAMBLO_TEST_BUILD_DIR) + "/tests/whiteboard/tamblo_board_file_peer";

inline bool wait_until(const std::function<bool()>& done, int wait_ms = 20000)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The program's side in this process: the main and file connections with
// their receive threads, the control handlers that log in and enter the
// room, the whiteboard receivers and the picture transfer.
class PictureClient {
public:
    ~PictureClient() { close(); }

    int connect_and_join(uint16_t port, const std::string& room)
    {
        reset_receive_handlers();
        install_board_handlers();
        install_board_bmp_transfer();
        set_main_handler(MSG_HELLO_MAIN, do_customer_id_from_server);
        set_main_handler(MSG_LOGIN_OK, do_login_ok_from_server);
        set_main_handler(MSG_ROOM_ENTERED, do_room_entered_from_server);
        set_main_handler(MSG_PROBE, do_probe_from_server);
        g_server_host.set("127.0.0.1");
        g_server_port = port;
        g_login_name.set("paster");
        g_access_code.set("any");
        g_room_name.set("");
        g_room_password.set("");
        g_room_number = -1;
        g_logged_in = 0;
        g_my_customer_id = -1;
        g_connected_to_server = 1;
        g_auto_login = 1;
        main_ = std::thread([] { g_recv_thread(); });
        file_ = std::thread([] { g_file_thread(); });
        enter_room_when_logged_in(room);
        return wait_until([] { return g_room_number.load() >= 0 && g_file_sock.m_sock != 0; }) ? 0 : -1;
    }
    void close()
    {
        g_main_sock.close_socket();
        g_file_sock.close_socket();
        if (main_.joinable())
            main_.join();
        if (file_.joinable())
            file_.join();
        reset_receive_handlers();
        g_my_customer_id = -1;
        g_connected_to_server = 0;
    }

private:
    std::thread main_;
    std::thread file_;
};

// Another client, a process of its own with its own user folder, that
// keeps a file telling its board.
class PeerClient {
public:
    PeerClient(const std::string& root, const std::string& name, uint16_t port, const std::string& room)
        : dir_(root + "/" + name), state_(dir_ + "/state.txt"), stop_(dir_ + "/stop")
    {
        ::mkdir(dir_.c_str(), 0700);
        process_ = std::make_unique<ChildProcess>(std::vector<std::string> { peer_program, "--home", dir_, "--port",
            std::to_string(port), "--room", room, "--name", name, "--state", state_, "--stop", stop_ });
    }
    ~PeerClient()
    {
        std::FILE* f = std::fopen(stop_.c_str(), "w");
        if (f)
            std::fclose(f);
        process_.reset();
    }
    std::string state() const { return file_bytes(state_); }
    // In its room with its file connection up.
    bool wait_joined() const
    {
        return wait_until([&] {
            std::string s = state();
            return s.rfind("room ", 0) == 0 && s.rfind("room -1", 0) != 0 && s.find(" file 1\n") != std::string::npos;
        });
    }
    // The board it shows, without the line about its connection.
    std::string board() const
    {
        std::string s = state();
        size_t line = s.find('\n');
        return line == std::string::npos ? std::string() : s.substr(line + 1);
    }
    // Waits until it shows the board this process shows.
    bool wait_shows(const std::string& want, int wait_ms = 30000) const
    {
        return wait_until([&] { return board() == want; }, wait_ms);
    }

private:
    std::string dir_;
    std::string state_;
    std::string stop_;
    std::unique_ptr<ChildProcess> process_;
};

