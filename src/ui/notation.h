// Move texts, thinking and result lines.
#pragma once

#include <cstdint>

extern char LastScoreStr[32];  // score text of the engine's last move
extern int32_t drawAcc;        // consecutive engine moves scored exactly 0
extern int32_t PreResigns;     // engine moves with a clearly lost score
extern int32_t node_inc;       // nodes between two clock checks
