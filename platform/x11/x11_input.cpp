#include "platform/x11/x11_input.h"

#include "platform/x11/x11_internal.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace platform {

namespace {

bool has_xtest(Display* display)
{
    int event = 0, error = 0, major = 0, minor = 0;
    return XTestQueryExtension(display, &event, &error, &major, &minor) != 0;
}

template <class Request>
bool run_request(Request request)
{
    x11::LockedDisplay d = x11::lock_process_display();
    if (!d.display || !has_xtest(d.display))
        return false;
    x11::ErrorTrap trap(d.display);
    bool sent = request(d.display);
    XFlush(d.display);
    return sent && !trap.failed();
}

} // namespace

bool x11_input_available()
{
    x11::LockedDisplay d = x11::lock_process_display();
    return d.display && has_xtest(d.display);
}

bool x11_move_pointer(int x, int y)
{
    return run_request([x, y](Display* display) {
        return XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime) != 0;
    });
}

bool x11_button(int button, bool press)
{
    if (button < 1 || button > 3)
        return false;
    return run_request([button, press](Display* display) {
        return XTestFakeButtonEvent(display, static_cast<unsigned>(button), press ? True : False, CurrentTime) != 0;
    });
}

bool x11_key(unsigned long keysym, bool press)
{
    if (keysym == 0)
        return false;
    return run_request([keysym, press](Display* display) {
        KeyCode code = XKeysymToKeycode(display, static_cast<KeySym>(keysym));
        if (code == 0)
            return false;
        return XTestFakeKeyEvent(display, code, press ? True : False, CurrentTime) != 0;
    });
}

bool x11_pointer_state(PointerState& state)
{
    x11::LockedDisplay d = x11::lock_process_display();
    if (!d.display)
        return false;
    Window root_back = 0, child = 0;
    int wx = 0, wy = 0;
    unsigned mask = 0;
    if (!XQueryPointer(d.display, DefaultRootWindow(d.display), &root_back, &child, &state.x, &state.y, &wx, &wy, &mask))
        return false;
    state.ctrl = (mask & ControlMask) != 0;
    state.alt = (mask & Mod1Mask) != 0;
    return true;
}

unsigned long keysym_of_virtual_key(int vk)
{
    // Letters and digits share their codes with ASCII; a letter is sent as
    // its lower-case key, as the keyboard has it.
    if (vk >= 'A' && vk <= 'Z')
        return static_cast<unsigned long>(XK_a + (vk - 'A'));
    if (vk >= '0' && vk <= '9')
        return static_cast<unsigned long>(XK_0 + (vk - '0'));
    if (vk >= 0x70 && vk <= 0x87)  // F1..F24
        return static_cast<unsigned long>(XK_F1 + (vk - 0x70));
    if (vk >= 0x60 && vk <= 0x69)  // the keypad's digits
        return static_cast<unsigned long>(XK_KP_0 + (vk - 0x60));
    struct Pair {
        int vk;
        unsigned long keysym;
    };
    static constexpr Pair table[] = {
        { 0x08, XK_BackSpace }, { 0x09, XK_Tab }, { 0x0c, XK_Clear }, { 0x0d, XK_Return }, { 0x10, XK_Shift_L },
        { 0x11, XK_Control_L }, { 0x12, XK_Alt_L }, { 0x13, XK_Pause }, { 0x14, XK_Caps_Lock }, { 0x1b, XK_Escape },
        { 0x20, XK_space }, { 0x21, XK_Prior }, { 0x22, XK_Next }, { 0x23, XK_End }, { 0x24, XK_Home },
        { 0x25, XK_Left }, { 0x26, XK_Up }, { 0x27, XK_Right }, { 0x28, XK_Down }, { 0x2c, XK_Print },
        { 0x2d, XK_Insert }, { 0x2e, XK_Delete }, { 0x5b, XK_Super_L }, { 0x5c, XK_Super_R }, { 0x5d, XK_Menu },
        { 0x6a, XK_KP_Multiply }, { 0x6b, XK_KP_Add }, { 0x6d, XK_KP_Subtract }, { 0x6e, XK_KP_Decimal },
        { 0x6f, XK_KP_Divide }, { 0x90, XK_Num_Lock }, { 0x91, XK_Scroll_Lock }, { 0xa0, XK_Shift_L },
        { 0xa1, XK_Shift_R }, { 0xa2, XK_Control_L }, { 0xa3, XK_Control_R }, { 0xa4, XK_Alt_L }, { 0xa5, XK_Alt_R },
        { 0xba, XK_semicolon }, { 0xbb, XK_equal }, { 0xbc, XK_comma }, { 0xbd, XK_minus }, { 0xbe, XK_period },
        { 0xbf, XK_slash }, { 0xc0, XK_grave }, { 0xdb, XK_bracketleft }, { 0xdc, XK_backslash },
        { 0xdd, XK_bracketright }, { 0xde, XK_apostrophe },
    };
    for (const Pair& p : table)
        if (p.vk == vk)
            return p.keysym;
    return 0;
}

} // namespace platform
