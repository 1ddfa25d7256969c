#include "launcher/launch_link.h"

#include "core/dbg_log.h"
#include "core/http_util.h"
#include "core/message_box.h"
#include "core/text_util.h"

#include <array>
#include <charconv>
#include <functional>
#include <set>

namespace {

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// No control byte, and no ':', which separates the fields of tamblo's argument.
bool plain_value(std::string_view value)
{
    for (char c : value) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == ':')
            return false;
    }
    return is_valid_utf8(value);
}

bool parse_int(std::string_view text, int& value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool parse_port(std::string_view text, int& port)
{
    if (text.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    return parse_int(text, port) && port <= 65535;
}

bool parse_colour(std::string_view text, std::array<int, 3>& rgb)
{
    for (size_t i = 0; i < 3; ++i) {
        size_t comma = text.find(',');
        if ((i < 2) == (comma == std::string_view::npos))
            return false;
        if (!parse_int(text.substr(0, comma), rgb[i]))
            return false;
        text = i < 2 ? text.substr(comma + 1) : std::string_view();
    }
    return true;
}

// tamblo reads its argument after Qt has taken the options it knows, so the
// first field must never look like one.
bool plain_host(std::string_view host) { return !host.empty() && host.front() != '-'; }

using Setter = std::function<bool(CquilletCtrl&, const std::string&)>;

bool set_colour(const std::string& value, CquilletCtrl& ctrl, void (CquilletCtrl::*setter)(int, int, int))
{
    std::array<int, 3> rgb {};
    if (!parse_colour(value, rgb))
        return false;
    (ctrl.*setter)(rgb[0], rgb[1], rgb[2]);
    return true;
}

struct Parameter {
    const char* name;
    Setter apply;
};

const std::array<Parameter, 10>& parameters()
{
    static const std::array<Parameter, 10> table { {
        { "server_addr",
          [](CquilletCtrl& ctrl, const std::string& v) { return plain_host(v) && (ctrl.server_addr(v), true); } },
        { "server_port",
          [](CquilletCtrl& ctrl, const std::string& v) {
              int port = 0;
              return parse_port(v, port) && (ctrl.server_port(port), true);
          } },
        { "server_name", [](CquilletCtrl& ctrl, const std::string& v) { return ctrl.server_name(v), true; } },
        { "meeting_room_name",
          [](CquilletCtrl& ctrl, const std::string& v) { return ctrl.meeting_room_name(v), true; } },
        // The page already wrapped the code in the fillers tamblo drops.
        { "c", [](CquilletCtrl& ctrl, const std::string& v) { return ctrl.c(v), true; } },
        { "mp", [](CquilletCtrl& ctrl, const std::string& v) { return ctrl.set_mp(v), true; } },
        { "text", [](CquilletCtrl& ctrl, const std::string& v) { return ctrl.set_text(v), true; } },
        { "from_color",
          [](CquilletCtrl& ctrl, const std::string& v) { return set_colour(v, ctrl, &CquilletCtrl::set_from_color); } },
        { "to_color",
          [](CquilletCtrl& ctrl, const std::string& v) { return set_colour(v, ctrl, &CquilletCtrl::set_to_color); } },
        { "text_color",
          [](CquilletCtrl& ctrl, const std::string& v) { return set_colour(v, ctrl, &CquilletCtrl::set_text_color); } },
    } };
    return table;
}

const Parameter* find_parameter(std::string_view name)
{
    for (const Parameter& p : parameters())
        if (name == p.name)
            return &p;
    return nullptr;
}

// What a refusal names: never more than a short, printable piece of the
// link, and never nothing.
std::string shown_name(std::string_view name)
{
    if (name.empty())
        return "query";
    std::string shown;
    for (char c : name.substr(0, 40))
        shown += static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f ? '?' : c;
    return shown;
}

int refuse(std::string& refused, std::string what)
{
    refused = std::move(what);
    return -1;
}

} // namespace

int apply_launch_link(std::string_view link, CquilletCtrl& ctrl, std::string& refused)
{
    refused.clear();
    if (link.size() > launch_link_limit)
        return refuse(refused, "length");
    size_t colon = link.find(':');
    if (colon == std::string_view::npos || !same_ignoring_case(link.substr(0, colon), "tamblo"))
        return refuse(refused, "scheme");
    if (link.find('#') != std::string_view::npos)
        return refuse(refused, "fragment");
    std::string_view rest = link.substr(colon + 1);
    if (rest.substr(0, 2) != "//")
        return refuse(refused, "launch");
    rest.remove_prefix(2);
    size_t query_at = rest.find('?');
    std::string_view place = rest.substr(0, query_at);
    std::string_view query = query_at == std::string_view::npos ? std::string_view() : rest.substr(query_at + 1);
    // Browsers may add a slash after the authority.
    if (!place.empty() && place.back() == '/')
        place.remove_suffix(1);
    if (!same_ignoring_case(place, "launch"))
        return refuse(refused, "launch");

    CquilletCtrl taken = ctrl;
    std::set<std::string, std::less<>> seen;
    while (!query.empty()) {
        size_t amp = query.find('&');
        std::string_view field = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (field.empty())
            continue;
        size_t eq = field.find('=');
        std::string_view name = field.substr(0, eq);
        if (eq == std::string_view::npos)
            return refuse(refused, shown_name(name));
        if (!seen.insert(std::string(name)).second)
            return refuse(refused, shown_name(name));
        const Parameter* parameter = find_parameter(name);
        if (!parameter) {
            dbg_log("apply_launch_link: unknown parameter %s skipped.\n", shown_name(name).c_str());
            continue;
        }
        std::string value;
        if (!url_decode(field.substr(eq + 1), value) || !plain_value(value) || !parameter->apply(taken, value))
            return refuse(refused, parameter->name);
    }
    ctrl = taken;
    return 0;
}

void show_refused_link(const std::string& refused)
{
    message_box_printf("The meeting link is not valid (%s).", refused.c_str());
}
