#pragma once
// The whole shared picture under the tiles: the share view and the
// full-screen window both draw it first, so a late joiner sees the shared
// window or screen at once and the tiles then paint over it as they come.

#include "sharing/share_state.h"

class QPainter;

// Draws the grid's whole picture, if one is held: a window's ".bmp" at the
// shared rectangle's top left, the desktop's ".jpg" at 0, 0, each at its own
// size, in content coordinates less (scroll_x, scroll_y). The picture is
// loaded again (under its lock) only after the file changed; the loaded copy
// is kept for every window that draws it (UI thread only).
void draw_whole_share_picture(QPainter& painter, ShareGrid grid, int scroll_x = 0, int scroll_y = 0);
