#include "platform/sys/registry_store.h"

#include "platform/sys/paths.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

RegistryStore::RegistryStore(std::string file_path) : file_path_(std::move(file_path)) {}

std::string ini_escape(std::string_view text, bool is_key)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool edge_space = (c == ' ' || c == '\t') && (i == 0 || i + 1 == text.size());
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\0': out += "\\0"; break;
        default:
            if (edge_space) {
                out += c == ' ' ? "\\s" : "\\t";
            } else if (is_key && (c == '=' || c == '[' || c == ']' || c == ';' || c == '#')) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string ini_unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        char e = text[++i];
        switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case '0': out += '\0'; break;
        case 's': out += ' '; break;
        case 't': out += '\t'; break;
        case 'x':
            if (i + 2 < text.size()) {
                std::string hex(text.substr(i + 1, 2));
                char* end = nullptr;
                long v = std::strtol(hex.c_str(), &end, 16);
                if (hex.size() == 2 && end == hex.c_str() + 2) {
                    out += static_cast<char>(v);
                    i += 2;
                    break;
                }
            }
            out += 'x';
            break;
        default: out += e; break;
        }
    }
    return out;
}

static std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

StoreResult RegistryStore::load(Sections& sections) const
{
    std::ifstream in(file_path_, std::ios::binary);
    if (!in) {
        return errno == ENOENT ? StoreResult::ok : StoreResult::cannot_read;
    }
    std::string line;
    Values* current = nullptr;
    while (std::getline(in, line)) {
        std::string_view l = trim(line);
        if (l.empty() || l.front() == ';' || l.front() == '#')
            continue;
        if (l.front() == '[') {
            if (l.back() != ']') {
                current = nullptr;
                continue;
            }
            current = &sections[ini_unescape(l.substr(1, l.size() - 2))];
            continue;
        }
        size_t eq = l.find('=');
        if (current == nullptr || eq == std::string_view::npos)
            continue;
        (*current)[ini_unescape(trim(l.substr(0, eq)))] = ini_unescape(trim(l.substr(eq + 1)));
    }
    return in.bad() ? StoreResult::cannot_read : StoreResult::ok;
}

StoreResult RegistryStore::read(std::string_view section, std::string_view name,
                                std::optional<std::string>& value) const
{
    std::lock_guard lock(mutex_);
    value.reset();
    Sections sections;
    StoreResult r = load(sections);
    if (r != StoreResult::ok)
        return r;
    auto s = sections.find(section);
    if (s == sections.end())
        return StoreResult::ok;
    auto v = s->second.find(name);
    if (v != s->second.end())
        value = v->second;
    return StoreResult::ok;
}

StoreResult RegistryStore::write(std::string_view section, std::string_view name, std::string_view value)
{
    std::lock_guard lock(mutex_);
    std::string folder = file_path_.substr(0, file_path_.rfind('/') + 1);
    if (!folder.empty() && !make_folders(folder))
        return StoreResult::cannot_create_folder;

    Sections sections;
    // An unreadable store must not be replaced by one holding a single value.
    if (load(sections) != StoreResult::ok)
        return StoreResult::cannot_write;
    sections[std::string(section)][std::string(name)] = std::string(value);

    std::ostringstream text;
    for (const auto& [sname, values] : sections) {
        text << '[' << ini_escape(sname, true) << "]\n";
        for (const auto& [key, v] : values)
            text << ini_escape(key, true) << '=' << ini_escape(v, false) << '\n';
        text << '\n';
    }
    std::string body = text.str();

    std::string tmp = file_path_ + ".tmp." + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return StoreResult::cannot_write;
    size_t done = 0;
    while (done < body.size()) {
        ssize_t n = ::write(fd, body.data() + done, body.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            ::unlink(tmp.c_str());
            return StoreResult::cannot_write;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(tmp.c_str(), file_path_.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return StoreResult::cannot_write;
    }
    return StoreResult::ok;
}

RegistryStore& user_registry_store()
{
    static RegistryStore store(config_home() + "kelo/tamblo.ini");
    return store;
}

} // namespace platform
