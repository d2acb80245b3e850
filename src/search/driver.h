// Search driver: state of the engine's move choice.
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

// Chooses and plays the engine's move for side (or ponders/analyses when
// lookahead is set).
void SelectMove(int side);
