// Endgame tablebases.
#pragma once

#include <cstdint>

extern int32_t tb_access;  // most men (kings included) the open tables cover; 0 = none

// A new game closes the files that are open.
void NewGameTb();
// Closes the open tablebase files.
void VTbCloseFiles();
// 1 with *score (for side to move, ply from the root) when the position has a
// tablebase value, else 0.
int nEGTBProbe(int ply, int side, int32_t* score);
