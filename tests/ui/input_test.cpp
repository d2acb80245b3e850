#include "ui/input.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

// Feeds the input layer through a pipe in place of standard input.
class InputLayer : public ::testing::Test {
 protected:
  void Send(const std::string& text) { input_.Send(text); }
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
  InputPipe input_;
};

TEST_F(InputLayer, SeveralCommandsFromOneRead) {
  Send("new\nforce\n");
  const long before = InputReads;
  EXPECT_EQ(Word(), "new");
  EXPECT_EQ(Word(), "force");
  EXPECT_EQ(InputReads - before, 1);
  EXPECT_EQ(ByteCnt, 0);
}

struct SplitCase {
  const char* why;
  std::string text;
  // Words in order; "=x" is the rest of the line after the word before it.
  std::vector<std::string> reads;
};

TEST_F(InputLayer, WordsAndRestsOfLines) {
  const SplitCase cases[] = {
      {"carriage returns and double blanks split like single blanks",
       "level  40 5\t0\r\nnew\r\n",
       {"level", "40", "5", "0", "new"}},
      {"the rest is empty when the word ended its line", "ping\nnew\n", {"ping", "=", "new"}},
      {"the rest takes the argument",
       "ping 7\r\nping  12345\nforce\n",
       {"ping", "=7", "ping", "=12345", "force"}},
      {"the rest of a trailing blank", "ping \nnew\n", {"ping", "=", "new"}},
      {"long words are cut", std::string(100, 'x') + " y\n", {std::string(39, 'x'), "y"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.why);
    ResetInput();
    Send(c.text);
    for (const std::string& want : c.reads) {
      if (want[0] == '=') {
        EXPECT_EQ(Rest(), want.substr(1));
      } else {
        EXPECT_EQ(Word(), want);
      }
    }
  }
}

TEST_F(InputLayer, RestOfLineIsCutAndTheWholeLineConsumed) {
  Send("setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\nquit\n");
  EXPECT_EQ(Word(), "setboard");
  EXPECT_EQ(Rest(8), "rnbqkbn");
  EXPECT_EQ(Word(), "quit");
}

TEST_F(InputLayer, WordSplitByTheReadSizeIsHandedOutWhole) {
  // The first read stops after 4095 bytes, inside "quit".
  Send(std::string(4093, ' ') + "quit\n");
  EXPECT_EQ(Word(), "quit");
}

TEST_F(InputLayer, WordAtTheEndOfInputWithoutNewline) {
  Send("new\nquit");
  input_.Close();
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

// A GUI writes whole lines: on Windows a pipe counts as waiting only with
// more than one byte in it, so a lone line end is not yet a command.
TEST_F(InputLayer, LoneByteInThePipe) {
#ifdef _WIN32
  const int lone = 0;
#else
  const int lone = 1;
#endif
  Send("\n");
  EXPECT_EQ(KBhit(), lone);
  Send("\n");
  EXPECT_EQ(KBhit(), 1);
}

TEST_F(InputLayer, CommandFileWordsAndCommentLines) {
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  std::fputs("; a comment line\nst 5\nnew  force\n!bang line\nlast", f);
  std::rewind(f);
  char w[40];
  std::vector<std::string> words;
  while (getstr(f, w, sizeof w) == 1) words.push_back(w);
  std::fclose(f);
  EXPECT_EQ(words, (std::vector<std::string>{"; a comment line", "st", "5", "new", "", "force",
                                             "!bang line", "last"}));
}

TEST_F(InputLayer, CommandFileFeedsScanzThenStandardInput) {
  FILE* f = std::tmpfile();
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
