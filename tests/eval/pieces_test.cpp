#include "eval/pieces.h"

#include <gtest/gtest.h>

#include "core/board.h"
#include "core/movetables.h"
#include "eval/evaluate.h"
#include "eval/term_setup.h"
#include "eval/weights.h"
#include "test_util.h"

namespace {

// ---------------------------------------------------------------------------

TEST(RookTerm, OnTheOnlyOpenFile) {
  // Stage 10, Black without pieces: RookBonus = 20 + 120. From d1: c1, b1,
  // a1 and d2..d8, ten squares: RMBLTY[10] = 14. Open file 8 + RHOPNF 10;
  // it reaches d7: 9; 14 - taxi(d1, e8) = 6.
  TermPosition("4k3/ppp1pppp/8/8/8/8/PPP1PPPP/3RK3 w - - 0 1");
  ASSERT_EQ(OpenFyles, 1);
  ASSERT_EQ(RHOPNF, 10);
  ASSERT_EQ(RookBonus, 140);
  EXPECT_EQ(Piece("d1"), 140 + 14 + 8 + 10 + 9 + 6);
}

TEST(RookTerm, OnTheSeventhAgainstSeveralPawns) {
  // From a7: b7..e7, a8, a6..a1: eleven squares (RMBLTY 14); open a-file
  // 8 + RHOPNF 6 (three open files); seventh rank 12; 14 - taxi(a7, g8) = 7.
  TermPosition("6k1/R4ppp/8/8/8/8/5PPP/6K1 w - - 0 1");
  ASSERT_EQ(RHOPNF, 6);
  EXPECT_EQ(Piece("a7"), 140 + 14 + 8 + 6 + 12 + 7);
}

TEST(RookTerm, BehindItsOwnPawnOnTheFirstRank) {
  // Rook a1 behind a2: b1..d1 (RMBLTY[3] = 7), -8 for the pawn in front,
  // no seventh-rank square in reach; 14 - taxi(a1, e8) = 3.
  TermPosition("4k3/p7/8/8/8/8/P7/R3K3 w - - 0 1");
  EXPECT_EQ(Piece("a1"), RookBonus + 7 - 8 + 3);
}

TEST(RookTerm, TargetsFromThePawnTermAddUp) {
  TermPosition("4k3/p7/8/8/8/8/P7/R3K3 w - - 0 1");
  const int plain = Piece("a1");
  Rook_Precious[white] = 5;
  EXPECT_EQ(Piece("a1"), plain + 5);
}

// ---------------------------------------------------------------------------

TEST(KnightTerm, AttackedByAPawnItHangsEvenWhenDefended) {
  // d4 defended by e3, attacked by c5: -14 (counted once, it has squares
  // to go to) and -6.
  TermPosition("4k3/8/8/2p5/3N4/4P3/8/4K3 w - - 0 1");
  ASSERT_GT(stage, 1);
  EXPECT_EQ(Piece("d4"), Mknight[white][Sq("d4")] + 4 - OpenPos - 20);
  EXPECT_EQ(HungVar[white], 1);
}

TEST(KnightTerm, AttackedOnlyByARookAndDefendedByAPawnCostsNothing) {
  TermPosition("3rk3/8/8/8/3N4/4P3/8/4K3 w - - 0 1");
  EXPECT_EQ(Piece("d4"), Mknight[white][Sq("d4")] + 4 - OpenPos);
  EXPECT_EQ(HungVar[white], 0);
}

TEST(KnightTerm, InFrontOfTheCPawnInTheOpening) {
  // Stage 0: 2 x 0 - 20.
  TermPosition("rnbqkbnr/pppppppp/8/8/8/2N5/PPPPPPPP/R1BQKBNR b KQkq - 1 1");
  ASSERT_EQ(stage, 0);
  EXPECT_EQ(Piece("c3"), Mknight[white][Sq("c3")] - 20);
  TermPosition("rnbqkbnr/pppppppp/8/8/2P5/2N5/PP1PPPPP/R1BQKBNR b KQkq - 0 2");
  EXPECT_EQ(Piece("c3"), Mknight[white][Sq("c3")]);
  TermPosition("r1bqkbnr/pppppppp/2n5/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 1 2");
  EXPECT_EQ(Piece("c6"), Mknight[black][Sq("c6")] - 20);
}

TEST(KnightTerm, WeakSquareInTheEnemyHalf) {
  TermPosition("4k3/8/8/3N4/3n4/8/8/4K3 w - - 0 1");
  const int white_plain = Piece("d5"), black_plain = Piece("d4");
  WfieldBoard[Sq("d5")] = 11;
  WfieldBoard[Sq("d4")] = 11;
  EXPECT_EQ(Piece("d5"), white_plain + 8);
  EXPECT_EQ(Piece("d4"), black_plain + 8);
}

TEST(KnightTerm, TrappedWhenEverySquareIsCovered) {
  TermPosition("N2k4/2p5/1p6/8/8/8/8/4K3 w - - 0 1");
  ScoreAs(white);
  EXPECT_EQ(PieceTrapped(Sq("a8"), knight), 1);  // b6 and c7 are covered
  TermPosition("N3k3/2p5/1p6/8/8/8/8/4K3 w - - 0 1");
  ScoreAs(white);
  EXPECT_EQ(PieceTrapped(Sq("a8"), knight), 0);  // c7 is not
}

// ---------------------------------------------------------------------------

TEST(BishopTerm, DiscoveredAttackBehindItsOwnKnight) {
  // Stage 9 (KATAK 0), BishopBonus 8. From b2: a3, d4, e5 (behind the
  // knight), c1, a1: BMBLTY[5] = 8; the queen behind its own knight: 8.
  TermPosition("4k3/8/5q2/8/8/2N5/1B6/4K3 w - - 0 1");
  ASSERT_EQ(KATAK, 0);
  ASSERT_EQ(BishopBonus, 8);
  EXPECT_EQ(Piece("b2"), 8 + Mbishop[white][Sq("b2")] + 8 + 8);
  EXPECT_EQ(Color_Bishop[white], 2);
}

TEST(BishopTerm, PinsAnEnemyKnightToItsQueen) {
  // The queen defends the knight: just the pin, 5.
  TermPosition("4k3/8/5q2/8/8/2n5/1B6/4K3 w - - 0 1");
  EXPECT_EQ(Piece("b2"), 8 + Mbishop[white][Sq("b2")] + 8 + 5);
  EXPECT_EQ(HungVar[black], 0);
}

TEST(BishopTerm, PinsAnUndefendedKnightToItsKing) {
  // 5 for the pin, 5 as the king stands behind, 5 as nothing defends the
  // knight; the knight is counted twice as hanging.
  TermPosition("8/8/5k2/8/8/2n5/1B6/4K3 w - - 0 1");
  ASSERT_EQ(KATAK, 0);
  EXPECT_EQ(Piece("b2"), 8 + Mbishop[white][Sq("b2")] + 8 + 15);
  EXPECT_EQ(HungVar[black], 2);
}

TEST(BishopTerm, TrappedOnA7) {
  // b8 is covered by the king and the rook, which attacks the undefended
  // bishop: -44 x 3; one square (b8) reached: BMBLTY[1] = -4; BishopBonus
  // 8 - 2; hanging -14 with nowhere to go (counted twice) and -6.
  TermPosition("r1k5/B1p5/1p6/8/8/8/8/4K3 w - - 0 1");
  ASSERT_EQ(BishopBonus, 6);
  EXPECT_EQ(Piece("a7"), 6 + Mbishop[white][Sq("a7")] - 4 - 132 - 14 - 6);
  EXPECT_EQ(HungVar[white], 2);
}

TEST(BishopTerm, WeakSquaresOfItsColourAddAQuarter) {
  TermPosition("4k3/8/5q2/8/8/2N5/1B6/4K3 w - - 0 1");
  const int plain = Piece("b2");
  Wfield_Cnt[FieldColor[Sq("b2")]] = 22;
  Wfield_Cnt[1 - FieldColor[Sq("b2")]] = 40;
  EXPECT_EQ(Piece("b2"), plain + 22 / 4);
}

TEST(BishopTerm, BothColoursMakeAPair) {
  TermPosition("4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1");
  Piece("c1");
  EXPECT_EQ(Color_Bishop[white], 2);
  Piece("f1");
  EXPECT_EQ(Color_Bishop[white], 3);
}

// ---------------------------------------------------------------------------

TEST(QueenTerm, NothingInTheOpening) {
  TermPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  EXPECT_EQ(Piece("d1"), 0);
  EXPECT_EQ(Piece("d8"), 0);
}

TEST(QueenTerm, SafeNextToTheKingOnAWeakSquareBackedByARook) {
  // Stage 9: 14 - taxi(g6, h8) = 11; near the king 3, safe 4.
  TermPosition("7k/8/6Q1/8/8/8/8/6RK w - - 0 1");
  EXPECT_EQ(Piece("g6"), 11 + 3 + 4);
  EXPECT_EQ(KID[black], 0);
  WfieldBoard[Sq("g6")] = 11;
  EXPECT_EQ(Piece("g6"), 11 + 3 + 4 + 4);
  EXPECT_EQ(KID[black], 1);
}

TEST(QueenTerm, OffsideOnTheWrongWing) {
  // Five pawns, the queen on a1 behind the a-pawn, both kings on the
  // g-file: 14 - taxi(a1, g8) = 1, -8.
  TermPosition("6k1/5ppp/8/8/8/8/PPPPP3/Q5K1 w - - 0 1");
  EXPECT_EQ(Piece("a1"), 1 - 8);
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------

TEST(ExtremePositions, NineQueensAgainstABareKingStayWithinTheSums) {
  // Nine queens are 9810 of material; crowded on the back rank their terms
  // come to a few hundred. A sum that ran past 16 bits would be far off.
  const char* fens[] = {
      "QQQQQQQQ/8/8/8/8/8/8/Q3K2k b - - 0 1",
      "q3k2K/8/8/8/8/8/8/qqqqqqqq w - - 0 1",
  };
  for (const char* fen : fens) {
    const int32_t score = FullScore(fen);
    EXPECT_GT(score, -9810 - 2000) << fen;
    EXPECT_LT(score, -9810 + 2000) << fen;
  }
}

}  // namespace
