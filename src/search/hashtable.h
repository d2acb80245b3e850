// Hash-table sizes. Each table exists once per side, as the hash words do
// not include the side to move.
#pragma once

#include <cstdint>

extern int16_t hashflag;  // hashing on
extern int32_t ttblsz;    // home slots of the transposition table (power of two)
extern int32_t ovlsz;     // overflow stride behind the home slots
extern int32_t etblsz;    // transposition entries per side
extern int32_t petblsz;   // evaluation-cache entries per side
extern int32_t pegtblsz;  // tablebase-result cache entries per side

// Clears every table.
void ZeroTTable();
