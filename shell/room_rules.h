#pragma once
// The meeting-room dialog's and the password dialogs' checks without the
// windows: creating and joining rooms, the auto-join settings, the one check
// both change-password dialogs share.

#include "core/global_state.h"

#include <cstdint>
#include <optional>
#include <string>

inline constexpr size_t room_name_limit = 63;
inline constexpr size_t room_password_limit = 16;
inline constexpr int created_rooms_limit = 3;

// Rooms created in this run of the program.
extern AtomicInt g_created_room_count;

// Create: the refusal's English text, or "" when the name may go (the
// caller then sends it and counts it with count_created_room).
std::string create_room_refusal(const std::string& name);
// Sends 100 with the name and counts it; -1 when the builder refused.
int create_room(const std::string& name);

// Join with the password dialog's text: the session keeps the room name and
// the password (16), the auto-join settings are written when asked, and 104 goes.
int join_room(const std::string& room, const std::string& password, bool write_auto_join);

bool auto_join_checked();
void store_auto_join(bool checked);

// A room list line as the dialog keeps it (the room table holds it too).
std::string room_list_name(const char* body, intptr_t len);

enum class PasswordField { old_password, new_password };
struct PasswordRefusal {
    std::string text;
    bool empty_old = false;
    bool empty_new = false;      // the new and the retyped fields
    PasswordField focus = PasswordField::old_password;
};
// The OK check of both change-password dialogs, in its order.
std::optional<PasswordRefusal> check_password_change(const std::string& old_password, const std::string& new_password,
                                                     const std::string& retyped);
