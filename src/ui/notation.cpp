#include "ui/notation.h"

char LastScoreStr[32];
int32_t drawAcc = 0;
int32_t PreResigns = 0;
int32_t node_inc = 4096;
