#include "eval/king.h"

// King safety is not scored yet: the king is neutral and KID and
// NoBreathHole keep the values the evaluation set before scoring.
int16_t ScoreKing(int sq) {
  (void)sq;
  return 0;
}
