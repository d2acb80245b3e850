#include "eval/pawns.h"

#include <gtest/gtest.h>

#include "core/board.h"
#include "core/movetables.h"
#include "eval/evaluate.h"
#include "eval/term_setup.h"
#include "eval/weights.h"
#include "test_util.h"

namespace {

// The pawn on sq scored after TermPosition(fen) with side to move: delta is
// the score beyond the pawn's square table; weak names a square the pawn
// leaves weak (WfieldBoard 11); passed 1 if the pawn is recorded as its
// file's passed pawn, 0 if the file has none.
struct PawnCase {
  const char *fen, *sq;
  int side, delta;
  const char* weak;
  int passed, precious, hung, kid;
};

TEST(PawnStructure, TermsOfOnePawn) {
  const char* doubled = "4k3/2p5/8/8/8/2P5/2P5/4K3 w - - 0 1";
  const PawnCase cases[] = {
      // Isolated: d6 blocks the file, so d4 is not passed: ISOLANI[d] = -20,
      // d5 weak with half the bishop value of d5 (22 / 2); the file is not
      // half-open. A lone light bishop of Black's eyes d5 (-11); d4 stands
      // away from that bishop's colour (+12).
      {"4k3/8/3p4/8/3P4/8/8/4K3 w - - 0 1", "d4", white, -20, "d5", 0, 0, kAny, kAny},
      {"4k1b1/8/3p4/8/3P4/8/8/4K3 w - - 0 1", "d4", white, 12 - 20 - 11, nullptr, kAny, kAny, kAny,
       kAny},
      // Blocked on d2 by its own bishop (-15), away from the bishop's colour
      // with Black without pieces (+12), isolated (-20), d3 weak.
      {"4k3/3p4/8/8/8/3B4/3P4/4K3 w - - 0 1", "d2", white, 12 - 15 - 20, "d3", kAny, kAny, kAny,
       kAny},
      // Doubled at stage and stage2 10: -5 - 10 - 10, and -5 more without
      // pawn cover; only the front pawn can be passed.
      {doubled, "c3", white, -30, nullptr, kAny, kAny, kAny, kAny},
      {doubled, "c2", white, -30, nullptr, 0, kAny, kAny, kAny},
      {"4k3/8/8/8/8/2P5/2P5/4K3 w - - 0 1", "c2", white, kAny, nullptr, 0, kAny, kAny, kAny},
      {"4k3/8/8/8/8/2P5/2P5/4K3 w - - 0 1", "c3", white, kAny, nullptr, 1, kAny, kAny, kAny},
      // Backward: d3 backs e4 but nothing covers d4: d4 weak, -4 (-9 on a
      // half-open file, a target for the enemy rooks), -15 as c5 hits d4
      // and White has no pieces. e4 covers d5.
      {"4k3/8/3p4/2p5/4P3/3P4/8/4K3 w - - 0 1", "d3", white, -4 - 15, "d4", kAny, 0, kAny, kAny},
      {"4k3/8/8/2p5/4P3/3P4/8/4K3 w - - 0 1", "d3", white, -9 - 15, nullptr, kAny, 5, kAny, kAny},
      // Passed on the seventh at stage 10 (ppmply 8, mmply 2, ymply 3),
      // Black without pieces: -8 isolated, PassedPawn0[1][7] = 455, 3 x 7 -
      // 2 x 1 for the kings, 48 for the free square, SafePassed[6] = 20 and
      // the queening bonus 220 (44 with Black to move, when the h1 king
      // still cannot catch it).
      {"8/PK6/8/8/8/8/8/7k w - - 0 1", "a7", white, -8 + 455 + 19 + 48 + 20 + 220, nullptr, 1, kAny,
       kAny, kAny},
      {"8/PK6/8/8/8/8/8/7k b - - 0 1", "a7", black, -8 + 455 + 19 + 48 + 20 + 44, nullptr, 1, kAny,
       kAny, kAny},
      // The c5 king inside the square of a4: -152, PassedPawn2[4][7] = 45
      // x 8 / 8, kings 3 x 2 - 2 x 3, free square 48 (and a KID mark, White
      // being behind), SafePassed[3] = 4. From h5 it cannot catch the pawn:
      // PassedPawn1[4][7] = 70, kings 3 x 7 - 2 x 3.
      {"7n/8/8/2k5/P7/8/8/K7 w - - 0 1", "a4", white, -8 - 152 + 45 + 0 + 48 + 4, nullptr, 1, 5,
       kAny, 1},
      {"7n/8/8/7k/P7/8/8/K7 w - - 0 1", "a4", white, -8 + 70 + 15 + 48 + 4, nullptr, 1, kAny, kAny,
       kAny},
      // The black e3 pawn behind e5 stops it before stage 7 only; c4 covers
      // d3, on the path of d2.
      {"r2qk2r/8/8/4P3/8/4p3/8/R2QK2R w - - 0 1", "e5", white, kAny, nullptr, 0, kAny, kAny, kAny},
      {"4k3/8/8/4P3/8/4p3/8/4K3 w - - 0 1", "e5", white, kAny, nullptr, 1, kAny, kAny, kAny},
      {"4k3/8/8/8/2p5/8/3P4/4K3 w - - 0 1", "d2", white, kAny, nullptr, 0, kAny, kAny, kAny},
      // Attacked: by c5, defended by e3, is even; defended by the knight
      // alone (its word 0x0801 below the pawn's 0x4001) costs 6 and -20
      // isolated; two attackers with a pawn make it hang (it can still push:
      // counted once); undefended and blocked, it hangs without a way out.
      {"4k3/8/3p4/2p5/3P4/4P3/8/4K3 w - - 0 1", "d4", white, 0, nullptr, kAny, kAny, 0, kAny},
      {"4k3/8/3p4/2p5/3P4/5N2/8/4K3 w - - 0 1", "d4", white, -20 - 6, nullptr, kAny, kAny, 0, kAny},
      {"4k3/8/3p4/2p1p3/3P4/4P3/8/4K3 w - - 0 1", "d4", white, -14, nullptr, kAny, kAny, 1, kAny},
      {"4k3/8/8/3p4/3P4/1n6/8/4K3 w - - 0 1", "d4", white, -20 - 14, nullptr, kAny, kAny, 2, kAny},
  };
  for (const PawnCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fen << " " << c.sq);
    TermPosition(c.fen);
    const int s = Sq(c.sq);
    const int delta = Pawn(c.sq, c.side) - Mwpawn[s];
    const int passed = passed_fl[white][File(s)];
    ExpectTerms({{"delta", delta, c.delta},
                 {"passed",
                  passed == 64  ? 0
                  : passed == s ? 1
                                : -1,
                  c.passed},
                 {"Rook_Precious", Rook_Precious[black], c.precious},
                 {"HungVar", HungVar[white], c.hung},
                 {"KID", KID[white], c.kid}});
    if (c.weak) {
      const int w = Sq(c.weak);
      EXPECT_EQ(WfieldBoard[w], 11);
      EXPECT_EQ(Wfield_Cnt[FieldColor[w]], 11);
      EXPECT_EQ(Wfield_Cnt[1 - FieldColor[w]], 0);
    }
  }
  // e4 covers d5: not weak.
  TermPosition("4k3/8/3p4/2p5/4P3/3P4/8/4K3 w - - 0 1");
  Pawn("d3");
  EXPECT_EQ(WfieldBoard[Sq("d5")], 0);
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

TEST(PassedPawn, ConnectedPawnsScoreWhenTheSecondIsScored) {
  // e5 next to the recorded d5: PassedConnected[4] twice plus stage2, and
  // once more as d5 covers e6; nothing against a bare king.
  const struct {
    const char* fen;
    int bonus;
  } cases[] = {{"n3k3/8/8/3PP3/8/8/8/4K3 w - - 0 1", 18 + 10 + 18 + 18},
               {"4k3/8/8/3PP3/8/8/8/4K3 w - - 0 1", 0}};
  for (const auto& c : cases) {
    TermPosition(c.fen);
    const int alone = Pawn("e5");
    TermPosition(c.fen);
    Pawn("d5");
    EXPECT_EQ(Pawn("e5") - alone, c.bonus) << c.fen;
  }
}

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
