#include "core/makemove.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/board.h"
#include "core/movegen.h"
#include "search/driver.h"
#include "test_util.h"
#include "ui/command.h"
#include "ui/position.h"

namespace {

// Legal moves of side at ply 1, as tree entries copied out of the tree.
std::vector<TreeEntry> LegalMoves(int side) {
  MoveList(side, 1);
  std::vector<TreeEntry> all(TrPnt[1], TrPnt[2]), legal;
  for (TreeEntry e : all) {
    MakeMove(side, &e);
    if (!SqAtakd(PieceList[side][0], 1 - side)) legal.push_back(e);
    UnmakeMove(side, &e);
  }
  return legal;
}

TEST(MakeUnmake, RestoresEveryArrayAfterRandomGames) {
  const char* starts[] = {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                          "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
                          "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
                          "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1"};
  std::mt19937 rng(12345);
  int moves_checked = 0;
  for (const char* fen : starts) {
    for (int game = 0; game < 12; game++) {
      SetFen(fen);
      int side = player;
      for (int ply = 0; ply < 120 && GameCnt < 600; ply++) {
        std::vector<TreeEntry> legal = LegalMoves(side);
        if (legal.empty()) break;
        // Every legal move is made and taken back once on the way.
        for (TreeEntry e : legal) {
          const GameSnapshot before = GameSnapshot::Take(true);
          MakeMove(side, &e);
          const char* why = "";
          ASSERT_TRUE(PositionIsConsistent(&why)) << why << " after a move in " << fen;
          UnmakeMove(side, &e);
          ASSERT_EQ(GameSnapshot::Take(true), before) << "unmake differs in " << fen;
          moves_checked++;
        }
        TreeEntry pick = legal[rng() % legal.size()];
        MakeMove(side, &pick);
        side = 1 - side;
        if (mtl[0] + mtl[1] == 2400) break;
      }
    }
  }
  EXPECT_GT(moves_checked, 20000);
}

TEST(MakeUnmake, DoubleStepSetsEnPassantOnlyBesideAnEnemyPawn) {
  SetFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  const uint32_t before = hashkey;
  TreeEntry* e4 = FindMove(white, "e2e4");
  ASSERT_NE(e4, nullptr);
  MakeMove(white, e4);
  EXPECT_EQ(epsquare, 0);
  EXPECT_EQ(hashkey, before ^ hashcode[0][pawn][Sq("e2")].key ^ hashcode[0][pawn][Sq("e4")].key);

  SetFen("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1");
  MakeMove(white, FindMove(white, "e2e4"));
  EXPECT_EQ(epsquare, Sq("e3"));
  EXPECT_TRUE(PositionIsConsistent());
  // The capture is generated and takes the pawn off e4.
  TreeEntry* ep = FindMove(black, "d4e3");
  ASSERT_NE(ep, nullptr);
  EXPECT_EQ(ep->flags & (MF_EP | MF_CAPTURE), MF_EP | MF_CAPTURE);
  MakeMove(black, ep);
  EXPECT_EQ(board[Sq("e4")], no_piece);
  EXPECT_EQ(PawnCnt[white][4], 0);
  EXPECT_EQ(PawnCnt[black][4], 1);
  EXPECT_EQ(PawnCnt[black][3], 0);
  EXPECT_TRUE(PositionIsConsistent());
}

TEST(MakeUnmake, CapturePromotionKeepsPawnCountsOnBothFiles) {
  SetFen("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
  const GameSnapshot before = GameSnapshot::Take(true);
  TreeEntry* e = FindMove(white, "a7b8q");
  ASSERT_NE(e, nullptr);
  MakeMove(white, e);
  EXPECT_EQ(board[Sq("b8")], queen);
  EXPECT_EQ(PawnCnt[white][0], 0);
  EXPECT_EQ(PawnCnt[white][1], 0);
  EXPECT_EQ(mtl[white], 1200 + 1090);
  EXPECT_EQ(mtl[black], 1200);
  EXPECT_TRUE(PositionIsConsistent());
  UnmakeMove(white, e);
  EXPECT_EQ(GameSnapshot::Take(true), before);
}

TEST(MakeUnmake, IrreversibleMovesResetTheFiftyMoveIndex) {
  SetFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  MakeMove(white, FindMove(white, "a1b1"));
  EXPECT_EQ(Game50, 1);  // a quiet piece move
  MakeMove(black, FindMove(black, "e8g8"));
  EXPECT_EQ(Game50, GameCnt);  // castling
  EXPECT_EQ(castld[black], 1);
  EXPECT_EQ(board[Sq("f8")], rook);
  EXPECT_TRUE(PositionIsConsistent());
}

TEST(MakeUnmake, CaptureOfTheLastPieceMarksBareKings) {
  SetFen("4k3/8/8/8/8/8/3n4/4K3 w - - 0 1");
  TreeEntry* e = FindMove(white, "e1d2");
  ASSERT_NE(e, nullptr);
  MakeMove(white, e);
  EXPECT_TRUE(e->flags & MF_BARE);
}

TEST(Repetition, CountsEarlierPositionsWithTheSameSideToMove) {
  SetFen("4k3/8/8/8/8/8/8/4K1N1 w - - 0 1");
  int count = -1;
  const char* shuffle[] = {"g1f3", "e8d8", "f3g1", "d8e8"};
  int side = white;
  for (int round = 0; round < 2; round++)
    for (const char* m : shuffle) {
      ThreefoldRepetition(&count);
      MakeMove(side, FindMove(side, m));
      side = 1 - side;
    }
  ThreefoldRepetition(&count);
  EXPECT_EQ(count, 2);
  EXPECT_STREQ(DrawComment, "Draw by repetition");
}

TEST(Repetition, NothingFoundWithinThreeMovesOfAnIrreversibleMove) {
  SetFen("4k3/8/8/8/8/8/8/4K1N1 w - - 0 1");
  MakeMove(white, FindMove(white, "g1f3"));
  MakeMove(black, FindMove(black, "e8d8"));
  int count = -1;
  ThreefoldRepetition(&count);
  EXPECT_EQ(count, 0);
}

TEST(Castling, RefusedThroughCheckOutOfCheckAndWhenBlocked) {
  const struct {
    const char* fen;
    int to, allowed;
  } rows[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 6, 1},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 2, 1},
      {"r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", 6, 0},  // f2 rook covers f1
      {"r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq - 0 1", 6, 0},  // in check
      {"r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq - 0 1", 2, 0},
      {"r3k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1", 2, 0},  // b1 blocked
      {"r3k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1", 6, 1},
      {"r3k2r/8/8/8/8/8/8/R3K2R w Kkq - 0 1", 2, 0},  // a1 rook has moved
      // b1 attacked does not matter for the a-side castling.
      {"r3k2r/8/8/8/8/8/1r6/R3K2R w KQkq - 0 1", 2, 1},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.fen << " e1-" << r.to);
    SetFen(r.fen);
    EXPECT_EQ(castle(white, ShortMove(4, r.to), 0), r.allowed);
  }
}

}  // namespace
