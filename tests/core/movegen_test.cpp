#include "core/movegen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/board.h"
#include "core/makemove.h"
#include "core/perft.h"
#include "search/treesearch.h"
#include "test_util.h"

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
  const std::vector<std::string> expected = {
      "h2h3", "h2h4", "g2g3", "g2g4", "f2f3", "f2f4", "e2e3", "e2e4", "d2d3", "d2d4", "c2c3",
      "c2c4", "b2b3", "b2b4", "a2a3", "a2a4", "g1e2", "g1f3", "g1h3", "b1d2", "b1a3", "b1c3"};
  // Knights meet their own pawns on e2 and d2: those are not moves.
  std::vector<std::string> want;
  for (const auto& m : expected)
    if (m != "g1e2" && m != "b1d2") want.push_back(m);
  EXPECT_EQ(Generated(white), want);
  for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++) EXPECT_LT(e->score, 0);
}

TEST(Perft, InitialPositionShallow) {
  FreshGame();
  EXPECT_EQ(Perft(white, 1, 1), 20u);
  EXPECT_EQ(Perft(white, 1, 2), 400u);
  EXPECT_EQ(Perft(white, 1, 3), 8902u);
  EXPECT_TRUE(PositionIsConsistent());
}

}  // namespace
