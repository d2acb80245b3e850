// Tree search state shared with the driver and the evaluation.
#pragma once

#include <cstdint>

#include "core/vorna.h"

extern uint8_t HisTab[1024];     // history: [(side*8 + kind) * 64 + to]
extern int64_t NodeCnt;          // nodes visited by the current search
extern int32_t Tscore[kMaxPly];  // ordering score of the move searched per ply
extern uint8_t CapFlag[49];      // capture marks; CptrFlag points 8 bytes in
extern uint8_t* const CptrFlag;  // per ply: to-square + 1 of a capture, else 0
