#include "eval/evaluate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

#include "core/board.h"
#include "core/makemove.h"
#include "core/movetables.h"
#include "egtb/egtb.h"
#include "eval/flip_fen.h"
#include "eval/term_setup.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/treesearch.h"
#include "test_util.h"

namespace {

constexpr int32_t kWide = 12000;

int32_t ScoreFen(const std::string& fen) {
  SetFen(fen.c_str());
  stage = -1;
  ExaminePosition();
  int32_t s = 0;
  ScorePosition(FenSide(fen), &s);
  return s;
}

// Makes a move of side given by square names.
void Play(int side, const char* from, const char* to) {
  TreeEntry e{0, static_cast<uint8_t>(Sq(to)), static_cast<uint8_t>(Sq(from)), 0};
  if (color[Sq(to)] != neutral) e.flags = MF_CAPTURE;
  MakeMove(side, &e);
}

// ---------------------------------------------------------------------------

TEST(MaterialRemis, OnlyALoneMinorOrTwoKnightsAgainstABareKingAreDead) {
  const struct {
    const char* fen;
    int draw;
  } cases[] = {
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 1},     {"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", 1},
      {"4k3/8/8/8/8/8/8/1NN1K3 b - - 0 1", 1},  {"1nn1k3/8/8/8/8/8/8/4K3 w - - 0 1", 1},
      {"4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 1},   {"4k3/3n4/8/8/8/8/3N4/4K3 w - - 0 1", 1},
      {"4k3/3b4/8/8/8/8/3N4/4K3 w - - 0 1", 1}, {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 0},
      {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 0},   {"4k3/8/8/8/8/8/8/1NB1K3 w - - 0 1", 0},
      {"4k3/8/8/8/8/8/8/1NNNK3 w - - 0 1", 0},  {"k7/8/8/8/8/8/8/2B1K3 w - - 0 1", 0},
      {"7k/3n4/8/8/8/8/3N4/4K3 w - - 0 1", 0},  {"4k3/3n4/8/8/8/8/3N4/K7 w - - 0 1", 0},
      {"4k3/8/8/8/8/8/8/1NN1K2n w - - 0 1", 0},
  };
  for (const auto& c : cases) {
    SetFen(c.fen);
    strcpy(DrawComment, "Draw");
    EXPECT_EQ(MaterialRemis(), c.draw) << c.fen;
    EXPECT_STREQ(DrawComment, c.draw ? "Insufficient Material" : "Draw") << c.fen;
  }
}

// ---------------------------------------------------------------------------

struct ExactCase {
  const char* fen;
  int32_t score;
  int terminate;  // -1: not asked
  const char* why;
};

TEST(BareKing, ExactScoresOfTheSmallEndings) {
  const ExactCase cases[] = {
      {"4k3/8/3n4/8/8/3N4/8/4K3 w - - 0 1", 0, 1, "knight against knight in the centre"},
      {"4k3/8/8/8/8/8/8/KN6 w - - 0 1", 0, 1, "a knight alone, even with a king in the corner"},
      {"7k/8/8/8/3NN3/2K5/8/8 w - - 0 1", 0, 1, "two knights"},
      // Dark bishop, bare king in the dark corner h8: 4 x 99 + 580 minus the
      // king's taxi distance (4) and the king distances of bishop (4) and knight (3).
      {"7k/8/5K2/4N3/5B2/8/8/8 w - - 0 1", 965, 0, "bishop and knight, dark corner"},
      {"7k/8/5K2/4N3/5B2/8/8/8 b - - 0 1", -965, 0, "bishop and knight, the king to move"},
      {"k7/8/2K5/1N6/2B5/8/8/8 b - - 0 1", -(976 - 4 - 4 - 3), -1,
       "bishop and knight, light corner"},
      // In the centre the corner table gives nothing: 580 minus the distances.
      {"8/8/7B/8/4k3/8/2K5/1N6 w - - 0 1", 580 - 4 - 3 - 3, -1, "bishop and knight, centre"},
      // 1090 - DyingKing[h8] (0) + 500 - 2 x king distance (5).
      {"7k/8/8/8/8/2K5/8/3Q4 w - - 0 1", 1580, -1, "queen, king on the edge"},
      {"7k/8/8/8/8/2K5/8/3Q4 b - - 0 1", -1580, -1, "queen, the bare king to move"},
      {"k7/8/8/8/8/8/8/2B1K3 w - - 0 1", 0, 0, "a lone bishop scores nothing but is no dead draw"},
      // Rook pawns against the king in front of them.
      {"1k6/8/8/P7/P7/8/4K3/8 w - - 0 1", 0, 1, "a-pawns, White to move"},
      {"1k6/8/8/P7/P7/8/4K3/8 b - - 0 1", 0, 1, "a-pawns, Black to move"},
      {"6k1/8/8/7P/7P/8/4K3/8 w - - 0 1", 0, 1, "h-pawns"},
      {"8/4k3/8/p7/p7/8/8/1K6 b - - 0 1", 0, 1, "Black's a-pawns against the king on b1"},
      // Black to move has no legal king step: drawn, 10 + 5 x 1 - 5 x 2 for White.
      {"k7/P7/1K6/8/8/8/8/8 b - - 0 1", -5, -1, "the bare king stalemated"},
      // The wrong bishop for the rook pawn.
      {"k7/8/8/8/8/8/P7/2B1K3 w - - 0 1", 0, 1, "dark bishop, a-pawn"},
      {"4k3/2b4p/8/8/8/8/8/7K b - - 0 1", 0, 1, "dark bishop, h-pawn, Black"},
  };
  for (const ExactCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.why << ": " << c.fen);
    EXPECT_EQ(EvalRoot(c.fen), c.score);
    if (c.terminate >= 0) {
      EXPECT_EQ(Terminate, c.terminate);
    }
  }
  // Knight against knight leaves no positional part; a knight alone marks
  // the bare king.
  EvalRoot(cases[0].fen);
  EXPECT_EQ(Pscore[1], 0);
  EvalRoot(cases[1].fen);
  EXPECT_EQ(slk, 1);
}

TEST(BareMinorPieces, KingOnH8LetsTheNormalEvaluationRun) {
  const int32_t score = EvalRoot("7k/8/3n4/8/8/3N4/8/4K3 w - - 0 1");
  EXPECT_EQ(Terminate, 0);
  EXPECT_EQ(slk, 0);
  int32_t full = 0;
  ScorePosition(white, &full);
  EXPECT_EQ(score, full);
}

TEST(BareKing, WinningEndingsAreNoDraws) {
  // The bare king in the centre scores less for the stronger side.
  EXPECT_LT(EvalRoot("8/8/8/4k3/8/2K5/8/3Q4 w - - 0 1"), 1580);
  // With the king elsewhere the rook pawns win.
  EXPECT_GT(EvalRoot("4k3/8/8/P7/P7/8/4K3/8 w - - 0 1"), 400);
  EXPECT_EQ(Terminate, 0);
  // The bishop of the right colour.
  EXPECT_GT(EvalRoot("k7/8/8/8/8/8/P7/3BK3 w - - 0 1"), 0);
  EXPECT_EQ(Terminate, 0);
}

TEST(BareKing, BareKingTakesAnUndefendedPawn) {
  // The black king steps to a7: drawn before any rule is asked.
  const int32_t score = EvalRoot("1k6/P7/8/3K4/8/8/8/8 b - - 0 1");  // builds the tables first
  EXPECT_EQ(score, -(10 + 5 * distdata[Sq("a7")][Sq("b8")] - 5 * distdata[Sq("d5")][Sq("b8")]));
}

TEST(BareKing, PawnRaceIsDeliberatelyAsymmetric) {
  // The race walk adds 10 per square for White's pawns but 20 for Black's,
  // and the two "caught" tests differ by one rank, so a position and its
  // colour flip are not scored alike.
  const std::string fen = "8/8/8/3k4/1P4P1/8/8/3K4 w - - 0 1";
  const int32_t white_score = EvalRoot(fen);
  const int32_t black_score = EvalRoot(FlipFen(fen));
  EXPECT_GT(white_score, 0);
  EXPECT_GT(black_score, 0);
  EXPECT_NE(white_score, black_score);
}

// ---------------------------------------------------------------------------

TEST(KingCapture, SideThatCanTakeTheKingScoresAboveAnyMate) {
  Root("4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1");
  Play(white, "e2", "d3");  // leaves the king to the rook
  EXPECT_EQ(evaluate(black, white, 2, -kWide, kWide), 10001 - 2);
  EXPECT_EQ(evaluate(black, white, 1, -kWide, kWide), 10001 - 1);
}

TEST(CheckFlag, RootInCheckReadsNoPieceSlot) {
  Root("4k3/8/8/8/8/8/4r3/R3K3 w - - 0 1");
  evaluate(white, black, 1, -kWide, kWide);
  EXPECT_EQ(InChk, 1);
  EXPECT_EQ(ChkFlag[0], 0);
  EXPECT_EQ(ExtFlag[1] & MF_CHECK, 0);
}

TEST(CheckFlag, CheckingManIsNamedBySlot) {
  Root("r3k3/8/8/8/8/8/8/3R1K2 w - - 0 1");
  Sdepth = 2;
  Play(white, "d1", "e1");
  evaluate(black, white, 2, -kWide, kWide);
  EXPECT_EQ(InChk, 1);
  EXPECT_EQ(ChkFlag[1], Pindex[Sq("e1")]);
  EXPECT_GT(ChkFlag[1], 0);
  EXPECT_NE(ExtFlag[2] & MF_CHECK, 0);
}

TEST(CheckFlag, DiscoveredCheckByAKingMoveIsMinusOne) {
  Root("r3k3/8/8/8/8/8/4K3/4R3 w - - 0 1");
  Sdepth = 2;
  Play(white, "e2", "d3");
  evaluate(black, white, 2, -kWide, kWide);
  EXPECT_EQ(InChk, 1);
  EXPECT_EQ(ChkFlag[1], -1);
}

// ---------------------------------------------------------------------------

// The margin at ply 2 after side's move from-to (none if from is null),
// marked as a capture at ply 1 unless quiet.
struct MarginCase {
  const char* fen;
  int side;
  const char *from, *to;
  int ext, margin;
  const char* why;
};

TEST(QuiescenceMargin, WideAfterPawnCapturesOnTheLastRanksOrWithMinorsOnly) {
  const char* pieces = "4k3/8/8/3n4/8/2N5/8/R2QK3 w - - 0 1";
  const MarginCase cases[] = {
      {"1r2k3/1P6/8/8/8/8/8/R2QK3 b - - 0 1", black, "b8", "b7", 0, 250,
       "a white pawn taken on the seventh"},
      {"4k3/8/8/8/8/8/1p6/1R1QK3 w - - 0 1", white, "b1", "b2", 0, 250,
       "a black pawn taken on White's second"},
      {"4k3/8/8/3p4/8/2N5/8/R2QK3 w - - 0 1", white, "c3", "d5", 0, 174, "a pawn taken"},
      {"4k3/8/8/3n4/4P3/8/8/R2QK3 w - - 0 1", white, "e4", "d5", 0, 174, "a capture by a pawn"},
      {pieces, white, "c3", "d5", 0, 98, "pieces only"},
      {pieces, white, nullptr, nullptr, 0, 98, "a quiet move"},
      {pieces, white, nullptr, nullptr, MF_PAWN_THREAT, 250, "a quiet move, a pawn threatens"},
      {"4k3/8/8/3n4/8/2N5/8/4K3 w - - 0 1", white, nullptr, nullptr, 0, 250, "minor pieces only"},
  };
  for (const MarginCase& c : cases) {
    SCOPED_TRACE(c.why);
    Root(c.fen);
    if (c.from) {
      Play(c.side, c.from, c.to);
      CptrFlag[1] = static_cast<uint8_t>(Sq(c.to) + 1);
    }
    ExtFlag[2] = static_cast<int16_t>(c.ext);
    EXPECT_EQ(QuiescenceMargin(2), c.margin);
  }
}

// ---------------------------------------------------------------------------

TEST(LazyEstimate, FarOutsideTheWindowInQuiescence) {
  Root("r2qk3/8/8/8/8/8/8/R2QK3 w - - 0 1");
  Sdepth = 2;
  EXPECT_EQ(evaluate(white, black, 3, 98, 400), 75);  // 0 <= 98 - 98
  EXPECT_EQ(Pscore[3], 75);
  EXPECT_EQ(evaluate(white, black, 3, -400, -98), -75);
  EXPECT_EQ(HungVar[0], 0);
  EXPECT_EQ(InChk, 0);
}

TEST(LazyEstimate, InsideTheMarginEvaluatesFully) {
  Root("r2qk3/8/8/8/8/8/8/R2QK3 w - - 0 1");
  Sdepth = 2;
  Pscore[2] = 7;
  // est = -7 lies within 98 of the window.
  const int32_t s = evaluate(white, black, 3, 80, 400);
  int32_t full = 0;
  ScorePosition(white, &full);
  EXPECT_EQ(s, full);
}

TEST(LazyEstimate, FullWidthTakesOverTheParentsPositionalPart) {
  Root("r2qk3/8/8/8/8/8/8/R2QK2N w - - 0 1");
  Pscore[1] = 30;
  EXPECT_EQ(evaluate(white, black, 2, -kWide, kWide), 348 - 30);
  EXPECT_EQ(Pscore[2], -30);
}

// ---------------------------------------------------------------------------

// The full evaluation of fen for its side to move with the endgame rules
// off: stage2 held at 3 skips the scaling and the outside passed pawns (the
// tests add those back by hand), and takes 7 off the stage2 share of the
// connected and doubled pawn terms. The weights stay those of the position.
int32_t WithoutEndgameRules(const std::string& fen) {
  TermPosition(fen.c_str());
  stage2 = 3;
  int32_t s = 0;
  ScorePosition(FenSide(fen), &s);
  return s;
}

struct ScalingCase {
  const char* fen;
  // From the score without the endgame rules to the full one: the outside
  // passed pawns and stage2 terms put back, then the rule under test.
  int32_t (*scaled)(int32_t without, int32_t remote_passed);
  const char* why;
};

TEST(EndgameScaling, DrawishEndingsAreScaledDown) {
  const ScalingCase cases[] = {
      {"4k1n1/8/8/8/8/8/8/R3K3 w - - 0 1", [](int32_t w, int32_t) { return w / 2; },
       "the leader has no pawns"},
      {"4k1n1/8/8/8/8/8/8/R3K3 b - - 0 1", [](int32_t w, int32_t) { return w / 2; },
       "the leader has no pawns, the other side to move"},
      // The lone e-pawn is reached by the walks from both edges.
      {"3qk3/8/8/8/8/8/4P3/3QK3 w - - 0 1", [](int32_t w, int32_t rp) { return (w + 2 * rp) / 4; },
       "queens with a pawn up"},
      // Rooks only: no outside passed pawns.
      {"4k3/r7/8/8/4P3/8/8/4K2R w - - 0 1", [](int32_t w, int32_t) { return w / 2; },
       "the defending king in front of the pawn"},
      {"8/r7/8/8/4P3/8/3k4/6KR w - - 0 1", [](int32_t w, int32_t) { return w; },
       "the defending king behind the pawn"},
      // "In front" compares square numbers: a black king beside a white pawn
      // on its right counts as in front, a white king beside a black pawn on
      // its right does not, so the colour flip is not halved.
      {"8/r7/8/8/4Pk2/3K4/8/7R w - - 0 1", [](int32_t w, int32_t) { return w / 2; },
       "the king beside the pawn, on its right"},
      {"7r/8/3k4/4pK2/8/8/R7/8 b - - 0 1", [](int32_t w, int32_t) { return w; },
       "the colour flip of the king beside the pawn"},
      // Two outside passers, 7 for b2-c2 connected, 75 for two pawns up.
      {"4k3/8/3n4/8/8/3N4/1PP5/4K3 w - - 0 1",
       [](int32_t w, int32_t rp) { return w + 2 * rp + 7 + 75; },
       "knight against knight with two pawns up"},
      // Doubled on the rook file, 7 off each, and passed from both edges:
      // no bonus.
      {"4k3/8/3n4/8/8/P2N4/P7/4K3 w - - 0 1", [](int32_t w, int32_t rp) { return w + 2 * rp - 14; },
       "knight against knight with doubled rook pawns"},
      // Below 1 without the outside passers, so the 40 for trading comes
      // back too; halved for bishops of opposite colours and again a pawn up.
      {"4k3/8/3b4/8/8/3B4/4P3/4K3 w - - 0 1",
       [](int32_t w, int32_t rp) { return ((w + 2 * rp + 40) >> 1) / 2; },
       "bishops of opposite colours"},
      {"4k3/8/4b3/8/8/3B4/4P3/4K3 w - - 0 1",
       [](int32_t w, int32_t rp) { return (w + 2 * rp + 40) / 2; }, "bishops of the same colour"},
  };
  for (const ScalingCase& c : cases) {
    SCOPED_TRACE(c.why);
    const int32_t without = WithoutEndgameRules(c.fen);
    const int32_t remote_passed = RemotePassed;
    EXPECT_EQ(ScoreFen(c.fen), c.scaled(without, remote_passed)) << c.fen;
  }
}

// ---------------------------------------------------------------------------

TEST(Symmetry, ColourFlippedPositionsScoreAlikeForTheSideToMove) {
  const char* fens[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R1BQKB1R b KQ - 0 8",
      "4k1n1/8/8/8/8/8/8/R3K3 w - - 0 1",
      "3qk3/8/8/8/8/8/4P3/3QK3 b - - 0 1",
      "4k3/8/3n4/8/8/3N4/1PP5/4K3 w - - 0 1",
      "4k3/8/3b4/8/8/3B4/4P3/4K3 w - - 0 1",
      "7k/8/5K2/4N3/5B2/8/8/8 w - - 0 1",
      "7k/8/8/8/8/2K5/8/3Q4 b - - 0 1",
      "1k6/8/8/P7/P7/8/4K3/8 w - - 0 1",
      "k7/8/8/8/8/8/P7/2B1K3 w - - 0 1",
      "4k3/8/3n4/8/8/3N4/8/4K3 w - - 0 1",
  };
  for (const char* fen : fens) {
    const int32_t a = EvalRoot(fen);
    const int32_t ta = Terminate;
    const int32_t b = EvalRoot(FlipFen(fen));
    EXPECT_EQ(a, b) << fen;
    EXPECT_EQ(ta, Terminate) << fen;
  }
}

// ---------------------------------------------------------------------------

// Small tables for the caching tests, released afterwards.
class EvalCaching : public ::testing::Test {
 protected:
  void SetUp() override {
    ttblsz = 16, ovlsz = 4, etblsz = 32, petblsz = 64, pegtblsz = 64;
    hashflag = 1;
    AllocateTTable();
  }
  void TearDown() override { FreeTTable(); }
  SavedGlobals saved_{ttblsz, ovlsz, etblsz, petblsz, pegtblsz, hashflag, tb_access};
};

TEST_F(EvalCaching, EndgamesAreCachedButOpeningsNot) {
  int32_t s;
  int16_t h[2], k[2], nb[2], chk;
  int32_t term;
  EvalRoot("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  EXPECT_EQ(ProbeEvalTable(white, &s, h, k, nb, &chk, &term), 0);
  const int32_t full = EvalRoot("4k1n1/8/8/8/8/8/8/R3K3 w - - 0 1");
  ASSERT_EQ(ProbeEvalTable(white, &s, h, k, nb, &chk, &term), 1);
  EXPECT_EQ(s, full);
  // A later node at the horizon takes the cached score.
  etable[white][hashkey & (petblsz - 1)].score = 77;
  Sdepth = 3;
  EXPECT_EQ(evaluate(white, black, 3, -kWide, kWide), 77);
}

TEST_F(EvalCaching, FailedTablebaseProbeIsRemembered) {
  tb_access = 5;
  Root("4k3/8/8/8/8/8/4P3/4K2R w - - 0 1");
  int32_t s = 0;
  EXPECT_EQ(ProbeEGTBTable(white, &s), 0);
  evaluate(white, black, 1, -kWide, kWide);
  ASSERT_EQ(ProbeEGTBTable(white, &s), 1);
  EXPECT_EQ(s, 12000);
  EXPECT_EQ(Terminate, 0);
}

}  // namespace

// A full evaluation is reused only where making it again would give the
// same: with the check on, every reuse is evaluated again and compared (and
// none is taken), so the two searches must agree move for move and node for
// node. The positions bring castling rights, king moves, captures that
// reorder the piece lists, and passed pawns on neighbouring files.
TEST(KnownEvaluations, ReusedOnlyWhereEvaluatingAgainGivesTheSame) {
  const char* const fens[] = {
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "r3k2r/pp3ppp/2n5/3pp3/8/2N5/PPP2PPP/R3K2R w Kq - 0 1",
      "8/2k5/8/3n4/2PP4/8/1p3K2/8 w - - 0 1",
      "8/5k2/8/1PPP4/8/3n4/5K2/r7 w - - 0 1",
  };
  // What the engine printed, but the node rate.
  auto play = [](const char* fen) {
    return std::regex_replace(PlayFromFen(fen, 6), std::regex("nps=[0-9]+K"), "");
  };
  int32_t compared = 0;
  for (const char* fen : fens) {
    SCOPED_TRACE(fen);
    EvalCheckKnown = true;
    EvalKnownCompared = EvalKnownMismatches = 0;
    const std::string checked = play(fen);
    const int64_t checked_nodes = NodeCnt;
    EXPECT_EQ(EvalKnownMismatches, 0);
    compared += EvalKnownCompared;
    EvalCheckKnown = false;
    EXPECT_EQ(play(fen), checked);
    EXPECT_EQ(NodeCnt, checked_nodes);
  }
  EXPECT_GT(compared, 1000);
}

// What a reuse depends on besides the position: the root tables, made again
// in the tree, and the weights, which follow the legal positions evaluated.
TEST(KnownEvaluations, RootTablesMadeAgainAndIllegalPositionsAreHeededAsWithout) {
  SavedGlobals saved{hashflag};
  hashflag = 0;  // no cached scores: every evaluation at the horizon is full
  // White's e-pawn is pinned: exd5 is illegal, Bxd5 takes the same knight
  // with the other pawn files.
  const char* fen = "r2qr1k1/ppp2ppp/8/3n4/4P3/1B1P4/PPP2PPP/R2QK3 w - - 0 1";
  auto horizon = [](int side) {
    Sdepth = Xdepth = 3;
    return evaluate(side, 1 - side, 3, -kWide, kWide);
  };
  auto move = [](const char* from, const char* to) {
    return TreeEntry{0, static_cast<uint8_t>(Sq(to)), static_cast<uint8_t>(Sq(from)), MF_CAPTURE};
  };
  auto after_bxd5 = [&](bool illegal_first) {
    Root(fen);
    horizon(white);
    if (illegal_first) {
      TreeEntry e = move("e4", "d5");
      MakeMove(white, &e);
      EXPECT_EQ(horizon(black), 10001 - 3);
      UnmakeMove(white, &e);
    }
    TreeEntry b = move("b3", "d5");
    MakeMove(white, &b);
    const int32_t s = horizon(black);
    UnmakeMove(white, &b);
    return s;
  };
  EXPECT_EQ(after_bxd5(true), after_bxd5(false));

  EvalCheckKnown = true;
  EvalKnownCompared = EvalKnownMismatches = 0;
  Root(fen);
  horizon(white);
  horizon(white);
  EXPECT_EQ(EvalKnownCompared, 1);
  TreeEntry e = move("b3", "d5");
  MakeMove(white, &e);
  ExaminePosition();
  UnmakeMove(white, &e);
  horizon(white);
  EXPECT_EQ(EvalKnownCompared, 1);
  EXPECT_EQ(EvalKnownMismatches, 0);
  EvalCheckKnown = false;
}
