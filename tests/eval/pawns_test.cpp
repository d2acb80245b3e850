#include "eval/pawns.h"

#include <gtest/gtest.h>

#include "core/board.h"
#include "core/movetables.h"
#include "eval/evaluate.h"
#include "eval/term_setup.h"
#include "eval/weights.h"
#include "test_util.h"

namespace {

int Mw(const char* sq) {
  return Mwpawn[Sq(sq)];
}

// ---------------------------------------------------------------------------

TEST(IsolatedPawn, CostsItsFileValueAndLeavesTheSquareAheadWeak) {
  // d6 blocks the file, so the d4 pawn is not passed: ISOLANI[d] = -20 and
  // d5 becomes weak with half the bishop value of d5 (22 / 2).
  TermPosition("4k3/8/3p4/8/3P4/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Pawn("d4"), Mw("d4") - 20);
  EXPECT_EQ(WfieldBoard[Sq("d5")], 11);
  EXPECT_EQ(Wfield_Cnt[FieldColor[Sq("d5")]], 11);
  EXPECT_EQ(Wfield_Cnt[1 - FieldColor[Sq("d5")]], 0);
  EXPECT_EQ(Rook_Precious[black], 0);  // the file is not half-open
}

TEST(IsolatedPawn, WeakSquareUnderAnEnemyBishopCostsItsValue) {
  // The lone black bishop on g8 (light) eyes d5: -11. The d4 pawn stands on
  // a dark square, away from that bishop's colour: +12.
  TermPosition("4k1b1/8/3p4/8/3P4/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Pawn("d4"), Mw("d4") + 12 - 20 - 11);
}

TEST(BlockedPawn, CentrePawnOnItsHomeSquareBlockedByItsOwnBishop) {
  // +12: White's lone bishop (light, d3) with a pawn on a dark square and
  // Black without pieces; -15 blocked on d2; -20 isolated; d3 marked weak.
  TermPosition("4k3/3p4/8/8/8/3B4/3P4/4K3 w - - 0 1");
  EXPECT_EQ(Pawn("d2"), Mw("d2") + 12 - 15 - 20);
  EXPECT_EQ(WfieldBoard[Sq("d3")], 11);
}

TEST(DoubledPawns, EachCostsTheStagesAndItsWeakness) {
  // Stage and stage2 10: -5 - 10 - 10, and -5 more without pawn cover.
  TermPosition("4k3/2p5/8/8/8/2P5/2P5/4K3 w - - 0 1");
  ASSERT_EQ(stage, 10);
  ASSERT_EQ(stage2, 10);
  EXPECT_EQ(Pawn("c3"), Mw("c3") - 30);
  EXPECT_EQ(Pawn("c2"), Mw("c2") - 30);
  EXPECT_EQ(passed_fl[white][2], 64);
}

TEST(DoubledPawns, OnlyTheFrontPawnCanBePassed) {
  TermPosition("4k3/8/8/8/8/2P5/2P5/4K3 w - - 0 1");
  Pawn("c2");
  EXPECT_EQ(passed_fl[white][2], 64);  // stopped by the c3 pawn
  Pawn("c3");
  EXPECT_EQ(passed_fl[white][2], Sq("c3"));
}

TEST(BackwardPawn, UncoveredSquareAheadUnderAnEnemyPawn) {
  // d3 backs e4 but nothing covers d4: d4 weak, -4 (d-file not half-open),
  // -15 (c5 hits d4 and White has no pieces). e4 covers d5, which stays.
  TermPosition("4k3/8/3p4/2p5/4P3/3P4/8/4K3 w - - 0 1");
  EXPECT_EQ(Pawn("d3"), Mw("d3") - 4 - 15);
  EXPECT_EQ(WfieldBoard[Sq("d4")], 11);
  EXPECT_EQ(WfieldBoard[Sq("d5")], 0);
  EXPECT_EQ(Rook_Precious[black], 0);
}

TEST(BackwardPawn, OnAHalfOpenFileItGivesTheEnemyRooksATarget) {
  TermPosition("4k3/8/8/2p5/4P3/3P4/8/4K3 w - - 0 1");
  EXPECT_EQ(Pawn("d3"), Mw("d3") - 9 - 15);
  EXPECT_EQ(Rook_Precious[black], 5);
}

TEST(BackwardPawn, AttackCountsBeyondTheTableReadTheLastEntry) {
  // Forged attack words: 8 and then 16 attackers of a doubled, uncovered
  // pawn. BACKWARD[8] = -22, the entries from 9 on are 0.
  TermPosition("4k3/2p5/8/8/8/2P5/2P5/4K3 w - - 0 1");
  atak[black][Sq("c3")] = 0x0408;
  const int eight = Pawn("c3");
  atak[black][Sq("c3")] = 0x0410;
  const int sixteen = Pawn("c3");
  EXPECT_EQ(sixteen - eight, 22);
}

// ---------------------------------------------------------------------------

TEST(StrongCentre, PawnsSideBySideOnTheFourthRankOrBeyond) {
  TermPosition("4k3/8/8/3pp3/3PP3/8/8/4K3 w - - 0 1");
  Pawn("d4");
  EXPECT_EQ(CentStr[white], 1);
  Pawn("d5");
  EXPECT_EQ(CentStr[black], 1);
  TermPosition("4k3/8/3pp3/8/8/3PP3/8/4K3 w - - 0 1");
  Pawn("d3");
  Pawn("d6");
  EXPECT_EQ(CentStr[white], 0);
  EXPECT_EQ(CentStr[black], 0);
}

// ---------------------------------------------------------------------------

TEST(PassedPawn, OnTheSeventhWithTheQueeningSquareHeld) {
  // Stage 10: ppmply 8, mmply 2, ymply 3; Black has no pieces. -8 isolated,
  // PassedPawn0[1][7] = 455, 3 x 7 - 2 x 1 for the kings, 48 for the free
  // square, SafePassed[6] = 20 and the queening bonus 220 (44 with Black to
  // move, when the king on h1 still cannot catch the pawn).
  TermPosition("8/PK6/8/8/8/8/8/7k w - - 0 1");
  ASSERT_EQ(ppmply, 8);
  ASSERT_EQ(mmply, 2);
  ASSERT_EQ(ymply, 3);
  EXPECT_EQ(Pawn("a7", white), Mw("a7") - 8 + 455 + 19 + 48 + 20 + 220);
  EXPECT_EQ(passed_fl[white][0], Sq("a7"));
  TermPosition("8/PK6/8/8/8/8/8/7k b - - 0 1");
  EXPECT_EQ(Pawn("a7", black), Mw("a7") - 8 + 455 + 19 + 48 + 20 + 44);
}

TEST(PassedPawn, CatchableLonePawnLosesMostOfItsValue) {
  // The king on c5 is inside the square of a4: -152, and PassedPawn2[4][7]
  // = 45 x 8 / 8. Kings 3 x 2 - 2 x 3 = 0; free square 48 (and a KID mark,
  // White being behind in material); SafePassed[3] = 4; -8 isolated.
  TermPosition("7n/8/8/2k5/P7/8/8/K7 w - - 0 1");
  EXPECT_EQ(Pawn("a4"), Mw("a4") - 8 - 152 + 45 + 0 + 48 + 4);
  EXPECT_EQ(KID[white], 1);
  EXPECT_EQ(Rook_Precious[black], 5);
  EXPECT_EQ(passed_fl[white][0], Sq("a4"));
}

TEST(PassedPawn, OutsideTheSquareItCountsFully) {
  // King on h5: PassedPawn1[4][7] = 70 x 8 / 8, kings 3 x 7 - 2 x 3 = 15.
  TermPosition("7n/8/8/7k/P7/8/8/K7 w - - 0 1");
  EXPECT_EQ(Pawn("a4"), Mw("a4") - 8 + 70 + 15 + 48 + 4);
}

TEST(PassedPawn, ConnectedPawnsScoreWhenTheSecondIsScored) {
  // e5 next to the recorded d5: PassedConnected[4] twice plus stage2, and
  // once more as d5 covers e6.
  TermPosition("n3k3/8/8/3PP3/8/8/8/4K3 w - - 0 1");
  const int alone = Pawn("e5");
  TermPosition("n3k3/8/8/3PP3/8/8/8/4K3 w - - 0 1");
  Pawn("d5");
  EXPECT_EQ(Pawn("e5") - alone, 18 + 10 + 18 + 18);
}

TEST(PassedPawn, NoConnectionBonusAgainstABareKing) {
  TermPosition("4k3/8/8/3PP3/8/8/8/4K3 w - - 0 1");
  const int alone = Pawn("e5");
  TermPosition("4k3/8/8/3PP3/8/8/8/4K3 w - - 0 1");
  Pawn("d5");
  EXPECT_EQ(Pawn("e5"), alone);
}

TEST(PassedPawn, BeforeStageSevenAnEnemyPawnOnTheFileStopsIt) {
  // The black e3 pawn stands behind e5; only late in the game does the
  // free path ahead make e5 a passed pawn.
  TermPosition("r2qk2r/8/8/4P3/8/4p3/8/R2QK2R w - - 0 1");
  ASSERT_LT(stage, 7);
  Pawn("e5");
  EXPECT_EQ(passed_fl[white][4], 64);
  TermPosition("4k3/8/8/4P3/8/4p3/8/4K3 w - - 0 1");
  ASSERT_GE(stage, 7);
  Pawn("e5");
  EXPECT_EQ(passed_fl[white][4], Sq("e5"));
}

TEST(PassedPawn, AnEnemyPawnCoveringThePathUndoesIt) {
  TermPosition("4k3/8/8/8/2p5/8/3P4/4K3 w - - 0 1");
  Pawn("d2");
  EXPECT_EQ(passed_fl[white][3], 64);  // c4 covers d3
}

// ---------------------------------------------------------------------------

TEST(AttackedPawn, PawnAgainstPawnDefenceIsEven) {
  // d4 defended by e3 and attacked by c5: equal words, no cost.
  TermPosition("4k3/8/3p4/2p5/3P4/4P3/8/4K3 w - - 0 1");
  EXPECT_EQ(Pawn("d4"), Mw("d4"));
  EXPECT_EQ(HungVar[white], 0);
}

TEST(AttackedPawn, DefendedOnlyByAPieceAgainstAPawnCostsSix) {
  // The knight's word 0x0801 is below the pawn's 0x4001: -6; -20 isolated.
  TermPosition("4k3/8/3p4/2p5/3P4/5N2/8/4K3 w - - 0 1");
  EXPECT_EQ(Pawn("d4"), Mw("d4") - 20 - 6);
  EXPECT_EQ(HungVar[white], 0);
}

TEST(AttackedPawn, TwoAttackersWithAPawnMakeItHang) {
  // It can still push to d5: counted once.
  TermPosition("4k3/8/3p4/2p1p3/3P4/4P3/8/4K3 w - - 0 1");
  EXPECT_EQ(Pawn("d4"), Mw("d4") - 14);
  EXPECT_EQ(HungVar[white], 1);
}

TEST(AttackedPawn, UndefendedBlockedPawnHangsWithoutAWayOut) {
  TermPosition("4k3/8/8/3p4/3P4/1n6/8/4K3 w - - 0 1");
  EXPECT_EQ(Pawn("d4"), Mw("d4") - 20 - 14);
  EXPECT_EQ(HungVar[white], 2);
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------

TEST(ExtremePositions, EightPassedPawnsOnTheSeventhStayWithinTheSums) {
  // Eight pawns up, all on the seventh: more than twice their 800 of
  // material. A side's sum that ran past 16 bits would come out negative.
  const char* fens[] = {
      "8/PPPPPPPP/1k6/8/8/6K1/8/8 w - - 0 1",
      "8/PPPPPPPP/1k1r4/8/8/4R1K1/8/8 w - - 0 1",  // a rook each: connected passers count
  };
  for (const char* fen : fens) {
    const int32_t score = FullScore(fen);
    EXPECT_GT(score, 1600) << fen;
    EXPECT_LT(score, 32000) << fen;
    EXPECT_EQ(FullScore(FlipFen(fen).c_str()), score) << fen;
  }
}

}  // namespace
