#include "test_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/lifecycle.h"
#include "core/board.h"
#include "core/movetables.h"
#include "timectl/clock.h"
#include "ui/output.h"
#include "ui/poll.h"
#include "ui/position.h"

void FreshGame() {
  static bool tables_built = false;
  if (!tables_built) {
    InitializeTables();
    SearchInputPoll = PollSearchInput;
    tables_built = true;
  }
  NewGame(2);
}

int Sq(const char* name) {
  return (name[1] - '1') * 8 + (name[0] - 'a');
}

std::string CaptureOutput(const std::function<void()>& f) {
  char* text = nullptr;
  size_t len = 0;
  FILE* mem = open_memstream(&text, &len);
  FILE* saved = OutFile;
  OutFile = mem;
  f();
  OutFile = saved;
  fclose(mem);
  std::string out(text, len);
  free(text);
  return out;
}

void SetFen(const char* fen) {
  FreshGame();
  ASSERT_EQ(FEN_to_pos(fen), 0) << fen;
}

namespace {

// The engine leaves through exit() on a quit or at the end of input; inside
// a test that would end the run with status 0 and hide the failure.
bool in_test = false;

class ExitGuard : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { in_test = true; }
  void OnTestEnd(const ::testing::TestInfo&) override { in_test = false; }
};

void CheckExit() {
  if (in_test) {
    fprintf(stderr, "the program exited in the middle of a test\n");
    _exit(1);
  }
}

const bool exit_guard_installed = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new ExitGuard);
  atexit(CheckExit);
  return true;
}();

}  // namespace
