#include "core/folders.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "platform/sys/paths.h"

#include <atomic>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_app_data_failure_shown { false };

int delete_files_in(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return -1;
    while (dirent* e = ::readdir(dir)) {
        std::string path = folder + e->d_name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            ::unlink(path.c_str());
    }
    ::closedir(dir);
    return 0;
}

int delete_tile_files(const char* prefix, const char* picture_suffix, int count)
{
    std::string user;
    if (get_user_folder(user) != 0)
        return -1;
    for (int row = 0; row < count; ++row) {
        for (int col = 0; col < count; ++col) {
            std::string base = format_text("%sbmp/%s_%d_%d", user.c_str(), prefix, row, col);
            ::unlink((base + picture_suffix).c_str());
            ::unlink(base.c_str());
            ::unlink((base + "_mul").c_str());
        }
    }
    return 0;
}

} // namespace

bool create_folder_path(const std::string& path) { return platform::make_folders(path); }

int get_app_path(std::string& out)
{
    out = platform::program_folder();
    if (out.empty() || out.size() > folder_path_limit) {
        out.clear();
        return -1;
    }
    return 0;
}

int get_app_data_path(std::string& out)
{
    out = platform::data_home();
    if (out.empty() || out.size() > folder_path_limit || !platform::make_folders(out)) {
        out.clear();
        if (!g_app_data_failure_shown.exchange(true))
            message_box_printf("get_app_data_path failed.");
        return -1;
    }
    return 0;
}

int get_maker_data_folder(std::string& out)
{
    if (get_app_data_path(out) != 0)
        return -1;
    out += "kelo/";
    return 0;
}

int get_user_folder(std::string& out)
{
    if (get_maker_data_folder(out) != 0)
        return -1;
    out += "tamblo/";
    return 0;
}

int create_work_folders()
{
    std::string user;
    if (get_user_folder(user) != 0)
        return -1;
    int result = 0;
    for (const char* sub : { "", "bmp/", "share/", "play_back/", "install/" }) {
        if (!platform::make_folders(user + sub))
            result = -1;
    }
    return result;
}

int clear_bmp_folder()
{
    std::string user;
    return get_user_folder(user) == 0 ? delete_files_in(user + "bmp/") : -1;
}

int clear_share_folder()
{
    std::string user;
    return get_user_folder(user) == 0 ? delete_files_in(user + "share/") : -1;
}

int delete_app_tile_files() { return delete_tile_files("wnd", ".bmp", 5); }

int delete_desk_tile_files() { return delete_tile_files("desk", ".jpg", 6); }

std::FILE* create_board_bmp_folders(int board, int index, std::string& out_path)
{
    out_path.clear();
    std::string user;
    if (get_user_folder(user) != 0)
        return nullptr;
    std::string folder = format_text("%sbmp/%d/", user.c_str(), board);
    if (!platform::make_folders(folder))
        return nullptr;
    out_path = format_text("%s%d", folder.c_str(), index);
    return std::fopen(out_path.c_str(), "w+b");
}

bool is_plain_file_name(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos
        && name.find('\0') == std::string::npos;
}

std::FILE* create_share_file_path(const std::string& name, std::string& out_path)
{
    out_path.clear();
    if (!is_plain_file_name(name)) {
        dbg_log("file name not allowed in create_share_file_path.\n");
        return nullptr;
    }
    std::string user;
    if (get_user_folder(user) != 0 || !platform::make_folders(user + "share/"))
        return nullptr;
    out_path = user + "share/" + name + ".z";
    return std::fopen(out_path.c_str(), "w+b");
}
