#include "timectl/timectl.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "core/board.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/treesearch.h"
#include "test_util.h"
#include "timectl/clock.h"
#include "ui/command.h"
#include "ui/input.h"
#include "ui/levels.h"

namespace {

// Feeds the rest of a command line (or the next words) through a pipe.
class TimeControls : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshGame();
    ASSERT_EQ(pipe(fds_), 0);
    saved_fd_ = InputFd;
    InputFd = fds_[0];
    ResetInput();
    saved_ = {TCflag, TCmoves, TCminutes, TCseconds, TCadd, Level};
  }
  void TearDown() override {
    InputFd = saved_fd_;
    close(fds_[0]);
    close(fds_[1]);
    ResetInput();
    TCflag = saved_.flag, TCmoves = saved_.moves, TCminutes = saved_.minutes;
    TCseconds = saved_.seconds, TCadd = saved_.add, Level = saved_.level;
    for (int i = 0; i < 3; i++) moves[i] = minutes[i] = seconds[i] = increment[i] = 0;
  }
  // Sends a line whose first word the command loop would have read.
  void Line(const std::string& text) {
    const std::string line = "cmd " + text + "\n";
    ASSERT_EQ(write(fds_[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    char word[8];
    scanz(word);
  }
  void Words(const std::string& text) {
    ASSERT_EQ(write(fds_[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  int fds_[2];
  int saved_fd_ = 0;
  struct {
    int16_t flag, moves, minutes, seconds, add;
    int32_t level;
  } saved_{};
};

TEST_F(TimeControls, FortyMovesInFiveMinutes) {
  Line("40 5 0");
  ICS_Level();
  EXPECT_EQ(TCflag, 1);
  EXPECT_EQ(TCmoves, 40);
  for (int s = 0; s < 2; s++) {
    EXPECT_EQ(TimeControl[s].timeLeft, 30000);
    EXPECT_EQ(TimeControl[s].movesToGo, 40);
  }
  // After the fortieth move the same control starts again, time added.
  GameCnt = 80;
  TimeControl[black].timeLeft = 1000;
  SetTimeControl();
  EXPECT_EQ(TimeControl[black].timeLeft, 31000);
  EXPECT_EQ(TimeControl[black].movesToGo, 40);
}

TEST_F(TimeControls, SuddenDeathWithIncrement) {
  Line("0 2 12");
  ICS_Level();
  EXPECT_EQ(TCflag, 2);
  EXPECT_EQ(TCmoves, 50);
  EXPECT_EQ(TCadd, 12);
  EXPECT_EQ(Level, 17);
  EXPECT_EQ(TimeControl[white].timeLeft, 12000);
}

TEST_F(TimeControls, OneMovePerPeriodIsFixedTimePerMove) {
  Line("1 5 0");
  ICS_Level();
  EXPECT_EQ(TCflag, 0);
  EXPECT_EQ(Level, 300);
}

TEST_F(TimeControls, MinutesAndSecondsForm) {
  Line("0 5:30 0");
  ICS_Level();
  EXPECT_EQ(TCminutes, 5);
  EXPECT_EQ(TCseconds, 30);
  EXPECT_EQ(TCflag, 2);
  EXPECT_EQ(TimeControl[white].timeLeft, 30000);  // the clock counts the minutes only
}

TEST_F(TimeControls, ThirtySecondsPerMoveIsNoLevelMenu) {
  Line("1 0:30 0");
  ICS_Level();
  EXPECT_EQ(TCflag, 0);
  EXPECT_EQ(Level, 30);  // minutes and seconds, so "new" opens no menu
}

TEST_F(TimeControls, FixedSecondsPerMove) {
  Line("10");
  SetSearchTime();
  EXPECT_EQ(TCflag, 0);
  EXPECT_EQ(Level, 10);
  EXPECT_EQ(TCseconds, 10);
  Line("");  // no number: nothing changes
  SetSearchTime();
  EXPECT_EQ(Level, 10);
}

TEST_F(TimeControls, RemainingTimesOfBothSides) {
  computer = black;
  opponent = white;
  Words("12345\n");
  SetMachineTime();
  EXPECT_EQ(TimeControl[black].timeLeft, 12345);
  Words("1:30\n");
  SetMachineTime();
  EXPECT_EQ(TimeControl[black].timeLeft, 9000);
  time0 = VornaClock();
  Words("12345\n");
  SetOppTime();
  EXPECT_GE(TimeControl[white].timeLeft, 12300);  // whole seconds plus the time run since
  EXPECT_LT(TimeControl[white].timeLeft, 12300 + 500);
}

TEST_F(TimeControls, DepthAcceptsOneToThirtyTwo) {
  MaxSearchDepth = 10;
  Words("0\n");
  ChangeSearchDepth();
  EXPECT_EQ(MaxSearchDepth, 10);
  Words("40\n");
  ChangeSearchDepth();
  EXPECT_EQ(MaxSearchDepth, 10);
  Words("x\n");
  ChangeSearchDepth();
  EXPECT_EQ(MaxSearchDepth, 10);
  Words("32\n");
  ChangeSearchDepth();
  EXPECT_EQ(MaxSearchDepth, 32);
  MaxSearchDepth = 31;
}

TEST_F(TimeControls, NumberedLevelsFromTheTable) {
  SetLevel(11);
  EXPECT_EQ(TCminutes, 120);  // although its menu line says 150
  EXPECT_EQ(TCflag, 2);
  SetLevel(13);
  EXPECT_EQ(TCflag, 0);
  EXPECT_EQ(TCminutes, 15);
}

TEST(ResponseTime, BudgetOfOneMove) {
  FreshGame();
  TCflag = 1;
  TCmoves = 40;
  TimeControl[white] = {40, 720000};
  SetResponseTime(white);
  EXPECT_EQ(ResponseTime, 25012);
  TCflag = 2;
  TCmoves = 50;
  TimeControl[white] = {50, 30000};
  SetResponseTime(white);
  EXPECT_EQ(ResponseTime, 846);
  TCflag = 1;
}

TEST(ElapsedTime, FixedTimePerMoveStopsAtItsLimit) {
  FreshGame();
  TCflag = 0;
  TCminutes = 0;
  TCseconds = 10;
  PonderOn = 0;
  timeout = 0;
  puzzling = 1;
  time0 = VornaClock() - 999;
  CheckElapsedTime(0);
  EXPECT_EQ(timeout, 0);
  time0 = VornaClock() - 1001;
  CheckElapsedTime(0);
  EXPECT_EQ(timeout, 1);
  // While pondering the budget only marks that it would stop.
  timeout = 0;
  PonderOn = 1;
  WouldTimeout = 0;
  CheckElapsedTime(0);
  EXPECT_EQ(timeout, 0);
  EXPECT_EQ(WouldTimeout, 1);
  PonderOn = 0;
  puzzling = 0;
  timeout = 0;
  TCflag = 1;
  TCminutes = 120;
}

TEST(ElapsedTime, UnderThreeSecondsLeftStopsFromDepthTwo) {
  FreshGame();
  TCflag = 1;
  computer = white;
  TimeControl[white].timeLeft = 250;
  ResponseTime = 100000;
  ExtraTime = 0;
  puzzling = 1;
  timeout = 0;
  time0 = VornaClock();
  Sdepth = 1;
  CheckElapsedTime(0);
  EXPECT_EQ(timeout, 0);  // the first iteration always completes
  Sdepth = 2;
  CheckElapsedTime(0);
  EXPECT_EQ(timeout, 1);
  Sdepth = 0;
  timeout = 0;
  puzzling = 0;
  computer = black;
}

}  // namespace
