#include "core/startup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "egtb/egtb.h"
#include "search/hashtable.h"
#include "test_util.h"
#include "ui/config.h"
#include "ui/output.h"
#include "app/lifecycle.h"

namespace {

struct Sizes {
  int32_t pet, peg, tt, ovl, et;
  int16_t flag;
};

Sizes SizeFor(int megabytes, int tablebases) {
  const int32_t saved_mb = ics_maxhash, saved_tb = tb_access;
  ics_maxhash = megabytes;
  tb_access = tablebases;
  hashflag = 1;
  ttblsz = ovlsz = etblsz = petblsz = pegtblsz = 0;
  AskForMemSize(get_free_mem(), tb_access);
  Sizes s{petblsz, pegtblsz, ttblsz, ovlsz, etblsz, hashflag};
  ics_maxhash = saved_mb;
  tb_access = saved_tb;
  return s;
}

std::string CaptureReport() {
  return CaptureOutput(PrintHashSizes);
}

TEST(AskForMemSize, DefaultTwelveMegabytes) {
  const Sizes s = SizeFor(12, 0);
  EXPECT_EQ(s.pet, 196608);
  EXPECT_EQ(s.peg, 0);
  EXPECT_EQ(s.tt, 131072);
  EXPECT_EQ(s.ovl, 26214);
  EXPECT_EQ(s.et, 235928);
  EXPECT_EQ(CaptureReport(),
            "\nHash Table Sizes:\tTransposition Table: 9215K\n\tEGTB Probe Cache: 0K\n"
            "\tEvaluation Cache: 3072K\n\nChess\n");
  EXPECT_STREQ(hashsize, "12287K");
}

TEST(AskForMemSize, ThreeMegabytes) {
  const Sizes s = SizeFor(3, 0);
  EXPECT_EQ(s.pet, 49152);
  EXPECT_EQ(s.tt, 32768);
  EXPECT_EQ(s.ovl, 6553);
  EXPECT_EQ(s.et, 58980);
  EXPECT_EQ(CaptureReport(),
            "\nHash Table Sizes:\tTransposition Table: 2303K\n\tEGTB Probe Cache: 0K\n"
            "\tEvaluation Cache: 768K\n\nChess\n");
}

TEST(AskForMemSize, TwoMegabytesSwitchesHashingOff) {
  const Sizes s = SizeFor(2, 0);
  EXPECT_EQ(s.flag, 0);
  EXPECT_EQ(s.tt, 0);
  EXPECT_EQ(s.et, 0);
  hashflag = 1;
}

TEST(AskForMemSize, TablebasesShareTheBudget) {
  const Sizes s = SizeFor(12, 5);
  EXPECT_EQ(s.pet, 98304);
  EXPECT_EQ(s.peg, 98304);
  EXPECT_EQ(s.et, 235928);
  EXPECT_EQ(CaptureReport(),
            "\nHash Table Sizes:\tTransposition Table: 9215K\n\tEGTB Probe Cache: 1536K\n"
            "\tEvaluation Cache: 1536K\n\nChess\n");
}

TEST(AskForMemSize, LargeBudgetsDoNotOverflow) {
  const Sizes s = SizeFor(4096, 0);
  EXPECT_EQ(s.flag, 1);
  EXPECT_EQ(s.pet, 67108864);
  EXPECT_EQ(s.tt, 67108864);
  EXPECT_GT(s.et, s.tt);
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
