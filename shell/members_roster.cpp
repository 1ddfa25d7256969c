#include "shell/members_roster.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "media/voice_state.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

std::string_view field_text(const std::array<char, 64>& field) { return std::string_view(field.data(), std::strlen(field.data())); }

bool same_name(const customer_view_record& r, std::string_view name)
{
    return r.in_use != 0 && field_text(r.name) == cut_copy(name, roster_name_limit);
}

} // namespace

std::optional<MemberRecord> parse_member_record(const char* record, size_t length)
{
    if (!record)
        return std::nullopt;
    // A member whose id cannot be read is still listed, with id -1: the
    // room has it, though no state message will find its row.
    if (length > member_record_limit) {
        dbg_log("member record of %zu bytes, longer than %zu, in parse_member_record.\n", length, member_record_limit);
        std::string_view cut(record, member_record_limit);
        return MemberRecord { std::string(cut.substr(0, cut.find('\0'))), -1 };
    }
    std::string_view all(record, length);
    size_t nul = all.find('\0');
    if (nul == std::string_view::npos) {
        dbg_log("member record without its id in parse_member_record.\n");
        return MemberRecord { std::string(all), -1 };
    }
    // The four characters behind the name's NUL, as a terminated string.
    std::string id_text(all.substr(nul + 1, 4));
    id_text = id_text.substr(0, id_text.find('\0'));
    int id = 0;
    char rest = 0;
    if (std::sscanf(id_text.c_str(), "%d%c", &id, &rest) != 1) {
        dbg_log("member id \"%s\" not a number in parse_member_record.\n", id_text.c_str());
        id = -1;
    }
    return MemberRecord { std::string(all.substr(0, nul)), id };
}

int roster_image_for(int32_t flags)
{
    if (flags & member_flag_bit_chairman)
        return 2;
    if (flags & member_flag_bit_presenter)
        return 1;
    return 0;
}

std::array<const char*, 3> roster_state_texts(int32_t flags, bool voice_partner)
{
    return { (flags & member_flag_bit_hand) ? roster_text_hand : nullptr, voice_partner ? roster_text_voice : nullptr,
             (flags & member_flag_bit_talking) ? roster_text_talking : nullptr };
}

int customer_view_record_for(std::string_view name, int customer_id)
{
    for (size_t i = 0; i < customer_view.size(); ++i)
        if (same_name(customer_view[i], name))
            return static_cast<int>(i);
    for (size_t i = 0; i < customer_view.size(); ++i) {
        customer_view_record& r = customer_view[i];
        if (r.in_use == 0) {
            copy_to_field(r.name, cut_copy(name, roster_name_limit));
            r.customer_id = customer_id;
            r.in_use = 1;
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool customer_view_shows(std::string_view name)
{
    for (const customer_view_record& r : customer_view)
        if (same_name(r, name))
            return r.show_video != 0;
    return true;
}

void customer_view_clear_all()
{
    for (customer_view_record& r : customer_view) {
        r.in_use = 0;
        r.name.fill('\0');
        r.customer_id = 0;
        r.show_video = 0;
    }
}

int MembersRoster::row_of(int customer_id) const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].customer_id == customer_id)
            return static_cast<int>(i);
    return -1;
}

void MembersRoster::clear()
{
    rows_.clear();
    table_full_logged_ = false;
    for (int i = 0; i < customer_count; ++i)
        reset_user_slot(i);
}

bool MembersRoster::add_member(const char* record, size_t length, int32_t flags)
{
    std::optional<MemberRecord> member = parse_member_record(record, length);
    if (!member)
        return false;
    return add_member(*member, flags);
}

namespace {

int32_t known_flags(int32_t flags, const char* where)
{
    if ((flags & ~member_flag_bits) != 0) {
        dbg_log("member flags %d outside their bits in %s.\n", flags, where);
        flags &= member_flag_bits;
    }
    return flags;
}

} // namespace

bool MembersRoster::add_member(const MemberRecord& member, int32_t flags)
{
    flags = known_flags(flags, "MembersRoster::add_member");
    RosterRow row;
    row.name = member.name;
    row.customer_id = member.customer_id;
    row.image = roster_image_for(flags);
    row.flags = flags;
    std::array<const char*, 3> state = roster_state_texts(flags, member.customer_id == g_private_voice_partner_id.load());
    std::copy(state.begin(), state.end(), row.sub.begin());
    row.sub[3] = customer_view_shows(member.name) ? roster_text_show : roster_text_not_show;
    rows_.push_front(std::move(row));

    for (customer_info_record& r : customer_info) {
        if (r.in_use != 0)
            continue;
        r.customer_id = member.customer_id;
        copy_to_field(r.name, cut_copy(member.name, roster_name_limit));
        r.flags = flags;
        // Last: the application connection's thread reads a record once it is in use.
        std::atomic_ref<int32_t>(r.in_use).store(1, std::memory_order_release);
        return true;
    }
    // Once per filling of the list: a room past 100 would write a line per member.
    if (!table_full_logged_) {
        dbg_log("no free customer_info record for %s in MembersRoster::add_member.\n", member.name.c_str());
        table_full_logged_ = true;
    }
    return true;
}

int MembersRoster::update_member(int customer_id, int32_t flags)
{
    int index = row_of(customer_id);
    if (index < 0)
        return -1;
    flags = known_flags(flags, "MembersRoster::update_member");
    for (customer_info_record& r : customer_info)
        if (r.in_use != 0 && r.customer_id == customer_id)
            r.flags = flags;
    RosterRow& row = rows_[static_cast<size_t>(index)];
    row.flags = flags;
    // The picture follows the roles as the bars do, so a new chairman or
    // presenter shows at once rather than at the next refresh.
    row.image = roster_image_for(flags);
    std::array<const char*, 3> state = roster_state_texts(flags, customer_id == g_private_voice_partner_id.load());
    std::copy(state.begin(), state.end(), row.sub.begin());
    return index;
}

void MembersRoster::show_video(int row, bool show)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    RosterRow& r = rows_[static_cast<size_t>(row)];
    r.sub[3] = show ? roster_text_show : roster_text_not_show;
    int record = customer_view_record_for(r.name, r.customer_id);
    if (record < 0)
        return;
    customer_view[static_cast<size_t>(record)].customer_id = r.customer_id;
    customer_view[static_cast<size_t>(record)].show_video = show ? 1 : 0;
}

void MembersRoster::show_all_video()
{
    customer_view_clear_all();
    for (RosterRow& r : rows_)
        r.sub[3] = roster_text_show;
}

void MembersRoster::hide_all_video()
{
    customer_view_clear_all();
    for (size_t i = 0; i < rows_.size(); ++i) {
        RosterRow& r = rows_[i];
        if (i < customer_view.size()) {
            customer_view_record& v = customer_view[i];
            copy_to_field(v.name, cut_copy(r.name, roster_name_limit));
            v.customer_id = r.customer_id;
            v.in_use = 1;
            v.show_video = 0;
        }
        r.sub[3] = roster_text_not_show;
    }
}

bool MembersRoster::zoom(int row, bool presenter, bool push_mode)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return false;
    hide_all_video();
    int id = rows_[static_cast<size_t>(row)].customer_id;
    if (id < 0) {
        dbg_log("customer index %d <0 in OnMenuZoomOnePerson.\n", id);
        id = -1;
    }
    g_zoomed_customer_id = id;
    show_video(row, true);
    return presenter && push_mode;
}

void MembersRoster::zoom_told(int customer_id)
{
    hide_all_video();
    int row = row_of(customer_id);
    if (row >= 0)
        show_video(row, true);
    if (customer_id < 0) {
        dbg_log("show_customer_index %d <0 in OnMyMsgZoomOnePerson.\n", customer_id);
        customer_id = -1;
    }
    g_zoomed_customer_id = customer_id;
}

bool MembersRoster::restore_zoom(bool presenter, bool push_mode)
{
    g_zoomed_customer_id = -1;
    return presenter && push_mode;
}

void MembersRoster::set_voice_texts()
{
    int partner = g_private_voice_chat != 0 ? g_private_voice_partner_id.load() : -1;
    for (RosterRow& r : rows_)
        r.sub[1] = r.customer_id == partner && partner >= 0 ? roster_text_voice : nullptr;
}

void MembersRoster::begin_private_voice(int customer_id)
{
    g_private_voice_chat = 1;
    g_private_voice_partner_id = customer_id;
    set_voice_texts();
}

void MembersRoster::end_private_voice()
{
    g_private_voice_chat = 0;
    g_private_voice_partner_id = -1;
    set_voice_texts();
}

const char* members_refusal(MembersAction action, const MembersSession& s)
{
    const bool in_room = s.room_number >= 0;
    switch (action) {
    case MembersAction::boost:
        if (!s.chairman)
            return "Only Chairman can do this.";
        if (!s.has_selection)
            return "Please select a member to boost.";
        return nullptr;
    case MembersAction::set_password:
    case MembersAction::set_chairman_password:
        return in_room ? nullptr : "Please Join a meeting room before set passwd.";
    case MembersAction::start_meeting:
    case MembersAction::stop_meeting:
        if (!s.logged_in)
            return "Please login first.";
        if (!in_room)
            return "Please join a meeting room first.";
        if (action == MembersAction::stop_meeting && !s.chairman && s.chairman_control)
            return "Only Chairman could stop meeting. Please request chairman first.";
        return nullptr;
    case MembersAction::private_chat:
        return s.has_selection ? nullptr : "Please select a member to chat with.";
    case MembersAction::private_voice:
        // Ending a running private voice chat needs no selection.
        return s.private_voice || s.has_selection ? nullptr : "Please select a member to chat with.";
    case MembersAction::allow_talk:
        if (!s.chairman)
            return "Only Chairman can allow members to talk.";
        return s.has_selection ? nullptr : "Please choose a person.";
    case MembersAction::room_options:
        return s.chairman ? nullptr : "Only Chairman can do this.";
    case MembersAction::set_presenter:
    case MembersAction::remove_presenter:
        if (!s.chairman)
            return "Only Chairman can do this.";
        return s.has_selection ? nullptr : "Please choose a person.";
    case MembersAction::show_video:
    case MembersAction::hide_video:
    case MembersAction::zoom:
        return s.has_selection ? nullptr : "Please select a member.";
    case MembersAction::refresh:
    case MembersAction::show_rooms:
    case MembersAction::leave:
    case MembersAction::raise_hand:
    case MembersAction::invite:
    case MembersAction::request_chairman:
    case MembersAction::request_presenter:
    case MembersAction::restore:
        return nullptr;
    }
    return nullptr;
}

MembersButtons members_buttons(const MembersSession& s)
{
    MembersButtons b;
    b.start_meeting_enabled = !s.meeting_started;
    b.stop_meeting_enabled = s.meeting_started;
    b.hand_text = s.hand_raised ? "Lower Hand" : "Raise Hand";
    b.voice_text = s.private_voice ? "Stop PVoice Chat" : "Private Voice Chat";
    b.voice_menu_text = s.private_voice ? "Stop Private Voice Chat" : "Private Voice Chat";
    b.chairman_text = s.chairman ? "Giveup Chairman" : "Request Chairman";
    b.presenter_text = s.presenter ? "Giveup Presenter" : "Request Presenter";
    return b;
}

std::string members_room_label(std::string_view room_name, int meeting_started)
{
    std::string state;
    if (meeting_started == 0)
        state = format_text(tr_text("(%s)").c_str(), tr_text("Stopped").c_str());
    else if (meeting_started == 1)
        state = format_text(tr_text("(%s)").c_str(), tr_text("Started").c_str());
    else
        state = tr_text("(unknown)");
    return format_text(tr_text("%s %s").c_str(), std::string(room_name).c_str(), state.c_str());
}
