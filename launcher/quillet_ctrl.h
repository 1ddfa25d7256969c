#pragma once
// The web launcher's control: the meeting a web page names, the caption band
// it draws, and the one argument that starts tamblo with the meeting.
// Every text keeps its limit, cut at a character boundary.

#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t quillet_code_limit = 127;
inline constexpr size_t quillet_text_limit = 255;
inline constexpr size_t quillet_host_limit = 127;
inline constexpr size_t quillet_server_name_limit = 64;
inline constexpr size_t quillet_room_limit = 63;
inline constexpr size_t quillet_password_limit = 63;
inline constexpr size_t quillet_user_name_limit = 63;
inline constexpr int quillet_port_default = 8080;

struct RgbColor {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const RgbColor&) const = default;
};

class CquilletCtrl {
public:
    CquilletCtrl();

    // The properties: set with a value, read without.
    void c(std::string_view code);
    const std::string& c() const { return code_; }
    void server_addr(std::string_view host);
    const std::string& server_addr() const { return host_; }
    // 0..65535; the link refuses anything else before it gets here.
    void server_port(int port) { port_ = port; }
    int server_port() const { return port_; }
    void server_name(std::string_view name);
    const std::string& server_name() const { return server_name_; }
    void meeting_room_name(std::string_view room);
    const std::string& meeting_room_name() const { return room_; }

    void set_mp(std::string_view password);
    void set_text(std::string_view text);
    // Each component below 0 becomes 0, from 256 up 255.
    void set_from_color(int r, int g, int b);
    void set_to_color(int r, int g, int b);
    void set_text_color(int r, int g, int b);
    void set_user_name(std::string_view name);

    const std::string& mp() const { return password_; }
    const std::string& text() const { return text_; }
    const std::string& user_name() const { return user_name_; }
    RgbColor from_color() const { return from_; }
    RgbColor to_color() const { return to_; }
    RgbColor text_color() const { return text_colour_; }

    // "host:server name:port:room:code:user name:room password", tamblo's one argument.
    std::string launch_argument() const;

private:
    std::string code_;
    std::string text_;
    std::string host_;
    std::string server_name_ = "Default";
    std::string room_ = "Beijing";
    std::string password_;
    std::string user_name_ = "Guest";
    int port_ = quillet_port_default;
    RgbColor from_ { 255, 255, 255 };
    RgbColor to_ { 255, 255, 255 };
    RgbColor text_colour_ { 0, 0, 0 };
};

// The colour of each line of a caption band rows high: rows lines that step
// from from toward to, then the line at the bottom edge in to. Empty for 0 rows.
std::vector<RgbColor> caption_gradient(RgbColor from, RgbColor to, int rows);
// How far the caption moves down from the band's top to stand in its middle.
int caption_text_offset(int band_height, int text_height);
