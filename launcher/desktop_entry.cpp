#include "launcher/desktop_entry.h"

#include "core/dbg_log.h"
#include "platform/sys/paths.h"
#include "platform/sys/process.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::string applications_folder() { return platform::data_home() + "applications/"; }

bool write_whole_file(const std::string& path, const std::string& text)
{
    std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!(out << text) || !out.flush())
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error)
        std::filesystem::remove(temporary, error);
    return !error;
}

// Keeps the desktop database of the folder in step where the tool exists;
// xdg-open reads the scheme's handlers from it as well.
void update_desktop_database(const std::string& folder)
{
    if (platform::program_in_path("update-desktop-database"))
        platform::run_program({ "update-desktop-database", folder });
}

// Drops quillet.desktop from the scheme's line of every section of mimeapps.list.
bool forget_default(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return true;
    std::string line;
    std::string kept;
    bool dropped = false;
    const std::string key = std::string(tamblo_scheme_type) + "=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            std::stringstream entries(line.substr(key.size()));
            std::string entry;
            std::string rest;
            while (std::getline(entries, entry, ';')) {
                if (entry == quillet_desktop_name)
                    dropped = true;
                else if (!entry.empty())
                    rest += entry + ";";
            }
            if (!rest.empty())
                kept += key + rest + "\n";
            continue;
        }
        kept += line + "\n";
    }
    return !dropped || write_whole_file(path, kept);
}

} // namespace

std::string desktop_exec_word(const std::string& word)
{
    bool plain = !word.empty() && word.find_first_of(" \t\n\"'\\><~|&;$*?#()`=%") == std::string::npos;
    std::string quoted;
    if (plain) {
        quoted = word;
    } else {
        quoted = "\"";
        for (char c : word) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
            if (c == '%')
                quoted += '%';
        }
        quoted += "\"";
    }
    std::string escaped;
    for (char c : quoted) {
        if (c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string quillet_desktop_entry(const std::string& program)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tamblo Meeting Link\n"
           "Name[zh_CN]=Tamblo 会议链接\n"
           "Comment=Join a Tamblo meeting from a web page\n"
           "Comment[zh_CN]=从网页加入 Tamblo 会议\n"
           "Exec="
        + desktop_exec_word(program)
        + " %u\n"
          "Terminal=false\n"
          "NoDisplay=true\n"
          "MimeType=x-scheme-handler/tamblo;\n"
          "Categories=Network;\n";
}

int register_quillet(const std::string& quillet_path)
{
    std::string folder = applications_folder();
    if (!platform::make_folders(folder)) {
        dbg_log("register_quillet: %s not made.\n", folder.c_str());
        return registration_folder_failed;
    }
    if (!write_whole_file(folder + quillet_desktop_name, quillet_desktop_entry(quillet_path))) {
        dbg_log("register_quillet: %s%s not written.\n", folder.c_str(), quillet_desktop_name);
        return registration_entry_failed;
    }
    update_desktop_database(folder);
    if (platform::run_program({ "xdg-mime", "default", quillet_desktop_name, tamblo_scheme_type }) != 0) {
        dbg_log("register_quillet: xdg-mime default failed.\n");
        return registration_default_failed;
    }
    return 0;
}

int unregister_quillet()
{
    std::string folder = applications_folder();
    std::error_code error;
    std::filesystem::remove(folder + quillet_desktop_name, error);
    if (error) {
        dbg_log("unregister_quillet: %s%s not removed.\n", folder.c_str(), quillet_desktop_name);
        return registration_entry_failed;
    }
    if (std::filesystem::is_directory(folder, error))
        update_desktop_database(folder);
    if (!forget_default(platform::config_home() + "mimeapps.list")) {
        dbg_log("unregister_quillet: mimeapps.list not written.\n");
        return registration_default_failed;
    }
    return 0;
}
