#pragma once
// The pictures of each room's whiteboard slots, as the members uploaded
// them (board_picture_messages.cpp). The whiteboard family tells it what the
// room did to a slot through these calls, on the server's one thread.

class Room;

// 308 and 309 as relayed: kept for members who enter later.
void board_pictures_place(Room& room, int page, int slot, int x, int y);
void board_pictures_z_order(Room& room, int page, int slot, int z_order);
// 310: the slot's picture, its place and any upload into it are gone.
void board_pictures_delete(Room& room, int page, int slot);
// 14: the same for every slot of the page.
void board_pictures_clear(Room& room, int page);
