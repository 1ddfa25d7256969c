#pragma once
// Synthesised input on the X server through XTest: what a remote viewer who
// steers a share does with its mouse and keys, replayed on the sharer's
// display. Each call returns false when the display or the extension is
// missing or the server refused the request.

#include <cstdint>

namespace platform {

bool x11_input_available();
bool x11_move_pointer(int x, int y);
// button 1 left, 2 middle, 3 right.
bool x11_button(int button, bool press);
// A key by its X KeySym (press and release are separate calls).
bool x11_key(unsigned long keysym, bool press);

// Where the pointer is and whether Ctrl and Alt are held now.
struct PointerState {
    int x = 0;
    int y = 0;
    bool ctrl = false;
    bool alt = false;
};
bool x11_pointer_state(PointerState& state);

// The Windows virtual-key codes the viewers send, as X KeySyms; 0 for a
// code without one.
unsigned long keysym_of_virtual_key(int virtual_key);

} // namespace platform
