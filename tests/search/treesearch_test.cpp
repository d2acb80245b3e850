#include "search/treesearch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "book/learn.h"
#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "eval/evaluate.h"
#include "eval/examine.h"
#include "eval/weights.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/ordering.h"
#include "test_util.h"
#include "timectl/clock.h"
#include "ui/command.h"

namespace {

// Runs TreeSearch from ply 1 the way the root sets an iteration up, with
// hashing off and the clock out of the way.
class TreeSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_hashflag_ = hashflag;
    hashflag = 0;
  }
  void TearDown() override {
    hashflag = saved_hashflag_;
    root = Tree;
    TrPnt[1] = Tree;
    TreeOverflow = 0;
    timeout = 0;
    ETnodes = 0;
  }

  // Sets the position up and the search state for an iteration of sdepth.
  void Prepare(const char* fen, int sdepth) {
    SetFen(fen);
    if (HasFatalFailure()) return;
    side_ = player;
    Begin(sdepth);
  }
  void Begin(int sdepth) {
    stage = -1;
    ExaminePosition();
    Sdepth = sdepth;
    Xdepth = sdepth;
    maxhorizon = sdepth + 3;
    KingRiskPtr[0] = &KingRisk[0];
    KingRiskPtr[1] = &KingRisk[1];
    root_entry_ = TreeEntry{};
    root = &root_entry_;
    ETnodes = std::numeric_limits<int64_t>::max() / 2;  // no clock checks
    NodeCnt = 0;
    timeout = 0;
    learn = 0;
    LastIteration = 0;
    PV = 0;
    MOVE = ShortMove(64, 64);
    TrPnt[1] = Tree;
    std::memset(killr0, 0, sizeof killr0);
    std::memset(killr1, 0, sizeof killr1);
    std::memset(killr2, 0, sizeof killr2);
    std::memset(killr3, 0, sizeof killr3);
    std::memset(HisTab, 0, sizeof HisTab);
    std::memset(RefTab, 0, sizeof RefTab);
    std::memset(CapFlag, 0, sizeof CapFlag);
    std::memset(ExtFlag, 0, sizeof ExtFlag);
    std::memset(ChkFlag, 0, sizeof ChkFlag);
    std::memset(line_, 0, sizeof line_);
  }

  int32_t Search(int depth, int32_t alpha = -9999, int32_t beta = 9999) {
    rpt_ = 0;
    return TreeSearch(side_, 1, depth, alpha, beta, line_, &rpt_, 0);
  }

  // Plays a game move given in coordinates, as the command loop records it.
  void Play(const char* text) {
    TreeEntry* p = FindMove(side_, text);
    ASSERT_NE(p, nullptr) << text;
    MakeMove(side_, p);
    side_ = 1 - side_;
  }

  // The root-list entry of a move after a search from ply 1.
  const TreeEntry* Entry(const char* text) const {
    const int from = Sq(text), to = Sq(text + 2);
    for (const TreeEntry* p = TrPnt[1]; p < TrPnt[2]; p++)
      if (p->from == from && p->to == to) return p;
    return nullptr;
  }

  static uint32_t Word(const char* text) { return ShortMove(Sq(text), Sq(text + 2)); }

  int side_ = white;
  int rpt_ = 0;
  uint32_t line_[kMaxPly + 1]{};
  TreeEntry root_entry_{};
  int16_t saved_hashflag_ = 0;
};

// Back-rank mate: Ra1-a8.
constexpr const char* kBackRank = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";

TEST_F(TreeSearchTest, MateInOneScoresMateAtPlyTwoAndLeadsTheLine) {
  for (int depth : {1, 2}) {
    Prepare(kBackRank, depth);
    EXPECT_EQ(Search(depth), 9998) << "depth " << depth;
    EXPECT_EQ(line_[1] & 0xffff, Word("a1a8")) << "depth " << depth;
  }
}

TEST_F(TreeSearchTest, MatedSideScoresPlyMinusTenThousand) {
  // Black to move is mated: every king move is illegal, the node is mated
  // at ply 1.
  Prepare("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", 1);
  EXPECT_EQ(Search(1), 1 - 10000);
  EXPECT_EQ(line_[1], 0u);
}

TEST_F(TreeSearchTest, StalematingMoveScoresZero) {
  // Qf1-f7 leaves the black king on h8 without a move; Qf1-f8 mates.
  Prepare("7k/8/6K1/8/8/8/8/5Q2 w - - 0 1", 2);
  EXPECT_EQ(Search(2), 9998);
  const TreeEntry* stalemate = Entry("f1f7");
  ASSERT_NE(stalemate, nullptr);
  EXPECT_EQ(stalemate->score, 0);
  const TreeEntry* mate = Entry("f1f8");
  ASSERT_NE(mate, nullptr);
  EXPECT_EQ(mate->score, 9998);
}

TEST_F(TreeSearchTest, RepetitionsInsideTheTreeAndAtNodeEntryAreDraws) {
  Prepare("r3k1n1/8/8/8/8/8/8/R3K1N1 w - - 0 1", 1);
  Play("g1f3");
  Play("g8f6");
  Play("f3g1");
  Begin(1);
  Search(1);
  const TreeEntry* back = Entry("f6g8");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->score, 0);
  EXPECT_TRUE(back->flags & MF_REPEAT);
  const TreeEntry* other = Entry("f6h5");
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(other->flags & MF_REPEAT);
  Play("f6g8");
  Begin(2);
  EXPECT_EQ(Search(2), 0);
  EXPECT_EQ(rpt_, 1);
  EXPECT_EQ(NodeCnt, 1);
}

TEST_F(TreeSearchTest, FiftyMoveRuleScoresEveryQuietMoveZero) {
  // A queen up, but a hundred half-moves have passed without a capture or
  // pawn move and none is possible now.
  Prepare("4k3/8/8/8/8/8/r7/3QK3 w - - 0 1", 2);
  Game50 = static_cast<int16_t>(GameCnt - 100);
  EXPECT_EQ(Search(2), 0);
  int searched = 0;
  for (const TreeEntry* p = TrPnt[1]; p < TrPnt[2]; p++) {
    if (p->flags & MF_CAPTURE) continue;
    EXPECT_EQ(p->score, 0);
    EXPECT_TRUE(p->flags & MF_REPEAT);
    searched++;
  }
  EXPECT_GT(searched, 10);
  // Two half-moves short of the limit the queen counts.
  Prepare("4k3/8/8/8/8/8/r7/3QK3 w - - 0 1", 2);
  Game50 = static_cast<int16_t>(GameCnt - 98);
  EXPECT_GT(Search(2), 200);
}

// Positions that reach the extension rules: check evasions with one move,
// double checks, recaptures, pawns on the seventh, a queen raid.
const char* const kTactical[] = {
    "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1",
    "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "4k3/8/8/8/8/8/3r4/4K2R w K - 0 1",
    "3r2k1/1P3ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "2kr3r/ppp2ppp/2n5/3q4/3P4/2P2N2/P4PPP/R2QR1K1 w - - 0 1",
    "r4rk1/ppp2ppp/8/3n4/3N4/8/PPP2PPP/R4RK1 b - - 0 1",
    "6k1/6p1/7p/8/8/1q6/6PP/3R2K1 w - - 0 1",
    "4r1k1/5ppp/8/8/8/8/5PPP/R3R1K1 w - - 0 1",
    "k7/8/1K6/8/8/8/8/R7 b - - 0 1",  // Kb8 the one legal reply to the check
};

TEST_F(TreeSearchTest, HorizonAndBudgetAreRestoredAfterEverySearch) {
  for (const char* fen : kTactical) {
    for (int depth = 1; depth <= 4; depth++) {
      Prepare(fen, depth);
      const int32_t xdepth = Xdepth, budget = maxhorizon;
      const int16_t game_cnt = GameCnt;
      Search(depth);
      EXPECT_EQ(Xdepth, xdepth) << fen << " depth " << depth;
      EXPECT_EQ(maxhorizon, budget) << fen << " depth " << depth;
      EXPECT_EQ(GameCnt, game_cnt) << fen << " depth " << depth;
      EXPECT_TRUE(PositionIsConsistent()) << fen;
    }
  }
}

TEST_F(TreeSearchTest, QuiescenceWinsAHangingPiece) {
  // The black knight on a8 is undefended.
  Prepare("n3k3/8/8/8/8/8/8/R3K3 w - - 0 1", 1);
  const int32_t e = evaluate(white, black, 1, -9999, 9999);
  Begin(1);
  const int32_t s = Search(0);
  EXPECT_GT(s, e + 250);
  EXPECT_EQ(line_[1] & 0xffff, Word("a1a8"));
}

TEST_F(TreeSearchTest, QuiescenceDeclinesAnExchangeThatLoses) {
  // Ra1xa8 wins a knight but loses the rook to Rh8xa8.
  Prepare("n6r/8/6k1/8/8/8/8/R3K3 w - - 0 1", 1);
  const int32_t e = evaluate(white, black, 1, -9999, 9999);
  Begin(1);
  const int32_t s = Search(0);
  EXPECT_EQ(s, e);
  EXPECT_EQ(line_[1], 0u);
}

TEST_F(TreeSearchTest, BetaCutoffByAQuietMoveSetsKillersAndHistory) {
  Prepare(kBackRank, 1);
  killr1[1] = Word("g1f1");
  EXPECT_GE(Search(1, -9999, 5000), 5000);
  EXPECT_EQ(uint32_t{killr1[1]}, Word("a1a8"));
  EXPECT_EQ(uint32_t{killr2[1]}, Word("g1f1"));
  EXPECT_EQ(uint32_t{killr0[1]}, Word("a1a8"));  // a mate is remembered as such
  EXPECT_EQ(killr3[1], 0);
  // (depth << 5) >> Sdepth with depth 1 and Sdepth 1.
  EXPECT_EQ(HisTab[(white * 8 + rook) * 64 + Sq("a8")], 16);
}

TEST_F(TreeSearchTest, BestMoveWithoutCutoffBecomesTheThirdKiller) {
  Prepare(kBackRank, 1);
  Search(1);
  EXPECT_EQ(uint32_t{killr3[1]}, Word("a1a8"));
  EXPECT_EQ(killr1[1], 0);
  EXPECT_EQ(uint32_t{killr0[1]}, Word("a1a8"));
}

TEST_F(TreeSearchTest, QuietBestMoveRefutesThePreviousMove) {
  Prepare("6k1/5ppp/8/8/8/8/7P/R5K1 w - - 0 1", 1);
  Play("h2h3");
  Play("g8h8");
  Begin(1);
  EXPECT_EQ(Search(1), 9998);
  const RefEntry& ref = RefTab[(white * 8 + 0) * 64 + Sq("h8")];
  EXPECT_EQ(uint32_t{ref.move}, Word("a1a8"));
  EXPECT_EQ(ref.bonus, 1);
}

TEST_F(TreeSearchTest, CaptureAsBestMoveLeavesKillersAlone) {
  Prepare("n3k3/8/8/8/8/8/8/R3K3 w - - 0 1", 1);
  Search(1);
  EXPECT_EQ(line_[1] & 0xffff, Word("a1a8"));
  EXPECT_EQ(killr1[1], 0);
  EXPECT_EQ(killr3[1], 0);
  EXPECT_EQ(HisTab[(white * 8 + rook) * 64 + Sq("a8")], 0);
}

// Rooks and minor pieces on both sides, white a queen up, nothing hangs.
constexpr const char* kQueenUp = "r3k2r/ppp2ppp/2n5/8/8/2N5/PPP2PPP/R2QK2R w - - 0 1";

TEST_F(TreeSearchTest, LargeLeadAtDepthOneStandsPatWithoutMoves) {
  Prepare(kQueenUp, 1);
  const int32_t e = evaluate(white, black, 1, -9999, 9999);
  ASSERT_EQ(HungVar[white], 0);
  Begin(1);
  const int32_t beta = e - 2000;
  EXPECT_EQ(Search(1, beta - 1, beta), e);
  EXPECT_EQ(NodeCnt, 1);
}

TEST_F(TreeSearchTest, StaticMarginCoversAnyKingDanger) {
  // A king-danger count beyond the table's last entry uses the last margin.
  static const int16_t kHighRisk = 9;
  Prepare(kQueenUp, 1);
  const int32_t e = evaluate(white, black, 1, -9999, 9999);
  Begin(1);
  KingRiskPtr[white] = &kHighRisk;
  KingRiskPtr[black] = &kHighRisk;
  EXPECT_EQ(Search(1, e - 3001, e - 3000), e);
  EXPECT_EQ(NodeCnt, 1);
  Begin(1);
  KingRiskPtr[white] = &kHighRisk;
  KingRiskPtr[black] = &kHighRisk;
  Search(1, e - 1001, e - 1000);
  EXPECT_GT(NodeCnt, 1);
}

TEST_F(TreeSearchTest, TimeoutReturnsTheParentsScoreAndStoresNothing) {
  Prepare(kBackRank, 1);
  timeout = 1;
  Tscore[0] = 777;
  EXPECT_EQ(Search(1), -777);
  EXPECT_EQ(killr3[1], 0);
  EXPECT_EQ(killr0[1], 0);
}

TEST_F(TreeSearchTest, LastPlyReturnsTheStaticScore) {
  Prepare(kTactical[1], 4);
  const int32_t e = evaluate(white, black, kMaxPly - 1, -9999, 9999);
  Begin(4);
  int r = 0;
  EXPECT_EQ(TreeSearch(white, kMaxPly - 1, 4, -9999, 9999, line_, &r, 0), e);
  EXPECT_EQ(NodeCnt, 1);
}

TEST_F(TreeSearchTest, DeepNodesNeverIndexBeyondThePlyArrays) {
  for (const char* fen : kTactical) {
    Prepare(fen, 4);
    // Start deep enough that extensions and quiescence hit the last ply.
    constexpr int kPly = kMaxPly - 5;
    for (int p = 2; p <= kPly; p++) TrPnt[p] = Tree;
    int r = 0;
    TreeSearch(side_, kPly, 4, -9999, 9999, line_, &r, 0);
    EXPECT_EQ(Xdepth, 4) << fen;
    EXPECT_TRUE(PositionIsConsistent()) << fen;
  }
}

TEST_F(TreeSearchTest, FullMoveTreeSearchesOnlyWhatFits) {
  Prepare(kTactical[1], 2);
  TrPnt[1] = Tree + kTreeSize - 5;
  Search(3);
  EXPECT_EQ(TreeOverflow, 1);
  EXPECT_LE(TrPnt[2], Tree + kTreeSize);
  EXPECT_TRUE(PositionIsConsistent());
}

TEST_F(TreeSearchTest, GameRecordNeverOverflows) {
  Prepare(kQueenUp, 4);
  // A record nearly full: the search must stop before its last entry.
  GameCnt = static_cast<int16_t>(kGameListSize - 4);
  Game50 = GameCnt;
  const int16_t game_cnt = GameCnt;
  Search(4);
  EXPECT_EQ(GameCnt, game_cnt);
  EXPECT_TRUE(PositionIsConsistent());
}

// Quiescence with checks.
class CheckCaptures : public TreeSearchTest {
 protected:
  // White: Kh1, Re1, Nd5, Qa2; black: Ke8, Ne4.
  void SetUp() override {
    TreeSearchTest::SetUp();
    Prepare("4k3/8/8/3N4/4n3/8/Q7/4R2K w - - 0 1", 1);
    Xdepth = 1;
  }
  const TreeEntry* Find(int g, const char* text) {
    TrPnt[5] = Tree;
    CheckCaptureList(white, black, 5, g, Xdepth);
    const int from = Sq(text), to = Sq(text + 2);
    for (const TreeEntry* p = TrPnt[5]; p < TrPnt[6]; p++)
      if (p->from == from && p->to == to) return p;
    return nullptr;
  }
};

TEST_F(CheckCaptures, CheckingCaptureIsFlaggedAndScoredAboveAPlainOne) {
  for (int g : {1, 2}) {
    const TreeEntry* p = Find(g, "e1e4");
    ASSERT_NE(p, nullptr) << g;
    EXPECT_EQ(p->flags, MF_CAPTURE | MF_CHECK) << g;
    EXPECT_EQ(p->score, 348 + 1 - rook) << g;
  }
}

// The wider generator (2) adds knight checks and queen checks off the
// king's rank.
TEST_F(CheckCaptures, WhichChecksEachGeneratorFinds) {
  const struct {
    int g;
    const char* move;
    bool found;
  } cases[] = {
      {2, "d5c7", true}, {2, "d5f6", true},  {2, "d5e7", false}, {1, "d5c7", false},
      {1, "a2a8", true}, {1, "a2a4", false}, {2, "a2a4", true},  {2, "a2a8", true},
  };
  for (const auto& c : cases) EXPECT_EQ(Find(c.g, c.move) != nullptr, c.found) << c.g << c.move;
  const TreeEntry* p = Find(2, "d5c7");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->flags, MF_CHECK);
  EXPECT_EQ(p->score, 1);
  // Quiet moves that do not check are left out.
  for (p = TrPnt[5]; p < TrPnt[6]; p++)
    EXPECT_TRUE(p->flags & (MF_CAPTURE | MF_CHECK)) << int(p->from) << "-" << int(p->to);
}

}  // namespace
