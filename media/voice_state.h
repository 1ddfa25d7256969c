#pragma once
// The talk state of the voice machinery in the meeting state: whether talk
// is on, private voice chat with one partner, and the speaker volume.
// g_talk_allowed and g_audio_quality live in core/global_state.h.

#include "core/global_state.h"
#include "core/window_messages.h"

extern AtomicInt g_talk_active;              // set by talk start, cleared by talk stop
extern AtomicInt g_private_voice_chat;       // set by the members page
extern AtomicInt g_private_voice_partner_id; // -1: none
extern AtomicInt g_speaker_volume;           // 0..65535; 0 leaves the device as it is

// Thread messages of the recorder and the players.
inline constexpr uint32_t WM_MY_RECORD_START = WM_USER + 500;
inline constexpr uint32_t WM_MY_RECORD_STOP = WM_USER + 501;
inline constexpr uint32_t WM_MY_RECORD_SET_MONITOR = WM_USER + 502;
inline constexpr uint32_t WM_MY_RECORD_QUIT = WM_USER + 503;
inline constexpr uint32_t WM_MY_PLAY_START = WM_USER + 600;
inline constexpr uint32_t WM_MY_PLAY_STOP = WM_USER + 601;
inline constexpr uint32_t WM_MY_PLAY_WRITE = WM_USER + 602;
inline constexpr uint32_t WM_MY_PLAY_QUIT = WM_USER + 603;
// The devices' notices, as the system numbers them.
inline constexpr uint32_t MM_WOM_DONE = 0x3bd;
inline constexpr uint32_t MM_WIM_DATA = 0x3c0;
