#include "search/driver.h"

int32_t Sdepth = 0;
int32_t MaxSearchDepth = 31;
char DrawComment[64] = "Draw";
int32_t BookMoveFound = 1;
