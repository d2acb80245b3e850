#include "ui/input.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Feeds the input layer through a pipe in place of standard input.
class InputLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pipe(fds_), 0);
    saved_fd_ = InputFd;
    InputFd = fds_[0];
    ResetInput();
  }
  void TearDown() override {
    InputFd = saved_fd_;
    close(fds_[0]);
    if (fds_[1] >= 0) close(fds_[1]);
    ResetInput();
  }
  void Send(const std::string& text) {
    ASSERT_EQ(write(fds_[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  std::string Word() {
    char w[40];
    w[0] = '\0';
    scanz(w);
    return w;
  }
  std::string Rest(size_t max = 32) {
    char r[128];
    get_string(r, max);
    return r;
  }
  int fds_[2] = {-1, -1};
  int saved_fd_ = 0;
};

TEST_F(InputLayer, SeveralCommandsFromOneRead) {
  Send("new\nforce\n");
  const long before = InputReads;
  EXPECT_EQ(Word(), "new");
  EXPECT_EQ(Word(), "force");
  EXPECT_EQ(InputReads - before, 1);
  EXPECT_EQ(ByteCnt, 0);
}

TEST_F(InputLayer, CarriageReturnsAndDoubleBlanksSplitLikeSingleBlanks) {
  Send("level  40 5\t0\r\nnew\r\n");
  EXPECT_EQ(Word(), "level");
  EXPECT_EQ(Word(), "40");
  EXPECT_EQ(Word(), "5");
  EXPECT_EQ(Word(), "0");
  EXPECT_EQ(Word(), "new");
}

TEST_F(InputLayer, RestOfLineIsEmptyWhenTheWordEndedItsLine) {
  Send("ping\nnew\n");
  EXPECT_EQ(Word(), "ping");
  EXPECT_EQ(Rest(), "");
  EXPECT_EQ(Word(), "new");
}

TEST_F(InputLayer, RestOfLineTakesTheArgument) {
  Send("ping 7\r\nping  12345\nforce\n");
  EXPECT_EQ(Word(), "ping");
  EXPECT_EQ(Rest(), "7");
  EXPECT_EQ(Word(), "ping");
  EXPECT_EQ(Rest(), "12345");
  EXPECT_EQ(Word(), "force");
}

TEST_F(InputLayer, RestOfLineIsCutAndTheWholeLineConsumed) {
  Send("setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\nquit\n");
  EXPECT_EQ(Word(), "setboard");
  EXPECT_EQ(Rest(8), "rnbqkbn");
  EXPECT_EQ(Word(), "quit");
}

TEST_F(InputLayer, RestOfLineAtTheEndOfATrailingBlankLine) {
  Send("ping \nnew\n");
  EXPECT_EQ(Word(), "ping");
  EXPECT_EQ(Rest(), "");
  EXPECT_EQ(Word(), "new");
}

TEST_F(InputLayer, LongWordsAreCut) {
  Send(std::string(100, 'x') + " y\n");
  EXPECT_EQ(Word(), std::string(39, 'x'));
  EXPECT_EQ(Word(), "y");
}

TEST_F(InputLayer, WordSplitByTheReadSizeIsHandedOutWhole) {
  // The first read stops after 4095 bytes, inside "quit".
  Send(std::string(4093, ' ') + "quit\n");
  EXPECT_EQ(Word(), "quit");
}

TEST_F(InputLayer, WordAtTheEndOfInputWithoutNewline) {
  Send("new\nquit");
  close(fds_[1]);
  fds_[1] = -1;
  EXPECT_EQ(Word(), "new");
  EXPECT_EQ(Word(), "quit");
}

TEST_F(InputLayer, BufferedWordsDoNotCountAsWaitingInput) {
  EXPECT_EQ(KBhit(), 0);
  Send("a b\n");
  EXPECT_EQ(KBhit(), 1);
  EXPECT_EQ(Word(), "a");
  EXPECT_EQ(KBhit(), 0);
  EXPECT_GT(ByteCnt, 0);
}

TEST_F(InputLayer, CommandFileWordsAndCommentLines) {
  char path[] = "/tmp/vorna_batchXXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string text = "; a comment line\nst 5\nnew  force\n!bang line\nlast";
  ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  FILE* f = fopen(path, "r");
  ASSERT_NE(f, nullptr);
  char w[40];
  std::vector<std::string> words;
  while (getstr(f, w, sizeof w) == 1) words.push_back(w);
  fclose(f);
  unlink(path);
  EXPECT_EQ(words, (std::vector<std::string>{"; a comment line", "st", "5", "new", "", "force",
                                             "!bang line"}));
}

TEST_F(InputLayer, CommandFileFeedsScanzThenStandardInput) {
  FILE* f = tmpfile();
  ASSERT_NE(f, nullptr);
  fputs("st 7\nnew\n", f);
  rewind(f);
  Batch = f;
  Send("quit\n");
  EXPECT_EQ(Word(), "st");
  EXPECT_EQ(Rest(), "7");
  EXPECT_EQ(Word(), "new");
  EXPECT_EQ(Word(), "quit");  // the file is used up and closed
  EXPECT_EQ(Batch, nullptr);
}

}  // namespace
