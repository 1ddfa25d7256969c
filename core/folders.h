#pragma once
// The program's folders. Every folder text ends with '/' (the system's '\').
// The user folder holds every working file: "<data home>/kelo/tamblo/".

#include <cstdio>
#include <string>

inline constexpr size_t folder_path_limit = 254;

int get_app_path(std::string& out);
// Shows "get_app_data_path failed." once per process and returns -1 on failure.
int get_app_data_path(std::string& out);
int get_maker_data_folder(std::string& out);
int get_user_folder(std::string& out);

// The application-data, maker and user folders, then "bmp", "share",
// "play_back" and "install" in the user folder. Returns 0 or -1.
int create_work_folders();
bool create_folder_path(const std::string& path);

// Delete every file (not sub-folders) directly inside "bmp" / "share".
int clear_bmp_folder();
int clear_share_folder();
int delete_app_tile_files();
int delete_desk_tile_files();

// "<user>bmp/<board>/<index>" opened "w+b"; nullptr when it cannot be opened.
std::FILE* create_board_bmp_folders(int board, int index, std::string& out_path);
// "<user>share/<name>.z" opened "w+b". The name comes from the network: one
// that is not a plain file name is refused (nullptr).
std::FILE* create_share_file_path(const std::string& name, std::string& out_path);

// True when name is a plain file name that stays inside its folder.
bool is_plain_file_name(const std::string& name);
