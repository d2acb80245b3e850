#include "search/stats.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "book/learn.h"
#include "search/driver.h"
#include "search/treesearch.h"
#include "test_util.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"

namespace {

// Writes the node counts of one search's iterations 1..n into the rows.
void FakeSearch(std::initializer_list<int64_t> nodes) {
  ResetStats();
  int d = 0;
  for (int64_t n : nodes) IterStats[++d].c[kStNodes] = n;
  StatsIteration = d;
}

TEST(Stats, CountTouchesTheRowsOnlyInAStatisticsBuild) {
  ResetStats();
  CountIteration(3);
  Count(kStNullTries);
  Count(kStNullTries);
  EXPECT_EQ(IterStats[3].c[kStNullTries], kStats ? 2 : 0);
  EXPECT_EQ(StatsIteration, kStats ? 3 : 0);
}

TEST(Stats, TableComparesIterationsOfTheSameSearches) {
  static StatsTable t;
  ClearStatsTable(&t);
  FakeSearch({10, 40, 200});
  AddSearchToTable(&t);
  FakeSearch({5, 20});  // stopped after iteration 2
  AddSearchToTable(&t);
  EXPECT_EQ(t.positions[1], 2);
  EXPECT_EQ(t.positions[2], 2);
  EXPECT_EQ(t.positions[3], 1);
  EXPECT_EQ(t.sum[2].c[kStNodes], 60);
  // Iteration 3 is compared with iteration 2 of the first search alone.
  EXPECT_EQ(t.prev_nodes[3], 40);
  EXPECT_DOUBLE_EQ(StepBranching(t.sum[3].c[kStNodes], t.prev_nodes[3]), 5.0);
  EXPECT_EQ(t.run_nodes[2], 10 + 40 + 5 + 20);
  EXPECT_EQ(t.run_nodes[3], 250);
}

// A real search: the rows add up to the search's own node count and their
// parts stay within their wholes; without statistics nothing is counted.
TEST(Stats, RowsOfASearchAddUpToItsNodeCount) {
  PlayFromFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 4,
              [] { ResetStats(); });
  int64_t nodes = 0;
  for (const StatRow& row : IterStats) {
    nodes += row.c[kStNodes];
    EXPECT_LE(row.c[kStFirstCutoffs], row.c[kStCutoffs]);
    EXPECT_LE(row.c[kStDeepCutoffs], row.c[kStCutoffs]);
    EXPECT_LE(row.c[kStHashMoveFirst], row.c[kStHashMoveNodes]);
    EXPECT_LE(row.c[kStTTCutoffs], row.c[kStTTHits]);
    EXPECT_LE(row.c[kStTTHits], row.c[kStTTProbes]);
    EXPECT_LE(row.c[kStNullCutoffs], row.c[kStNullTries]);
    EXPECT_LE(row.c[kStQNodes], row.c[kStNodes]);
  }
  if constexpr (kStats) {
    EXPECT_EQ(StatsIteration, 4);
    EXPECT_EQ(nodes, NodeCnt);
    EXPECT_GT(IterStats[4].c[kStCutoffs], 0);
  } else {
    EXPECT_EQ(nodes, 0);
  }
}

TEST(Stats, RatesAndRootsOfKnownValues) {
  EXPECT_DOUBLE_EQ(StatRate(85, 100), 85.0);
  EXPECT_DOUBLE_EQ(StatRate(3, 0), 0.0);
  EXPECT_DOUBLE_EQ(StepBranching(7, 0), 0.0);
  EXPECT_NEAR(RootBranching(1000, 3), 10.0, 1e-9);
  EXPECT_NEAR(RootBranching(2600000, 9), 5.17, 0.01);
  EXPECT_DOUBLE_EQ(RootBranching(0, 4), 0.0);
}

}  // namespace
