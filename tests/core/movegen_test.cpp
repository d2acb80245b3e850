#include "core/movegen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/board.h"
#include "core/makemove.h"
#include "search/ordering.h"
#include "search/treesearch.h"
#include "test_util.h"
#include "ui/position.h"

namespace {

std::string Name(int sq) {
  return std::string{char('a' + (sq & 7)), char('1' + (sq >> 3))};
}

std::vector<std::string> Generated(int side, int ply = 1) {
  MoveList(side, ply);
  std::vector<std::string> out;
  for (TreeEntry* e = TrPnt[ply]; e < TrPnt[ply + 1]; e++)
    out.push_back(Name(e->from) + Name(e->to));
  return out;
}

TEST(MoveListInitial, TwentyMovesInGenerationOrder) {
  FreshGame();
  // Knights meet their own pawns on e2 and d2: those are not moves.
  const std::vector<std::string> want = {"h2h3", "h2h4", "g2g3", "g2g4", "f2f3", "f2f4", "e2e3",
                                         "e2e4", "d2d3", "d2d4", "c2c3", "c2c4", "b2b3", "b2b4",
                                         "a2a3", "a2a4", "g1f3", "g1h3", "b1a3", "b1c3"};
  EXPECT_EQ(Generated(white), want);
  for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++) EXPECT_LT(e->score, 0);
}

const TreeEntry* Find(int ply, const char* move, int promo = 0) {
  for (TreeEntry* e = TrPnt[ply]; e < TrPnt[ply + 1]; e++)
    if (Name(e->from) + Name(e->to) == move && (e->flags & MF_PROMO_PIECE) == promo) return e;
  return nullptr;
}

// The killers the ordering reads are cleared after each test.
class AssignBonus : public ::testing::Test {
 protected:
  void TearDown() override { ClearOrdering(); }
};

TEST_F(AssignBonus, OrderingScoresOfQuietMovesCapturesAndKillers) {
  SetFen("4k3/8/8/3n4/4P3/8/8/4K1N1 w - - 0 1");
  MoveList(white, 1);
  ASSERT_NE(Find(1, "e4d5"), nullptr);
  EXPECT_EQ(Find(1, "e4d5")->score, 512 + 348 - 1 - 20000);
  EXPECT_EQ(Find(1, "g1f3")->score, (24 - 0) / 2 - 20000);
  EXPECT_EQ(Find(1, "g1h3")->score, (8 - 0) / 2 - 20000);
  EXPECT_EQ(Find(1, "e1d1")->score, -20000);
  // The search's bonuses: a killer and the hash move.
  killr1[1] = ShortMove(Sq("e1"), Sq("d1"));
  MoveList(white, 1);
  OrderMoves(white, 1, ShortMove(Sq("g1"), Sq("h3")));
  EXPECT_EQ(Find(1, "e1d1")->score, 60 - 20000);
  EXPECT_EQ(Find(1, "g1h3")->score, 2000 + 4 - 20000);
}

TEST_F(AssignBonus, CheckingMovesNearTheRootGainABonus) {
  SetFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  MoveList(white, 1);
  EXPECT_EQ(Find(1, "a1a8")->score, 32 - 20000);
  EXPECT_EQ(Find(1, "a1a7")->score, -20000);
  TrPnt[3] = TrPnt[2];
  MoveList(white, 3);  // deeper plies skip the check test
  EXPECT_EQ(Find(3, "a1a8")->score, -20000);
}

TEST(Promotions, FourEntriesInTheFullListOnlyQueensInTheCaptureList) {
  SetFen("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
  MoveList(white, 1);
  int count = 0;
  std::vector<int> push_order;
  for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++) {
    if (e->from != Sq("a7")) continue;
    count++;
    EXPECT_TRUE(e->flags & MF_PROMOTE);
    if (e->to == Sq("a8")) push_order.push_back(e->flags & MF_PROMO_PIECE);
  }
  EXPECT_EQ(count, 8);
  EXPECT_EQ(push_order, (std::vector<int>{queen, knight, rook, bishop}));
  EXPECT_GT(Find(1, "a7a8", queen)->score, Find(1, "a7a8", knight)->score);
  EXPECT_GT(Find(1, "a7a8", knight)->score, Find(1, "a7a8", rook)->score);
  EXPECT_GT(Find(1, "a7a8", rook)->score, Find(1, "a7a8", bishop)->score);

  CaptureList(white, black, 1, 0);
  std::vector<std::string> caps;
  for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++) {
    caps.push_back(Name(e->from) + Name(e->to));
    EXPECT_EQ(e->flags & (MF_PROMOTE | MF_PROMO_PIECE), MF_PROMOTE | queen);
    EXPECT_EQ(e->score, 1090);
  }
  EXPECT_EQ(caps, (std::vector<std::string>{"a7b8", "a7a8"}));
}

TEST(CaptureList, CapturesScoredByVictimLessAttackerKind) {
  SetFen("4k3/8/8/3q4/4P3/2N5/8/4K3 w - - 0 1");
  CaptureList(white, black, 1, 0);
  std::vector<std::pair<std::string, int>> caps;
  for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++)
    caps.push_back({Name(e->from) + Name(e->to), e->score});
  // Slots in square order: king, knight c3, pawn e4.
  EXPECT_EQ(caps,
            (std::vector<std::pair<std::string, int>>{{"c3d5", 1090 - 2}, {"e4d5", 1090 - 1}}));
}

TEST(SqAtakd, SeesEachKindOfAttackerAndStopsAtBlockers) {
  SetFen("4k3/8/8/8/3p4/8/1B6/R3K2N w - - 0 1");
  EXPECT_EQ(SqAtakd(Sq("e3"), black), 1);  // pawn d4
  EXPECT_EQ(SqAtakd(Sq("c3"), black), 1);
  EXPECT_EQ(SqAtakd(Sq("d3"), black), 0);
  EXPECT_EQ(SqAtakd(Sq("c3"), white), 1);  // bishop b2
  EXPECT_EQ(SqAtakd(Sq("e5"), white), 0);  // behind the d4 pawn
  EXPECT_EQ(SqAtakd(Sq("a8"), white), 1);  // rook a1
  EXPECT_EQ(SqAtakd(Sq("g3"), white), 1);  // knight h1
  EXPECT_EQ(SqAtakd(Sq("f2"), white), 1);  // king e1 and knight h1
  EXPECT_EQ(SqAtakd(Sq("d7"), black), 1);  // king e8
  EXPECT_EQ(SqAtakd(Sq("h8"), white), 0);
}

TEST(Ataks, CountsDefendersAndMarksKinds) {
  SetFen("4k3/8/8/8/8/8/8/R3K2R w - - 0 1");
  int16_t a[64];
  ataks(white, a);
  // Both rooks reach e1, where the king blocks them.
  EXPECT_EQ(a[Sq("e1")] & 0xff, 2);
  EXPECT_EQ(a[Sq("e1")] & 0xff00, 0x0400);
  EXPECT_EQ(a[Sq("d1")] & 0xff, 2);  // rook a1 and king
  EXPECT_EQ(a[Sq("d1")] & 0xff00, 0x0400 | 0x0100);
  EXPECT_EQ(a[Sq("a8")], 0x0400 | 1);
  EXPECT_EQ(a[Sq("b2")], 0);
}

}  // namespace
