// Another client of the whiteboard file and picture tests, in a process
// (and a user folder) of its own, built from the program's core: its model,
// whiteboard receivers, file reader and picture transfer.
//
// Each takes --home DIR first: its user folder is then under DIR.
//
//   tamblo_board_file_peer --load FILE --dump DIR
//       loads FILE into page 0 and writes DIR/state.txt (the board as
//       board_state_text tells it), DIR/record.bin (page 0's record),
//       DIR/again.bod (page 0 saved again) and DIR/boxes.txt (the texts of
//       the message boxes); exits 0 when the load gave 0.
//   tamblo_board_file_peer --port P --room R --name N --state FILE --stop FILE
//       connects (main and file connections), logs in, enters room R and
//       keeps FILE up to date with its board until the file --stop names
//       exists (or 120 s have passed).
#include "core/connections.h"
#include "core/control_messages.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "tests/whiteboard/board_picture_util.h"
#include "whiteboard/board_file.h"
#include "whiteboard/board_messages.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <thread>
#include <unistd.h>

namespace {

void write_atomically(const std::string& path, const std::string& text)
{
    std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary);
        out << text;
    }
    std::rename(temp.c_str(), path.c_str());
}

std::string boxes_text(const ScriptedMessageBoxes& boxes)
{
    std::string out;
    for (const std::string& t : boxes.texts())
        out += t + "\n";
    return out;
}

int dump_loaded(const std::string& file, const std::string& dir)
{
    ScriptedMessageBoxes boxes;
    board_model_setup();
    put_view_font();
    std::memcpy(g_board[0].file_path.data(), file.data(), std::min<size_t>(file.size(), 255));
    int rc = board_file_load(0);
    write_atomically(dir + "/state.txt", board_state_text());
    write_atomically(dir + "/record.bin", std::string(reinterpret_cast<const char*>(&g_board[0]), sizeof(board_record)));
    std::string again = dir + "/again.bod";
    g_board[0].file_path.fill('\0');
    std::memcpy(g_board[0].file_path.data(), again.data(), std::min<size_t>(again.size(), 255));
    if (rc == 0)
        board_file_save(0);
    write_atomically(dir + "/boxes.txt", boxes_text(boxes));
    return rc == 0 ? 0 : 1;
}

int run_client(std::map<std::string, std::string>& opt)
{
    ScriptedMessageBoxes boxes;
    board_model_setup();
    put_view_font();
    install_board_handlers();
    install_board_bmp_transfer();
    set_main_handler(MSG_HELLO_MAIN, do_customer_id_from_server);
    set_main_handler(MSG_LOGIN_OK, do_login_ok_from_server);
    set_main_handler(MSG_ROOM_ENTERED, do_room_entered_from_server);
    g_server_host.set("127.0.0.1");
    g_server_port = std::stoi(opt["--port"]);
    g_login_name.set(opt["--name"]);
    g_access_code.set("any");
    g_room_name.set("");
    g_room_password.set("");
    g_room_number = -1;
    g_logged_in = 0;
    g_connected_to_server = 1;
    g_auto_login = 1;
    std::thread main_reader([] { g_recv_thread(); });
    std::thread file_reader([] { g_file_thread(); });
    enter_room_when_logged_in(opt["--room"]);
    const std::string state = opt["--state"];
    const std::string stop = opt["--stop"];
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (::access(stop.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < until) {
        std::string text = format_text("room %d file %d\n", g_room_number.load(), g_file_sock.m_sock != 0 ? 1 : 0);
        text += board_state_text();
        text += boxes_text(boxes);
        write_atomically(state, text);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    g_main_sock.close_socket();
    g_file_sock.close_socket();
    main_reader.join();
    file_reader.join();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::map<std::string, std::string> opt;
    for (int i = 1; i + 1 < argc; i += 2)
        opt[argv[i]] = argv[i + 1];
    if (opt.count("--home"))
        ::setenv("XDG_DATA_HOME", opt["--home"].c_str(), 1);
    if (opt.count("--load"))
        return dump_loaded(opt["--load"], opt["--dump"]);
    if (opt.count("--port"))
        return run_client(opt);
    std::fprintf(stderr, "usage: tamblo_board_file_peer --load FILE --dump DIR | --port P --room R --name N --state F --stop F\n");
    return 2;
}
