// The viewer's tile receivers as the application connection's thread and the
// LAN group's thread feed them: begins, data and ends of both grids and both
// ways in any order, field 2 anything, bodies of any length (the tile files
// land in a folder of the run's own); the announcements, counter lists and
// geometry of the main connection; and the 28-byte input record.

#include "core/folders.h"
#include "core/messages.h"
#include "fuzz/fuzz_input.h"
#include "sharing/remote_control.h"
#include "sharing/share_viewer.h"
#include "sharing/tile_transfer.h"

#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietMessageBoxes boxes;
    static bool ready = [] {
        set_message_box_presenter(&boxes);
        std::string folder = "/tmp/tamblo_tile_fuzz_" + std::to_string(::getpid());
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
        create_work_folders();
        return true;
    }();
    (void)ready;
    FuzzInput in(data, size);
    for (int i = 0; i < 100 && !in.empty(); ++i) {
        const uint8_t kind = in.u8();
        uint8_t b = in.u8();
        int field2 = b < 200 ? (b % 8) * 256 + b / 8 % 8 : (b == 255 ? -1 : 0x7fffffff - b);
        std::string_view body = in.bytes(in.u16() % 1200);
        std::vector<char> copy(body.begin(), body.end());
        copy.push_back('\0');
        const int len = static_cast<int>(body.size());
        const ShareGrid grid = kind & 1 ? ShareGrid::desk : ShareGrid::app;
        const TileWay way = kind & 2 ? TileWay::group : TileWay::server;
        switch ((kind >> 2) % 10) {
        case 0: tile_receive_begin(grid, way, field2); break;
        case 1: tile_receive_data(grid, way, copy.data(), len, field2); break;
        case 2: tile_receive_end(grid, way, copy.data(), len, field2); break;
        case 3:
            on_multicast_tile_message(WireHead { 1, field2, 215 + in.u8() % 60, static_cast<int>(in.u16() % 1200) }, copy.data(), len);
            break;
        case 4: do_share_app_tile_notice_from_server(copy.data(), len, field2); break;
        case 5: do_desk_tile_counter_from_server(copy.data(), len, field2); break;
        case 6: do_app_tile_counter_from_server(copy.data(), len, field2); break;
        case 7: do_share_app_window_rect_from_server(copy.data(), len, field2); break;
        case 8: do_share_desk_size_from_server(copy.data(), len, field2); break;
        default: {
            InputRecord record;
            decode_input_record(copy.data(), len, record);
            break;
        }
        }
    }
    return 0;
}
