#include "sharing/share_annotation.h"

#include "core/global_state.h"
#include "sharing/share_viewer.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

namespace {

constexpr int board_annotation = 9;

} // namespace

ShareAnnotation::ShareAnnotation(StateSource source) : source_(std::move(source))
{
    if (!source_)
        source_ = [](platform::PointerState& s) { return platform::x11_pointer_state(s); };
}

ShareAnnotation::Step ShareAnnotation::overlay_step()
{
    Step step;
    if (!this_instance_shares())
        return step;
    platform::PointerState now;
    if (!source_(now))
        return step;
    if (now.ctrl && now.alt) {
        send_board_clear(board_annotation);
        trail_x_ = trail_y_ = -1;
        step.cleared = true;
        return step;
    }
    if (now.ctrl) {
        if (trail_x_ != -1) {
            const board_record& page = g_board[static_cast<size_t>(board_annotation)];
            send_board_line(board_annotation, page.pen_red, page.pen_green, page.pen_blue, trail_x_, trail_y_, now.x, now.y,
                            page.pen_width, 0);
            step.segment = true;
            step.x1 = trail_x_;
            step.y1 = trail_y_;
            step.x2 = now.x;
            step.y2 = now.y;
        }
        trail_x_ = now.x;
        trail_y_ = now.y;
    } else {
        trail_x_ = trail_y_ = -1;
    }
    ++ticks_;
    step.repaint = ticks_ % repaint_every == 0 && g_board[static_cast<size_t>(board_annotation)].visible_count > 0;
    return step;
}
