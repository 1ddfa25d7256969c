#pragma once
// The control messages of the main connection: login, the room list,
// entering and leaving a room, members, the meeting's start and stop,
// roles, hands, chat transport, the rest room and the server's notices.
// Handlers run on the main receive thread: they store what arrived in the
// global state and post or send a window message; they never touch a window.

#include "core/global_state.h"

#include <string>

// Builders. Each returns 0, or -1 when it refuses (a message box names the
// limit) or the message could not be sent.
int send_login(const std::string& name, const std::string& code);
int send_logout();
int send_get_meeting_room_list();
int send_create_meeting_room(const std::string& name);
int send_join_meeting_room(const std::string& room, const std::string& password);
int send_leave_meeting_room();
int send_boost_member(const std::string& name);
int send_set_meeting_room_password(const std::string& old_password, const std::string& new_password);
int send_set_chairman_password(const std::string& old_password, const std::string& new_password);
int send_start_meeting();
int send_stop_meeting();
int send_get_member_list();
int send_talk_start();
int send_talk_stop();
int send_free_lance_mode();
int send_chairman_control_mode();
// The text (cut to 8166 bytes), a zero byte, then red, green, blue, size, effects.
int send_chat_text(const std::string& text, int s1, int s2, int s3, int s4, int s5);
// "target:text", a zero byte and the five style bytes; the whole body at most 8172 bytes.
int send_private_chat(const std::string& target, const std::string& text, int s1 = 64, int s2 = 64, int s3 = 224,
                      int s4 = 10, int s5 = 0);
int send_reload_chat();
int send_rest_room_refresh();
int send_rest_room_chat(const std::string& text);

// Body limits of the builders.
inline constexpr size_t login_body_limit = 64;
inline constexpr size_t room_body_limit = 64;
inline constexpr size_t chat_text_limit = 8166;
inline constexpr size_t chat_body_limit = 8172;
inline constexpr size_t rest_room_chat_limit = 1000;

// The server's probes (782) counted as they come: one asked for with 581
// comes back after everything sent before it on the main connection.
extern AtomicInt g_probes_received;

// Handlers: body (not terminated), its length, head field 2. The main
// dispatch itself handles 34-36, 38, 39, 173, 174, 692 and 693.
void do_customer_id_from_server(const char* body, int len, int field2);        // 80
void do_login_ok_from_server(const char* body, int len, int field2);           // 131
void do_login_failed_from_server(const char* body, int len, int field2);       // 132
void do_not_logged_in_from_server(const char* body, int len, int field2);      // 134
void do_room_list_first_from_server(const char* body, int len, int field2);    // 102
void do_room_list_add_from_server(const char* body, int len, int field2);      // 103
void do_room_list_changed_from_server(const char* body, int len, int field2);  // 106
void do_create_room_failed_from_server(const char* body, int len, int field2); // 107
void do_room_entered_from_server(const char* body, int len, int field2);       // 105
void do_set_room_password_ok_from_server(const char* body, int len, int field2);      // 109
void do_set_room_password_failed_from_server(const char* body, int len, int field2);  // 110
void do_member_list_first_from_server(const char* body, int len, int field2); // 112
void do_member_list_add_from_server(const char* body, int len, int field2);   // 113
void do_kicked_out_from_server(const char* body, int len, int field2);        // 115
void do_members_notice_116_from_server(const char* body, int len, int field2); // 116
void do_members_notice_780_from_server(const char* body, int len, int field2); // 780
void do_leave_room_ok_from_server(const char* body, int len, int field2);     // 118
void do_meeting_started_from_server(const char* body, int len, int field2);   // 120
void do_meeting_stopped_from_server(const char* body, int len, int field2);   // 122
void do_meeting_time_from_server(const char* body, int len, int field2);      // 124
void do_chat_reload_first_from_server(const char* body, int len, int field2); // 126
void do_chat_reload_add_from_server(const char* body, int len, int field2);   // 127
void do_main_frame_notice_128_from_server(const char* body, int len, int field2); // 128
void do_private_chat_from_server(const char* body, int len, int field2);      // 171
void do_rest_room_list_first_from_server(const char* body, int len, int field2); // 281
void do_rest_room_list_add_from_server(const char* body, int len, int field2);   // 282
void do_rest_room_chat_from_server(const char* body, int len, int field2);       // 284
void do_chairman_approved_from_server(const char* body, int len, int field2);    // 401
void do_chairman_denied_from_server(const char* body, int len, int field2);      // 402
void do_chairman_given_up_from_server(const char* body, int len, int field2);    // 404
void do_presenter_approved_from_server(const char* body, int len, int field2);   // 406
void do_presenter_given_up_from_server(const char* body, int len, int field2);   // 408
void do_presenter_apply_from_server(const char* body, int len, int field2);      // 695
void do_presenter_denied_from_server(const char* body, int len, int field2);     // 697
void do_become_presenter_from_server(const char* body, int len, int field2);     // 597
void do_become_chairman_from_server(const char* body, int len, int field2);      // 598
void do_hand_raised_from_server(const char* body, int len, int field2);          // 590
void do_hand_lowered_from_server(const char* body, int len, int field2);         // 591
void do_member_joined_from_server(const char* body, int len, int field2);        // 592
void do_member_left_from_server(const char* body, int len, int field2);          // 593
void do_talker_changed_from_server(const char* body, int len, int field2);       // 594
void do_talker_gave_up_from_server(const char* body, int len, int field2);       // 596
void do_hand_button_422_from_server(const char* body, int len, int field2);      // 422
void do_hand_button_423_from_server(const char* body, int len, int field2);      // 423
void do_member_state_from_server(const char* body, int len, int field2);         // 424
void push_zoom_one_person_from_server(const char* body, int len, int field2);    // 710
void do_restore_zoom_from_server(const char* body, int len, int field2);         // 711
void do_probe_from_server(const char* body, int len, int field2);                // 782
void do_server_text_792_from_server(const char* body, int len, int field2);      // 792
void do_784_from_server(const char* body, int len, int field2);                  // 784

// Plugs the handlers above, the server table's (361-363) and the server
// notices' (991, 993, 994, 999) into the main receive dispatch.
void install_control_handlers();
