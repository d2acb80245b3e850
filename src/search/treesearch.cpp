#include "search/treesearch.h"

uint8_t HisTab[1024];
int64_t NodeCnt = 0;
int32_t Tscore[kMaxPly];
uint8_t CapFlag[49];
uint8_t* const CptrFlag = CapFlag + 8;
