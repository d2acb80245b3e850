#include "eval/kpk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/board.h"
#include "core/makemove.h"
#include "eval/evaluate.h"
#include "eval/flip_fen.h"
#include "search/driver.h"
#include "search/treesearch.h"
#include "test_util.h"

namespace {

// The position mirrored left to right: a-file and h-file exchanged.
std::string MirrorFiles(const std::string& fen) {
  const size_t space = fen.find(' ');
  std::string placement = fen.substr(0, space), out, rank;
  for (char c : placement + "/") {
    if (c == '/') {
      out += std::string(rank.rbegin(), rank.rend()) +
             (out.size() + rank.size() < placement.size() ? "/" : "");
      rank.clear();
    } else {
      rank += c;
    }
  }
  return out + fen.substr(space);
}

// Evaluates fen at the root of a depth-4 search, for its side to move.
int32_t EvalRoot(const std::string& fen) {
  SetFen(fen.c_str());
  stage = -1;
  ExaminePosition();
  Sdepth = Xdepth = 4;
  MOVE = (64 << 8) | 64;
  memset(ExtFlag, 0, sizeof ExtFlag);
  memset(Pscore, 0, sizeof Pscore);
  const int side = FenSide(fen);
  return evaluate(side, 1 - side, 1, -12000, 12000);
}

// ---------------------------------------------------------------------------

TEST(KingPawnKingRules, RookPawnOnTheSeventh) {
  EXPECT_EQ(kpkwv_(1, 7, 5, 2, 4, 8), 1);  // the bare king on d8 is too late
  EXPECT_EQ(kpkwv_(1, 7, 1, 8, 3, 8), 0);  // own king shut in on a8
}

TEST(KingPawnKingRules, RookPawnWithTheKingInTheCorner) {
  EXPECT_EQ(kpkwv_(1, 5, 1, 4, 1, 8), 0);
  EXPECT_EQ(kpkwv_(1, 5, 2, 6, 1, 8), 0);
}

TEST(KingPawnKingRules, PawnOutsideTheSquareRuns) {
  // Pawn on d5 (R 5), bare king on h1: four ranks to go, distance 7.
  EXPECT_EQ(kpkwv_(4, 5, 1, 1, 8, 1), 1);
}

TEST(KingPawnKingRules, HomePawnWithItsKingBehindWinsWithTheMove) {
  // e2 and e1 against e8 (normalised to the d-file): the square rule does
  // not decide (dL(4, 8) = 0), later rules find the win.
  EXPECT_EQ(kpkwv_(4, 2, 4, 1, 4, 8), 1);
}

TEST(KingPawnKingRules, OppositionDecides) {
  // e4 with its king on e5 against the king on e7 (normalised d-file):
  // with the move White has no way through; every king step of Black
  // (that is legal) lets White in.
  EXPECT_EQ(kpkwv_(4, 4, 4, 5, 4, 7), 0);
  const int steps[][2] = {{4, 8}, {5, 8}, {5, 7}, {3, 7}, {3, 8}};
  for (const auto& s : steps) EXPECT_EQ(kpkwv_(4, 4, 4, 5, s[0], s[1]), 1) << s[0] << s[1];
}

TEST(KingPawnKingRules, KingOnTheSixthInFrontOfItsPawnWins) {
  EXPECT_EQ(kpkwv_(4, 5, 4, 6, 4, 8), 1);
  EXPECT_EQ(kpkwv_(3, 5, 3, 6, 3, 8), 1);
}

// ---------------------------------------------------------------------------

TEST(KingPawnKingScore, WonWithTheMoveLostTheOppositionWithout) {
  const std::string fen = "8/4k3/8/4K3/4P3/8/8/8 w - - 0 1";
  // Drawn for White to move: 10 + 5 x d(e4, e7) - 5 x d(e5, e7).
  EXPECT_EQ(EvalRoot(fen), 10 + 5 * 3 - 5 * 2);
  // Black to move loses: -(400 + 10 x 3 + 50 x 4).
  EXPECT_EQ(EvalRoot("8/4k3/8/4K3/4P3/8/8/8 b - - 0 1"), -630);
}

TEST(KingPawnKingScore, SameVerdictOnEitherWingAndForEitherColour) {
  const char* fens[] = {
      "8/4k3/8/4K3/4P3/8/8/8 w - - 0 1", "8/4k3/8/4K3/4P3/8/8/8 b - - 0 1",
      "8/P7/8/8/8/8/1K6/5k2 w - - 0 1",  "k7/P7/1K6/8/8/8/8/8 b - - 0 1",
      "8/8/1k6/8/1P6/8/1K6/8 w - - 0 1", "8/8/1k6/8/1P6/8/1K6/8 b - - 0 1",
      "2k5/8/8/8/8/8/3P4/3K4 w - - 0 1",
  };
  for (const char* fen : fens) {
    const int32_t base = EvalRoot(fen);
    EXPECT_EQ(EvalRoot(MirrorFiles(fen)), base) << fen;
    EXPECT_EQ(EvalRoot(FlipFen(fen)), base) << fen;
  }
}

}  // namespace
