// The files in share: one area per room on disk, uploads into part files
// that become listed only when whole, downloads read from the disk as the
// reader takes them, and the clipboard offers between members.
//
// - The store lives under the data folder (--data-dir; by default a private
//   temporary folder removed at stop): "rooms/<area>/<name>" for the files
//   of a room, "parts/<client>-<n>.part" for uploads under way. An area is
//   named by a number of its own, never by the room's name, and goes with
//   its room; nothing in the store survives a restart.
// - 150 needs a login, a room and a plain name of 1 to 63 bytes; a refused
//   upload's data is dropped. The part is deleted past 20,000,000 bytes or
//   the room's quota, on 162, on a new 150, and when the client or its file
//   connection goes. 152 syncs it, renames it into the area and tells the
//   room (160).
// - 157 answers 158 and 159 per file, oldest first: the name, a zero byte,
//   the size in 14 characters.
// - 153 opens the file at once (a later replacement or delete does not mix
//   in), answers 154 with its size, 155 pieces of at most 8000 bytes read as
//   the client's queue drains, and 156; an unknown file gets 154 "-1" and
//   156. 163 stops it, and its 156 still comes: every 153 has one 154 and
//   one 156, so the client tells what is left of a download it gave up.
// - 161 deletes for the uploader or the chairman; a refusal is logged and
//   answered with the list.
// - 750 goes to the room's others when it names a plain ".nclp.z" file.
//
// The file messages count on the file connection; 162 and 163 on the main
// connection are the client's first notice of a cancel, and the copy it
// sends on its file connection right after is the one acted on, in order
// with the data around it.

#include "core/folders.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "server/control_messages.h"
#include "server/file_area.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr long long share_file_size_limit = 20000000;
constexpr size_t share_name_limit = 63;
constexpr size_t download_piece_bytes = 8000;
// Pieces queued for a reader before waiting for it to take them: ten
// downloads at once hold a few megabytes.
constexpr size_t download_window_bytes = 256 * 1024;
constexpr std::string_view clipboard_suffix = ".nclp.z";

std::string printable_name(std::string_view text)
{
    std::string out = cut_copy(text, 80);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    }
    return out;
}

bool plain_share_name(std::string_view name)
{
    return !name.empty() && name.size() <= share_name_limit && is_plain_file_name(std::string(name));
}

struct StoredFile {
    std::string name;
    long long size = 0;
    int uploader = 0;
};

struct FileRoomState {
    int area = 0;                   // 0: not made yet
    std::vector<StoredFile> files;  // oldest first
    long long stored_bytes = 0;
    long long pending_bytes = 0;    // parts on their way into this room
};

struct Upload {
    std::FILE* file = nullptr;
    std::string part_path;
    std::string name;
    long long size = 0;
    int room_number = -1;
    int area = 0;
    bool refused = false;           // until the next 150: data dropped quietly
    bool early_logged = false;
};

struct Download {
    std::FILE* file = nullptr;
    long long size = 0;
    long long sent = 0;
    std::string name;
    unsigned serial = 0;
};

struct FileClientState {
    Upload upload;
    Download download;
    // Told when the upload under way ends (file_area_when_upload_ends).
    std::vector<std::function<void(bool stored)>> upload_waiters;
    ~FileClientState()
    {
        if (upload.file) {
            std::fclose(upload.file);
            ::unlink(upload.part_path.c_str());
        }
        if (download.file)
            std::fclose(download.file);
    }
};

struct FileStoreState {
    bool ready = false;
    bool failed = false;
    bool temporary = false;
    fs::path root;
    int next_area = 0;
    unsigned next_part = 0;
    unsigned next_download = 0;

    ~FileStoreState()
    {
        if (!ready)
            return;
        std::error_code ec;
        if (temporary) {
            fs::remove_all(root, ec);
        } else {
            fs::remove_all(root / "rooms", ec);
            fs::remove_all(root / "parts", ec);
        }
    }
    fs::path rooms() const { return root / "rooms"; }
    fs::path parts() const { return root / "parts"; }
};

// The store's folders, made (and what an earlier run left emptied) once.
FileStoreState* store_of(ServerCore& server)
{
    FileStoreState& store = server.state<FileStoreState>();
    if (store.ready)
        return &store;
    if (store.failed)
        return nullptr;
    std::error_code ec;
    const std::string& wanted = server.config().data_dir;
    if (wanted.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tamblo-server-files-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!::mkdtemp(buffer.data())) {
            server_log("files: cannot make a temporary data folder: %s", std::strerror(errno));
            store.failed = true;
            return nullptr;
        }
        store.root = buffer.data();
        store.temporary = true;
    } else {
        store.root = wanted;
        fs::create_directories(store.root, ec);
    }
    // Only our own two folders are emptied; whatever else is there stays.
    fs::remove_all(store.rooms(), ec);
    fs::remove_all(store.parts(), ec);
    fs::create_directories(store.rooms(), ec);
    fs::create_directories(store.parts(), ec);
    if (!fs::is_directory(store.rooms()) || !fs::is_directory(store.parts())) {
        server_log("files: cannot use the data folder %s", store.root.c_str());
        store.failed = true;
        return nullptr;
    }
    ::chmod(store.rooms().c_str(), 0700);
    ::chmod(store.parts().c_str(), 0700);
    store.ready = true;
    server_log("files: kept in %s", store.root.c_str());
    return &store;
}

fs::path area_of(FileStoreState& store, Room& room)
{
    FileRoomState& state = room.state<FileRoomState>();
    if (state.area == 0) {
        state.area = ++store.next_area;
        std::error_code ec;
        fs::create_directories(store.rooms() / std::to_string(state.area), ec);
    }
    return store.rooms() / std::to_string(state.area);
}

// The room an upload was begun in, if the client is still in it and it still has that area.
FileRoomState* upload_room(Client& client, const Upload& up)
{
    Room* room = client.room();
    if (!room || room->number() != up.room_number)
        return nullptr;
    FileRoomState& state = room->state<FileRoomState>();
    return state.area == up.area ? &state : nullptr;
}

// The waiters of the upload that just ended, each called once.
void upload_ended(Client& client, bool stored)
{
    std::vector<std::function<void(bool)>> waiters = std::move(client.state<FileClientState>().upload_waiters);
    client.state<FileClientState>().upload_waiters.clear();
    for (auto& waiter : waiters)
        waiter(stored);
}

void drop_part(Client& client, const char* why)
{
    Upload& up = client.state<FileClientState>().upload;
    if (!up.file)
        return;
    if (FileRoomState* room = upload_room(client, up))
        room->pending_bytes -= up.size;
    std::fclose(up.file);
    ::unlink(up.part_path.c_str());
    server_log("client %d: upload of %s dropped after %lld bytes: %s", client.customer_id(), printable_name(up.name).c_str(),
               up.size, why);
    up = Upload {};
    upload_ended(client, false);
}

void close_download(Client& client);

// Every 153 is answered by one 154 and one 156, a stopped download too: the
// client tells what is left of a download it gave up by its 156.
void end_download_early(ServerCore& server, Client& client)
{
    if (!client.state<FileClientState>().download.file)
        return;
    server.send(client, Channel::file, WireHead { 0, 0, MSG_FILE_DOWNLOAD_END, 0 });
    close_download(client);
}

void close_download(Client& client)
{
    Download& down = client.state<FileClientState>().download;
    if (down.file)
        std::fclose(down.file);
    down = Download { nullptr, 0, 0, {}, down.serial };
}

void forget_client_transfers(ServerCore&, Client& client, const char* why)
{
    drop_part(client, why);
    close_download(client);
}

void refuse_upload(Client& client, const char* why, std::string_view name)
{
    Upload& up = client.state<FileClientState>().upload;
    up = Upload {};
    up.refused = true;
    server_log("client %d: upload of \"%s\" refused: %s", client.customer_id(), printable_name(name).c_str(), why);
}

void begin_upload(ServerCore& server, Client& client, std::string_view name)
{
    drop_part(client, "a new upload began");
    Room* room = client.room();
    if (!control_client_logged_in(server, client.customer_id()))
        return refuse_upload(client, "not logged in", name);
    if (!room)
        return refuse_upload(client, "in no room", name);
    if (!plain_share_name(name))
        return refuse_upload(client, "not a plain file name of 1 to 63 bytes", name);
    FileStoreState* store = store_of(server);
    if (!store)
        return refuse_upload(client, "no data folder", name);
    FileRoomState& room_state = room->state<FileRoomState>();
    area_of(*store, *room);
    std::string part = (store->parts() / format_text("%d-%u.part", client.customer_id(), ++store->next_part)).string();
    int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!file) {
        if (fd >= 0)
            ::close(fd);
        return refuse_upload(client, "cannot open a part file", name);
    }
    Upload& up = client.state<FileClientState>().upload;
    up = Upload {};
    up.file = file;
    up.part_path = part;
    up.name = std::string(name);
    up.room_number = room->number();
    up.area = room_state.area;
    server_log("client %d: upload of %s begun in room %d", client.customer_id(), printable_name(name).c_str(), room->number());
}

void upload_data(ServerCore& server, Client& client, std::string_view data)
{
    Upload& up = client.state<FileClientState>().upload;
    if (!up.file) {
        if (!up.refused && !up.early_logged) {
            up.early_logged = true;
            server_log("client %d: upload data with no upload begun: dropped", client.customer_id());
        }
        return;
    }
    FileRoomState* room = upload_room(client, up);
    if (!room) {
        drop_part(client, "the client left the room");
        client.state<FileClientState>().upload.refused = true;
        return;
    }
    const long long size = static_cast<long long>(data.size());
    if (up.size + size > share_file_size_limit) {
        drop_part(client, "longer than 20000000 bytes");
        client.state<FileClientState>().upload.refused = true;
        return;
    }
    if (room->stored_bytes + room->pending_bytes + size > static_cast<long long>(server.config().room_files_limit_bytes)) {
        drop_part(client, "the room's files would pass its quota");
        client.state<FileClientState>().upload.refused = true;
        return;
    }
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), up.file) != data.size()) {
        drop_part(client, "a write failed");
        client.state<FileClientState>().upload.refused = true;
        return;
    }
    up.size += size;
    room->pending_bytes += size;
}

void send_list(ServerCore& server, Client& to)
{
    Room* room = to.room();
    if (!room)
        return;
    const FileRoomState& state = room->state<FileRoomState>();
    bool first = true;
    for (const StoredFile& f : state.files) {
        std::string body = f.name;
        body.push_back('\0');
        body += format_text("%14lld", f.size);
        server.send_data(to, first ? MSG_FILE_LIST_FIRST : MSG_FILE_LIST_ADD, body, 0, Channel::file);
        first = false;
    }
}

void tell_room_changed(ServerCore& server, Room& room)
{
    // A copy: a full queue may drop a member on the way.
    std::vector<Client*> members = room.members();
    for (Client* member : members)
        server.send(*member, Channel::file, WireHead { 0, 0, MSG_FILE_LIST_CHANGED, 0 });
}

void end_upload(ServerCore& server, Client& client)
{
    Upload& up = client.state<FileClientState>().upload;
    if (!up.file) {
        if (!up.refused)
            server_log("client %d: upload end with no upload begun: ignored", client.customer_id());
        up.refused = false;
        return;
    }
    FileRoomState* room_state = upload_room(client, up);
    FileStoreState* store = store_of(server);
    if (!room_state || !store) {
        drop_part(client, "the client left the room");
        return;
    }
    bool written = std::fflush(up.file) == 0 && ::fsync(::fileno(up.file)) == 0;
    written = std::fclose(up.file) == 0 && written;
    up.file = nullptr;
    room_state->pending_bytes -= up.size;
    fs::path target = store->rooms() / std::to_string(up.area) / up.name;
    if (!written || std::rename(up.part_path.c_str(), target.c_str()) != 0) {
        server_log("client %d: upload of %s could not be stored: %s", client.customer_id(), printable_name(up.name).c_str(),
                   std::strerror(errno));
        ::unlink(up.part_path.c_str());
        up = Upload {};
        upload_ended(client, false);
        return;
    }
    auto& files = room_state->files;
    auto old = std::find_if(files.begin(), files.end(), [&](const StoredFile& f) { return f.name == up.name; });
    if (old != files.end()) {
        room_state->stored_bytes -= old->size;
        files.erase(old);
    }
    files.push_back({ up.name, up.size, client.customer_id() });
    room_state->stored_bytes += up.size;
    server_log("client %d: stored %s (%lld bytes) in room %d", client.customer_id(), printable_name(up.name).c_str(), up.size,
               up.room_number);
    up = Upload {};
    tell_room_changed(server, *client.room());
    upload_ended(client, true);
}

void pump_download(ServerCore& server, Client& client);

void wait_for_reader(ServerCore& server, Client& client)
{
    const int id = client.customer_id();
    const unsigned serial = client.state<FileClientState>().download.serial;
    server.when_drained(client, Channel::file, download_window_bytes / 2, [&server, id, serial] {
        Client* c = server.find_client(id);
        if (c && c->state<FileClientState>().download.file && c->state<FileClientState>().download.serial == serial)
            pump_download(server, *c);
    });
}

void pump_download(ServerCore& server, Client& client)
{
    Download& down = client.state<FileClientState>().download;
    char piece[download_piece_bytes];
    while (down.file && server.queued_bytes(client, Channel::file) < download_window_bytes) {
        size_t got = std::fread(piece, 1, sizeof piece, down.file);
        if (got == 0) {
            if (std::ferror(down.file))
                server_log("client %d: reading %s failed after %lld bytes", client.customer_id(),
                           printable_name(down.name).c_str(), down.sent);
            server.send(client, Channel::file, WireHead { 0, 0, MSG_FILE_DOWNLOAD_END, 0 });
            close_download(client);
            return;
        }
        if (server.send(client, Channel::file, WireHead { 0, 0, MSG_FILE_DOWNLOAD_DATA, 0 }, std::string_view(piece, got)) != 0) {
            close_download(client);
            return;
        }
        down.sent += static_cast<long long>(got);
    }
    if (down.file)
        wait_for_reader(server, client);
}

void begin_download(ServerCore& server, Client& client, std::string_view name)
{
    end_download_early(server, client);
    Room* room = client.room();
    FileStoreState* store = store_of(server);
    const StoredFile* found = nullptr;
    if (room && store && plain_share_name(name)) {
        const auto& files = room->state<FileRoomState>().files;
        auto it = std::find_if(files.begin(), files.end(), [&](const StoredFile& f) { return f.name == name; });
        if (it != files.end())
            found = &*it;
    }
    std::FILE* file = nullptr;
    if (found)
        file = std::fopen((area_of(*store, *room) / found->name).c_str(), "rb");
    if (!file) {
        server_log("client %d: download of \"%s\": no such file in its room", client.customer_id(), printable_name(name).c_str());
        server.send_data(client, MSG_FILE_DOWNLOAD_BEGIN, "-1", 0, Channel::file);
        server.send(client, Channel::file, WireHead { 0, 0, MSG_FILE_DOWNLOAD_END, 0 });
        return;
    }
    Download& down = client.state<FileClientState>().download;
    down.file = file;
    down.size = found->size;
    down.sent = 0;
    down.name = found->name;
    down.serial = ++store->next_download;
    server.send_data(client, MSG_FILE_DOWNLOAD_BEGIN, format_text("%lld", found->size), 0, Channel::file);
    pump_download(server, client);
}

void delete_file(ServerCore& server, Client& client, std::string_view name)
{
    Room* room = client.room();
    if (!room) {
        server_log("client %d: delete of \"%s\" refused: in no room", client.customer_id(), printable_name(name).c_str());
        return;
    }
    FileRoomState& state = room->state<FileRoomState>();
    auto it = std::find_if(state.files.begin(), state.files.end(), [&](const StoredFile& f) { return f.name == name; });
    const char* refusal = nullptr;
    if (it == state.files.end())
        refusal = "no such file";
    else if (it->uploader != client.customer_id() && !control_client_is_chairman(server, client.customer_id()))
        refusal = "only its uploader or the chairman deletes it";
    FileStoreState* store = store_of(server);
    if (!refusal && !store)
        refusal = "no data folder";
    if (refusal) {
        server_log("client %d: delete of \"%s\" refused: %s", client.customer_id(), printable_name(name).c_str(), refusal);
        send_list(server, client);
        return;
    }
    std::error_code ec;
    fs::remove(area_of(*store, *room) / it->name, ec);
    state.stored_bytes -= it->size;
    server_log("client %d: deleted %s from room %d", client.customer_id(), printable_name(it->name).c_str(), room->number());
    state.files.erase(it);
    tell_room_changed(server, *room);
}

using FileHandler = void (*)(ServerCore&, Client&, std::string_view);

// The file messages count on the file connection only.
MessageHandler on_file_connection(FileHandler handler)
{
    return [handler](ServerCore& server, Client& sender, const IncomingMessage& message) {
        if (message.channel != Channel::file) {
            server_log("client %d: file message %d on its %s connection: ignored", sender.customer_id(), message.head.number,
                       channel_name(message.channel));
            return;
        }
        handler(server, sender, message.body);
    };
}

// The cancels come on both connections; the file connection's copy is in
// order with the data and is the one acted on.
MessageHandler cancel(void (*on_file)(ServerCore&, Client&))
{
    return [on_file](ServerCore& server, Client& sender, const IncomingMessage& message) {
        if (message.channel == Channel::file)
            on_file(server, sender);
    };
}

} // namespace

bool file_area_has(Room& room, std::string_view name)
{
    const auto& files = room.state<FileRoomState>().files;
    return std::any_of(files.begin(), files.end(), [&](const StoredFile& f) { return f.name == name; });
}

bool file_area_uploading(Client& client, std::string_view name)
{
    const Upload& up = client.state<FileClientState>().upload;
    return up.file && up.name == name && upload_room(client, up);
}

void file_area_when_upload_ends(Client& client, std::function<void(bool stored)> fn)
{
    client.state<FileClientState>().upload_waiters.push_back(std::move(fn));
}

void install_file_share_messages(MessageTable& table)
{
    table.add_handler(MSG_FILE_UPLOAD_BEGIN, on_file_connection(begin_upload), "files");
    table.add_handler(MSG_FILE_UPLOAD_DATA, on_file_connection(upload_data), "files");
    table.add_handler(MSG_FILE_UPLOAD_END, on_file_connection([](ServerCore& s, Client& c, std::string_view) { end_upload(s, c); }),
                      "files");
    table.add_handler(MSG_FILE_DOWNLOAD_REQUEST, on_file_connection(begin_download), "files");
    table.add_handler(MSG_FILE_LIST_REFRESH, on_file_connection([](ServerCore& s, Client& c, std::string_view) { send_list(s, c); }),
                      "files");
    table.add_handler(MSG_FILE_DELETE, on_file_connection(delete_file), "files");
    table.add_handler(MSG_FILE_UPLOAD_CANCEL, cancel([](ServerCore&, Client& c) { drop_part(c, "cancelled"); }), "files");
    table.add_handler(MSG_FILE_DOWNLOAD_CANCEL, cancel(end_download_early), "files");
    table.add_handler(MSG_CLIPBOARD_OFFER, [](ServerCore& server, Client& sender, const IncomingMessage& message) {
        std::string_view name = message.body;
        bool clipboard = name.size() > clipboard_suffix.size()
            && name.substr(name.size() - clipboard_suffix.size()) == clipboard_suffix && plain_share_name(name);
        if (message.channel != Channel::main || !clipboard) {
            server_log("client %d: clipboard offer \"%s\" dropped: not a clipboard file", sender.customer_id(),
                       printable_name(name).c_str());
            return;
        }
        server.relay(sender, message, RelayRule { RelayTo::room_others, Field2Out::sender_id });
    }, "files");
    table.on_client_ready([](ServerCore& server, Client&) { store_of(server); });
    table.on_client_leaving([](ServerCore& server, Client& client) { forget_client_transfers(server, client, "the client left"); });
    // A new file connection (the client's watchdog reconnects a lost one):
    // what the old one carried is gone with it.
    table.on_channel_bound([](ServerCore& server, Client& client, Channel channel) {
        if (channel == Channel::file)
            forget_client_transfers(server, client, "its file connection was replaced");
    });
    table.on_room_removing([](ServerCore& server, Room& room) {
        FileRoomState& state = room.state<FileRoomState>();
        FileStoreState* store = store_of(server);
        if (state.area != 0 && store) {
            std::error_code ec;
            fs::remove_all(store->rooms() / std::to_string(state.area), ec);
            server_log("files: room %d's %zu files removed with it", room.number(), state.files.size());
        }
        state = FileRoomState {};
    });
}
