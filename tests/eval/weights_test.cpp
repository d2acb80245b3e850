#include "eval/weights.h"

#include <gtest/gtest.h>

#include "core/board.h"
#include "test_util.h"

namespace {

void WeighFen(const char* fen) {
  SetFen(fen);
  Zwmtl = Zbmtl = 0;
  OpenFyles = OpenPos = -1;
  stage = stage2 = -1;
  UpdateWeights();
}

TEST(GameStage, AllPiecesAreStageZero) {
  WeighFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  EXPECT_EQ(stage, 0);
  EXPECT_EQ(stage2, 0);
  EXPECT_EQ(OpenFyles, 0);
  EXPECT_EQ(OpenPos, 2);  // no half-open file, raised to the floor
  EXPECT_EQ(RookEnding, 0);
  EXPECT_EQ(PawnBonus, 0);
  EXPECT_EQ(PAWNSHIELD, 12);
  EXPECT_EQ(KSFTY, 20);
  EXPECT_EQ(KMOVD, -40);
  EXPECT_EQ(KHOPN, -13);  // h = -10 * 4 / 2 = -20
  EXPECT_EQ(KHOPNX, -10);
  EXPECT_EQ(BishopBonus, -8);  // sixteen pawns
  EXPECT_EQ(BishopPairBonus, 8);
  EXPECT_EQ(ppmply, 1);
  EXPECT_EQ(mmply, 0);
  EXPECT_EQ(RemotePassed, -12);
}

TEST(GameStage, RookEachIsStageTenAndARookEnding) {
  WeighFen("r5k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
  EXPECT_EQ(stage, 10);
  EXPECT_EQ(stage2, 10);
  EXPECT_EQ(RookEnding, 1);
  EXPECT_EQ(PawnBonus, -5);
  EXPECT_EQ(KSFTY, 0);
  EXPECT_EQ(KCASTLD, 0);
  EXPECT_EQ(RookBonus, 20);
  EXPECT_EQ(RemotePassed, 48);
  // Both sides have pieces: three quarters of stage - 2.
  EXPECT_EQ(ppmply, 6);
  EXPECT_EQ(mmply, 2);
  EXPECT_EQ(ymply, 3);
}

TEST(GameStage, TwoRooksEachIsARookEnding) {
  WeighFen("r4rk1/5ppp/8/8/8/8/5PPP/R4RK1 w - - 0 1");
  EXPECT_EQ(RookEnding, 1);
  EXPECT_EQ(stage, 8);  // (6600 - 2200) / 520
}

TEST(GameStage, RookAgainstRookAndKnightIsNoRookEnding) {
  WeighFen("r5k1/5ppp/5n2/8/8/8/5PPP/R5K1 w - - 0 1");
  EXPECT_EQ(RookEnding, 0);
  EXPECT_EQ(PawnBonus, stage);
}

TEST(GameStage, QueensOffIsStageThree) {
  WeighFen("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNB1KBNR w KQkq - 0 1");
  EXPECT_EQ(stage, 3);  // T = 5032
  EXPECT_EQ(stage2, 0);
  EXPECT_EQ(ppmply, 1);  // 3 * 1 is not above 3
}

TEST(GameStage, KingsAndPawnsOnly) {
  WeighFen("4k3/pp6/8/8/8/8/PP6/4K3 w - - 0 1");
  EXPECT_EQ(stage, 10);
  EXPECT_EQ(RemotePassed, 94);
  EXPECT_EQ(RookBonus, 140);  // a side without pieces
  // Files c..h are open on both sides; the walk stops at the third, e.
  EXPECT_EQ(OpenFyles, 3);
  EXPECT_EQ(OpenPos, 5);
  EXPECT_EQ(ppmply, 8);  // no pieces: stage - 2 as it is
}

TEST(GameStage, UnchangedMaterialKeepsTheWeights) {
  WeighFen("r5k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
  PAWNSHIELD = 99;
  UpdateWeights();
  EXPECT_EQ(PAWNSHIELD, 99);
  // New material and a new stage recompute them.
  Zwmtl = 0;
  stage = -1;
  UpdateWeights();
  EXPECT_EQ(PAWNSHIELD, 2);
}

TEST(GameStage, SameStageKeepsWeightsButRefreshesRemotePassed) {
  WeighFen("r5k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
  PAWNSHIELD = 99;
  RemotePassed = 0;
  Zwmtl = 0;  // material looks new, stage and openness are not
  UpdateWeights();
  EXPECT_EQ(PAWNSHIELD, 99);
  EXPECT_EQ(RemotePassed, 48);
}

}  // namespace
