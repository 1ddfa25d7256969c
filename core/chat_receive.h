#pragma once
// Public chat lines as they arrive (41, and the chat reload 126/127), the
// history of the public chat since it was last emptied, and private chat
// lines (171). Every line carries its writer's style: five bytes red, green,
// blue, point size, effects behind a NUL at the end of the body.
//
// The receiver runs on the main receive thread (41), on the UI thread (the
// chat view's reload messages) and on the playback thread. It records the
// line (type 3), adds it to the history and sends WM_MY_MSG_CHAT_APPEND to
// the chat view with the line as wparam (a const ChatLine*, valid while the
// view handles it).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

// Effects bits of a chat style.
inline constexpr uint8_t chat_effect_bold = 1;
inline constexpr uint8_t chat_effect_italic = 2;
inline constexpr uint8_t chat_effect_underline = 4;
inline constexpr uint8_t chat_effect_strike_out = 8;

struct ChatStyle {
    uint8_t red = 0x40;
    uint8_t green = 0x40;
    uint8_t blue = 0xE0;
    uint8_t size = 10;  // points
    uint8_t effects = 0;
    bool operator==(const ChatStyle&) const = default;
};
inline constexpr ChatStyle chat_default_style {};
inline constexpr size_t chat_style_len = 5;

// The text of the current received line is kept to this many characters.
inline constexpr size_t chat_line_limit = 8191;
// A private line is copied to at most this many bytes.
inline constexpr size_t private_chat_line_limit = 4096;

struct ChatLine {
    std::string text;
    ChatStyle style;
};

// A received body: the text up to its first NUL (at most 8191 characters) and
// the five bytes at the end of the body as the style, when the text is
// followed by its NUL and five bytes at least; otherwise the default style.
ChatLine parse_chat_body(const char* body, size_t length);

// The growing history: a zero-filled buffer created at 20000 bytes on first
// use that grows by 20000 bytes at a time, never shrinks, and holds the
// texts of the lines one after the other.
class ChatHistory {
public:
    static constexpr size_t step_bytes = 20000;

    // Adds a body as received (its text ends at its first NUL). -1 when the
    // buffer could not be had (a message box says so); the line is then lost.
    int append(const char* body, size_t length);
    // First byte 0; the buffer is kept.
    void clear();
    std::string_view text() const { return std::string_view(buffer_.get(), length_); }
    size_t capacity() const { return capacity_; }

private:
    std::unique_ptr<char[]> buffer_;
    size_t capacity_ = 0;
    size_t length_ = 0;
};

// The program's one history, under its lock.
ChatHistory& chat_history();
std::mutex& chat_history_lock();

// Receive a public line: text pointer, length, quiet flag (1: the main frame
// is not told). Records, adds to the history, posts WM_MY_MSG_CHAT_TEXT to
// the main frame unless quiet, then sends WM_MY_MSG_CHAT_APPEND to the chat
// view. -1 when the history could not grow.
int receive_chat_text(const char* body, size_t length, int quiet);

// The main frame's 171: "writer:text", a NUL and the five style bytes.
struct PrivateChatLine {
    std::string partner;
    ChatLine line;
};
std::optional<PrivateChatLine> parse_private_chat_body(const char* body, size_t length);

// Plugs the receiver of 41 into the main receive dispatch.
void install_chat_receiver();
