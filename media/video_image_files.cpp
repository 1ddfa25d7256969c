#include "media/video_image_files.h"

#include "core/dbg_log.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

struct OpenFile {
    std::unique_ptr<std::FILE, FileCloser> file;
    size_t written = 0;
    bool over_logged = false;
};

std::map<std::string, OpenFile> open_files;
std::string begin_target;  // whose file the last 344 opened

void append(const std::string& name, const char* bytes, size_t len)
{
    auto found = open_files.find(name);
    if (found == open_files.end())
        return; // no begin opened a file: dropped
    OpenFile& f = found->second;
    if (f.written + len > video_image_file_limit) {
        if (!f.over_logged)
            dbg_log("video picture \"%s\" over %d bytes: the rest is dropped\n", name.c_str(),
                    static_cast<int>(video_image_file_limit));
        f.over_logged = true;
        return;
    }
    if (len > 0 && std::fwrite(bytes, 1, len, f.file.get()) != len)
        dbg_log("video picture \"%s\": write failed\n", name.c_str());
    f.written += len;
}

} // namespace

int video_image_file_open(const std::string& name, const std::string& path)
{
    open_files.erase(name);
    begin_target = name;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return -1;
    open_files[name].file = std::move(file);
    return 0;
}

int video_image_file_close(const std::string& name)
{
    return open_files.erase(name) > 0 ? 0 : -1;
}

bool video_image_file_is_open(const std::string& name) { return open_files.count(name) > 0; }

long video_image_file_size(const std::string& name)
{
    auto found = open_files.find(name);
    if (found == open_files.end())
        return -1;
    std::fflush(found->second.file.get());
    return static_cast<long>(found->second.written);
}

void video_image_files_close_all()
{
    open_files.clear();
    begin_target.clear();
}

void video_z_down_data_from_server(const char* body, int len, int)
{
    if (body && len > 0)
        append(begin_target, body, static_cast<size_t>(len));
}

void video_z_down_data_2_from_server(const char* body, int len, int)
{
    if (!body || len < static_cast<int>(video_image_name_len)) {
        dbg_log("video_z_down_data_2_from_server: a body of %d bytes lacks its member name\n", len);
        return;
    }
    std::string name(body, strnlen(body, video_image_name_len));
    const char* bytes = body + video_image_name_len;
    size_t count = static_cast<size_t>(len) - video_image_name_len;
    append(video_image_file_is_open(name) && !name.empty() ? name : std::string(), bytes, count);
}
