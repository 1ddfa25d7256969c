#include "server/member_pictures.h"

#include "core/folders.h"
#include "core/messages.h"
#include "server/app_file_queue.h"
#include "server/control_messages.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"
#include "server/whole_picture_compose.h"

#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace {

constexpr size_t picture_file_limit = 16u * 1024 * 1024;  // read no further: it could never pack small enough
constexpr size_t member_name_field = 64;                   // the name before the bytes of 349

MemberPictures& served()
{
    static MemberPictures pictures;
    return pictures;
}

const MemberPicture* picture_of(ServerCore& server, int customer_id)
{
    auto found = served().find(control_client_name(server, customer_id));
    return found == served().end() ? nullptr : &found->second;
}

// Who owes a member whose picture: noted when the newcomer entered, asked
// about after the member's next list, sent when the answer comes.
struct PictureDebts {
    std::set<int> owed;
    std::set<int> listed;
};

void send_by_name(ServerCore& server, Client& to, const std::string& name, const MemberPicture& picture)
{
    AppFile file;
    file.begin = MSG_VIDEO_IMAGE_BEGIN;
    file.data = MSG_VIDEO_IMAGE_DATA;
    file.end = MSG_VIDEO_IMAGE_END;
    file.begin_body = name;
    file.end_body = name;
    file.bytes = picture.packed;
    queue_app_file(server, to, std::move(file));
}

void send_by_id(ServerCore& server, Client& to, int customer_id, const std::string& name, const MemberPicture& picture)
{
    AppFile file;
    file.begin = MSG_VIDEO_IMAGE_BEGIN_2;
    file.data = MSG_VIDEO_IMAGE_DATA_2;
    file.end = MSG_VIDEO_IMAGE_END_2;
    file.begin_field2 = customer_id;
    file.end_field2 = customer_id;
    file.data_prefix = name;
    file.data_prefix.resize(member_name_field, '\0');
    file.end_body = std::to_string(picture.number);
    file.bytes = picture.packed;
    queue_app_file(server, to, std::move(file));
}

void member_entered(ServerCore& server, Client& newcomer)
{
    Room* room = newcomer.room();
    if (!room || served().empty())
        return;
    for (Client* member : room->members()) {
        std::string name = control_client_name(server, member->customer_id());
        if (const MemberPicture* picture = picture_of(server, member->customer_id()))
            send_by_name(server, newcomer, name, *picture);
    }
    if (!picture_of(server, newcomer.customer_id()))
        return;
    for (Client* member : room->members())
        if (member != &newcomer)
            member->state<PictureDebts>().owed.insert(newcomer.customer_id());
}

// After a member list: its table will hold the newcomers once it answers the probe.
void member_list_sent(ServerCore& server, Client& sender, const IncomingMessage&)
{
    PictureDebts& debts = sender.state<PictureDebts>();
    if (debts.owed.empty())
        return;
    debts.listed.insert(debts.owed.begin(), debts.owed.end());
    debts.owed.clear();
    server.send_cmd(sender, MSG_PROBE);
}

void probe_answered(ServerCore& server, Client& sender, const IncomingMessage&)
{
    PictureDebts& debts = sender.state<PictureDebts>();
    std::set<int> listed = std::move(debts.listed);
    debts.listed.clear();
    for (int id : listed) {
        Client* newcomer = server.find_client(id);
        const MemberPicture* picture = newcomer ? picture_of(server, id) : nullptr;
        if (picture && newcomer->room() && newcomer->room() == sender.room())
            send_by_id(server, sender, id, control_client_name(server, id), *picture);
    }
}

} // namespace

bool read_member_pictures(const std::string& folder, MemberPictures& out, std::vector<std::string>& refused,
                          std::string& error)
{
    out.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        error = "--pictures: cannot read the folder " + folder;
        return false;
    }
    std::set<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        std::string file = e->d_name;
        if (file.size() > 4 && file.compare(file.size() - 4, 4, ".jpg") == 0)
            names.insert(file);
    }
    ::closedir(dir);
    int number = 0;
    for (const std::string& file : names) {
        std::string name = file.substr(0, file.size() - 4);
        std::string path = folder + "/" + file;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (name.size() > member_picture_name_limit || !is_plain_file_name(name) || name.find(':') != std::string::npos) {
            refused.push_back(file + ": not a login name a client takes a picture for");
            continue;
        }
        if (static_cast<size_t>(st.st_size) > picture_file_limit) {
            refused.push_back(file + ": over " + std::to_string(member_picture_limit) + " bytes compressed");
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        if (!in) {
            refused.push_back(file + ": cannot be read");
            continue;
        }
        std::string packed = gzip_bytes(bytes.str());
        if (packed.empty() || packed.size() > member_picture_limit) {
            refused.push_back(file + ": over " + std::to_string(member_picture_limit) + " bytes compressed");
            continue;
        }
        out[name] = MemberPicture { ++number, std::make_shared<const std::string>(std::move(packed)) };
    }
    return true;
}

void set_member_pictures(MemberPictures pictures) { served() = std::move(pictures); }

void install_member_picture_messages(MessageTable& table)
{
    table.on_room_joined(member_entered);
    table.add_follower(MSG_MEMBER_LIST_REFRESH, member_list_sent, "member pictures");
    table.add_follower(MSG_PROBE_ANSWER, probe_answered, "member pictures");
    table.on_room_leaving([](ServerCore&, Client& client) { client.state<PictureDebts>() = PictureDebts {}; });
}
