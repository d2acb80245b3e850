#include "book/learn.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/board.h"
#include "core/datafile.h"
#include "core/makemove.h"
#include "core/startup.h"
#include "core/vorna.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/treesearch.h"
#include "test_util.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/input.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr uint32_t kE2E4 = (12u << 8) | 28u;
constexpr long kBlackTable = 2 + 16384L * 20;

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& p, const Bytes& b) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// A record as the file holds it, little-endian.
Bytes Record(uint32_t key, int32_t score, uint16_t session, uint32_t move, uint8_t flag,
             uint8_t depth) {
  Bytes r(20, 0);
  for (int i = 0; i < 4; i++) {
    r[i] = static_cast<uint8_t>(key >> (8 * i));
    r[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(score) >> (8 * i));
    r[12 + i] = static_cast<uint8_t>(move >> (8 * i));
  }
  r[8] = static_cast<uint8_t>(session);
  r[9] = static_cast<uint8_t>(session >> 8);
  r[16] = flag;
  r[17] = depth;
  return r;
}

int UsedEntries() {
  int n = 0;
  for (const auto& side : ltable)
    for (const LearnEntry& e : side) n += e.key != 0;
  return n;
}

// Every test gets a program directory of its own and an empty table.
class Learning : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = FreshTestDir("vorna_learn");
    snprintf(vornapath, sizeof vornapath, "%s", (dir_ / "").string().c_str());
    memset(ltable, 0, sizeof ltable);
    SessionNumber = 0;
    LearnFlag = 1;
    FileFault = nullptr;
    SetFen(kStart);
  }
  void TearDown() override {
    FileFault = nullptr;
    OpenDataFile = std::fopen;
    memset(ltable, 0, sizeof ltable);
    SessionNumber = 0;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  fs::path File() const { return dir_ / "vorna.lrn"; }
  // Loads the file and returns what the engine said.
  std::string Load() { return CaptureOutput(InitLearn); }
  std::string Save() { return CaptureOutput(CloseLearn); }
  // The position's key words, chosen by the test.
  static void At(uint32_t key, uint32_t bd) {
    hashkey = key;
    hashbd = bd;
  }
  // As in the search, the node's moves are generated at ply.
  int Probe(int side, int depth, int32_t* alpha, int32_t* beta, int32_t* score, int ply) {
    for (int p = 1; p <= ply; p++) TrPnt[p] = Tree;
    return ProbeLearn(side, depth, alpha, beta, score, ply);
  }

  fs::path dir_;
  SavedGlobals saved_{vornapath, LearnFlag, learn};
};

TEST_F(Learning, FirstRunCreatesAnEmptyFileAndTheFirstSaveCountsSessionOne) {
  At(7, 0xabcd);
  PutInLearn(white, 5, 30, -100, 100, kE2E4, 1);  // made before the file exists
  EXPECT_EQ(Load(), "");
  EXPECT_EQ(LearnFlag, 1);
  EXPECT_EQ(SessionNumber, 0);
  EXPECT_EQ(std::string(LearnPath), (dir_ / "vorna.lrn").string());
  const Bytes fresh = ReadBytes(File());
  ASSERT_EQ(fresh.size(), 655362u);
  EXPECT_EQ(std::count(fresh.begin(), fresh.end(), 0), 655362);
  // The new file is not read back: the table keeps what it held.
  EXPECT_EQ(ltable[white][7].key, 0xabcdu);

  EXPECT_EQ(Save(), "");
  EXPECT_EQ(LearnFlag, 0);
  const Bytes saved = ReadBytes(File());
  ASSERT_EQ(saved.size(), 655362u);
  EXPECT_EQ(saved[0], 1);
  EXPECT_EQ(saved[1], 0);
  EXPECT_EQ(SessionNumber, 1);
}

TEST_F(Learning, FileLayoutFieldByField) {
  ASSERT_EQ(Load(), "");
  SessionNumber = 0x0203;
  At(5, 0x11223344);
  const uint32_t capture = kE2E4 | (static_cast<uint32_t>(MF_CAPTURE) << 16);
  PutInLearn(black, 7, -1234, -2000, 2000, capture, 2);
  At(0x3fff, 0x55667788);
  PutInLearn(white, 3, 250, 100, 200, kE2E4, 3);  // a lower bound in the last slot
  ASSERT_EQ(Save(), "");

  const Bytes b = ReadBytes(File());
  ASSERT_EQ(b.size(), 655362u);
  EXPECT_EQ(b[0], 0x04);  // session counter advanced by the save
  EXPECT_EQ(b[1], 0x02);
  const Bytes black_rec(b.begin() + kBlackTable + 5 * 20, b.begin() + kBlackTable + 6 * 20);
  const Bytes want_black = {0x44, 0x33, 0x22, 0x11, 0x2e, 0xfb, 0xff, 0xff, 0x03, 0x02,
                            0x00, 0x00, 0x1c, 0x0c, 0x00, 0x02, 0x01, 0x07, 0x00, 0x00};
  EXPECT_EQ(black_rec, want_black);
  const Bytes white_rec(b.begin() + 2 + 0x3fff * 20, b.begin() + 2 + 0x4000 * 20);
  EXPECT_EQ(white_rec, Record(0x55667788, 250, 0x0203, kE2E4, 2, 3));
  EXPECT_EQ(std::count(b.begin() + 2, b.end(), 0), 655360 - 26);  // nothing else written

  // Read back into a cleared table.
  memset(ltable, 0, sizeof ltable);
  SessionNumber = 0;
  ASSERT_EQ(Load(), "");
  EXPECT_EQ(SessionNumber, 0x0204);
  const LearnEntry& e = ltable[black][5];
  EXPECT_EQ(std::tuple(e.key, e.score, e.session, e.move, e.flag, e.depth),
            std::tuple(0x11223344u, -1234, uint16_t{0x0203}, capture, uint8_t{1}, uint8_t{7}));
  EXPECT_EQ(UsedEntries(), 2);
}

TEST_F(Learning, StoredFlagFollowsTheWindow) {
  struct Case {
    int32_t score, alpha, beta;
    uint8_t flag;
  };
  const Case cases[] = {
      {50, 0, 100, 1}, {100, 0, 100, 2}, {150, 0, 100, 2}, {0, 0, 100, 4}, {-40, 0, 100, 4}};
  for (const Case& c : cases) {
    memset(ltable, 0, sizeof ltable);
    At(100, 0x77);
    PutInLearn(white, 4, c.score, c.alpha, c.beta, kE2E4, 2);
    EXPECT_EQ(ltable[white][100].flag, c.flag) << c.score;
    EXPECT_EQ(ltable[white][100].score, c.score);
    EXPECT_EQ(ltable[white][100].depth, 4);
  }
}

TEST_F(Learning, OwnEntryGivesWayToDeeperOrSharperResults) {
  struct Case {
    uint8_t old_depth, old_flag;
    int new_depth;
    int32_t new_score;
    bool replaced;
  };
  // The new result is searched with the window -100..100.
  const Case cases[] = {
      {5, 1, 6, 10, true},    {5, 1, 5, 10, false}, {5, 2, 5, 10, true},    {5, 4, 5, 10, true},
      {5, 2, 5, -100, false}, {5, 4, 4, 10, false}, {45, 1, 44, 10, false}, {45, 1, 46, 10, true},
  };
  for (const Case& c : cases) {
    memset(ltable, 0, sizeof ltable);
    At(200, 0x99);
    ltable[white][200] = LearnEntry{0x99, 77, 0, 0, kE2E4, c.old_flag, c.old_depth, 0};
    PutInLearn(white, c.new_depth, c.new_score, -100, 100, kE2E4, 2);
    const bool replaced = ltable[white][200].score != 77;
    EXPECT_EQ(replaced, c.replaced) << int(c.old_depth) << "/" << int(c.old_flag) << " by "
                                    << c.new_depth << "/" << c.new_score;
    EXPECT_EQ(ltable[white][201].key, 0u);  // never a second entry
  }
}

TEST_F(Learning, ExactEntryAnswersShallowerProbesOnly) {
  At(300, 0x1234);
  PutInLearn(white, 5, 42, -50, 50, kE2E4, 2);
  const int want[] = {1, 1, 1, 0};
  for (int depth = 3; depth <= 6; depth++) {
    int32_t alpha = -50, beta = 50, score = 0;
    PV = 0;
    EXPECT_EQ(Probe(white, depth, &alpha, &beta, &score, 2), want[depth - 3]) << depth;
    if (want[depth - 3]) {
      EXPECT_EQ(score, 42);
      EXPECT_EQ(PV, kE2E4);
    }
    EXPECT_EQ(alpha, -50);
    EXPECT_EQ(beta, 50);
  }
}

TEST_F(Learning, BoundsNarrowTheWindowOnlyWhenTheyCut) {
  struct Case {
    int32_t entry_score, alpha_in, beta_in;
    uint8_t flag;
    int result;
    int32_t alpha_out, beta_out;
    uint16_t pv;
  };
  const Case cases[] = {
      {50, 40, 100, 2, 2, 50, 100, static_cast<uint16_t>(kE2E4)},
      {50, 50, 100, 2, 0, 50, 100, 0x1111},
      {50, 0, 60, 4, 4, 0, 50, 0},
      {50, 0, 50, 4, 0, 0, 50, 0x1111},
  };
  for (const Case& c : cases) {
    memset(ltable, 0, sizeof ltable);
    At(400, 0x4444);
    ltable[white][400] = LearnEntry{0x4444, c.entry_score, 0, 0, kE2E4, c.flag, 6, 0};
    int32_t alpha = c.alpha_in, beta = c.beta_in, score = -1;
    PV = 0x1111;
    EXPECT_EQ(Probe(white, 6, &alpha, &beta, &score, 2), c.result);
    EXPECT_EQ(alpha, c.alpha_out);
    EXPECT_EQ(beta, c.beta_out);
    EXPECT_EQ(PV, c.pv);
    EXPECT_EQ(score, -1);
  }
}

// A mate five plies from the root found at ply 3 is stored as mate two
// plies from the node, its depth raised by 40; met again at ply 2 it is four
// plies from the root. A loss keeps no move, and so never answers.
TEST_F(Learning, MateScoresAreKeptRelativeToTheNode) {
  for (int sign : {1, -1}) {
    SCOPED_TRACE(sign);
    memset(ltable, 0, sizeof ltable);
    At(500, 0x5555);
    PutInLearn(white, 5, sign * 9995, -100, 100, kE2E4, 3);
    const LearnEntry& e = ltable[white][500];
    EXPECT_EQ(std::tuple(e.score, e.depth, e.flag, e.move),
              std::tuple(sign * 9998, uint8_t{45}, uint8_t{1}, sign > 0 ? kE2E4 : 0u));
    int32_t alpha = -100, beta = 100, score = 0;
    // Any sane depth accepts the win.
    EXPECT_EQ(Probe(white, sign > 0 ? 20 : 1, &alpha, &beta, &score, 2), sign > 0 ? 1 : 0);
    if (sign > 0) {
      EXPECT_EQ(score, 9996);
    }
  }
}

TEST_F(Learning, MoveMustStillFitTheBoard) {
  struct Case {
    const char* fen;
    int result;
  };
  const Case cases[] = {
      {kStart, 1},
      // e2 now holds a black man.
      {"rnbqkbnr/pppp1ppp/8/8/8/8/PPPPpPPP/RNBQKBNR w KQkq - 0 1", 0},
      // e4 holds a white man.
      {"rnbqkbnr/pppppppp/8/8/4N3/8/PPPPPPPP/R1BQKBNR w KQkq - 0 1", 0},
      // e2 is empty.
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1", 0},
  };
  for (const Case& c : cases) {
    SetFen(c.fen);
    memset(ltable, 0, sizeof ltable);
    At(700, 0x7777);
    PutInLearn(white, 5, 20, -50, 50, kE2E4, 2);
    int32_t alpha = -50, beta = 50, score = 0;
    EXPECT_EQ(Probe(white, 5, &alpha, &beta, &score, 2), c.result) << c.fen;
    // The other side's table never holds it.
    EXPECT_EQ(Probe(black, 5, &alpha, &beta, &score, 2), 0);
  }
}

// The colour test alone let these through: a record read from the file for
// the position, under its own key and home slot, whose move the men on the
// board cannot make. The first is the fuzzer's find: the root of a search
// after 1. e4 with its move spoilt from e7e5 to a8e5.
TEST_F(Learning, AMoveThatIsNotLegalHereNeverAnswers) {
  struct Case {
    const char* fen;
    const char* move;
    Bytes record;  // key and move are put in
    int result;
  };
  const Bytes found = {0x7a, 0x19, 0x09, 0xad, 0xe6, 0xff, 0xff, 0xff, 0x00, 0x00,
                       0x00, 0x00, 0x24, 0x38, 0x00, 0x00, 0x02, 0x09, 0x5d, 0x00};
  const Bytes exact = Record(0, 30, 0, 0, 1, 5);
  const char* after_e4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
  const Case cases[] = {
      {after_e4, "a8e5", found, 0},  // through its own pawns
      {after_e4, "e7e5", found, 2},
      {kStart, "g1g3", exact, 0},  // no knight's move
      {kStart, "e2e5", exact, 0},  // three squares
      {kStart, "e2e4", exact, 1},
      {"4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1", "e2c3", exact, 0},  // pinned
      {"4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1", "e1d1", exact, 1},
      {"4k3/8/8/8/8/8/r7/4K3 w - - 0 1", "e1e2", exact, 0},  // into the rook's rank
      {"4k3/8/8/8/8/8/r7/4K3 w - - 0 1", "e1f1", exact, 1},
      {"4k3/8/8/KPp4r/8/8/8/8 w - c6 0 1", "b5c6", exact, 0},  // en passant opens the rank
      {"4k3/8/8/1Pp5/8/8/8/4K3 w - c6 0 1", "b5c6", exact, 1},
      {"r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", "e1g1", exact, 0},  // through check
      {"r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", "e1c1", exact, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fen) + " " + c.move);
    SetFen(c.fen);
    const int side = strchr(c.fen, ' ')[1] == 'w' ? white : black;
    const uint32_t move = static_cast<uint32_t>(Sq(c.move) << 8 | Sq(c.move + 2));
    Bytes record = c.record;
    for (int i = 0; i < 4; i++) {
      record[i] = static_cast<uint8_t>(hashbd >> (8 * i));
      record[12 + i] = static_cast<uint8_t>(move >> (8 * i));
    }
    Bytes file(655362, 0);
    std::copy(record.begin(), record.end(),
              file.begin() + 2 + (side * 16384L + (hashkey & 0x3fff)) * 20);
    WriteBytes(File(), file);
    ASSERT_EQ(Load(), "");
    const std::string fen = CurrentFen();
    int32_t alpha = -50, beta = 50, score = 77;
    PV = 0x1111;
    EXPECT_EQ(Probe(side, 5, &alpha, &beta, &score, 2), c.result);
    if (c.result == 0) {
      EXPECT_EQ(std::tuple(alpha, beta, score, PV), std::tuple(-50, 50, 77, uint16_t{0x1111}));
    } else {
      EXPECT_EQ(PV, move);
    }
    EXPECT_EQ(CurrentFen(), fen);
    EXPECT_TRUE(PositionIsConsistent());
  }
}

TEST_F(Learning, SlotsWrapAroundAndProbesStopBeforeTheFifth) {
  SessionNumber = 10;
  // Four other young positions in slots 0 to 3, wrapping at the table's end.
  for (uint32_t i = 0; i < 4; i++)
    ltable[white][(0x3ffe + i) & 0x3fff] = LearnEntry{0x100 + i, 0, 10, 0, kE2E4, 1, 3, 0};
  At(0x3ffe, 0x8888);
  PutInLearn(white, 5, 20, -50, 50, kE2E4, 2);
  EXPECT_EQ(ltable[white][2].key, 0x8888u);  // slot 4
  int32_t alpha = -50, beta = 50, score = 0;
  EXPECT_EQ(Probe(white, 5, &alpha, &beta, &score, 2), 0);

  // All five held by younger positions: nothing is stored.
  ltable[white][2].key = 0x104;
  PutInLearn(white, 5, 20, -50, 50, kE2E4, 2);
  EXPECT_EQ(UsedEntries(), 5);
  EXPECT_EQ(ltable[white][3].key, 0u);

  // An empty slot does not stop a probe.
  ltable[white][0x3fff] = LearnEntry{};
  ltable[white][1] = LearnEntry{0x8888, 20, 10, 0, kE2E4, 1, 5, 0};
  EXPECT_EQ(Probe(white, 5, &alpha, &beta, &score, 2), 1);
}

TEST_F(Learning, StaleEntryIsTakenBeforeAnEmptySlotFurtherOn) {
  struct Case {
    uint16_t now;
    int slot_taken;
  };
  const Case cases[] = {{2049, 0}, {2048, 1}, {60000, 0}};
  for (const Case& c : cases) {
    memset(ltable, 0, sizeof ltable);
    SessionNumber = c.now;
    ltable[black][900] = LearnEntry{0x1, 5, 0, 0, kE2E4, 1, 9, 0};  // written in session 0
    At(900, 0x9999);
    PutInLearn(black, 2, 20, -50, 50, kE2E4, 2);
    EXPECT_EQ(ltable[black][900 + c.slot_taken].key, 0x9999u) << c.now;
    EXPECT_EQ(ltable[black][900 + c.slot_taken].session, c.now);
  }
}

TEST_F(Learning, SessionCounterStopsAtSixtyThousand) {
  const uint16_t before[] = {0, 59999, 60000};
  const uint16_t after[] = {1, 60000, 60000};
  ASSERT_EQ(Load(), "");
  for (int i = 0; i < 3; i++) {
    LearnFlag = 1;
    SessionNumber = before[i];
    ASSERT_EQ(Save(), "");
    SessionNumber = 7;
    ASSERT_EQ(Load(), "");
    EXPECT_EQ(SessionNumber, after[i]);
  }
}

TEST_F(Learning, SwitchSavesAndReloads) {
  ASSERT_EQ(Load(), "");
  At(1000, 0xaaaa);
  PutInLearn(white, 6, 15, -50, 50, kE2E4, 2);
  SwitchLearn();
  EXPECT_EQ(LearnFlag, 0);
  memset(ltable, 0, sizeof ltable);
  SwitchLearn();
  EXPECT_EQ(LearnFlag, 1);
  EXPECT_EQ(SessionNumber, 1);
  EXPECT_EQ(ltable[white][1000].key, 0xaaaau);
  // Saving while off changes nothing.
  LearnFlag = 0;
  SessionNumber = 9;
  CloseLearn();
  EXPECT_EQ(ReadBytes(File())[0], 1);
}

TEST_F(Learning, BrokenFilesGiveAFreshTable) {
  std::mt19937 rng(12);
  Bytes noise(655362);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(rng());
  noise[0] = 0xff;  // session 65535: no save ever wrote it
  noise[1] = 0xff;
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"empty", Bytes()},
      {"truncated", Bytes(1000, 0)},
      {"one byte short", Bytes(655361, 0)},
      {"one byte long", Bytes(655363, 0)},
      {"random bytes", noise},
  };
  for (const Case& c : cases) {
    WriteBytes(File(), c.bytes);
    memset(ltable, 0xff, sizeof ltable);
    SessionNumber = 5;
    EXPECT_EQ(Load(), "Learning file " + File().string() + " is broken: starting a fresh table\n")
        << c.what;
    EXPECT_EQ(LearnFlag, 1);
    EXPECT_EQ(SessionNumber, 0);
    EXPECT_EQ(UsedEntries(), 0) << c.what;
    // The next save mends the file.
    ASSERT_EQ(Save(), "");
    EXPECT_EQ(ReadBytes(File()).size(), 655362u);
    EXPECT_EQ(Load(), "");
  }
}

TEST_F(Learning, UnsoundEntriesAreIgnored) {
  Bytes file(655362, 0);
  const auto put = [&](long slot, const Bytes& r) {
    std::copy(r.begin(), r.end(), file.begin() + 2 + slot * 20);
  };
  put(10, Record(0x10, 30, 0, kE2E4, 1, 5));              // sound
  put(11, Record(0x11, 30, 0, (64u << 8) | 28u, 1, 5));   // from-square off the board
  put(12, Record(0x12, 30, 0, (12u << 8) | 200u, 1, 5));  // to-square off the board
  put(13, Record(0x13, 10001, 0, kE2E4, 1, 5));           // beyond any mate
  put(14, Record(0x14, -10001, 0, kE2E4, 1, 5));
  put(15, Record(0x15, 30, 0, kE2E4, 3, 5));              // unknown flag
  put(16384 + 20, Record(0x20, -10000, 0, kE2E4, 4, 5));  // sound, black's table
  WriteBytes(File(), file);
  EXPECT_EQ(Load(), "Learning file " + File().string() + ": 5 broken entries ignored\n");
  EXPECT_EQ(LearnFlag, 1);
  EXPECT_EQ(UsedEntries(), 2);
  EXPECT_EQ(ltable[white][10].key, 0x10u);
  EXPECT_EQ(ltable[black][20].key, 0x20u);

  // Noise behind a plausible session counter: what is kept is sound.
  std::mt19937 rng(34);
  for (uint8_t& b : file) b = static_cast<uint8_t>(rng());
  file[0] = 0x10;
  file[1] = 0x00;
  WriteBytes(File(), file);
  const std::string said = Load();
  EXPECT_EQ(said.rfind("Learning file " + File().string() + ": ", 0), 0u) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
  for (const auto& side : ltable)
    for (const LearnEntry& e : side)
      if (e.key != 0) {
        EXPECT_LT(e.move & 0xff, 64u);
        EXPECT_LT((e.move >> 8) & 0xff, 64u);
        EXPECT_LE(std::abs(e.score), 10000);
        EXPECT_TRUE(e.flag == 1 || e.flag == 2 || e.flag == 4);
      }

  // Nor does a probe use one that reaches the table some other way.
  SetFen(kStart);
  At(30, 0x30);
  ltable[white][30] = LearnEntry{0x30, 20, 0, 0, (70u << 8) | 28u, 1, 5, 0};
  int32_t alpha = -50, beta = 50, score = 0;
  EXPECT_EQ(Probe(white, 5, &alpha, &beta, &score, 2), 0);
  // And a store never writes a score no search can give.
  At(40, 0x40);
  PutInLearn(white, 5, -12000, -12000, 12000, kE2E4, 1);
  EXPECT_EQ(ltable[white][40].key, 0u);
}

TEST_F(Learning, ReadOnlyFileTurnsLearningOff) {
  WriteBytes(File(), Bytes(655362, 0));
  OpenDataFile = ReadOnlyOpen;
  EXPECT_EQ(Load(), "Learning file " + File().string() + " is read-only: learning is off\n");
  EXPECT_EQ(LearnFlag, 0);
}

TEST_F(Learning, FileThatCannotBeCreatedTurnsLearningOff) {
  fs::remove_all(dir_);
  EXPECT_EQ(Load(), "Learning file " + File().string() + " cannot be created: learning is off\n");
  EXPECT_EQ(LearnFlag, 0);
  fs::create_directories(dir_);
}

TEST_F(Learning, FailedSaveKeepsTheOldFileAndLearningOn) {
  ASSERT_EQ(Load(), "");
  At(50, 0x50);
  PutInLearn(white, 4, 10, -50, 50, kE2E4, 2);
  ASSERT_EQ(Save(), "");
  const Bytes old = ReadBytes(File());
  LearnFlag = 1;
  PutInLearn(white, 8, 10, -50, 50, kE2E4, 2);

  // A full disk halfway through the file, and a directory gone.
  static long written;
  written = 0;
  FileFault = [](FileStep step, const char*, long n) -> long {
    if (step != FileStep::kWrite) return 0;
    written += n;
    return written >= 300000 ? 0 : n;
  };
  const std::string said =
      "Learning file " + File().string() + " could not be saved: learning stays on\n";
  EXPECT_EQ(Save(), said);
  FileFault = nullptr;
  EXPECT_EQ(LearnFlag, 1);
  EXPECT_EQ(SessionNumber, 1);
  EXPECT_EQ(ReadBytes(File()), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  fs::remove_all(dir_);
  EXPECT_EQ(Save(), said);
  EXPECT_EQ(LearnFlag, 1);
  fs::create_directories(dir_);
  EXPECT_EQ(Save(), "");
  EXPECT_EQ(LearnFlag, 0);
  EXPECT_EQ(ReadBytes(File())[0], 2);
}

TEST_F(Learning, KilledDuringTheSaveLeavesTheOldFileWhole) {
  ASSERT_EQ(Load(), "");
  At(60, 0x60);
  PutInLearn(white, 4, 10, -50, 50, kE2E4, 2);
  ASSERT_EQ(Save(), "");
  const Bytes old = ReadBytes(File());
  const long points[] = {22, 327682, 655342};
  for (long point : points) {
    static long kill_at, written;
    kill_at = point;
    written = 0;
    LearnFlag = 1;
    At(61, 0x61);
    PutInLearn(white, 4, 10, -50, 50, kE2E4, 2);
    EXPECT_EXIT(
        {
          FileFault = [](FileStep step, const char*, long n) -> long {
            if (step == FileStep::kWrite && (written += n) >= kill_at)
              std::_Exit(9);  // no clean-up, as under kill -9
            return step == FileStep::kWrite ? n : 0;
          };
          CloseLearn();
        },
        ::testing::ExitedWithCode(9), "");
    EXPECT_EQ(ReadBytes(File()), old) << point;
    memset(ltable, 0, sizeof ltable);
    EXPECT_EQ(Load(), "");
    EXPECT_EQ(SessionNumber, 1);
    EXPECT_EQ(ltable[white][60].key, 0x60u);
    EXPECT_EQ(ltable[white][61].key, 0u);
  }
}

// The search driver turns learning on for a search only early in a game under
// a clock, and only while the table is loaded.
class LearnSwitch : public Learning {
 protected:
  void TearDown() override {
    TCflag = 1;
    Learning::TearDown();
  }
  // Searches fen to depth 4 with the given control; returns `learn` as the
  // search left it.
  int Search(const char* fen, int tcflag, int game_moves = 0) {
    SetFen(fen);
    GameCnt = Game50 = static_cast<int16_t>(game_moves);
    TCmoves = 40;
    TCminutes = 60;
    TCseconds = 30;
    TCflag = static_cast<int16_t>(tcflag);
    SetTimeControl();
    TCflag = static_cast<int16_t>(tcflag);
    MaxSearchDepth = 4;
    ics_book = 0;
    lookahead = 0;
    puzzling = 1;
    computer = player;
    opponent = 1 - player;
    learn = 1;
    CaptureOutput([] { SelectMove(player); });
    puzzling = 0;
    return learn;
  }
  InputPipe input_;  // no input arrives during the search
};

TEST_F(LearnSwitch, OnlyEarlyInTimedGamesWithTheTableLoaded) {
  const char* const middlegame =
      "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8";
  const char* const endgame = "8/5pk1/6p1/8/3R4/6PP/5PK1/1r6 w - - 0 40";
  struct Case {
    const char* what;
    const char* fen;
    int tcflag, game_moves, learn_flag, learn;
  };
  const Case cases[] = {
      {"moves in a time", middlegame, 1, 0, 1, 1},
      {"whole game in a time", middlegame, 2, 70, 1, 1},
      {"fixed time per move", middlegame, 0, 0, 1, 0},
      {"after 70 half-moves", middlegame, 1, 71, 1, 0},
      {"few pieces left", endgame, 1, 0, 1, 0},
      {"switched off", middlegame, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    memset(ltable, 0, sizeof ltable);
    LearnFlag = c.learn_flag;
    EXPECT_EQ(Search(c.fen, c.tcflag, c.game_moves), c.learn) << c.what;
    // The root of a search of depth 4 stores its result when learning is on.
    EXPECT_EQ(UsedEntries() > 0, c.learn == 1) << c.what;
    if (c.fen == endgame) {
      EXPECT_GT(istage, 6);
    }
  }
}

}  // namespace
