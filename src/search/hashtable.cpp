#include "search/hashtable.h"

int16_t hashflag = 1;
int32_t ttblsz = 0;
int32_t ovlsz = 0;
int32_t etblsz = 0;
int32_t petblsz = 0;
int32_t pegtblsz = 0;

// No table is allocated yet, so there is nothing to clear.
void ZeroTTable() {}
