#include "media/voice_state.h"

AtomicInt g_talk_active { 0 };
AtomicInt g_private_voice_chat { 0 };
AtomicInt g_private_voice_partner_id { -1 };
AtomicInt g_speaker_volume { 0 };
