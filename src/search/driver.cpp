#include "search/driver.h"

int32_t Sdepth = 0;
int32_t MaxSearchDepth = 31;
char DrawComment[64] = "Draw";
int32_t BookMoveFound = 1;
uint32_t PrVar[kMaxPly];
int16_t MoveInfo[4];
int32_t RootCnt = 0;
int32_t inEGTB = 0;
int32_t tb_hits = 0;

// The search is not in place yet: the engine makes no move of its own.
void SelectMove(int /*side*/) {}
