#include "launcher/quillet_ctrl.h"

#include "core/build_config.h"
#include "core/text_util.h"

#include <algorithm>

namespace {

RgbColor clamped(int r, int g, int b)
{
    return { std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255) };
}

// One step of the band: what is left to go, shared out over the rows left.
int step_toward(int value, int target, int rows_left) { return value + (target - value) / rows_left; }

} // namespace

CquilletCtrl::CquilletCtrl() : host_(cut_copy(TAMBLO_SERVER_1_HOST, quillet_host_limit)) {}

void CquilletCtrl::c(std::string_view code) { code_ = cut_copy(code, quillet_code_limit); }
void CquilletCtrl::server_addr(std::string_view host) { host_ = cut_copy(host, quillet_host_limit); }
void CquilletCtrl::server_name(std::string_view name) { server_name_ = cut_copy(name, quillet_server_name_limit); }
void CquilletCtrl::meeting_room_name(std::string_view room) { room_ = cut_copy(room, quillet_room_limit); }
void CquilletCtrl::set_mp(std::string_view password) { password_ = cut_copy(password, quillet_password_limit); }
void CquilletCtrl::set_text(std::string_view text) { text_ = cut_copy(text, quillet_text_limit); }
void CquilletCtrl::set_user_name(std::string_view name) { user_name_ = cut_copy(name, quillet_user_name_limit); }
void CquilletCtrl::set_from_color(int r, int g, int b) { from_ = clamped(r, g, b); }
void CquilletCtrl::set_to_color(int r, int g, int b) { to_ = clamped(r, g, b); }
void CquilletCtrl::set_text_color(int r, int g, int b) { text_colour_ = clamped(r, g, b); }

std::string CquilletCtrl::launch_argument() const
{
    return format_text("%s:%s:%d:%s:%s:%s:%s", host_.c_str(), server_name_.c_str(), port_, room_.c_str(),
                       code_.c_str(), user_name_.c_str(), password_.c_str());
}

std::vector<RgbColor> caption_gradient(RgbColor from, RgbColor to, int rows)
{
    std::vector<RgbColor> lines;
    if (rows <= 0)
        return lines;
    lines.reserve(static_cast<size_t>(rows) + 1);
    RgbColor colour = from;
    for (int rows_left = rows; rows_left > 0; --rows_left) {
        lines.push_back(colour);
        colour = { step_toward(colour.r, to.r, rows_left), step_toward(colour.g, to.g, rows_left),
                   step_toward(colour.b, to.b, rows_left) };
    }
    lines.push_back(to);
    return lines;
}

int caption_text_offset(int band_height, int text_height) { return std::max(0, (band_height - text_height) / 2); }
