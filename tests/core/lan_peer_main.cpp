// A headless client for the election tests: connects its main connection to
// the test's listener, enters a room and runs the multicast receiver and the
// election, writing its master flag and send port once per step.
#include "core/connections.h"
#include "core/global_state.h"
#include "core/lan_multicast.h"
#include "platform/sys/clock.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 6)
        return 2;
    const int room = std::atoi(argv[1]);
    const int step_ms = std::atoi(argv[2]);
    const int steps = std::atoi(argv[3]);
    g_main_sock.host.set("127.0.0.1");
    g_main_sock.port = static_cast<uint16_t>(std::atoi(argv[4]));
    std::FILE* out = std::fopen(argv[5], "w");
    if (!out || g_main_sock.connect_server() != 0)
        return 1;
    set_multicast_election_step_ms(step_ms);
    start_multicast_recv_thread();
    start_multicast_master_thread();
    g_room_number = room;
    for (int i = 0; i < steps; ++i) {
        platform::sleep_ms(static_cast<uint32_t>(step_ms));
        std::fprintf(out, "%d %d\n", g_is_multicast_master.load(), g_multicast_send_sock.local_port());
        std::fflush(out);
    }
    std::fclose(out);
    ::_exit(0);
}
