#include "eval/king.h"

#include <gtest/gtest.h>

#include "core/board.h"
#include "eval/evaluate.h"
#include "eval/term_setup.h"
#include "eval/weights.h"
#include "test_util.h"

namespace {

// A king that neither castled nor left its home square: no castling term.
void NoCastlingTerm() {
  castld[white] = castld[black] = 0;
  Mvboard[4] = Mvboard[60] = 0;
}

// ---------------------------------------------------------------------------

TEST(KingShelter, ThreePawnsAndTwoFreeSquaresRaiseNoAlarm) {
  // Stage 5; Black developed (w = KSFTY) but nothing aims at the king.
  TermPosition("r2qk2r/pppbbppp/2n2n2/4p3/8/8/5PPP/6K1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_EQ(stage, 5);
  ASSERT_GT(KSFTY, 0);
  const int s = Piece("g1");
  EXPECT_EQ(s, Mking[white][Sq("g1")]);  // p = 3, f = 2, d = 0, n = 0: t = 0
  EXPECT_EQ(KID[white], 0);
  EXPECT_EQ(NoBreathHole[white], 1);  // f1 and h1 lie on the king's rank
}

TEST(KingShelter, OwnRookOnF1LeavesOneFreeSquare) {
  TermPosition("r2qk2r/pppbbppp/2n2n2/4p3/8/8/5PPP/5RK1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_LT(stage, 8);
  const int w = (KSFTY * 4) >> 2;  // all four black minor pieces developed
  ASSERT_GT(w, 0);
  const int s = Piece("g1");
  EXPECT_EQ(s, Mking[white][Sq("g1")] - w);  // f = 1
  EXPECT_EQ(KID[white], 1);
  EXPECT_EQ(NoBreathHole[white], 1);
}

TEST(KingShelter, FreeSquareOffTheRankGivesTheKingAir) {
  // h2 has no pawn: h2 is free and lies off the king's rank.
  TermPosition("r2qk2r/pppbbppp/2n2n2/4p3/7P/8/5PP1/6K1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_LT(stage, 8);
  Piece("g1");
  EXPECT_EQ(NoBreathHole[white], 0);
  EXPECT_EQ(KID[white], 0);
}

TEST(KingShelter, FromStageEightTheAttackWalkIsSkipped) {
  // The same king with its own rook on f1: at stage 7 the missing free
  // square counts as danger, at stage 8 nothing of the walk is scored.
  TermPosition("r1bqk3/pppppppp/8/8/8/8/5PPP/5RK1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_EQ(stage, 7);
  Piece("g1");
  EXPECT_EQ(KID[white], 1);

  TermPosition("r2qk3/pppppppp/8/8/8/8/5PPP/5RK1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_EQ(stage, 8);
  EXPECT_EQ(KSFTY, 0);
  EXPECT_EQ(Piece("g1"), Mking[white][Sq("g1")]);
  EXPECT_EQ(KID[white], 0);
  EXPECT_EQ(NoBreathHole[white], 1);
}

// ---------------------------------------------------------------------------

TEST(KingAttack, RookThreatsOnTheFirstRankWeighByDevelopment) {
  // Stage 6, openness 5: KSFTY = 2 x (5 - 6) + 16 = 14. The rooks on d8 and
  // e8 aim at d1 and e1, which White does not hold: n = 2, KTHRT[2] = -20.
  TermPosition("3rr1k1/5ppp/8/8/8/8/Q4PPP/RNB3K1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_EQ(stage, 6);
  ASSERT_EQ(KSFTY, 14);
  ASSERT_EQ(Developed[black], 4);
  EXPECT_EQ(Piece("g1"), Mking[white][Sq("g1")] + (-20 * 14) / 16);
  EXPECT_EQ(KID[white], 0);
}

TEST(KingAttack, AnUndevelopedEnemyThreatensNothing) {
  TermPosition("3rr1k1/5ppp/8/8/8/8/Q4PPP/RNB3K1 w - - 0 1");
  NoCastlingTerm();
  Developed[black] = 0;  // w = 0
  EXPECT_EQ(Piece("g1"), Mking[white][Sq("g1")]);
}

TEST(KingAttack, ADefendedSquareAgainstOneAttackerCostsThree) {
  // A white rook on a1 now holds d1 and e1: each costs 3 instead of counting.
  TermPosition("3rr1k1/5ppp/8/8/8/8/Q4PPP/R5K1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_LT(stage, 8);
  const int w = KSFTY;
  EXPECT_EQ(Piece("g1"), Mking[white][Sq("g1")] - 6 + KTHRT[0] * w / 16);
}

TEST(KingAttack, KnightSquaresCountWhenAnEnemyKnightReachesThem) {
  // Stage 7, openness 5: KSFTY = 12. The knight on d4 reaches e2, which
  // White does not hold (n = 1), and f3, which the g2 pawn holds (-3).
  TermPosition("6k1/5ppp/8/8/3n4/8/B4PPP/QRR3K1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_EQ(stage, 7);
  ASSERT_EQ(KSFTY, 12);
  EXPECT_EQ(Piece("g1"), Mking[white][Sq("g1")] - 3 + (-5 * 12) / 16);
}

// ---------------------------------------------------------------------------

TEST(KingFiles, NoPawnsOnTheKingsFilesAgainstARook) {
  // Stage 9, openness 5: h = -7 / 2 = -3, KHOPN = -2, KHOPNX = -1. The
  // attack walk is off, so only the open g- and h-files speak.
  TermPosition("r3k3/ppppp3/8/8/8/8/PPPPP3/3Q2K1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_EQ(stage, 9);
  ASSERT_EQ(KHOPN, -2);
  ASSERT_EQ(KHOPNX, -1);
  EXPECT_EQ(Piece("g1"), Mking[white][Sq("g1")] + 2 * (KHOPN + KHOPNX));
  EXPECT_EQ(KID[white], 2);
}

TEST(KingFiles, HalfOpenFilesOfTheEnemyCostLess) {
  // White keeps its g- and h-pawns, Black has none there: KHOPNX twice,
  // no danger signs.
  TermPosition("r3k3/ppppp3/8/8/8/8/PPPPP1PP/3Q2K1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_LT(KHOPNX, 0);
  EXPECT_EQ(Piece("g1"), Mking[white][Sq("g1")] + 2 * KHOPNX);
  EXPECT_EQ(KID[white], 0);
}

TEST(KingFiles, KingOnTheCFileLooksAtBAndAFiles) {
  // c-file king: files c, b and a. Only the a-file is open for White.
  TermPosition("r3k3/1pppp3/8/8/8/8/1PPPP3/2K2Q2 w - - 0 1");
  NoCastlingTerm();
  ASSERT_GE(stage, 8);
  EXPECT_EQ(Piece("c1"), Mking[white][Sq("c1")] + KHOPN + KHOPNX);
  EXPECT_EQ(KID[white], 1);
}

TEST(KingFiles, WithoutEnemyRooksOrQueensOpenFilesDoNotMatter) {
  TermPosition("4kb2/ppppp3/8/8/8/8/PPPPP3/6K1 w - - 0 1");
  NoCastlingTerm();
  EXPECT_EQ(Piece("g1"), Mking[white][Sq("g1")]);
  EXPECT_EQ(KID[white], 0);
}

// ---------------------------------------------------------------------------

TEST(KingCastling, CastledKingGainsMovedKingLoses) {
  // Stage 9: KCASTLD = 1, KMOVD = -40 / 10. Pawns on g and h for both.
  TermPosition("r3k3/6pp/8/8/8/8/6PP/3Q2K1 w - - 0 1");
  NoCastlingTerm();
  ASSERT_EQ(stage, 9);
  ASSERT_EQ(KCASTLD, 1);
  ASSERT_EQ(KMOVD, -4);
  const int base = Mking[white][Sq("g1")];
  EXPECT_EQ(Piece("g1"), base);
  castld[white] = 1;
  EXPECT_EQ(Piece("g1"), base + 1);
  castld[white] = 0;
  Mvboard[4] = 1;
  EXPECT_EQ(Piece("g1"), base - 4);
}

TEST(KingWeakSquare, LateInTheGameAKingOnAWeakSquareInTheEnemyHalf) {
  // Stage 10: 3 x 10 - 15 = 15, only beyond the middle of the board.
  TermPosition("8/8/8/2k5/4K3/8/8/8 w - - 0 1");
  NoCastlingTerm();
  ASSERT_EQ(stage, 10);
  WfieldBoard[Sq("e4")] = 9;
  WfieldBoard[Sq("c5")] = 9;
  EXPECT_EQ(Piece("e4"), Mking[white][Sq("e4")]);
  EXPECT_EQ(Piece("c5"), Mking[black][Sq("c5")]);
  TermPosition("8/8/8/4K3/2k5/8/8/8 w - - 0 1");
  NoCastlingTerm();
  WfieldBoard[Sq("e5")] = 9;
  WfieldBoard[Sq("c4")] = 9;
  EXPECT_EQ(Piece("e5"), Mking[white][Sq("e5")] + 15);
  EXPECT_EQ(Piece("c4"), Mking[black][Sq("c4")] + 15);
  WfieldBoard[Sq("e5")] = 0;
  EXPECT_EQ(Piece("e5"), Mking[white][Sq("e5")]);
}

TEST(KingInCheck, UndefendedKingInCheckHangs) {
  // Stage 10, no enemy rook or queen: only the check counts, -14 - 6.
  TermPosition("4k3/4p3/8/8/1b6/8/4PP2/4K3 w - - 0 1");
  NoCastlingTerm();
  EXPECT_EQ(Piece("e1"), Mking[white][Sq("e1")] - 20);
  EXPECT_EQ(HungVar[white], 1);
  TermPosition("4k3/4p3/8/1b6/8/8/4PP2/4K3 w - - 0 1");
  NoCastlingTerm();
  EXPECT_EQ(Piece("e1"), Mking[white][Sq("e1")]);
  EXPECT_EQ(HungVar[white], 0);
}

}  // namespace
