#include "ui/config.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "core/startup.h"
#include "egtb/egtb.h"
#include "test_util.h"

namespace fs = std::filesystem;

namespace {

// Every test reads a vorna.ics of its own from a program directory of its
// own; the settings go back to what they were afterwards.
class ConfigFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = FreshTestDir("vorna_config");
    snprintf(vornapath, sizeof vornapath, "%s", (dir_ / "").string().c_str());
  }
  void TearDown() override {
    FreeTbCache();
    fs::remove_all(dir_);
  }
  // Writes the file, reads it, returns what the engine printed.
  std::string Read(const std::string& text) {
    WriteBytes(dir_ / "vorna.ics", text);
    return CaptureOutput(ReadInitFile);
  }

  fs::path dir_;
  SavedGlobals saved_{ics_maxhash,   ics_ponder,   ics_draw,  ics_show_ponder, ics_beep,
                      ics_selective, ResignOption, info,      ics_book,        tb_path,
                      tb_cache,      tb_access,    vornapath, TbCacheAlloc};
};

// The settings a file can change, with their defaults.
struct Settings {
  int32_t maxhash = 12, ponder = 1, draw = 0, show_ponder = 0, beep = 0, selective = 1, resign = 0,
          book = 1;
  const char* info = "";
};

struct FileCase {
  const char* name;
  std::string text;
  Settings want;
};

void ExpectSettings(const Settings& w) {
  EXPECT_EQ(ics_maxhash, w.maxhash);
  EXPECT_EQ(ics_ponder, w.ponder);
  EXPECT_EQ(ics_draw, w.draw);
  EXPECT_EQ(ics_show_ponder, w.show_ponder);
  EXPECT_EQ(ics_beep, w.beep);
  EXPECT_EQ(ics_selective, w.selective);
  EXPECT_EQ(ResignOption, w.resign);
  EXPECT_EQ(ics_book, w.book);
  EXPECT_STREQ(info, w.info);
  EXPECT_STREQ(tb_path, "");
}

void Defaults() {
  ics_maxhash = 12;
  ics_ponder = ics_selective = ics_book = 1;
  ics_draw = ics_show_ponder = ics_beep = ResignOption = 0;
  info[0] = '\0';
  tb_path[0] = '\0';
  tb_cache = 0;
}

TEST_F(ConfigFile, KeysValuesAndTheirQuirks) {
  std::mt19937 gen(7);
  std::string garbage;
  for (int i = 0; i < 65536; i++) garbage += static_cast<char>(gen() & 255);
  const FileCase cases[] = {
      {"every key",
       "MAX_HASH: 64\nPONDER: OFF\nOFFER_DRAW: ON\nSHOW_PONDER: ON\n"
       "ENGINE_BEEP: ON\nSELECTIVITY: OFF\nRESIGN: ON\nICS-INFO: ON\nBOOK: OFF\n",
       {64, 0, 1, 1, 1, 0, 1, 0, "whisper"}},
      {"a comment and empty lines", "; engine settings\n\n;PONDER: OFF\n", {}},
      {"a line that begins with NUL", std::string("\0PONDER: OFF\n", 13), {}},
      {"a value in lower case switches on", "OFFER_DRAW: off\n", {.draw = 1}},
      {"blanks around and inside the value", "OFFER_DRAW  :  O N \r\n", {.draw = 1}},
      {"blanks inside OFF", "PONDER:\tO F F\n", {.ponder = 0}},
      {"YES and 1 switch on", "RESIGN: YES\nENGINE_BEEP: 1\n", {.beep = 1, .resign = 1}},
      {"OF is enough to switch off", "BOOK: OF\n", {.book = 0}},
      {"SHOW_PONDER is not PONDER", "SHOW_PONDER: OFF\n", {}},
      {"PONDER must begin the line", " PONDER: OFF\nx OFFER_DRAW: ON\n", {}},
      {"a key after PONDER at the start", "PONDER_X: OFF\n", {.ponder = 0}},
      {"other keys count anywhere", "set ENGINE_BEEP to: ON\n", {.beep = 1}},
      {"MAX_HASH wins over PONDER", "PONDER: OFF ; MAX_HASH\n", {.maxhash = 0}},
      {"the first key of the list wins", "RESIGN: ON ; SHOW_PONDER\n", {.show_ponder = 1}},
      {"BOOK inside a path", "BOOK: OFF\nTB_PATH: /tb/BOOK\n", {}},
      {"the value after the first colon", "MAX_HASH: 32 : 64\n", {.maxhash = 32}},
      {"the value is cut at 32 characters",
       "MAX_HASH: " + std::string(32, '0') + "7\n",
       {.maxhash = 0}},
      {"a number followed by text", "MAX_HASH: 64MB\n", {.maxhash = 64}},
      {"a later line overrides", "MAX_HASH: 64\nMAX_HASH: 3\n", {.maxhash = 3}},
      {"ICS-INFO other than ON", "ICS-INFO: ON\nICS-INFO: on\n", {}},
      {"ICS-INFO beginning with ON", "ICS-INFO: ONE\n", {.info = "whisper"}},
      {"no colon", "PONDER OFF\nMAX_HASH 64\n", {}},
      {"lower-case keys", "ponder: off\nmax_hash: 64\nbook: off\n", {}},
      {"no newline at the end", "BOOK: OFF", {.book = 0}},
      {"MAX_HASH negative", "MAX_HASH: -5\n", {.maxhash = 0}},
      {"MAX_HASH a word", "MAX_HASH: lots\n", {.maxhash = 0}},
      {"MAX_HASH huge", "MAX_HASH: 99999999\n", {.maxhash = MemoryLimitMegabytes()}},
      {"MAX_HASH beyond 64 bits",
       "MAX_HASH: 99999999999999999999999\n",
       {.maxhash = MemoryLimitMegabytes()}},
      // Lines are looked at up to 131 characters; the rest is skipped.
      {"a 10000-character line",
       "PONDER: OFF" + std::string(10000, 'x') + "\nOFFER_DRAW: ON\n",
       {.ponder = 0, .draw = 1}},
      {"the tail of a long line is no line", std::string(200, 'x') + "BOOK: OFF\n", {}},
      {"a key past character 131",
       std::string(131, ' ') + "BOOK: OFF\nRESIGN: ON\n",
       {.resign = 1}},
      {"131 characters and the newline", std::string(131, 'x') + "\nBOOK: OFF\n", {.book = 0}},
      {"130 characters and the newline", std::string(130, 'x') + "\nBOOK: OFF\n", {.book = 0}},
      {"binary bytes in the value",
       "MAX_HASH:\xff\xfe\x01 3\nPONDER:\x85\xa0OFF\n",
       {.maxhash = 0}},
      {"64 KB of binary garbage", garbage + "\nOFFER_DRAW: ON\n", {.draw = 1}},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    Defaults();
    EXPECT_EQ(Read(c.text), "");
    ExpectSettings(c.want);
  }
}

TEST_F(ConfigFile, MissingFileKeepsEverything) {
  ics_maxhash = 5;
  tb_access = 4;
  EXPECT_EQ(CaptureOutput(ReadInitFile), "");
  EXPECT_EQ(ics_maxhash, 5);
  EXPECT_EQ(tb_access, 4);
}

TEST_F(ConfigFile, NoTablebasePathClearsTheTablebaseSettings) {
  tb_access = 4;
  EXPECT_EQ(Read("TB_CACHE: 8\n"), "");
  EXPECT_EQ(tb_access, 0);
  EXPECT_EQ(tb_cache, 0);
  EXPECT_EQ(tb_cache_buffer, nullptr);
}

// The tablebase report, from a directory without tables: the cache is
// given back and every figure is 0.
struct TbCase {
  const char* name;
  std::string path;   // written after "TB_PATH: " ("@" stands for the test directory)
  std::string cache;  // TB_CACHE value; empty: no such line
  const char* head;   // what comes before "\ninitializing table base"; nullptr: a
                      // cache that the tablebase code may take or refuse
  std::string shown;  // the path in the report
};

TEST_F(ConfigFile, TablebaseReport) {
  const std::string empty_dir = (dir_ / "tb").string();
  fs::create_directories(empty_dir);
  std::string long_path(200, 'p');
  long_path[0] = '/';
  const TbCase cases[] = {
      {"an empty directory", empty_dir, "4", nullptr, empty_dir},
      {"a directory that does not exist", "/nonexistent/vorna-tb", "1", nullptr,
       "/nonexistent/vorna-tb"},
      {"a list of directories", "/nonexistent/a, " + empty_dir, "1", nullptr,
       "/nonexistent/a," + empty_dir},
      {"no cache: an empty one is passed", empty_dir, "0", "FTbSetCacheSize failed ", empty_dir},
      {"no TB_CACHE line", empty_dir, "", "FTbSetCacheSize failed ", empty_dir},
      {"a negative cache", empty_dir, "-5", "FTbSetCacheSize failed ", empty_dir},
      {"a cache larger than the machine", empty_dir, "99999999",
       "malloc for tb_cache failed: size=99999999 MB \n", empty_dir},
      // The line ends at 131 characters, so the path keeps 131 - 9.
      {"a path longer than a line", long_path, "1", nullptr, long_path.substr(0, 122)},
  };
  for (const TbCase& c : cases) {
    SCOPED_TRACE(c.name);
    Defaults();
    tb_access = 3;
    std::string text = "TB_PATH: " + c.path + "\n";
    if (!c.cache.empty()) text += "TB_CACHE: " + c.cache + "\n";
    const std::string out = Read(text);
    if (c.head != nullptr) {
      EXPECT_EQ(out.rfind(c.head + std::string("\ninitializing table base"), 0), 0u) << out;
    } else {
      EXPECT_EQ(out.find("malloc"), std::string::npos) << out;
      EXPECT_NE(out.find("\ninitializing table base"), std::string::npos) << out;
    }
    const std::string tail = "found 0-piece TBs in " + c.shown +
                             "\nusing 0 KB for Compression\nusing 0 KB for TB cache\n\n";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    EXPECT_STREQ(tb_path, c.shown.c_str());
    EXPECT_EQ(tb_access, 0);
    EXPECT_EQ(tb_cache, 0);
    EXPECT_EQ(tb_cache_buffer, nullptr);
  }
}

size_t requested_bytes = 0;

void* RefuseAlloc(size_t bytes) {
  requested_bytes = bytes;
  return nullptr;
}

TEST_F(ConfigFile, CacheSizeIsFiguredIn64Bits) {
  if (MemoryLimitMegabytes() < 4096) GTEST_SKIP() << "machine too small for a 4 GB setting";
  TbCacheAlloc = RefuseAlloc;
  const std::string out = Read("TB_PATH: /nonexistent\nTB_CACHE: 4096\n");
  EXPECT_EQ(requested_bytes, size_t{4096} << 20);
  EXPECT_EQ(out.rfind("malloc for tb_cache failed: size=4096 MB \n", 0), 0u) << out;
  EXPECT_EQ(tb_cache_buffer, nullptr);
}

TEST(NoSpaceCpy, LeavesOutWhiteSpaceAndStopsAtMax) {
  const std::string long_src(200, 'a'), cut(130, 'a');
  const struct {
    const char* src;
    int max;
    const char* want;
  } cases[] = {
      {" a b\tc\r\n", 32, "abc"},
      {"abcdef", 3, "abc"},
      {"  a  b  ", 1, "a"},
      {"", 5, ""},
      {"\v\f ", 5, ""},
      {"\xa0x\xff", 5, "\xa0x\xff"},
      {long_src.c_str(), 130, cut.c_str()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.src);
    char dst[132];
    memset(dst, '#', sizeof dst);
    no_space_cpy(dst, c.src, c.max);
    EXPECT_STREQ(dst, c.want);
  }
}

}  // namespace
