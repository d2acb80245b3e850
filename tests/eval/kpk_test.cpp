#include "eval/kpk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/board.h"
#include "core/makemove.h"
#include "eval/evaluate.h"
#include "eval/flip_fen.h"
#include "eval/term_setup.h"
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

// ---------------------------------------------------------------------------

// Pawn file and rank, the strong king's, the bare king's (files 1 to 8,
// the pawn normalised to the a- to d-files), White to move: won or not.
TEST(KingPawnKingRules, VerdictsOfTheRules) {
  const struct {
    int args[6], won;
    const char* why;
  } cases[] = {
      {{1, 7, 5, 2, 4, 8}, 1, "rook pawn on the seventh, the bare king on d8 too late"},
      {{1, 7, 1, 8, 3, 8}, 0, "rook pawn on the seventh, its king shut in on a8"},
      {{1, 5, 1, 4, 1, 8}, 0, "rook pawn, the bare king in the corner"},
      {{1, 5, 2, 6, 1, 8}, 0, "rook pawn, the bare king in the corner, kings apart"},
      {{4, 5, 1, 1, 8, 1}, 1, "outside the square: four ranks to go, distance 7"},
      // The square rule does not decide (dL(4, 8) = 0), later rules do.
      {{4, 2, 4, 1, 4, 8}, 1, "home pawn with its king behind, with the move"},
      {{4, 4, 4, 5, 4, 7}, 0, "the opposition: no way through with the move"},
      {{4, 4, 4, 5, 4, 8}, 1, "the opposition lost by Kd8"},
      {{4, 4, 4, 5, 5, 8}, 1, "the opposition lost by Ke8"},
      {{4, 4, 4, 5, 5, 7}, 1, "the opposition lost by Ke7"},
      {{4, 4, 4, 5, 3, 7}, 1, "the opposition lost by Kc7"},
      {{4, 4, 4, 5, 3, 8}, 1, "the opposition lost by Kc8"},
      {{4, 5, 4, 6, 4, 8}, 1, "the king on the sixth in front of its pawn"},
      {{3, 5, 3, 6, 3, 8}, 1, "the king on the sixth in front of its pawn, c-file"},
  };
  for (const auto& c : cases) {
    const int* a = c.args;
    EXPECT_EQ(kpkwv_(a[0], a[1], a[2], a[3], a[4], a[5]), c.won) << c.why;
  }
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
