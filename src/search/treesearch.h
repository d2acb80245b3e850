// Tree search state shared with the driver and the evaluation.
#pragma once

#include <cstdint>

#include "core/vorna.h"

extern int64_t NodeCnt;          // nodes visited by the current search
extern int32_t Tscore[kMaxPly];  // ordering score of the move searched per ply
extern uint8_t CapFlag[49];      // capture marks; CptrFlag points 8 bytes in
extern uint8_t* const CptrFlag;  // per ply: to-square + 1 of a capture, else 0

extern uint16_t killr0[kMaxPly], killr1[kMaxPly], killr2[kMaxPly], killr3[kMaxPly];
extern uint16_t PV;      // principal-variation move at the node (short move)
extern int32_t Xdepth;   // current horizon in plies
