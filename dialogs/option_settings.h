#pragma once
// What the option pages read and write, without their windows. Every value
// read back is checked; one outside its range (or not a number) reads as
// its default, so a page shows the default and its OK stores it.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// ---- "proxy" ---------------------------------------------------------------

inline constexpr int proxy_text_limit = 127;   // user name, password
inline constexpr int proxy_port_text_limit = 49;
inline constexpr int proxy_default_port = 1080;

struct ProxyOptions {
    bool use_proxy = false;
    uint32_t ip = 0;          // the first byte most significant
    bool ip_set = false;      // false: the address fields stay blank
    int port = proxy_default_port;
    int type = 2;             // proxy_type_socks5
    std::string user_name;
    std::string password;
};

// The type list in its order, each entry's name and stored value.
struct ProxyTypeEntry {
    const char* name;
    int value;
};
inline constexpr std::array<ProxyTypeEntry, 3> proxy_type_entries { {
    { "SOCKS5", 2 }, { "SOCKS4", 1 }, { "HTTP", 0 } } };
// The list entry of a stored type; 0 (the first) for an unknown one.
int proxy_type_index(int value);

ProxyOptions read_proxy_options();
// 0, or -1 when a value could not be stored.
int write_proxy_options(const ProxyOptions& options);
// The port the edit holds: 1..65535, else -1 (empty, not a number, out of range).
int proxy_port_from_text(std::string_view text);
// The port OK stores: the typed one; an empty edit while the proxy is off
// stores the default. -1: OK is refused with proxy_port_refusal.
int proxy_port_for_ok(std::string_view text, bool use_proxy);
inline constexpr const char* proxy_port_refusal = "The proxy port must be a number from 1 to 65535.";

// ---- "video" ---------------------------------------------------------------

struct VideoOptions {
    int video_quality = 50;          // 50..100 in tens
    int video_frame_rate = 6;        // 2..9
    int desktop_share_quality = 50;  // 50..100 in tens
    int audio_quality = 0;           // 0 High, 1 Medium, 2 Low
};

VideoOptions read_video_options();
int write_video_options(const VideoOptions& options);
// Into the meeting state: what the next video frame, desktop tile and talk
// block use (the frame interval is 10 minus the rate).
void apply_video_options(const VideoOptions& options);
// The audio quality list, by value.
inline constexpr std::array<const char*, 3> audio_quality_names { "High", "Medium", "Low" };

// ---- "skin" ----------------------------------------------------------------

struct SkinOptions {
    int skin_index = 0;              // 0..6
    bool not_show_animation = false;
};

SkinOptions read_skin_options();
int write_skin_options(const SkinOptions& options);
// The no-animation flag and the current scheme.
void apply_skin_options(const SkinOptions& options);
