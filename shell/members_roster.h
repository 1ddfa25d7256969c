#pragma once
// The members page without its window: the roster's rows as the server's
// member records (112, 113) and member states (424) make them, the attendee
// tables the page fills (customer_info, customer_view), the display choices
// (show or hide a member's video, zoom one person), private voice chat, and
// which of the page's actions each role may take. The page only shows this.
//
// Rows are kept in the list's order: a new member is inserted first.

#include <array>
#include <deque>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Member flags: bit 0 and bit 1 pick the row's picture, bit 2 hand raised, bit 3 talking.
inline constexpr int32_t member_flag_bit_chairman = 1;
inline constexpr int32_t member_flag_bit_presenter = 2;
inline constexpr int32_t member_flag_bit_hand = 4;
inline constexpr int32_t member_flag_bit_talking = 8;
inline constexpr int32_t member_flag_bits = 15;

inline constexpr size_t member_record_limit = 127;  // name, NUL, four characters of id
inline constexpr size_t roster_name_limit = 63;     // in the attendee tables

// The roster's sub-item texts (English sources; the page translates them).
inline constexpr const char* roster_text_hand = "Hand Raised";
inline constexpr const char* roster_text_voice = "Private Voice Chat To";
inline constexpr const char* roster_text_talking = "Talking";
inline constexpr const char* roster_text_show = "Show";
inline constexpr const char* roster_text_not_show = "Not Show";

struct MemberRecord {
    std::string name;
    int customer_id = 0;
};

// Reads a member record: the name up to its NUL, then four characters
// holding the id in decimal. An id that cannot be read (none, not a number,
// or a record past 127 bytes, whose name is then its first 127) reads as -1
// with a log line; nothing only for a null record.
std::optional<MemberRecord> parse_member_record(const char* record, size_t length);

struct RosterRow {
    std::string name;
    int customer_id = 0;
    int image = 0;
    // Sub-items 1 to 4; an empty one is nullptr.
    std::array<const char*, 4> sub {};
    int32_t flags = 0;  // as last received for this row
};

class MembersRoster {
public:
    // Newest first; a deque, so a member who comes in costs the same in any room.
    const std::deque<RosterRow>& rows() const { return rows_; }
    int row_of(int customer_id) const;

    // Empties the list and resets the 100 attendee records.
    void clear();
    // A member record: a new row first, its attendee record in the first free
    // slot (none free: the row stays without one). Flags outside their four
    // bits are logged and dropped. Returns false only for a null record.
    bool add_member(const char* record, size_t length, int32_t flags);
    bool add_member(const MemberRecord& member, int32_t flags);
    // A member state: the flags of every attendee record of the id, the
    // row's picture and sub-items 1 to 3. -1 when no row has the id, else the row.
    int update_member(int customer_id, int32_t flags);

    // Video display: a member's row "Show" or "Not Show" and its display record.
    void show_video(int row, bool show);
    void show_all_video();
    void hide_all_video();

    // Zoom one person (the page's "Zoom"): every other row "Not Show", the
    // selected one "Show", the zoomed member set. True when it must go to all
    // (presenter in push mode).
    bool zoom(int row, bool presenter, bool push_mode);
    // As the presenter told (710): the row of the id shown, all others not.
    void zoom_told(int customer_id);
    // Undo the zoom; true when it must go to all.
    bool restore_zoom(bool presenter, bool push_mode);

    // Private voice chat with the member of a row: the partner's rows read
    // "Private Voice Chat To". end_private_voice clears the partner's rows.
    void begin_private_voice(int customer_id);
    void end_private_voice();

private:
    void set_voice_texts();
    void set_show_texts_from_view();
    std::deque<RosterRow> rows_;
    bool table_full_logged_ = false;
};

// The sub-items 1 to 3 a row shows for its flags and whether it is this
// client's private-voice partner.
std::array<const char*, 3> roster_state_texts(int32_t flags, bool voice_partner);
// The picture of a row: 2 for bit 0, else 1 for bit 1, else 0.
int roster_image_for(int32_t flags);

// The display record of a member: by name among records in use, else the
// first free record, which takes the name, id and in-use 1. -1 when all 100
// are taken.
int customer_view_record_for(std::string_view name, int customer_id);
// Whether this client shows the member's video: its display record (by name,
// in use) says so, or it has none.
bool customer_view_shows(std::string_view name);
void customer_view_clear_all();

// The page's actions and the rules they follow before anything is sent.
enum class MembersAction {
    refresh,
    boost,
    set_password,
    show_rooms,
    leave,
    start_meeting,
    stop_meeting,
    private_chat,
    raise_hand,
    private_voice,
    allow_talk,
    room_options,
    invite,
    request_chairman,
    request_presenter,
    set_chairman_password,
    show_video,
    hide_video,
    set_presenter,
    remove_presenter,
    zoom,
    restore,
};

// The meeting state the rules read.
struct MembersSession {
    bool logged_in = false;
    int room_number = -1;
    bool chairman = false;
    bool presenter = false;
    bool chairman_control = false;
    bool meeting_started = false;
    bool hand_raised = false;
    bool private_voice = false;
    bool push_mode = false;
    bool has_selection = false;
};

// The refusal the page shows for an action, nullptr when it may go on. The
// texts are the page's own (English sources).
const char* members_refusal(MembersAction action, const MembersSession& session);

// The buttons whose state follows the meeting.
struct MembersButtons {
    bool start_meeting_enabled = true;
    bool stop_meeting_enabled = false;
    const char* hand_text = "Raise Hand";
    const char* voice_text = "Private Voice Chat";
    const char* voice_menu_text = "Private Voice Chat";
    const char* chairman_text = "Request Chairman";
    const char* presenter_text = "Request Presenter";
};
MembersButtons members_buttons(const MembersSession& session);

// Label 1025: "%s %s" of the room name and "(Started)", "(Stopped)" or
// "(unknown)" by the meeting-started value; the words in the user's language.
std::string members_room_label(std::string_view room_name, int meeting_started);

// The page's questions and notices.
inline constexpr const char* private_voice_question =
    "Private voice chat will allow your voice only be heard by the person you selected, and you can not talk "
    "publicly before private chat ends. \nAre you sure to continue?";
inline constexpr const char* private_voice_request_question =
    "%s want a private voice chat with you, if you click Yes, Private voice chat will allow your voice only be heard "
    "by the person you selected, and you can not talk publicly before private chat ends. \nDo you want to continue?";
inline constexpr const char* kicked_out_text = "You are boosted from the meeting room.";
