#include "core/connections.h"

Cwf_socket g_main_sock;
Cwf_socket g_share_app_sock;
Cwf_socket g_voice_sock;
Cwf_socket g_file_sock;
