#include "eval/pieces.h"

#include "core/movetables.h"
#include "eval/evaluate.h"

// The piece terms are not scored yet: every piece is neutral. A bishop still
// records its square colour, which the endgame scaling relies on.
int16_t ScoreKnight(int sq) {
  (void)sq;
  return 0;
}

int16_t ScoreBishop(int sq) {
  Color_Bishop[c1] = static_cast<int16_t>(Color_Bishop[c1] | (FieldColor[sq] + 1));
  return 0;
}

int16_t ScoreRook(int sq) {
  (void)sq;
  return 0;
}

int16_t ScoreQueen(int sq) {
  (void)sq;
  return 0;
}

int PieceTrapped(int sq, int kind) {
  (void)sq;
  (void)kind;
  return 0;
}
