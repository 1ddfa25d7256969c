#pragma once
// The four connections to the conference server. They live for the whole
// process; the connect code names them ("main_sock", "app sock", "voice sock",
// "file sock") and reuses them for every connect.

#include "core/wf_socket.h"

extern Cwf_socket g_main_sock;
extern Cwf_socket g_share_app_sock;
extern Cwf_socket g_voice_sock;
extern Cwf_socket g_file_sock;
