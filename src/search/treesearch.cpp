#include "search/treesearch.h"

int64_t NodeCnt = 0;
int32_t Tscore[kMaxPly];
uint8_t CapFlag[49];
uint8_t* const CptrFlag = CapFlag + 8;

uint16_t killr0[kMaxPly], killr1[kMaxPly], killr2[kMaxPly], killr3[kMaxPly];
uint16_t PV = 0;
int32_t Xdepth = 0;
