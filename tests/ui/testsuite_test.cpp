#include "ui/testsuite.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "search/driver.h"
#include "test_util.h"
#include "timectl/clock.h"
#include "ui/command.h"
#include "ui/gamefile.h"
#include "ui/input.h"
#include "ui/notation.h"

namespace {

// Each test works in a folder of its own, as a run writes "answer.out" into
// the current one; a run left open is closed afterwards.
class TestSuiteRun : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_dir_ = std::filesystem::current_path();
    dir_ = FreshTestDir("vorna_suite");
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    if (Batch != nullptr) fclose(Batch);
    if (Answer != nullptr) fclose(Answer);
    Batch = Answer = nullptr;
    std::filesystem::current_path(saved_dir_);
    std::filesystem::remove_all(dir_);
  }
  static void Write(const char* name, const char* text) {
    FILE* f = fopen(name, "w");
    ASSERT_NE(f, nullptr);
    fputs(text, f);
    fclose(f);
  }
  std::filesystem::path saved_dir_;
  std::filesystem::path dir_;
  SavedGlobals saved_{easy, selective, evrate, PosFile, mvstr, BestTimeStr};
};

TEST_F(TestSuiteRun, MissingCommandFileChangesNothing) {
  easy = 0;
  Solve("no_such_file");
  EXPECT_EQ(Batch, nullptr);
  EXPECT_EQ(easy, 0);  // pondering as it was
  EXPECT_FALSE(std::filesystem::exists("answer.out"));
}

TEST_F(TestSuiteRun, HeaderNamesTheSearchStyle) {
  struct Case {
    int16_t selective;
    const char* header;
  } const cases[] = {
      {1, "Vorna V B.68  Stil: selective search ;   Alg.: <Alpha-Beta>\n\n"},
      {0, "Vorna V B.68  Stil: brute force search;   Alg.: <Alpha-Beta>\n\n"},
  };
  Write("cmds", "st 5\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selective);
    easy = 0;
    selective = c.selective;
    Solve("cmds");
    ASSERT_NE(Batch, nullptr);
    ASSERT_NE(Answer, nullptr);
    EXPECT_EQ(easy, 1);  // no pondering during the run
    EXPECT_EQ(ReadText("answer.out"), c.header);
    fclose(Batch);
    fclose(Answer);
    Batch = Answer = nullptr;
  }
}

TEST_F(TestSuiteRun, UnwritableAnswerFileIsReportedAndTheRunDoesNotStart) {
  Write("cmds", "go\n");
  // A folder of that name cannot be opened for writing, not even by root.
  ASSERT_TRUE(std::filesystem::create_directory("answer.out"));
  easy = 0;
  const std::string out = CaptureOutput([] { Solve("cmds"); });
  EXPECT_EQ(out, "Could not open file: answer.out\n");
  EXPECT_EQ(Batch, nullptr);
  EXPECT_EQ(easy, 0);
}

TEST_F(TestSuiteRun, CommandFileNamedByTheNextWordFeedsTheWords) {
  Write("cmds", "pget a.pos\nst 5\ngo");  // the last line has no newline
  InputPipe input;
  input.Send("cmds\nquit\n");
  Solve(nullptr);
  ASSERT_NE(Batch, nullptr);
  char w[40], rest[40];
  const char* const words[] = {"pget", "a.pos", "st"};
  for (const char* want : words) {
    scanz(w);
    EXPECT_STREQ(w, want);
  }
  get_string(rest, sizeof rest);  // the argument comes from the file
  EXPECT_STREQ(rest, "5");
  scanz(w);
  EXPECT_STREQ(w, "go");
  EXPECT_NE(Batch, nullptr);
  scanz(w);  // the file is used up: both files close, standard input follows
  EXPECT_STREQ(w, "quit");
  EXPECT_EQ(Batch, nullptr);
  EXPECT_EQ(Answer, nullptr);
}

// Found by fuzzing: a command file that starts itself ran for ever.
TEST_F(TestSuiteRun, CommandFileThatStartsItselfEndsAfterSixteenRuns) {
  Write("cmds", "batch cmds\n");
  InputPipe input;
  input.Send("quit\n");
  CapturedOutput out;
  Solve("cmds");
  int runs = 0;
  char w[40];
  for (scanz(w); strcmp(w, "batch") == 0 && runs < 100; scanz(w)) {
    runs++;
    Solve(nullptr);
  }
  EXPECT_EQ(runs, 16);
  EXPECT_STREQ(w, "quit");  // the last run went on to its end
  EXPECT_EQ(Batch, nullptr);
  EXPECT_EQ(out.Text(), "Test run not started, 16 runs in a chain: cmds\n");
}

TEST_F(TestSuiteRun, AnswerLineForEachScoreRange) {
  struct Case {
    int32_t score;
    const char* evaluation;
  } const cases[] = {
      {9998, " Evaluation: +M1    "},   {9990, " Evaluation: +M5    "},
      {9001, " Evaluation: +M499    "}, {9000, " Evaluation: +90.00"},
      {250, " Evaluation: +2.50"},      {0, " Evaluation: +0.00"},
      {-5, " Evaluation: -0.05"},       {-9000, " Evaluation: -90.00"},
      {-9996, " Evaluation: -M2    "},  {-9999, " Evaluation: -M0    "},
  };
  FILE* commands = tmpfile();
  FILE* answers = tmpfile();
  ASSERT_NE(commands, nullptr);
  ASSERT_NE(answers, nullptr);
  snprintf(PosFile, sizeof PosFile, "wac001.pos");
  snprintf(mvstr, sizeof mvstr, "e7e8q");
  snprintf(BestTimeStr, sizeof BestTimeStr, " in 1:05 [7]");
  evrate = 123;
  std::string want;
  Batch = commands;
  Answer = answers;
  for (const Case& c : cases) {
    WriteAnswer(c.score);
    want +=
        std::string("wac001.pos: ") + c.evaluation + " \tNodes/Sec:   123 \te7e8q in 1:05 [7] \n";
  }
  Batch = nullptr;
  WriteAnswer(100);  // no run: nothing written
  rewind(answers);
  std::string got;
  for (int ch = fgetc(answers); ch != EOF; ch = fgetc(answers)) got += static_cast<char>(ch);
  EXPECT_EQ(got, want);
  fclose(commands);
  fclose(answers);
  Answer = nullptr;
}

}  // namespace
