#include "sharing/whole_picture.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/text_util.h"

#include <unistd.h>

namespace {

AtomicInt g_app_whole_version { 0 };
AtomicInt g_desk_whole_version { 0 };

AtomicInt& version_of(ShareGrid grid) { return grid == ShareGrid::app ? g_app_whole_version : g_desk_whole_version; }

std::string bmp_folder_file(const char* name)
{
    std::string user;
    get_user_folder(user);
    return user + "bmp/" + name;
}

} // namespace

std::string whole_picture_z_path(ShareGrid grid) { return bmp_folder_file(grid == ShareGrid::app ? "wnd" : "desk"); }

std::string whole_picture_path(ShareGrid grid) { return whole_picture_z_path(grid) + (grid == ShareGrid::app ? ".bmp" : ".jpg"); }

std::string desk_signature_path() { return bmp_folder_file("desk_cs_server"); }

std::string desk_diff_path() { return bmp_folder_file("desk_diff_to_server"); }

platform::TimedMutex& whole_picture_lock(ShareGrid grid) { return grid == ShareGrid::app ? g_app_tile_end_lock : g_desk_tile_end_lock; }

int whole_picture_version(ShareGrid grid) { return version_of(grid).load(); }

void forget_whole_picture(ShareGrid grid)
{
    {
        platform::TimedLockWait lock(whole_picture_lock(grid), whole_picture_wait_ms);
        if (!lock)
            dbg_log("wait failed in forget_whole_picture.\n");
        ::unlink(whole_picture_path(grid).c_str());
        ::unlink(whole_picture_z_path(grid).c_str());
    }
    ++version_of(grid);
}
