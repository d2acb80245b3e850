// Pseudo-legal move generation and attack detection.
//
// Moves are written into Tree from TrPnt[ply] on, each with an ordering score
// below zero (best first after a sort); TrPnt[ply + 1] marks the end. Legality
// (the mover's king left attacked) is tested by whoever makes the moves. When
// the tree is full the generators stop adding moves and set TreeOverflow.
#pragma once

#include <cstdint>

#include "core/vorna.h"

extern TreeEntry* NextPnt;    // where the generator writes next
extern int16_t TreeOverflow;  // a generator ran out of tree entries
extern const int32_t pknight[64];
extern const int32_t pbishop[64];

// All pseudo-legal moves of side, scored for ordering by what the position
// shows (captures, checks near the root, piece placement, pawn advances);
// the search adds what it learned (killers, history, refutations).
void MoveList(int side, int ply);
// Scores one move and appends it (four entries for a promotion).
void AssignBonus(int ply, uint32_t move, uint16_t flags, int xside);
// Captures, queen promotions and, while ply <= horizon + 1, pawn moves to the
// seventh rank.
void CaptureList(int side, int xside, int ply, int horizon);
// 1 when side, moving from -> to, attacks the king on ksq afterwards. The
// move is tried on board and color only.
bool GivesCheck(int side, int from, int to, int ksq);
// Quiescence moves with checks, for generator g = 1 or 2: the captures of
// CaptureList, checking captures flagged MF_CHECK and scored higher, and
// quiet checks (g 2: knight and sliding moves; g 1: rook and queen moves
// to the enemy king's rank).
void CheckCaptureList(int side, int xside, int ply, int g, int horizon);
// 1 when side attacks square sq, else 0.
int SqAtakd(int sq, int side);
// Castling: mode 0 tests legality (1/0), 1 makes it, 2 takes it back.
int castle(int side, uint16_t move, int mode);
// En-passant pawn of xside: mode 1 removes it, 2 puts it back.
void EnPassant(int xside, int from, int to, int mode);
// Attack words of side: count in the low byte, attacking kinds' codes above.
void ataks(int side, int16_t* a);
