#pragma once
// The versions of a grid's tiles, row by row, for comparing with what a test wants.

#include "sharing/share_state.h"

#include <vector>

inline std::vector<int> versions(ShareGrid grid)
{
    std::vector<int> out;
    int n = grid_size(grid);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            out.push_back(tile_of(grid, r, c).version);
    return out;
}
