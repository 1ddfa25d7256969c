#include "sharing/share_recording.h"

#include "core/dbg_log.h"
#include "core/meeting_record.h"

#include <sys/stat.h>

#include <array>
#include <cstdint>

namespace {

int record_tile(uint32_t type, const char* writer, const char* z_file_path, int row, int column)
{
    if (!z_file_path) {
        dbg_log("%s z_file_path is NULL.\n", writer);
        return -1;
    }
    if (!recorder().recording())
        return 0;
    struct stat st {};
    uint32_t file_size = ::stat(z_file_path, &st) == 0 ? static_cast<uint32_t>(st.st_size) : 0;
    std::array<int32_t, 6> sub { 0, row, column, 0, 0, static_cast<int32_t>(file_size) };
    long copied = 0;
    int rc = recorder().append_file(type, sub.data(), sizeof sub, z_file_path, file_size, writer, &copied);
    if (copied >= 0 && copied != static_cast<long>(file_size)) {
        dbg_log("%s write file failed, file_size:%d, write_len:%d\n", writer, static_cast<int>(file_size),
                static_cast<int>(copied));
        return -1;
    }
    return rc;
}

} // namespace

int record_share_app_action(const char* z_file_path, int row, int column)
{
    return record_tile(record_type_share_app_tile, "record_share_app_action", z_file_path, row, column);
}

int record_share_desk_action(const char* z_file_path, int row, int column)
{
    return record_tile(record_type_share_desk_tile, "record_share_desk_action", z_file_path, row, column);
}

int record_share_window_rect(int x, int y, int width, int height)
{
    std::array<int32_t, 4> body { x, y, width, height };
    return recorder().append(record_type_share_window_rect, { { body.data(), sizeof body } }, "record_share_window_rect");
}

int record_share_desktop_size(int width, int height)
{
    std::array<int32_t, 2> body { width, height };
    return recorder().append(record_type_share_desktop_size, { { body.data(), sizeof body } }, "record_share_desktop_size");
}
