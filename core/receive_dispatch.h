#pragma once
// What each receive thread does with a message: a table per connection from
// message number to handler. Subsystems plug their handlers in with
// set_main_handler and its twins from their install function (called by
// install_program_parts), so the core never depends on them. A number
// without a handler was read whole and is dropped.
//
// The main connection dispatches only the numbers it has a case for: 86,
// 202, 361, 524, 570, 642, 750 and the ranges 1-80, 102-174, 203-310,
// 362-523, 540-545, 571-641, 643-731, 780-999. Its built-in cases (34-36,
// 38, 39, 173, 174, 202, 524, 692, 693 and the answers to the server's
// queries 621, 627, 635, 645) are there from the start; a subsystem may
// replace them.

#include <functional>

enum class ReceiveConnection : int { main, app, voice, file };
inline constexpr int receive_connection_count = 4;

// body: the unscrambled body, followed by a zero byte, valid only during the
// call (a handler that keeps data copies it); field2: head field 2.
using ReceiveHandler = std::function<void(const char* body, int body_len, int field2)>;

// True when the main dispatch has a case for the number.
bool main_dispatch_has_case(int number);

// 0, or -1 when the number is outside 0..9999 or, for the main connection,
// outside its cases. An empty handler removes the number's handler.
int set_receive_handler(ReceiveConnection connection, int number, ReceiveHandler handler);
int set_main_handler(int number, ReceiveHandler handler);
int set_app_handler(int number, ReceiveHandler handler);
int set_voice_handler(int number, ReceiveHandler handler);
int set_file_handler(int number, ReceiveHandler handler);
bool has_receive_handler(ReceiveConnection connection, int number);

// Runs on the receive thread when its loop has ended (the connection closed
// or failed), so that a subsystem drops what a half-read transfer left. An
// empty handler removes it.
int set_connection_end_handler(ReceiveConnection connection, std::function<void()> handler);
// One more handler beside it, for a second subsystem on the same connection.
int add_connection_end_handler(ReceiveConnection connection, std::function<void()> handler);
void dispatch_connection_ended(ReceiveConnection connection);

// Back to the built-in cases only (tests).
void reset_receive_handlers();

// Runs the handler of the number, if any. Returns true when one ran.
bool dispatch_received_message(ReceiveConnection connection, int number, const char* body, int body_len, int field2);
