#include "core/receive_dispatch.h"

#include "core/global_state.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"
#include "core/wire_head.h"

#include <array>
#include <memory>
#include <mutex>
#include <vector>
#include <shared_mutex>
#include <string>

namespace {

constexpr int handler_count = wire_field_max + 1;

struct Range {
    int first;
    int last;
};
constexpr std::array<Range, 8> main_ranges { { { 1, 80 }, { 102, 174 }, { 203, 310 }, { 362, 523 }, { 540, 545 },
                                               { 571, 641 }, { 643, 731 }, { 780, 999 } } };
constexpr std::array<int, 7> main_direct_cases { 86, 202, 361, 524, 570, 642, 750 };

constexpr size_t word_sharer_limit = 127;

void post_main_frame(uint32_t msg) { post_window_message(WindowSlot::main_frame, msg); }

// The cases the main dispatch handles itself.
void do_chairman_control_mode(const char*, int, int)
{
    g_chairman_control_mode = 1;
    post_main_frame(WM_MY_MSG_SHOW_TALK_BAR);
    post_main_frame(WM_MY_MSG_CHAIRMAN_CONTROL_MODE);
}

void do_free_lance_mode(const char*, int, int)
{
    g_chairman_control_mode = 0;
    post_main_frame(WM_MY_MSG_FREE_LANCE_MODE);
}

void do_disallow_talk(const char*, int, int) { g_talk_allowed = 0; }
void do_allow_talk(const char*, int, int) { g_talk_allowed = 1; }

void do_private_voice_request(const char*, int, int field2)
{
    post_window_message(WindowSlot::members_page, WM_MY_MSG_PRIVATE_VOICE_REQUEST, static_cast<uintptr_t>(field2));
}

void do_set_chairman_password_ok(const char*, int, int)
{
    post_window_message(WindowSlot::members_page, WM_MY_MSG_SET_CHAIRMAN_PASSWORD_OK);
}

void do_set_chairman_password_failed(const char*, int, int)
{
    post_window_message(WindowSlot::members_page, WM_MY_MSG_SET_CHAIRMAN_PASSWORD_FAILED);
}

// The choose-application dialog owns the copy.
void do_202(const char* body, int body_len, int)
{
    post_window_message_with_body(WindowSlot::choose_app, WM_MY_MSG_202, std::string(body, static_cast<size_t>(body_len)));
}

void do_word_shared(const char* body, int body_len, int)
{
    g_word_sharer.set(cut_copy(std::string_view(body, static_cast<size_t>(body_len)), word_sharer_limit));
    post_window_message(WindowSlot::files_page, WM_MY_MSG_WORD_SHARED);
}

// The server's queries, answered at once with an empty message.
void do_query_621(const char*, int, int) { send_cmd(MSG_ANSWER_622); }
void do_query_627(const char*, int, int) { send_cmd(MSG_ANSWER_628); }
void do_query_635(const char*, int, int) { send_cmd(MSG_ANSWER_636); }
void do_query_645(const char*, int, int) { send_cmd(MSG_ANSWER_646); }

void do_presenter_set(const char*, int, int) { g_is_presenter = 1; }
void do_presenter_clear(const char*, int, int) { g_is_presenter = 0; }

struct DispatchTable {
    std::shared_mutex lock;
    std::array<ReceiveHandler, handler_count> handlers;
    std::function<void()> ended;
    std::vector<std::function<void()>> also_ended;
};

// Never destroyed: the receive threads are not joined, and one whose
// connection ends while the process ends still reads its table.
std::array<DispatchTable*, receive_connection_count>& tables()
{
    static std::array<DispatchTable*, receive_connection_count> all = [] {
        std::array<DispatchTable*, receive_connection_count> made;
        for (auto& table : made)
            table = new DispatchTable;
        return made;
    }();
    return all;
}

DispatchTable& table_of(ReceiveConnection connection)
{
    return *tables()[static_cast<size_t>(connection)];
}

void install_built_in_cases()
{
    DispatchTable& table = table_of(ReceiveConnection::main);
    std::unique_lock lock(table.lock);
    auto& main = table.handlers;
    main[MSG_MODE_CHAIRMAN] = do_chairman_control_mode;
    main[MSG_MODE_FREE] = do_free_lance_mode;
    main[MSG_DISALLOW_TALK] = do_disallow_talk;
    main[MSG_ALLOW_TALK] = do_allow_talk;
    main[MSG_PRIVATE_VOICE_REQUEST] = do_private_voice_request;
    main[MSG_SET_CHAIRMAN_PASSWORD_OK] = do_set_chairman_password_ok;
    main[MSG_SET_CHAIRMAN_PASSWORD_FAILED] = do_set_chairman_password_failed;
    main[MSG_202] = do_202;
    main[MSG_WORD_SHARED] = do_word_shared;
    main[MSG_PRESENTER_SET] = do_presenter_set;
    main[MSG_PRESENTER_CLEAR] = do_presenter_clear;
    main[MSG_QUERY_621] = do_query_621;
    main[MSG_QUERY_627] = do_query_627;
    main[MSG_QUERY_635] = do_query_635;
    main[MSG_QUERY_645] = do_query_645;
}

DispatchTable& ready_table(ReceiveConnection connection)
{
    static std::once_flag built_in;
    std::call_once(built_in, install_built_in_cases);
    return table_of(connection);
}

} // namespace

bool main_dispatch_has_case(int number)
{
    for (int direct : main_direct_cases) {
        if (number == direct)
            return true;
    }
    for (const Range& range : main_ranges) {
        if (number >= range.first && number <= range.last)
            return true;
    }
    return false;
}

int set_receive_handler(ReceiveConnection connection, int number, ReceiveHandler handler)
{
    if (number < 0 || number >= handler_count)
        return -1;
    if (connection == ReceiveConnection::main && !main_dispatch_has_case(number))
        return -1;
    DispatchTable& table = ready_table(connection);
    std::unique_lock lock(table.lock);
    table.handlers[static_cast<size_t>(number)] = std::move(handler);
    return 0;
}

int set_connection_end_handler(ReceiveConnection connection, std::function<void()> handler)
{
    DispatchTable& table = ready_table(connection);
    std::unique_lock lock(table.lock);
    table.ended = std::move(handler);
    return 0;
}

int add_connection_end_handler(ReceiveConnection connection, std::function<void()> handler)
{
    if (!handler)
        return -1;
    DispatchTable& table = ready_table(connection);
    std::unique_lock lock(table.lock);
    table.also_ended.push_back(std::move(handler));
    return 0;
}

void dispatch_connection_ended(ReceiveConnection connection)
{
    std::vector<std::function<void()>> ended;
    {
        DispatchTable& table = ready_table(connection);
        std::shared_lock lock(table.lock);
        if (table.ended)
            ended.push_back(table.ended);
        ended.insert(ended.end(), table.also_ended.begin(), table.also_ended.end());
    }
    for (const auto& fn : ended)
        fn();
}

int set_main_handler(int number, ReceiveHandler handler) { return set_receive_handler(ReceiveConnection::main, number, std::move(handler)); }
int set_app_handler(int number, ReceiveHandler handler) { return set_receive_handler(ReceiveConnection::app, number, std::move(handler)); }
int set_voice_handler(int number, ReceiveHandler handler) { return set_receive_handler(ReceiveConnection::voice, number, std::move(handler)); }
int set_file_handler(int number, ReceiveHandler handler) { return set_receive_handler(ReceiveConnection::file, number, std::move(handler)); }

bool has_receive_handler(ReceiveConnection connection, int number)
{
    if (number < 0 || number >= handler_count)
        return false;
    DispatchTable& table = ready_table(connection);
    std::shared_lock lock(table.lock);
    return static_cast<bool>(table.handlers[static_cast<size_t>(number)]);
}

void reset_receive_handlers()
{
    for (int i = 0; i < receive_connection_count; ++i) {
        DispatchTable& table = ready_table(static_cast<ReceiveConnection>(i));
        std::unique_lock lock(table.lock);
        for (auto& handler : table.handlers)
            handler = nullptr;
        table.ended = nullptr;
        table.also_ended.clear();
    }
    install_built_in_cases();
}

bool dispatch_received_message(ReceiveConnection connection, int number, const char* body, int body_len, int field2)
{
    if (number < 0 || number >= handler_count)
        return false;
    if (connection == ReceiveConnection::main && !main_dispatch_has_case(number))
        return false;
    DispatchTable& table = ready_table(connection);
    ReceiveHandler handler;
    {
        // A copy: a handler may itself change the table.
        std::shared_lock lock(table.lock);
        handler = table.handlers[static_cast<size_t>(number)];
    }
    if (!handler)
        return false;
    handler(body, body_len, field2);
    return true;
}
