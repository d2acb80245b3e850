// Move and distance tables built once at start-up.
//
// For a man of move-table type T on origin O, the squares it reaches on an
// empty board form rays. next[T][O][X].nextpos is the square after X on X's
// ray (or the first square of the next ray when X ends its ray), and
// next[T][O][X].nextdir the first square of the ray after X's. Both chains
// start at X = O and end by returning O. Pawns keep pushes on the nextpos
// chain and captures on the nextdir chain.
#pragma once

#include <cstdint>

struct NextStep {
  uint8_t nextpos;
  uint8_t nextdir;
};

extern int16_t nunmap[120];         // mailbox index -> square, -1 off the board
extern const int16_t direc[8][8];   // mailbox steps per move-table type
extern const int16_t max_steps[8];  // longest ray per move-table type
extern NextStep next[8][64][64];    // ray chains, see above
extern uint8_t distdata[65][65];    // king distance; square 64 is "absent"
extern uint8_t taxidata[64][64];    // Manhattan distance
extern int16_t FieldColor[64];      // 1 on dark squares

// The square after x in a walk that goes on along the ray past an empty
// square and to the next ray at a man: a shift rather than a branch, since
// whether a square is empty is a coin toss for the predictor.
inline int StepAfter(const NextStep* nx, int x, bool occupied) {
  const unsigned both = nx[x].nextpos | (unsigned{nx[x].nextdir} << 8);
  return static_cast<int>((both >> (occupied ? 8 : 0)) & 0xff);
}

// The nextdir chain of a pawn (its captures), knight or king laid out flat,
// in chain order, for the attack maps: no load waits for the one before.
struct StepSet {
  uint8_t count;
  uint8_t sq[8];
};
extern StepSet Steps[8][64];
// Squares within king distance 1 of each square, the square included.
extern uint64_t KingZone[64];

void Initialize_moves();
void Initialize_dist();
void Initialize_fcol();
// Builds all three tables (what start-up, the tools and the tests need).
void InitializeTables();

inline int distance(int a, int b) {
  return distdata[a][b];
}
