#include "egtb/egtb.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "test_util.h"
#include "ui/output.h"

namespace fs = std::filesystem;

namespace {

constexpr int kKqk = 5, kKrk = 4, kKnk = 2, kKpkp = 6, kKppkp = 36;
constexpr size_t kEntry = 8260;

// Writes a table file of n bytes, byte i = fill(i).
template <typename F>
void WriteTable(const fs::path& p, uint32_t n, F fill) {
  std::vector<char> bytes(n);
  for (uint32_t i = 0; i < n; i++) bytes[i] = static_cast<char>(fill(i));
  std::ofstream(p, std::ios::binary).write(bytes.data(), n);
}

void WriteConstant(const fs::path& p, uint32_t n, int8_t b) {
  WriteTable(p, n, [b](uint32_t) { return b; });
}

class Tablebases : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshGame();
    dir_ = FreshTestDir("vorna_egtb");
    // Guard bytes on both sides of the cache catch writes outside it.
    memory_.assign(kGuard + kCacheBytes + kGuard, 0x5a);
    ASSERT_TRUE(FTbSetCacheSize(memory_.data() + kGuard, kCacheBytes));
  }
  void TearDown() override {
    for (size_t i = 0; i < kGuard; i++) {
      ASSERT_EQ(memory_[i], 0x5a);
      ASSERT_EQ(memory_[kGuard + kCacheBytes + i], 0x5a);
    }
    FTbSetCacheSize(nullptr, 0);
    Register((dir_ / "none").string());  // forget every table
    fs::remove_all(dir_);
  }
  // Registers the tables of dir list, keeping the report out of the log.
  int Register(const std::string& path) {
    int found = 0;
    report_ = CaptureOutput([&] { found = IInitializeTb(path.c_str()); });
    return found;
  }
  std::string Table(const char* name, int side) const {
    return (dir_ / (std::string(name) + (side == 0 ? ".nbw" : ".nbb"))).string();
  }

  static constexpr size_t kGuard = 64;
  static constexpr size_t kCacheBytes = 1 << 20;
  fs::path dir_;
  std::vector<uint8_t> memory_;
  std::string report_;
};

TEST(TablebaseMaterial, CountersOfANameCountEachHalf) {
  int counters[10];
  VSetCounters(counters, "kqrkbn");
  const int expected[10] = {0, 0, 0, 1, 1, 0, 1, 1, 0, 0};
  for (int i = 0; i < 10; i++) EXPECT_EQ(counters[i], expected[i]) << i;
}

TEST_F(Tablebases, RegistrationReportsTheLargestTableAndSetsBothLeaves) {
  EXPECT_EQ(Register(dir_.string()), 0);
  EXPECT_EQ(report_, "found 0 uncompressed and 0 compressed new TBs\n");

  WriteConstant(Table("kqk", 0), 25629, 0);
  WriteConstant(Table("kqk", 1), 28644, 0);
  EXPECT_EQ(Register(dir_.string()), 3);
  EXPECT_EQ(report_, "found 2 uncompressed and 0 compressed new TBs\n");
  int counters[10];
  VSetCounters(counters, "kqk");
  EXPECT_EQ(IDescFindFromCounters(counters), kKqk);
  VSetCounters(counters, "kkq");
  EXPECT_EQ(IDescFindFromCounters(counters), -kKqk);

  WriteConstant(Table("kpkp", 1), 3863492, 0);
  EXPECT_EQ(Register(dir_.string()), 4);
  EXPECT_TRUE(FRegisteredFun(kKpkp, 1));
  EXPECT_FALSE(FRegisteredFun(kKpkp, 0));
}

TEST_F(Tablebases, TheFirstDirectoryOfTheListWinsAndAnEmptyNameIsTheCurrentOne) {
  const fs::path a = dir_ / "a", b = dir_ / "b";
  fs::create_directories(a);
  fs::create_directories(b);
  WriteConstant(a / "knk.nbw", 26282, 1);
  WriteConstant(b / "knk.nbw", 26282, 2);
  WriteConstant(b / "kqk.nbb", 28644, 3);
  for (const char* sep = PathListSeparators(); *sep != '\0'; sep++) {
    const std::string list = a.string() + *sep + b.string();
    EXPECT_EQ(Register(list), 3) << list;
    EXPECT_EQ(report_, "found 2 uncompressed and 0 compressed new TBs\n") << list;
    EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 100), 32641) << list;
    EXPECT_EQ(L_TbtProbeTable(kKqk, 1, 100), 32643) << list;
  }
  const fs::path cwd = fs::current_path();
  fs::current_path(b);
  EXPECT_EQ(Register(a.string() + ","), 3);
  EXPECT_TRUE(FRegisteredFun(kKqk, 1));
  fs::current_path(cwd);
}

TEST_F(Tablebases, DirectoriesAreSkippedWithALine) {
  fs::create_directories(Table("kqk", 1));
  EXPECT_EQ(Register(dir_.string()), 0);
  EXPECT_NE(report_.find("kqk.nbb is not a file, skipped\n"), std::string::npos);
  EXPECT_FALSE(FRegisteredFun(kKqk, 1));
}

TEST_F(Tablebases, AFileOfTheWrongLengthEndsTheProgram) {
  WriteConstant(Table("krk", 0), 27031, 0);
  const std::string path = dir_.string();
  EXPECT_EXIT(
      {
        OutFile = stderr;
        IInitializeTb(path.c_str());
      },
      ::testing::ExitedWithCode(1), "krk.nbw corrupted");

  // An error handler that returns leaves that side out and goes on.
  static int refusals;
  refusals = 0;
  void (*const saved)() = TbRegistrationFailed;
  TbRegistrationFailed = [] { refusals++; };
  WriteConstant(Table("krk", 1), 28644, 0);
  EXPECT_EQ(Register(path), 3);
  TbRegistrationFailed = saved;
  EXPECT_EQ(refusals, 1);
  EXPECT_EQ(report_.find("*** "), report_.rfind("*** "));  // one error line
  EXPECT_NE(report_.find("krk.nbw corrupted\nfound 1 uncompressed and 0 compressed new TBs\n"),
            std::string::npos)
      << report_;
  EXPECT_FALSE(FRegisteredFun(kKrk, 0));
  EXPECT_TRUE(FRegisteredFun(kKrk, 1));
  EXPECT_EQ(TbLength(kKrk, 0), 27030u);
  EXPECT_EQ(L_TbtProbeTable(kKrk, 0, 0), 32767);
}

TEST_F(Tablebases, StoredBytesMapToProbeValues) {
  struct Case {
    int8_t byte;
    int value;
  };
  const Case cases[] = {{0, 0},       {1, 32641},     {126, 32766},   {127, 32767},
                        {-1, -32641}, {-126, -32766}, {-127, -32640}, {-128, 32640}};
  WriteTable(Table("knk", 0), 26282, [&](uint32_t i) { return cases[i % 8].byte; });
  ASSERT_EQ(Register(dir_.string()), 3);
  for (uint32_t i = 0; i < 8; i++)
    EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 20000 + i), cases[(20000 + i) % 8].value) << i;
  // F8: an index past the table gives no value instead of stopping.
  EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 26282), 32767);
  EXPECT_EQ(L_TbtProbeTable(kKnk, 1, 0), 32767);  // side not registered
  EXPECT_EQ(L_TbtProbeTable(0, 0, 0), 32767);
  EXPECT_EQ(L_TbtProbeTable(111, 0, 0), 32767);
}

TEST_F(Tablebases, SevenKppkpPositionsAreLossesWithoutAFile) {
  for (uint32_t index :
       {56811076u, 56802428u, 56858640u, 56849992u, 67775659u, 59592489u, 71071628u})
    EXPECT_EQ(L_TbtProbeTable(kKppkp, 1, index), -32639) << index;
  EXPECT_EQ(L_TbtProbeTable(kKppkp, 1, 56811077u), 32767);
  EXPECT_EQ(L_TbtProbeTable(kKppkp, 0, 56811076u), 32767);
}

TEST_F(Tablebases, ProbeScoresCountPliesFromTheRootAndExchangeColours) {
  // Every white-to-move kqk position a mate in one, every black-to-move
  // one mated now; 127 in knk means no value.
  WriteConstant(Table("kqk", 0), 25629, 126);
  WriteConstant(Table("kqk", 1), 28644, -126);
  WriteConstant(Table("knk", 0), 26282, 127);
  ASSERT_EQ(Register(dir_.string()), 3);
  struct Case {
    const char* fen;
    int side;
    int ply;
    int found;
    int32_t score;
  };
  const Case cases[] = {
      {"8/8/8/8/8/2k5/8/K6Q w - - 0 1", 0, 1, 1, 9998},   // the queen's side to move
      {"8/8/8/8/8/2k5/8/K6Q b - - 0 1", 1, 3, 1, -9997},  // the bare king to move
      {"8/8/8/8/8/2K5/8/k6q b - - 0 1", 1, 1, 1, 9998},   // colours exchanged
      {"8/8/8/8/8/2K5/8/k6q w - - 0 1", 0, 3, 1, -9997},
      {"8/8/8/8/8/2k5/8/K6N w - - 0 1", 0, 1, 0, 0},   // stored 127
      {"8/8/8/8/8/2k5/8/K6R w - - 0 1", 0, 1, 0, 0},   // no krk file
      {"7k/8/8/8/8/8/8/KQQQ4 w - - 0 1", 0, 1, 0, 0},  // no such table
  };
  for (const Case& c : cases) {
    SetFen(c.fen);
    int32_t score = 0;
    EXPECT_EQ(nEGTBProbe(c.ply, c.side, &score), c.found) << c.fen;
    if (c.found) {
      EXPECT_EQ(score, c.score) << c.fen;
    }
  }
}

TEST_F(Tablebases, AMegabyteHolds126BlocksAndTheNextEvictsTheLeastRecentlyUsed) {
  EXPECT_EQ(kCacheBytes / kEntry, 126u);
  const std::string path = Table("kpkp", 0);
  WriteTable(path, 3863492, [](uint32_t i) { return static_cast<int8_t>((i >> 13) % 100 + 1); });
  ASSERT_EQ(Register(dir_.string()), 4);
  auto block = [](uint32_t k) { return L_TbtProbeTable(kKpkp, 0, k * 8192 + 5); };
  for (uint32_t k = 0; k < 126; k++) ASSERT_EQ(block(k), 32641 + static_cast<int>(k % 100));
  ASSERT_EQ(block(0), 32641);  // block 0 is the most recent now, block 1 the least
  ASSERT_EQ(block(126), 32641 + 26);

  // New contents on disk show only where a block is read again.
  WriteConstant(path, 3863492, 0);
  EXPECT_EQ(block(0), 32641);
  EXPECT_EQ(block(2), 32643);
  EXPECT_EQ(block(125), 32641 + 25);
  EXPECT_EQ(block(126), 32641 + 26);
  EXPECT_EQ(block(1), 0);
}

TEST_F(Tablebases, SmallCachesHoldNothingAndWriteNothing) {
  WriteConstant(Table("knk", 0), 26282, 5);
  ASSERT_EQ(Register(dir_.string()), 3);
  EXPECT_FALSE(FTbSetCacheSize(memory_.data() + kGuard, 31));
  EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 0), 32767);
  EXPECT_TRUE(FTbSetCacheSize(memory_.data() + kGuard, kEntry - 1));
  EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 0), 32767);
  EXPECT_TRUE(FTbSetCacheSize(memory_.data() + kGuard, kEntry));
  EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 0), 32645);
  EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 9000), 32645);  // evicts the only entry
  EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 26281), 32645);
}

TEST_F(Tablebases, AFileThatBreaksAfterRegistrationDropsOnlyThatSide) {
  struct Case {
    const char* what;
    void (*damage)(const std::string& path);
  };
  const Case cases[] = {
      {"truncated", [](const std::string& p) { fs::resize_file(p, 9000); }},
      {"removed", [](const std::string& p) { fs::remove(p); }},
      {"replaced by a directory",
       [](const std::string& p) {
         fs::remove(p);
         fs::create_directories(p);
       }},
  };
  for (const Case& c : cases) {
    fs::remove_all(Table("knk", 0));
    WriteConstant(Table("knk", 0), 26282, 3);
    WriteConstant(Table("knk", 1), 28644, 4);
    ASSERT_EQ(Register(dir_.string()), 3);
    VTbCloseFiles();
    c.damage(Table("knk", 0));
    std::string out = CaptureOutput([] { EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 20000), 32767); });
    EXPECT_NE(out.find("knk.nbw, table dropped"), std::string::npos) << c.what;
    EXPECT_FALSE(FRegisteredFun(kKnk, 0)) << c.what;
    EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 0), 32767) << c.what;
    EXPECT_EQ(L_TbtProbeTable(kKnk, 1, 0), 32644) << c.what;
  }
}

TEST_F(Tablebases, RegisteringAgainDropsTheBlocksCachedBefore) {
  // Two entries, both holding blocks of the first registration's tables.
  ASSERT_TRUE(FTbSetCacheSize(memory_.data() + kGuard, 2 * kEntry));
  WriteConstant(Table("knk", 0), 26282, 3);
  WriteConstant(Table("kqk", 0), 25629, 5);
  ASSERT_EQ(Register(dir_.string()), 3);
  ASSERT_EQ(L_TbtProbeTable(kKnk, 0, 0), 32643);
  ASSERT_EQ(L_TbtProbeTable(kKnk, 0, 8192), 32643);

  // New contents under the same name are read afresh. (The files are
  // closed first, the cache kept: Windows replaces no open file.)
  VTbCloseFiles();
  WriteConstant(Table("knk", 0), 26282, 4);
  ASSERT_EQ(Register(dir_.string()), 3);
  const char* why = nullptr;
  EXPECT_TRUE(TbCacheIsConsistent(&why)) << why;
  EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 8192), 32644);
  EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 0), 32644);

  // A table that is gone leaves nothing in the cache to evict.
  VTbCloseFiles();
  fs::remove(Table("knk", 0));
  ASSERT_EQ(Register(dir_.string()), 3);
  EXPECT_TRUE(TbCacheIsConsistent(&why)) << why;
  EXPECT_EQ(L_TbtProbeTable(kKqk, 0, 0), 32645);
  EXPECT_EQ(L_TbtProbeTable(kKqk, 0, 8192), 32645);
  EXPECT_EQ(L_TbtProbeTable(kKqk, 0, 16384), 32645);
  EXPECT_TRUE(TbCacheIsConsistent(&why)) << why;
}

}  // namespace
