#pragma once
// The meeting link a web page hands the launcher:
// tamblo://launch?server_addr=H&server_port=P&server_name=N&meeting_room_name=R&c=C&mp=W
// with text, from_color, to_color and text_color ("r,g,b") beside them.
// Whatever a page puts in it, it never yields more than the one argument of
// tamblo: a link that breaks a rule is refused whole.

#include "launcher/quillet_ctrl.h"

#include <string>
#include <string_view>

inline constexpr size_t launch_link_limit = 4096;

// 0 with each parameter handed to its member of ctrl; -1 with ctrl untouched
// and refused naming the parameter (or the part of the link) at fault.
// Parameters the launcher does not know are logged and skipped.
int apply_launch_link(std::string_view link, CquilletCtrl& ctrl, std::string& refused);

// The message for a refused link: "The meeting link is not valid (<refused>)."
void show_refused_link(const std::string& refused);
