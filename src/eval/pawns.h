// Pawn structure: one pawn scored at a time, with the passed-pawn, weak-square
// and rook-target records that the other terms read afterwards.
#pragma once

#include <cstdint>

// Score of the pawn on sq for its own side (c1); side is the side to move.
int16_t ScorePawn(int sq, int side);
