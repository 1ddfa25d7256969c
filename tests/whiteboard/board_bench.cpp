// Benchmarks of the whiteboard: the receive path of relayed actions and the
// meeting recording's writer. Prints rates; asserts nothing.

#include "core/meeting_record.h"
#include "core/messages.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_recording.h"

#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int action_count = 100000;

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

board_action stroke_segment(int i)
{
    board_action a;
    a.kind = ACTION_LINE;
    a.set_gesture_end(i % 10 == 9 ? 1 : 0);
    a.data = { i % 1600, i % 1000, (i + 3) % 1600, (i + 2) % 1000, 2, 0, 0, 0, 0 };
    return a;
}

void bench_receive()
{
    board_model_setup();
    std::string body(sizeof(board_action), '\0');
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < action_count; ++i) {
        board_action a = stroke_segment(i);
        std::memcpy(body.data(), &a, sizeof a);
        board_dispatch_message(WireHead { 0, 0, MSG_BOARD_LINE, static_cast<int>(body.size()) }, body.data(),
                               static_cast<int>(body.size()));
    }
    double s = seconds_since(start);
    std::printf("board receive: %d relayed actions applied to one page in %.3f s: %.0f actions/s (page holds %d)\n",
                action_count, s, action_count / s, g_board[0].visible_count);
    board_model_free();
}

void bench_record()
{
    char folder[] = "/tmp/tamblo_bench_XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return;
    }
    std::string path = std::string(folder) + "/bench.mrd";
    if (recorder().start(path) != 0)
        return;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < action_count; ++i)
        record_general_action(stroke_segment(i), i % board_count);
    double s = seconds_since(start);
    recorder().stop();
    struct stat st {};
    stat(path.c_str(), &st);
    double per_record = static_cast<double>(st.st_size - static_cast<off_t>(record_file_head_len)) / action_count;
    std::printf("recording: %d whiteboard records in %.3f s: %.0f records/s, %.1f bytes/record (flushed one by one)\n",
                action_count, s, action_count / s, per_record);
    unlink(path.c_str());
    rmdir(folder);
}

} // namespace

int main()
{
    bench_receive();
    bench_record();
    return 0;
}
