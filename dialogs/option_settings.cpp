#include "dialogs/option_settings.h"

#include "core/global_state.h"
#include "core/settings.h"
#include "platform/sys/registry_store.h"
#include "skin/ip_address.h"
#include "skin/skin_table.h"

#include <charconv>

namespace {

// The whole text as a decimal number (an optional sign, digits, nothing
// else); nothing for an empty, damaged or too large one.
bool parse_whole_number(std::string_view text, long long& out)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

// A stored integer inside [low, high]; the default otherwise.
int read_checked(const char* section, const char* name, int low, int high, int default_value)
{
    std::string text;
    reg_read(section, name, text, 20);
    long long v = 0;
    if (!parse_whole_number(text, v) || v < low || v > high)
        return default_value;
    return static_cast<int>(v);
}

int write_int(const char* section, const char* name, int value)
{
    return settings_store().write(section, name, std::to_string(value)) == platform::StoreResult::ok ? 0 : -1;
}

int write_text(const char* section, const char* name, const std::string& text, size_t limit)
{
    return settings_store().write(section, name, text.substr(0, limit)) == platform::StoreResult::ok ? 0 : -1;
}

} // namespace

int proxy_type_index(int value)
{
    for (size_t i = 0; i < proxy_type_entries.size(); ++i) {
        if (proxy_type_entries[i].value == value)
            return static_cast<int>(i);
    }
    return 0;
}

ProxyOptions read_proxy_options()
{
    ProxyOptions o;
    o.use_proxy = read_checked("proxy", "use_proxy", 0, 1, 0) == 1;
    std::string ip;
    reg_read("proxy", "proxy_ip", ip, 20);
    if (std::optional<uint32_t> packed = ip_address_from_setting(ip)) {
        o.ip = *packed;
        o.ip_set = true;
    }
    o.port = read_checked("proxy", "proxy_port", 1, 65535, proxy_default_port);
    int type = read_checked("proxy", "proxy_type", 0, 2, proxy_type_entries[0].value);
    o.type = proxy_type_entries[static_cast<size_t>(proxy_type_index(type))].value;
    reg_read("proxy", "proxy_user_name", o.user_name, proxy_text_limit + 1);
    reg_read("proxy", "proxy_password", o.password, proxy_text_limit + 1);
    return o;
}

int write_proxy_options(const ProxyOptions& o)
{
    int rc = 0;
    rc |= write_int("proxy", "use_proxy", o.use_proxy ? 1 : 0);
    rc |= write_int("proxy", "proxy_port", o.port);
    // Stored signed, as the connection reads it back.
    rc |= write_int("proxy", "proxy_ip", static_cast<int32_t>(o.ip));
    rc |= write_text("proxy", "proxy_user_name", o.user_name, proxy_text_limit);
    rc |= write_text("proxy", "proxy_password", o.password, proxy_text_limit);
    rc |= write_int("proxy", "proxy_type", o.type);
    return rc;
}

int proxy_port_from_text(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    long long v = 0;
    if (text.size() > proxy_port_text_limit || !parse_whole_number(text, v) || v < 1 || v > 65535)
        return -1;
    return static_cast<int>(v);
}

int proxy_port_for_ok(std::string_view text, bool use_proxy)
{
    int port = proxy_port_from_text(text);
    if (port > 0)
        return port;
    if (!use_proxy && text.find_first_not_of(' ') == std::string_view::npos)
        return proxy_default_port;
    return -1;
}

VideoOptions read_video_options()
{
    VideoOptions o;
    o.video_quality = video_quality_or_default(read_checked("video", "video_quality", 50, 100, 50));
    o.video_frame_rate = read_checked("video", "video_frame_rate", 2, 9, 6);
    o.desktop_share_quality = video_quality_or_default(read_checked("video", "desktop_share_quality", 50, 100, 50));
    o.audio_quality = read_checked("video", "audio_quality", 0, 2, 0);
    return o;
}

int write_video_options(const VideoOptions& o)
{
    int rc = 0;
    rc |= write_int("video", "video_quality", o.video_quality);
    rc |= write_int("video", "video_frame_rate", o.video_frame_rate);
    rc |= write_int("video", "desktop_share_quality", o.desktop_share_quality);
    rc |= write_int("video", "audio_quality", o.audio_quality);
    return rc;
}

void apply_video_options(const VideoOptions& o)
{
    g_video_quality = video_quality_or_default(o.video_quality);
    g_video_frame_rate = 10 - video_frame_rate_or_default(o.video_frame_rate);
    g_desktop_share_quality = video_quality_or_default(o.desktop_share_quality);
    g_audio_quality = audio_quality_or_default(o.audio_quality);
}

SkinOptions read_skin_options()
{
    SkinOptions o;
    o.skin_index = read_checked("skin", "skin_index", 0, skin_filled_count - 1, 0);
    o.not_show_animation = read_checked("skin", "skin_not_show_animation", 0, 1, 0) == 1;
    return o;
}

int write_skin_options(const SkinOptions& o)
{
    int rc = 0;
    rc |= write_int("skin", "skin_index", o.skin_index);
    rc |= write_int("skin", "skin_not_show_animation", o.not_show_animation ? 1 : 0);
    return rc;
}

void apply_skin_options(const SkinOptions& o)
{
    g_skin_not_show_animation = o.not_show_animation ? 1 : 0;
    if (o.skin_index >= 0 && o.skin_index < skin_filled_count)
        skin_table().select_skin(o.skin_index);
}
