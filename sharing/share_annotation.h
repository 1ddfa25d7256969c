#pragma once
// Annotation over a shared screen on the sharer's side, without the window:
// the overlay timer's step. Holding Ctrl draws on board 9 from the last
// point to the pointer (sent like any whiteboard line, so everyone sees it);
// Ctrl and Alt together clear board 9. Every tenth step the overlay shows
// board 9 again, since the shared programs paint over it.

#include "platform/x11/x11_input.h"

#include <functional>

class ShareAnnotation {
public:
    static constexpr int overlay_period_ms = 100;
    static constexpr int repaint_every = 10;

    struct Step {
        bool cleared = false;   // board 9 was cleared
        bool segment = false;   // a segment was drawn: (x1, y1) to (x2, y2), screen coordinates
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        bool repaint = false;   // the overlay shows board 9 again
    };

    using StateSource = std::function<bool(platform::PointerState&)>;
    // The pointer of the process's display unless a test gives its own.
    explicit ShareAnnotation(StateSource source = {});

    // Timer 2; does nothing unless this instance shares.
    Step overlay_step();
    int ticks() const { return ticks_; }

private:
    StateSource source_;
    int trail_x_ = -1;
    int trail_y_ = -1;
    int ticks_ = 0;
};
