#include "shell/room_rules.h"

#include "core/control_messages.h"
#include "core/settings.h"
#include "core/text_util.h"

AtomicInt g_created_room_count { 0 };

std::string create_room_refusal(const std::string& name)
{
    if (name.empty())
        return "Meeting room name should not be blank.";
    if (name.find(':') != std::string::npos)
        return "Meeting room name should not contain ':'.";
    if (g_created_room_count >= created_rooms_limit)
        return "Sorry, you can only create three meeting rooms in a session.";
    return {};
}

int create_room(const std::string& name)
{
    if (send_create_meeting_room(cut_copy(name, room_name_limit)) != 0)
        return -1;
    ++g_created_room_count;
    return 0;
}

int join_room(const std::string& room, const std::string& password, bool write_auto_join)
{
    std::string kept_password = cut_copy(password, room_password_limit);
    g_room_password.set(kept_password);
    g_room_name.set(cut_copy(room, room_name_limit));
    if (write_auto_join) {
        reg_write("general", "auto_join_meeting_room", g_room_name.get());
        reg_write("general", "auto_join_passwd", kept_password);
    }
    return send_join_meeting_room(g_room_name.get(), kept_password);
}

bool auto_join_checked()
{
    int on = 0;
    reg_read_int("general", "auto_join", on);
    return on == 1;
}

void store_auto_join(bool checked) { reg_write_int("general", "auto_join", checked ? 1 : 0); }

std::string room_list_name(const char* body, intptr_t len)
{
    if (!body || len <= 0)
        return {};
    return cut_copy(body_text(body, static_cast<int>(len)), room_name_limit);
}

std::optional<PasswordRefusal> check_password_change(const std::string& old_password, const std::string& new_password,
                                                     const std::string& retyped)
{
    if (old_password.size() > room_password_limit)
        return PasswordRefusal { "The max length of the old passwd is 16.", false, false, PasswordField::old_password };
    if (old_password.find(':') != std::string::npos)
        return PasswordRefusal { "old passwd can not contain ':'.", false, false, PasswordField::old_password };
    if (new_password != retyped)
        return PasswordRefusal { "New passwd not match, please retype.", false, true, PasswordField::new_password };
    if (new_password.size() > room_password_limit)
        return PasswordRefusal { "The max length of the new passwd is 16.", false, false, PasswordField::new_password };
    if (new_password.find(':') != std::string::npos)
        return PasswordRefusal { "New passwd can not contain ':'.", false, false, PasswordField::new_password };
    return std::nullopt;
}
