// Making and unmaking moves with every derived array kept in step, and the
// repetition count. Each move pushes an undo record on GameList at GameCnt.
#pragma once

#include <cstdint>

#include "core/vorna.h"

extern uint32_t MOVE;  // move word of the move last made

// Makes the pseudo-legal move entry of side; may set MF_BARE in entry.
void MakeMove(int side, TreeEntry* entry);
// Takes back the move entry that side made last.
void UnmakeMove(int side, TreeEntry* entry);
// Number of earlier occurrences of the position since the last irreversible
// move (stops at 2 and sets DrawComment).
void ThreefoldRepetition(int* count);
// Debug check of the derived state against board and color; names the
// first broken invariant in why (when given). 1 when consistent.
int PositionIsConsistent(const char** why = nullptr);
