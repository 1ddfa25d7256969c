#include "shell/login_rules.h"

#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "core/ui_text.h"

namespace {

bool all_blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

} // namespace

std::optional<LoginRefusal> check_login_fields(const std::string& name, const std::string& code)
{
    if (name.size() > login_name_limit)
        return LoginRefusal { "Login name too long, please less than 31 chars.", LoginField::name, true };
    if (code.size() > auth_code_limit)
        return LoginRefusal { "Auth code too long, please less than 30 chars.", LoginField::code, true };
    if (name.find(':') != std::string::npos)
        return LoginRefusal { "Login name should not contain ':'", LoginField::name, true };
    if (code.find(':') != std::string::npos)
        return LoginRefusal { "Auth code should not contain ':'.", LoginField::code, true };
    if (all_blank(name))
        return LoginRefusal { "Login Name should not be all blank.", LoginField::name, false };
    return std::nullopt;
}

LoginMemory read_login_memory()
{
    LoginMemory memory;
    int remember = 0;
    reg_read_int("general", "remember_login_name", remember);
    if (remember == 1) {
        memory.remember_name = true;
        reg_read("general", "remembered_login_name", memory.name, remembered_text_limit + 1);
    }
    remember = 0;
    reg_read_int("general", "remember_auth_code", remember);
    if (remember == 1) {
        memory.remember_code = true;
        reg_read("general", "remembered_auth_code", memory.code, remembered_text_limit + 1);
    }
    return memory;
}

void store_login_memory(const LoginMemory& memory)
{
    reg_write_int("general", "remember_login_name", memory.remember_name ? 1 : 0);
    if (memory.remember_name)
        reg_write("general", "remembered_login_name", memory.name);
    reg_write_int("general", "remember_auth_code", memory.remember_code ? 1 : 0);
    if (memory.remember_code)
        reg_write("general", "remembered_auth_code", memory.code);
}

int send_login_from_dialog(const std::string& name, const std::string& code)
{
    g_login_name.set(cut_copy(name, login_name_limit));
    g_access_code.set(cut_copy(code, login_name_limit));
    return send_login(g_login_name.get(), g_access_code.get());
}

LoginSuccess after_login_success()
{
    LoginSuccess result;
    result.caption = format_text(tr_text("%s: You are logged in as %s").c_str(), g_server_display_name.get().c_str(),
                                 g_login_name.get().c_str());
    result.show_success = g_login_pending.exchange(0) == 0;
    if (g_join_pending.exchange(0) != 0) {
        result.stop = true;
        return result;
    }
    int auto_join = 0;
    reg_read_int("general", "auto_join", auto_join);
    if (auto_join == 1) {
        std::string room;
        std::string password;
        reg_read("general", "auto_join_meeting_room", room, auto_join_text_limit + 1);
        reg_read("general", "auto_join_passwd", password, auto_join_text_limit + 1);
        send_join_meeting_room(room, password);
        // The password too: a Reconnect joins this room again with both.
        g_room_name.set(room);
        g_room_password.set(password);
        result.auto_join = true;
        return result;
    }
    result.open_room_dialog = true;
    return result;
}

void after_login_failed()
{
    // The automatic login was refused: the next one is the user's, with its box.
    g_login_pending = 0;
    g_join_pending = 0;
}

void after_not_logged_in()
{
    g_logged_in = 0;
    g_room_number = -1;
    g_meeting_started = 0;
    g_current_room_name.clear();
}
