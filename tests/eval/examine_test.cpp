#include "eval/examine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/board.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "eval/evaluate.h"
#include "eval/flip_fen.h"
#include "test_util.h"

namespace {

void ExamineFen(const std::string& fen) {
  SetFen(fen.c_str());
  stage = -1;
  ExaminePosition();
}

TEST(RootTables, InitialPositionUsesTheOpeningKingAndHomeSquarePenalties) {
  ExamineFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  ASSERT_EQ(stage, 0);
  ASSERT_EQ(OpenPos, 2);
  for (int sq = 0; sq < 64; sq++) {
    EXPECT_EQ(Mking[white][sq], KingOpening[sq]) << sq;
    EXPECT_EQ(Mking[black][sq], KingOpening[sq]) << sq;
  }
  // b1 lies 10 king steps from the two kings together, so only the
  // home-square penalty UNDEV[0] * OpenPos = 8 is left of the additions;
  // g1 is one step nearer.
  EXPECT_EQ(Mknight[white][Sq("b1")], pknight[Sq("b1")] - 8);
  EXPECT_EQ(Mknight[white][Sq("g1")], pknight[Sq("g1")] - 8 + 1);
  EXPECT_EQ(Mknight[black][Sq("b8")], pknight[Sq("b8")] - 8);
  EXPECT_EQ(Mbishop[white][Sq("c1")], pbishop[Sq("c1")] - 8);
  EXPECT_EQ(Mbishop[black][Sq("f8")], pbishop[Sq("f8")] - 8);
  EXPECT_EQ(HasKnight[white], 2);
  EXPECT_EQ(HasBishop[black], 2);
  EXPECT_EQ(HasRook[white], 2);
  EXPECT_EQ(HasQueen[black], 1);
  EXPECT_EQ(BishCol[white], 55);  // two bishops
  EXPECT_EQ(PawnStorm, 0);
}

TEST(RootTables, SquareNoEnemyPawnCanReachIsAnOutpost) {
  ExamineFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  // d7 and d8 are beyond every black pawn's reach: KNIGHTSTRONG = 3 there.
  // d6 is covered by the pawns on c7 and e7.
  const int d7 = Sq("d7"), d6 = Sq("d6");
  EXPECT_EQ(KNIGHTSTRONG, 3);
  EXPECT_EQ(Mknight[white][d7], pknight[d7] + (10 - 6 - 1) + 3);
  EXPECT_EQ(Mknight[white][d6], pknight[d6] + (10 - 5 - 2));
  EXPECT_EQ(Mbishop[white][d7], pbishop[d7] + 3);
  EXPECT_EQ(Mbishop[white][d6], pbishop[d6]);
}

TEST(RootTables, IsolatedPawnAdvancesAtNineTenths) {
  ExamineFen("4k3/8/8/8/8/8/P3PP2/4K3 w - - 0 1");
  ASSERT_EQ(stage, 10);
  ASSERT_EQ(PawnBonus, 10);
  EXPECT_EQ(Mwpawn[Sq("a4")], 9 * 6 / 10 + 10);   // no pawn on the b-file
  EXPECT_EQ(Mwpawn[Sq("e4")], 7 * 24 / 10 + 10);  // the f-pawn is beside it
  // Black has no pawns at all: nine tenths everywhere.
  EXPECT_EQ(Mbpawn[Sq("e5")], 9 * 24 / 10 + 10);
}

TEST(RootTables, KingAtHomeWantsWingPawnsAtHome) {
  ExamineFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  EXPECT_EQ(Mwpawn[Sq("a2")], 7 * 4 / 10 + 12 / 2);
  EXPECT_EQ(Mwpawn[Sq("d2")], 0);
  EXPECT_EQ(Mwpawn[Sq("h4")], 7 * 6 / 10);  // rank 4 is no shelter
  // Once the king has left e1 the squares near it shelter instead.
  SetFen("rnbq1rk1/ppppbppp/5n2/4p3/4P3/5N2/PPPPBPPP/RNBQ1RK1 w - - 0 1");
  Mvboard[Sq("e1")] = 1;
  Mvboard[Sq("e8")] = 1;
  stage = -1;
  ExaminePosition();
  EXPECT_EQ(Mwpawn[Sq("h3")], 7 * 4 / 10 + 12);
  EXPECT_EQ(Mwpawn[Sq("a2")], 7 * 4 / 10);
  EXPECT_EQ(Mbpawn[Sq("g6")], 7 * 6 / 10 + 12);
}

TEST(RootTables, KingsAndPawnsPullTheKingsToFreePawns) {
  ExamineFen("4k3/8/8/8/4P3/8/8/4K3 w - - 0 1");
  ASSERT_EQ(stage2, 10);
  // One free pawn heading for e6, weight 5.
  EXPECT_EQ(Mking[white][Sq("e6")], KingEnding[Sq("e6")]);
  EXPECT_EQ(Mking[white][Sq("a1")], KingEnding[Sq("a1")] - 5 * 9);
  EXPECT_EQ(Mking[black][Sq("a1")], Mking[white][Sq("a1")]);
  // Blocked by a black pawn on e5: both pawns weigh 1.
  ExamineFen("4k3/8/8/4p3/4P3/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Mking[white][Sq("a1")], KingEnding[Sq("a1")] - (9 + 6));
}

TEST(RootTables, BishopColours) {
  ExamineFen("2b1kb2/8/8/8/8/8/8/2B1K3 w - - 0 1");
  EXPECT_EQ(BishCol[white], FieldColor[Sq("c1")]);
  EXPECT_EQ(BishCol[black], 55);
  EXPECT_EQ(LoneBishCol, FieldColor[Sq("f8")]);
}

TEST(RootTables, PawnStormWhenKingsStandOnOppositeWings) {
  ExamineFen("1k1r3r/pppq1ppp/2n1pn2/8/8/2N1PN2/PPPQ1PPP/R4RK1 w - - 0 1");
  ASSERT_LE(stage, 4);
  EXPECT_EQ(PawnStorm, 1);
  // White's pawns storm the queen's side (-21 + 3r), Black's the king's
  // side (-3r); the centre files get nothing.
  const int st = stage;
  EXPECT_EQ(Mwpawn[Sq("b4")], 7 * 8 / 10 + st - 21 + 9);
  EXPECT_EQ(Mwpawn[Sq("e4")], 7 * 24 / 10 + st);
  EXPECT_EQ(Mbpawn[Sq("g5")], 7 * 8 / 10 + st - 12);
}

// Every table of a position equals the mirrored table of its colour flip.
void ExpectMirrored(const std::string& fen) {
  ExamineFen(fen);
  int32_t wpawn[64], bpawn[64], kn[2][64], bi[2][64], ki[2][64];
  memcpy(wpawn, Mwpawn, sizeof wpawn);
  memcpy(bpawn, Mbpawn, sizeof bpawn);
  memcpy(kn, Mknight, sizeof kn);
  memcpy(bi, Mbishop, sizeof bi);
  memcpy(ki, Mking, sizeof ki);
  const int16_t hk[2] = {HasKnight[0], HasKnight[1]}, hr[2] = {HasRook[0], HasRook[1]};
  const int16_t storm = PawnStorm;
  ExamineFen(FlipFen(fen));
  EXPECT_EQ(PawnStorm, storm);
  EXPECT_EQ(HasKnight[1], hk[0]);
  EXPECT_EQ(HasRook[0], hr[1]);
  for (int sq = 0; sq < 64; sq++) {
    const int m = sq ^ 56;
    ASSERT_EQ(Mbpawn[m], wpawn[sq]) << fen << " " << sq;
    ASSERT_EQ(Mwpawn[m], bpawn[sq]) << fen << " " << sq;
    for (int s = 0; s < 2; s++) {
      ASSERT_EQ(Mknight[1 - s][m], kn[s][sq]) << fen << " " << sq;
      ASSERT_EQ(Mbishop[1 - s][m], bi[s][sq]) << fen << " " << sq;
      ASSERT_EQ(Mking[1 - s][m], ki[s][sq]) << fen << " " << sq;
    }
  }
}

TEST(RootTables, ColourFlippedPositionGetsMirroredTables) {
  ExpectMirrored("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  ExpectMirrored("1k1r3r/pppq1ppp/2n1pn2/8/8/2N1PN2/PPPQ1PPP/R4RK1 w - - 0 1");
  ExpectMirrored("r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R1BQKB1R w KQ - 0 8");
  ExpectMirrored("8/5k2/3p4/1p1P4/1P3K2/8/5P2/8 w - - 0 1");
  ExpectMirrored("4k3/8/8/4p3/4P3/8/8/4K3 b - - 0 1");
  // Found by fuzzing: more than sixteen pawns on the board overran the
  // list of pawn targets.
  ExpectMirrored("4k3/pppppppp/ppppppp1/8/8/PPPPPPP1/PPPPPPPP/4K3 w - - 0 1");
}

TEST(RootTables, LoneBishopColourIsDeliberatelyAsymmetric) {
  // LoneBishCol takes the bishop on the highest-numbered square, whichever
  // side owns it; with bishops of both colours on the board the colour flip
  // picks the other bishop, so the two colours are not treated alike here.
  const std::string fen = "4kb2/8/8/8/8/8/8/2B1K3 w - - 0 1";
  ExamineFen(fen);
  const int32_t lone = LoneBishCol;
  EXPECT_EQ(lone, FieldColor[Sq("f8")]);
  ExamineFen(FlipFen(fen));
  EXPECT_EQ(LoneBishCol, FieldColor[Sq("c8")]);
  EXPECT_NE(LoneBishCol, lone);
}

}  // namespace
