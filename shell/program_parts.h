#pragma once
// Wires the subsystems into the program: their set-up steps of the global
// state, their message handlers. Called once, before init_global_state.

void install_program_parts();
