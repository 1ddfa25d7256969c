#include "platform/sys/paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

static std::string with_slash(std::string path)
{
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

static std::string home_folder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return with_slash(home);
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return with_slash(pw->pw_dir);
    return {};
}

static std::string xdg_folder(const char* variable, const char* fallback)
{
    // The XDG rules ignore relative paths.
    if (const char* v = std::getenv(variable); v && v[0] == '/')
        return with_slash(v);
    std::string home = home_folder();
    return home.empty() ? std::string() : home + fallback;
}

std::string config_home() { return xdg_folder("XDG_CONFIG_HOME", ".config/"); }

std::string data_home() { return xdg_folder("XDG_DATA_HOME", ".local/share/"); }

std::string program_folder()
{
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string path(buf, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1);
}

std::string runtime_folder()
{
    if (const char* v = std::getenv("XDG_RUNTIME_DIR"); v && v[0] == '/' && ::access(v, W_OK) == 0)
        return with_slash(v);
    const char* tmp = std::getenv("TMPDIR");
    return with_slash(tmp && tmp[0] == '/' ? tmp : "/tmp");
}

bool make_folders(const std::string& path)
{
    if (path.empty())
        return false;
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i != path.size() && path[i] != '/')
            continue;
        std::string part = path.substr(0, i);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace platform
