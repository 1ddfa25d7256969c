// A meeting recording played back: the bytes behind a valid file head are
// read as records (separators anywhere or nowhere, any lengths) and each
// record goes to its receiver as the playback thread hands it on, without
// the waits. Files the records name land in a folder of the run's own.

#include "core/chat_receive.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "fuzz/fuzz_input.h"
#include "whiteboard/board_model.h"
#include "whiteboard/meeting_playback.h"
#include "whiteboard/playback_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietMessageBoxes boxes;
    static bool ready = [] {
        set_message_box_presenter(&boxes);
        std::string folder = "/tmp/tamblo_playback_fuzz_" + std::to_string(::getpid());
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
        create_work_folders();
        return true;
    }();
    (void)ready;
    std::string bytes(record_file_head_len, '\0');
    bytes.replace(0, sizeof record_magic, record_magic, sizeof record_magic);
    bytes.append(reinterpret_cast<const char*>(data), size);
    MemoryFile memory(bytes.data(), bytes.size());
    if (!memory.ok())
        return 0;
    std::FILE* f = std::fopen(memory.path().c_str(), "rb");
    if (!f)
        return 0;
    board_model_setup();
    g_play_on = 1;
    RecordReader reader(f);
    record_head head {};
    std::span<const uint8_t> body;
    if (reader.read_file_head()) {
        for (int i = 0; i < 100 && reader.next(head, body) == RecordRead::record; ++i)
            if (playback_handle_record(head, body) != 0)
                break;
    }
    std::fclose(f);
    g_play_on = 0;
    {
        std::lock_guard<std::mutex> hold(chat_history_lock());
        chat_history().clear();
    }
    playback_pictures().clear();
    board_model_free();
    return 0;
}
