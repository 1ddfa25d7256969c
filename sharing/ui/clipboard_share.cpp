#include "sharing/ui/clipboard_share.h"

#include "core/dbg_log.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/ui/clipboard_file.h"
#include "core/wire_builders.h"
#include "platform/sys/paths.h"
#include "sharing/file_share.h"

#include <QDateTime>

#include <cstdio>
#include <unistd.h>

namespace {

// gzip's own mark: zlib would read anything else through as it is.
bool is_gzip_file(const std::string& path)
{
    unsigned char magic[2] = {};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    size_t got = std::fread(magic, 1, 2, f);
    std::fclose(f);
    return got == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
}

} // namespace

int upload_clipboard()
{
    if (std::string refusal = upload_login_refusal(); !refusal.empty()) {
        message_box_id(refusal == "You have to login to upload files." ? 33937 : 33938);
        return -1;
    }
    std::string user;
    if (get_user_folder(user) != 0 || !platform::make_folders(user + "share/"))
        return -1;
    const QDateTime now = QDateTime::currentDateTime();
    const std::string name = clipboard_file_name(static_cast<unsigned>(now.date().day()), static_cast<unsigned>(now.time().hour()),
                                                 static_cast<unsigned>(now.time().minute()),
                                                 static_cast<unsigned>(now.time().second()));
    const std::string path = user + "share/" + name;
    ::unlink(path.c_str());
    if (clipboard_save_to_file(path) != 0 || ::access(path.c_str(), R_OK) != 0)
        return -1; // an empty clipboard was already told
    const std::string packed = path + ".z";
    if (z_compress_file(path, packed) != 0)
        return -1;
    if (!previous_upload_ended() || prepare_upload(packed, "failed to open file to read in upload clipboard.") != 0)
        return -1;
    const std::string bare = share_bare_name(packed);
    if (run_prepared_upload(bare) != 0)
        return -1;
    send_cmd_data_to_all(MSG_CLIPBOARD_OFFER, bare);
    return 0;
}

int download_clipboard(const std::string& name)
{
    const std::string packed = clipboard_local_path(cut_copy(name, clipboard_name_limit));
    std::string user;
    if (packed.empty() || get_user_folder(user) != 0 || !platform::make_folders(user + "share/")) {
        dbg_log("clipboard file name not allowed in download_clipboard.\n");
        return -1;
    }
    if (file_share_download(name, packed) != IDOK)
        return -1;
    const std::string plain = packed.substr(0, packed.size() - 2);
    // A file from another member: not unpacked past its bound, and what an
    // unpacking that failed left is removed.
    int result = is_gzip_file(packed) ? z_uncompress_file(packed, plain, clipboard_unpack_limit) : -1;
    ::unlink(packed.c_str());
    if (result != 0) {
        ::unlink(plain.c_str());
        message_box_printf("The clipboard file %s could not be unpacked.", name.c_str());
        return -1;
    }
    result = clipboard_load_from_file(plain);
    ::unlink(plain.c_str());
    if (result != 0)
        return -1;
    message_box_id(34058);
    return 0;
}
