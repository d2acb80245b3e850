// The tree search below the root: one recursive alpha-beta function for the
// full-width part of the tree and the quiescence part, with its per-ply
// state. Index p of a per-ply array belongs to the node at ply p (1 = root)
// or to the move made there; no node is searched at ply 40 or beyond.
//
// The horizon Xdepth grows with every extension on the current path and
// shrinks again when the extending node returns; maxhorizon caps how far
// most extensions may push it.
#pragma once

#include <cstdint>

#include "core/vorna.h"

extern int64_t NodeCnt;          // nodes visited by the current search
extern int32_t Tscore[kMaxPly];  // ordering score of the move searched per ply
extern uint8_t CapFlag[49];      // capture marks; CptrFlag points 8 bytes in
extern uint8_t* const CptrFlag;  // per ply: to-square + 1 of a capture, else 0

extern uint16_t PV;                  // hash move of the node being generated (short move)
extern int32_t Xdepth;               // current horizon in plies
extern int32_t maxhorizon;           // extensions stop once Xdepth reaches it
extern int32_t IncHorizon[kMaxPly];  // how much each node raised maxhorizon
extern int32_t Pscore[kMaxPly];      // positional part of the evaluation per ply
extern int16_t ChkFlag[kMaxPly];     // slot of the man giving check, -1 the king (set by evaluate)
extern int16_t ExtFlag[kMaxPly];     // flags of the move leading to each ply

// The tree's part of a new game: node count, capture marks, scores of ply 0.
void NewGameTree();

// Searches the position for side at ply with remaining depth (below 1:
// quiescence) in the window alpha..beta and returns its score. Writes the
// best line from bstline[ply] on, ended by 0; *rpt becomes 1 for a draw by
// repetition or perpetual check, -1 when the best line rests on one, else 0.
// nullflag is 1 in the reply to a null move.
int32_t TreeSearch(int side, int ply, int depth, int32_t alpha, int32_t beta, uint32_t* bstline,
                   int* rpt, int nullflag);
