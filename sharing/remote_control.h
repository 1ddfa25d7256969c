#pragma once
// Remote control of a share without the windows. The viewer's side turns
// the share view's mouse and keys into 65-69 and 251 while the server lets
// it steer (g_remote_controlling); the sharer's side replays what arrives on
// its own display through XTest. The server passes input on only from the
// member it lets steer, and the sharer replays only while it shares.

#include <cstdint>
#include <functional>
#include <string>

// The 28-byte input record of 69: seven little-endian 32-bit words. For the
// mouse (kind 0): dx, dy, mouse data, flags, time, extra information; for a
// key (kind 1) the second word holds the virtual key (low 16 bits) and the
// scan code, the third the key flags.
struct InputRecord {
    int32_t kind = 0;
    int32_t dx = 0;
    int32_t dy = 0;
    int32_t mouse_data = 0;
    int32_t flags = 0;
    int32_t time = 0;
    int32_t extra = 0;
};
inline constexpr int input_record_len = 28;
inline constexpr int32_t input_kind_mouse = 0;
inline constexpr int32_t input_kind_key = 1;
inline constexpr int32_t mouse_left_down = 0x02, mouse_left_up = 0x04, mouse_right_down = 0x08, mouse_right_up = 0x10,
                         mouse_middle_down = 0x20, mouse_middle_up = 0x40;
inline constexpr int32_t key_flag_up = 0x02;

std::string encode_input_record(const InputRecord& record);
bool decode_input_record(const char* body, int len, InputRecord& record);
// 69 on the main connection. 0 or -1.
int send_key_input(const InputRecord& record);

// The frame's request-control command: 206 while this viewer does not
// steer, else 207 (and it steers no more).
int toggle_remote_control();

// The share view's input, viewer side. Points are content coordinates
// (the client point plus the scroll position) unless named client.
class RemoteControlViewer {
public:
    static constexpr int move_thinning = 5;

    void left_down(int x, int y);
    void left_up(int x, int y);
    void move(int x, int y);
    void double_click(int x, int y);
    void middle(bool down, int client_x, int client_y, int x, int y);
    void right(bool down, int client_x, int client_y, int x, int y);
    void key_down(int virtual_key, int key_flags);
    int moves() const { return moves_; }

    // Whether a point lies on the picture: the shared window's rectangle,
    // edges included, or anywhere while the desktop grid is shown.
    static bool inside_picture(int x, int y);

private:
    static bool may_send();
    void button_record(int32_t flags, int client_x, int client_y);
    int moves_ = 0;
};

// The sharer's side: the share view's window messages of 61-69, 211 and 251.
class RemoteReplay {
public:
    struct Target {
        virtual ~Target() = default;
        virtual bool move_pointer(int x, int y) = 0;
        virtual bool button(int button, bool press) = 0;
        virtual bool key(unsigned long keysym, bool press) = 0;
    };
    // XTest on the process's display unless a test gives its own.
    explicit RemoteReplay(Target* target = nullptr);

    // Where the shared window stands (left, top) while a window is shared.
    void set_shared_window(std::function<bool(int& left, int& top)> where) { shared_window_ = std::move(where); }

    void desk_move(int x, int y);
    void desk_button(bool down);
    void desk_double_click(int x, int y);
    void desk_key(int virtual_key, int key_flags);
    void app_move(int x, int y);
    void app_button(int x, int y, bool down);
    void app_double_click(int x, int y);
    void app_key(int wparam, int lparam);
    // 69; false (and a log line) for a record that is cut short or of an unknown kind or key.
    bool key_input(const char* body, int len);

    int remote_x() const { return remote_x_; }
    int remote_y() const { return remote_y_; }

private:
    static bool sharing();
    bool window_origin(int& left, int& top) const;
    void click_twice();
    void press_and_release(int virtual_key, const char* from);

    Target* target_;
    std::function<bool(int&, int&)> shared_window_;
    int remote_x_ = 0;
    int remote_y_ = 0;
};
