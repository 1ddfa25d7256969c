#include "skin/list_rules.h"

#include "core/global_state.h"

#include <algorithm>

RosterRowState roster_row_state(int customer_id, int zoomed_id, int partner_id)
{
    RosterRowState row;
    for (const customer_info_record& r : customer_info)
        if (r.in_use && r.customer_id == customer_id) {
            row.has_info = true;
            row.flags = r.flags;
            break;
        }
    for (const customer_view_record& v : customer_view)
        if (v.in_use && v.customer_id == customer_id) {
            row.shows_video = v.show_video != 0;
            break;
        }
    row.zoomed = zoomed_id != -1 && customer_id == zoomed_id;
    row.voice_partner = partner_id != -1 && customer_id == partner_id;
    return row;
}

std::vector<RosterBar> roster_bars(int column, const RosterRowState& row)
{
    constexpr COLORREF red = 0x0000ff;
    constexpr COLORREF green = 0x00ff00;
    constexpr COLORREF yellow = 0x00e0e0;
    constexpr COLORREF blue = 0xff0000;
    constexpr COLORREF cyan = 0xffff00;
    constexpr COLORREF magenta = 0xff00ff;
    std::vector<RosterBar> bars;
    const bool hand = (row.flags & 4) != 0;
    const bool talking = (row.flags & 8) != 0;
    switch (column) {
    case 0:
        if (row.flags & 1)
            bars.push_back({ 0, 2, red });
        if (row.flags & 2)
            bars.push_back({ 5, 2, green });
        if (hand)
            bars.push_back({ 10, 2, yellow });
        if (talking)
            bars.push_back({ 20, 2, blue });
        if (row.shows_video)
            bars.push_back({ 25, row.zoomed ? 5 : 2, cyan });
        if (row.voice_partner)
            bars.push_back({ 15, 2, magenta });
        break;
    case 1:
        if (hand)
            bars.push_back({ 1, 1, yellow });
        break;
    case 2:
        if (row.voice_partner)
            bars.push_back({ 1, 1, magenta });
        break;
    case 3:
        if (talking)
            bars.push_back({ 1, 1, blue });
        break;
    case 4:
        if (row.shows_video)
            bars.push_back({ 1, 1, cyan });
        break;
    default: break;
    }
    return bars;
}

int roster_text_indent_px(int column, bool with_icon)
{
    if (column != 0)
        return 5;
    return with_icon ? roster_icon_indent_px + roster_icon_size_px + 2 : roster_icon_indent_px;
}

std::optional<int> list_bar_click_position(ListBarPart part, int position, int page, int min, int max)
{
    int wanted = position;
    switch (part) {
    case ListBarPart::left_arrow: wanted = position - list_bar_arrow_step_px; break;
    case ListBarPart::right_arrow: wanted = position + list_bar_arrow_step_px; break;
    case ListBarPart::track_left: wanted = position - page; break;
    case ListBarPart::track_right: wanted = position + page; break;
    case ListBarPart::thumb:
    case ListBarPart::none: return std::nullopt;
    }
    if (max < min)
        return min;
    return std::clamp(wanted, min, max);
}

int roster_row_image(int32_t flags)
{
    if (flags & 1)
        return 2;
    if (flags & 2)
        return 1;
    return 0;
}
