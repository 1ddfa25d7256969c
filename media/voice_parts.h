#pragma once
// Wires the voice machinery into the program: its set-up steps of the global
// state, the talk handlers of the peer links, and its threads.

// Fills init_sound_queue, read_speaker_volume and stop_talking of the
// global-state steps and hands peer-link talk to the talk handlers.
void install_voice_parts();
// The sound master thread, the peer server and the peer receiver (program start).
int start_voice_threads();
