#pragma once
// Clearing a pasted picture of a page by its numbers, with their checks.

// board and index must be 0..9: else one log line and -1. 0 when cleared.
int bmp_reset_one_entry(int board, int index);
