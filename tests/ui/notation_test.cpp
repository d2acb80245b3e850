#include "ui/notation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/treesearch.h"
#include "test_util.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/display.h"
#include "ui/levels.h"
#include "ui/output.h"
#include "ui/position.h"

namespace {

// A new game as after start-up, where a level is always in force (without
// one, a new game asks for it at the console).
void NewTestGame() {
  if (Level == 0 && TCflag < 1) SetLevel(ics_level);
  FreshGame();
}

// Sets up a FEN position; its side to move becomes `opponent`, whose moves
// the parser takes.
void Place(const char* fen) {
  NewTestGame();
  ASSERT_EQ(FEN_to_pos(fen), 0) << fen;
}

// Plays a typed move for the side to move as the command loop does in force
// mode: normalise, verify, then the other side is to move.
int Play(const char* typed) {
  char word[16];
  snprintf(word, sizeof word, "%s", typed);
  if (!NormalizeMoveText(word, sizeof word, opponent)) return 0;
  uint32_t move = 0;
  if (!VerifyMove(word, 0, &move)) return 0;
  computer = opponent;
  opponent = player = 1 - opponent;
  return 1;
}

std::string LastSan() {
  return GameList[GameCnt].san;
}

bool LastMoveChecks() {
  return (GameList[GameCnt].move >> 16) & MF_CHECK;
}

// White to move at the start, as after "new" in force mode.
void StartAsWhite() {
  NewTestGame();
  opponent = player = white;
  computer = black;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
  return n;
}

uint32_t Word(const char* from, const char* to, uint16_t flags = 0) {
  return static_cast<uint32_t>(Sq(to)) | (static_cast<uint32_t>(Sq(from)) << 8) |
         (static_cast<uint32_t>(flags) << 16);
}

std::string Score(int32_t s) {
  char text[32];
  ScoreText(text, sizeof text, s);
  return text;
}

}  // namespace

TEST(CoordinateText, FromToAndLowerCasePromotionLetter) {
  const struct {
    const char *from, *to;
    int flags;
    const char* text;
  } rows[] = {
      {"e2", "e4", 0, "e2e4"},
      {"h8", "a1", MF_CAPTURE, "h8a1"},
      {"e7", "e8", MF_PROMOTE | queen, "e7e8q"},
      {"b2", "a1", MF_PROMOTE | MF_CAPTURE | knight, "b2a1n"},
      {"a1", "a1", 0, ""},  // no move: the text before it is cleared
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    algbr(static_cast<int16_t>(Sq(r.from)), static_cast<int16_t>(Sq(r.to)),
          static_cast<int16_t>(r.flags));
    EXPECT_STREQ(mvstr, r.text);
  }
}

TEST(ScoreText, PawnUnitsOrMovesToMate) {
  const struct {
    int32_t score;
    const char* text;
  } rows[] = {
      {125, "+1.25"},     {-5, "-0.05"},      {0, "+0.00"},        {9000, "+90.00"},
      {-9000, "-90.00"},  {-1250, "-12.50"},  {9996, "+M2    "},   {9998, "+M1    "},
      {-9999, "-M0    "}, {-9997, "-M1    "}, {9001, "+M499    "},
  };
  for (const auto& r : rows) EXPECT_EQ(Score(r.score), r.text) << r.score;
  char small[4];
  ScoreText(small, sizeof small, -9000);
  EXPECT_STREQ(small, "-90");
}

TEST(TypedMoveText, MarksDroppedCastlingWordsTranslatedOtherWordsCommands) {
  const struct {
    const char* word;
    int side, is_move;
    const char* text;
  } rows[] = {
      {"e7xd8=Q", white, 1, "e7d8q"}, {"e2e4+", white, 1, "e2e4"}, {"e7e8Q", white, 1, "e7e8Q"},
      {"o-o", white, 1, "e1g1"},      {"O-O", white, 1, "e1g1"},   {"0-0", white, 1, "e1g1"},
      {"o-o", black, 1, "e8g8"},      {"O-O", black, 1, "e8g8"},   {"0-0", black, 1, "e8g8"},
      {"o-o-o", white, 1, "e1c1"},    {"O-O-O", white, 1, "e1c1"}, {"0-0-0", white, 1, "e1c1"},
      {"o-o-o", black, 1, "e8c8"},    {"O-O-O", black, 1, "e8c8"}, {"0-0-0", black, 1, "e8c8"},
      {"E2E4", white, 0, nullptr},    {"hint", white, 0, nullptr}, {"new", white, 0, nullptr},
      {"e2", white, 0, nullptr},      {"exd5", white, 0, nullptr}, {"O-O-O-O", white, 0, nullptr},
      {"level", white, 0, nullptr},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.word << " side " << r.side);
    char w[16];
    snprintf(w, sizeof w, "%s", r.word);
    EXPECT_EQ(NormalizeMoveText(w, sizeof w, r.side), r.is_move);
    if (r.text) {
      EXPECT_STREQ(w, r.text);
    }
  }
}

// ---- Parsing and making typed moves ----

TEST(VerifyMove, RefusedTextLeavesPositionAndRecordAlone) {
  const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
  const char* pinned = "4r1k1/8/8/8/8/8/4N3/4K3 w - -";  // the e2 knight, by the e8 rook
  const struct {
    const char *fen, *text;
    int mode;
  } rows[] = {
      {"8/4P2k/8/8/8/8/8/K7 w - -", "e7e8", 0},   // promotion without a piece
      {"8/4P2k/8/8/8/8/8/K7 w - -", "e7e8Q", 1},  // mode one takes only the exact text
      {pinned, "e2c3", 0},
      {pinned, "e2c3", 1},                          // silent: neither made nor taken back
      {"3r2k1/8/8/8/8/8/8/4K3 w - -", "e1d1", 0},   // the king onto the rook's file
      {"4r1k1/8/8/8/8/8/P7/4K3 w - -", "a2a3", 0},  // in check and not answering it
      {start, "e2e5", 0},
      {start, "e7e5", 0},
      {start, "e2e4x", 0},
      {"4k2r/8/8/8/8/8/8/4KR2 b k -", "e8g8", 0},  // castling through the rook's file
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.fen << " " << r.text << " mode " << r.mode);
    Place(r.fen);
    const GameSnapshot before = GameSnapshot::Take();
    uint32_t move = 123;
    EXPECT_EQ(VerifyMove(r.text, r.mode, &move), 0);
    EXPECT_EQ(move, 0u);
    if (r.mode == 1) VerifyMove("", 2, nullptr);
    EXPECT_EQ(GameSnapshot::Take(), before);
  }
  Place("3r2k1/8/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(VerifyMove("e1f1", 0, nullptr), 1);
}

TEST(VerifyMove, RecordsTheMoveWordAndClearsTheEntryBehindIt) {
  StartAsWhite();
  // A stale continuation, as left behind by an undo.
  GameList[2].move = Word("d7", "d5");
  strcpy(GameList[2].san, "d5");
  uint32_t move = 0;
  ASSERT_EQ(VerifyMove("e2e4", 0, &move), 1);
  EXPECT_EQ(move & 0xffff, Word("e2", "e4"));
  EXPECT_EQ(GameCnt, 1);
  EXPECT_EQ(GameList[1].move & 0xffff, Word("e2", "e4"));
  EXPECT_EQ(LastSan(), "e4");
  EXPECT_EQ(GameList[1].score, 0);
  EXPECT_EQ(GameList[1].depth, 0);
  EXPECT_EQ(GameList[2].move, 0u);
  EXPECT_STREQ(GameList[2].san, "");
  EXPECT_EQ(CntMoves, 1);
  EXPECT_STREQ(mvstr, "e2e4");
}

// ---- The full game record ----

TEST(VerifyMove, RefusesGameMovesWhenTheRecordIsFull) {
  StartAsWhite();
  GameCnt = kGameSize - 2;
  Game50 = GameCnt;
  ASSERT_EQ(VerifyMove("e2e4", 0, nullptr), 1);
  EXPECT_EQ(GameCnt, kGameSize - 1);
  opponent = player = black;
  computer = white;
  const GameSnapshot before = GameSnapshot::Take();
  EXPECT_EQ(VerifyMove("e7e5", 0, nullptr), 0);
  EXPECT_EQ(VerifyMove("e7e5", 1, nullptr), 0);
  EXPECT_EQ(GameSnapshot::Take(), before);
}

// ---- Silent moves for pondering ----

TEST(SilentMove, ModeTwoRestoresPositionAndRecord) {
  StartAsWhite();
  ASSERT_EQ(Play("e2e4"), 1);
  // A redo entry waits behind the current move.
  GameList[2].move = Word("c7", "c5");
  strcpy(GameList[2].san, "c5");
  const GameSnapshot before = GameSnapshot::Take();

  algbr(Sq("e7"), Sq("e5"), 0);
  ASSERT_EQ(VerifyMove(mvstr, 1, nullptr), 1);  // the text may be mvstr itself
  EXPECT_EQ(board[Sq("e5")], pawn);
  EXPECT_EQ(GameCnt, 2);
  EXPECT_STREQ(GameList[2].san, "e5");
  EXPECT_TRUE(PositionIsConsistent());

  EXPECT_EQ(VerifyMove("", 2, nullptr), 0);
  EXPECT_EQ(GameSnapshot::Take(), before);
  EXPECT_STREQ(GameList[2].san, "c5");
  VerifyMove("", 2, nullptr);  // a second take-back changes nothing
  EXPECT_EQ(GameSnapshot::Take(), before);
}

// ---- SAN ----

struct SanCase {
  const char* fen;
  const char* typed;
  const char* san;
  const char* square;  // where the named man stands after the move
  int kind;
  int checks;  // -1: not asked
};

TEST(San, TypedMovesAreRecordedInShortAlgebraic) {
  const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
  const char* promote = "8/4P2k/8/8/8/8/8/K7 w - -";
  const SanCase cases[] = {
      // Every spelling of the queen promotion; the king on h7 is not checked.
      {promote, "e7e8q", "e8=Q", "e8", queen, 0},
      {promote, "e7e8Q", "e8=Q", "e8", queen, 0},
      {promote, "e7e8=Q", "e8=Q", "e8", queen, 0},
      {promote, "e7e8=q", "e8=Q", "e8", queen, 0},
      {promote, "e7e8N", "e8=N", "e8", knight, -1},
      {"7k/4P3/8/8/8/8/8/K7 w - -", "e7e8q", "e8=Q", "e8", queen, 1},
      {"3r3k/4P3/8/8/8/8/8/K7 w - -", "e7d8=Q", "exd8=Q", "d8", queen, 1},
      // Knights disambiguate by file, rooks on one file by rank, three
      // queens may need the whole square.
      {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "b1d2", "Nbd2", "d2", knight, -1},
      {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "f3d2", "Nfd2", "d2", knight, -1},
      {"4k3/8/8/R7/8/8/8/R3K3 w - -", "a1a3", "R1a3", "a3", rook, -1},
      {"4k3/8/8/R7/8/8/8/R3K3 w - -", "a5a3", "R5a3", "a3", rook, -1},
      {"4k3/8/8/3Q4/8/8/8/1Q1QK3 w - -", "d1d3", "Qd1d3", "d3", queen, -1},
      {"4k3/8/8/3Q4/8/8/8/1Q1QK3 w - -", "d5d3", "Q5d3", "d3", queen, -1},
      {"4k3/8/8/3Q4/8/8/8/1Q1QK3 w - -", "b1d3", "Qbd3", "d3", queen, -1},
      // A piece without a rival has no mark.
      {"4k3/8/8/R7/8/8/8/4K3 w - -", "a5a3", "Ra3", "a3", rook, -1},
      {start, "g1f3", "Nf3", "f3", knight, -1},
      // Captures: x for pieces, the file for pawns.
      {"4k3/8/8/3p4/8/8/8/3QK3 w - -", "d1d5", "Qxd5", "d5", queen, -1},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", "e4d5", "exd5", "d5", pawn, -1},
      {"4k3/8/8/3p4/2P1P3/8/8/4K3 w - -", "e4d5", "exd5", "d5", pawn, -1},
      {"4k3/8/8/3p4/2P1P3/8/8/4K3 w - -", "c4d5", "cxd5", "d5", pawn, -1},
      // Castling both ways, by word or by the king's move.
      {"4k3/8/8/8/8/8/8/R3K2R w KQ -", "O-O-O", "O-O-O", "d1", rook, -1},
      {"4k3/8/8/8/8/8/8/R3K2R w KQ -", "e1g1", "O-O", "f1", rook, -1},
      {"4k2r/8/8/8/8/8/8/4K3 b k -", "0-0", "O-O", "f8", rook, -1},
      {"4k2r/8/8/8/8/8/8/4K3 b k -", "0-0", "O-O", "g8", king, -1},
  };
  for (const SanCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fen << " " << c.typed);
    Place(c.fen);
    ASSERT_EQ(Play(c.typed), 1);
    EXPECT_EQ(LastSan(), c.san);
    EXPECT_EQ(board[Sq(c.square)], c.kind);
    EXPECT_EQ(color[Sq(c.square)], strstr(c.fen, " b ") ? black : white);
    if (c.checks >= 0) {
      EXPECT_EQ(LastMoveChecks(), c.checks == 1);
    }
  }
}

TEST(San, EnPassantReadsAsPawnCapture) {
  Place("4k3/3p4/8/4P3/8/8/8/4K3 b - -");
  ASSERT_EQ(Play("d7d5"), 1);
  EXPECT_EQ(LastSan(), "d5");
  ASSERT_EQ(Play("e5d6"), 1);
  EXPECT_EQ(LastSan(), "exd6");
  EXPECT_EQ(board[Sq("d5")], no_piece);
  EXPECT_EQ(board[Sq("d6")], pawn);
}

TEST(San, ToPgnMoveReadsThePositionBeforeTheMove) {
  // Written by hand as the search driver does for the engine's move.
  Place("4k3/8/8/8/8/5N2/8/1N2K3 w - -");
  TreeEntry* move = FindMove(white, "f3d2");
  ASSERT_NE(move, nullptr);
  memcpy(lboard, board, sizeof board);
  memcpy(lcolor, color, sizeof color);
  MakeMove(white, move);
  algbr(move->from, move->to, static_cast<int16_t>(move->flags));
  char san[8];
  ToPGNmove(san, move->from, move->to, static_cast<int16_t>(move->flags), 1);
  EXPECT_STREQ(san, "Nfd2");
}

// ---- Engine move output ----

namespace {

// Makes the engine's move from the root list as the driver does.
void EngineMoves(const char* coord, int32_t score) {
  root = FindMove(computer, coord);
  ASSERT_NE(root, nullptr);
  root->score = score;
  memcpy(lboard, board, sizeof board);
  memcpy(lcolor, color, sizeof color);
  MakeMove(computer, root);
}

// An engine move about to be printed: White to move, the output state of a
// fresh search. The settings the tests change are put back after each.
class EngineMoveOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    NewTestGame();
    ResetOutputState();
    computer = white;
    opponent = black;
  }
  static void ResetOutputState();
  SavedGlobals saved_{Level,  TCaddCs, ics_draw, node_inc,        post,           analyze,
                      TCflag, hint,    player,   ics_show_ponder, WinboardProtVer};
};

void EngineMoveOutput::ResetOutputState() {
  memset(PrVar, 0, sizeof PrVar);
  tb_hits = 0;
  inEGTB = 0;
  BookMoveFound = 0;
  evrate = 0;
  NodeCnt = 0;
  ElapsedTime = PonderedTime = 0;
  Sdepth = 7;
  info[0] = '\0';
  ics_draw = 0;
  ResignOption = 0;
  mate = 0;
  GameTerminated = 0;
  strcpy(DrawComment, "Draw");
}

std::string Printed() {
  return CaptureOutput(OutputMove);
}

}  // namespace

TEST_F(EngineMoveOutput, AnnouncesMoveAndSummary) {
  PrVar[1] = Word("e2", "e4");
  PrVar[2] = Word("e7", "e5");
  PrVar[3] = Word("g1", "f3");
  evrate = 52345;
  EngineMoves("e2e4", 125);
  EXPECT_EQ(Printed(), "1. ... e2e4\n" + std::string(SummaryPrefix()) +
                           " sc=+1.25 dp=7 nps=52K (e2e4 e7e5 g1f3)\n");
  EXPECT_STREQ(LastScoreStr, "+1.25");
  EXPECT_STREQ(GameList[1].san, "e4");
}

TEST_F(EngineMoveOutput, IncrementModeCreditsTheEngineClock) {
  Level = 17;
  TCaddCs = 10;  // a tenth of a second
  TimeControl[white].timeLeft = 3000;
  TimeControl[black].timeLeft = 3000;
  EngineMoves("e2e4", 10);
  Printed();
  EXPECT_EQ(TimeControl[white].timeLeft, 3010);
  EXPECT_EQ(TimeControl[black].timeLeft, 3000);
}

TEST_F(EngineMoveOutput, VariationStopsAfterFiveMovesAndShowsTablebaseHits) {
  const char* line[] = {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6"};
  for (int i = 0; i < 6; i++) PrVar[i + 1] = Word(line[i], line[i] + 2);
  EngineMoves("e2e4", -5);
  EXPECT_NE(Printed().find("sc=-0.05 dp=7 nps=0K (e2e4 e7e5 g1f3 b8c6 f1b5)\n"), std::string::npos);
  tb_hits = 3;
  EXPECT_NE(Printed().find(" tb=3 (e2e4 e7e5 g1f3 b8c6)\n"), std::string::npos);
}

TEST_F(EngineMoveOutput, PromotionLetterIsUpperCaseInTheMoveLine) {
  Place("8/4P2k/8/8/8/8/8/K7 w - -");
  ResetOutputState();
  computer = white;
  opponent = black;
  EngineMoves("e7e8q", 300);
  ASSERT_FALSE(HasFatalFailure());
  const std::string text = Printed();
  EXPECT_EQ(text.rfind("1. ... e7e8Q\n", 0), 0u) << text;
  EXPECT_STREQ(GameList[1].san, "e8=Q");
}

TEST_F(EngineMoveOutput, MoveNumberCountsFullMoves) {
  StartAsWhite();
  for (const char* m : {"e2e4", "e7e5", "g1f3"}) ASSERT_EQ(Play(m), 1);
  ResetOutputState();
  computer = black;
  opponent = white;
  EngineMoves("b8c6", 10);
  EXPECT_EQ(Printed().rfind("2. ... b8c6\n", 0), 0u);
  EXPECT_STREQ(GameList[4].san, "Nc6");
}

TEST_F(EngineMoveOutput, BookMoveSummary) {
  BookMoveFound = 1;
  strcpy(info, "whisper");
  EngineMoves("d2d4", 40);
  EXPECT_EQ(Printed(), "1. ... d2d4\n" + std::string(SummaryPrefix()) +
                           "whisper sc=0.00 dp=0 mv=d2d4 (book)\n");
}

TEST_F(EngineMoveOutput, NothingIsPrintedAfterTheGuiClosedTheGame) {
  PrVar[1] = Word("e2", "e4");
  EngineMoves("e2e4", -9999);
  GameTerminated = 1;
  EXPECT_EQ(Printed(), "");
}

TEST_F(EngineMoveOutput, OffersDrawOnceAfterFourDrawnScores) {
  ics_draw = 1;
  PrVar[1] = Word("e2", "e4");
  EngineMoves("e2e4", 0);
  for (int i = 1; i <= 5; i++)
    EXPECT_EQ(Count(Printed(), "offer draw\n"), i == 4 ? 1 : 0) << "move " << i;
  // A score off zero starts the count again.
  root->score = 20;
  Printed();
  root->score = 0;
  for (int i = 1; i <= 4; i++)
    EXPECT_EQ(Count(Printed(), "offer draw\n"), i == 4 ? 1 : 0) << "move " << i;
}

TEST_F(EngineMoveOutput, ResultLines) {
  PrVar[1] = Word("e2", "e4");
  EngineMoves("e2e4", 9998);
  EXPECT_EQ(Count(Printed(), "1-0 {White mates}\n"), 1);
  root->score = -9500;
  EXPECT_EQ(Count(Printed(), "0-1 {White resigns}\n"), 1);
  root->score = 0;
  root->flags |= MF_DRAW_SCORE;
  strcpy(DrawComment, "Draw by repetition");
  EXPECT_EQ(Count(Printed(), "1/2-1/2 {Draw by repetition}\n"), 1);
}

TEST_F(EngineMoveOutput, MatedWithoutAMovePrintsOnlyTheResult) {
  // Fool's mate: White to move has no move.
  StartAsWhite();
  for (const char* m : {"f2f3", "e7e5", "g2g4", "d8h4"}) ASSERT_EQ(Play(m), 1);
  ResetOutputState();
  computer = white;
  opponent = black;
  TrPnt[1] = TrPnt[2] = root = Tree;
  root->score = -9999;
  root->flags = 0;
  mate = 1;
  algbr(0, 0, 0);
  EXPECT_EQ(Printed(), "0-1 {Black mates}\n");
  EXPECT_EQ(GameTerminated, 1);
}

TEST_F(EngineMoveOutput, NodeRateSetsTheClockCheckInterval) {
  PrVar[1] = Word("e2", "e4");
  EngineMoves("e2e4", 30);
  node_inc = 4096;
  NodeCnt = 5000000;
  ElapsedTime = 400;
  PonderedTime = 100;
  Printed();
  EXPECT_EQ(evrate, 1000000);
  EXPECT_EQ(node_inc, 20000);
  EXPECT_EQ(PonderedTime, 0);
  NodeCnt = 500000;  // a slower move lowers the interval
  ElapsedTime = 100;
  Printed();
  EXPECT_EQ(node_inc, 10000);
  NodeCnt = 100;  // but not below 4096 nodes
  Printed();
  EXPECT_EQ(node_inc, 4096);
  // Fifty million nodes would overflow a 32-bit product.
  NodeCnt = 50000000;
  ElapsedTime = 1000;
  Printed();
  EXPECT_EQ(evrate, 5000000);
}

// ---- Thinking lines ----

// Thinking output of the engine's own search, White to move.
class ThinkingLines : public EngineMoveOutput {
 protected:
  void SetUp() override {
    EngineMoveOutput::SetUp();
    post = 1;
    analyze = 0;
    computer = player = white;
    opponent = black;
    TCflag = 1;
    hint = 0;
    ics_show_ponder = 0;
    NodeCnt = 1234;
    ElapsedTime = 0;
  }
  static std::string Shown(int32_t score, const uint32_t* line, char mark = ' ') {
    return CaptureOutput([&] { ShowResults(score, line, mark); });
  }
};

TEST_F(ThinkingLines, MarkedLinesWaitForDepthSix) {
  uint32_t line[kMaxPly] = {0, Word("e2", "e4"), Word("e7", "e5"), 0};
  Sdepth = 5;
  EXPECT_EQ(Shown(125, line, '!'), "");
  Sdepth = 6;
  EXPECT_EQ(Shown(125, line, '!'), " 6    125     0      1234   e2e4!  e7e5 \n");
}

TEST_F(ThinkingLines, UnmarkedLineAtAnyDepthButNotWithoutPostOrClock) {
  uint32_t line[kMaxPly] = {0, Word("d2", "d4"), 0};
  Sdepth = 2;
  EXPECT_EQ(Shown(-30, line), " 2    -30     0      1234   d2d4 \n");
  post = 0;
  EXPECT_EQ(Shown(10, line), "");
  post = 1;
  TCflag = 0;
  EXPECT_EQ(Shown(10, line), "");
}

TEST_F(ThinkingLines, PonderingShowsThePonderedMoveWhenAllowed) {
  uint32_t line[kMaxPly] = {0, Word("g8", "f6"), 0};
  player = black;  // searching the engine's answer on the opponent's time
  hint = ShortMove(Sq("e2"), Sq("e4"));
  EXPECT_EQ(Shown(10, line), "");
  ics_show_ponder = 1;
  const std::string text = Shown(10, line);
  EXPECT_NE(text.find("  (e2e4)  g8f6 \n"), std::string::npos) << text;
}

TEST_F(ThinkingLines, AnalysisTakesHintAndPrintsStatusLine) {
  post = 0;
  analyze = 1;
  TCflag = 0;  // "st" set: analysis output goes on
  uint32_t line[kMaxPly] = {0, Word("g1", "f3"), Word("d7", "d5"), 0};
  Sdepth = 3;
  EXPECT_EQ(Shown(15, line), " 3     15     0      1234   g1f3  d7d5 \n");
  EXPECT_EQ(hint, ShortMove(Sq("g1"), Sq("f3")));

  MoveList(white, 1);
  root = TrPnt[1];
  MoveInfo[0] = 5;
  MoveInfo[1] = 20;
  ElapsedTime = 250;
  WinboardProtVer = 2;
  char move[6];
  snprintf(move, sizeof move, "%c%c%c%c", 'a' + File(root->from), '1' + Rank(root->from),
           'a' + File(root->to), '1' + Rank(root->to));
  EXPECT_EQ(Shown(15, nullptr),
            " 3     15   250      1234  \nstat01: 250 1234 3 15 20 " + std::string(move) + "\n");
}

// ---- Hint ----

TEST(GiveHint, PrintsCoordinateTextWithoutBlank) {
  hint = ShortMove(Sq("e2"), Sq("e4"));
  EXPECT_EQ(CaptureOutput(GiveHint), "Hint:e2e4\n");
  hint = 0;
  EXPECT_EQ(CaptureOutput(GiveHint), "Hint:\n");
}
