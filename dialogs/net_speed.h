#pragma once
// The network speed test without its window: ten messages of 1000 bytes on
// the file connection (670, eight 671, 672), the server's answer to each
// (673, 674, 675), and the result from the time between the first answer
// and the last.

#include <cstdint>
#include <string>

inline constexpr int net_speed_message_count = 10;
inline constexpr int net_speed_body_bytes = 1000;
inline constexpr uint8_t net_speed_body_byte = 0x01;

// "Result: success send:%d, failed send:%d, total time used:%d millisecond.\n
// Network speed is:%d byte/s", in the user's language; 20000 bytes travel,
// so the speed is 20000000 / elapsed. With no time elapsed: "Your network
// speed is extremely fast!".
std::string net_speed_result_text(int sent_ok, int send_failed, uint32_t elapsed_ms);

class NetSpeedTest {
public:
    // Zeroes the state; without a connection to the server (or with its
    // file connection gone) shows "Must connect to server before testing
    // net speed." and sends nothing (-1);
    // else sends the ten messages, counting what left and what did not. 0.
    int start();
    // The answers. Each returns how many answers have come; the result
    // gives the text the label shows.
    int on_first_answer();  // 673: the clock starts again here
    int on_answer();        // 674
    std::string on_result();  // 675

    int sent_ok() const { return sent_ok_; }
    int send_failed() const { return send_failed_; }
    int answers() const { return answers_; }

private:
    uint32_t start_tick_ = 0;
    uint32_t end_tick_ = 0;
    int sent_ok_ = 0;
    int send_failed_ = 0;
    int answers_ = 0;
};
