#pragma once
// The control family on the server: login, rooms, members, roles, hands,
// talk control, chat, the rest room, the server list and the versions. The
// rules live in ControlRooms; this file ties them to the server core.

#include "server/control_rooms.h"

class MessageTable;

// The configuration the family starts with (read from --config by main);
// without a call it serves one open room "Lobby".
void set_control_config(ControlConfig config);
const ControlConfig& control_config();

class ServerCore;
// What other families ask of the meeting rules.
bool control_client_logged_in(ServerCore& server, int customer_id);
bool control_client_is_chairman(ServerCore& server, int customer_id);
bool control_client_is_presenter(ServerCore& server, int customer_id);
// The room the client is in is in chairman control mode.
bool control_client_in_chairman_control(ServerCore& server, int customer_id);
// The login name, empty when the client is not logged in.
std::string control_client_name(ServerCore& server, int customer_id);
