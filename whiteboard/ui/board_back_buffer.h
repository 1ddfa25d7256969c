#pragma once
// A page painted at board scale into a 1600 x 1000 picture and kept up to
// the model: painted whole when it is stale or another page is shown, new
// actions painted on as they arrive, rubber bands XORed on and kept over the
// actions that land under them. The whiteboard view and the full-screen
// window each show one.

#include "whiteboard/board_action.h"
#include "whiteboard/board_gestures.h"

#include <QImage>
#include <QRect>

#include <vector>

class BoardBackBuffer {
public:
    BoardBackBuffer();

    // Shows board from now on; true when that is another page than before
    // (the picture is then stale).
    bool show_board(int board);
    int board() const { return board_; }
    void mark_stale() { stale_ = true; }
    bool stale() const { return stale_; }

    // The picture brought up to the model.
    const QImage& image();
    // Paints the page's actions below count that are not on yet; false when
    // the whole picture must be shown again instead (another page, stale).
    bool add_actions(int board, int count);
    // An action drawn on now (a stroke before its relay); false when board is not shown.
    bool draw(int board, const board_action& action);
    // Draws band with the XOR pen: on, or off when it is on. The page box
    // it covers; empty when board is not shown.
    QRect xor_band(int board, const BoardRubberBand& band);

private:
    void repaint();

    QImage picture_;
    int board_ = -1;
    bool stale_ = true;
    int painted_count_ = 0;
    std::vector<BoardRubberBand> bands_;
};
