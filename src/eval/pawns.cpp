#include "eval/pawns.h"

// The pawn-structure terms are not scored yet: every pawn is neutral and the
// records stay as ScorePosition reset them.
int16_t ScorePawn(int sq, int side) {
  (void)sq;
  (void)side;
  return 0;
}
