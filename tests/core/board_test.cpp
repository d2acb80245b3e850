#include "core/board.h"

#include <gtest/gtest.h>

#include "app/lifecycle.h"
#include "core/random.h"
#include "core/tables.h"
#include "test_util.h"

namespace {

// The generator and the hash of the initial position worked out from the
// published recurrence, independently of the engine's tables.
uint32_t ReferenceHash(bool key) {
  uint32_t state = 1;
  auto next16 = [&state]() {
    state = state * 1103515245u + 12345u;
    return state >> 16;
  };
  uint32_t codes[2][7][64][2];
  for (int s = 0; s < 2; s++)
    for (int p = 0; p < 7; p++)
      for (int q = 0; q < 64; q++)
        for (int w = 0; w < 2; w++) {
          uint32_t lo = next16();
          uint32_t hi = next16();
          codes[s][p][q][w] = lo + (hi << 16);
        }
  uint32_t h = 0;
  for (int q = 0; q < 64; q++)
    if (Stcolor[q] != 2) h ^= codes[Stcolor[q]][Stboard[q]][q][key ? 0 : 1];
  return h;
}

TEST(Random, FollowsTheLinearCongruentialRecurrence) {
  s_rand(1);
  EXPECT_EQ(u_rand(), (1103515245u + 12345u) >> 16);
  s_rand(0);
  EXPECT_EQ(u_rand(), 12345u >> 16);
  EXPECT_EQ(RandNext, 12345u);
}

TEST(NewGame, SetsUpTheInitialPosition) {
  FreshGame();
  EXPECT_EQ(PieceCnt[white], 15);
  EXPECT_EQ(PieceCnt[black], 15);
  EXPECT_EQ(PieceList[white][0], 4);
  EXPECT_EQ(PieceList[black][0], 60);
  for (int s = 0; s < 2; s++) {
    EXPECT_EQ(mtl[s], 5606);
    EXPECT_EQ(pmtl[s], 800);
    EXPECT_EQ(emtl[s], 3606);
    for (int f = 0; f < 8; f++) EXPECT_EQ(PawnCnt[s][f], 1);
  }
  EXPECT_EQ(GameCnt, 0);
  EXPECT_EQ(Game50, 1);
  EXPECT_EQ(epsquare, 0);
  for (int sq = 0; sq < 64; sq++) {
    EXPECT_EQ(Mvboard[sq], 0);
    if (color[sq] != neutral) {
      EXPECT_EQ(PieceList[color[sq]][Pindex[sq]], sq) << sq;
    }
  }
}

TEST(NewGame, HashIsTheSameEveryTimeAndMatchesTheRecurrence) {
  FreshGame();
  const uint32_t key = hashkey, bd = hashbd;
  EXPECT_EQ(key, ReferenceHash(true));
  EXPECT_EQ(bd, ReferenceHash(false));
  u_rand();  // disturb the generator: a new game reseeds it
  FreshGame();
  EXPECT_EQ(hashkey, key);
  EXPECT_EQ(hashbd, bd);
  EXPECT_EQ(hashcode[1][7][5].key, 0u);  // kind 7 is unused
}

TEST(InitializeStats, RebuildsListsAfterTheBoardChanges) {
  FreshGame();
  // Remove the white queen and a black knight, move the white king.
  board[3] = 0, color[3] = neutral;
  board[57] = 0, color[57] = neutral;
  board[4] = 0, color[4] = neutral;
  board[20] = king, color[20] = white;
  InitializeStats();
  EXPECT_EQ(PieceCnt[white], 14);
  EXPECT_EQ(PieceCnt[black], 14);
  EXPECT_EQ(PieceList[white][0], 20);
  EXPECT_EQ(mtl[white], 5606 - 1090);
  EXPECT_EQ(emtl[black], 3606 - 348);
  for (int sq = 0; sq < 64; sq++)
    if (color[sq] != neutral) {
      EXPECT_EQ(PieceList[color[sq]][Pindex[sq]], sq) << sq;
    }
}

TEST(InitializeStats, MissingKingLeavesSlotZeroEmpty) {
  FreshGame();
  board[60] = 0, color[60] = neutral;
  InitializeStats();
  EXPECT_EQ(PieceList[black][0], -1);
  EXPECT_EQ(PieceCnt[black], 15);
}

}  // namespace
