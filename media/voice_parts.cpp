#include "media/voice_parts.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/peer_links.h"
#include "core/receive_dispatch.h"
#include "media/play_sound.h"
#include "media/record_sound.h"
#include "media/sound_queue.h"
#include "media/voice_receive.h"

void install_voice_parts()
{
    GlobalStateSteps& steps = global_state_steps();
    steps.init_sound_queue = [] { init_sound_queue(); };
    steps.read_speaker_volume = [] { read_speaker_volume(); };
    steps.stop_talking = [] { on_talk_stop(); };
    set_peer_talk_handler([](const WireHead& head, const char* body, int length) {
        dispatch_talk_message(head.number, body, length, head.address);
    });
    for (int number : { MSG_TALK_DATA, MSG_TALK_LPC10, MSG_TALK_LPC10_B, MSG_TALK_Z, MSG_TALK_Z_B, MSG_TALK_SILENCE,
                        MSG_TALK_SILENCE_B, MSG_TALK_DCT_Z, MSG_TALK_DCT_Z_B })
        set_voice_handler(number, [number](const char* body, int length, int field2) {
            dispatch_talk_message(number, body, length, field2);
        });
    set_main_handler(MSG_TALK_START, [](const char*, int, int) { on_talk_start(); });
    set_main_handler(MSG_TALK_STOP, [](const char*, int, int) { on_talk_stop(); });
    set_main_handler(MSG_PEER_OPEN, [](const char* body, int length, int field2) { peer_connect(field2, body, length); });
}

int start_voice_threads()
{
    int rc = 0;
    if (!start_sound_master_thread())
        rc = -1;
    if (start_peer_threads() != 0)
        rc = -1;
    if (rc != 0)
        dbg_log("thread start failed in start_voice_threads.\n");
    return rc;
}
