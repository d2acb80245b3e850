#include "ui/gamefile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/tables.h"
#include "search/driver.h"
#include "test_util.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/input.h"
#include "ui/output.h"
#include "ui/position.h"

namespace {

// Makes the legal move named in coordinates (e2e4, e7e8q) for the side on
// its from-square and records it as a game move: SAN, check mark, score.
void Play(const char* coord, const char* san) {
  const int side = color[Sq(coord)];
  ASSERT_NE(side, neutral) << coord;
  TreeEntry* m = FindMove(side, coord, 2);
  ASSERT_NE(m, nullptr) << coord;
  MakeMove(side, m);
  ASSERT_EQ(SqAtakd(PieceList[side][0], 1 - side), 0) << coord;
  GameEntry& g = GameList[GameCnt];
  snprintf(g.san, sizeof g.san, "%s", san);
  if (SqAtakd(PieceList[1 - side][0], side)) g.move |= static_cast<uint32_t>(MF_CHECK) << 16;
  g.score = static_cast<int16_t>(10 * GameCnt - 35);
  g.depth = 4;
  g.seconds = static_cast<int16_t>(GameCnt + 1);
  player = 1 - side;
}

// Each test runs in a fresh temporary directory, with input fed through a
// pipe and output captured.
class GameFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    old_dir_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("vorna-gamefile-" + std::to_string(std::random_device{}()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    fs::current_path(dir_);
    FreshGame();
    force = 0;
    TCflag = 0;
    strcpy(oppnam, "Opponent");
    PosFile[0] = '\0';
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::current_path(old_dir_);
    std::filesystem::remove_all(dir_, ignored);
  }
  void Send(const std::string& text) { input_.Send(text); }
  std::string Output() { return out_.Text(); }
  // e4 Nf6 e5 d5: White may take en passant on d6.
  void PlayToEnPassant() {
    Play("e2e4", "e4");
    Play("g8f6", "Nf6");
    Play("e4e5", "e5");
    Play("d7d5", "d5");
  }
  void Save(const char* name) {
    Send(std::string(name) + "\n");
    SaveGame(0);
  }
  int Load(const char* name) {
    Send(std::string(name) + "\n");
    return GetGame(0);
  }

  std::filesystem::path dir_, old_dir_;
  SavedGlobals saved_{force, TCflag, TimeControl, computer, opponent, player};
  InputPipe input_;
  CapturedOutput out_;
};

// ---- Game file ----

TEST_F(GameFiles, SaveAndLoadRestorePositionRecordClocksAndName) {
  PlayToEnPassant();
  Play("e5d6", "exd6");
  Play("c7d6", "cxd6");
  strcpy(oppnam, "Carla");
  TCflag = 1;
  TimeControl[white] = {7, 12345};
  TimeControl[black] = {8, 23456};
  const GameSnapshot before = GameSnapshot::Take();
  const std::string fen = CurrentFen();

  Save("game.sav");
  EXPECT_EQ(Output(), "Game saved to file: <game.sav>");
  FreshGame();
  TCflag = 0;
  TimeControl[white] = TimeControl[black] = {0, 0};
  ASSERT_EQ(Load("game.sav"), 0);

  EXPECT_EQ(CurrentFen(), fen);
  EXPECT_EQ(std::string(oppnam), "Carla ");
  EXPECT_EQ(TCflag, 1);
  EXPECT_EQ(TimeControl[white].timeLeft, 12345);
  EXPECT_EQ(TimeControl[black].timeLeft, 23456);
  EXPECT_EQ(TimeControl[white].movesToGo, 7);
  EXPECT_EQ(TimeControl[black].movesToGo, 8);
  ASSERT_EQ(GameCnt, before.game_cnt);
  auto fields = [](const GameEntry& e) {
    return std::tuple(e.move, std::string(e.san), e.score, e.depth, e.seconds, e.captured,
                      e.captured_color, e.game50, e.epsq, e.hashkey, e.hashbd);
  };
  for (int i = 1; i <= GameCnt; i++) EXPECT_EQ(fields(GameList[i]), fields(before.Entry(i))) << i;
  EXPECT_EQ(Game50, before.game50);
  EXPECT_EQ(hashkey, before.key);
  EXPECT_EQ(hashbd, before.bd);
  EXPECT_TRUE(PositionIsConsistent());
}

TEST_F(GameFiles, LoadedGameTakesBackToTheStartWithItsEnPassantSquares) {
  PlayToEnPassant();
  Play("e5d6", "exd6");
  Save("ep.sav");
  FreshGame();
  ASSERT_EQ(Load("ep.sav"), 0);

  ASSERT_EQ(Undo(), 1);
  EXPECT_EQ(board[Sq("d5")], pawn);
  EXPECT_EQ(color[Sq("d5")], black);
  EXPECT_EQ(epsquare, Sq("d6"));
  ASSERT_EQ(Redo(), 1);
  EXPECT_EQ(color[Sq("d5")], neutral);
  EXPECT_EQ(board[Sq("d6")], pawn);
  while (Undo() == 1) {
  }
  EXPECT_EQ(GameCnt, 0);
  EXPECT_EQ(CurrentFen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
}

TEST_F(GameFiles, LoadClearsTheEntriesPastTheGame) {
  Play("e2e4", "e4");
  Play("e7e5", "e5");
  Save("short.sav");
  Play("g1f3", "Nf3");
  Play("b8c6", "Nc6");
  ASSERT_EQ(Load("short.sav"), 0);
  EXPECT_EQ(GameCnt, 2);
  EXPECT_EQ(GameList[3].move, 0u);
  EXPECT_EQ(Redo(), 0);
  EXPECT_EQ(GameCnt, 2);
}

// Found by fuzzing: the file's fields for the side to move and the roles
// were believed over its moves, so after "go" Black moved again after a
// Black move; a last irreversible move past the end of the game was taken.
TEST_F(GameFiles, SideToMoveAndRolesComeFromTheMoves) {
  struct Case {
    const char* line2;  // 0, selective, player
    const char* line3;  // computer + 1, opponent + 1, Game50
    bool loads;
  } const cases[] = {
      {"0 1 0", "2 1 2", true},  // as saved
      {"0 1 1", "2 1 2", true},  // Black said to move
      {"0 1 0", "1 2 2", true},  // Black said to be awaited
      {"0 1 0", "2 1 3", true},  // an irreversible move still to come
      {"0 1 0", "2 1 4", false},
  };
  Play("e2e4", "e4");
  Play("e7e5", "e5");
  Save("field.sav");
  const std::string text = ReadText("field.sav");
  const size_t line2 = text.find('\n') + 1, line3 = text.find('\n', line2) + 1;
  const size_t rest = text.find('\n', line3) + 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.line2) + " / " + c.line3);
    WriteBytes("field.sav",
               text.substr(0, line2) + c.line2 + "\n" + c.line3 + "\n" + text.substr(rest));
    FreshGame();
    ASSERT_EQ(Load("field.sav"), c.loads ? 0 : 1);
    if (!c.loads) continue;
    EXPECT_EQ(player, white);
    EXPECT_EQ(opponent, white);
    EXPECT_EQ(computer, black);
    ASSERT_EQ(Undo(), 1);
    EXPECT_EQ(Redo(), 1);
  }
}

// Found by fuzzing: an en-passant capture as the first move after a set-up
// lost its square on loading, and a castling by a king or rook that had
// moved before was loaded; neither could be taken back and made again.
TEST_F(GameFiles, LoadedFirstCaptureEnPassantAndCastlingReplay) {
  SetFen("4k3/8/8/3pP3/8/8/8/R3K2R w KQ d6 0 1");
  Play("e5d6", "exd6");
  Play("e8d7", "Kd7");
  Play("e1g1", "O-O");
  Save("special.sav");
  FreshGame();
  ASSERT_EQ(Load("special.sav"), 0);
  ASSERT_EQ(Undo(), 1);
  EXPECT_EQ(Redo(), 1);
  ASSERT_EQ(Undo() + Undo() + Undo(), 3);
  EXPECT_EQ(epsquare, Sq("d6"));
  EXPECT_EQ(Redo(), 1);

  // The move count of e1 says the king had moved before it castled.
  std::string text = ReadText("special.sav");
  size_t line = 0;
  for (int i = 0; i < 6 + Sq("e1"); i++) line = text.find('\n', line) + 1;
  const size_t end = text.find('\n', line);
  ASSERT_EQ(text.substr(line, end - line), "0 1");
  text[end - 1] = '2';
  WriteBytes("special.sav", text);
  FreshGame();
  EXPECT_EQ(Load("special.sav"), 1);
}

// A record whose king walked into check, castled out of or through check,
// or whose man moved as its kind cannot, is refused: its moves could not be
// made again (found by fuzzing).
TEST_F(GameFiles, MovesThatCouldNotBeMadeAreRefused) {
  struct Case {
    const char* fen;
    const char* played[2][2];  // coordinates and SAN of two legal moves
    int from, to;              // squares of the first move as the file will say
  } const cases[] = {
      {"4k3/4r3/8/8/8/8/8/3K4 w - - 0 1", {{"d1c1", "Kc1"}, {"e8d8", "Kd8"}}, 3, 4},
      {"4k3/4r3/8/8/8/8/8/R3K3 w Q - 0 1", {{"e1d1", "Kd1"}, {"e8f8", "Kf8"}}, 4, 2},
      {"4k3/3r4/8/8/8/8/8/R3K3 w Q - 0 1", {{"e1f1", "Kf1"}, {"e8f8", "Kf8"}}, 4, 2},
      {"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", {{"b1c3", "Nc3"}, {"e8d8", "Kd8"}}, 1, 17},
      {"4k3/8/8/8/8/8/1P6/2B1K3 w - - 0 1", {{"c1d2", "Bd2"}, {"e8d8", "Kd8"}}, 2, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    SetFen(c.fen);
    for (const auto& m : c.played) Play(m[0], m[1]);
    Save("check.sav");
    ASSERT_EQ(Load("check.sav"), 0);  // as played
    // The first move made instead to c.to (castling: the rook from a1 too).
    std::vector<std::string> lines;
    std::istringstream in(ReadText("check.sav"));
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    const int played_to = Sq(c.played[0][0] + 2);
    std::swap(lines[6 + played_to], lines[6 + c.to]);
    if (c.to == Sq("c1")) std::swap(lines[6 + Sq("a1")], lines[6 + Sq("d1")]);
    lines[70].replace(0, lines[70].find(' '), std::to_string(c.from * 256 + c.to));
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    WriteBytes("check.sav", text);
    FreshGame();
    EXPECT_EQ(Load("check.sav"), 1);
  }
}

TEST_F(GameFiles, LoadOfAGameSetUpWithBlackToMoveKeepsThePlaceholder) {
  SetFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
  Play("e7e5", "e5");
  Play("g1f3", "Nf3");
  Save("black.sav");
  FreshGame();
  ASSERT_EQ(Load("black.sav"), 0);
  EXPECT_EQ(GameCnt, 3);
  EXPECT_STREQ(GameList[1].san, " ...");
  EXPECT_EQ(Undo(), 1);
  EXPECT_EQ(Undo(), 1);
  EXPECT_EQ(Undo(), 0);  // the placeholder is no move
  EXPECT_EQ(GameCnt, 1);
  EXPECT_EQ(color[Sq("e4")], white);
}

TEST_F(GameFiles, MissingGameFileChangesNothing) {
  PlayToEnPassant();
  const GameSnapshot before = GameSnapshot::Take();
  EXPECT_EQ(Load("no-such.sav"), 1);
  EXPECT_EQ(GameSnapshot::Take(), before);
  EXPECT_EQ(epsquare, Sq("d6"));
}

// A saved game of PlayToEnPassant with one line edited: loading it
// changes nothing.
TEST_F(GameFiles, BrokenGameFileIsRefused) {
  using Lines = std::vector<std::string>;
  // Word w of line n becomes the number v.
  static auto set_word = [](Lines* l, int n, int w, int v) {
    std::istringstream in((*l)[n]);
    Lines f;
    for (std::string word; in >> word;) f.push_back(word);
    f[w] = std::to_string(v);
    std::string s;
    for (const std::string& word : f) s += word + " ";
    s.pop_back();
    (*l)[n] = s;
  };
  const struct {
    const char* why;
    void (*edit)(Lines* lines);
  } rows[] = {
      {"malformed number", [](Lines* l) { (*l)[2] = "2 1 x"; }},
      {"missing square line", [](Lines* l) { l->erase(l->begin() + 40); }},
      {"overlong SAN", [](Lines* l) { (*l)[71] += "abcdefghij"; }},
      {"overlong name", [](Lines* l) { (*l)[0] = std::string(37, 'n'); }},
      {"overlong line", [](Lines* l) { (*l)[5] += std::string(400, ' ') + "1"; }},
      // e2e4 is 12 * 256 + 28; make the to-square 64.
      {"square beyond the board", [](Lines* l) { set_word(l, 70, 0, 12 * 256 + 64); }},
      {"captured king",
       [](Lines* l) {
         set_word(l, 73, 5, 6);
         set_word(l, 73, 6, 1);
       }},
      // The last move d7d5 claimed as d7d6: d6 is empty.
      {"entry that does not fit the board", [](Lines* l) { set_word(l, 73, 0, 51 * 256 + 43); }},
      {"two white kings (a3)", [](Lines* l) { (*l)[6 + 16] = std::to_string(6 * 256 + 1) + " 0"; }},
      // The knight from b1 stands on d6 and gives check, but White is to move.
      {"side not to move in check",
       [](Lines* l) {
         (*l)[6 + 1] = "0 0";
         (*l)[6 + 43] = std::to_string(2 * 256 + 1) + " 1";
       }},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.why);
    FreshGame();
    PlayToEnPassant();
    Save("good.sav");
    Lines lines;
    std::istringstream in(ReadText("good.sav"));
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 70u + 4u);
    r.edit(&lines);
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    WriteBytes("bad.sav", text);
    FreshGame();
    Play("d2d4", "d4");
    const GameSnapshot before = GameSnapshot::Take();
    EXPECT_EQ(Load("bad.sav"), 1);
    EXPECT_EQ(GameSnapshot::Take(), before);
  }
}

TEST_F(GameFiles, MoreEntriesThanAGameHoldsAreRefused) {
  // Knights shuffle back and forth, 640 half-moves.
  auto game = [](int count) {
    // After 4n + 3 half-moves Black's knight stands on f6.
    int16_t men[64], sides[64];
    for (int sq = 0; sq < 64; sq++) men[sq] = Stboard[sq], sides[sq] = Stcolor[sq];
    if (count % 4 == 3) {
      men[Sq("f6")] = knight, sides[Sq("f6")] = black;
      men[Sq("g8")] = no_piece, sides[Sq("g8")] = neutral;
    }
    std::string text = "Opponent\n0 1 0\n2 1 1\n0 0\n0 0 0\n0 0 0 0\n";
    for (int sq = 0; sq < 64; sq++)
      text += std::to_string(men[sq] * 256 + (sides[sq] == neutral ? 0 : sides[sq] + 1)) + " 0\n";
    const char* moves[4][2] = {{"g1f3", "Nf3"}, {"g8f6", "Nf6"}, {"f3g1", "Ng1"}, {"f6g8", "Ng8"}};
    for (int i = 0; i < count; i++) {
      const char* c = moves[i % 4][0];
      const int move = Sq(c) * 256 + Sq(c + 2);
      text += std::to_string(move) + " 0 0 1 0 0 0 0 0 0 " + moves[i % 4][1] + "\n";
    }
    return text;
  };
  WriteBytes("long.sav", game(640));
  const GameSnapshot before = GameSnapshot::Take();
  EXPECT_EQ(Load("long.sav"), 1);
  EXPECT_EQ(GameSnapshot::Take(), before);

  WriteBytes("long.sav", game(639));
  EXPECT_EQ(Load("long.sav"), 0);
  EXPECT_EQ(GameCnt, 639);
  EXPECT_EQ(Redo(), 0);
}

// ---- Position file ----

TEST_F(GameFiles, PositionFileRoundTripForEitherSideToMove) {
  const struct {
    const char *fen, *line;  // a line the file holds
  } cases[] = {{"8/5k2/8/8/3P4/8/5K2/8 w - - 0 1", "Bd4\n"},
               {"r3k2r/ppp2ppp/2n5/3qp3/8/2N2N2/PPP2PPP/R2QK2R b KQkq - 0 1", "dd5\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    SetFen(c.fen);
    const int side = player;
    Send("pos.txt My_title\n");
    PutPosition();
    const std::string text = ReadText("pos.txt");
    EXPECT_EQ(text.substr(0, 10), ";My_title\n");
    EXPECT_EQ(text.substr(text.size() - 3), side == black ? "ZS\n" : "ZW\n");
    EXPECT_NE(text.find(c.line), std::string::npos);

    FreshGame();
    Send("pos.txt\n");
    ASSERT_EQ(GetPosition(), 0);
    EXPECT_EQ(CurrentFen(), c.fen);
    EXPECT_EQ(player, side);
    EXPECT_EQ(opponent, side);
    EXPECT_EQ(computer, 1 - side);
    EXPECT_STREQ(PosFile, "pos.txt");
  }
  EXPECT_EQ(Mvboard[Sq("h1")], 0);   // rook at home: castling stays possible
  EXPECT_EQ(Mvboard[Sq("c3")], 10);  // a man off its home square counts as moved
  EXPECT_NE(Output().find("\033[2J"), std::string::npos);
}

TEST_F(GameFiles, PositionFileSkipsCommentsAndReadsALastLineWithoutNewline) {
  WriteBytes("p.txt", "; a title\n! another comment Kd4\nKe1\nke8\nBa2\nZS");
  Send("p.txt\n");
  ASSERT_EQ(GetPosition(), 0);
  EXPECT_EQ(CurrentFen(), "4k3/8/8/8/8/8/P7/4K3 b - - 0 1");
}

TEST_F(GameFiles, ImpossiblePositionFileChangesNothing) {
  Play("e2e4", "e4");
  WriteBytes("two.txt", ";x\nKe1\nKe2\nke8\nZW\n");
  WriteBytes("adjacent.txt", ";x\nKe1\nke2\nZW\n");
  WriteBytes("pawn.txt", ";x\nKe1\nke8\nBa8\nZW\n");
  WriteBytes("check.txt", ";x\nKe1\nke8\nTe4\nZW\n");
  const GameSnapshot before = GameSnapshot::Take();
  for (const char* name : {"two.txt", "adjacent.txt", "pawn.txt", "check.txt", "missing.txt"}) {
    Send(std::string(name) + "\n");
    EXPECT_EQ(GetPosition(), 1) << name;
    EXPECT_EQ(GameSnapshot::Take(), before) << name;
  }
}

// ---- Board editor ----

TEST_F(GameFiles, EditorSetsUpAPositionAsANewGame) {
  Play("e2e4", "e4");
  Play("e7e5", "e5");
  Send("# Ke1 Ra1 Pd4 c ke8 pe7 nb8 Xd4 .\n");
  ASSERT_EQ(EditBoard(), 0);
  EXPECT_EQ(CurrentFen(), "1n2k3/4p3/8/8/8/8/8/R3K3 w Q - 0 1");
  EXPECT_EQ(std::string(FEN_string), "1n2k3/4p3/8/8/8/8/8/R3K3 w Q - 0 1");
  EXPECT_EQ(GameCnt, 0);
  EXPECT_EQ(GameList[1].move, 0u);
  EXPECT_TRUE(PositionIsConsistent());
}

TEST_F(GameFiles, EditorStartsFromTheCurrentBoard) {
  Send("xe2 Pe4 .\n");
  ASSERT_EQ(EditBoard(), 0);
  EXPECT_EQ(CurrentFen(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1");
}

TEST_F(GameFiles, ImpossibleEditChangesNothing) {
  Play("e2e4", "e4");
  const GameSnapshot before = GameSnapshot::Take();
  for (const char* words :
       {"Kd4 .\n", "# Ke1 c ke8 pa1 .\n", "# Ke1 c kd2 .\n", "c xe8 .\n", "# Ke1 c ke8 Re2 .\n"}) {
    Send(words);
    EXPECT_EQ(EditBoard(), 1) << words;
    EXPECT_EQ(GameSnapshot::Take(), before) << words;
  }
}

// ---- Undo and Redo ----

// Undo puts back the whole position, counters and hash words included, and
// Do makes the move again.
TEST_F(GameFiles, UndoAndDoOfSpecialMovesRestoreThePosition) {
  const struct {
    const char *fen, *coord, *san;  // no FEN: after PlayToEnPassant
  } cases[] = {
      {"r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1", "e1g1", "O-O"},
      {"r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1", "e8c8", "O-O-O"},
      {nullptr, "e5d6", "exd6"},
      {"1r2k3/2P5/8/8/8/8/8/4K3 w - - 0 1", "c7b8q", "cxb8=Q"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.san);
    if (c.fen != nullptr) {
      SetFen(c.fen);
    } else {
      FreshGame();
      PlayToEnPassant();
    }
    const std::string fen = CurrentFen();
    const GameSnapshot before = GameSnapshot::Take(true);
    Play(c.coord, c.san);
    const GameSnapshot after = GameSnapshot::Take(true);
    ASSERT_EQ(Undo(), 1);
    EXPECT_EQ(GameSnapshot::Take(true), before);
    EXPECT_EQ(CurrentFen(), fen);
    EXPECT_TRUE(PositionIsConsistent());
    ASSERT_EQ(Redo(), 1);
    EXPECT_EQ(GameSnapshot::Take(true), after);
  }
}

TEST_F(GameFiles, UndoSwapsRolesAndRestoresTheMoveCount) {
  TCflag = 1;
  TimeControl[white].movesToGo = 10;
  Play("e2e4", "e4");
  TimeControl[white].movesToGo = 9;
  const int32_t comp = computer;
  ASSERT_EQ(Undo(), 1);
  EXPECT_EQ(TimeControl[white].movesToGo, 10);
  EXPECT_EQ(computer, 1 - comp);
  EXPECT_EQ(opponent, comp);
  ASSERT_EQ(Redo(), 1);
  EXPECT_EQ(TimeControl[white].movesToGo, 9);
  EXPECT_EQ(computer, comp);
}

TEST_F(GameFiles, DoAfterUndoReplaysTheMoves) {
  PlayToEnPassant();
  const std::string fen = CurrentFen();
  const GameSnapshot before = GameSnapshot::Take();
  ASSERT_EQ(Undo(), 1);
  ASSERT_EQ(Undo(), 1);
  ASSERT_EQ(Redo(), 1);
  ASSERT_EQ(Redo(), 1);
  EXPECT_EQ(CurrentFen(), fen);
  EXPECT_EQ(epsquare, Sq("d6"));
  EXPECT_EQ(GameCnt, 4);
  EXPECT_EQ(hashkey, before.key);
  for (int i = 1; i <= 4; i++) {
    EXPECT_STREQ(GameList[i].san, before.Entry(i).san);
    EXPECT_EQ(GameList[i].score, before.Entry(i).score);
  }
}

TEST_F(GameFiles, DoRefusesAMoveThatIsNotLegalAnyMore) {
  Play("e2e4", "e4");
  Play("e7e5", "e5");
  ASSERT_EQ(Undo(), 1);
  ASSERT_EQ(Undo(), 1);
  Play("d2d4", "d4");  // the old reply e7e5 still follows in the record
  Play("e7e5", "e5");
  GameList[3].move = static_cast<uint32_t>(Sq("d1") * 256 + Sq("d5"));  // through the d4 pawn
  const GameSnapshot before = GameSnapshot::Take();
  EXPECT_EQ(Redo(), 0);
  EXPECT_EQ(GameSnapshot::Take(), before);
}

TEST_F(GameFiles, UndoAtTheStartAndDoWithNothingUndoneDoNothing) {
  const GameSnapshot start = GameSnapshot::Take();
  EXPECT_EQ(Undo(), 0);
  EXPECT_EQ(GameSnapshot::Take(), start);
  Play("e2e4", "e4");
  const GameSnapshot before = GameSnapshot::Take();
  EXPECT_EQ(Redo(), 0);
  EXPECT_EQ(GameSnapshot::Take(), before);
}

// ---- Move list ----

TEST_F(GameFiles, MoveListHoldsOneLinePerMovePair) {
  Play("e2e4", "e4");
  Play("e7e5", "e5");
  Play("g1f3", "Nf3");
  ListGame("game.lst");
  const std::string text = ReadText("game.lst");
  EXPECT_EQ(text.substr(0, 7), "Vorna B");
  EXPECT_NE(text.find(" - Opponent   "), std::string::npos);
  EXPECT_NE(text.find("\n\n        move   score  depth  time            move   score  depth  "
                      "time\n"),
            std::string::npos);
  EXPECT_NE(text.find("\n  1.       e4    -25      4     2" + std::string(15, ' ') +
                      "e5    -15      4     3\n  2.      Nf3     -5      4     4\n\n"),
            std::string::npos);
}

TEST_F(GameFiles, MoveListWithoutANameWritesNothing) {
  ListGame("");
  ListGame(nullptr);
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

// ---- PGN export ----

// A short game from a position with Black to move, with checks and more
// than six half-moves.
void PlayExportGame() {
  SetFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
  for (const auto& m : {std::pair{"e7e5", "e5"},
                        {"g1f3", "Nf3"},
                        {"b8c6", "Nc6"},
                        {"f1b5", "Bb5"},
                        {"g8f6", "Nf6"},
                        {"b5c6", "Bxc6"},
                        {"d7c6", "dxc6"},
                        {"f3e5", "Nxe5"},
                        {"d8d4", "Qd4"},
                        {"e5f7", "Nxf7"},
                        {"d4e4", "Qxe4"},
                        {"d1e2", "Qe2"},
                        {"e4e2", "Qxe2"},
                        {"e1e2", "Kxe2"}})
    Play(m.first, m.second);
}

TEST_F(GameFiles, ExportOfAGameFromBlackToMove) {
  PlayExportGame();
  root->score = 0;
  Send("Bob Home Club\n");  // Black's name (still "Opponent"), site, event
  ExportGame("mygame.txt");
  EXPECT_EQ(ReadText("mygame.txt"), "");
  const std::string text = ReadText("mygame.pgn");
  const std::string header =
      "[Event \"Club\"]\n[Site \"Home\"]\n[Date \"" + std::string(pgn_date) +
      "\"]\n[Round \"1\"]\n[White \"Vorna-B.68\"]\n[Black \"Bob\"]\n[Result \"1/2-1/2\"]\n"
      "[SetUp \"1\"]\n"
      "[FEN \"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1\"]\n\n";
  EXPECT_EQ(text, header +
                      "1.  ... e5 2. Nf3 Nc6 3. Bb5 Nf6 \n"
                      "4. Bxc6 dxc6 5. Nxe5 Qd4 6. Nxf7 Qxe4+ \n"
                      "7. Qe2 Qxe2+ 8. Kxe2 1/2-1/2\n\n\n");
  EXPECT_EQ(strlen(pgn_date), 10u);
}

TEST_F(GameFiles, ExportAppendsAndAsksInForceMode) {
  Play("e2e4", "e4");
  Play("e7e5", "e5");
  force = 1;
  // White, Black, site, event, round, result, then "n" to ask again.
  Send("Ann Ben Here Open 3 1 n\nAnna Ben - - - 1/2 y\n");
  ExportGame("f");
  const std::string text = ReadText("f.pgn");
  EXPECT_EQ(text.find("[Event \"-\"]\n[Site \"-\"]\n"), 0u);
  EXPECT_NE(text.find("[Round \"-\"]\n[White \"Anna\"]\n[Black \"Ben\"]\n[Result \"1/2-1/2\"]\n"),
            std::string::npos);
  EXPECT_NE(text.find("\n\n1. e4 e5 1/2-1/2\n\n\n"), std::string::npos);
  Send("- - - - - - y\n");
  ExportGame("f.pgn");
  const std::string both = ReadText("f.pgn");
  EXPECT_EQ(both.substr(0, text.size()), text);
  EXPECT_EQ(both.find("[Event", text.size()), text.size());
}

TEST_F(GameFiles, EscapeCancelsTheExport) {
  Play("e2e4", "e4");
  strcpy(pgn_site, "Somewhere");
  Send("\033\n");
  ExportGame("cancel");
  EXPECT_EQ(ReadText("cancel.pgn"), "");
  EXPECT_STREQ(pgn_white, "");  // asked first: "Opponent" plays White
  EXPECT_STREQ(pgn_site, "Somewhere");
}

TEST_F(GameFiles, ExportNameComesFromTheNextWordWithADefault) {
  root->score = 500;  // the engine (Black) is clearly better
  strcpy(oppnam, "Zed ");
  Send("x.y.z site event\n");
  ExportGame(nullptr);
  const std::string text = ReadText("x.pgn");
  EXPECT_NE(text.find("[White \"Zed\"]\n[Black \"Vorna-B.68\"]\n[Result \"0-1\"]"),
            std::string::npos);
}

std::string FindPgnExtract() {
  for (const char* path : {"/usr/bin/pgn-extract", "/usr/games/pgn-extract"})
    if (std::filesystem::exists(path)) return path;
  return "";
}

TEST_F(GameFiles, PgnExtractReadsTheExportWithoutComplaint) {
  if (!VORNA_PEER_TOOLS) GTEST_SKIP() << "Debian's tools do not run beside a Windows build";
  const std::string tool = FindPgnExtract();
  ASSERT_FALSE(tool.empty()) << "pgn-extract is not installed (apt-get install pgn-extract)";
  PlayExportGame();
  root->score = 0;
  Send("Bob Home Club\n");
  ExportGame("check");
  FreshGame();
  Play("e2e4", "e4");
  Play("f7f5", "f5");
  Play("d1h5", "Qh5");
  Play("g7g6", "g6");
  Play("h5g6", "Qxg6");
  Play("h7g6", "hxg6");
  pgn_result[0] = '\0';
  root->score = 0;
  Send("Carl Home Club\n");
  ExportGame("check");
  const std::string cmd = tool + " -r check.pgn > report.txt 2>&1";
  ASSERT_EQ(system(cmd.c_str()), 0);
  const std::string report = ReadText("report.txt");
  EXPECT_NE(report.find("2 games matched out of 2."), std::string::npos) << report;
  for (const char* bad : {"Warning", "rror", "Failed", "File check.pgn", "Unknown"})
    EXPECT_EQ(report.find(bad), std::string::npos) << report;
}

}  // namespace
