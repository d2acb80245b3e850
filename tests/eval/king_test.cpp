#include "eval/king.h"

#include <gtest/gtest.h>

#include "core/board.h"
#include "eval/evaluate.h"
#include "eval/term_setup.h"
#include "eval/weights.h"
#include "test_util.h"

namespace {

// The king on sq scored after TermPosition(fen), with no castling term (the
// king neither castled nor left its home square) unless tweak changes the
// state; delta is the score beyond the king's square table.
struct KingCase {
  const char *fen, *sq;
  int stage, delta, kid, breath, hung;
  void (*tweak)() = nullptr;
};

TEST(KingSafety, TermsOfTheKingsSquare) {
  const char* rooks = "3rr1k1/5ppp/8/8/8/8/Q4PPP/RNB3K1 w - - 0 1";
  const char* castle = "r3k3/6pp/8/8/8/8/6PP/3Q2K1 w - - 0 1";
  const char* weak = "8/8/8/4K3/2k5/8/8/8 w - - 0 1";  // the kings in the enemy half
  const char* home = "8/8/8/2k5/4K3/8/8/8 w - - 0 1";
  const KingCase cases[] = {
      // Shelter: three pawns and two free squares on the king's rank raise
      // no alarm; the own rook on f1 leaves one (w = KSFTY x 4 / 4); a free
      // square off the rank (h2) gives the king air.
      {"r2qk2r/pppbbppp/2n2n2/4p3/8/8/5PPP/6K1 w - - 0 1", "g1", 5, 0, 0, 1, kAny},
      {"r2qk2r/pppbbppp/2n2n2/4p3/8/8/5PPP/5RK1 w - - 0 1", "g1", 4, -18, 1, 1, kAny},
      {"r2qk2r/pppbbppp/2n2n2/4p3/7P/8/5PP1/6K1 w - - 0 1", "g1", kAny, kAny, 0, 0, kAny},
      // At stage 7 the missing free square is danger; from 8 on the attack
      // walk is skipped.
      {"r1bqk3/pppppppp/8/8/8/8/5PPP/5RK1 w - - 0 1", "g1", 7, kAny, 1, kAny, kAny},
      {"r2qk3/pppppppp/8/8/8/8/5PPP/5RK1 w - - 0 1", "g1", 8, 0, 0, 1, kAny},
      // Rooks on d8 and e8 aim at d1 and e1, not held: n = 2, KTHRT[2] =
      // -20, KSFTY = 2 x (5 - 6) + 16 at openness 5. An undeveloped enemy
      // threatens nothing; a1 holding both squares costs 3 for each.
      {rooks, "g1", 6, -20 * 14 / 16, 0, kAny, kAny},
      {rooks, "g1", kAny, 0, kAny, kAny, kAny, [] { Developed[black] = 0; }},
      {"3rr1k1/5ppp/8/8/8/8/Q4PPP/R5K1 w - - 0 1", "g1", 7, -6, kAny, kAny, kAny},
      // The d4 knight reaches e2, not held (n = 1), and f3, held by g2 (-3).
      {"6k1/5ppp/8/8/3n4/8/B4PPP/QRR3K1 w - - 0 1", "g1", 7, -3 + (-5 * 12) / 16, kAny, kAny, kAny},
      // Files at stage 9, openness 5: KHOPN = -2, KHOPNX = -1. Open g- and
      // h-files; half-open for the enemy only; a c-file king looks at b and
      // a; without enemy rooks or queens open files do not matter.
      {"r3k3/ppppp3/8/8/8/8/PPPPP3/3Q2K1 w - - 0 1", "g1", 9, 2 * (-2 - 1), 2, kAny, kAny},
      {"r3k3/ppppp3/8/8/8/8/PPPPP1PP/3Q2K1 w - - 0 1", "g1", kAny, 2 * -1, 0, kAny, kAny},
      {"r3k3/1pppp3/8/8/8/8/1PPPP3/2K2Q2 w - - 0 1", "c1", kAny, -2 - 1, 1, kAny, kAny},
      {"4kb2/ppppp3/8/8/8/8/PPPPP3/6K1 w - - 0 1", "g1", kAny, 0, 0, kAny, kAny},
      // Castling at stage 9: KCASTLD = 1, KMOVD = -40 / 10.
      {castle, "g1", 9, 0, kAny, kAny, kAny},
      {castle, "g1", kAny, 1, kAny, kAny, kAny, [] { castld[white] = 1; }},
      {castle, "g1", kAny, -4, kAny, kAny, kAny, [] { Mvboard[4] = 1; }},
      // Stage 10: a king on a weak square gets 3 x 10 - 15, only in the
      // enemy half.
      {home, "e4", 10, 0, kAny, kAny, kAny, [] { WfieldBoard[Sq("e4")] = 9; }},
      {home, "c5", kAny, 0, kAny, kAny, kAny, [] { WfieldBoard[Sq("c5")] = 9; }},
      {weak, "e5", 10, 15, kAny, kAny, kAny, [] { WfieldBoard[Sq("e5")] = 9; }},
      {weak, "c4", kAny, 15, kAny, kAny, kAny, [] { WfieldBoard[Sq("c4")] = 9; }},
      {weak, "e5", kAny, 0, kAny, kAny, kAny},
      // Stage 10, no enemy rook or queen: an undefended king in check hangs,
      // -14 - 6; out of check it does not.
      {"4k3/4p3/8/8/1b6/8/4PP2/4K3 w - - 0 1", "e1", kAny, -20, kAny, kAny, 1},
      {"4k3/4p3/8/1b6/8/8/4PP2/4K3 w - - 0 1", "e1", kAny, 0, kAny, kAny, 0},
  };
  for (const KingCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fen << " " << c.sq);
    TermPosition(c.fen);
    castld[white] = castld[black] = 0;
    Mvboard[4] = Mvboard[60] = 0;
    if (c.tweak) c.tweak();
    const int s = Sq(c.sq), side = color[s];
    const int delta = Piece(c.sq) - Mking[side][s];
    ExpectTerms({{"stage", stage, c.stage},
                 {"delta", delta, c.delta},
                 {"KID", KID[side], c.kid},
                 {"NoBreathHole", NoBreathHole[side], c.breath},
                 {"HungVar", HungVar[side], c.hung}});
  }
}

}  // namespace
