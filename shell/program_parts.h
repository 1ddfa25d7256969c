#pragma once
// Wires the subsystems into the program: their set-up steps of the global
// state, their message handlers. Called once, before init_global_state.

void install_program_parts();

// Start-up step 10: the threads that live until the process ends, started in
// this order: multicast receiver, LAN master election, peer server, peer
// receiver, sound master. Each subsystem adds its start in its place.
void start_program_threads();
