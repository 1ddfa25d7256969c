#pragma once
// The members' pictures (--pictures DIR): "<login name>.jpg" for each member
// who has one, sent gzipped on the application connection. A member who
// enters a room gets the picture of everyone present by name (344-346; its
// member table may still be empty); everyone else gets the newcomer's picture
// by its customer id (348-350), once their member list has shown them the
// newcomer: after their next list (111) the server asks (782), and the answer
// (783) comes only when the list is in their table.

#include <map>
#include <memory>
#include <string>
#include <vector>

class MessageTable;

// A recording keeps a picture only up to this size, compressed.
inline constexpr size_t member_picture_limit = 102300;
inline constexpr size_t member_picture_name_limit = 63;

struct MemberPicture {
    int number = 0;  // told with the picture (350)
    std::shared_ptr<const std::string> packed;
};
using MemberPictures = std::map<std::string, MemberPicture>;

// Reads the folder's "*.jpg" files. False with error when the folder cannot
// be read; a picture over the limit (compressed) or a name the client would
// refuse is left out with a line in refused.
bool read_member_pictures(const std::string& folder, MemberPictures& out, std::vector<std::string>& refused,
                          std::string& error);
// The pictures the family serves (main sets them before the server starts).
void set_member_pictures(MemberPictures pictures);
