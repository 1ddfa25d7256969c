#pragma once
// What other families may ask of the room's files (file_share_messages.cpp):
// whether a file is there whole, whether a member's upload of it is under
// way, and a call when that upload ends.

#include <functional>
#include <string_view>

class Client;
class Room;

// The room lists a whole file of that name.
bool file_area_has(Room& room, std::string_view name);
// The client's upload of that name into the room it is in is under way.
bool file_area_uploading(Client& client, std::string_view name);
// Runs fn once the client's upload under way ends: stored, or dropped
// (cancelled, refused, cut off, or the client or its file connection went).
// Nothing runs for a client that is destroyed meanwhile.
void file_area_when_upload_ends(Client& client, std::function<void(bool stored)> fn);
