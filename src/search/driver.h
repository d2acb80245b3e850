// Search driver: the engine's move choice. SelectMove generates the root
// list once, settles the positions that need no search, and runs iterative
// deepening with aspiration windows around BaseSearch, the pass over the
// root list. The best move always stands first in the list.
#pragma once

#include <cstdint>

#include "core/vorna.h"

// Roles and the mode of the search, set by the command loop.
extern int32_t computer;      // side the engine plays
extern int32_t opponent;      // the other side, whose move the loop expects
extern int32_t player;        // side being searched or entered
extern int16_t easy;          // no pondering
extern int32_t PonderOn;      // a search runs on the opponent's time
extern int32_t lookahead;     // 0 real move, 1 pondering or analysis, 2 prediction
extern int32_t puzzling;      // prediction search running
extern int32_t timeout;       // the search is to stop
extern int32_t WouldTimeout;  // the search would stop if it were not pondering

extern int32_t Sdepth;           // depth of the current iteration
extern int32_t MaxSearchDepth;   // deepest iteration
extern int32_t IterationCap;     // test hook: deepest iteration in any mode (0: none)
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

// The search's part of a new game: depth limit, roles (the engine plays
// Black), the stop flag and the book mark.
void NewGameSearch();
// Forgets what the search learned about the previous position (history,
// hash tables, iteration depth) after a position change that is not a move.
void NewPositionSearch();
// Chooses and plays the engine's move for side, or ponders and analyses
// (lookahead set) without playing.
void SelectMove(int side);
// One pass over the root list at ply 1; returns the best score.
int32_t BaseSearch(int side, int ply, int depth, int32_t alpha, int32_t beta, uint32_t* line,
                   int* rpt);
// Brings the highest-scored entry of [first, last] to first.
void Sort(TreeEntry* first, TreeEntry* last);
