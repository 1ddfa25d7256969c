#pragma once
// Sharing and remote control on the main connection: the request builders
// the sharing windows call, and the handlers of the messages that only pass
// data on to a window (their windows' reactions live with the windows).
// install_sharing_handlers plugs the handlers into the receive dispatch.
//
// Not here: appending tile, file and video data to the files their begin
// messages opened (with the subsystems that open them), and injecting the
// keyboard record of message 69 (with remote control).

// Each returns 0, or -1 when the message could not be sent.
int send_share_app_start(int seat);
int send_share_app_stop(int seat);
int send_share_app_allow_control(int seat);
int send_share_app_deny_control(int seat);
int send_request_app_control(int seat);
int send_release_app_control(int seat);
int send_share_desk_start();
int send_share_desk_stop();
int send_share_desk_allow_control();
int send_share_desk_deny_control();
int send_request_desk_control();
int send_release_desk_control();
// "%4d:%4d" x and y.
int send_app_mouse_move(int seat, int x, int y);
int send_app_mouse_down(int seat, int x, int y);
int send_app_mouse_up(int seat, int x, int y);
int send_app_mouse_dblclk(int seat, int x, int y);
int send_desk_mouse_move(int seat, int x, int y);
int send_desk_mouse_down(int seat, int x, int y);
int send_desk_mouse_up(int seat, int x, int y);
int send_desk_mouse_dblclk(int seat, int x, int y);
// "%10d:%10d", the key message's two parameters.
int send_app_key_event(int seat, int w, int l);
int send_desk_key_event(int w, int l);

// The sharer's announcements: 27 "%4d:%4d:%4d:%4d" left, top, width,
// height of the shared window; 26 "%4d:%4d" the screen size; 279 "%4d:%4d"
// the cursor; 227 / 267 (head only) every fifth capture tick.
int send_share_window_rect(int left, int top, int width, int height);
int send_share_desk_size(int width, int height);
int send_share_cursor_pos(int x, int y);
int send_app_viewer_alive();
int send_desk_viewer_alive();

// Handlers: body (followed by a zero byte), its length, head field 2.
void do_remote_app_mouse_move_from_server(const char* body, int len, int field2);     // 62
void do_remote_app_lbutton_down_from_server(const char* body, int len, int field2);   // 61
void do_remote_app_lbutton_up_from_server(const char* body, int len, int field2);     // 63
void do_remote_app_lbutton_dblclk_from_server(const char* body, int len, int field2); // 64
void do_remote_desk_mouse_move_from_server(const char* body, int len, int field2);    // 66
void do_remote_desk_lbutton_down_from_server(const char* body, int len, int field2);  // 65
void do_remote_desk_lbutton_up_from_server(const char* body, int len, int field2);    // 67
void do_remote_desk_lbutton_dblclk_from_server(const char* body, int len, int field2); // 68
void do_remote_app_key_from_server(const char* body, int len, int field2);            // 211
void do_remote_desk_key_from_server(const char* body, int len, int field2);           // 251
void do_share_app_refused_from_server(const char* body, int len, int field2);         // 203
void do_app_control_allowed_from_server(const char* body, int len, int field2);       // 208
void do_desk_control_allowed_from_server(const char* body, int len, int field2);      // 248
void do_app_control_refused_from_server(const char* body, int len, int field2);       // 209
void do_desk_control_refused_from_server(const char* body, int len, int field2);      // 249
void do_share_app_ended_from_server(const char* body, int len, int field2);           // 210
void do_share_desk_ended_from_server(const char* body, int len, int field2);          // 250
void do_share_desk_allowed_from_server(const char* body, int len, int field2);        // 242
void do_share_desk_refused_from_server(const char* body, int len, int field2);        // 243
void do_app_overlay_repaint_from_server(const char* body, int len, int field2);       // 226
void do_desk_overlay_repaint_from_server(const char* body, int len, int field2);      // 266
void do_share_cursor_pos_from_server(const char* body, int len, int field2);          // 279
void do_ppt_shared_from_server(const char* body, int len, int field2);                // 504
void do_excel_shared_from_server(const char* body, int len, int field2);              // 545
void share_my_ie_open_url_from_server(const char* body, int len, int field2);         // 730
void share_my_ie_open_frame_url_from_server(const char* body, int len, int field2);   // 731
// File connection.
void do_bmp_download_next_from_server(const char* body, int len, int field2);         // 307
void do_net_speed_673_from_server(const char* body, int len, int field2);             // 673
void do_net_speed_674_from_server(const char* body, int len, int field2);             // 674
void do_net_speed_result_from_server(const char* body, int len, int field2);          // 675

void install_sharing_handlers();
