#include "eval/evaluate.h"

int32_t stage = -1, stage2 = -1;
int16_t Developed[2];
int16_t OpenFyles = -1;
int16_t OpenPos = -1;
int16_t PawnStorm = 0;
int16_t Zwmtl = 0, Zbmtl = 0;
int32_t Pscore[kMaxPly];
