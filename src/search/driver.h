// Search driver: the engine's move choice. SelectMove generates the root
// list once, settles the positions that need no search, and runs iterative
// deepening with aspiration windows around BaseSearch, the pass over the
// root list. The best move always stands first in the list.
#pragma once

#include <cstdint>

#include "core/vorna.h"

extern int32_t Sdepth;           // depth of the current iteration
extern int32_t MaxSearchDepth;   // deepest iteration
extern char DrawComment[64];     // reason given with a drawn result
extern int32_t BookMoveFound;    // the last move came from the book
extern uint32_t PrVar[kMaxPly];  // principal variation, move words by ply (1 = root move)
extern int16_t MoveInfo[4];      // root move searched (1-based), legal root moves, its from, to
extern int32_t RootCnt;          // root moves searched in the current iteration
extern int32_t inEGTB;           // the root position is in a tablebase
extern int32_t tb_hits;          // tablebase probes answered at the root
extern int32_t LastItScore;      // score of the last finished iteration
extern int32_t LastScore;        // root score of the last search
extern int32_t Zscore, zwndw;    // running average of iteration scores and its tolerance
extern int32_t LastIteration;    // this iteration is likely the last: learning stores
extern int32_t istage, istage2;  // game stages at the search start
extern const int16_t* KingRiskPtr[2];  // king danger per side, or a constant 0
extern int16_t WeakFields[64];         // weak squares at the root

// Chooses and plays the engine's move for side, or ponders and analyses
// (lookahead set) without playing.
void SelectMove(int side);
// One pass over the root list at ply 1; returns the best score.
int32_t BaseSearch(int side, int ply, int depth, int32_t alpha, int32_t beta, uint32_t* line,
                   int* rpt);
// Brings the highest-scored entry of [first, last] to first.
void Sort(TreeEntry* first, TreeEntry* last);
