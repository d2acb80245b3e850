#include "book/book.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/lifecycle.h"
#include "book/learn.h"
#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/random.h"
#include "core/startup.h"
#include "search/driver.h"
#include "test_util.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/notation.h"
#include "ui/output.h"

namespace fs = std::filesystem;

namespace {

constexpr uintmax_t kSmallBytes = 2621440;  // 163840 records of 16 bytes
constexpr uintmax_t kLargeBytes = 229376;   // 8192 records of 28 bytes

// Every test runs in a fresh folder that is both the program folder (binary
// books) and the current folder (text books, open.log).
class Book : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshGame();
    CloseBook();
    saved_ = fs::current_path();
    dir_ = FreshTestDir("vorna_book");
    fs::current_path(dir_);
    snprintf(vornapath, sizeof vornapath, "%s", (dir_ / "").string().c_str());
    tbooksz = 163840;
    lbooksz = 8192;
    lbk_hbk = 10;
  }
  void TearDown() override {
    CloseBook();
    OpenDataFile = std::fopen;
    fs::current_path(saved_);
    fs::remove_all(dir_);
    vornapath[0] = '\0';
    hbk_path[0] = '\0';
    NewGame(2);
  }

  // Compiles vorna.bok (and whatever extension books lie here) afresh.
  static std::string Compile(const std::string& text) {
    WriteBytes("vorna.bok", text);
    return CaptureOutput([] {
      OpenBook();
      NewGame(2);
    });
  }

  fs::path saved_, dir_;
};

// Plays coordinate moves from the initial position.
void PlayMoves(const std::vector<const char*>& moves) {
  NewGame(2);
  int side = white;
  for (const char* m : moves) {
    TreeEntry* e = FindMove(side, m, 2);
    ASSERT_NE(e, nullptr) << m;
    MakeMove(side, e);
    side = 1 - side;
  }
  player = side;
}

uint32_t Le32(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
         static_cast<uint8_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t Le16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

// A record decoded from the file's bytes by the tables of the file format.
struct Record {
  bool found = false;
  std::vector<uint16_t> move, weight;
};

// The current position's record in a file image: 108 slots from its home on.
Record Find(const std::string& file, bool large) {
  const size_t size = large ? 28 : 16, slots = large ? 6 : 4;
  const uint32_t n = static_cast<uint32_t>(file.size() / size);
  Record r;
  for (uint32_t i = 0; i < 108; i++) {
    const size_t at = ((hashkey + i) % n) * size;
    const uint32_t key = Le32(file, at);
    if (key == 0) break;
    if (key != hashbd) continue;
    r.found = true;
    for (size_t k = 0; k < slots; k++) {
      r.move.push_back(Le16(file, at + 4 + 2 * k));
      r.weight.push_back(large ? Le16(file, at + 16 + 2 * k)
                               : static_cast<uint8_t>(file[at + 12 + k]));
    }
    break;
  }
  return r;
}

uint16_t M(const char* text) {
  return ShortMove(Sq(text), Sq(text + 2));
}

// Puts a record for the current position into a book file at slot home + offset.
void PutRecord(const char* name, bool large, uint32_t offset, uint32_t key,
               const std::vector<uint16_t>& moves, const std::vector<uint16_t>& weights) {
  const size_t size = large ? 28 : 16;
  const uint32_t n = static_cast<uint32_t>(fs::file_size(name) / size);
  std::string b(size, '\0');
  for (int i = 0; i < 4; i++) b[i] = static_cast<char>(key >> (8 * i));
  for (size_t k = 0; k < moves.size(); k++) {
    b[4 + 2 * k] = static_cast<char>(moves[k]);
    b[5 + 2 * k] = static_cast<char>(moves[k] >> 8);
    if (large) {
      b[16 + 2 * k] = static_cast<char>(weights[k]);
      b[17 + 2 * k] = static_cast<char>(weights[k] >> 8);
    } else {
      b[12 + k] = static_cast<char>(weights[k]);
    }
  }
  std::fstream f(name, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(((hashkey + offset) % n) * size));
  f.write(b.data(), static_cast<std::streamsize>(size));
}

// Empty book files of the default sizes.
void EmptyBook() {
  CaptureOutput([] { InitBook(); });
  CloseBook();
}

// The move the weighted choice must give for a record, by its rule: a fresh
// generator seeded with the time, one number per slot up to the first free
// one, the largest product among the moves of player wins.
uint16_t Expected(const std::vector<uint16_t>& moves, const std::vector<uint16_t>& weights,
                  time_t t) {
  s_rand(static_cast<uint32_t>(t));
  uint32_t best = 0;
  uint16_t choice = 0;
  for (size_t k = 0; k < moves.size() && moves[k] != 0; k++) {
    const uint32_t p = u_rand() * static_cast<uint32_t>(weights[k]);
    const int from = moves[k] >> 8, to = moves[k] & 0xff;
    if (p > best && from < 64 && to < 64 && color[from] == player && color[to] != player) {
      best = p;
      choice = moves[k];
    }
  }
  return choice;
}

// GetFromBook within one second of the clock, and what the rule expects.
void ChooseWithinOneSecond(const std::vector<uint16_t>& moves, const std::vector<uint16_t>& weights,
                           uint16_t* got, uint16_t* want) {
  for (;;) {
    const time_t t0 = time(nullptr);
    GetFromBook(got);
    if (time(nullptr) == t0) {
      *want = Expected(moves, weights, t0);
      return;
    }
  }
}

TEST_F(Book, EmptyFilesHaveTheSizesOfTheRecordTables) {
  EmptyBook();
  EXPECT_EQ(fs::file_size("vorna.hbk"), kSmallBytes);
  EXPECT_EQ(fs::file_size("vorna.lbk"), kLargeBytes);
  EXPECT_EQ(ReadText("vorna.hbk"), std::string(kSmallBytes, '\0'));
  EXPECT_EQ(ReadText("vorna.lbk"), std::string(kLargeBytes, '\0'));
  EXPECT_EQ(ReadText("vorna.sbk"), "8192 163840\n10 \n");
}

TEST_F(Book, MarksGiveWeightsAndAQuestionedMoveIsPlayedButNotStored) {
  Compile("1. e2e4 e7e5 2. g1f3! b8c6?\n");
  EXPECT_EQ(BookOn, 1);
  const std::string lbk = ReadText("vorna.lbk"), hbk = ReadText("vorna.hbk");
  EXPECT_EQ(hbk, std::string(kSmallBytes, '\0'));
  const std::vector<const char*> line = {"e2e4", "e7e5", "g1f3", "b8c6"};
  const uint16_t weights[] = {1, 1, 10};
  for (size_t i = 0; i < 3; i++) {
    PlayMoves(std::vector<const char*>(line.begin(), line.begin() + i));
    const Record r = Find(lbk, true);
    ASSERT_TRUE(r.found) << i;
    EXPECT_EQ(r.move, (std::vector<uint16_t>{M(line[i]), 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.weight, (std::vector<uint16_t>{weights[i], 0, 0, 0, 0, 0}));
  }
  PlayMoves({"e2e4", "e7e5", "g1f3"});
  EXPECT_FALSE(Find(lbk, true).found);
  // Byte by byte: key, the move as from * 256 + to, its weight, all little-endian.
  NewGame(2);
  const size_t at = (hashkey % 8192) * 28;
  EXPECT_EQ(Le32(lbk, at), hashbd);
  EXPECT_EQ(lbk.substr(at + 4, 2), "\x1c\x0c");  // e2 = 12, e4 = 28
  EXPECT_EQ(lbk.substr(at + 16, 2), std::string("\x01\x00", 2));
}

TEST_F(Book, AnImpossibleMoveEndsItsFileButTheNextBookIsCompiled) {
  WriteBytes("bxx.bok", "d2d4\n");
  const int before = line_no;
  const std::string out = Compile("; a comment\n\ne2e5\ne2e4\n");
  EXPECT_EQ(ReadText("open.log"),
            "Illegal Move encountered 12 -> 36!\nproblem encountered in line #" +
                std::to_string(before + 3) + "\n");
  EXPECT_NE(out.find("Bin-Buch-Erweiterung BXX -- Moment bitte !"), std::string::npos) << out;
  NewGame(2);
  const Record r = Find(ReadText("vorna.lbk"), true);
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.move[0], M("d2d4"));  // e2e4 came after the problem and was not read
  EXPECT_EQ(r.move[1], 0);
}

TEST_F(Book, AMoveThatLeavesTheKingAttackedIsIllegal) {
  Compile("e2e4 e7e5 d1h5 f7f6\n");
  EXPECT_EQ(ReadText("open.log").substr(0, 35), "Illegal Move encountered 53 -> 45!\n");
  EXPECT_TRUE(PositionIsConsistent());
}

TEST_F(Book, WeightsSaturateInBothBooks) {
  const std::vector<const char*> line = {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4",
                                         "g8f6", "e1g1", "f8e7", "f1e1", "b7b5", "a4b3", "d7d6",
                                         "c2c3", "e8g8", "h2h3", "c6b8", "d2d4", "b8d7"};
  std::string text;
  for (const char* m : line) text += std::string(m) + " ";
  text.back() = '\n';
  std::string all;
  for (int i = 0; i < 300; i++) all += text;
  Compile(all);
  const std::string lbk = ReadText("vorna.lbk"), hbk = ReadText("vorna.hbk");
  for (size_t i = 0; i < line.size(); i++) {
    PlayMoves(std::vector<const char*>(line.begin(), line.begin() + i));
    const bool large = i <= 10;
    const Record r = Find(large ? lbk : hbk, large);
    ASSERT_TRUE(r.found) << i;
    EXPECT_EQ(r.move[0], M(line[i])) << i;
    EXPECT_EQ(r.weight[0], large ? 300 : 255) << i;
  }
}

TEST_F(Book, APositionKeepsOnlyTheFirstMovesMet) {
  struct Case {
    int lbk_hbk;  // 0: the position after one move is a small-book one
    std::string lines;
    bool large;
    size_t kept;
  };
  const Case cases[] = {
      {0, "e2e4 a7a6\ne2e4 b7b6\ne2e4 c7c6\ne2e4 d7d6\ne2e4 e7e6\n", false, 4},
      {10, "e2e4 a7a6\ne2e4 b7b6\ne2e4 c7c6\ne2e4 d7d6\ne2e4 e7e6\ne2e4 f7f6\ne2e4 g7g6\n", true,
       6},
  };
  for (const Case& c : cases) {
    CloseBook();
    fs::remove("vorna.hbk");
    WriteBytes("vorna.sbk", "8192 163840\n" + std::to_string(c.lbk_hbk) + "\n");
    Compile(c.lines);
    PlayMoves({"e2e4"});
    const Record r = Find(ReadText(c.large ? "vorna.lbk" : "vorna.hbk"), c.large);
    ASSERT_TRUE(r.found);
    const char* replies[] = {"a7a6", "b7b6", "c7c6", "d7d6", "e7e6", "f7f6"};
    for (size_t k = 0; k < c.kept; k++) EXPECT_EQ(r.move[k], M(replies[k])) << k;
  }
}

TEST_F(Book, TheProbeRunsOverOneHundredAndEightSlotsAndStopsAtAnEmptyOne) {
  struct Case {
    uint32_t offset;  // of the position's record from its home slot
    int hole;         // an empty slot before it, or -1
    bool found;
  };
  const Case cases[] = {{0, -1, true}, {107, -1, true}, {108, -1, false}, {60, 30, false}};
  for (const Case& c : cases) {
    EmptyBook();
    NewGame(2);
    for (uint32_t i = 0; i < c.offset; i++)
      if (static_cast<int>(i) != c.hole)
        PutRecord("vorna.lbk", true, i, hashbd ^ 1, {M("a2a3")}, {1});
    PutRecord("vorna.lbk", true, c.offset, hashbd, {M("e2e4")}, {5});
    CaptureOutput([] { OpenBook(); });
    NewGame(2);
    uint16_t got = 1, want = 0;
    int index = 0, weight = 0;
    ChooseWithinOneSecond({M("e2e4")}, {5}, &got, &want);
    EXPECT_EQ(got, c.found ? want : 0) << c.offset;
    EXPECT_EQ(RepFromBook(&index, &weight), c.found ? M("e2e4") : 0) << c.offset;
  }
}

TEST_F(Book, TheWeightedChoiceFollowsItsRule) {
  struct Case {
    std::vector<uint16_t> moves, weights;
  };
  const Case cases[] = {
      // Weight 0 is never played.
      {{M("e2e4"), M("d2d4"), M("g1f3"), M("c2c4"), M("b2b3"), M("g2g3")}, {0, 0, 0, 7, 0, 0}},
      // Only Black's moves, or a move onto an own man: nothing for White.
      {{M("e7e5"), M("d7d5")}, {9, 9}},
      {{M("d1d2"), M("e7e5")}, {9, 9}},
      // Squares beyond the board are never used.
      {{0xffff, M("e2e4")}, {60000, 3}},
      // A choice among weights: the largest product wins.
      {{M("e2e4"), M("d2d4"), M("c2c4")}, {30, 20, 10}},
  };
  EmptyBook();
  for (const Case& c : cases) {
    NewGame(2);
    PutRecord("vorna.lbk", true, 0, hashbd, c.moves, c.weights);
    CaptureOutput([] { OpenBook(); });
    NewGame(2);
    uint16_t got = 1, want = 0;
    ChooseWithinOneSecond(c.moves, c.weights, &got, &want);
    EXPECT_EQ(got, want);
    if (c.weights[0] == 9) {
      EXPECT_EQ(got, 0);
    }
    if (c.moves[0] == 0xffff || c.weights[0] == 0) {
      EXPECT_NE(got, c.moves[0]);
    }
    CloseBook();
  }
}

TEST_F(Book, RepFromBookListsSixSlotsInTheLargeBookAndFourInTheSmall) {
  const std::vector<uint16_t> moves = {M("a7a6"), M("b7b6"), M("c7c6"),
                                       M("d7d6"), M("e7e6"), M("f7f6")};
  const std::vector<uint16_t> weights = {1, 2, 3, 4, 5, 6};
  for (const int boundary : {10, 0}) {
    lbk_hbk = boundary;
    EmptyBook();
    PlayMoves({"e2e4"});
    const bool large = boundary == 10;
    PutRecord(large ? "vorna.lbk" : "vorna.hbk", large, 0, hashbd,
              large ? moves : std::vector<uint16_t>(moves.begin(), moves.begin() + 4),
              large ? weights : std::vector<uint16_t>(weights.begin(), weights.begin() + 4));
    CaptureOutput([] { OpenBook(); });
    int index = 0, weight = 0;
    for (int k = 0; k < 7; k++) {
      const uint16_t m = RepFromBook(&index, &weight);
      const bool listed = k < (large ? 6 : 4);
      EXPECT_EQ(m, listed ? moves[k] : 0) << boundary << " " << k;
      if (listed) {
        EXPECT_EQ(weight, weights[k]);
      }
    }
    CloseBook();
  }
}

TEST_F(Book, OpeningBookPutsTheMoveFirstAndTheWindowClosesAfterEightHalfMoves) {
  const char* line = "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6\n";
  Compile(line);
  struct Case {
    int last_book_move;
    int found;
  };
  // After eight half-moves: in the book while GameCnt < LastBookMove + 8.
  for (const Case c : {Case{0, 0}, Case{1, 1}}) {
    PlayMoves({"e2e4", "c7c5", "g1f3", "d7d6", "d2d4", "c5d4", "f3d4", "g8f6"});
    LastBookMove = c.last_book_move;
    TCflag = -1;
    MaxSearchDepth = 1;
    ics_book = 1;
    learn = LearnFlag = 0;
    lookahead = puzzling = 0;
    computer = player = white;
    opponent = black;
    const std::string out = CaptureOutput([] { SelectMove(white); });
    TCflag = 1;
    EXPECT_EQ(BookMoveFound, c.found) << out;
    if (c.found) {
      EXPECT_EQ(LastBookMove, 8);
      EXPECT_NE(out.find(" sc=0.00 dp=0 mv=b1c3 (book)\n"), std::string::npos) << out;
    }
  }
}

TEST_F(Book, BadTextBooksNeverStopTheEngine) {
  struct Case {
    std::string text;
    bool e2e4_stored;
    bool problem;
  };
  const Case cases[] = {
      {std::string("e2e4 \x01\xff\x80\0\x7f d7d5\n", 17) + "d2d4\n", true, false},
      {"e2e4 " + std::string(10000, 'x') + "\n", true, true},
      {"!!!?\?\?!!!\n?\n!\ne2e4\n", true, false},
      {"i9j0\ne2e4\n", false, true},
      {"j0c3\n", false, true},
      {"e2e4", false, true},  // no line end: the last character is lost
      {std::string(10000, '1') + "\ne2e4\n", true, false},
  };
  for (const Case& c : cases) {
    CloseBook();
    fs::remove("vorna.hbk");
    fs::remove("open.log");
    Compile(c.text);
    EXPECT_EQ(BookOn, 1);
    NewGame(2);
    const Record r = Find(ReadText("vorna.lbk"), true);
    EXPECT_EQ(r.found && r.move[0] == M("e2e4"), c.e2e4_stored) << c.text.substr(0, 20);
    EXPECT_EQ(fs::exists("open.log"), c.problem) << c.text.substr(0, 20);
    EXPECT_TRUE(PositionIsConsistent());
  }
}

TEST_F(Book, BrokenBookFilesAreLeftAsideWithOneLine) {
  struct Case {
    const char* what;
    std::function<void()> spoil;
    int book_on;
  };
  const Case cases[] = {
      {"truncated", [] { fs::resize_file("vorna.hbk", 1000); }, 0},
      {"oversized", [] { fs::resize_file("vorna.lbk", kLargeBytes + 28); }, 0},
      {"all 0xff", [] { WriteBytes("vorna.lbk", std::string(kLargeBytes, '\xff')); }, 1},
      {"a directory",
       [] {
         fs::remove("vorna.hbk");
         fs::create_directory("vorna.hbk");
       },
       0},
  };
  for (const Case& c : cases) {
    fs::remove_all("vorna.hbk");
    EmptyBook();
    c.spoil();
    const std::string out = CaptureOutput([] { OpenBook(); });
    EXPECT_EQ(BookOn, c.book_on) << c.what;
    if (c.book_on == 0) {
      EXPECT_NE(out.find("book not used\n"), std::string::npos) << c.what << ": " << out;
      EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    }
    CaptureOutput([] { NewGame(2); });
    uint16_t m = 1;
    GetFromBook(&m);
    EXPECT_EQ(m, 0) << c.what;
    CloseBook();
  }
}

TEST_F(Book, TheSizeFileIsTrustedOnlyWithinRange) {
  struct Case {
    const char* text;
    int32_t lbooksz, tbooksz, lbk_hbk;
    bool complaint;
  };
  // lbk_hbk changes only when a third number follows the two sizes.
  const Case cases[] = {
      {"100 200\n5 \n", 100, 200, 5, false},
      {"0 0\n", 8192, 163840, 1, true},
      {"-1 -1\n-1\n", 8192, 163840, 10, true},
      {"2147483647 2147483647\n", 8192, 163840, 1, true},
      {"99999999999999999999 5\n", 8192, 5, 1, true},
      {"eight thousand\n", 8192, 163840, 1, true},
      {"8192", 8192, 163840, 1, true},
      {"16777216 1\n640\n", 16777216, 1, 10, true},
  };
  for (const Case& c : cases) {
    lbooksz = tbooksz = lbk_hbk = 1;
    WriteBytes("vorna.sbk", c.text);
    const std::string out = CaptureOutput([] { OpenBook(); });
    EXPECT_EQ(lbooksz, c.lbooksz) << c.text;
    EXPECT_EQ(tbooksz, c.tbooksz) << c.text;
    EXPECT_EQ(lbk_hbk, c.lbk_hbk) << c.text;
    EXPECT_EQ(out.find("vorna.sbk") != std::string::npos, c.complaint) << c.text << out;
  }
}

TEST_F(Book, WithoutTheMainBookTheExtensionsAreSkipped) {
  WriteBytes("bxx.bok", "e2e4\n");
  WriteBytes("weights.bok", "e2e4\n");
  CaptureOutput([] { OpenBook(); });
  EXPECT_EQ(BookOn, 0);
  EXPECT_FALSE(fs::exists("vorna.hbk"));
  EXPECT_FALSE(fs::exists("vorna.lbk"));
}

TEST_F(Book, WeightsBookCountsDouble) {
  WriteBytes("weights.bok", "d2d4\n");
  const std::string out = Compile("e2e4\n");
  EXPECT_NE(out.find("Bin-Buch-Gewichte -- Moment bitte !\n"), std::string::npos) << out;
  NewGame(2);
  const Record r = Find(ReadText("vorna.lbk"), true);
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.move[1], M("d2d4"));
  EXPECT_EQ(r.weight[1], 2);
}

TEST_F(Book, SwitchAndStatisticsMessages) {
  Compile("e2e4 e7e5\nd2d4\n");
  EXPECT_EQ(CaptureOutput([] { StatBook(); }), "0 von 163840:=0 HZ || 2 von 8192:=3 HZ\n");
  EXPECT_EQ(CaptureOutput([] { SwitchBook(1); }), "book off !\n");
  EXPECT_EQ(BookOn, 0);
  EXPECT_EQ(CaptureOutput([] { SwitchBook(1); }), "book on !\n");
  EXPECT_EQ(BookOn, 1);
  EXPECT_EQ(CaptureOutput([] { SwitchBook(0); }), "Buch aus !\n");
  EXPECT_EQ(CaptureOutput([] { SwitchBook(0); }), "Buch ein !\n");
}

TEST_F(Book, AReadOnlyBookIsUsedButNeverChanged) {
  Compile("e2e4\n");
  CloseBook();
  const std::string before = ReadText("vorna.lbk");
  OpenDataFile = ReadOnlyOpen;
  CaptureOutput([] { OpenBook(); });
  EXPECT_EQ(BookOn, 1);
  EXPECT_EQ(BookReadOnly, 1);
  NewGame(2);
  int index = 0, weight = 0;
  EXPECT_EQ(RepFromBook(&index, &weight), M("e2e4"));
  const char* refusal = "the book files are read-only: the book cannot be changed\n";
  EXPECT_EQ(CaptureOutput([] { InitBook(); }), refusal);
  WriteBytes("more.bok", "d2d4\n");
  EXPECT_EQ(CaptureOutput([] { AddBook("more.bok"); }), refusal);
  EXPECT_EQ(ReadText("vorna.lbk"), before);
  EXPECT_EQ(BookOn, 1);
}

}  // namespace
