#include "core/movetables.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/tables.h"
#include "test_util.h"

namespace {

std::vector<int> PosChain(int type, int origin) {
  std::vector<int> out;
  for (int u = next[type][origin][origin].nextpos; u != origin; u = next[type][origin][u].nextpos) {
    out.push_back(u);
    if (out.size() > 64) break;
  }
  return out;
}

std::vector<int> DirChain(int type, int origin) {
  std::vector<int> out;
  for (int u = next[type][origin][origin].nextdir; u != origin; u = next[type][origin][u].nextdir) {
    out.push_back(u);
    if (out.size() > 64) break;
  }
  return out;
}

// Squares reachable on an empty board, worked out on file/rank coordinates.
std::set<int> Reach(int type, int origin) {
  static const int knight_steps[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                         {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
  static const int lines[8][2] = {{1, 0}, {-1, 0}, {0, 1},  {0, -1},
                                  {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
  std::set<int> out;
  const int f0 = origin & 7, r0 = origin >> 3;
  auto on = [](int f, int r) { return f >= 0 && f < 8 && r >= 0 && r < 8; };
  if (type == 2) {
    for (auto& s : knight_steps)
      if (on(f0 + s[0], r0 + s[1])) out.insert((r0 + s[1]) * 8 + f0 + s[0]);
    return out;
  }
  for (int d = 0; d < 8; d++) {
    const bool diagonal = d >= 4;
    if (type == 3 && !diagonal) continue;
    if (type == 4 && diagonal) continue;
    for (int k = 1; k <= (type == 6 ? 1 : 7); k++) {
      const int f = f0 + lines[d][0] * k, r = r0 + lines[d][1] * k;
      if (!on(f, r)) break;
      out.insert(r * 8 + f);
    }
  }
  return out;
}

class MoveTables : public ::testing::Test {
 protected:
  void SetUp() override { FreshGame(); }
};

TEST_F(MoveTables, EdgePawnHasOneCaptureAndDoubleStepOnlyFromHomeRank) {
  EXPECT_EQ(DirChain(1, Sq("a2")), std::vector<int>({Sq("b3")}));
  EXPECT_EQ(PosChain(1, Sq("a2")), std::vector<int>({Sq("a3"), Sq("a4")}));
  EXPECT_EQ(PosChain(1, Sq("a3")), std::vector<int>({Sq("a4")}));
  EXPECT_EQ(DirChain(1, Sq("h2")), std::vector<int>({Sq("g3")}));
}

TEST_F(MoveTables, PawnCapturesFollowDirectionOrder) {
  // White takes towards the a-side first, Black towards the h-side.
  EXPECT_EQ(DirChain(1, Sq("e4")), std::vector<int>({Sq("d5"), Sq("f5")}));
  EXPECT_EQ(DirChain(7, Sq("e5")), std::vector<int>({Sq("f4"), Sq("d4")}));
  EXPECT_EQ(PosChain(7, Sq("e7")), std::vector<int>({Sq("e6"), Sq("e5")}));
  EXPECT_EQ(PosChain(7, Sq("e6")), std::vector<int>({Sq("e5")}));
}

TEST_F(MoveTables, CornerRookWalksRankThenFileWithEmptyDirectionsLast) {
  std::vector<int> expected;
  for (int f = 1; f < 8; f++) expected.push_back(f);
  for (int r = 1; r < 8; r++) expected.push_back(r * 8);
  EXPECT_EQ(PosChain(4, Sq("a1")), expected);
  // Blocked on b1, the walk jumps to the next ray.
  EXPECT_EQ(next[4][0][Sq("b1")].nextdir, Sq("a2"));
  EXPECT_EQ(next[4][0][Sq("a2")].nextdir, 0);
}

TEST_F(MoveTables, KnightOrderFollowsDirectionTable) {
  const std::vector<int> g1 = PosChain(2, Sq("g1"));
  ASSERT_EQ(g1.size(), 3u);
  EXPECT_EQ(g1[0], Sq("e2"));
  EXPECT_EQ(g1[1], Sq("f3"));
  EXPECT_EQ(g1[2], Sq("h3"));
  const std::vector<int> b1 = PosChain(2, Sq("b1"));
  EXPECT_EQ(b1, std::vector<int>({Sq("d2"), Sq("a3"), Sq("c3")}));
}

TEST_F(MoveTables, EveryPieceChainCoversExactlyTheEmptyBoardMoves) {
  for (int type = 2; type <= 6; type++)
    for (int sq = 0; sq < 64; sq++) {
      const std::vector<int> chain = PosChain(type, sq);
      const std::set<int> got(chain.begin(), chain.end());
      EXPECT_EQ(got.size(), chain.size()) << "type " << type << " square " << sq;
      EXPECT_EQ(got, Reach(type, sq)) << "type " << type << " square " << sq;
    }
}

TEST_F(MoveTables, BlockedRayJumpsToNextRayStart) {
  // Queen on d4: walking nextdir from each first square of a ray visits the
  // first squares of all rays in order.
  const int d4 = Sq("d4");
  std::vector<int> starts;
  for (int u = next[5][d4][d4].nextdir; u != d4; u = next[5][d4][u].nextdir) starts.push_back(u);
  EXPECT_EQ(starts, std::vector<int>({Sq("e4"), Sq("d5"), Sq("c4"), Sq("d3"), Sq("c5"), Sq("e5"),
                                      Sq("e3"), Sq("c3")}));
}

TEST_F(MoveTables, DistancesAndSquareColours) {
  for (int x = 0; x < 65; x++) {
    EXPECT_EQ(distdata[x][64], 64);
    EXPECT_EQ(distdata[64][x], 64);
  }
  EXPECT_EQ(distdata[Sq("a1")][Sq("h8")], 7);
  EXPECT_EQ(distdata[Sq("b2")][Sq("c4")], 2);
  EXPECT_EQ(taxidata[Sq("a1")][Sq("h8")], 14);
  EXPECT_EQ(taxidata[Sq("e4")][Sq("e4")], 0);
  EXPECT_EQ(FieldColor[Sq("a1")], 1);
  EXPECT_EQ(FieldColor[Sq("h1")], 0);
  EXPECT_EQ(FieldColor[Sq("h8")], 1);
  EXPECT_EQ(nunmap[21], 0);
  EXPECT_EQ(nunmap[98], 63);
  EXPECT_EQ(nunmap[20], -1);
  EXPECT_EQ(nunmap[29], -1);
}

TEST_F(MoveTables, FlatStepsAndKingZonesMatchTheChainsAndDistances) {
  // Steps: a white pawn on a2 takes on b3 only; a knight on b1 reaches its
  // three squares in chain order; every list equals its nextdir chain.
  EXPECT_EQ(Steps[1][Sq("a2")].count, 1);
  EXPECT_EQ(Steps[1][Sq("a2")].sq[0], Sq("b3"));
  EXPECT_EQ(Steps[7][Sq("e7")].count, 2);
  for (int t : {1, 2, 6, 7})
    for (int o = 0; o < 64; o++) {
      std::vector<int> chain, flat;
      for (int u = next[t][o][o].nextdir; u != o; u = next[t][o][u].nextdir) chain.push_back(u);
      for (int k = 0; k < Steps[t][o].count; k++) flat.push_back(Steps[t][o].sq[k]);
      EXPECT_EQ(flat, chain) << "type " << t << " from " << o;
    }
  for (int a = 0; a < 64; a++)
    for (int b = 0; b < 64; b++)
      EXPECT_EQ((KingZone[a] >> b) & 1, distdata[a][b] <= 1 ? 1u : 0u) << a << " " << b;
}

}  // namespace
