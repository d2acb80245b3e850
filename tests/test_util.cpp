#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/lifecycle.h"
#include "core/board.h"
#include "core/movetables.h"
#include "platform/platform.h"
#include "timectl/clock.h"
#include "ui/input.h"
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

void SetFen(const char* fen) {
  FreshGame();
  ASSERT_EQ(FEN_to_pos(fen), 0) << fen;
}

CapturedOutput::CapturedOutput() : saved_(OutFile), file_(std::tmpfile()) {
  if (file_ == nullptr) ADD_FAILURE() << "no temporary file for the output";
  OutFile = file_ ? file_ : saved_;
}

CapturedOutput::~CapturedOutput() {
  OutFile = saved_;
  if (file_) std::fclose(file_);
}

std::string CapturedOutput::Text() {
  if (file_ == nullptr) return "";
  std::fflush(file_);
  const long end = std::ftell(file_);
  std::string out(static_cast<size_t>(end > 0 ? end : 0), '\0');
  std::rewind(file_);
  const size_t got = std::fread(out.data(), 1, out.size(), file_);
  out.resize(got);
  std::fseek(file_, 0, SEEK_END);
  return out;
}

std::string CaptureOutput(const std::function<void()>& f) {
  CapturedOutput out;
  f();
  return out.Text();
}

FILE* ReadOnlyOpen(const char* path, const char* mode) {
  return strchr(mode, 'w') || strchr(mode, '+') ? nullptr : std::fopen(path, mode);
}

InputPipe::InputPipe() : saved_fd_(InputFd) {
  if (PlatformOpenPipe(fds_) != 0) {
    ADD_FAILURE() << "no pipe for the input";
    return;
  }
  InputFd = fds_[0];
  ResetInput();
}

InputPipe::~InputPipe() {
  InputFd = saved_fd_;
  for (int fd : fds_)
    if (fd >= 0) PlatformClose(fd);
  ResetInput();
}

void InputPipe::Send(const std::string& text) {
  ASSERT_GE(fds_[1], 0) << "input already closed";
  const long n = static_cast<long>(text.size());
  ASSERT_EQ(PlatformWrite(fds_[1], text.data(), n), n);
}

void InputPipe::Close() {
  if (fds_[1] >= 0) PlatformClose(fds_[1]);
  fds_[1] = -1;
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
    std::fprintf(stderr, "the program exited in the middle of a test\n");
    std::_Exit(1);
  }
}

const bool exit_guard_installed = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new ExitGuard);
  std::atexit(CheckExit);
  return true;
}();

}  // namespace
