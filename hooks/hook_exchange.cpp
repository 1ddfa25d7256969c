#include "hooks/hook_exchange.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string with_slash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

} // namespace

std::string hook_exchange_folder()
{
    if (const char* v = std::getenv("XDG_RUNTIME_DIR"); v && v[0] == '/' && ::access(v, W_OK) == 0)
        return with_slash(v) + "kelo/";
    const char* tmp = std::getenv("TMPDIR");
    return with_slash(tmp && tmp[0] == '/' ? tmp : "/tmp") + "kelo-" + std::to_string(::getuid()) + "/";
}

bool make_hook_exchange_folder()
{
    std::string folder = hook_exchange_folder();
    folder.pop_back();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    if ((st.st_mode & 0777) != 0700 && ::chmod(folder.c_str(), 0700) != 0)
        return false;
    return true;
}

std::string hook_exchange_path(const char* name) { return hook_exchange_folder() + name; }

int read_exchange_numbers(const std::string& path, int count, long* out)
{
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return -1;
    long values[8] = {};
    int got = 0;
    char line[hook_line_limit + 1];
    while (got < count && got < 8 && std::fgets(line, sizeof line, file)) {
        errno = 0;
        char* end = nullptr;
        long value = std::strtol(line, &end, 10);
        if (end == line || errno == ERANGE)
            break;
        while (*end == '\n' || *end == '\r' || *end == ' ' || *end == '\t')
            ++end;
        if (*end != '\0')
            break;
        values[got++] = value;
    }
    std::fclose(file);
    if (got != count)
        return -1;
    std::memcpy(out, values, sizeof(long) * static_cast<size_t>(count));
    return 0;
}

int write_exchange_numbers(const std::string& path, std::initializer_list<long> values)
{
    std::string temp = path + ".new";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    std::string text;
    for (long v : values)
        text += std::to_string(v) + "\n";
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return -1;
    }
    return 0;
}

bool hook_atom_exists() { return ::access(hook_exchange_path(hook_notify_atom_name).c_str(), F_OK) == 0; }

int hook_atom_add()
{
    int fd = ::open(hook_exchange_path(hook_notify_atom_name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    ::close(fd);
    return 0;
}

int hook_atom_delete() { return ::unlink(hook_exchange_path(hook_notify_atom_name).c_str()) == 0 ? 0 : -1; }
