#include "core/startup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/lifecycle.h"
#include "egtb/egtb.h"
#include "search/hashtable.h"
#include "test_util.h"
#include "ui/config.h"
#include "ui/output.h"

namespace {

// The budget settings and table sizes the tests change, put back after each.
class AskForMemSize : public ::testing::Test {
 protected:
  SavedGlobals saved_{ics_maxhash, tb_access, hashflag, ttblsz, ovlsz, etblsz, petblsz, pegtblsz};
};

struct SizeCase {
  int megabytes, tablebases;
  int16_t flag;
  int32_t pet, peg, tt, ovl, et;
  const char* report;  // what PrintHashSizes says; nullptr: not checked
  const char* total;
};

// Table sizes in entries and the report for each budget; the total is the
// report's transposition table and evaluation cache together.
TEST_F(AskForMemSize, SplitsTheBudgetBetweenTheTables) {
  const SizeCase cases[] = {
      {12, 0, 1, 196608, 0, 131072, 26214, 235928,
       "\nHash Table Sizes:\tTransposition Table: 9215K\n\tEGTB Probe Cache: 0K\n"
       "\tEvaluation Cache: 3072K\n\nChess\n",
       "12287K"},
      {3, 0, 1, 49152, 0, 32768, 6553, 58980,
       "\nHash Table Sizes:\tTransposition Table: 2303K\n\tEGTB Probe Cache: 0K\n"
       "\tEvaluation Cache: 768K\n\nChess\n",
       "3071K"},
      // Tablebases share the evaluation cache's part.
      {12, 5, 1, 98304, 98304, 131072, 26214, 235928,
       "\nHash Table Sizes:\tTransposition Table: 9215K\n\tEGTB Probe Cache: 1536K\n"
       "\tEvaluation Cache: 1536K\n\nChess\n",
       nullptr},
      // Two megabytes switch hashing off.
      {2, 0, 0, -1, -1, 0, -1, 0, nullptr, nullptr},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.megabytes << " MB, tablebases " << c.tablebases);
    ics_maxhash = c.megabytes;
    tb_access = c.tablebases;
    hashflag = 1;
    ttblsz = ovlsz = etblsz = petblsz = pegtblsz = 0;
    ::AskForMemSize(get_free_mem(), tb_access);
    EXPECT_EQ(hashflag, c.flag);
    EXPECT_EQ(ttblsz, c.tt);
    EXPECT_EQ(etblsz, c.et);
    if (c.pet >= 0) {
      EXPECT_EQ(petblsz, c.pet);
      EXPECT_EQ(pegtblsz, c.peg);
      EXPECT_EQ(ovlsz, c.ovl);
    }
    if (c.report) {
      EXPECT_EQ(CaptureOutput(PrintHashSizes), c.report);
    }
    if (c.total) {
      EXPECT_STREQ(hashsize, c.total);
    }
  }
}

TEST_F(AskForMemSize, LargeBudgetsDoNotOverflow) {
  ics_maxhash = 4096;
  tb_access = 0;
  hashflag = 1;
  ttblsz = ovlsz = etblsz = petblsz = pegtblsz = 0;
  ::AskForMemSize(get_free_mem(), tb_access);
  EXPECT_EQ(hashflag, 1);
  EXPECT_EQ(petblsz, 67108864);
  EXPECT_EQ(ttblsz, 67108864);
  EXPECT_GT(etblsz, ttblsz);
}

TEST(VornaPath, CutsBackToTheDirectory) {
  SetVornaPath("./x");
  EXPECT_STREQ(vornapath, "./");
  SetVornaPath("x");
  EXPECT_STREQ(vornapath, "");
  SetVornaPath("/a/b/x");
  EXPECT_STREQ(vornapath, "/a/b/");
  SetVornaPath("C:\\chess\\vorna.exe");
  EXPECT_STREQ(vornapath, "C:\\chess\\");
}

}  // namespace
