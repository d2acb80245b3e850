#include "core/perft.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "search/driver.h"
#include "test_util.h"
#include "ui/command.h"

namespace {

struct Reference {
  std::string fen;
  int depth;
  uint64_t nodes;
};

std::vector<Reference> References() {
  std::ifstream in(VORNA_TEST_DATA "/perft.txt");
  std::vector<Reference> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::stringstream fields(line);
    std::string fen, depth, nodes;
    std::getline(fields, fen, ';');
    std::getline(fields, depth, ';');
    std::getline(fields, nodes, ';');
    out.push_back({fen, std::stoi(depth), std::stoull(nodes)});
  }
  return out;
}

// Counts cross-checked with another engine (tests/data/make_perft.py). The
// quick ones run here, counted at the last ply and, the smaller ones, also
// made move by move; tests/integration/test_perft.py runs every line
// through build/perft.
TEST(Perft, AgreesWithTheReferenceCountsOnQuickPositions) {
  const std::vector<Reference> refs = References();
  ASSERT_GT(refs.size(), 200u);
  int checked = 0, made = 0;
  for (const Reference& r : refs) {
    if (r.nodes > 200000) continue;
    SetFen(r.fen.c_str());
    EXPECT_EQ(Perft(player, 1, r.depth), r.nodes) << r.fen << " depth " << r.depth;
    if (r.nodes <= 20000) {
      EXPECT_EQ(PerftByMaking(player, 1, r.depth), r.nodes) << r.fen << " depth " << r.depth;
      made++;
    }
    EXPECT_TRUE(PositionIsConsistent()) << r.fen;
    checked++;
  }
  EXPECT_GE(checked, 70);
  EXPECT_GE(made, 20);
}

// Pseudo-legal moves of side at ply 1 that leave its king safe; counts
// the en-passant captures refused in *refused_ep.
std::vector<TreeEntry> LegalMoves(int side, int* refused_ep = nullptr) {
  MoveList(side, 1);
  std::vector<TreeEntry> all(TrPnt[1], TrPnt[2]), legal;
  for (TreeEntry e : all) {
    MakeMove(side, &e);
    if (!SqAtakd(PieceList[side][0], 1 - side))
      legal.push_back(e);
    else if (refused_ep && (e.flags & MF_EP))
      ++*refused_ep;
    UnmakeMove(side, &e);
  }
  return legal;
}

// The men of side standing between its king and an enemy slider.
bool HasPinnedMan(int side) {
  const int k = PieceList[side][0];
  for (int i = 1; i <= PieceCnt[side]; i++) {
    const int sq = PieceList[side][i];
    const int16_t b = board[sq], c = color[sq];
    board[sq] = no_piece, color[sq] = neutral;
    const bool exposed = SqAtakd(k, 1 - side) != 0;
    board[sq] = b, color[sq] = c;
    if (exposed && !SqAtakd(k, 1 - side)) return true;
  }
  return false;
}

// Castlings of side that only an attacked king square, passing square or
// target square forbids.
int CastlingsRefusedByAttacks(int side) {
  const int o = side == white ? 4 : 60;
  if (board[o] != king || color[o] != side || Mvboard[o] != 0 || castld[side]) return 0;
  int refused = 0;
  for (int to : {o + 2, o - 2}) {
    const int r = to > o ? o + 3 : o - 4, d = to > o ? to - 1 : to + 1;
    if (board[r] != rook || color[r] != side || Mvboard[r] != 0) continue;
    if (color[to] != neutral || color[d] != neutral || color[to - 1] != neutral) continue;
    if (!castle(side, ShortMove(o, to), 0)) refused++;
  }
  return refused;
}

// The counter against making every move, on the positions of random games
// from starts rich in checks, pins (en passant along the rank among them),
// castling past attacked squares and promotions.
TEST(CountLegalMoves, AgreesWithMakingEveryMoveOnRandomGames) {
  const char* starts[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
      "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
      "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
      "4k3/8/8/2KPp2r/8/8/6P1/8 w - e6 0 1",
      "8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1",
      "r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1",
      "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1",
      "8/5bk1/8/2Pp4/8/1K6/8/8 w - d6 0 1",
      "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
  };
  std::mt19937 rng(20261208);
  int positions = 0, in_check = 0, double_check = 0, pinned = 0, en_passant = 0, refused_ep = 0,
      castling = 0, refused_castling = 0, promotions = 0;
  for (const char* fen : starts) {
    for (int game = 0; game < 24; game++) {
      SetFen(fen);
      int side = player;
      for (int ply = 0; ply < 80; ply++) {
        const std::vector<TreeEntry> legal = LegalMoves(side, &refused_ep);
        ASSERT_EQ(CountLegalMoves(side), static_cast<int>(legal.size())) << CurrentFen();
        ASSERT_EQ(PerftByMaking(side, 1, 1), legal.size()) << CurrentFen();
        positions++;
        const int checkers = SqAtakd(PieceList[side][0], 1 - side);
        in_check += checkers;
        if (checkers) {
          // Two checkers: the king is attacked with either one taken away.
          int found = 0;
          for (int i = 0; i <= PieceCnt[1 - side]; i++) {
            const int sq = PieceList[1 - side][i];
            const int16_t b = board[sq], c = color[sq];
            board[sq] = no_piece, color[sq] = neutral;
            found += SqAtakd(PieceList[side][0], 1 - side) ? 0 : 1;
            board[sq] = b, color[sq] = c;
          }
          double_check += found == 0 ? 1 : 0;
        }
        pinned += HasPinnedMan(side) ? 1 : 0;
        refused_castling += CastlingsRefusedByAttacks(side);
        for (const TreeEntry& e : legal) {
          en_passant += (e.flags & MF_EP) ? 1 : 0;
          castling += (e.flags & MF_CASTLE) ? 1 : 0;
          promotions += (e.flags & MF_PROMOTE) ? 1 : 0;
        }
        if (legal.empty()) break;
        TreeEntry e = legal[rng() % legal.size()];
        MakeMove(side, &e);
        side = 1 - side;
      }
    }
  }
  // The games met every kind of position the counter treats apart.
  EXPECT_GT(positions, 10000);
  EXPECT_GT(in_check, 600);
  EXPECT_GT(double_check, 8);
  EXPECT_GT(pinned, 500);
  EXPECT_GT(en_passant, 30);
  EXPECT_GT(refused_ep, 5);
  EXPECT_GT(castling, 400);
  EXPECT_GT(refused_castling, 200);
  EXPECT_GT(promotions, 3000);
}

// Deeper trees of the same starts, counted both ways.
TEST(Perft, CountingAtTheLastPlyAgreesWithMakingEveryMove) {
  const char* fens[] = {
      "4k3/8/8/2KPp2r/8/8/6P1/8 w - e6 0 1",
      "8/5bk1/8/2Pp4/8/1K6/8/8 w - d6 0 1",
      "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1",
      "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
  };
  for (const char* fen : fens) {
    SetFen(fen);
    EXPECT_EQ(Perft(player, 1, 3), PerftByMaking(player, 1, 3)) << fen;
  }
}

}  // namespace
