#include "dialogs/net_speed.h"

#include "core/connections.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "core/wire_builders.h"
#include "platform/sys/clock.h"

std::string net_speed_result_text(int sent_ok, int send_failed, uint32_t elapsed_ms)
{
    if (elapsed_ms == 0)
        return tr_text("Your network speed is extremely fast!");
    // 10 x 1000 bytes each way, per millisecond, as bytes a second.
    long long speed = 20000000LL / static_cast<long long>(elapsed_ms);
    return format_text(tr_text("Result: success send:%d, failed send:%d, total time used:%d millisecond.\n"
                               " Network speed is:%d byte/s")
                           .c_str(),
                       sent_ok, send_failed, static_cast<int>(elapsed_ms), static_cast<int>(speed));
}

int NetSpeedTest::start()
{
    start_tick_ = 0;
    end_tick_ = 0;
    sent_ok_ = 0;
    send_failed_ = 0;
    answers_ = 0;
    // A file connection the server closed sends nothing: said the same way.
    if (g_connected_to_server != 1 || g_file_sock.m_sock == 0) {
        message_box_printf("Must connect to server before testing net speed.");
        return -1;
    }
    const std::string body(static_cast<size_t>(net_speed_body_bytes), static_cast<char>(net_speed_body_byte));
    start_tick_ = platform::tick_count();
    for (int i = 0; i < net_speed_message_count; ++i) {
        int number = i == 0 ? MSG_NET_SPEED_FIRST : i == net_speed_message_count - 1 ? MSG_NET_SPEED_LAST : MSG_NET_SPEED_DATA;
        if (send_wire_message(g_file_sock, 0, number, body) == 0)
            ++sent_ok_;
        else
            ++send_failed_;
    }
    end_tick_ = platform::tick_count();
    return 0;
}

int NetSpeedTest::on_first_answer()
{
    start_tick_ = platform::tick_count();
    return ++answers_;
}

int NetSpeedTest::on_answer() { return ++answers_; }

std::string NetSpeedTest::on_result()
{
    ++answers_;
    end_tick_ = platform::tick_count();
    return net_speed_result_text(sent_ok_, send_failed_, end_tick_ - start_tick_);
}
