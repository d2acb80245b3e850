// Evaluation state kept across calls: game stage and its keys.
#pragma once

#include <cstdint>

#include "core/vorna.h"

extern int32_t stage, stage2;  // 0 opening .. 10 few pieces, -1 after a new game
extern int16_t Developed[2];   // minor-piece home squares left per side
extern int16_t OpenFyles;      // files without pawns, up to 3
extern int16_t OpenPos;
extern int16_t PawnStorm;
extern int16_t Zwmtl, Zbmtl;     // material when the weights were last computed
extern int32_t Pscore[kMaxPly];  // positional score per ply
