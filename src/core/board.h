// The position, the move tree and the game record.
//
// One position at a time: `board`/`color` per square, plus the derived state
// kept in step by every move (piece lists, counts, material, hash words).
// Slot 0 of a side's piece list is its king; slots 1..PieceCnt hold the
// other men in no particular order, and Pindex[sq] names a man's slot.
#pragma once

#include <cstdint>

#include "core/vorna.h"

extern int16_t board[64];
extern int16_t color[64];
extern int16_t Mvboard[64];
extern int16_t PieceList[2][16];
extern int16_t PieceCnt[2];
extern int16_t Pindex[64];
extern int16_t PawnCnt[2][8];
extern int16_t mtl[2], pmtl[2], emtl[2];
extern int16_t castld[2];
extern uint8_t epsquare;
extern int16_t Game50;
extern int16_t GameCnt;
extern int16_t lboard[64], lcolor[64];

extern uint32_t hashkey, hashbd;
extern HashCode hashcode[2][8][64];

extern TreeEntry Tree[kTreeSize];
extern TreeEntry* TrPnt[kMaxPly];
extern TreeEntry* root;

extern GameEntry GameList[kGameListSize];
extern char DrawComment[64];  // reason given with a drawn result

// Draws the hash codes from the seeded generator.
void InitHashCodes();
// Recomputes every derived array from board and color (piece lists, pawn
// counts, material, hash words); clears epsquare.
void InitializeBoardStats();
// The initial position with an empty game record and fresh hash codes.
void NewGameBoard();
