#pragma once
// The message families of the server. Each family lives in its own file and
// fills the message table through one install function declared here;
// install_server_families calls them all. A new family adds its declaration
// here and one call in server_families.cpp, nothing else.

class MessageTable;

// Fills the table with every family below.
void install_server_families(MessageTable& table);

// Remote control: 206/207 and 246/247 answered, input passed on only from the member who steers to the sharer (remote_input_messages.cpp).
void install_remote_input_messages(MessageTable& table);
// Joining a room by name, for servers with no room family (minimal_room_join.cpp).
void install_minimal_room_join(MessageTable& table);
// Login, rooms, members, roles, chat, rest room, server list and versions (control_messages.cpp).
void install_control_messages(MessageTable& table);
// The whiteboard: relays, each room's ten pages and the reload stream (board_messages.cpp).
void install_board_messages(MessageTable& table);
// The pictures of the whiteboard's slots: kept per room, offered, sent on request (board_picture_messages.cpp).
void install_board_picture_messages(MessageTable& table);
// The speed test's answers (net_speed_messages.cpp).
void install_net_speed_messages(MessageTable& table);
// The files in share and the clipboard offers (file_share_messages.cpp).
void install_file_share_messages(MessageTable& table);
// Talk blocks: the room's talk to the others, private voice to the partner (voice_messages.cpp).
void install_voice_messages(MessageTable& table);
// share_messages.cpp: who shares what in each room, 200-205 and 240-245
// answered, the sharer's 26, 27 and 279 passed on, a leaving sharer's share ended.
void install_share_messages(MessageTable& table);
// share_tiles.cpp: the share's tiles kept, announced, sent on request; counter lists for late joiners.
void install_share_tile_messages(MessageTable& table);
// Co-browsing: 730, 731, 570 and 571 to the sender's room (co_browse_messages.cpp).
void install_co_browse_messages(MessageTable& table);
// Video frames: each member's latest frame and key frame, sent to those who ask (video_messages.cpp).
void install_video_messages(MessageTable& table);
// Whole pictures of a share made from its tiles, sent to late joiners and
// re-identified viewers; a desktop picture's freshness by its difference
// (whole_picture_messages.cpp).
void install_whole_picture_messages(MessageTable& table);
// The members' pictures of --pictures: by name to a newcomer, by id to the others (member_pictures.cpp).
void install_member_picture_messages(MessageTable& table);
// Office documents: announcements of the room's files, the sharer's place and close, a leaving sharer's close (office_messages.cpp).
void install_office_messages(MessageTable& table);
