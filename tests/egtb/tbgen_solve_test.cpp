#include "egtb/tbgen_solve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/perft.h"
#include "egtb/tbindex.h"
#include "squares_fen.h"
#include "test_util.h"

namespace {

int TableNumber(const char* name) {
  for (int i = 1; i < kTbCount; i++)
    if (std::string(name) == rgTbTables[i].name) return i;
  return 0;
}

std::unique_ptr<TbgLayout> Layout(const char* name) {
  std::unique_ptr<TbgLayout> l(new TbgLayout);
  EXPECT_TRUE(TbgLayoutInit(l.get(), TableNumber(name))) << name;
  return l;
}

// Every stride-th node of a side, live ones only.
std::vector<uint32_t> LiveNodes(const TbgLayout& l, int side, uint32_t stride) {
  std::vector<uint32_t> out;
  TbgPos p;
  for (uint32_t i = side; i < TbgNodeCount(l, side); i += stride)
    if (TbgDecode(l, side, i, &p)) out.push_back(i);
  return out;
}

std::string Fen(const TbgLayout& l, const TbgPos& p, int side) {
  char board[64];
  std::fill(board, board + 64, '.');
  for (int m = 0; m < l.cMen; m++) {
    const char c = " pnbrqk"[l.men[m].kind];
    board[p.sq[m]] = l.men[m].side == 0 ? static_cast<char>(c - 32) : c;
  }
  return SquaresFen(board, side, p.ep);
}

struct TableCase {
  const char* name;
  uint32_t cPairs;
  uint32_t stride;  // sampling of the nodes
};

const TableCase kTables[] = {
    {"kqk", 462, 7},    {"krk", 462, 5},     {"kpk", 1806, 3},   {"kbnk", 462, 97},
    {"kppk", 1806, 89}, {"kpkp", 1806, 101}, {"krkp", 1806, 97}, {"knnk", 462, 53},
};

class TbgTables : public ::testing::TestWithParam<TableCase> {};

TEST_P(TbgTables, LiveNodesEncodeToThemselves) {
  const auto l = Layout(GetParam().name);
  EXPECT_EQ(static_cast<uint32_t>(l->cPairs), GetParam().cPairs);
  for (int s = 0; s < 2; s++)
    for (uint32_t i : LiveNodes(*l, s, GetParam().stride)) {
      TbgPos p;
      ASSERT_TRUE(TbgDecode(*l, s, i, &p));
      ASSERT_EQ(TbgEncode(*l, s, p), i);
    }
}

TEST_P(TbgTables, SymmetricTwinsShareTheirNode) {
  const auto l = Layout(GetParam().name);
  // Left-right mirror with pawns; all eight board symmetries without.
  const int images = l->fPawns ? 2 : 8;
  for (uint32_t i : LiveNodes(*l, 0, GetParam().stride * 3)) {
    TbgPos p;
    TbgDecode(*l, 0, i, &p);
    for (int g = 1; g < images; g++) {
      auto image = [g](int sq) {
        if (g & 4) sq = ((sq & 7) << 3) | (sq >> 3);
        if (g & 1) sq ^= 7;
        if (g & 2) sq ^= 56;
        return sq;
      };
      TbgPos q = p;
      for (int m = 0; m < l->cMen; m++) q.sq[m] = image(p.sq[m]);
      if (p.ep >= 0) q.ep = image(p.ep);
      ASSERT_EQ(TbgEncode(*l, 0, q), i) << g;
    }
  }
}

// A move from q to p exists exactly when q is among p's predecessors.
TEST_P(TbgTables, TakeBacksMatchTheMoves) {
  const auto l = Layout(GetParam().name);
  TbgMove moves[256];
  TbgPos preds[256];
  for (int s = 0; s < 2; s++)
    for (uint32_t i : LiveNodes(*l, s, GetParam().stride * 2)) {
      TbgPos p;
      TbgDecode(*l, s, i, &p);
      const int np = TbgUnmoves(*l, p, s, preds);
      for (int k = 0; k < np; k++) {
        const int n = TbgLegalMoves(*l, preds[k], 1 - s, moves);
        bool found = false;
        for (int j = 0; j < n && !found; j++)
          found = !TbgIsConversion(moves[j]) &&
                  TbgEncode(*l, s, TbgMakeMove(*l, preds[k], moves[j])) == i;
        ASSERT_TRUE(found) << Fen(*l, preds[k], 1 - s) << " -> " << Fen(*l, p, s);
      }
      const int n = TbgLegalMoves(*l, p, s, moves);
      for (int j = 0; j < n; j++) {
        if (TbgIsConversion(moves[j])) continue;
        const TbgPos r = TbgMakeMove(*l, p, moves[j]);
        const int nr = TbgUnmoves(*l, r, 1 - s, preds);
        bool found = false;
        for (int k = 0; k < nr && !found; k++) found = TbgEncode(*l, s, preds[k]) == i;
        ASSERT_TRUE(found) << Fen(*l, p, s) << " -> " << Fen(*l, r, 1 - s);
      }
    }
}

// The legal moves agree in number with the engine's own generator.
TEST_P(TbgTables, MoveCountsAgreeWithTheEngine) {
  const auto l = Layout(GetParam().name);
  TbgMove moves[256];
  int compared = 0;
  for (int s = 0; s < 2; s++)
    for (uint32_t i : LiveNodes(*l, s, GetParam().stride * 40)) {
      TbgPos p;
      TbgDecode(*l, s, i, &p);
      SetFen(Fen(*l, p, s).c_str());
      ASSERT_EQ(static_cast<uint64_t>(TbgLegalMoves(*l, p, s, moves)), Perft(s, 1, 1))
          << Fen(*l, p, s);
      compared++;
    }
  EXPECT_GT(compared, 20);
}

INSTANTIATE_TEST_SUITE_P(Tables, TbgTables, ::testing::ValuesIn(kTables),
                         [](const auto& info) { return std::string(info.param.name); });

TbgPos Place(const TbgLayout& l, std::initializer_list<const char*> squares, const char* ep) {
  TbgPos p;
  int m = 0;
  for (const char* s : squares) p.sq[m++] = Sq(s);
  EXPECT_EQ(m, l.cMen);
  p.ep = ep ? Sq(ep) : -1;
  return p;
}

TEST(TbgEnPassant, DoubleStepBesideAPawnOpensItAndOnlyThen) {
  const auto l = Layout("kpkp");
  TbgMove moves[256];
  // White Ke1, Kh8 black, white pawn d2, black pawn e4: d2-d4 opens en passant.
  const TbgPos p = Place(*l, {"e1", "h8", "d2", "e4"}, nullptr);
  const int n = TbgLegalMoves(*l, p, 0, moves);
  int doubles = 0;
  for (int j = 0; j < n; j++) {
    if (moves[j].to != Sq("d4")) continue;
    doubles++;
    const TbgPos q = TbgMakeMove(*l, p, moves[j]);
    EXPECT_EQ(q.ep, Sq("d3"));
    const uint32_t node = TbgEncode(*l, 1, q);
    EXPECT_GE(node, l->cNodes);
    // Black may take en passant there, and only there.
    TbgMove replies[256];
    const int nr = TbgLegalMoves(*l, q, 1, replies);
    int eps = 0;
    for (int k = 0; k < nr; k++) eps += replies[k].to == Sq("d3") && replies[k].victim == 2;
    EXPECT_EQ(eps, 1);
    TbgPos twin = q;
    twin.ep = -1;
    EXPECT_EQ(TbgLegalMoves(*l, twin, 1, replies), nr - 1);
    // The only way back from there is the double step.
    TbgPos preds[256];
    ASSERT_EQ(TbgUnmoves(*l, q, 1, preds), 1);
    EXPECT_EQ(TbgEncode(*l, 0, preds[0]), TbgEncode(*l, 0, p));
  }
  EXPECT_EQ(doubles, 1);
  // Without a pawn beside, the double step leaves no en-passant square.
  const TbgPos far = Place(*l, {"e1", "h8", "a2", "e4"}, nullptr);
  const int nf = TbgLegalMoves(*l, far, 0, moves);
  for (int j = 0; j < nf; j++) EXPECT_EQ(TbgMakeMove(*l, far, moves[j]).ep, -1);
}

TEST(TbgDependencies, CapturesAndPromotionsNameTheSmallerTables) {
  struct Case {
    const char* name;
    std::vector<std::string> deps;
  };
  const Case cases[] = {
      {"kqk", {}},
      {"kpk", {"kqk", "krk", "kbk", "knk"}},
      {"kpkp", {"kpk", "knkp", "kbkp", "krkp", "kqkp"}},
      {"krkp", {"kpk", "krk", "krkn", "krkb", "krkr", "kqkr", "knk", "kbk", "kqk"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    for (int t : TbgDependencies(TableNumber(c.name))) got.push_back(rgTbTables[t].name);
    std::vector<std::string> want = c.deps;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want) << c.name;
  }
}

}  // namespace
