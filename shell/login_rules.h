#pragma once
// The login dialog's checks and remembered fields, and what the main frame
// does with the server's answer to a login, without the windows. Lengths
// are bytes, as they travel in the login message.

#include <optional>
#include <string>

inline constexpr size_t login_name_limit = 31;
inline constexpr size_t auth_code_limit = 30;
inline constexpr size_t remembered_text_limit = 127;
inline constexpr size_t auto_join_text_limit = 63;

enum class LoginField { name, code };

struct LoginRefusal {
    std::string text;   // English source of the message
    LoginField field;   // where the focus goes
    bool empty_field;   // the field is emptied
};

// The OK checks in their order; nothing when the fields may go.
std::optional<LoginRefusal> check_login_fields(const std::string& name, const std::string& code);

struct LoginMemory {
    bool remember_name = false;
    std::string name;
    bool remember_code = false;
    std::string code;
};
LoginMemory read_login_memory();
void store_login_memory(const LoginMemory& memory);

// The Login command after OK: the session keeps name and code (31 each) and
// the login goes out. 0, or -1 when the builder refused.
int send_login_from_dialog(const std::string& name, const std::string& code);

// The main frame after the server accepted the login.
struct LoginSuccess {
    std::string caption;       // "%s: You are logged in as %s"
    bool show_success = true;  // "Login success."
    bool stop = false;         // the main receive thread joins a room itself
    bool auto_join = false;    // sent a join to the saved room
    bool open_room_dialog = false;
};
// Clears the login-quietly and skip-auto-join flags as it reads them; sends
// the saved room's join when auto-join is on.
LoginSuccess after_login_success();

// The server refused the login: the session forgets the automatic login.
void after_login_failed();

// The server says this client is not logged in: the session ends its room.
void after_not_logged_in();
