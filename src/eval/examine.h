// Per-square tables prepared at the root.
//
// ExaminePosition fits five fixed base tables to the position before a
// search (and again at ply Sdepth - 5): stage, openness, where the kings
// stand and whether they moved, where the pawns stand and which squares
// enemy pawns can reach. The terms then read them by square; they are not
// updated as men move during the search.
#pragma once

#include <cstdint>

extern int32_t Mwpawn[64], Mbpawn[64];
extern int32_t Mknight[2][64], Mbishop[2][64], Mking[2][64];
extern int16_t HasKnight[2], HasBishop[2], HasRook[2], HasQueen[2];
extern int32_t BishCol[2];   // FieldColor of a side's only bishop, else 55
extern int32_t LoneBishCol;  // FieldColor of the bishop on the highest square
extern int16_t PawnStorm;    // kings on opposite wings early in the game

extern const int32_t KingOpening[64];
extern const int32_t KingEnding[64];
extern const int32_t PawnAdvance[64];
extern const int16_t UNDEV[7];

// Rebuilds the tables above for the current position.
void ExaminePosition();
