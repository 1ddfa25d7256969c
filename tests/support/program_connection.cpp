#include "tests/support/program_connection.h"

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"

void ProgramConnection::start(uint16_t port, const std::string& login_name, const std::string& room)
{
    set_main_handler(MSG_HELLO_MAIN, do_customer_id_from_server);
    set_main_handler(MSG_LOGIN_OK, do_login_ok_from_server);
    set_main_handler(MSG_ROOM_ENTERED, do_room_entered_from_server);
    g_server_host.set("127.0.0.1");
    g_server_port = port;
    g_login_name.set(login_name);
    g_access_code.set("any");
    g_room_name.set(room);
    g_room_password.set("");
    g_room_number = -1;
    g_auto_login = 1;
    reader_ = std::thread([] { g_recv_thread(); });
}

void ProgramConnection::stop()
{
    if (!reader_.joinable())
        return;
    g_main_sock.close_socket();
    reader_.join();
}
