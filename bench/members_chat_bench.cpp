// The members page when 500 members join in a burst, and the chat view at
// 10,000 lines.
//
// Burst: every join makes each client ask for the list again (116), so the
// page of a member already in the room receives, for the k-th newcomer, a
// first record and k-1 more: 125,250 records for 500 joins. Printed: the
// roster model's records per second, the page's (records through the window
// messages into the list), the whole burst's time, and one full repaint of
// the page with all 500 rows. Target: the burst shown within 1 s.
//
// Chat: 10,000 styled lines appended to the chat view as the receiver does;
// printed: ms per line over the first and the last 1000 (no quadratic
// growth: the two stay close). Target: under 1 ms per line at 10,000.
#include "core/chat_receive.h"
#include "core/global_state.h"
#include "core/window_messages.h"
#include "platform/ui/window_bridge.h"
#include "shell/members_roster.h"
#include "shell/ui/chat_view.h"
#include "shell/ui/members_page.h"
#include "skin/ui/my_edit.h"

#include <QApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

constexpr int member_count = 500;
constexpr int chat_lines = 10000;

std::vector<std::string> member_records()
{
    std::vector<std::string> records;
    for (int i = 0; i < member_count; ++i) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%4d", 1000 + i);
        records.push_back("member " + std::to_string(i) + '\0' + digits + std::string(4, '\0'));
    }
    return records;
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QtWindowMessageBridge::install();
    init_global_state();
    const std::vector<std::string> records = member_records();
    // "burst" or "chat" runs one half alone (for a profiler).
    const std::string only = argc > 1 ? argv[1] : "";

    auto start = Clock::now();
    if (only != "chat") {
    // The model alone.
    MembersRoster roster;
    start = Clock::now();
    long model_records = 0;
    for (int k = 1; k <= member_count; ++k) {
        roster.clear();
        for (int i = 0; i < k; ++i, ++model_records)
            roster.add_member(records[static_cast<size_t>(i)].data(), records[static_cast<size_t>(i)].size(), i % 16);
    }
    double model_ms = ms_since(start);

    // The page: records as the receive thread sends them, then one repaint.
    CLeftFormMembers page;
    page.resize(520, 900);
    page.show();
    QApplication::processEvents();
    start = Clock::now();
    long page_records = 0;
    for (int k = 1; k <= member_count; ++k) {
        for (int i = 0; i < k; ++i, ++page_records)
            send_window_message(WindowSlot::members_page, i == 0 ? WM_MY_MSG_MEMBER_LIST_FIRST : WM_MY_MSG_MEMBER_LIST_ADD,
                                reinterpret_cast<uintptr_t>(records[static_cast<size_t>(i)].data()), i % 16);
        // The flags of one member change between two joins.
        post_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBER_STATE, static_cast<uintptr_t>(1000 + k - 1), 4);
        QApplication::processEvents();
    }
    double burst_ms = ms_since(start);
    QImage image(page.size(), QImage::Format_ARGB32_Premultiplied);
    start = Clock::now();
    page.render(&image);
    double repaint_ms = ms_since(start);

    std::printf("members burst: %d joins, %ld records each client receives\n", member_count, page_records);
    std::printf("  roster model: %.0f records/s (%.1f ms)\n", model_records / (model_ms / 1000.0), model_ms);
    std::printf("  members page: %.0f records/s, whole burst %.1f ms (target: within 1000 ms)\n",
                page_records / (burst_ms / 1000.0), burst_ms);
    std::printf("  one full repaint of the page with %d rows: %.2f ms\n", member_count, repaint_ms);
    }
    if (only == "burst")
        return 0;

    // The chat view.
    CFormRightLower view;
    view.resize(700, 200);
    view.show();
    QApplication::processEvents();
    std::vector<double> per_thousand;
    start = Clock::now();
    auto block_start = start;
    for (int i = 0; i < chat_lines; ++i) {
        std::string body = "member " + std::to_string(i % 500) + ": line " + std::to_string(i) + " of the meeting's chat\r\n";
        body.push_back('\0');
        for (int b : { i % 256, 64, 224, 8 + i % 12, i % 16 })
            body.push_back(static_cast<char>(b));
        receive_chat_text(body.data(), body.size(), 1);
        if ((i + 1) % 1000 == 0) {
            QApplication::processEvents();
            per_thousand.push_back(ms_since(block_start) / 1000.0);
            block_start = Clock::now();
        }
    }
    double chat_ms = ms_since(start);
    std::printf("chat view: %d lines in %.0f ms\n", chat_lines, chat_ms);
    std::printf("  ms per line, lines 1-1000: %.3f, lines 9001-10000: %.3f (target: under 1 ms), ratio last/first %.2f\n",
                per_thousand.front(), per_thousand.back(), per_thousand.back() / per_thousand.front());
    std::printf("  view text: %d characters\n", static_cast<int>(view.rich_edit()->toPlainText().size()));
    return 0;
}
